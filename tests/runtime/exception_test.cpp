// Java exceptions as C++ throws: catch matching along the Java class chain,
// rethrow through a base reference, messages, and the exception classes'
// registration.
#include <gtest/gtest.h>

#include <string>

#include "VM.h"
#include "VMException.h"
#include "VMHeap.h"
#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Error.h"
#include "java_lang_Exception.h"
#include "java_lang_ExceptionInInitializerError.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_StringIndexOutOfBoundsException.h"
#include "runtime/runtime_test_support.h"

using java::lang::Class;
using java::lang::Object;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace {

TEST(Exceptions, ToStringIsClassNameAndMessage) {
    struct Case {
        VMPtr<Throwable> e;
        const char* expected;
    };
    const Case cases[] = {
        {java::lang::NullPointerException::make(), "java.lang.NullPointerException"},
        {java::io::EOFException::make(), "java.io.EOFException"},
        {java::lang::IllegalStateException::make(String::make("closed")),
         "java.lang.IllegalStateException: closed"},
        {java::lang::Exception::make(String::make("")), "java.lang.Exception: "},
        {Throwable::make(), "java.lang.Throwable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(text(c.e->toString()), c.expected);
    }
}

TEST(Exceptions, IndexConstructorsBuildTheirMessage) {
    struct Case {
        VMPtr<Throwable> e;
        const char* cls;
        const char* message;
    };
    const Case cases[] = {
        {java::lang::ArrayIndexOutOfBoundsException::make(-1),
         "java.lang.ArrayIndexOutOfBoundsException", "Array index out of range: -1"},
        {java::lang::ArrayIndexOutOfBoundsException::make(2147483647),
         "java.lang.ArrayIndexOutOfBoundsException", "Array index out of range: 2147483647"},
        {java::lang::ArrayIndexOutOfBoundsException::make(String::make("as given")),
         "java.lang.ArrayIndexOutOfBoundsException", "as given"},
        {java::lang::StringIndexOutOfBoundsException::make(-1),
         "java.lang.StringIndexOutOfBoundsException", "String index out of range: -1"},
        {java::lang::StringIndexOutOfBoundsException::make(-2147483647 - 1),
         "java.lang.StringIndexOutOfBoundsException", "String index out of range: -2147483648"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(classNameOf(c.e), c.cls);
        EXPECT_EQ(text(c.e->getMessage()), c.message);
    }
    EXPECT_EQ(java::lang::ArrayIndexOutOfBoundsException::make()->getMessage(), nullptr);
}

TEST(Exceptions, CatchOfASuperclassCatchesTheSubclass) {
    bool caught = false;
    try {
        java::io::EOFException::throwNew();
    } catch (java::io::IOException* e) {
        VMPtr<java::io::IOException> io = e;
        caught = io->getClass() == java::io::EOFException::classRecord();
    }
    EXPECT_TRUE(caught);
}

TEST(Exceptions, ExceptionDoesNotCatchAnError) {
    const char* where = "nowhere";
    try {
        try {
            java::lang::OutOfMemoryError::throwNew();
        } catch (java::lang::Exception* e) {
            VMPtr<java::lang::Exception> held = e;
            where = "Exception";
        }
    } catch (java::lang::Error* e) {
        VMPtr<java::lang::Error> held = e;
        where = "Error";
    }
    EXPECT_STREQ(where, "Error");
}

TEST(Exceptions, ThrowableDoesNotCatchExit) {
    const char* where = "nowhere";
    jint status = -1;
    try {
        try {
            VMExitException::make(3)->throwSelf();
        } catch (Throwable* e) {
            VMPtr<Throwable> held = e;
            where = "Throwable";
        }
    } catch (VMException* e) {
        VMPtr<VMException> held = e;
        where = "VMException";
        if (auto* exit = dynamic_cast<VMExitException*>(e)) status = exit->status;
    }
    EXPECT_STREQ(where, "VMException");
    EXPECT_EQ(status, 3);
}

TEST(Exceptions, RethrowThroughABaseReferenceKeepsTheRealClass) {
    VMPtr<Throwable> t = java::lang::IllegalStateException::make(String::make("state"));
    const char* where = "nowhere";
    VMPtr<Throwable> received;
    try {
        t->throwSelf();
    } catch (java::lang::IllegalStateException* e) {
        received = e;
        where = "IllegalStateException";
    } catch (Throwable* e) {
        received = e;
        where = "Throwable";
    }
    EXPECT_STREQ(where, "IllegalStateException");
    EXPECT_TRUE(received == t);

    // Once more after a catch by a base class and a rethrow from there.
    where = "nowhere";
    try {
        try {
            java::lang::IllegalArgumentException::throwNew(WREN_LIT("arg"));
        } catch (java::lang::RuntimeException* e) {
            VMPtr<java::lang::RuntimeException> base = e;
            base->throwSelf();
        }
    } catch (java::lang::IllegalArgumentException* e) {
        VMPtr<Throwable> held = e;
        where = "IllegalArgumentException";
    } catch (Throwable* e) {
        VMPtr<Throwable> held = e;
        where = "Throwable";
    }
    EXPECT_STREQ(where, "IllegalArgumentException");
}

TEST(Exceptions, ThrownExceptionSurvivesCollectionsUntilCaught) {
    // Only the throw keeps the exception and its message alive between the
    // collection and the handler.
    VMWeakPtr<Throwable> watch;
    bool messageIntact = false;
    try {
        VMPtr<Throwable> e = java::lang::IllegalStateException::make(String::make("kept"));
        watch = e;
        try {
            e->throwSelf();
        } catch (Object*) {
            e = nullptr;  // drop the local: the exception is now held by nothing else
            VM::collect();
            throw;
        }
    } catch (java::lang::IllegalStateException* caught) {
        VMPtr<java::lang::IllegalStateException> held = caught;
        VM::collect();
        messageIntact = text(held->getMessage()) == "kept";
    }
    EXPECT_TRUE(messageIntact);
    EXPECT_FALSE(watch == nullptr);
}

TEST(Exceptions, PrintStackTraceEndsWithTheUnknownFrame) {
    struct Case {
        VMPtr<Throwable> e;
        const char* header;  // how the first line ends
    };
    const Case cases[] = {
        {java::lang::IllegalStateException::make(String::make("m")),
         "java.lang.IllegalStateException: m"},
        {java::lang::NullPointerException::make(), "java.lang.NullPointerException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        testing::internal::CaptureStdout();
        c.e->printStackTrace();
        std::string out = testing::internal::GetCapturedStdout();
        const std::string frame = "    at <unknown>\n";
        ASSERT_GE(out.size(), frame.size());
        EXPECT_EQ(out.substr(out.size() - frame.size()), frame);
        std::string first = out.substr(0, out.find('\n'));
        ASSERT_GE(first.size(), std::string(c.header).size());
        EXPECT_EQ(first.substr(first.size() - std::string(c.header).size()), c.header);
        EXPECT_EQ(first.rfind("Exception ", 0), 0u) << first;
        EXPECT_EQ(out.find('\n'), first.size());
        EXPECT_EQ(out.size(), first.size() + 1 + frame.size());  // exactly two lines
    }
}

TEST(Exceptions, InitializerErrorHoldsItsCause) {
    VMWeakPtr<Throwable> watch;
    VMPtr<java::lang::ExceptionInInitializerError> wrapper;
    {
        VMPtr<Throwable> cause = java::lang::IllegalArgumentException::make(String::make("cause"));
        watch = cause;
        wrapper = java::lang::ExceptionInInitializerError::make(cause);
    }
    VM::collect();
    ASSERT_FALSE(watch == nullptr);
    EXPECT_TRUE(wrapper->getException() == watch);
    EXPECT_EQ(text(wrapper->getException()->getMessage()), "cause");
    EXPECT_EQ(wrapper->getMessage(), nullptr);
    EXPECT_EQ(text(wrapper->toString()), "java.lang.ExceptionInInitializerError");
    EXPECT_EQ(java::lang::ExceptionInInitializerError::make()->getException(), nullptr);
}

TEST(Exceptions, ClassesAreRegisteredUnderTheirSuperclassesAndCanBeMadeByName) {
    struct Case {
        const char* name;
        const char* super;
    };
    const Case cases[] = {
        {"java.lang.Throwable", "java.lang.Object"},
        {"java.lang.Exception", "java.lang.Throwable"},
        {"java.lang.Error", "java.lang.Throwable"},
        {"java.lang.RuntimeException", "java.lang.Exception"},
        {"java.lang.ArithmeticException", "java.lang.RuntimeException"},
        {"java.lang.ClassNotFoundException", "java.lang.Exception"},
        {"java.lang.InstantiationException", "java.lang.Exception"},
        {"java.lang.IllegalAccessException", "java.lang.Exception"},
        {"java.lang.InterruptedException", "java.lang.Exception"},
        {"java.io.IOException", "java.lang.Exception"},
        {"java.io.EOFException", "java.io.IOException"},
        {"java.io.UTFDataFormatException", "java.io.IOException"},
        {"java.io.UnsupportedEncodingException", "java.io.IOException"},
        {"java.lang.NullPointerException", "java.lang.RuntimeException"},
        {"java.lang.ClassCastException", "java.lang.RuntimeException"},
        {"java.lang.IllegalArgumentException", "java.lang.RuntimeException"},
        {"java.lang.IllegalThreadStateException", "java.lang.IllegalArgumentException"},
        {"java.lang.NumberFormatException", "java.lang.IllegalArgumentException"},
        {"java.lang.IllegalStateException", "java.lang.RuntimeException"},
        {"java.lang.IllegalMonitorStateException", "java.lang.RuntimeException"},
        {"java.lang.IndexOutOfBoundsException", "java.lang.RuntimeException"},
        {"java.lang.ArrayIndexOutOfBoundsException", "java.lang.IndexOutOfBoundsException"},
        {"java.lang.StringIndexOutOfBoundsException", "java.lang.IndexOutOfBoundsException"},
        {"java.lang.NegativeArraySizeException", "java.lang.RuntimeException"},
        {"java.lang.ArrayStoreException", "java.lang.RuntimeException"},
        {"java.lang.SecurityException", "java.lang.RuntimeException"},
        {"java.util.NoSuchElementException", "java.lang.RuntimeException"},
        {"java.lang.VirtualMachineError", "java.lang.Error"},
        {"java.lang.OutOfMemoryError", "java.lang.VirtualMachineError"},
        {"java.lang.NoClassDefFoundError", "java.lang.Error"},
        {"java.lang.ExceptionInInitializerError", "java.lang.Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Class* cls = vmFindClass(c.name);
        ASSERT_NE(cls, nullptr);
        Class* super = vmGetSuperclass(cls);
        ASSERT_NE(super, nullptr);
        EXPECT_STREQ(super->name, c.super);
        EXPECT_FALSE(cls->isAbstract);
        EXPECT_FALSE(cls->isInterface);

        // newInstance gives an object of exactly that class, and a throw of
        // it is caught as the C++ class of its Java superclass.
        VMPtr<Object> made = cls->newInstance();
        ASSERT_TRUE(made);
        EXPECT_EQ(made->getClass(), cls);
        VMPtr<Throwable> t = vmCast<Throwable>(made);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->getMessage(), nullptr);
        EXPECT_TRUE(vmIsInstanceOf(t, super));
        VMPtr<Throwable> rethrown = thrownBy([&] { t->throwSelf(); });
        EXPECT_TRUE(rethrown == t);
    }
}

}  // namespace
