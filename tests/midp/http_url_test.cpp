// The parts of the URL an http or https connection reports: host, port,
// file, query and reference. Nothing here goes to the network: the server
// connection is only made when a request is sent.
#include <gtest/gtest.h>

#include <string>

#include "midp/http_test_support.h"
#include "runtime/runtime_test_support.h"

using wrentest::text;

namespace {

struct UrlCase {
    const char* url;
    const char* host;
    int port;
    const char* file;  // "<null>" for none
    const char* query;
    const char* ref;
};

TEST(HttpUrl, PartsOfTheUrl) {
    const UrlCase cases[] = {
        {"http://h/a/b?x=1#f", "h", 80, "/a/b", "x=1", "f"},
        {"http://h:8080/a", "h", 8080, "/a", "<null>", "<null>"},
        // A URL that ends with its port.
        {"http://h:8080", "h", 8080, "<null>", "<null>", "<null>"},
        {"http://example.com", "example.com", 80, "<null>", "<null>", "<null>"},
        {"http://h/", "h", 80, "/", "<null>", "<null>"},
        // A ':' in the path or the query is no port.
        {"http://h/a:b?q=1:2", "h", 80, "/a:b", "q=1:2", "<null>"},
        {"http://h?x=1", "h", 80, "<null>", "x=1", "<null>"},
        // Only the first '?' starts the query; a '?' after the '#' is the reference's.
        {"http://h/p?a=1?b=2", "h", 80, "/p", "a=1?b=2", "<null>"},
        {"http://h/p#frag?not=query", "h", 80, "/p", "<null>", "frag?not=query"},
        {"http://h/p?#", "h", 80, "/p", "", ""},
        {"http://user@h:81/p", "h", 81, "/p", "<null>", "<null>"},
        {"http://[::1]:8081/p", "[::1]", 8081, "/p", "<null>", "<null>"},
        {"https://h/p", "h", 443, "/p", "<null>", "<null>"},
        {"https://h:8443/p", "h", 8443, "/p", "<null>", "<null>"},
        // The port reported is the one the connection uses.
        {"https://h:80/p", "h", 80, "/p", "<null>", "<null>"},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        VMPtr<javax::microedition::io::HttpConnection> conn = httptest::openHttp(c.url);
        ASSERT_TRUE(conn != nullptr);
        EXPECT_EQ(text(conn->getURL()), c.url);
        EXPECT_EQ(text(conn->getHost()), c.host);
        EXPECT_EQ(conn->getPort(), c.port);
        EXPECT_EQ(text(conn->getFile()), c.file);
        EXPECT_EQ(text(conn->getQuery()), c.query);
        EXPECT_EQ(text(conn->getRef()), c.ref);
        conn->close();
    }
}

TEST(HttpUrl, AccessorsThrowOnceClosed) {
    VMPtr<javax::microedition::io::HttpConnection> conn = httptest::openHttp("https://h/p");
    conn->close();
    conn->close();  // a second close is harmless
    VMPtr<java::lang::Throwable> t = wrentest::thrownBy([&] { conn->getProtocol(); });
    EXPECT_EQ(wrentest::classNameOf(t), "java.io.IOException");
    if (t) {
        EXPECT_EQ(text(t->getMessage()), "HttpConnection error: the connection is closed");
    }
    EXPECT_EQ(wrentest::thrownName([&] { conn->getURL(); }), "java.io.IOException");
    EXPECT_EQ(wrentest::thrownName([&] { conn->getPort(); }), "java.io.IOException");
}

}  // namespace
