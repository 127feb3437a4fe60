#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"

#include <climits>

#include "HAL_http.h"
#include "HAL_status.h"
#include "VMTry.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_io_IOException.h"
#include "java_io_PrintStream.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_Integer.h"
#include "java_lang_NumberFormatException.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "java_lang_Throwable.h"
#include "java_util_Calendar.h"
#include "java_util_Date.h"
#include "java_util_TimeZone.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::protocol::http::Protocol,
                  "com.nimbault.marl.midp.io.protocol.http.Protocol",
                  com::nimbault::marl::cldc::io::ConnectionBaseInterface,
                  javax::microedition::io::HttpConnection)

namespace com::nimbault::marl::midp::io::protocol::http {

using java::lang::String;
using javax::microedition::io::HttpConnection;

namespace {

const jchar* charsOf(const VMPtr<String>& s) { return s->value->elements() + s->offset; }

// A native string handed out by the bridge as a Java String; the bridge's
// reference is given back either way.
VMPtr<String> takeString(NativeString* handed) {
    if (!handed) return nullptr;
    struct Release {
        NativeString* s;
        ~Release() { HAL_releaseString(s); }
    } release{handed};
    return String::make(handed);
}

// The result of a string query: any failure is no value.
VMPtr<String> queriedString(int32_t status, NativeString* handed) {
    VMPtr<String> s = takeString(handed);
    return status == HAL_OK ? s : nullptr;
}

// The result of a response-side string query: 7 throws, any other failure
// is no value.
VMPtr<String> responseString(int32_t status, NativeString* handed) {
    VMPtr<String> s = queriedString(status, handed);
    if (status == HAL_IO_ERROR) Protocol::throwHttpError(status);
    return s;
}

}  // namespace

void Protocol::throwHttpError(int32_t status) {
    VMPtr<java::lang::StringBuffer> message =
        java::lang::StringBuffer::make("HttpConnection error: ");
    message->append(jint(status));
    java::io::IOException::throwNew(message->toString());
}

void Protocol::staticInit() {
    Statics& s = wrenStatics_();
    s.PROTOCOL = WREN_LIT("http");
    static const char* const words[32] = {
        "am", "pm", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday",
        "sunday", "january", "february", "march", "april", "may", "june", "july", "august",
        "september", "october", "november", "december", "gmt", "ut", "utc", "est", "edt",
        "cst", "cdt", "mst", "mdt", "pst", "pdt"};
    VMPtr<VMArray<String*>> table = VMArray<String*>::create(32);
    for (jint i = 0; i < 32; ++i) table[i] = vmStringLiteral(words[i]);
    s.DATE_WORDS = table;
}

void Protocol::ctor() {
    java::lang::Object::ctor();
    nativeConnection = nullptr;
    state = SETUP;
    outputStream = nullptr;
    inputStream = nullptr;
}

Protocol::~Protocol() {
    if (nativeConnection) HAL_deleteHTTPConnection(nativeConnection);
}

VMPtr<javax::microedition::io::Connection> Protocol::openPrim(const VMPtr<String>& url, jint mode) {
    jint length = url->length();
    NativeHttpConnection* made = nullptr;
    int32_t status = HAL_createHTTPConnection(&made, charsOf(url), length);
    if (status != HAL_OK) {
        VMPtr<java::lang::StringBuffer> message =
            java::lang::StringBuffer::make("HAL_createHTTPConnection error: ");
        message->append(jint(status));
        java::io::IOException::throwNew(message->toString());
    }
    // A second open of the same object would otherwise lose the first record.
    if (nativeConnection) HAL_deleteHTTPConnection(nativeConnection);
    nativeConnection = made;
    return VMPtr<javax::microedition::io::Connection>(this);
}

void Protocol::ensureOpen() {
    if (state == CLOSED)
        java::io::IOException::throwNew(WREN_LIT("HttpConnection error: the connection is closed"));
}

void Protocol::connect() {
    if (state == SETUP) state = CONNECTED;
}

void Protocol::close() {
    if (inputStream != nullptr) {
        vmTryCatch([&] { inputStream->close(); }, [](const VMPtr<java::lang::Throwable>&) {});
        inputStream = nullptr;
    }
    if (outputStream != nullptr) {
        vmTryCatch([&] { outputStream->close(); }, [](const VMPtr<java::lang::Throwable>&) {});
        outputStream = nullptr;
    }
    HAL_deleteHTTPConnection(nativeConnection);
    state = CLOSED;
    nativeConnection = nullptr;
}

VMPtr<String> Protocol::getURL() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPURL(nativeConnection, &s);
    return queriedString(status, s);
}

VMPtr<String> Protocol::getProtocol() {
    ensureOpen();
    return S().PROTOCOL;
}

VMPtr<String> Protocol::getHost() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPHost(nativeConnection, &s);
    return queriedString(status, s);
}

VMPtr<String> Protocol::getFile() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPFile(nativeConnection, &s);
    return queriedString(status, s);
}

VMPtr<String> Protocol::getRef() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPRef(nativeConnection, &s);
    return queriedString(status, s);
}

VMPtr<String> Protocol::getQuery() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPQuery(nativeConnection, &s);
    return queriedString(status, s);
}

jint Protocol::getPort() {
    ensureOpen();
    jint port = 80;
    if (HAL_getHTTPPort(nativeConnection, &port) != HAL_OK) return 80;
    return port;
}

VMPtr<String> Protocol::getRequestMethod() {
    ensureOpen();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPRequestMethod(nativeConnection, &s);
    VMPtr<String> method = takeString(s);
    if (status != HAL_OK || method == nullptr) return WREN_LIT("GET");
    return method;
}

void Protocol::setRequestMethod(const VMPtr<String>& method) {
    ensureOpen();
    if (state == CONNECTED)
        java::io::IOException::throwNew(WREN_LIT("HttpConnection error: HTTP method cannot be reset"));
    java::lang::System::S().out->println(method);
    HttpConnection::Statics& methods = HttpConnection::S();
    if (method == nullptr ||
        !(method->equalsIgnoreCase(methods.HEAD) || method->equalsIgnoreCase(methods.GET) ||
          method->equalsIgnoreCase(methods.POST)))
        java::io::IOException::throwNew(WREN_LIT("HttpConnection error: Invalid HTTP method"));
    HAL_setHTTPRequestMethod(nativeConnection, charsOf(method), method->length());
}

VMPtr<String> Protocol::getRequestProperty(const VMPtr<String>& key) {
    ensureOpen();
    jint length = key->length();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPRequestProperty(nativeConnection, charsOf(key), length, &s);
    return queriedString(status, s);
}

void Protocol::setRequestProperty(const VMPtr<String>& key, const VMPtr<String>& value) {
    ensureOpen();
    if (state == CONNECTED)
        java::io::IOException::throwNew(WREN_LIT(
            "HttpConnection error: HTTP request property cannot be set because the connection is "
            "in the Connected state"));
    jint keyLength = key->length();
    jint valueLength = value->length();
    HAL_setHTTPRequestProperty(nativeConnection, charsOf(key), keyLength, charsOf(value),
                               valueLength);
}

jint Protocol::getResponseCode() {
    ensureOpen();
    connect();
    jint code = -1;
    int32_t status = HAL_getHTTPResponseCode(nativeConnection, &code);
    if (status == HAL_IO_ERROR) throwHttpError(status);
    return status == HAL_OK ? code : -1;
}

VMPtr<String> Protocol::getResponseMessage() {
    ensureOpen();
    connect();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPResponseMessage(nativeConnection, &s);
    return responseString(status, s);
}

VMPtr<String> Protocol::getHeaderField(jint n) {
    ensureOpen();
    connect();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPHeaderFieldByIndex(nativeConnection, n, &s);
    return responseString(status, s);
}

VMPtr<String> Protocol::getHeaderField(const VMPtr<String>& name) {
    ensureOpen();
    connect();
    jint length = name->length();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPHeaderField(nativeConnection, charsOf(name), length, &s);
    return responseString(status, s);
}

VMPtr<String> Protocol::getHeaderFieldKey(jint n) {
    ensureOpen();
    connect();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPHeaderFieldKey(nativeConnection, n, &s);
    return responseString(status, s);
}

jint Protocol::getHeaderFieldInt(const VMPtr<String>& name, jint def) {
    ensureOpen();
    connect();
    VMPtr<String> v = getHeaderField(name);
    if (v == nullptr) return def;
    return vmTryCatch([&] { return java::lang::Integer::parseInt(v); },
                      [&](const VMPtr<java::lang::NumberFormatException>&) { return def; });
}

jlong Protocol::dateField(const VMPtr<String>& name, jlong def) {
    ensureOpen();
    connect();
    VMPtr<String> v = getHeaderField(name);
    if (v == nullptr) return def;
    return vmTryCatch([&] { return parseDate(v); },
                      [&](const VMPtr<java::lang::IllegalArgumentException>&) { return def; });
}

jlong Protocol::getHeaderFieldDate(const VMPtr<String>& name, jlong def) {
    return dateField(name, def);
}

jlong Protocol::getExpiration() { return dateField(WREN_LIT("expires"), 0); }

jlong Protocol::getDate() { return dateField(WREN_LIT("date"), 0); }

jlong Protocol::getLastModified() { return dateField(WREN_LIT("last-modified"), 0); }

VMPtr<String> Protocol::getType() {
    ensureOpen();
    connect();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPType(nativeConnection, &s);
    return responseString(status, s);
}

VMPtr<String> Protocol::getEncoding() {
    ensureOpen();
    connect();
    NativeString* s = nullptr;
    int32_t status = HAL_getHTTPEncoding(nativeConnection, &s);
    return responseString(status, s);
}

jlong Protocol::getLength() {
    ensureOpen();
    connect();
    jlong length = -1;
    int32_t status = HAL_getHTTPLength(nativeConnection, &length);
    if (status == HAL_IO_ERROR) throwHttpError(status);
    return status == HAL_OK ? length : -1;
}

VMPtr<java::io::InputStream> Protocol::openInputStream() {
    ensureOpen();
    connect();
    VMPtr<HttpInputStream> in = HttpInputStream::make(nativeConnection);
    inputStream = in;
    return in;
}

VMPtr<java::io::DataInputStream> Protocol::openDataInputStream() {
    return java::io::DataInputStream::make(openInputStream());
}

VMPtr<java::io::OutputStream> Protocol::openOutputStream() {
    ensureOpen();
    VMPtr<HttpOutputStream> out = HttpOutputStream::make(nativeConnection);
    outputStream = out;
    return out;
}

VMPtr<java::io::DataOutputStream> Protocol::openDataOutputStream() {
    return java::io::DataOutputStream::make(openOutputStream());
}

// --- dates -----------------------------------------------------------------------

namespace {

[[noreturn]] void dateError() {
    java::lang::IllegalArgumentException::throwNew(WREN_LIT("Error parsing date"));
}

bool isAsciiLetter(jchar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

void appendTwoDigits(VMPtr<java::lang::StringBuffer>& b, jint v) {
    b->append(jchar(u'0' + v / 10));
    b->append(jchar(u'0' + v % 10));
}

}  // namespace

jlong Protocol::parseDate(const VMPtr<String>& text) {
    clinit();
    if (text == nullptr) dateError();
    Statics& statics = S();
    if (!statics.centuryKnown) {
        statics.defaultCenturyStart = java::util::Calendar::getInstance()->get(java::util::Calendar::YEAR) - 80;
        statics.centuryKnown = true;
    }

    jint year = INT_MIN, month = -1, day = -1, hour = -1, minute = -1, second = -1;
    // A zone is a number of minutes west of UTC; whether one was given at all
    // is kept apart, so that no offset can pass for "none".
    jint zone = 0;
    bool zoneGiven = false;
    jchar previous = 0;
    const jint limit = text->length();
    jint i = 0;
    while (i < limit) {
        jchar c = text->charAt(i);
        ++i;
        if (c <= u' ' || c == u',') continue;
        if (c == u'(') {
            jint depth = 1;
            while (i < limit) {
                c = text->charAt(i);
                ++i;
                if (c == u'(') ++depth;
                else if (c == u')' && --depth <= 0) break;
            }
            continue;
        }
        if (c >= u'0' && c <= u'9') {
            // A number too long for an int is not part of any date.
            int64_t n = c - u'0';
            bool atEnd = true;
            while (i < limit) {
                c = text->charAt(i);
                if (c < u'0' || c > u'9') {
                    atEnd = false;
                    break;
                }
                n = n * 10 + (c - u'0');
                if (n > INT_MAX) dateError();
                ++i;
            }
            const jint value = jint(n);
            if (previous == u'+' || (previous == u'-' && year != INT_MIN)) {
                jint minutes = value < 24 ? value * 60 : (value % 100) + (value / 100) * 60;
                // The zone is written as a time-zone ID of two hour digits.
                if (minutes >= 24 * 60) dateError();
                if (previous == u'+') minutes = -minutes;
                if (zoneGiven && zone != 0) dateError();
                zone = minutes;
                zoneGiven = true;
            } else if (value >= 70) {
                if (year != INT_MIN) dateError();
                if (atEnd || c <= u' ' || c == u',' || c == u'/') year = value;
                else dateError();
            } else if (!atEnd && c == u':') {
                if (hour < 0) hour = value;
                else if (minute < 0) minute = value;
                else dateError();
            } else if (!atEnd && c == u'/') {
                if (month < 0) month = value - 1;
                else if (day < 0) day = value;
                else dateError();
            } else if (!atEnd && c != u',' && c != u'-' && c > u' ') {
                dateError();
            } else if (hour >= 0 && minute < 0) {
                minute = value;
            } else if (minute >= 0 && second < 0) {
                second = value;
            } else if (day < 0) {
                day = value;
            } else if (year == INT_MIN && month >= 0) {
                year = value;
            } else {
                dateError();
            }
            previous = 0;
            continue;
        }
        if (c == u'/' || c == u':' || c == u'+' || c == u'-') {
            previous = c;
            continue;
        }
        // A word: c and the letters after it.
        jint start = i - 1;
        while (i < limit && isAsciiLetter(text->charAt(i))) ++i;
        jint length = i - start;
        if (length <= 1) dateError();
        VMPtr<String> word = text->substring(start, i);
        VMPtr<VMArray<String*>> words = statics.DATE_WORDS;
        jint k = 31;
        for (; k >= 0; --k) {
            VMPtr<String> entry = words[k];
            if (entry->regionMatches(true, 0, word, 0, length)) break;
        }
        if (k < 0) dateError();
        jint action = DATE_WORD_ACTIONS[k];
        if (action == 1 || action == 14) {
            if (hour < 1 || hour > 12) dateError();
            if (action == 1 && hour < 12) hour += 12;
            if (action == 14 && hour == 12) hour = 0;
        } else if (action >= 2 && action <= 13) {
            if (month >= 0) dateError();
            month = action - 2;
        } else if (action >= 10000) {
            zone = action - 10000;
            zoneGiven = true;
        }
        previous = 0;
    }

    if (year == INT_MIN || month < 0 || day < 0) dateError();
    if (year < 100) {
        jint start = statics.defaultCenturyStart;
        year += (start / 100) * 100;
        if (year < start) year += 100;
    }
    if (second < 0) second = 0;
    if (minute < 0) minute = 0;
    if (hour < 0) hour = 0;

    VMPtr<java::util::Calendar> calendar = java::util::Calendar::getInstance();
    if (zoneGiven) {
        jint magnitude = zone < 0 ? -zone : zone;
        VMPtr<java::lang::StringBuffer> id = java::lang::StringBuffer::make("UTC");
        id->append(jchar(zone <= 0 ? u'+' : u'-'));
        appendTwoDigits(id, magnitude / 60);
        id->append(jchar(u':'));
        appendTwoDigits(id, magnitude % 60);
        calendar->setTimeZone(java::util::TimeZone::getTimeZone(id->toString()));
    }
    calendar->set(java::util::Calendar::YEAR, year);
    calendar->set(java::util::Calendar::MONTH, month);
    calendar->set(java::util::Calendar::DAY_OF_MONTH, day);
    calendar->set(java::util::Calendar::HOUR_OF_DAY, hour);
    calendar->set(java::util::Calendar::MINUTE, minute);
    calendar->set(java::util::Calendar::SECOND, second);
    calendar->set(java::util::Calendar::MILLISECOND, 0);
    return calendar->getTime()->getTime();
}

}  // namespace com::nimbault::marl::midp::io::protocol::http
