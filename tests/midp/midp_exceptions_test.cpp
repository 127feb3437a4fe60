// The connection and record-store exception classes: where they sit in the
// class family (what a catch of the base class catches) and their messages.
#include <gtest/gtest.h>

#include <string>

#include "java_io_IOException.h"
#include "java_lang_Class.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"
#include "javax_microedition_rms_InvalidRecordIDException.h"
#include "javax_microedition_rms_RecordStoreException.h"
#include "javax_microedition_rms_RecordStoreFullException.h"
#include "javax_microedition_rms_RecordStoreNotFoundException.h"
#include "javax_microedition_rms_RecordStoreNotOpenException.h"
#include "runtime/runtime_test_support.h"

using java::lang::String;
using wrentest::text;

namespace {

using namespace javax::microedition;

template <class E>
bool caughtAsRecordStoreException() {
    try {
        E::throwNew();
    } catch (rms::RecordStoreException* caught) {
        VMPtr<rms::RecordStoreException> e = caught;
        return e->getMessage() == nullptr;
    }
    return false;
}

TEST(MidpExceptions, RecordStoreFamilyIsCaughtByItsBaseWithoutMessage) {
    EXPECT_TRUE(caughtAsRecordStoreException<rms::RecordStoreException>());
    EXPECT_TRUE(caughtAsRecordStoreException<rms::RecordStoreNotFoundException>());
    EXPECT_TRUE(caughtAsRecordStoreException<rms::RecordStoreNotOpenException>());
    EXPECT_TRUE(caughtAsRecordStoreException<rms::InvalidRecordIDException>());
    EXPECT_TRUE(caughtAsRecordStoreException<rms::RecordStoreFullException>());
}

TEST(MidpExceptions, ConnectionNotFoundIsAnIOExceptionWithItsMessage) {
    try {
        io::ConnectionNotFoundException::throwNew(String::make("not supported"));
    } catch (java::io::IOException* caught) {
        VMPtr<java::io::IOException> e = caught;
        EXPECT_EQ(text(e->getMessage()), "not supported");
        EXPECT_EQ(std::string(e->getClass()->name),
                  "javax.microedition.io.ConnectionNotFoundException");
        return;
    }
    FAIL() << "not caught as IOException";
}

TEST(MidpExceptions, ClassTableKnowsEveryName) {
    const char* names[] = {
        "javax.microedition.io.ConnectionNotFoundException",
        "javax.microedition.rms.RecordStoreException",
        "javax.microedition.rms.RecordStoreNotFoundException",
        "javax.microedition.rms.RecordStoreNotOpenException",
        "javax.microedition.rms.InvalidRecordIDException",
        "javax.microedition.rms.RecordStoreFullException",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        VMPtr<java::lang::Class> cls = java::lang::Class::forName(String::make(name));
        ASSERT_TRUE(cls != nullptr);
        EXPECT_EQ(std::string(cls->name), name);
    }
}

}  // namespace
