// The canvas's HTTP and socket sessions against servers on 127.0.0.1 in this
// process (on ports the system picks, never 80): the requests as the server
// sees them, a failed status read, an announced length beyond the cap, the
// game thread's frames during a slow body, a superseded request, the
// failure of each stage, empty and short bodies, the order of queued socket
// messages, the peer closing, and sends the session refuses.
#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework_test_support.h"
#include "java_lang_String.h"
#include "local_tcp_server.h"
#include "runtime/wren_test_Task.h"
#include "wren_WrenCanvas_WRC_NetworkSession.h"

namespace wrentest::framework {
namespace {

using java::lang::String;
using wren::WrenCanvas_WRC_NetworkSession;
using wrentest::LocalTcpServer;
using Clock = std::chrono::steady_clock;

VMPtr<String> str(const std::string& s) {
    return String::make(s.c_str());
}

VMPtr<VMArray<jbyte>> bytesOf(const std::string& s) {
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(jint(s.size()));
    for (size_t i = 0; i < s.size(); ++i) b[jint(i)] = jbyte(s[i]);
    return b;
}

std::string header(const std::string& response, const std::string& body, size_t length) {
    return response + "\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// An HTTP server whose answer depends on the request path; every request
// (head and body) is kept.
class HttpServer {
public:
    HttpServer() : server_([this](int fd) { serve(fd); }) {}
    int port() const { return server_.port(); }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port()) + path;
    }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> g(mutex_);
        return requests_;
    }
    std::atomic<bool> release{false};
    std::atomic<size_t> bodyBytesSent{0};

private:
    void serve(int fd) {
        std::string in;
        if (!LocalTcpServer::readUntil(fd, "\r\n\r\n", in)) return;
        size_t headEnd = in.find("\r\n\r\n") + 4;
        size_t length = 0;
        size_t at = in.find("Content-Length: ");
        if (at != std::string::npos && at < headEnd) length = std::stoul(in.substr(at + 16));
        LocalTcpServer::readCount(fd, headEnd + length, in);
        {
            std::lock_guard<std::mutex> g(mutex_);
            requests_.push_back(in);
        }
        std::string path = in.substr(in.find(' ') + 1);
        path = path.substr(0, path.find(' '));
        if (path == "/hello") {
            LocalTcpServer::sendAll(fd, header("HTTP/1.1 200 OK", "hello", 5));
        } else if (path == "/missing") {
            LocalTcpServer::sendAll(fd, header("HTTP/1.1 404 Not Found", "nothing", 7));
        } else if (path == "/drop") {
            // Closes without a status line.
        } else if (path == "/empty") {
            LocalTcpServer::sendAll(fd, header("HTTP/1.1 200 OK", "", 0));
        } else if (path == "/short") {
            // Ten bytes announced, three sent, then the end.
            LocalTcpServer::sendAll(fd, header("HTTP/1.1 200 OK", "abc", 10));
        } else if (path == "/huge-endless") {
            if (!LocalTcpServer::sendAll(fd, header("HTTP/1.1 200 OK", "", 2000000000))) return;
            std::string block(65536, 'z');
            while (!release && LocalTcpServer::sendAll(fd, block)) bodyBytesSent += block.size();
        } else if (path == "/slow") {
            if (!LocalTcpServer::sendAll(fd, header("HTTP/1.1 200 OK", "", 3000))) return;
            for (int i = 0; i < 30 && !release; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
                if (!LocalTcpServer::sendAll(fd, std::string(100, char('a' + i % 26)))) return;
            }
        }
    }

    std::mutex mutex_;
    std::vector<std::string> requests_;
    LocalTcpServer server_;
};

// Sessions on the canvas with its game thread stopped; the hand clock's
// sleeps only move its time, so a session's pauses cost nothing.
class NetworkSessionTest : public CanvasTest {
protected:
    // Waits for the session's result and delivers it as a frame would.
    void deliver() {
        wren::test::yieldUntil([&] { return canvas->networkResultPending; });
        canvas->processDeferred();
    }
    HttpServer http;
};

TEST_F(NetworkSessionTest, GetAndPostSendTheirHeadersAndDeliverTheBody) {
    canvas->startHttpRequest(str(http.url("/hello")), str("X-One: 1\nX-Two:  two \n"));
    deliver();
    canvas->startHttpRequest(str(http.url("/missing")), nullptr, bytesOf("abc"));
    deliver();
    ASSERT_EQ(canvas->networkResults.size(), 2u);
    EXPECT_EQ(canvas->networkResults[0].first, 200);
    EXPECT_EQ(canvas->networkBodies[0], "hello");
    // A status other than 200 still delivers its body.
    EXPECT_EQ(canvas->networkResults[1].first, 404);
    EXPECT_EQ(canvas->networkBodies[1], "nothing");

    std::vector<std::string> seen = http.requests();
    ASSERT_EQ(seen.size(), 2u);
    const std::string& get = seen[0];
    EXPECT_EQ(get.rfind("GET /hello HTTP/1.1\r\n", 0), 0u) << get;
    EXPECT_NE(get.find("\r\nX-One: 1\r\n"), std::string::npos) << get;
    EXPECT_NE(get.find("\r\nX-Two: two\r\n"), std::string::npos) << get;
    EXPECT_EQ(get.find("Content-Type"), std::string::npos) << get;
    EXPECT_EQ(get.find("Content-Length"), std::string::npos) << get;
    const std::string& post = seen[1];
    EXPECT_EQ(post.rfind("POST /missing HTTP/1.1\r\n", 0), 0u) << post;
    EXPECT_NE(post.find("\r\nContent-Type: application/octet-stream\r\n"), std::string::npos)
        << post;
    EXPECT_NE(post.find("\r\nContent-Length: 3\r\n"), std::string::npos) << post;
    EXPECT_EQ(post.substr(post.size() - 7), "\r\n\r\nabc") << post;
    // A delivered session stays current for the polls until replaced or
    // cancelled.
    EXPECT_EQ(canvas->getHttpBytesReceived(), 7);
    canvas->cancelHttpRequest();
    EXPECT_EQ(canvas->getHttpBytesReceived(), 0);
    EXPECT_EQ(canvas->getHttpContentLength(), 0);
}

// A connection that ends before any status is a failure of the stage the
// exchange had reached, never a 200.
TEST_F(NetworkSessionTest, NoStatusIsAFailureNot200) {
    canvas->startHttpRequest(str(http.url("/drop")), nullptr);
    deliver();
    ASSERT_EQ(canvas->networkResults.size(), 1u);
    EXPECT_EQ(canvas->networkResults[0].first, WrenCanvas_WRC_NetworkSession::FAILED_HEADERS);
    EXPECT_EQ(canvas->networkResults[0].second, -1);
    EXPECT_EQ(canvas->getHttpBytesReceived(), -1);
}

// A request started while another runs supersedes it: the first session
// stops at its next check and delivers nothing, only the second's result
// arrives.
TEST_F(NetworkSessionTest, ASecondRequestSupersedesTheFirst) {
    canvas->startHttpRequest(str(http.url("/slow")), nullptr);
    VMPtr<java::lang::Thread> first = canvas->networkSession;
    wren::test::yieldUntil([&] { return canvas->getHttpBytesReceived() > 0; });
    canvas->startHttpRequest(str(http.url("/hello")), nullptr);
    EXPECT_NE(canvas->networkSession, first);
    deliver();
    http.release = true;
    wren::test::join(first);
    canvas->processDeferred();
    ASSERT_EQ(canvas->networkResults.size(), 1u);
    EXPECT_EQ(canvas->networkResults[0].first, 200);
    EXPECT_EQ(canvas->networkBodies[0], "hello");
    EXPECT_EQ(canvas->getHttpContentLength(), 5);
}

// Each stage's failure is delivered with its own code, no body, and -1
// bytes received: a URL that opens no HTTP connection fails at the open
// (-9), a body the server never answers at the send (-13).
TEST_F(NetworkSessionTest, FailuresReportTheStageTheyHappenedIn) {
    struct Case {
        const char* name;
        std::string url;
        bool post;
        jint code;
    };
    const Case cases[] = {
        {"a scheme with no protocol", "nosuch://127.0.0.1/x", false,
         WrenCanvas_WRC_NetworkSession::FAILED_OPEN},
        {"a socket, not HTTP", "socket://127.0.0.1:" + std::to_string(http.port()), false,
         WrenCanvas_WRC_NetworkSession::FAILED_OPEN},
        {"a body sent to a server that drops it", http.url("/drop"), true,
         WrenCanvas_WRC_NetworkSession::FAILED_SEND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas->networkResults.clear();
        canvas->networkBodies.clear();
        canvas->startHttpRequest(str(c.url), nullptr, c.post ? bytesOf("abc") : nullptr);
        deliver();
        ASSERT_EQ(canvas->networkResults.size(), 1u);
        EXPECT_EQ(canvas->networkResults[0].first, c.code);
        EXPECT_EQ(canvas->networkResults[0].second, -1);
        EXPECT_EQ(canvas->getHttpBytesReceived(), -1);
    }
}

// A Content-Length of 0 leaves the length unknown and the body is read to
// the stream's end: nothing, delivered as no body with the status. A body
// that ends before its announced length is a transfer the connection
// reports as aborted: a failed read, never a 200 with part of the body.
TEST_F(NetworkSessionTest, AnEmptyBodyAndOneShorterThanAnnounced) {
    canvas->startHttpRequest(str(http.url("/empty")), nullptr);
    deliver();
    ASSERT_EQ(canvas->networkResults.size(), 1u);
    EXPECT_EQ(canvas->networkResults[0], std::make_pair(jint(200), jint(-1)));
    EXPECT_EQ(canvas->getHttpBytesReceived(), 0);
    EXPECT_EQ(canvas->getHttpContentLength(), 0);

    canvas->startHttpRequest(str(http.url("/short")), nullptr);
    deliver();
    ASSERT_EQ(canvas->networkResults.size(), 2u);
    EXPECT_EQ(canvas->networkResults[1],
              std::make_pair(jint(WrenCanvas_WRC_NetworkSession::FAILED_READ), jint(-1)));
    EXPECT_EQ(canvas->getHttpBytesReceived(), -1);
    EXPECT_EQ(canvas->getHttpContentLength(), 10);
}

// An announced length beyond the cap is not allocated up front: the body
// is read as it comes (the server gets to send past the cap) and the session
// fails once it passes the cap.
TEST_F(NetworkSessionTest, AHugeContentLengthIsReadUpToTheCapThenFails) {
    canvas->startHttpRequest(str(http.url("/huge-endless")), nullptr);
    deliver();
    http.release = true;
    ASSERT_EQ(canvas->networkResults.size(), 1u);
    EXPECT_EQ(canvas->networkResults[0].first, WrenCanvas_WRC_NetworkSession::FAILED_READ);
    EXPECT_EQ(canvas->networkResults[0].second, -1);
    EXPECT_EQ(canvas->getHttpBytesReceived(), -1);
    EXPECT_EQ(canvas->getHttpContentLength(), 2000000000);
    EXPECT_GT(http.bodyBytesSent.load(), size_t(WrenCanvas_WRC_NetworkSession::MAX_BODY_BYTES));
}

// The game thread on the runtime's clock keeps its frames while a session
// reads a body that trickles in over more than a second.
class NetworkFrameRateTest : public RunningCanvasTest {
protected:
    HttpServer http;
};

TEST_F(NetworkFrameRateTest, TheGameThreadKeepsItsFramesDuringASlowBody) {
    std::vector<Clock::time_point> frames;
    canvas->onUpdate = [&](TestCanvas&) { frames.push_back(Clock::now()); };
    wren::GameClock::set(nullptr);
    {
        VMSynchronized guard(clock);
        clock->blocking = false;
        clock->notifyAll();
    }
    show();
    canvas->startHttpRequest(str(http.url("/slow")), nullptr);
    wren::test::yieldUntil([&] { return canvas->getHttpBytesReceived() > 0; });
    size_t before = frames.size();
    auto start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(600)) java::lang::Thread::sleep(20);
    jint received = canvas->getHttpBytesReceived();
    EXPECT_GT(received, 0);
    EXPECT_LT(received, 3000) << "the body should still be coming in";
    ASSERT_GT(frames.size(), before + 5);
    auto longest = Clock::duration::zero();
    for (size_t i = before + 1; i < frames.size(); ++i)
        longest = std::max(longest, frames[i] - frames[i - 1]);
    EXPECT_LT(longest, std::chrono::milliseconds(250));
    http.release = true;
    canvas->cancelHttpRequest();
}

void echo(int fd) {
    char b[4096];
    for (;;) {
        ssize_t n = ::recv(fd, b, sizeof b, 0);
        if (n <= 0 || !LocalTcpServer::sendAll(fd, std::string(b, size_t(n)))) return;
    }
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::string socketAddress(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

using SocketSessionTest = CanvasTest;

TEST_F(SocketSessionTest, QueuedMessagesAreEchoedInOrder) {
    LocalTcpServer server(echo);
    canvas->openSocket(str(socketAddress(server.port())));
    // All three queue up before the reader has even connected.
    EXPECT_EQ(canvas->sendSocketData(bytesOf("one"), 0, 3), 0);
    EXPECT_EQ(canvas->sendSocketData(bytesOf("xxtwoxx"), 2, 3), 0);
    EXPECT_EQ(canvas->sendSocketData(bytesOf("nothing"), 0, 0), 0);
    EXPECT_EQ(canvas->sendSocketData(bytesOf("three"), 0, 5), 0);
    wren::test::yieldUntil([&] { return canvas->socketData.size() >= 11; });
    EXPECT_EQ(canvas->socketData, "onetwothree");
    canvas->closeSocket();
    canvas->closeSocket();
    EXPECT_EQ(canvas->socketSession, nullptr);
}

TEST_F(SocketSessionTest, MessagesTheQueueCannotCarryAndSendsWithoutASessionFail) {
    LocalTcpServer server(echo);
    EXPECT_EQ(canvas->sendSocketData(bytesOf("early"), 0, 5), -1);
    canvas->openSocket(str(socketAddress(server.port())));
    VMPtr<VMArray<jbyte>> big = VMArray<jbyte>::create(100000);
    struct Case {
        VMPtr<VMArray<jbyte>> data;
        jint offset, length;
    };
    const Case refused[] = {
        {big, 0, 65536}, {big, 32768, 10},       {big, 90000, 10001}, {big, 0, -1},
        {big, -1, 4},    {bytesOf("abc"), 2, 2}, {nullptr, 0, 0},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(std::to_string(c.offset) + "+" + std::to_string(c.length));
        EXPECT_EQ(canvas->sendSocketData(c.data, c.offset, c.length), -2);
    }
    // The largest message the queue carries goes whole.
    EXPECT_EQ(canvas->sendSocketData(big, 32767, 65535), 0);
    wren::test::yieldUntil([&] { return canvas->socketData.size() >= 65535; });
    EXPECT_EQ(canvas->socketData.size(), 65535u);
    canvas->closeSocket();
    EXPECT_EQ(canvas->sendSocketData(bytesOf("late"), 0, 4), -1);
}

// The peer closing ends the session at once: the reader stops at the end of
// the stream instead of reading on, and a send afterwards fails.
TEST_F(SocketSessionTest, ThePeerClosingEndsTheSessionWithoutSpinning) {
    LocalTcpServer server([](int fd) {
        LocalTcpServer::sendAll(fd, "hi");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    });
    double cpuBefore = processCpuSeconds();
    auto start = Clock::now();
    canvas->openSocket(str(socketAddress(server.port())));
    VMPtr<java::lang::Thread> session = canvas->socketSession;
    while (canvas->socketSession != nullptr && Clock::now() - start < std::chrono::seconds(3))
        java::lang::Thread::sleep(20);
    auto took = Clock::now() - start;
    EXPECT_EQ(canvas->socketSession, nullptr);
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(canvas->socketData, "hi");
    EXPECT_EQ(canvas->sendSocketData(bytesOf("after"), 0, 5), -1);
    wren::test::join(session);
    // Half a second of waiting on the peer, then the end: the threads slept.
    EXPECT_LT(processCpuSeconds() - cpuBefore, 0.3);
}

TEST_F(SocketSessionTest, OpeningAgainClosesTheOldSessionFirst) {
    std::atomic<int> ended{0};
    LocalTcpServer server([&](int fd) {
        char b[64];
        while (::recv(fd, b, sizeof b, 0) > 0) {
        }
        ++ended;
    });
    canvas->openSocket(str(socketAddress(server.port())));
    VMPtr<java::lang::Thread> first = canvas->socketSession;
    wren::test::yieldUntil([&] { return server.accepted() == 1; });
    canvas->openSocket(str(socketAddress(server.port())));
    EXPECT_NE(canvas->socketSession, first);
    wren::test::join(first);
    wren::test::yieldUntil([&] { return ended.load() == 1 && server.accepted() == 2; });
    canvas->closeSocket();
    wren::test::yieldUntil([&] { return ended.load() == 2; });
}

}  // namespace
}  // namespace wrentest::framework
