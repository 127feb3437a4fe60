// The internet client under the HTTP bridge, against the local test server
// (tests/fixtures/http/test_server.py, started by ctest's http_server
// fixture): URLs taken apart, requests with their headers and bodies on the
// wire, the response's status and raw header lines, the body streamed, TLS
// with certificate checks, the failures a caller must see as failures, a
// client that could not be set up, and what a fetching thread leaves when
// the process ends.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "HAL_threads.h"
#include "ce_text.h"
#include "ce_window.h"
#include "ce_wininet.h"

using namespace ce;

namespace {

// --- the server ---------------------------------------------------------------

int readPortFile(const char* name) {
    std::ifstream in(std::string(WREN_HTTP_SERVER_DIR) + "/" + name);
    int port = 0;
    in >> port;
    return port;
}

int httpPort() {
    return readPortFile("port");
}
int tlsPort() {
    return readPortFile("tls_port");
}

// A tag no other request carries, to find this test's request in the log.
std::string uniqueTag() {
    static int counter = 0;
    return "t" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// The logged block (request line, header lines) whose request line has `tag`.
std::string loggedRequest(const std::string& tag) {
    std::ifstream in(std::string(WREN_HTTP_SERVER_DIR) + "/requests.log", std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\n\n", start);
        if (end == std::string::npos) end = text.size();
        std::string block = text.substr(start, end - start);
        if (block.substr(0, block.find('\n')).find(tag) != std::string::npos) return block;
        start = end + 2;
    }
    return "";
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

// A TCP port on 127.0.0.1 that refuses connections for as long as it lives:
// bound, never listening.
class ClosedPort {
public:
    ClosedPort() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~ClosedPort() { close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A TCP port on 127.0.0.1 whose server never answers: it listens, and the
// system takes the connections for it, but nothing reads or writes them.
// With `full`, its queue of taken connections is already full, so a further
// connection attempt is dropped and never completes.
class SilentServer {
public:
    explicit SilentServer(bool full) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, full ? 0 : 8);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        // A queue of length 0 still takes one connection.
        for (int i = 0; full && i < 2; ++i) {
            int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers_.push_back(c);
        }
        // Let the fillers' handshakes finish before anyone else knocks.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~SilentServer() {
        for (int c : fillers_) close(c);
        close(fd_);
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

// byte i of /binary and /large.
std::string pattern(size_t length) {
    std::string out(length, '\0');
    for (size_t i = 0; i < length; ++i) out[i] = char((i * 31 + 7) & 0xFF);
    return out;
}

// --- the calls ------------------------------------------------------------------

std::string queryText(HINTERNET request, DWORD level) {
    DWORD size = 0;
    if (HttpQueryInfoW(request, level, nullptr, &size, nullptr)) return "<empty query succeeded>";
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return "<error " + std::to_string(GetLastError()) + ">";
    std::vector<char16_t> buffer(size / 2 + 1, u'?');
    if (!HttpQueryInfoW(request, level, buffer.data(), &size, nullptr)) {
        return "<error " + std::to_string(GetLastError()) + ">";
    }
    EXPECT_EQ(buffer[size / 2], u'\0') << "zero-terminated";
    return toUtf8(std::u16string(buffer.data(), size / 2));
}

// The number, or -(error) when the query fails.
int64_t queryNumber(HINTERNET request, DWORD level) {
    DWORD value = 0, size = sizeof value;
    if (!HttpQueryInfoW(request, level | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
        return -int64_t(GetLastError());
    }
    return value;
}

struct Body {
    std::string bytes;
    bool ok = true;
    DWORD error = 0;
};

Body readAll(HINTERNET request, DWORD chunk = 4096) {
    Body body;
    std::vector<char> buffer(chunk);
    for (;;) {
        DWORD got = 12345;
        if (!InternetReadFile(request, buffer.data(), chunk, &got)) {
            body.ok = false;
            body.error = GetLastError();
            return body;
        }
        if (got == 0) return body;
        EXPECT_LE(got, chunk);
        body.bytes.append(buffer.data(), got);
    }
}

struct Exchange {
    bool sent = false;
    DWORD sendError = 0;
    int64_t status = 0;
    std::string rawHeaders;
    std::string requestHeaders;
    Body body;
};

// Requests name only the options they change (designated initializers); the
// rest keep their defaults, which is what GCC's missing-initializer warning
// would flag.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
struct Options {
    const char16_t* verb = nullptr;
    DWORD flags = 0;
    std::u16string headers;
    std::string body;
    int port = 0;  // the test server's
    bool secure = false;
    DWORD chunk = 4096;
};

class WinInetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(httpPort(), 0) << "the http_server fixture is not running: run through ctest, "
                                    "or start tests/fixtures/http/test_server.py with --dir "
                                 << WREN_HTTP_SERVER_DIR;
        handlesBefore_ = fake::openInternetHandles();
        ASSERT_EQ(InternetAttemptConnect(0), ERROR_SUCCESS);
        session_ =
            InternetOpenW(u"wren-test/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        ASSERT_NE(session_, nullptr) << GetLastError();
    }
    void TearDown() override {
        fake::setCertificateAuthorities(nullptr);
        EXPECT_TRUE(InternetCloseHandle(session_));
        EXPECT_EQ(fake::openInternetHandles(), handlesBefore_) << "every handle closed";
    }

    HINTERNET connectTo(int port) {
        return InternetConnectW(session_, u"127.0.0.1", INTERNET_PORT(port), u"", nullptr,
                                INTERNET_SERVICE_HTTP, 0, 0);
    }

    Exchange exchange(const std::string& target, const Options& o = {}) {
        Exchange x;
        int port = o.port ? o.port : (o.secure ? tlsPort() : httpPort());
        HINTERNET connect = connectTo(port);
        EXPECT_NE(connect, nullptr);
        std::u16string object = toUtf16(target);
        DWORD flags = o.flags | (o.secure ? DWORD(INTERNET_FLAG_SECURE) : 0);
        HINTERNET request =
            HttpOpenRequestW(connect, o.verb, object.c_str(), nullptr, u"", nullptr, flags, 0);
        EXPECT_NE(request, nullptr) << GetLastError();
        if (!o.headers.empty()) {
            EXPECT_TRUE(HttpAddRequestHeadersW(request, o.headers.c_str(), DWORD(-1),
                                               HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
        }
        std::string body = o.body;
        x.sent = HttpSendRequestW(request, nullptr, 0, body.empty() ? nullptr : body.data(),
                                  DWORD(body.size()));
        if (!x.sent) {
            x.sendError = GetLastError();
        } else {
            x.status = queryNumber(request, HTTP_QUERY_STATUS_CODE);
            x.rawHeaders = queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
            x.requestHeaders =
                queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF | HTTP_QUERY_FLAG_REQUEST_HEADERS);
            x.body = readAll(request, o.chunk);
        }
        // The bridge's order: the connection first, then its request.
        EXPECT_TRUE(InternetCloseHandle(connect));
        EXPECT_TRUE(InternetCloseHandle(request));
        return x;
    }

    HINTERNET session_ = nullptr;
    int handlesBefore_ = 0;
};

// --- URLs -----------------------------------------------------------------------

struct CrackCase {
    const char* url;
    bool withExtra;
    INTERNET_SCHEME scheme;
    const char* host;
    int port;
    const char* user;
    const char* password;
    const char* path;
    const char* extra;
};

std::string part(const char16_t* p, DWORD n) {
    return p ? toUtf8(std::u16string(p, n)) : std::string("<null>");
}

TEST(WinInetUrl, TakesUrlsApartIntoPointersAndLengths) {
    const CrackCase cases[] = {
        // The path runs to the end when the extra information is not asked for.
        {"http://h/a/b?x=1#f", false, INTERNET_SCHEME_HTTP, "h", 80, "", "", "/a/b?x=1#f", ""},
        {"http://h/a/b?x=1#f", true, INTERNET_SCHEME_HTTP, "h", 80, "", "", "/a/b", "?x=1#f"},
        {"http://h/a#f?x", true, INTERNET_SCHEME_HTTP, "h", 80, "", "", "/a", "#f?x"},
        {"http://h:8080/p", true, INTERNET_SCHEME_HTTP, "h", 8080, "", "", "/p", ""},
        {"http://host.example:8080", true, INTERNET_SCHEME_HTTP, "host.example", 8080, "", "", "",
         ""},
        {"HTTPS://h/", true, INTERNET_SCHEME_HTTPS, "h", 443, "", "", "/", ""},
        {"https://h:8443?q", true, INTERNET_SCHEME_HTTPS, "h", 8443, "", "", "", "?q"},
        {"http://u:pw@h:81/x", true, INTERNET_SCHEME_HTTP, "h", 81, "u", "pw", "/x", ""},
        {"http://[::1]:8080/x", true, INTERNET_SCHEME_HTTP, "::1", 8080, "", "", "/x", ""},
        {"http://h:/x", true, INTERNET_SCHEME_HTTP, "h", 80, "", "", "/x", ""},
        {"ftp://h/x", true, INTERNET_SCHEME_UNKNOWN, "h", 0, "", "", "/x", ""},
    };
    for (const CrackCase& c : cases) {
        SCOPED_TRACE(c.url);
        std::u16string url = toUtf16(c.url);
        URL_COMPONENTSW parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength = 1;
        parts.dwPasswordLength = parts.dwUrlPathLength = 1;
        if (c.withExtra) parts.dwExtraInfoLength = 1;
        ASSERT_TRUE(InternetCrackUrlW(url.c_str(), 0, 0, &parts)) << GetLastError();
        EXPECT_EQ(parts.nScheme, c.scheme);
        EXPECT_EQ(parts.nPort, c.port);
        EXPECT_EQ(part(parts.lpszHostName, parts.dwHostNameLength), c.host);
        EXPECT_EQ(part(parts.lpszUserName, parts.dwUserNameLength), c.user);
        EXPECT_EQ(part(parts.lpszPassword, parts.dwPasswordLength), c.password);
        EXPECT_EQ(part(parts.lpszUrlPath, parts.dwUrlPathLength), c.path);
        if (c.withExtra) {
            EXPECT_EQ(part(parts.lpszExtraInfo, parts.dwExtraInfoLength), c.extra);
        }
        // Pointers into the caller's URL, not copies.
        EXPECT_GE(parts.lpszUrlPath, url.c_str());
        EXPECT_LE(parts.lpszUrlPath, url.c_str() + url.size());
    }
}

TEST(WinInetUrl, OnlyTheGivenLengthOfTheUrlIsRead) {
    std::u16string url = u"http://h/abc/def";
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwUrlPathLength = 1;
    ASSERT_TRUE(
        InternetCrackUrlW(url.c_str(), DWORD(std::u16string(u"http://h/abc").size()), 0, &parts));
    EXPECT_EQ(part(parts.lpszUrlPath, parts.dwUrlPathLength), "/abc");
    EXPECT_EQ(parts.lpszHostName, nullptr) << "parts not asked for stay untouched";
}

TEST(WinInetUrl, CopiesIntoCallerBuffersOrSaysHowMuchRoomItNeeds) {
    const char16_t* url = u"http://example.org:8080/path?q";
    char16_t host[8];
    char16_t path[32];
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 8;  // "example.org" needs 12 with its terminator
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 32;
    EXPECT_FALSE(InternetCrackUrlW(url, 0, 0, &parts));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(parts.dwHostNameLength, 12u);

    char16_t bigHost[12];
    parts.lpszHostName = bigHost;
    parts.dwUrlPathLength = 32;
    ASSERT_TRUE(InternetCrackUrlW(url, 0, 0, &parts));
    EXPECT_EQ(std::u16string(bigHost), u"example.org");
    EXPECT_EQ(parts.dwHostNameLength, 11u);
    EXPECT_EQ(std::u16string(path), u"/path?q");
    EXPECT_EQ(parts.dwUrlPathLength, 7u);
}

TEST(WinInetUrl, RejectsMalformedUrlsAndArguments) {
    struct Bad {
        const char* url;
        DWORD error;
    } cases[] = {
        {"http://h:99999/", ERROR_INTERNET_INVALID_URL},
        {"http://h:8x/", ERROR_INTERNET_INVALID_URL},
        {"http://h:0/", ERROR_INTERNET_INVALID_URL},
        {"http:///p", ERROR_INTERNET_INVALID_URL},
        {"http://u@:80/p", ERROR_INTERNET_INVALID_URL},
        {"http://[::1/p", ERROR_INTERNET_INVALID_URL},
        {"h/p", ERROR_INTERNET_INVALID_URL},
        {"1ttp://h/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.url);
        std::u16string url = toUtf16(c.url);
        URL_COMPONENTSW parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = 1;
        EXPECT_FALSE(InternetCrackUrlW(url.c_str(), 0, 0, &parts));
        EXPECT_EQ(GetLastError(), c.error);
    }
    URL_COMPONENTSW parts{};
    parts.dwStructSize = 60;  // a 32-bit caller's size
    EXPECT_FALSE(InternetCrackUrlW(u"http://h/", 0, 0, &parts));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    parts.dwStructSize = sizeof parts;
    EXPECT_FALSE(InternetCrackUrlW(nullptr, 0, 0, &parts));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// --- requests and responses ------------------------------------------------------

// The bridge's road: crack the URL, connect to its host and port, request
// its path; the fragment stays home.
TEST_F(WinInetTest, ACrackedUrlReachesItsOwnPortWithoutTheFragment) {
    const std::string tag = uniqueTag();
    std::u16string url = toUtf16("http://127.0.0.1:" + std::to_string(httpPort()) +
                                 "/plain?tag=" + tag + "&x=1#frag");
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    ASSERT_TRUE(InternetCrackUrlW(url.c_str(), 0, 0, &parts));
    std::u16string host(parts.lpszHostName, parts.dwHostNameLength);
    std::u16string path(parts.lpszUrlPath, parts.dwUrlPathLength);
    EXPECT_EQ(path.back(), u'g') << "the path holds the fragment";

    HINTERNET connect = InternetConnectW(session_, host.c_str(), parts.nPort, u"", nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(connect, nullptr);
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, path.c_str(), nullptr, u"", nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), 200);
    EXPECT_EQ(readAll(request).bytes, "hello\n");
    InternetCloseHandle(connect);
    InternetCloseHandle(request);

    EXPECT_EQ(firstLine(loggedRequest(tag)), "GET /plain?tag=" + tag + "&x=1 HTTP/1.1");
}

TEST_F(WinInetTest, AResponseGivesItsStatusAndHeaderLinesAsTheyCame) {
    const std::string tag = uniqueTag();
    HINTERNET connect = connectTo(httpPort());
    std::u16string object = toUtf16("/dates?tag=" + tag);
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, object.c_str(), nullptr, u"", nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();

    EXPECT_EQ(queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF),
              "HTTP/1.1 200 OK\r\n"
              "Content-Type: text/plain\r\n"
              "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
              "Last-Modified: Sunday, 06-Nov-94 08:49:37 GMT\r\n"
              "Expires: Sun Nov  6 08:49:37 1994\r\n"
              "Content-Length: 6\r\n"
              "Connection: close\r\n"
              "\r\n");
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), 200);
    EXPECT_EQ(queryText(request, HTTP_QUERY_STATUS_CODE), "200");
    EXPECT_EQ(queryText(request, HTTP_QUERY_STATUS_TEXT), "OK");
    EXPECT_EQ(queryText(request, HTTP_QUERY_VERSION), "HTTP/1.1");
    EXPECT_EQ(queryText(request, HTTP_QUERY_CONTENT_TYPE), "text/plain");
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_CONTENT_LENGTH), 6);
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_CONTENT_TYPE), -int64_t(ERROR_HTTP_INVALID_HEADER))
        << "text is no number";

    char buffer[16];
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got));
    EXPECT_EQ(std::string(buffer, got), "dates\n");
    for (int i = 0; i < 2; ++i) {
        got = 99;
        EXPECT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got)) << "the end, again";
        EXPECT_EQ(got, 0u);
    }
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
}

TEST_F(WinInetTest, TextQueriesFollowTheBufferSizeProtocol) {
    HINTERNET connect = connectTo(httpPort());
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/plain", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));

    DWORD size = 0;
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_TEXT, nullptr, &size, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 6u) << "\"OK\" and its terminator, in bytes";
    char16_t text[3] = {u'x', u'x', u'x'};
    size = 4;  // no room for the terminator
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_TEXT, text, &size, nullptr));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(text[0], u'x') << "nothing written";
    ASSERT_TRUE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_TEXT, text, &size, nullptr));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::u16string(text), u"OK");

    DWORD number = 0;
    size = 2;
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &number,
                                &size, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 4u);
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, text, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
}

TEST_F(WinInetTest, BinaryBodiesArriveWholeWhateverTheReadSize) {
    for (DWORD chunk : {1u, 777u, 4096u, 65536u}) {
        SCOPED_TRACE(chunk);
        Options o;
        o.chunk = chunk;
        Exchange x = exchange("/binary", o);
        ASSERT_TRUE(x.sent) << x.sendError;
        EXPECT_TRUE(x.body.ok) << x.body.error;
        EXPECT_EQ(x.body.bytes, pattern(10000));
        EXPECT_NE(x.body.bytes.find('\xFF'), std::string::npos);
    }
}

// Over TLS too, where each call lets go of the thread's TLS state as it
// returns while the connection goes on from one read to the next.
TEST_F(WinInetTest, ALargeBodyStreamsThroughToTheEnd) {
    fake::setCertificateAuthorities(WREN_HTTP_SERVER_CA);
    for (bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        Exchange x = exchange("/large", Options{.secure = secure, .chunk = 1000});
        ASSERT_TRUE(x.sent) << x.sendError;
        EXPECT_TRUE(x.body.ok) << x.body.error;
        EXPECT_EQ(x.body.bytes.size(), size_t(1) << 20);
        EXPECT_TRUE(x.body.bytes == pattern(size_t(1) << 20));
    }
}

// The body is held at most 64 KiB ahead of the reader, and a reader that
// takes its time does not stall the transfer: the time the transfer waits
// for room does not count.
TEST_F(WinInetTest, TheBodyWaitsForItsReaderWithinABoundedBuffer) {
    fake::setTimeouts(0, 1);
    HINTERNET connect = connectTo(httpPort());
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/large", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();
    std::string bytes;
    std::vector<char> buffer(4096);
    size_t mostHeld = 0;
    for (;;) {
        DWORD got = 0;
        ASSERT_TRUE(InternetReadFile(request, buffer.data(), DWORD(buffer.size()), &got))
            << GetLastError() << " after " << bytes.size() << " bytes";
        if (got == 0) break;
        bytes.append(buffer.data(), got);
        mostHeld = std::max(mostHeld, fake::bufferedBodyBytes(request));
        if (bytes.size() == buffer.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past the stall time
    }
    EXPECT_LE(mostHeld, size_t(64 * 1024));
    EXPECT_TRUE(bytes == pattern(size_t(1) << 20));
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
    fake::setTimeouts(0, 0);
}

TEST_F(WinInetTest, AChunkedBodyHasNoLengthAndArrivesWhole) {
    HINTERNET connect = connectTo(httpPort());
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/chunked", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_CONTENT_LENGTH),
              -int64_t(ERROR_HTTP_HEADER_NOT_FOUND));
    EXPECT_NE(
        queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF).find("\r\nTransfer-Encoding: chunked\r\n"),
        std::string::npos);
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += "chunk-" + std::to_string(i) + "\n";
    Body body = readAll(request, 5);
    EXPECT_TRUE(body.ok);
    EXPECT_EQ(body.bytes, expected);
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
}

TEST_F(WinInetTest, APostSendsItsBodyAndOnlyTheHeadersAskedFor) {
    const std::string tag = uniqueTag();
    std::string body;
    for (int i = 0; i < 300000; ++i) body += char(i % 256);
    Options o;
    o.verb = u"POST";
    o.body = body;
    // A wrong length from the caller must not cut or stretch the body.
    o.headers = u"Content-Type: application/octet-stream\r\nContent-Length: 5\r\nX-Note: first";
    Exchange x = exchange("/echo?tag=" + tag, o);
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(x.status, 200);
    EXPECT_TRUE(x.body.bytes == body) << "echoed " << x.body.bytes.size() << " bytes";
    EXPECT_NE(x.rawHeaders.find("\r\nX-Echo-User-Agent: wren-test/1.0\r\n"), std::string::npos);
    EXPECT_NE(x.rawHeaders.find("\r\nX-Echo-Method: POST\r\n"), std::string::npos);

    const std::string logged = loggedRequest(tag);
    EXPECT_EQ(firstLine(logged), "POST /echo?tag=" + tag + " HTTP/1.1");
    EXPECT_NE(logged.find("\nContent-Length: 300000"), std::string::npos) << logged;
    EXPECT_NE(logged.find("\nContent-Type: application/octet-stream"), std::string::npos);
    EXPECT_NE(logged.find("\nX-Note: first"), std::string::npos);
    EXPECT_NE(logged.find("\nUser-Agent: wren-test/1.0"), std::string::npos);
    for (const char* unasked : {"Content-Length: 5", "Expect:", "Accept:", "Referer:"}) {
        EXPECT_EQ(logged.find(unasked), std::string::npos) << unasked << " in\n" << logged;
    }
    // What the request's own headers say is what went out.
    EXPECT_EQ(firstLine(x.requestHeaders), "POST /echo?tag=" + tag + " HTTP/1.1");
    EXPECT_NE(x.requestHeaders.find("\r\nContent-Length: 300000\r\n"), std::string::npos);
    EXPECT_EQ(x.requestHeaders.substr(x.requestHeaders.size() - 4), "\r\n\r\n");
}

TEST_F(WinInetTest, AnEmptyPostSaysSo) {
    const std::string tag = uniqueTag();
    Exchange x = exchange("/echo?tag=" + tag, Options{.verb = u"POST"});
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(x.body.bytes, "");
    EXPECT_NE(loggedRequest(tag).find("\nContent-Length: 0"), std::string::npos);
}

TEST_F(WinInetTest, AnErrorStatusIsAResponseWithItsBody) {
    Exchange x = exchange("/notfound");
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(x.status, 404);
    EXPECT_EQ(firstLine(x.rawHeaders), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(x.body.bytes, "nothing here\n");
}

TEST_F(WinInetTest, RedirectsAreFollowedUnlessTheRequestSaysNot) {
    const std::string tag = uniqueTag();
    Exchange followed = exchange("/redirect?tag=" + tag);
    ASSERT_TRUE(followed.sent) << followed.sendError;
    EXPECT_EQ(followed.status, 200);
    EXPECT_EQ(firstLine(followed.rawHeaders), "HTTP/1.1 200 OK") << "only the last response";
    EXPECT_EQ(followed.rawHeaders.find("Location"), std::string::npos);
    EXPECT_EQ(followed.body.bytes, "hello\n") << "not the redirect's own body";
    EXPECT_EQ(firstLine(loggedRequest(tag)), "GET /redirect?tag=" + tag + " HTTP/1.1");

    Exchange kept = exchange("/redirect", Options{.flags = INTERNET_FLAG_NO_AUTO_REDIRECT});
    ASSERT_TRUE(kept.sent) << kept.sendError;
    EXPECT_EQ(kept.status, 302);
    EXPECT_NE(kept.rawHeaders.find("\r\nLocation: /plain\r\n"), std::string::npos);
    EXPECT_EQ(kept.body.bytes, "moved\n");
}

TEST_F(WinInetTest, ARequestTargetGoesOutEscapedAndWithoutItsFragment) {
    const std::string tag = uniqueTag();
    Exchange x = exchange("/plain?tag=" + tag + "&q=a b\"\xC3\xA9#frag ment");
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(firstLine(loggedRequest(tag)),
              "GET /plain?tag=" + tag + "&q=a%20b%22%C3%A9 HTTP/1.1");
}

TEST_F(WinInetTest, AHeadRequestHasHeadersAndNoBody) {
    Exchange x = exchange("/plain", Options{.verb = u"HEAD"});
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(x.status, 200);
    EXPECT_NE(x.rawHeaders.find("\r\nContent-Length: 6\r\n"), std::string::npos);
    EXPECT_TRUE(x.body.ok);
    EXPECT_EQ(x.body.bytes, "");
}

// --- headers ----------------------------------------------------------------------

TEST_F(WinInetTest, RequestHeadersAreAddedReplacedAndCheckedBeforeTheSend) {
    const std::string tag = uniqueTag();
    HINTERNET connect = connectTo(httpPort());
    std::u16string object = toUtf16("/plain?tag=" + tag);
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, object.c_str(), nullptr, nullptr, nullptr, 0, 0);
    const DWORD addOrReplace = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
    ASSERT_TRUE(HttpAddRequestHeadersW(request, u"X-A: 1\r\nX-B: 2\r\n", DWORD(-1), addOrReplace));
    // The same name, another case: one header, the later value, in the first's place.
    ASSERT_TRUE(HttpAddRequestHeadersW(request, u"x-a: 3", DWORD(-1), addOrReplace));
    ASSERT_TRUE(HttpAddRequestHeadersW(request, u"X-C: 4 and some", 7, HTTP_ADDREQ_FLAG_ADD));

    struct Refused {
        const char16_t* text;
        DWORD modifiers;
        DWORD error;
    } refused[] = {
        {u"X-Missing: 1", HTTP_ADDREQ_FLAG_REPLACE, ERROR_HTTP_HEADER_NOT_FOUND},
        {u"X-B: again", HTTP_ADDREQ_FLAG_ADD_IF_NEW, ERROR_HTTP_HEADER_ALREADY_EXISTS},
        {u"X-D: fine\r\nno colon here", HTTP_ADDREQ_FLAG_ADD, ERROR_HTTP_INVALID_HEADER},
        {u"Bad Name: 1", HTTP_ADDREQ_FLAG_ADD, ERROR_HTTP_INVALID_HEADER},
        {u": no name", HTTP_ADDREQ_FLAG_ADD, ERROR_HTTP_INVALID_HEADER},
        {u"X-Ctl: a\x01z", HTTP_ADDREQ_FLAG_ADD, ERROR_HTTP_INVALID_HEADER},
        {u"X-E: 1", 0x40000000, ERROR_INVALID_PARAMETER},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(toUtf8(r.text));
        EXPECT_FALSE(HttpAddRequestHeadersW(request, r.text, DWORD(-1), r.modifiers));
        EXPECT_EQ(GetLastError(), r.error);
    }
    EXPECT_EQ(queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF | HTTP_QUERY_FLAG_REQUEST_HEADERS),
              "GET /plain?tag=" + tag + " HTTP/1.1\r\nx-a: 3\r\nX-B: 2\r\nX-C: 4\r\n\r\n")
        << "refused lines added nothing";
    // A replacement with no value takes the header away.
    ASSERT_TRUE(HttpAddRequestHeadersW(request, u"X-B:", DWORD(-1), HTTP_ADDREQ_FLAG_REPLACE));
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE),
              -int64_t(ERROR_INTERNET_INCORRECT_HANDLE_STATE))
        << "no response before the send";

    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(HttpAddRequestHeadersW(request, u"X-Late: 1", DWORD(-1), HTTP_ADDREQ_FLAG_ADD));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << "one send per request";
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    InternetCloseHandle(request);
    InternetCloseHandle(connect);

    const std::string logged = loggedRequest(tag);
    EXPECT_NE(logged.find("\nx-a: 3\nX-C: 4"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("X-B"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("X-Late"), std::string::npos) << logged;
}

TEST_F(WinInetTest, TheOpenCallsArgumentsGoOnTheWire) {
    const std::string tag = uniqueTag();
    HINTERNET anonymous = InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(anonymous, nullptr);
    HINTERNET connect = InternetConnectW(anonymous, u"127.0.0.1", INTERNET_PORT(httpPort()),
                                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    std::u16string object = toUtf16("/plain?tag=" + tag);
    const char16_t* accept[] = {u"text/plain", u"*/*", nullptr};
    HINTERNET request = HttpOpenRequestW(connect, u"GET", object.c_str(), u"HTTP/1.0",
                                         u"http://referrer.example/page", accept, 0, 0);
    ASSERT_NE(request, nullptr) << GetLastError();
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();
    EXPECT_EQ(readAll(request).bytes, "hello\n");
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
    InternetCloseHandle(anonymous);

    const std::string logged = loggedRequest(tag);
    EXPECT_EQ(firstLine(logged), "GET /plain?tag=" + tag + " HTTP/1.0");
    EXPECT_NE(logged.find("\nReferer: http://referrer.example/page"), std::string::npos) << logged;
    EXPECT_NE(logged.find("\nAccept: text/plain, */*"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("User-Agent"), std::string::npos) << "a session without an agent";
}

// --- TLS ----------------------------------------------------------------------------

TEST_F(WinInetTest, ASecureRequestGoesOverTlsToATrustedServer) {
    const std::string tag = uniqueTag();
    fake::setCertificateAuthorities(WREN_HTTP_SERVER_CA);
    Exchange x = exchange("/plain?tag=" + tag, Options{.secure = true});
    ASSERT_TRUE(x.sent) << x.sendError;
    EXPECT_EQ(x.status, 200);
    EXPECT_EQ(x.body.bytes, "hello\n");
    EXPECT_EQ(firstLine(loggedRequest(tag)), "GET /plain?tag=" + tag + " HTTP/1.1");
}

TEST_F(WinInetTest, TlsFailuresAreFailures) {
    // The system's authorities do not know the test server's certificate.
    Exchange untrusted = exchange("/plain", Options{.secure = true});
    EXPECT_FALSE(untrusted.sent);
    EXPECT_EQ(untrusted.sendError, ERROR_INTERNET_SEC_CERT_ERRORS);

    // A secure request to a plain server fails its handshake, never falls
    // back to plain text.
    fake::setCertificateAuthorities(WREN_HTTP_SERVER_CA);
    Exchange plain = exchange("/plain", Options{.port = httpPort(), .secure = true});
    EXPECT_FALSE(plain.sent);
    EXPECT_EQ(plain.sendError, ERROR_INTERNET_SECURITY_CHANNEL_ERROR);

    // Nor does a redirect take it to plain text.
    Exchange downgraded = exchange("/downgrade", Options{.secure = true});
    EXPECT_FALSE(downgraded.sent);
    EXPECT_EQ(downgraded.sendError, ERROR_HTTP_REDIRECT_FAILED);
    Exchange shown =
        exchange("/downgrade", {.flags = INTERNET_FLAG_NO_AUTO_REDIRECT, .secure = true});
    ASSERT_TRUE(shown.sent) << shown.sendError;
    EXPECT_EQ(shown.status, 302);
    Exchange plainFollowed = exchange("/downgrade");
    ASSERT_TRUE(plainFollowed.sent) << plainFollowed.sendError;
    EXPECT_EQ(plainFollowed.body.bytes, "hello\n");
}

// --- failures -----------------------------------------------------------------------

TEST_F(WinInetTest, ARefusedConnectionFailsTheSendAndEverythingAfterIt) {
    ClosedPort closed;
    HINTERNET connect = connectTo(closed.port());
    ASSERT_NE(connect, nullptr) << "nothing goes on the wire before the send";
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/plain", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
    char buffer[8];
    DWORD got = 7;
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE),
              -int64_t(ERROR_INTERNET_INCORRECT_HANDLE_STATE));
    InternetCloseHandle(connect);
    InternetCloseHandle(request);
}

// No send waits for ever: a server that never takes the connection, or
// takes it and never answers, fails the send with a time-out.
TEST_F(WinInetTest, AServerThatNeverAnswersTimesTheSendOut) {
    fake::setTimeouts(300, 1);
    const std::pair<const char*, bool> cases[] = {{"never answers", false},
                                                  {"never takes the connection", true}};
    for (auto [name, full] : cases) {
        SCOPED_TRACE(name);
        SilentServer silent(full);
        HINTERNET connect = connectTo(silent.port());
        HINTERNET request =
            HttpOpenRequestW(connect, nullptr, u"/plain", nullptr, nullptr, nullptr, 0, 0);
        EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
        InternetCloseHandle(request);
        InternetCloseHandle(connect);
    }
    fake::setTimeouts(0, 0);
}

TEST_F(WinInetTest, ABodyCutShortFailsAfterTheBytesThatCame) {
    HINTERNET connect = connectTo(httpPort());
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/truncated", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_CONTENT_LENGTH), 1000);
    Body body = readAll(request);
    EXPECT_EQ(body.bytes, "0123456789");
    EXPECT_FALSE(body.ok) << "not an end of data";
    EXPECT_EQ(body.error, ERROR_INTERNET_CONNECTION_ABORTED);
    char buffer[8];
    DWORD got = 0;
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got)) << "and stays failed";
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
}

TEST_F(WinInetTest, ClosingARequestEndsAReadBlockedOnAnotherThread) {
    HINTERNET connect = connectTo(httpPort());
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/stall", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
    char first = 0;
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request, &first, 1, &got));
    ASSERT_EQ(first, 'x');

    std::atomic<bool> reading{false};
    BOOL result = TRUE;
    DWORD error = 0;
    std::thread reader([&] {
        char buffer[16];
        DWORD n = 0;
        reading = true;
        result = InternetReadFile(request, buffer, sizeof buffer, &n);
        error = GetLastError();
    });
    while (!reading) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it block
    EXPECT_TRUE(InternetCloseHandle(request));
    reader.join();
    EXPECT_FALSE(result);
    // Closed while it waited, or (had it not begun yet) a handle already gone.
    EXPECT_TRUE(error == ERROR_INTERNET_OPERATION_CANCELLED || error == ERROR_INVALID_HANDLE)
        << error;
    InternetCloseHandle(connect);
}

// --- handles ------------------------------------------------------------------------

TEST_F(WinInetTest, HandlesAreCheckedBeforeUse) {
    HINTERNET connect = connectTo(httpPort());
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(HttpOpenRequestW(session_, nullptr, u"/", nullptr, nullptr, nullptr, 0, 0), nullptr)
        << "a session is no connection";
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    HINTERNET request =
        HttpOpenRequestW(connect, nullptr, u"/plain", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    char buffer[4];
    DWORD got = 0;
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got)) << "read before send";
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_FALSE(InternetReadFile(connect, buffer, sizeof buffer, &got));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);

    // The connection goes first; its request still works until it is closed.
    EXPECT_TRUE(InternetCloseHandle(connect));
    EXPECT_EQ(HttpOpenRequestW(connect, nullptr, u"/", nullptr, nullptr, nullptr, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();
    EXPECT_EQ(readAll(request).bytes, "hello\n");
    EXPECT_TRUE(InternetCloseHandle(request));
    EXPECT_FALSE(InternetCloseHandle(request)) << "closed twice";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &got));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(InternetCloseHandle(nullptr));
}

TEST_F(WinInetTest, BadArgumentsGetClearErrors) {
    struct Case {
        const char* what;
        std::function<bool()> call;
        DWORD error;
    };
    HINTERNET connect = connectTo(httpPort());
    const Case cases[] = {
        {"proxy name",
         [] {
             return InternetOpenW(u"a", INTERNET_OPEN_TYPE_PRECONFIG, u"p:1", nullptr, 0) !=
                    nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"agent with a line break",
         [] {
             return InternetOpenW(u"a\r\nX: 1", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                  0) != nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"empty host",
         [&] {
             return InternetConnectW(session_, u"", 80, u"", nullptr, INTERNET_SERVICE_HTTP, 0,
                                     0) != nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"host with a path",
         [&] {
             return InternetConnectW(session_, u"h/x", 80, u"", nullptr, INTERNET_SERVICE_HTTP, 0,
                                     0) != nullptr;
         },
         ERROR_INTERNET_INVALID_URL},
        {"credentials",
         [&] {
             return InternetConnectW(session_, u"h", 80, u"me", nullptr, INTERNET_SERVICE_HTTP, 0,
                                     0) != nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"other service",
         [&] { return InternetConnectW(session_, u"h", 80, u"", nullptr, 1, 0, 0) != nullptr; },
         ERROR_INVALID_PARAMETER},
        {"unknown request flag",
         [&] {
             return HttpOpenRequestW(connect, nullptr, u"/", nullptr, nullptr, nullptr, 0x80000000,
                                     0) != nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"verb with a space",
         [&] {
             return HttpOpenRequestW(connect, u"GET /x", u"/", nullptr, nullptr, nullptr, 0, 0) !=
                    nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"unknown version",
         [&] {
             return HttpOpenRequestW(connect, nullptr, u"/", u"HTTP/2", nullptr, nullptr, 0, 0) !=
                    nullptr;
         },
         ERROR_INVALID_PARAMETER},
        {"referrer with a line break",
         [&] {
             return HttpOpenRequestW(connect, nullptr, u"/", nullptr, u"r\nX: 1", nullptr, 0, 0) !=
                    nullptr;
         },
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), c.error);
    }
    InternetCloseHandle(connect);
}

// --- the client's set-up ------------------------------------------------------------

// A client that could not be set up as the program loaded opens no session:
// the caller sees why it failed, not a lack of memory on a later call, and
// standard error says it once, in libcurl's words. In a child, since the
// set-up's result stands for the process.
TEST(WinInetSetUp, AFailedSetUpOpensNoSessionAndSaysWhyOnce) {
    EXPECT_EXIT(
        {
            fake::setSetUpResult(CURLE_FAILED_INIT);
            bool refused = true;
            for (int i = 0; i < 2; ++i) {
                SetLastError(ERROR_SUCCESS);
                HINTERNET session = InternetOpenW(u"wren-test/1.0", INTERNET_OPEN_TYPE_PRECONFIG,
                                                  nullptr, nullptr, 0);
                refused = refused && session == nullptr &&
                          GetLastError() == ERROR_INTERNET_NOT_INITIALIZED;
            }
            fake::setSetUpResult(CURLE_OK);
            HINTERNET session =
                InternetOpenW(u"wren-test/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            const bool opened = session != nullptr && InternetCloseHandle(session);
            std::exit(refused && opened ? 0 : 2);
        },
        ::testing::ExitedWithCode(0),
        "^wren: the internet client could not be set up: Failed initialization\n$");
}

// --- the process's end --------------------------------------------------------------

// A thread parked in lateEnd() is let end by an exit handler that runs after
// the TLS library's own clean-up at exit: the handler is registered before
// anything else in the program is set up, the internet client (which sets
// the TLS library up and has its clean-up registered) included, and exit
// handlers run last registered first. Atomics only: the handler runs after
// other objects of the program may be gone.
std::atomic<NativeThread*> parkedThread{nullptr};
std::atomic<bool> parkedMayEnd{false};

void letTheParkedThreadEnd() {
    NativeThread* t = parkedThread.load();
    if (!t) return;
    parkedMayEnd = true;
    while (!t->finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    HAL_deleteThread(t);  // joins it: its end is over before the leak check
}

__attribute__((constructor(101))) void registerTheLateExitHandler() {
    std::atexit(letTheParkedThreadEnd);
}

void lateEnd() {
    while (!parkedMayEnd) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// What the fetching thread is to fetch, and how it went: 0 not yet, 1 the
// body came, 2 it did not (the thread says why on standard error).
std::atomic<int> fetchPort{0};
std::atomic<bool> fetchSecure{false};
std::atomic<int> fetchOutcome{0};

// A transfer thread's work: one GET of /plain, then an end that comes late.
void fetchThenEndLate(void*) {
    HINTERNET session =
        InternetOpenW(u"wren-test/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connect = InternetConnectW(session, u"127.0.0.1", INTERNET_PORT(fetchPort.load()),
                                         u"", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestW(connect, nullptr, u"/plain", nullptr, nullptr, nullptr,
                                         fetchSecure ? DWORD(INTERNET_FLAG_SECURE) : 0, 0);
    std::string body = "<not sent: error " + std::to_string(GetLastError()) + ">";
    if (HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
        Body read = readAll(request);
        body = read.ok ? read.bytes : "<read failed>";
    }
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
    InternetCloseHandle(session);
    if (body != "hello\n") std::fprintf(stderr, "fetched: %s\n", body.c_str());
    fetchOutcome = body == "hello\n" ? 1 : 2;
    lateEnd();
}

// A runtime thread that fetched may still be ending as the process exits,
// after the TLS library has cleaned up at exit: it must hold none of that
// library's per-thread state then, for nothing frees it any more. Over plain
// http the thread never touches the library; over https it does, and must
// have let go of what it made. The child's thread ends after that clean-up
// (above); the leak check at the child's exit sees what it kept (a build
// without one passes).
TEST(WinInetExit, AFetchingThreadThatEndsAfterTheExitCleanUpLeavesNothingBehind) {
    ASSERT_GT(httpPort(), 0) << "the http_server fixture is not running";
    ASSERT_GT(tlsPort(), 0) << "the http_server fixture is not running";
    for (bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        EXPECT_EXIT(
            {
                fake::setCertificateAuthorities(WREN_HTTP_SERVER_CA);
                fetchSecure = secure;
                fetchPort = secure ? tlsPort() : httpPort();
                NativeThread* fetcher = nullptr;
                if (HAL_createThread(&fetcher, fetchThenEndLate, nullptr) != 0) std::exit(3);
                parkedThread = fetcher;
                // The runtime thread runs holding the VM lock, as Java code does.
                HAL_releaseVMLockFully();
                HAL_startThread(fetcher);
                while (fetchOutcome == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::exit(fetchOutcome == 1 ? 0 : 2);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
