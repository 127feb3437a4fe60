#include "ce_wininet.h"

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ce_text.h"
#include "ce_window.h"

namespace ce {

namespace {

// The most body bytes held for the reader: a delivery from libcurl that
// would go past it pauses the transfer, and libcurl keeps that delivery
// until the reader has made room (libcurl then reads no more from the
// server).
constexpr size_t kBodyBufferLimit = 64 * 1024;
// Redirects followed for one request before it fails.
constexpr long kMaxRedirects = 10;
// A server that has not taken the connection (TLS handshake included) by
// then is not going to.
constexpr long kConnectTimeoutMs = 30 * 1000;
// A transfer that moves fewer bytes a second than this for kStallSeconds
// while the caller waits on it has stalled, and fails. The time a paused
// transfer waits for the reader does not count.
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 60;

struct Timeouts {
    long connectMs = kConnectTimeoutMs;
    long stallSeconds = kStallSeconds;
};

// The TLS library keeps state for each thread that uses it (its error queue,
// its random generators) and frees it as the thread ends, unless its own
// clean-up at exit has come first: then nothing frees it, and a transfer
// thread still ending as the program exits leaves it behind. So each call
// that may have used the library lets go of the calling thread's state as it
// returns, before the thread can end; the next call that needs it makes it
// again. Declared first in a call, so that it runs last, after the call has
// let go of its request (which may be the request's end).
struct TlsThreadStateRelease {
    TlsThreadStateRelease() = default;
    TlsThreadStateRelease(const TlsThreadStateRelease&) = delete;
    TlsThreadStateRelease& operator=(const TlsThreadStateRelease&) = delete;
    ~TlsThreadStateRelease() { OPENSSL_thread_stop(); }
};

enum class Kind { Session, Connect, Request };

struct Handle {
    explicit Handle(Kind k) : kind(k) {}
    virtual ~Handle() = default;
    const Kind kind;
};

struct Session : Handle {
    Session() : Handle(Kind::Session) {}
    bool hasAgent = false;
    std::string agent;
    bool direct = false;
};

struct Connect : Handle {
    Connect() : Handle(Kind::Connect) {}
    std::shared_ptr<Session> session;
    std::string host;  // as it goes into a URL (an IPv6 address in brackets)
    INTERNET_PORT port = 0;
};

struct HeaderLine {
    std::string name;
    std::string value;
};

struct Request : Handle {
    Request() : Handle(Kind::Request) {}
    ~Request() override {
        // The transfer's end (a TLS connection shut down) may be the last
        // holder's, on any thread.
        TlsThreadStateRelease release;
        if (multi && easy && added) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        if (headerList) curl_slist_free_all(headerList);
    }

    std::shared_ptr<Connect> connect;
    // Made with the request and never replaced, so that a close on another
    // thread can wake a blocked call through curl_multi_wakeup.
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    std::atomic<bool> cancelled{false};

    // Everything below is used under `mutex` only (libcurl's callbacks run
    // inside calls that hold it).
    std::mutex mutex;
    std::string method;
    std::string target;
    bool secure = false;
    bool followRedirects = true;
    bool http10 = false;
    std::vector<HeaderLine> headers;

    enum class State { Open, Failed, Sent } state = State::Open;
    bool added = false;
    curl_slist* headerList = nullptr;
    std::string url;
    std::string body;
    std::string caFile;
    Timeouts timeouts;
    std::string sentHeaders;  // the last request's header block as sent

    // The response being received: status line first, then its header lines.
    std::vector<std::string> responseLines;
    std::string partialLine;
    int status = 0;
    bool hasLocation = false;
    bool headersFinal = false;

    std::string bodyBuffer;
    size_t bodyStart = 0;
    bool paused = false;
    size_t heldBack = 0;  // the size of the delivery that paused the transfer
    bool done = false;
    CURLcode result = CURLE_OK;

    size_t buffered() const { return bodyBuffer.size() - bodyStart; }
};

// --- handles ----------------------------------------------------------------

std::mutex registryMutex;
std::unordered_map<uintptr_t, std::shared_ptr<Handle>>& registry() {
    static auto* handles = new std::unordered_map<uintptr_t, std::shared_ptr<Handle>>();
    return *handles;
}
uintptr_t lastHandleId = 0;

std::mutex caMutex;
std::string& testCaFile() {
    static auto* path = new std::string();
    return *path;
}
Timeouts testTimeouts;  // under caMutex

HINTERNET registerHandle(std::shared_ptr<Handle> handle) {
    std::lock_guard<std::mutex> g(registryMutex);
    uintptr_t id = ++lastHandleId;
    registry().emplace(id, std::move(handle));
    return reinterpret_cast<HINTERNET>(id);
}

template <typename T>
std::shared_ptr<T> lookUp(HINTERNET handle, Kind kind) {
    std::shared_ptr<Handle> found;
    {
        std::lock_guard<std::mutex> g(registryMutex);
        auto it = registry().find(reinterpret_cast<uintptr_t>(handle));
        if (it != registry().end()) found = it->second;
    }
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (found->kind != kind) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(found);
}

// The result of libcurl's set-up as the program loaded. When it failed, no
// session opens: libcurl would try the set-up again itself on the first
// request's thread and fail that request as if memory had run out.
std::atomic<CURLcode> setUpResult{CURLE_OK};
std::atomic<bool> setUpFailureTold{false};

// libcurl is set up as the program is loaded, while its first thread is the
// only one, as a platform library is on the device. Setting it up starts the
// TLS library, which keeps an error queue for the thread doing it. Left to
// the first session, that thread was a transfer thread; one still closing
// its transfer as the process exits ends after the TLS library's own
// clean-up at exit has let go of its per-thread state, and the queue is
// never freed. The first thread's is freed by that clean-up.
[[maybe_unused]] const bool curlSetUpAtLoad =
    (setUpResult = curl_global_init(CURL_GLOBAL_DEFAULT), true);

// Whether libcurl was set up. When not, the thread's last error says so and
// standard error, once, says why in libcurl's words.
bool clientSetUp() {
    const CURLcode code = setUpResult.load();
    if (code == CURLE_OK) return true;
    if (!setUpFailureTold.exchange(true)) {
        std::fprintf(stderr, "wren: the internet client could not be set up: %s\n",
                     curl_easy_strerror(code));
    }
    SetLastError(ERROR_INTERNET_NOT_INITIALIZED);
    return false;
}

// --- text -------------------------------------------------------------------

size_t length16(LPCWSTR text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

std::u16string text16(LPCWSTR text) {
    return text ? std::u16string(text) : std::u16string();
}

std::string utf8(LPCWSTR text) {
    return toUtf8(text16(text));
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool isTokenChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != 0;
}

// The request target as it may go on the wire: no fragment, a leading '/',
// and every byte that may not appear in it percent-encoded.
std::string requestTarget(LPCWSTR objectName) {
    std::u16string name = text16(objectName);
    size_t hash = name.find(u'#');
    if (hash != std::u16string::npos) name.resize(hash);
    std::string bytes = toUtf8(name);
    std::string out;
    if (bytes.empty() || bytes[0] != '/') out += '/';
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

// Splits header text into lines and checks each: "Name: value", a token
// for a name, no control character but tab in the value.
bool parseHeaderText(LPCWSTR text, DWORD length, std::vector<HeaderLine>* out) {
    std::u16string all = length == DWORD(-1) ? text16(text) : std::u16string(text, length);
    std::string bytes = toUtf8(all);
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end;
        if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
        if (line.empty()) continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return false;
        std::string name = line.substr(0, colon);
        for (unsigned char c : name) {
            if (!isTokenChar(c)) return false;
        }
        std::string value = trim(line.substr(colon + 1));
        for (unsigned char c : value) {
            if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
        }
        out->push_back({name, value});
    }
    return true;
}

bool addHeaders(Request& r, const std::vector<HeaderLine>& lines, DWORD modifiers) {
    const DWORD known =
        HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE | HTTP_ADDREQ_FLAG_ADD_IF_NEW;
    if (modifiers & ~known) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (modifiers == 0) modifiers = HTTP_ADDREQ_FLAG_ADD;
    // All lines are checked before any is applied, so a failure adds nothing.
    std::vector<HeaderLine> headers = r.headers;
    for (const HeaderLine& line : lines) {
        auto existing = headers.end();
        for (auto it = headers.begin(); it != headers.end(); ++it) {
            if (equalsIgnoringCase(it->name, line.name)) {
                existing = it;
                break;
            }
        }
        if (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
            if (existing != headers.end()) {
                SetLastError(ERROR_HTTP_HEADER_ALREADY_EXISTS);
                return false;
            }
            headers.push_back(line);
        } else if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
            if (existing == headers.end()) {
                if (!(modifiers & HTTP_ADDREQ_FLAG_ADD)) {
                    SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
                    return false;
                }
                if (!line.value.empty()) headers.push_back(line);
            } else if (line.value.empty()) {
                headers.erase(existing);
            } else {
                *existing = line;
            }
        } else {
            headers.push_back(line);
        }
    }
    r.headers = std::move(headers);
    return true;
}

// Header text from the caller, checked, then added with `modifiers`; false
// with the thread's last error set when any of it is refused.
bool addHeaderText(Request& r, LPCWSTR text, DWORD length, DWORD modifiers) {
    std::vector<HeaderLine> lines;
    if (!parseHeaderText(text, length, &lines)) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return false;
    }
    return addHeaders(r, lines, modifiers);
}

// Whether the request is in the state the call needs; the thread's last
// error says so when not.
bool inState(const Request& r, Request::State state) {
    if (r.state == state) return true;
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return false;
}

// --- the transfer -----------------------------------------------------------

DWORD errorFor(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_INTERNET_TIMEOUT;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return ERROR_INTERNET_SEC_CERT_ERRORS;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ENGINE_INITFAILED:
            return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            return ERROR_INTERNET_CONNECTION_RESET;
        case CURLE_PARTIAL_FILE:
            return ERROR_INTERNET_CONNECTION_ABORTED;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_BAD_CONTENT_ENCODING:
            return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_TOO_MANY_REDIRECTS:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ERROR_HTTP_REDIRECT_FAILED;
        case CURLE_URL_MALFORMAT:
            return ERROR_INTERNET_INVALID_URL;
        case CURLE_OUT_OF_MEMORY:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t n = size * count;
    if (r.headersFinal) return n;  // trailers of a chunked body: not the caller's headers
    r.partialLine.append(data, n);
    size_t eol;
    while ((eol = r.partialLine.find('\n')) != std::string::npos) {
        std::string line = r.partialLine.substr(0, eol);
        r.partialLine.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 5, "HTTP/") == 0) {
            // A new response: an interim one or a redirect came before.
            r.responseLines.assign(1, line);
            r.hasLocation = false;
            size_t sp = line.find(' ');
            r.status = sp == std::string::npos ? 0 : std::atoi(line.c_str() + sp + 1);
        } else if (line.empty()) {
            bool interim = r.status >= 100 && r.status < 200;
            bool followed = r.followRedirects && r.hasLocation && r.status >= 300 &&
                            r.status < 400 && r.status != 304;
            if (!r.responseLines.empty() && !interim && !followed) r.headersFinal = true;
        } else if (!r.responseLines.empty()) {
            size_t colon = line.find(':');
            if (colon != std::string::npos &&
                equalsIgnoringCase(line.substr(0, colon), "Location")) {
                r.hasLocation = true;
            }
            r.responseLines.push_back(line);
        }
    }
    return n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    // Body bytes belong to the response whose headers came last, whatever
    // its status said about redirects.
    r.headersFinal = true;
    const size_t n = size * count;
    // An empty buffer takes any delivery, so that the transfer always moves.
    if (r.buffered() > 0 && r.buffered() + n > kBodyBufferLimit) {
        r.paused = true;
        r.heldBack = n;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (r.bodyStart > 0 && r.bodyStart >= r.bodyBuffer.size() / 2) {
        r.bodyBuffer.erase(0, r.bodyStart);
        r.bodyStart = 0;
    }
    r.bodyBuffer.append(data, n);
    return n;
}

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto& r = *static_cast<Request*>(user);
    if (type == CURLINFO_HEADER_OUT) r.sentHeaders.assign(data, size);
    return 0;
}

void takeMessages(Request& r) {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(r.multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == r.easy) {
            r.done = true;
            r.result = message->data.result;
        }
    }
}

// Runs the transfer until `ready` holds or it ends. False when the handle
// was closed meanwhile.
template <typename Ready>
bool pump(Request& r, Ready ready) {
    while (!ready() && !r.done) {
        if (r.cancelled) return false;
        int running = 0;
        CURLMcode code = curl_multi_perform(r.multi, &running);
        if (code != CURLM_OK) {
            r.done = true;
            r.result = code == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
            break;
        }
        takeMessages(r);
        if (ready() || r.done) break;
        if (r.cancelled) return false;
        curl_multi_poll(r.multi, nullptr, 0, 1000, nullptr);
    }
    return !r.cancelled;
}

std::string composedRequestHeaders(const Request& r) {
    std::string out = r.method + " " + r.target + (r.http10 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
    for (const HeaderLine& h : r.headers) out += h.name + ": " + h.value + "\r\n";
    out += "\r\n";
    return out;
}

bool hasHeader(const Request& r, const char* name) {
    for (const HeaderLine& h : r.headers) {
        if (equalsIgnoringCase(h.name, name)) return true;
    }
    return false;
}

bool setUp(Request& r) {
    const Connect& c = *r.connect;
    const Session& s = *c.session;
    INTERNET_PORT port = c.port;
    if (port == INTERNET_INVALID_PORT_NUMBER) {
        port = r.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    }
    r.url = std::string(r.secure ? "https://" : "http://") + c.host + ":" + std::to_string(port) +
            r.target;

    // The body's framing is libcurl's (it knows the length): a caller's
    // Content-Length or Transfer-Encoding could only contradict it.
    for (const HeaderLine& h : r.headers) {
        if (equalsIgnoringCase(h.name, "Content-Length") ||
            equalsIgnoringCase(h.name, "Transfer-Encoding")) {
            continue;
        }
        std::string line = h.value.empty() ? h.name + ";" : h.name + ": " + h.value;
        r.headerList = curl_slist_append(r.headerList, line.c_str());
    }
    // Nothing the caller did not ask for, beside Host, User-Agent and the
    // body's length.
    for (const char* name : {"Accept", "Content-Type", "Expect"}) {
        if (!hasHeader(r, name)) {
            r.headerList = curl_slist_append(r.headerList, (std::string(name) + ":").c_str());
        }
    }

    CURL* e = r.easy;
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(e, CURLOPT_URL, r.url.c_str()));
    set(curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https"));
    // A secure request stays secure: no redirect takes it to plain text.
    set(curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, r.secure ? "https" : "http,https"));
    set(curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L));
    set(curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                         r.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    set(curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    set(curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, r.followRedirects ? 1L : 0L));
    set(curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects));
    set(curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, r.timeouts.connectMs));
    set(curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond));
    set(curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, r.timeouts.stallSeconds));
    set(curl_easy_setopt(e, CURLOPT_HTTPHEADER, r.headerList));
    if (s.hasAgent) set(curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str()));
    if (s.direct) set(curl_easy_setopt(e, CURLOPT_PROXY, ""));
    if (!r.caFile.empty()) {
        set(curl_easy_setopt(e, CURLOPT_CAINFO, r.caFile.c_str()));
        set(curl_easy_setopt(e, CURLOPT_CAPATH, nullptr));
    }

    if (r.method == "HEAD") {
        set(curl_easy_setopt(e, CURLOPT_NOBODY, 1L));
    } else if (r.method == "POST" || !r.body.empty()) {
        set(curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(r.body.size())));
        set(curl_easy_setopt(e, CURLOPT_POSTFIELDS, r.body.data()));
        if (r.method != "POST") set(curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.method.c_str()));
    } else if (r.method != "GET") {
        set(curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.method.c_str()));
    }

    set(curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader));
    set(curl_easy_setopt(e, CURLOPT_HEADERDATA, &r));
    set(curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody));
    set(curl_easy_setopt(e, CURLOPT_WRITEDATA, &r));
    set(curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, onDebug));
    set(curl_easy_setopt(e, CURLOPT_DEBUGDATA, &r));
    set(curl_easy_setopt(e, CURLOPT_VERBOSE, 1L));
    return ok;
}

// --- replies ----------------------------------------------------------------

BOOL replyText(const std::string& value, LPVOID buffer, LPDWORD bufferLength) {
    std::u16string text = toUtf16(value);
    const DWORD needed = DWORD((text.size() + 1) * sizeof(char16_t));
    if (!buffer || *bufferLength < needed) {
        *bufferLength = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = needed - DWORD(sizeof(char16_t));
    return TRUE;
}

BOOL replyNumber(const std::string& value, LPVOID buffer, LPDWORD bufferLength) {
    std::string digits = trim(value);
    uint64_t n = 0;
    bool valid = !digits.empty() && digits.size() <= 10;
    for (char c : digits) {
        if (c < '0' || c > '9') valid = false;
        n = n * 10 + uint64_t(c - '0');
    }
    if (!valid || n > 0xFFFFFFFFu) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return FALSE;
    }
    if (!buffer || *bufferLength < sizeof(DWORD)) {
        *bufferLength = sizeof(DWORD);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const DWORD number = DWORD(n);
    std::memcpy(buffer, &number, sizeof number);
    *bufferLength = sizeof number;
    return TRUE;
}

// --- URLs -------------------------------------------------------------------

bool putPart(const char16_t* begin, size_t length, LPWSTR* pointer, DWORD* partLength) {
    if (!*pointer) {
        if (*partLength) {
            *pointer = const_cast<LPWSTR>(begin);
            *partLength = DWORD(length);
        }
        return true;
    }
    if (*partLength < length + 1) {
        *partLength = DWORD(length + 1);
        return false;
    }
    std::memcpy(*pointer, begin, length * sizeof(char16_t));
    (*pointer)[length] = 0;
    *partLength = DWORD(length);
    return true;
}

}  // namespace

DWORD InternetAttemptConnect(DWORD) {
    return ERROR_SUCCESS;
}

HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass,
                        DWORD flags) {
    if ((accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT) ||
        proxy || proxyBypass || flags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!clientSetUp()) return nullptr;
    auto session = std::make_shared<Session>();
    session->hasAgent = agent != nullptr;
    session->agent = utf8(agent);
    // An agent string with a line break would end the header early.
    for (unsigned char c : session->agent) {
        if (c < 0x20 && c != '\t') {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    session->direct = accessType == INTERNET_OPEN_TYPE_DIRECT;
    return registerHandle(std::move(session));
}

HINTERNET InternetConnectW(HINTERNET sessionHandle, LPCWSTR serverName, INTERNET_PORT port,
                           LPCWSTR userName, LPCWSTR password, DWORD service, DWORD flags,
                           DWORD_PTR) {
    auto session = lookUp<Session>(sessionHandle, Kind::Session);
    if (!session) return nullptr;
    if (service != INTERNET_SERVICE_HTTP || flags || (userName && userName[0]) ||
        (password && password[0]) || !serverName || !serverName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string host = utf8(serverName);
    for (unsigned char c : host) {
        if (c <= 0x20 || c == 0x7F || std::strchr("/?#@\\", c) != nullptr) {
            SetLastError(ERROR_INTERNET_INVALID_URL);
            return nullptr;
        }
    }
    if (host.find(':') != std::string::npos && host[0] != '[') host = "[" + host + "]";
    auto connect = std::make_shared<Connect>();
    connect->session = std::move(session);
    connect->host = std::move(host);
    connect->port = port;
    return registerHandle(std::move(connect));
}

BOOL InternetCrackUrlW(LPCWSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSW* parts) {
    if (!url || !parts || flags || parts->dwStructSize != sizeof(URL_COMPONENTSW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const size_t n = urlLength ? urlLength : length16(url);
    const std::u16string_view s(url, n);

    const size_t schemeEnd = s.find(u"://");
    if (schemeEnd == std::u16string_view::npos || schemeEnd == 0) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return FALSE;
    }
    std::string scheme;
    for (size_t i = 0; i < schemeEnd; ++i) {
        char16_t c = s[i];
        bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && !(i > 0 && other)) {
            SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
            return FALSE;
        }
        scheme += char(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
    }
    INTERNET_SCHEME kind = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT defaultPort = 0;
    if (scheme == "http") {
        kind = INTERNET_SCHEME_HTTP;
        defaultPort = INTERNET_DEFAULT_HTTP_PORT;
    } else if (scheme == "https") {
        kind = INTERNET_SCHEME_HTTPS;
        defaultPort = INTERNET_DEFAULT_HTTPS_PORT;
    }

    const size_t authorityStart = schemeEnd + 3;
    size_t authorityEnd = s.find_first_of(u"/?#", authorityStart);
    if (authorityEnd == std::u16string_view::npos) authorityEnd = n;

    size_t hostStart = authorityStart;
    size_t userEnd = authorityStart, passwordStart = authorityStart, passwordEnd = authorityStart;
    const size_t at = s.substr(0, authorityEnd).rfind(u'@');
    if (at != std::u16string_view::npos && at >= authorityStart) {
        hostStart = at + 1;
        const size_t colon = s.substr(0, at).find(u':', authorityStart);
        userEnd = colon == std::u16string_view::npos ? at : colon;
        passwordStart = colon == std::u16string_view::npos ? at : colon + 1;
        passwordEnd = at;
    }

    size_t hostBegin = hostStart, hostEnd, portStart;
    if (hostStart < authorityEnd && s[hostStart] == u'[') {
        const size_t close = s.substr(0, authorityEnd).find(u']', hostStart);
        if (close == std::u16string_view::npos) {
            SetLastError(ERROR_INTERNET_INVALID_URL);
            return FALSE;
        }
        hostBegin = hostStart + 1;
        hostEnd = close;
        portStart = close + 1;
        if (portStart < authorityEnd && s[portStart] != u':') {
            SetLastError(ERROR_INTERNET_INVALID_URL);
            return FALSE;
        }
    } else {
        const size_t colon = s.substr(0, authorityEnd).find(u':', hostStart);
        hostEnd = colon == std::u16string_view::npos ? authorityEnd : colon;
        portStart = hostEnd;
    }
    if (hostEnd <= hostBegin) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return FALSE;
    }
    INTERNET_PORT port = defaultPort;
    if (portStart < authorityEnd) {
        const size_t digitsStart = portStart + 1;
        const size_t count = authorityEnd - digitsStart;
        uint32_t value = 0;
        bool valid = count <= 5;
        for (size_t i = digitsStart; i < authorityEnd && valid; ++i) {
            if (s[i] < u'0' || s[i] > u'9') valid = false;
            value = value * 10 + uint32_t(s[i] - u'0');
        }
        if (!valid || (count > 0 && (value == 0 || value > 65535))) {
            SetLastError(ERROR_INTERNET_INVALID_URL);
            return FALSE;
        }
        if (count > 0) port = INTERNET_PORT(value);
    }

    const bool extraWanted = parts->lpszExtraInfo || parts->dwExtraInfoLength;
    size_t pathEnd = n;
    if (extraWanted) {
        pathEnd = s.find_first_of(u"?#", authorityEnd);
        if (pathEnd == std::u16string_view::npos) pathEnd = n;
    }

    parts->nScheme = kind;
    parts->nPort = port;
    bool fits = true;
    fits &= putPart(url, schemeEnd, &parts->lpszScheme, &parts->dwSchemeLength);
    fits &= putPart(url + hostBegin, hostEnd - hostBegin, &parts->lpszHostName,
                    &parts->dwHostNameLength);
    fits &= putPart(url + authorityStart, userEnd - authorityStart, &parts->lpszUserName,
                    &parts->dwUserNameLength);
    fits &= putPart(url + passwordStart, passwordEnd - passwordStart, &parts->lpszPassword,
                    &parts->dwPasswordLength);
    fits &= putPart(url + authorityEnd, pathEnd - authorityEnd, &parts->lpszUrlPath,
                    &parts->dwUrlPathLength);
    if (extraWanted) {
        fits &=
            putPart(url + pathEnd, n - pathEnd, &parts->lpszExtraInfo, &parts->dwExtraInfoLength);
    }
    if (!fits) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

HINTERNET HttpOpenRequestW(HINTERNET connectHandle, LPCWSTR verb, LPCWSTR objectName,
                           LPCWSTR version, LPCWSTR referrer, LPCWSTR* acceptTypes, DWORD flags,
                           DWORD_PTR) {
    auto connect = lookUp<Connect>(connectHandle, Kind::Connect);
    if (!connect) return nullptr;
    if (flags & ~DWORD(INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto r = std::make_shared<Request>();
    r->connect = connect;
    r->method = verb && verb[0] ? utf8(verb) : "GET";
    for (unsigned char c : r->method) {
        if (!isTokenChar(c)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    std::string v = utf8(version);
    if (v.empty() || v == "HTTP/1.1") {
        r->http10 = false;
    } else if (v == "HTTP/1.0") {
        r->http10 = true;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    r->target = requestTarget(objectName);
    r->secure = (flags & INTERNET_FLAG_SECURE) != 0;
    r->followRedirects = (flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;

    // Each value must stay one header: no line breaks or other controls.
    auto oneLine = [](LPCWSTR value) {
        for (size_t i = 0; value && value[i]; ++i) {
            if ((value[i] < 0x20 && value[i] != u'\t') || value[i] == 0x7F) return false;
        }
        return true;
    };
    bool valid = oneLine(referrer);
    std::vector<HeaderLine> lines;
    std::u16string text;
    if (referrer && referrer[0]) text += u"Referer: " + text16(referrer) + u"\r\n";
    if (acceptTypes && acceptTypes[0]) {
        text += u"Accept: ";
        for (size_t i = 0; acceptTypes[i]; ++i) {
            valid = valid && oneLine(acceptTypes[i]);
            text += (i ? u", " : u"") + text16(acceptTypes[i]);
        }
        text += u"\r\n";
    }
    if (!valid || !parseHeaderText(text.c_str(), DWORD(text.size()), &lines) ||
        !addHeaders(*r, lines, HTTP_ADDREQ_FLAG_ADD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    r->multi = curl_multi_init();
    r->easy = curl_easy_init();
    if (!r->multi || !r->easy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return registerHandle(std::move(r));
}

BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD headersLength,
                            DWORD modifiers) {
    auto r = lookUp<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (!headers) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(r->mutex);
    if (!inState(*r, Request::State::Open)) return FALSE;
    return addHeaderText(*r, headers, headersLength, modifiers) ? TRUE : FALSE;
}

BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength) {
    TlsThreadStateRelease release;
    auto r = lookUp<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (!optional && optionalLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(r->mutex);
    if (!inState(*r, Request::State::Open)) return FALSE;
    if (headers && !addHeaderText(*r, headers, headersLength, HTTP_ADDREQ_FLAG_ADD)) return FALSE;
    r->state = Request::State::Failed;
    if (optionalLength) r->body.assign(static_cast<const char*>(optional), optionalLength);
    {
        std::lock_guard<std::mutex> ca(caMutex);
        r->caFile = testCaFile();
        r->timeouts = testTimeouts;
    }
    if (!setUp(*r) || curl_multi_add_handle(r->multi, r->easy) != CURLM_OK) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return FALSE;
    }
    r->added = true;
    if (!pump(*r, [&] { return r->headersFinal; })) {
        SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
        return FALSE;
    }
    // A transfer that failed after the final headers came (a body cut
    // short) is still a response: its reads report the failure.
    if (r->done && r->result != CURLE_OK && !r->headersFinal) {
        SetLastError(errorFor(r->result));
        return FALSE;
    }
    if (r->responseLines.empty()) {
        SetLastError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        return FALSE;
    }
    r->headersFinal = true;
    r->state = Request::State::Sent;
    return TRUE;
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                    LPDWORD index) {
    auto r = lookUp<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (!bufferLength || (index && *index != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD level = infoLevel & 0xFFFF;
    const bool number = (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
    const bool ofRequest = (infoLevel & HTTP_QUERY_FLAG_REQUEST_HEADERS) != 0;
    if (infoLevel & ~DWORD(0xFFFF | HTTP_QUERY_FLAG_NUMBER | HTTP_QUERY_FLAG_REQUEST_HEADERS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(r->mutex);

    if (ofRequest) {
        if (level != HTTP_QUERY_RAW_HEADERS_CRLF || number) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const bool sent = r->state == Request::State::Sent && !r->sentHeaders.empty();
        return replyText(sent ? r->sentHeaders : composedRequestHeaders(*r), buffer, bufferLength);
    }
    if (!inState(*r, Request::State::Sent)) return FALSE;
    const std::string& statusLine = r->responseLines[0];
    const size_t sp1 = statusLine.find(' ');
    const size_t sp2 = sp1 == std::string::npos ? std::string::npos : statusLine.find(' ', sp1 + 1);
    std::string value;
    switch (level) {
        case HTTP_QUERY_RAW_HEADERS_CRLF:
            if (number) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            for (const std::string& line : r->responseLines) value += line + "\r\n";
            value += "\r\n";
            break;
        case HTTP_QUERY_VERSION:
            value = statusLine.substr(0, sp1);
            break;
        case HTTP_QUERY_STATUS_CODE:
            value = sp1 == std::string::npos ? "" : statusLine.substr(sp1 + 1, sp2 - sp1 - 1);
            break;
        case HTTP_QUERY_STATUS_TEXT:
            value = sp2 == std::string::npos ? "" : statusLine.substr(sp2 + 1);
            break;
        case HTTP_QUERY_CONTENT_TYPE:
        case HTTP_QUERY_CONTENT_LENGTH: {
            const char* name = level == HTTP_QUERY_CONTENT_TYPE ? "Content-Type" : "Content-Length";
            bool found = false;
            for (size_t i = 1; i < r->responseLines.size() && !found; ++i) {
                const std::string& line = r->responseLines[i];
                const size_t colon = line.find(':');
                if (colon != std::string::npos && equalsIgnoringCase(line.substr(0, colon), name)) {
                    value = trim(line.substr(colon + 1));
                    found = true;
                }
            }
            if (!found) {
                SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
                return FALSE;
            }
            break;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
    return number ? replyNumber(value, buffer, bufferLength)
                  : replyText(value, buffer, bufferLength);
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read) {
    TlsThreadStateRelease release;
    auto r = lookUp<Request>(file, Kind::Request);
    if (!r) return FALSE;
    if (!read || (!buffer && toRead)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *read = 0;
    std::lock_guard<std::mutex> g(r->mutex);
    if (!inState(*r, Request::State::Sent)) return FALSE;
    if (toRead == 0) return TRUE;
    if (!pump(*r, [&] { return r->buffered() > 0; })) {
        SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
        return FALSE;
    }
    const size_t n = std::min<size_t>(toRead, r->buffered());
    if (n == 0) {
        if (r->result != CURLE_OK) {
            SetLastError(errorFor(r->result));
            return FALSE;
        }
        return TRUE;
    }
    std::memcpy(buffer, r->bodyBuffer.data() + r->bodyStart, n);
    r->bodyStart += n;
    if (r->bodyStart == r->bodyBuffer.size()) {
        r->bodyBuffer.clear();
        r->bodyStart = 0;
    }
    // Go on once the delivery held back fits; libcurl hands it over inside
    // the call.
    if (r->paused && (r->buffered() == 0 || r->buffered() + r->heldBack <= kBodyBufferLimit)) {
        r->paused = false;
        curl_easy_pause(r->easy, CURLPAUSE_CONT);
    }
    *read = DWORD(n);
    return TRUE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
    std::shared_ptr<Handle> closed;
    {
        std::lock_guard<std::mutex> g(registryMutex);
        auto it = registry().find(reinterpret_cast<uintptr_t>(handle));
        if (it == registry().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        closed = std::move(it->second);
        registry().erase(it);
    }
    if (closed->kind == Kind::Request) {
        auto& r = static_cast<Request&>(*closed);
        r.cancelled = true;
        curl_multi_wakeup(r.multi);
    }
    // A call blocked on the request holds it too: the transfer ends with
    // the last holder.
    return TRUE;
}

namespace fake {

void setSetUpResult(int curlCode) {
    setUpResult = CURLcode(curlCode);
    setUpFailureTold = false;
}

void setCertificateAuthorities(const char* pemPath) {
    std::lock_guard<std::mutex> g(caMutex);
    testCaFile() = pemPath ? pemPath : "";
}

void setTimeouts(long connectMs, long stallSeconds) {
    std::lock_guard<std::mutex> g(caMutex);
    testTimeouts.connectMs = connectMs > 0 ? connectMs : kConnectTimeoutMs;
    testTimeouts.stallSeconds = stallSeconds > 0 ? stallSeconds : kStallSeconds;
}

size_t bufferedBodyBytes(HINTERNET request) {
    auto r = lookUp<Request>(request, Kind::Request);
    if (!r) return 0;
    std::lock_guard<std::mutex> g(r->mutex);
    return r->buffered();
}

int openInternetHandles() {
    std::lock_guard<std::mutex> g(registryMutex);
    return int(registry().size());
}

}  // namespace fake

}  // namespace ce
