// The http connection: MIDP's HttpConnection over one native HTTP connection
// of the bridge. The class keeps the MIDP state rules (setup, connected,
// closed), turns Java strings into native ones and back, maps bridge
// statuses to exceptions and hands out the two streams. It also holds the
// parser of HTTP dates that the typed header accessors use.
#pragma once

#include "com_nimbault_marl_cldc_io_ConnectionBaseInterface.h"
#include "com_nimbault_marl_midp_io_HttpInputStream.h"
#include "com_nimbault_marl_midp_io_HttpOutputStream.h"
#include "javax_microedition_io_HttpConnection.h"

struct NativeHttpConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io::protocol::http {

class Protocol : public virtual java::lang::Object,
                 public virtual com::nimbault::marl::cldc::io::ConnectionBaseInterface,
                 public virtual javax::microedition::io::HttpConnection {
    WREN_CLASS(Protocol, java::lang::Object, (outputStream, HttpOutputStream),
               (inputStream, HttpInputStream))
public:
    enum : jint { SETUP = 0, CONNECTED = 1, CLOSED = 2 };

    struct Statics {
        VMStaticPtr<java::lang::String> PROTOCOL;
        VMStaticPtr<VMArray<java::lang::String*>> DATE_WORDS;
        // The year that two-digit years are read from: 80 years before the
        // year of the first parse.
        jint defaultCenturyStart = 0;
        bool centuryKnown = false;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // What each of DATE_WORDS means to the parser: 0 ignored (weekdays), 1
    // pm, 14 am, 2..13 the month plus 2, 10000 + minutes west of UTC a zone.
    static constexpr jint DATE_WORD_ACTIONS[32] = {
        14, 1, 0, 0, 0, 0, 0, 0, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
        10000, 10000, 10000, 10300, 10240, 10360, 10300, 10420, 10360, 10480, 10420};

    // The connection's hold on its native record; null before openPrim and
    // after close.
    NativeHttpConnection* nativeConnection = nullptr;
    jint state = SETUP;

    void ctor();
    // A connection dropped without close() gives its native record back.
    ~Protocol() override;

    VMPtr<javax::microedition::io::Connection> openPrim(const VMPtr<java::lang::String>& url,
                                                        jint mode) override;
    // Closes the remembered streams (dropping what they throw) and the native
    // connection; closing twice does nothing more.
    void close() override;

    // Every operation below throws IOException "HttpConnection error: the
    // connection is closed" once closed. Those that read the response move
    // the state to CONNECTED first; a bridge status 7 throws
    // "HttpConnection error: 7".
    VMPtr<java::lang::String> getURL() override;
    VMPtr<java::lang::String> getProtocol() override;
    VMPtr<java::lang::String> getHost() override;
    VMPtr<java::lang::String> getFile() override;
    VMPtr<java::lang::String> getRef() override;
    VMPtr<java::lang::String> getQuery() override;
    jint getPort() override;
    VMPtr<java::lang::String> getRequestMethod() override;
    // Prints the method, then accepts HEAD, GET and POST in any case and
    // keeps it as given; only before the request is CONNECTED.
    void setRequestMethod(const VMPtr<java::lang::String>& method) override;
    VMPtr<java::lang::String> getRequestProperty(const VMPtr<java::lang::String>& key) override;
    void setRequestProperty(const VMPtr<java::lang::String>& key,
                            const VMPtr<java::lang::String>& value) override;
    // -1 when the request could not be sent.
    jint getResponseCode() override;
    VMPtr<java::lang::String> getResponseMessage() override;
    jlong getExpiration() override;
    jlong getDate() override;
    jlong getLastModified() override;
    VMPtr<java::lang::String> getHeaderField(jint n) override;
    // The name is matched without regard to case.
    VMPtr<java::lang::String> getHeaderField(const VMPtr<java::lang::String>& name) override;
    jint getHeaderFieldInt(const VMPtr<java::lang::String>& name, jint def) override;
    jlong getHeaderFieldDate(const VMPtr<java::lang::String>& name, jlong def) override;
    VMPtr<java::lang::String> getHeaderFieldKey(jint n) override;
    VMPtr<java::lang::String> getType() override;
    // The "Transfer-Encoding" field.
    VMPtr<java::lang::String> getEncoding() override;
    jlong getLength() override;
    VMPtr<java::io::InputStream> openInputStream() override;
    VMPtr<java::io::DataInputStream> openDataInputStream() override;
    VMPtr<java::io::OutputStream> openOutputStream() override;
    VMPtr<java::io::DataOutputStream> openDataOutputStream() override;

    // An HTTP date (RFC 1123, RFC 850, asctime and looser forms with numeric
    // dates, am/pm, zone names and offsets, comments) as milliseconds since
    // 1970-01-01 UTC; a text without a zone is read in the default zone.
    // Anything else, null included, throws IllegalArgumentException
    // "Error parsing date".
    static jlong parseDate(const VMPtr<java::lang::String>& text);

    // How the connection and its streams report a failed native call:
    // IOException "HttpConnection error: " and the bridge status.
    [[noreturn]] static void throwHttpError(int32_t status);

protected:
    void ensureOpen();
    void connect();
    // The date in the named field; `def` when absent or not a date.
    jlong dateField(const VMPtr<java::lang::String>& name, jlong def);
};

}  // namespace com::nimbault::marl::midp::io::protocol::http
