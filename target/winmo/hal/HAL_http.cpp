#include "HAL_http.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "HAL_devicelibs.h"
#include "HAL_memory.h"
#include "HAL_properties.h"
#include "HAL_status.h"
#include "HAL_threads.h"
#include "ce_window.h"
#include "ce_wininet.h"

namespace {

constexpr jint kReadBufferSize = 4096;

struct HeaderEntry {
    NativeString* key = nullptr;  // null for a line without ':'
    NativeString* value = nullptr;
};

// Where the parts of the URL lie, as unit offsets into it. A part that is
// absent has begin == end and its `has` flag clear.
struct UrlParts {
    jint hostBegin = 0, hostEnd = 0;
    jint pathBegin = 0, pathEnd = 0;  // pathEnd is where the query or fragment starts
    bool hasQuery = false;
    jint queryBegin = 0, queryEnd = 0;
    bool hasRef = false;
    jint refBegin = 0;
    jint port = 80;         // the URL's own, else the scheme's default
    bool portValid = true;  // a port the server connection can use
    bool secure = false;    // https
};

}  // namespace

struct NativeHttpConnection {
    NativeString* url = nullptr;
    NativeString* method = nullptr;  // null means "GET"
    ce::HINTERNET connectHandle = nullptr;
    ce::HINTERNET requestHandle = nullptr;
    uint32_t lastError = 0;
    std::vector<HeaderEntry> requestHeaders;
    std::vector<HeaderEntry> responseHeaders;
    std::vector<uint8_t*> bodyChunks;
    std::vector<jint> bodyLengths;
    uint8_t* readBuffer = nullptr;
    UrlParts parts;

    // Holders: the connection object, each of its streams and every blocking
    // operation in progress. The last release frees the record.
    jint refCount = 1;
    // The connection object has closed it: nothing more goes to the network.
    bool closed = false;
    // A blocking call on the record is in progress on some thread; another
    // one waits for it to end.
    bool busy = false;
    bool sent = false;
    int32_t sendStatus = HAL_OK;
    // Taken from the response right after the send.
    jint statusCode = -1;
    jlong contentLength = -1;
    NativeString* contentType = nullptr;
};

namespace {

// --- the VM lock around blocking calls --------------------------------------------

// Flags that a thread may wait on with the VM lock given up (the session
// being opened, a record busy) change under both the VM lock and this mutex.
std::mutex waitMutex;
std::condition_variable waitChanged;

void setFlag(bool& flag, bool value) {
    std::lock_guard<std::mutex> g(waitMutex);
    flag = value;
    waitChanged.notify_all();
}

// Runs `call` with the VM lock given up, then takes the lock back and runs
// the enter-VM hook, as every blocking bridge call does.
template <class F>
auto outsideVMLock(F&& call) {
    int depth = HAL_releaseVMLockFully();
    auto result = call();
    if (depth > 0) {
        HAL_reacquireVMLock(depth);
        HAL_runEnterVMHook();
    }
    return result;
}

// Waits, with the VM lock given up, until `flag` is clear.
void waitWhileSet(const bool& flag) {
    while (flag) {
        outsideVMLock([&flag] {
            std::unique_lock<std::mutex> lk(waitMutex);
            waitChanged.wait(lk, [&flag] { return !flag; });
            return 0;
        });
    }
}

// --- the session -----------------------------------------------------------------

std::mutex sessionMutex;  // guards `session` against the shutdown's close
ce::HINTERNET session = nullptr;
bool sessionOpening = false;  // under the VM lock and waitMutex
bool agentFetched = false;
std::u16string agent;
bool agentPresent = false;

ce::HINTERNET currentSession() {
    std::lock_guard<std::mutex> g(sessionMutex);
    return session;
}

void fetchAgent() {
    if (agentFetched) return;
    agentFetched = true;
    static const char16_t key[] = u"MIDlet-Name";
    const jint keyLength = jint(sizeof key / sizeof key[0] - 1);
    jint length = HAL_getApplicationPropertyLength(key, keyLength);
    if (length < 0) return;
    std::u16string value(size_t(length), u'\0');
    jint copied = length;
    if (HAL_getApplicationProperty(key, keyLength, value.data(), &copied) != HAL_OK) return;
    value.resize(size_t(copied));
    agent = value;
    agentPresent = true;
}

// The session, opened on first use; null when it cannot be opened (the next
// connection tries again).
ce::HINTERNET openSession() {
    waitWhileSet(sessionOpening);
    if (ce::HINTERNET s = currentSession()) return s;
    setFlag(sessionOpening, true);
    if (!ConnMgr_isConnected()) ConnMgr_connect();
    fetchAgent();
    const char16_t* userAgent = agentPresent ? agent.c_str() : nullptr;
    ce::HINTERNET opened = outsideVMLock([userAgent]() -> ce::HINTERNET {
        if (ce::InternetAttemptConnect(0) != 0) return nullptr;
        return ce::InternetOpenW(userAgent, ce::INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    });
    {
        std::lock_guard<std::mutex> g(sessionMutex);
        session = opened;
    }
    setFlag(sessionOpening, false);
    return opened;
}

// --- URL parts ----------------------------------------------------------------------

bool sameIgnoringAsciiCase(const jchar* a, const jchar* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        jchar x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = jchar(x + 32);
        if (y >= u'A' && y <= u'Z') y = jchar(y + 32);
        if (x != y) return false;
    }
    return true;
}

jint find(const jchar* s, jint from, jint end, jchar c) {
    for (jint i = from; i < end; ++i)
        if (s[i] == c) return i;
    return -1;
}

// "scheme://[user@]host[:port][/path][?query][#fragment]". Only the text
// before the first '/', '?' or '#' after "//" is the authority, so a ':' or
// '?' further on never passes for a port or a query.
UrlParts parseUrl(const jchar* s, jint n) {
    UrlParts p;
    jint authority = 0;
    jint scheme = -1;
    for (jint i = 0; i + 2 < n; ++i) {
        if (s[i] == u':' && s[i + 1] == u'/' && s[i + 2] == u'/') {
            scheme = i;
            break;
        }
        if (s[i] == u'/' || s[i] == u'?' || s[i] == u'#') break;
    }
    if (scheme >= 0) {
        authority = scheme + 3;
        p.secure = scheme == 5 && sameIgnoringAsciiCase(s, u"https", 5);
    }
    p.port = p.secure ? 443 : 80;
    jint authorityEnd = n;
    for (jint i = authority; i < n; ++i) {
        if (s[i] == u'/' || s[i] == u'?' || s[i] == u'#') {
            authorityEnd = i;
            break;
        }
    }
    jint hostBegin = authority;
    for (jint i = authorityEnd - 1; i >= authority; --i) {
        if (s[i] == u'@') {
            hostBegin = i + 1;
            break;
        }
    }
    jint hostEnd = authorityEnd;
    jint portColon = -1;
    if (hostBegin < authorityEnd && s[hostBegin] == u'[') {
        jint close = find(s, hostBegin, authorityEnd, u']');
        hostEnd = close < 0 ? authorityEnd : close + 1;
        if (hostEnd < authorityEnd && s[hostEnd] == u':') portColon = hostEnd;
    } else {
        portColon = find(s, hostBegin, authorityEnd, u':');
        if (portColon >= 0) hostEnd = portColon;
    }
    p.hostBegin = hostBegin;
    p.hostEnd = hostEnd;
    if (portColon >= 0 && portColon + 1 < authorityEnd) {
        jint port = 0;
        jint i = portColon + 1;
        for (; i < authorityEnd && s[i] >= u'0' && s[i] <= u'9'; ++i) {
            port = port * 10 + (s[i] - u'0');
            if (port > 65535) break;
        }
        p.port = port;
        p.portValid = i == authorityEnd && port >= 1 && port <= 65535;
    }
    if (hostEnd <= hostBegin) p.portValid = false;

    jint ref = find(s, authorityEnd, n, u'#');
    jint beforeRef = ref < 0 ? n : ref;
    jint query = find(s, authorityEnd, beforeRef, u'?');
    p.pathBegin = authorityEnd;
    p.pathEnd = query < 0 ? beforeRef : query;
    if (query >= 0) {
        p.hasQuery = true;
        p.queryBegin = query + 1;
        p.queryEnd = beforeRef;
    }
    if (ref >= 0) {
        p.hasRef = true;
        p.refBegin = ref + 1;
    }
    return p;
}

// --- records ------------------------------------------------------------------------

void freeEntries(std::vector<HeaderEntry>& list) {
    for (HeaderEntry& e : list) {
        if (e.key) e.key->release();
        if (e.value) e.value->release();
    }
    list.clear();
}

void closeHandles(NativeHttpConnection* conn) {
    ce::HINTERNET connect = conn->connectHandle;
    ce::HINTERNET request = conn->requestHandle;
    conn->connectHandle = nullptr;
    conn->requestHandle = nullptr;
    if (connect) ce::InternetCloseHandle(connect);
    if (request) ce::InternetCloseHandle(request);
}

void retain(NativeHttpConnection* conn) { ++conn->refCount; }

void release(NativeHttpConnection* conn) {
    if (--conn->refCount > 0) return;
    closeHandles(conn);
    if (conn->url) conn->url->release();
    if (conn->method) conn->method->release();
    if (conn->contentType) conn->contentType->release();
    freeEntries(conn->requestHeaders);
    freeEntries(conn->responseHeaders);
    for (uint8_t* chunk : conn->bodyChunks) HAL_freeNative(chunk);
    HAL_freeNative(conn->readBuffer);
    delete conn;
}

// A blocking operation's own hold, so that a close from another thread
// while the VM lock is given up cannot free the record under it.
struct Hold {
    NativeHttpConnection* conn;
    explicit Hold(NativeHttpConnection* c) : conn(c) { retain(conn); }
    ~Hold() { release(conn); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
};

NativeString* substring(const NativeHttpConnection* conn, jint begin, jint end) {
    return NativeString::substringOf(*conn->url, begin, end);
}

// Zero-terminated units of [begin, end) of the URL.
std::u16string urlText(const NativeHttpConnection* conn, jint begin, jint end) {
    const jchar* s = conn->url->buffer();
    if (!s || end <= begin) return std::u16string();
    return std::u16string(s + begin, size_t(end - begin));
}

// --- the response -----------------------------------------------------------------

bool queryNumber(ce::HINTERNET request, ce::DWORD level, ce::DWORD* out) {
    ce::DWORD size = sizeof *out;
    return ce::HttpQueryInfoW(request, level | ce::HTTP_QUERY_FLAG_NUMBER, out, &size, nullptr);
}

// The text of one response part, or false.
bool queryText(ce::HINTERNET request, ce::DWORD level, std::u16string& out) {
    ce::DWORD size = 0;
    if (ce::HttpQueryInfoW(request, level, nullptr, &size, nullptr)) {
        out.clear();
        return true;
    }
    if (ce::GetLastError() != ce::ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
    ce::DWORD capacity = ce::DWORD(buffer.size() * sizeof(char16_t));
    if (!ce::HttpQueryInfoW(request, level, buffer.data(), &capacity, nullptr)) return false;
    buffer.resize(capacity / sizeof(char16_t));
    out = buffer;
    return true;
}

// Keeps what the response says once it has come: the header lines, the
// status code, the length and the type stay readable after the request
// handle is closed.
void takeResponse(NativeHttpConnection* conn) {
    ce::HINTERNET request = conn->requestHandle;
    std::u16string raw;
    if (queryText(request, ce::HTTP_QUERY_RAW_HEADERS_CRLF, raw)) {
        HttpHeaders_split(raw.data(), raw.size(),
                          [conn](const jchar* key, size_t keyLength, const jchar* value,
                                 size_t valueLength) {
                              HeaderEntry e;
                              e.key = key ? NativeString::fromChars(key, jint(keyLength)) : nullptr;
                              e.value = NativeString::fromChars(value, jint(valueLength));
                              if ((key && !e.key) || !e.value) {
                                  if (e.key) e.key->release();
                                  if (e.value) e.value->release();
                                  return;
                              }
                              conn->responseHeaders.push_back(e);
                          });
    }
    ce::DWORD number = 0;
    if (queryNumber(request, ce::HTTP_QUERY_STATUS_CODE, &number)) conn->statusCode = jint(number);
    if (queryNumber(request, ce::HTTP_QUERY_CONTENT_LENGTH, &number))
        conn->contentLength = jlong(number);
    std::u16string type;
    if (queryText(request, ce::HTTP_QUERY_CONTENT_TYPE, type))
        conn->contentType = NativeString::fromChars(type.data(), jint(type.size()));
}

// Sends the request once: opens it with the method and the URL's path and
// query, adds the request properties, joins the body chunks and sends, with
// the VM lock given up. Later calls answer the first one's status: 0, 7
// (no server connection, the request or a header refused, closed) or 4 (the
// send failed). The caller holds the record.
int32_t sendRequest(NativeHttpConnection* conn) {
    waitWhileSet(conn->busy);
    if (conn->sent) return conn->sendStatus;
    conn->sent = true;
    conn->sendStatus = HAL_IO_ERROR;
    if (conn->closed || !conn->connectHandle) return HAL_IO_ERROR;

    std::u16string target = urlText(conn, conn->parts.pathBegin,
                                     conn->parts.hasQuery ? conn->parts.queryEnd : conn->parts.pathEnd);
    if (target.empty() || target[0] != u'/') target.insert(target.begin(), u'/');
    std::u16string verb;
    if (conn->method && conn->method->buffer())
        verb.assign(conn->method->buffer(), size_t(conn->method->length()));
    // Redirects are followed by the service: the response seen is the last one.
    ce::DWORD flags = conn->parts.secure ? ce::DWORD(ce::INTERNET_FLAG_SECURE) : 0;
    ce::HINTERNET request = ce::HttpOpenRequestW(conn->connectHandle,
                                                 conn->method ? verb.c_str() : nullptr,
                                                 target.c_str(), nullptr, u"", nullptr, flags, 0);
    if (!request) {
        conn->lastError = ce::GetLastError();
        return HAL_IO_ERROR;
    }
    conn->requestHandle = request;

    for (size_t i = conn->requestHeaders.size(); i-- > 0;) {
        const HeaderEntry& e = conn->requestHeaders[i];
        std::u16string line;
        if (e.key && e.key->buffer()) {
            line.assign(e.key->buffer(), size_t(e.key->length()));
            line += u": ";
        }
        if (e.value && e.value->buffer()) line.append(e.value->buffer(), size_t(e.value->length()));
        if (!ce::HttpAddRequestHeadersW(request, line.c_str(), ce::DWORD(line.size()),
                                        ce::HTTP_ADDREQ_FLAG_ADD | ce::HTTP_ADDREQ_FLAG_REPLACE)) {
            conn->lastError = ce::GetLastError();
            return HAL_IO_ERROR;
        }
    }

    size_t total = 0;
    for (jint length : conn->bodyLengths) total += size_t(length);
    if (total > 0xFFFFFFFFu) return HAL_IO_ERROR;
    uint8_t* body = nullptr;
    if (total > 0) {
        body = static_cast<uint8_t*>(HAL_allocNative(total));
        if (!body) {
            conn->sendStatus = HAL_OUT_OF_MEMORY;
            return HAL_OUT_OF_MEMORY;
        }
        size_t at = 0;
        for (size_t i = 0; i < conn->bodyChunks.size(); ++i) {
            std::memcpy(body + at, conn->bodyChunks[i], size_t(conn->bodyLengths[i]));
            at += size_t(conn->bodyLengths[i]);
        }
    }

    setFlag(conn->busy, true);
    ce::DWORD error = 0;
    ce::BOOL ok = outsideVMLock([&] {
        ce::BOOL done = ce::HttpSendRequestW(request, nullptr, 0, body, ce::DWORD(total));
        if (!done) error = ce::GetLastError();
        return done;
    });
    setFlag(conn->busy, false);
    HAL_freeNative(body);
    if (!ok) {
        conn->lastError = error;
        conn->sendStatus = HAL_NOT_FOUND;
        return HAL_NOT_FOUND;
    }
    // Closed meanwhile from another thread: the response is not wanted.
    if (conn->closed || conn->requestHandle != request) return HAL_IO_ERROR;
    takeResponse(conn);
    conn->sendStatus = HAL_OK;
    return HAL_OK;
}

const HeaderEntry* findField(const std::vector<HeaderEntry>& list, const jchar* key,
                             jint keyLength) {
    for (size_t i = 1; i < list.size(); ++i) {
        const HeaderEntry& e = list[i];
        if (e.key && e.key->length() == keyLength &&
            (keyLength == 0 || sameIgnoringAsciiCase(e.key->buffer(), key, size_t(keyLength))))
            return &e;
    }
    return nullptr;
}

NativeString* copyOrNull(const NativeString* s) { return s ? NativeString::copyOf(*s) : nullptr; }

bool keysEqual(const NativeString* a, const jchar* key, jint keyLength) {
    if (!a || !key) return !a && !key;
    return a->length() == keyLength &&
           (keyLength == 0 || std::memcmp(a->buffer(), key, size_t(keyLength) * sizeof(jchar)) == 0);
}

}  // namespace

// --- header splitting -----------------------------------------------------------------

void HttpHeaders_split(const jchar* text, size_t length, const HttpHeaderLineSink& sink) {
    if (!text) return;
    size_t at = 0;
    bool first = true;
    while (at < length) {
        size_t end = at;
        while (end < length && text[end] != u'\r' && text[end] != u'\n') ++end;
        // A line must be ended: what follows the last line break is cut off.
        if (end >= length) break;
        if (end == at) break;  // the empty line that ends the headers
        const jchar* line = text + at;
        size_t n = end - at;
        size_t colon = n;
        if (!first)
            for (size_t i = 0; i < n; ++i)
                if (line[i] == u':') {
                    colon = i;
                    break;
                }
        if (colon == n) {
            sink(nullptr, 0, line, n);
        } else {
            size_t v = colon + 1;
            while (v < n && (line[v] == u' ' || line[v] == u'\t')) ++v;
            sink(line, colon, line + v, n - v);
        }
        first = false;
        at = end + 1;
        if (text[end] == u'\r' && at < length && text[at] == u'\n') ++at;
    }
}

// --- operations -------------------------------------------------------------------------

int32_t HAL_createHTTPConnection(NativeHttpConnection** out, const jchar* chars, jint count) {
    if (!out || count < 0 || (!chars && count > 0)) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    auto* conn = new (std::nothrow) NativeHttpConnection;
    if (!conn) return HAL_OUT_OF_MEMORY;
    conn->url = NativeString::fromChars(chars, count);
    if (!conn->url) {
        delete conn;
        return HAL_OUT_OF_MEMORY;
    }
    conn->parts = parseUrl(conn->url->buffer() ? conn->url->buffer() : u"", conn->url->length());
    Hold hold(conn);
    if (conn->parts.portValid) {
        ce::HINTERNET s = openSession();
        if (s) {
            std::u16string host = urlText(conn, conn->parts.hostBegin, conn->parts.hostEnd);
            // An IPv6 literal goes to the service without its brackets.
            if (host.size() >= 2 && host.front() == u'[' && host.back() == u']')
                host = host.substr(1, host.size() - 2);
            ce::INTERNET_PORT port = ce::INTERNET_PORT(conn->parts.port);
            ce::DWORD error = 0;
            ce::HINTERNET connect = outsideVMLock([&] {
                ce::HINTERNET h = ce::InternetConnectW(s, host.c_str(), port, u"", nullptr,
                                                       ce::INTERNET_SERVICE_HTTP, 0, 0);
                if (!h) error = ce::GetLastError();
                return h;
            });
            if (!connect) conn->lastError = error;
            // A close cannot have come yet: nobody else knows the record.
            conn->connectHandle = connect;
        }
    }
    // The record's first reference, made with it, is the caller's.
    *out = conn;
    return HAL_OK;
}

int32_t HAL_deleteHTTPConnection(NativeHttpConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    closeHandles(conn);
    conn->closed = true;
    release(conn);
    return HAL_OK;
}

int32_t HAL_retainHTTPConnection(NativeHttpConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    retain(conn);
    return HAL_OK;
}

int32_t HAL_releaseHTTPConnection(NativeHttpConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    release(conn);
    return HAL_OK;
}

int32_t HAL_closeHTTPInputStream(NativeHttpConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    closeHandles(conn);
    return HAL_OK;
}

int32_t HAL_getHTTPURL(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = NativeString::copyOf(*conn->url);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPHost(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = substring(conn, conn->parts.hostBegin, conn->parts.hostEnd);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPPort(NativeHttpConnection* conn, jint* out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = conn->parts.port;
    return HAL_OK;
}

int32_t HAL_getHTTPFile(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    if (conn->parts.pathEnd <= conn->parts.pathBegin) return HAL_OK;
    *out = substring(conn, conn->parts.pathBegin, conn->parts.pathEnd);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPQuery(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    if (!conn->parts.hasQuery) return HAL_OK;
    *out = substring(conn, conn->parts.queryBegin, conn->parts.queryEnd);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPRef(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    if (!conn->parts.hasRef) return HAL_OK;
    *out = substring(conn, conn->parts.refBegin, conn->url->length());
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPRequestMethod(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = conn->method ? NativeString::copyOf(*conn->method) : NativeString::fromCString(u"GET");
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_setHTTPRequestMethod(NativeHttpConnection* conn, const jchar* chars, jint count) {
    if (!conn || !chars || count < 0) return HAL_BAD_ARGUMENT;
    NativeString* method = NativeString::fromChars(chars, count);
    if (!method) return HAL_OUT_OF_MEMORY;
    if (conn->method) conn->method->release();
    conn->method = method;
    return HAL_OK;
}

int32_t HAL_setHTTPRequestProperty(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                                   const jchar* value, jint valueCount) {
    if (!conn || keyCount < 0 || valueCount < 0 || (!key && keyCount > 0) ||
        (!value && valueCount > 0))
        return HAL_BAD_ARGUMENT;
    HeaderEntry e;
    e.key = key ? NativeString::fromChars(key, keyCount) : nullptr;
    e.value = NativeString::fromChars(value, valueCount);
    if ((key && !e.key) || !e.value) {
        if (e.key) e.key->release();
        if (e.value) e.value->release();
        return HAL_IO_ERROR;
    }
    if (key) {
        for (HeaderEntry& old : conn->requestHeaders) {
            if (old.key && keysEqual(old.key, key, keyCount)) {
                old.key->release();
                old.value->release();
                old = e;
                return HAL_OK;
            }
        }
    }
    conn->requestHeaders.push_back(e);
    return HAL_OK;
}

int32_t HAL_getHTTPRequestProperty(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                                   NativeString** out) {
    if (!conn || !out || keyCount < 0 || (!key && keyCount > 0)) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    for (const HeaderEntry& e : conn->requestHeaders) {
        if (e.key && keysEqual(e.key, key ? key : u"", keyCount)) {
            *out = NativeString::copyOf(*e.value);
            return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
        }
    }
    return HAL_OK;
}

int32_t HAL_writeHTTPConnection(NativeHttpConnection* conn, const uint8_t* bytes, jint count) {
    if (!conn || count < 0 || (!bytes && count > 0)) return HAL_BAD_ARGUMENT;
    if (conn->closed) return HAL_IO_ERROR;
    auto* chunk = static_cast<uint8_t*>(HAL_allocNative(size_t(count)));
    if (!chunk) return HAL_OUT_OF_MEMORY;
    if (count > 0) std::memcpy(chunk, bytes, size_t(count));
    conn->bodyChunks.push_back(chunk);
    conn->bodyLengths.push_back(count);
    return HAL_OK;
}

int32_t HAL_flushHTTPConnection(NativeHttpConnection* conn) {
    return conn ? HAL_OK : HAL_BAD_ARGUMENT;
}

int32_t HAL_readHTTPConnection(NativeHttpConnection* conn, const uint8_t** buffer, jint* count) {
    if (!conn || !buffer || !count) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *count = -1;
    if (sendRequest(conn) != HAL_OK) return HAL_IO_ERROR;
    waitWhileSet(conn->busy);
    ce::HINTERNET request = conn->requestHandle;
    if (conn->closed || !request) return HAL_IO_ERROR;
    if (!conn->readBuffer) {
        conn->readBuffer = static_cast<uint8_t*>(HAL_allocNative(kReadBufferSize));
        if (!conn->readBuffer) return HAL_OUT_OF_MEMORY;
    }
    // The network writes into a buffer of this thread's own; the record's
    // buffer, which other holders may be reading, changes only under the
    // VM lock.
    uint8_t incoming[kReadBufferSize];
    ce::DWORD got = 0;
    ce::DWORD error = 0;
    setFlag(conn->busy, true);
    ce::BOOL ok = outsideVMLock([&] {
        ce::BOOL done = ce::InternetReadFile(request, incoming, kReadBufferSize, &got);
        if (!done) error = ce::GetLastError();
        return done;
    });
    setFlag(conn->busy, false);
    if (!ok) {
        conn->lastError = error;
        return HAL_IO_ERROR;
    }
    if (conn->closed || conn->requestHandle != request || got > ce::DWORD(kReadBufferSize))
        return HAL_IO_ERROR;
    if (got == 0) {
        *count = 0;
        return HAL_END_OF_DATA;
    }
    std::memcpy(conn->readBuffer, incoming, got);
    *buffer = conn->readBuffer;
    *count = jint(got);
    return HAL_OK;
}

int32_t HAL_getHTTPResponseCode(NativeHttpConnection* conn, jint* out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = sendRequest(conn) == HAL_OK ? conn->statusCode : -1;
    return HAL_OK;
}

int32_t HAL_getHTTPLength(NativeHttpConnection* conn, jlong* out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = sendRequest(conn) == HAL_OK ? conn->contentLength : -1;
    return HAL_OK;
}

int32_t HAL_getHTTPType(NativeHttpConnection* conn, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = nullptr;
    if (sendRequest(conn) == HAL_OK) *out = copyOrNull(conn->contentType);
    return HAL_OK;
}

int32_t HAL_getHTTPResponseMessage(NativeHttpConnection* conn, NativeString** out) {
    return HAL_getHTTPHeaderFieldByIndex(conn, 0, out);
}

int32_t HAL_getHTTPHeaderField(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                               NativeString** out) {
    if (!conn || !out || keyCount < 0 || (!key && keyCount > 0)) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = nullptr;
    sendRequest(conn);
    const HeaderEntry* e = findField(conn->responseHeaders, key, keyCount);
    if (!e) return HAL_NOT_FOUND;
    *out = NativeString::copyOf(*e->value);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPHeaderFieldByIndex(NativeHttpConnection* conn, jint index, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = nullptr;
    sendRequest(conn);
    if (index < 0 || size_t(index) >= conn->responseHeaders.size()) return HAL_NOT_FOUND;
    *out = NativeString::copyOf(*conn->responseHeaders[size_t(index)].value);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPHeaderFieldKey(NativeHttpConnection* conn, jint index, NativeString** out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    Hold hold(conn);
    *out = nullptr;
    sendRequest(conn);
    if (index < 0 || size_t(index) >= conn->responseHeaders.size()) return HAL_NOT_FOUND;
    const NativeString* key = conn->responseHeaders[size_t(index)].key;
    if (!key) return HAL_OK;
    *out = NativeString::copyOf(*key);
    return *out ? HAL_OK : HAL_OUT_OF_MEMORY;
}

int32_t HAL_getHTTPEncoding(NativeHttpConnection* conn, NativeString** out) {
    static const char16_t name[] = u"Transfer-Encoding";
    return HAL_getHTTPHeaderField(conn, name, jint(sizeof name / sizeof name[0] - 1), out);
}

void HttpSession_close() {
    ce::HINTERNET s;
    {
        std::lock_guard<std::mutex> g(sessionMutex);
        s = session;
        session = nullptr;
    }
    if (s) ce::InternetCloseHandle(s);
}
