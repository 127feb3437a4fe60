// The http and https connections against the local server: the request as
// it goes out, the response as the connection reports it, the body through
// the streams, the state rules, and what closed streams and connections do.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "HAL_properties.h"
#include "ce_wininet.h"
#include "java_io_DataInputStream.h"
#include "java_io_IOException.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"
#include "java_util_TimeZone.h"
#include "javax_microedition_io_HttpsConnection.h"
#include "midp/http_test_support.h"
#include "runtime/runtime_test_support.h"
#include "runtime/wren_test_Task.h"

using httptest::localUrl;
using httptest::openHttp;
using httptest::readAll;
using httptest::textOf;
using java::lang::String;
using javax::microedition::io::HttpConnection;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace {

constexpr jlong kRfc1123 = 784111777000;  // Sun, 06 Nov 1994 08:49:37 GMT

// The application properties (the MIDlet-Name that is the User-Agent) come
// from the fixture program folder; the test server's certificate is trusted.
class HttpEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        HAL_initDeviceProperties();
        ce::fake::setCertificateAuthorities(WREN_HTTP_SERVER_CA);
    }
};
const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new HttpEnvironment);

class HttpConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (httptest::serverPort() == 0)
            GTEST_FAIL() << "the local HTTP server is not running (ctest starts it)";
    }
};

// The text and class of what `body` threw.
std::string failure(const VMPtr<java::lang::Throwable>& t) {
    return t ? classNameOf(t) + ": " + text(t->getMessage()) : std::string("nothing");
}

template <class F>
std::string failureOf(F&& body) {
    return failure(thrownBy(std::forward<F>(body)));
}

// A local port nothing listens on.
int closedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

VMPtr<VMArray<jbyte>> bytesOf(const std::string& s) {
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(jint(s.size()));
    for (size_t i = 0; i < s.size(); ++i) b[jint(i)] = jbyte(s[i]);
    return b;
}

TEST_F(HttpConnectionTest, DatesInTheThreeFormsAndHeaderLookup) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/dates"));
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(c->getDate(), kRfc1123);          // RFC 1123
    EXPECT_EQ(c->getLastModified(), kRfc1123);  // RFC 850
    // asctime carries no zone: the device's own.
    EXPECT_EQ(c->getExpiration(), kRfc1123 - java::util::TimeZone::getDefault()->getRawOffset());
    EXPECT_EQ(c->getHeaderFieldDate(String::make("DATE"), 5), kRfc1123);
    EXPECT_EQ(c->getHeaderFieldDate(String::make("Content-Type"), 5), 5);  // not a date
    EXPECT_EQ(c->getHeaderFieldDate(String::make("X-Absent"), 7), 7);

    // Names are matched without regard to case.
    EXPECT_EQ(text(c->getHeaderField(String::make("content-type"))), "text/plain");
    EXPECT_EQ(text(c->getHeaderField(String::make("CONTENT-LENGTH"))), "6");
    EXPECT_EQ(c->getHeaderFieldInt(String::make("content-length"), -1), 6);
    EXPECT_EQ(c->getHeaderFieldInt(String::make("Content-Type"), -1), -1);
    EXPECT_EQ(c->getHeaderFieldInt(String::make("X-Absent"), -1), -1);
    EXPECT_EQ(text(c->getHeaderField(String::make("X-Absent"))), "<null>");
    EXPECT_EQ(c->getLength(), 6);
    EXPECT_EQ(text(c->getType()), "text/plain");
    EXPECT_EQ(text(c->getEncoding()), "<null>");

    // Entry 0 is the status line, without a key.
    EXPECT_EQ(text(c->getResponseMessage()), "HTTP/1.1 200 OK");
    EXPECT_EQ(text(c->getHeaderField(0)), "HTTP/1.1 200 OK");
    EXPECT_EQ(text(c->getHeaderFieldKey(0)), "<null>");
    std::vector<std::string> keys;
    for (jint i = 1;; ++i) {
        VMPtr<String> key = c->getHeaderFieldKey(i);
        if (key == nullptr) {
            EXPECT_EQ(text(c->getHeaderField(i)), "<null>");
            break;
        }
        keys.push_back(text(key));
        if (keys.back() == "Expires") {
            EXPECT_EQ(text(c->getHeaderField(i)), "Sun Nov  6 08:49:37 1994");
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Content-Type", "Date", "Last-Modified", "Expires",
                                              "Content-Length", "Connection"}));
    EXPECT_EQ(text(c->getHeaderFieldKey(-1)), "<null>");
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "dates\n");
    c->close();
}

TEST_F(HttpConnectionTest, ResponseWithoutDatesAnswersZero) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/plain"));
    EXPECT_EQ(c->getDate(), 0);
    EXPECT_EQ(c->getExpiration(), 0);
    EXPECT_EQ(c->getLastModified(), 0);
    c->close();
}

TEST_F(HttpConnectionTest, LargeBinaryBodyArrivesInPiecesOfAtMost4096Bytes) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/binary"));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    EXPECT_EQ(in->available(), 0);
    std::vector<jint> pieces;
    std::vector<uint8_t> body = readAll(in, &pieces);
    ASSERT_EQ(body.size(), 10000u);
    for (size_t i = 0; i < body.size(); ++i) ASSERT_EQ(body[i], uint8_t((i * 31 + 7) & 0xFF)) << i;
    ASSERT_GE(pieces.size(), 4u);
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        EXPECT_GT(pieces[i], 0);
        EXPECT_LE(pieces[i], 4096);
    }
    EXPECT_EQ(pieces.back(), -1);
    // The end stays the end.
    EXPECT_EQ(in->read(), -1);
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(4);
    EXPECT_EQ(in->read(b, 0, 4), -1);
    c->close();
}

TEST_F(HttpConnectionTest, SingleByteReadsSkipAndAvailable) {
    // Byte i is (i * 31 + 7) & 0xFF: byte 8 is 0xFF.
    VMPtr<HttpConnection> c = openHttp(localUrl("/binary"));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    EXPECT_EQ(in->skip(8), 8);
    EXPECT_EQ(in->read(), 255);
    jint left = in->available();
    EXPECT_GT(left, 0);
    EXPECT_LE(left, 4096 - 9);
    // skip passes over chunk ends and the 0xFF bytes alike.
    EXPECT_EQ(in->skip(5000), 5000);
    EXPECT_EQ(in->read(), (5009 * 31 + 7) & 0xFF);
    EXPECT_EQ(in->skip(100000), 10000 - 5010);
    EXPECT_EQ(in->skip(1), 0);
    EXPECT_EQ(in->skip(-3), 0);
    c->close();
}

TEST_F(HttpConnectionTest, ChunkedBodyAndTransferEncoding) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/chunked"));
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(text(c->getEncoding()), "chunked");
    EXPECT_EQ(c->getLength(), -1);
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += "chunk-" + std::to_string(i) + "\n";
    EXPECT_EQ(textOf(readAll(c->openDataInputStream())), expected);
    c->close();
}

TEST_F(HttpConnectionTest, PostSendsTheWritesAsOneBodyWithTheMidletNameAsUserAgent) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/echo"));
    c->setRequestMethod(String::make("POST"));
    c->setRequestProperty(String::make("Content-Type"), String::make("application/octet-stream"));
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    out->write(bytesOf("first-10b|"));
    out->write(bytesOf("xxsecond-10b|xx"), 2, 11);
    out->write('t');
    out->write(bytesOf("hird-9b|"));
    out->close();
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(text(c->getHeaderField(String::make("X-Echo-Method"))), "POST");
    EXPECT_EQ(text(c->getHeaderField(String::make("X-Echo-User-Agent"))), "Wren HTTP Test");
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "first-10b|second-10b|third-9b|");
    c->close();
}

TEST_F(HttpConnectionTest, WritesAfterTheSendAreNotSent) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/echo"));
    c->setRequestMethod(String::make("POST"));
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    out->write(bytesOf("before"));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(1);
    EXPECT_EQ(in->read(b, 0, 0), 0);  // the first read sends, even for no bytes
    out->write(bytesOf("after"));
    EXPECT_EQ(text(c->getHeaderField(String::make("X-Echo-Method"))), "POST");
    EXPECT_EQ(textOf(readAll(in)), "before");
    c->close();
}

TEST_F(HttpConnectionTest, NotFoundHasItsStatusAndBody) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/notfound"));
    EXPECT_EQ(c->getResponseCode(), 404);
    EXPECT_EQ(c->getResponseCode(), 404);
    EXPECT_EQ(text(c->getResponseMessage()), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "nothing here\n");
    c->close();
}

TEST_F(HttpConnectionTest, RedirectIsFollowedToTheFinalResponse) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/redirect?tag=redirect-followed"));
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(text(c->getResponseMessage()), "HTTP/1.1 200 OK");
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "hello\n");
    c->close();
    std::string log = httptest::requestLog();
    EXPECT_NE(log.find("GET /redirect?tag=redirect-followed HTTP/1.1"), std::string::npos);
}

TEST_F(HttpConnectionTest, QueryGoesOutAndTheFragmentDoesNot) {
    std::string url = localUrl("/plain?tag=query-and-fragment&x=1#section-2");
    VMPtr<HttpConnection> c = openHttp(url);
    EXPECT_EQ(text(c->getQuery()), "tag=query-and-fragment&x=1");
    EXPECT_EQ(text(c->getRef()), "section-2");
    EXPECT_EQ(c->getResponseCode(), 200);
    c->close();
    std::string log = httptest::requestLog();
    size_t line = log.find("GET /plain?tag=query-and-fragment&x=1 HTTP/1.1\n");
    ASSERT_NE(line, std::string::npos) << log;
    EXPECT_EQ(log.find("section-2"), std::string::npos);
    // The request's own headers: the properties set, the agent, the host with its port.
    std::string block = log.substr(line, log.find("\n\n", line) - line);
    EXPECT_NE(block.find("User-Agent: Wren HTTP Test"), std::string::npos) << block;
    EXPECT_NE(block.find("Host: 127.0.0.1:" + std::to_string(httptest::serverPort())),
              std::string::npos)
        << block;
}

TEST_F(HttpConnectionTest, RequestPropertiesAreSentAndReplacedByKey) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/plain?tag=properties"));
    c->setRequestProperty(String::make("X-One"), String::make("1"));
    c->setRequestProperty(String::make("X-Two"), String::make("2"));
    c->setRequestProperty(String::make("X-One"), String::make("again"));
    EXPECT_EQ(text(c->getRequestProperty(String::make("X-One"))), "again");
    EXPECT_EQ(text(c->getRequestProperty(String::make("X-None"))), "<null>");
    EXPECT_EQ(c->getResponseCode(), 200);
    c->close();
    std::string log = httptest::requestLog();
    size_t line = log.find("GET /plain?tag=properties HTTP/1.1\n");
    ASSERT_NE(line, std::string::npos);
    std::string block = log.substr(line, log.find("\n\n", line) - line);
    EXPECT_NE(block.find("X-One: again"), std::string::npos) << block;
    EXPECT_NE(block.find("X-Two: 2"), std::string::npos) << block;
    EXPECT_EQ(block.find("X-One: 1"), std::string::npos) << block;
}

TEST_F(HttpConnectionTest, ClosedPortAnswersNoResponseAndTheReadFails) {
    VMPtr<HttpConnection> c =
        openHttp("http://127.0.0.1:" + std::to_string(closedPort()) + "/plain");
    EXPECT_EQ(c->getResponseCode(), -1);
    EXPECT_EQ(c->getLength(), -1);
    EXPECT_EQ(text(c->getResponseMessage()), "<null>");
    EXPECT_EQ(text(c->getHeaderField(String::make("Content-Type"))), "<null>");
    EXPECT_EQ(text(c->getType()), "<null>");
    VMPtr<java::io::InputStream> in = c->openInputStream();
    EXPECT_EQ(failureOf([&] { in->read(); }), "java.io.IOException: HttpConnection error: 7");
    c->close();
}

TEST_F(HttpConnectionTest, HttpsGoesOverTls) {
    int tls = httptest::serverPort("tls_port");
    ASSERT_NE(tls, 0);
    VMPtr<HttpConnection> c = openHttp(localUrl("/echo", "https"));
    EXPECT_TRUE(vmIsInstanceOf(c, javax::microedition::io::HttpsConnection::classRecord()));
    EXPECT_EQ(c->getPort(), tls);
    c->setRequestMethod(String::make("POST"));
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    out->write(bytesOf("secret"));
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "secret");
    EXPECT_TRUE(vmCast<javax::microedition::io::HttpsConnection>(c)->getSecurityInfo() == nullptr);
    c->close();
    EXPECT_TRUE(vmCast<javax::microedition::io::HttpsConnection>(c)->getSecurityInfo() == nullptr);
    // Plain text to the TLS port is no response at all.
    VMPtr<HttpConnection> plain = openHttp("http://127.0.0.1:" + std::to_string(tls) + "/plain");
    EXPECT_EQ(plain->getResponseCode(), -1);
    plain->close();
}

TEST_F(HttpConnectionTest, StateRules) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/plain"));
    EXPECT_EQ(text(c->getRequestMethod()), "GET");
    EXPECT_EQ(failureOf([&] { c->setRequestMethod(String::make("PUT")); }),
              "java.io.IOException: HttpConnection error: Invalid HTTP method");
    // Any case is accepted and the method kept as given.
    c->setRequestMethod(String::make("head"));
    EXPECT_EQ(text(c->getRequestMethod()), "head");
    c->setRequestMethod(String::make("GET"));
    // Streams do not connect: the request can still be changed.
    c->openOutputStream();
    c->setRequestProperty(String::make("X-Late"), String::make("ok"));
    EXPECT_EQ(c->getResponseCode(), 200);
    EXPECT_EQ(failureOf([&] { c->setRequestMethod(String::make("POST")); }),
              "java.io.IOException: HttpConnection error: HTTP method cannot be reset");
    EXPECT_EQ(failureOf([&] { c->setRequestProperty(String::make("A"), String::make("b")); }),
              "java.io.IOException: HttpConnection error: HTTP request property cannot be set "
              "because the connection is in the Connected state");
    c->close();
    c->close();
    for (auto op : std::vector<std::function<void()>>{
             [&] { c->getURL(); }, [&] { c->getResponseCode(); }, [&] { c->openInputStream(); },
             [&] { c->openOutputStream(); }, [&] { c->openDataOutputStream(); },
             [&] { c->getHeaderField(1); }, [&] { c->getLength(); }}) {
        EXPECT_EQ(failureOf(op),
                  "java.io.IOException: HttpConnection error: the connection is closed");
    }
}

TEST_F(HttpConnectionTest, ClosingAStreamEndsReadingAndClosingTheConnectionClosesItsStreams) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/binary"));
    VMPtr<java::io::InputStream> first = c->openInputStream();
    EXPECT_GE(first->read(), 0);
    jint left = first->available();
    first->close();
    first->close();                       // harmless
    EXPECT_EQ(first->available(), left);  // still answered after close
    EXPECT_EQ(failureOf([&] { first->read(); }),
              "java.io.IOException: The input stream has been closed");
    EXPECT_EQ(failureOf([&] { first->skip(1); }),
              "java.io.IOException: The input stream has been closed");
    // The request is gone with the stream: a second stream cannot read it.
    VMPtr<java::io::InputStream> second = c->openInputStream();
    EXPECT_EQ(failureOf([&] { second->read(); }), "java.io.IOException: HttpConnection error: 7");

    VMPtr<java::io::InputStream> third = c->openInputStream();
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    c->close();
    EXPECT_EQ(failureOf([&] { third->read(); }),
              "java.io.IOException: The input stream has been closed");
    EXPECT_EQ(classNameOf(thrownBy([&] { out->write(1); })), "java.io.IOException");
}

TEST_F(HttpConnectionTest, StreamsThatOutliveTheirConnectionFailCleanly) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/binary"));
    // Replaced by later ones, these two are not closed with the connection.
    VMPtr<java::io::InputStream> in = c->openInputStream();
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    c->openInputStream();
    c->openOutputStream();
    EXPECT_GE(in->read(), 0);
    c->close();
    // The native connection lives on for them, closed: they fail, never
    // reach freed memory.
    jint left = in->available();
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(8192);
    EXPECT_EQ(in->read(b, 0, 8192), left);
    EXPECT_EQ(failureOf([&] { in->read(); }), "java.io.IOException: HttpConnection error: 7");
    EXPECT_EQ(failureOf([&] { out->write(1); }), "java.io.IOException: HttpConnection error: 7");
    in->close();
    out->close();
    EXPECT_EQ(classNameOf(thrownBy([&] { out->write(1); })), "java.io.IOException");
}

TEST_F(HttpConnectionTest, OutputStreamChecksItsRange) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/echo"));
    c->setRequestMethod(String::make("POST"));
    VMPtr<java::io::OutputStream> out = c->openOutputStream();
    VMPtr<VMArray<jbyte>> b = bytesOf("0123456789");
    struct Range {
        jint off, len;
    };
    for (Range r : {Range{-1, 2}, Range{0, 11}, Range{11, 0}, Range{5, -1}, Range{3, 0x7fffffff}}) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(classNameOf(thrownBy([&] { out->write(b, r.off, r.len); })),
                  "java.lang.IndexOutOfBoundsException");
    }
    EXPECT_EQ(classNameOf(thrownBy([&] { out->write(VMPtr<VMArray<jbyte>>(nullptr), 0, 1); })),
              "java.lang.NullPointerException");
    out->write(b, 10, 0);
    out->write(b, 4, 3);
    EXPECT_EQ(textOf(readAll(c->openInputStream())), "456");
    c->close();
}

TEST_F(HttpConnectionTest, InputStreamChecksItsRange) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/plain"));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(4);
    EXPECT_EQ(classNameOf(thrownBy([&] { in->read(b, 2, 3); })),
              "java.lang.IndexOutOfBoundsException");
    EXPECT_EQ(classNameOf(thrownBy([&] { in->read(VMPtr<VMArray<jbyte>>(nullptr), 0, 1); })),
              "java.lang.NullPointerException");
    EXPECT_EQ(in->available(), 0);  // nothing was read
    c->close();
}

TEST_F(HttpConnectionTest, NativeHandlesGoWithCloseAndWithADroppedConnection) {
    openHttp(localUrl("/plain"))->close();  // the session stays open from here on
    const int before = ce::fake::openInternetHandles();
    {
        VMPtr<HttpConnection> c = openHttp(localUrl("/plain"));
        EXPECT_EQ(textOf(readAll(c->openInputStream())), "hello\n");
        EXPECT_GT(ce::fake::openInternetHandles(), before);
        c->close();
        EXPECT_EQ(ce::fake::openInternetHandles(), before);
    }
    {
        // Never closed: the collector's release of the objects frees them.
        VMPtr<HttpConnection> c = openHttp(localUrl("/plain"));
        EXPECT_EQ(c->getResponseCode(), 200);
        c->openInputStream();
        c->openOutputStream();
        EXPECT_GT(ce::fake::openInternetHandles(), before);
    }
    java::lang::System::gc();
    EXPECT_EQ(ce::fake::openInternetHandles(), before);
}

// While one thread waits for a slow server, the others run: the network
// calls give the VM lock up. Closing the connection from another thread ends
// the wait with an IOException.
TEST_F(HttpConnectionTest, ASlowServerDoesNotHoldTheVmLock) {
    VMPtr<HttpConnection> c = openHttp(localUrl("/stall"));
    VMPtr<java::io::InputStream> in = c->openInputStream();
    std::atomic<int> firstByte{-2};
    std::atomic<bool> waiting{false};
    std::atomic<bool> done{false};
    std::string outcome;
    VMPtr<wren::test::Task> reader = wren::test::Task::spawn([&] {
        firstByte = in->read();
        waiting = true;
        outcome = failureOf([&] { in->read(); });
        done = true;
    });
    wren::test::yieldUntil([&] { return waiting.load(); });
    EXPECT_EQ(firstByte.load(), 'x');
    // The reader now waits on the network for bytes that never come. This
    // thread still gets the VM lock back from its sleeps and runs Java code.
    for (int i = 0; i < 5 && !done; ++i) {
        java::lang::Thread::sleep(20);
        EXPECT_EQ(text(String::valueOf(jint(i))), std::to_string(i));
    }
    EXPECT_FALSE(done.load());
    c->close();
    wren::test::join(reader);
    EXPECT_TRUE(done.load());
    EXPECT_EQ(outcome, "java.io.IOException: HttpConnection error: 7");
}

// A server that takes the connection and never answers: once the transfer
// has stalled the request ends through the connection's failure path, and
// while it waits the other threads run.
TEST_F(HttpConnectionTest, AServerThatNeverAnswersFailsTheRequestWhileOthersRun) {
    int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(silent, 8);
    socklen_t n = sizeof a;
    getsockname(silent, reinterpret_cast<sockaddr*>(&a), &n);
    ce::fake::setTimeouts(0, 1);
    VMPtr<HttpConnection> c =
        openHttp("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/plain");
    std::atomic<jint> code{0};
    std::atomic<bool> done{false};
    std::string outcome;
    VMPtr<wren::test::Task> request = wren::test::Task::spawn([&] {
        code = c->getResponseCode();
        VMPtr<java::io::InputStream> in = c->openInputStream();
        outcome = failureOf([&] { in->read(); });
        done = true;
    });
    int rounds = 0;
    while (!done) {
        java::lang::Thread::sleep(20);
        EXPECT_EQ(text(String::valueOf(jint(rounds))), std::to_string(rounds));
        ++rounds;
    }
    wren::test::join(request);
    EXPECT_GT(rounds, 0);
    EXPECT_EQ(code.load(), -1);
    EXPECT_EQ(outcome, "java.io.IOException: HttpConnection error: 7");
    c->close();
    ce::fake::setTimeouts(0, 0);
    close(silent);
}

}  // namespace
