// The socket connection against servers on 127.0.0.1 in this process: the
// URL's own port, both streams, the end of the stream, a close from another
// thread ending a blocked read, writes to a peer that has gone, the read
// time-out and the addresses refused.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "HAL_socket.h"
#include "VMTry.h"
#include "ce_winsock.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_io_IOException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_Thread.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"
#include "javax_microedition_io_Connector.h"
#include "javax_microedition_io_SocketConnection.h"
#include "local_tcp_server.h"
#include "runtime/runtime_test_support.h"
#include "runtime/wren_test_Task.h"

namespace {

using java::lang::String;
using javax::microedition::io::Connector;
using javax::microedition::io::SocketConnection;
using wrentest::LocalTcpServer;
using wrentest::text;
using Clock = std::chrono::steady_clock;

std::string address(int port) {
    return "socket://127.0.0.1:" + std::to_string(port);
}

VMPtr<SocketConnection> openSocket(const std::string& url) {
    return vmCast<SocketConnection>(Connector::open(String::make(url.c_str())));
}

// The class and message of what `body` throws, or "" when it returns.
template <class F>
std::string failureOf(F body) {
    return vmTryCatch(
        [&] {
            body();
            return std::string();
        },
        [](const VMPtr<java::lang::Throwable>& e) { return text(e->toString()); });
}

VMPtr<VMArray<jbyte>> bytesOf(const std::string& s) {
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(jint(s.size()));
    for (size_t i = 0; i < s.size(); ++i) b[jint(i)] = jbyte(s[i]);
    return b;
}

// Reads until `count` bytes have come or the stream ends.
std::string readText(const VMPtr<java::io::InputStream>& in, size_t count) {
    std::string got;
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(64);
    while (got.size() < count) {
        jint n = in->read(b, 0, 64);
        if (n < 0) break;
        for (jint i = 0; i < n; ++i) got += char(b[i]);
    }
    return got;
}

void echo(int fd) {
    char b[4096];
    for (;;) {
        ssize_t n = ::recv(fd, b, sizeof b, 0);
        if (n <= 0 || !LocalTcpServer::sendAll(fd, std::string(b, size_t(n)))) return;
    }
}

class SocketConnectionTest : public ::testing::Test {
protected:
    void TearDown() override { HAL_setSocketTimeoutsForTests(0, 0); }
};

TEST_F(SocketConnectionTest, EchoesThroughTheDataStreamsOnTheUrlsOwnPort) {
    LocalTcpServer server(echo);
    ASSERT_NE(server.port(), 80);
    VMPtr<SocketConnection> c = openSocket(address(server.port()));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(vmIsInstanceOf(c, javax::microedition::io::StreamConnection::classRecord()));
    EXPECT_EQ(c->getPort(), server.port());
    VMPtr<java::io::DataOutputStream> out = c->openDataOutputStream();
    VMPtr<java::io::DataInputStream> in = c->openDataInputStream();
    out->write(bytesOf("xxhello"), 2, 5);
    out->write(jint('!'));
    out->flush();
    EXPECT_EQ(readText(in, 6), "hello!");
    c->close();
    EXPECT_EQ(failureOf([&] { in->read(); }), "java.io.IOException: SocketConnection error: 7");
    EXPECT_EQ(failureOf([&] { c->openInputStream(); }),
              "java.io.IOException: SocketConnection error: the connection is closed");
    c->close();  // twice: nothing more
    in->close();
    out->close();
    EXPECT_EQ(ce::fake::openSockets(), 0);
}

TEST_F(SocketConnectionTest, ThePeerClosingIsTheEndOfTheStream) {
    LocalTcpServer server([](int fd) { LocalTcpServer::sendAll(fd, "bye"); });
    VMPtr<SocketConnection> c = openSocket(address(server.port()));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    EXPECT_EQ(readText(in, 3), "bye");
    EXPECT_EQ(in->read(), -1);
    EXPECT_EQ(in->read(VMArray<jbyte>::create(4), 0, 4), -1);  // and stays there
    c->close();
}

// A blocked read gives the VM lock up, and a close from another thread ends
// it at once with an IOException.
TEST_F(SocketConnectionTest, CloseFromAnotherThreadEndsABlockedRead) {
    std::atomic<bool> release{false};
    LocalTcpServer server([&](int) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    VMPtr<SocketConnection> c = openSocket(address(server.port()));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    std::atomic<bool> started{false}, done{false};
    std::string outcome;
    VMPtr<wren::test::Task> reader = wren::test::Task::spawn([&] {
        started = true;
        outcome = failureOf([&] { in->read(); });
        done = true;
    });
    wren::test::yieldUntil([&] { return started.load(); });
    java::lang::Thread::sleep(100);
    EXPECT_FALSE(done.load());
    auto closedAt = Clock::now();
    c->close();
    wren::test::join(reader);
    EXPECT_LT(Clock::now() - closedAt, std::chrono::seconds(1));
    EXPECT_EQ(outcome, "java.io.IOException: SocketConnection error: 7");
    release = true;
}

// No SIGPIPE: writing to a peer that has gone fails with an IOException.
TEST_F(SocketConnectionTest, WritingToAPeerThatHasGoneFails) {
    LocalTcpServer server([](int fd) { ::shutdown(fd, SHUT_RDWR); });
    VMPtr<SocketConnection> c = openSocket(address(server.port()));
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    VMPtr<VMArray<jbyte>> block = VMArray<jbyte>::create(4096);
    std::string failure;
    for (int i = 0; i < 1000 && failure.empty(); ++i) {
        failure = failureOf([&] { out->write(block, 0, 4096); });
        if (failure.empty()) java::lang::Thread::sleep(1);
    }
    EXPECT_EQ(failure, "java.io.IOException: SocketConnection error: 7");
    c->close();
}

TEST_F(SocketConnectionTest, ASilentPeerEndsTheReadAtTheTimeOut) {
    HAL_setSocketTimeoutsForTests(0, 200);
    std::atomic<bool> release{false};
    LocalTcpServer server([&](int) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    VMPtr<SocketConnection> c = openSocket(address(server.port()));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    auto start = Clock::now();
    EXPECT_EQ(failureOf([&] { in->read(); }), "java.io.IOException: SocketConnection error: 7");
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_LT(waited, std::chrono::seconds(5));
    release = true;
    c->close();
}

TEST_F(SocketConnectionTest, AddressesThatCannotBeOpened) {
    int closedPort = 0;
    {
        LocalTcpServer gone([](int) {});
        closedPort = gone.port();
    }
    struct Case {
        std::string url;
        std::string failure;
    };
    const Case cases[] = {
        {"socket://127.0.0.1",
         "java.lang.IllegalArgumentException: Not a socket address: socket://127.0.0.1"},
        {"socket://127.0.0.1:",
         "java.lang.IllegalArgumentException: Not a socket address: socket://127.0.0.1:"},
        {"socket://:8080",
         "java.lang.IllegalArgumentException: Not a socket address: socket://:8080"},
        {"socket://127.0.0.1:0",
         "java.lang.IllegalArgumentException: Not a socket address: socket://127.0.0.1:0"},
        {"socket://127.0.0.1:65536",
         "java.lang.IllegalArgumentException: Not a socket address: socket://127.0.0.1:65536"},
        {"socket://127.0.0.1:80x",
         "java.lang.IllegalArgumentException: Not a socket address: socket://127.0.0.1:80x"},
        {address(closedPort),
         "javax.microedition.io.ConnectionNotFoundException: Cannot connect to " +
             address(closedPort)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(failureOf([&] { openSocket(c.url); }), c.failure);
    }
    EXPECT_EQ(ce::fake::openSockets(), 0);
}

}  // namespace
