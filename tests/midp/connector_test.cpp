// Connector: malformed URLs, schemes without a protocol class, what the
// returned connection answers as, the interface records; PushRegistry.
#include <gtest/gtest.h>

#include <string>

#include "com_nimbault_marl_cldc_io_ConnectionBaseInterface.h"
#include "java_io_IOException.h"
#include "java_lang_Class.h"
#include "java_lang_IllegalArgumentException.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"
#include "javax_microedition_io_Connector.h"
#include "javax_microedition_io_HttpsConnection.h"
#include "javax_microedition_io_PushRegistry.h"
#include "midp/http_test_support.h"
#include "runtime/runtime_test_support.h"

using java::lang::String;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace {

using namespace javax::microedition::io;

// A class that Connector finds by name for the scheme "notproto" but that is
// no protocol class.
class NotAProtocol : public virtual java::lang::Object {
    WREN_CLASS(NotAProtocol, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace

WREN_DEFINE_CLASS(NotAProtocol, "com.nimbault.marl.midp.io.protocol.notproto.Protocol")

namespace {

struct BadName {
    const char* url;  // null for a null name
    const char* exception;
    const char* message;
};

TEST(Connector, RefusesMalformedNamesAndUnknownSchemes) {
    const BadName cases[] = {
        {nullptr, "java.lang.IllegalArgumentException", "Null URL"},
        {":foo", "java.lang.IllegalArgumentException", "empty protocol in URL"},
        {"no-colon-here", "java.lang.IllegalArgumentException", "no ':' in URL"},
        {"ftp://host/file", "javax.microedition.io.ConnectionNotFoundException",
         "The requested protocol does not exist ftp://host/file"},
        // The scheme is taken as written: there is no upper-case package.
        {"HTTP://host/", "javax.microedition.io.ConnectionNotFoundException",
         "The requested protocol does not exist HTTP://host/"},
        // '-' becomes '_' in the class name, which does not exist either.
        {"x-y://z", "javax.microedition.io.ConnectionNotFoundException",
         "The requested protocol does not exist x-y://z"},
        // Found by name, but not a protocol: the failed cast becomes an IOException.
        {"notproto://z", "java.io.IOException", "java.lang.ClassCastException"},
    };
    for (const BadName& c : cases) {
        SCOPED_TRACE(c.url ? c.url : "(null)");
        VMPtr<java::lang::Throwable> t = thrownBy([&] {
            Connector::open(c.url ? String::make(c.url) : VMPtr<String>(nullptr));
        });
        EXPECT_EQ(classNameOf(t), c.exception);
        if (t) {
            EXPECT_EQ(text(t->getMessage()), c.message);
        }
    }
}

TEST(Connector, HttpAndHttpsConnectionsAnswerAsEveryConnectionInterface) {
    for (const char* url : {"http://127.0.0.1:1/x", "https://127.0.0.1:1/x"}) {
        SCOPED_TRACE(url);
        VMPtr<Connection> c = Connector::open(String::make(url), Connector::READ);
        ASSERT_TRUE(c != nullptr);
        for (java::lang::Class* iface :
             {Connection::classRecord(), InputConnection::classRecord(),
              OutputConnection::classRecord(), StreamConnection::classRecord(),
              ContentConnection::classRecord(), HttpConnection::classRecord(),
              com::nimbault::marl::cldc::io::ConnectionBaseInterface::classRecord()}) {
            SCOPED_TRACE(iface->name);
            EXPECT_TRUE(vmIsInstanceOf(c, iface));
        }
        EXPECT_TRUE(vmCast<OutputConnection>(c) != nullptr);
        bool secure = std::string(url).rfind("https", 0) == 0;
        EXPECT_EQ(vmIsInstanceOf(c, HttpsConnection::classRecord()), secure);
        EXPECT_EQ(text(vmCast<HttpConnection>(c)->getProtocol()), secure ? "https" : "http");
        c->close();
    }
}

TEST(Connector, ClassTableHoldsTheInterfacesAndClasses) {
    struct Record {
        const char* name;
        const char* superName;
        bool isInterface;
    };
    const Record records[] = {
        {"com.nimbault.marl.cldc.io.ConnectionBaseInterface", "", true},
        {"javax.microedition.io.Connection", "", true},
        {"javax.microedition.io.InputConnection", "javax.microedition.io.Connection", true},
        {"javax.microedition.io.OutputConnection", "javax.microedition.io.Connection", true},
        {"javax.microedition.io.StreamConnection", "javax.microedition.io.InputConnection", true},
        {"javax.microedition.io.ContentConnection", "javax.microedition.io.StreamConnection", true},
        {"javax.microedition.io.HttpConnection", "javax.microedition.io.ContentConnection", true},
        {"javax.microedition.io.HttpsConnection", "javax.microedition.io.HttpConnection", true},
        {"javax.microedition.io.Connector", "java.lang.Object", false},
        {"javax.microedition.io.PushRegistry", "java.lang.Object", false},
        {"com.nimbault.marl.midp.io.protocol.http.Protocol", "java.lang.Object", false},
        {"com.nimbault.marl.midp.io.protocol.https.Protocol",
         "com.nimbault.marl.midp.io.protocol.http.Protocol", false},
        {"com.nimbault.marl.midp.io.HttpInputStream", "java.io.InputStream", false},
        {"com.nimbault.marl.midp.io.HttpOutputStream", "java.io.OutputStream", false},
    };
    for (const Record& r : records) {
        SCOPED_TRACE(r.name);
        VMPtr<java::lang::Class> cls = java::lang::Class::forName(String::make(r.name));
        ASSERT_TRUE(cls != nullptr);
        EXPECT_EQ(std::string(cls->superName), r.superName);
        EXPECT_EQ(cls->isInterface, r.isInterface);
    }
}

TEST(Connector, HttpConnectionConstantsAreTheMethodNames) {
    HttpConnection::Statics& s = HttpConnection::S();
    EXPECT_EQ(text(s.HEAD), "HEAD");
    EXPECT_EQ(text(s.GET), "GET");
    EXPECT_EQ(text(s.POST), "POST");
}

TEST(PushRegistry, RegisterAlarmIsNotSupported) {
    VMPtr<java::lang::Throwable> t =
        thrownBy([] { PushRegistry::registerAlarm(String::make("main.CommonMIDlet"), 1000); });
    EXPECT_EQ(classNameOf(t), "javax.microedition.io.ConnectionNotFoundException");
    if (t) {
        EXPECT_EQ(text(t->getMessage()), "not supported");
    }
}

}  // namespace
