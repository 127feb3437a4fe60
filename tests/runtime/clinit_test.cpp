// The static-initialisation protocol on one thread: order, recursion and
// failure.
#include <gtest/gtest.h>

#include <string>

#include "VMClass.h"
#include "VMException.h"
#include "java_lang_Error.h"
#include "java_lang_ExceptionInInitializerError.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"

using java::lang::Class;
using java::lang::Object;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::thrownBy;

namespace inittest {

// Every initialiser appends its class's short name here.
std::string initLog;

// Top <- Mid <- Leaf, and Mid <- Twin: each logs its initialisation.
class Top : public virtual Object {
    WREN_CLASS(Top, Object)
public:
    struct Statics { jint value = 0; };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void Top::staticInit() {
    initLog += "Top ";
    S().value = 1;
}

class Mid : public Top {
    WREN_CLASS(Mid, Top)
public:
    struct Statics { jint topValueSeen = -1; };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void Mid::staticInit() {
    initLog += "Mid ";
    // The superclass is complete by the time a subclass initialiser runs.
    S().topValueSeen = Top::wrenStatics_().value;
}

class Leaf : public Mid {
    WREN_CLASS(Leaf, Mid)
public:
    WREN_STATIC_INIT()
};
void Leaf::staticInit() { initLog += "Leaf "; }

class Twin : public Mid {
    WREN_CLASS(Twin, Mid)
public:
    WREN_STATIC_INIT()
};
void Twin::staticInit() { initLog += "Twin "; }

// A static initialiser that reads and writes its own statics while running.
class SelfReader : public virtual Object {
    WREN_CLASS(SelfReader, Object)
public:
    struct Statics {
        jint first = 0;
        jint second = 0;
        jint firstSeen = -1;
        jint secondSeen = -1;
        jint stateSeen = -1;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void SelfReader::staticInit() {
    S().first = 1;
    S().firstSeen = S().first;
    S().secondSeen = S().second;
    S().stateSeen = classRecord()->initState;
    VMPtr<SelfReader> instance = SelfReader::make();  // instantiation from inside passes too
    S().second = 2;
}

// Initialisers that fail.
class ThrowsArgument : public virtual Object {
    WREN_CLASS(ThrowsArgument, Object)
public:
    struct Statics { jint runs = 0; };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void ThrowsArgument::staticInit() {
    ++wrenStatics_().runs;
    java::lang::IllegalArgumentException::throwNew(WREN_LIT("bad static state"));
}

class ThrowsError : public virtual Object {
    WREN_CLASS(ThrowsError, Object)
public:
    WREN_STATIC_INIT()
};
void ThrowsError::staticInit() { java::lang::Error::throwNew(WREN_LIT("broken by an error")); }

class FailingBase : public virtual Object {
    WREN_CLASS(FailingBase, Object)
public:
    WREN_STATIC_INIT()
};
void FailingBase::staticInit() {
    initLog += "FailingBase ";
    java::lang::IllegalArgumentException::throwNew(WREN_LIT("base failed"));
}

class ChildOfFailing : public FailingBase {
    WREN_CLASS(ChildOfFailing, FailingBase)
public:
    WREN_STATIC_INIT()
};
void ChildOfFailing::staticInit() { initLog += "ChildOfFailing "; }

// The program ends from inside an initialiser.
class ExitsDuringInit : public virtual Object {
    WREN_CLASS(ExitsDuringInit, Object)
public:
    WREN_STATIC_INIT()
};
void ExitsDuringInit::staticInit() { VMExitException::make(4)->throwSelf(); }

// Interfaces: initialising Lower must not touch Upper.
class Upper : public virtual Object {
    WREN_INTERFACE(Upper)
};
class Lower : public virtual Upper {
    WREN_INTERFACE(Lower)
};

// A class without an initialiser of its own still takes its superclass
// through the protocol.
class Root : public virtual Object {
    WREN_CLASS(Root, Object)
public:
    struct Statics { jint value = 0; };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void Root::staticInit() { S().value = 5; }

class Plain : public Root {
    WREN_CLASS(Plain, Root)
};

}  // namespace inittest

WREN_DEFINE_CLASS(inittest::Top, "inittest.Top")
WREN_DEFINE_CLASS(inittest::Mid, "inittest.Mid")
WREN_DEFINE_CLASS(inittest::Leaf, "inittest.Leaf")
WREN_DEFINE_CLASS(inittest::Twin, "inittest.Twin")
WREN_DEFINE_CLASS(inittest::SelfReader, "inittest.SelfReader")
WREN_DEFINE_CLASS(inittest::ThrowsArgument, "inittest.ThrowsArgument")
WREN_DEFINE_CLASS(inittest::ThrowsError, "inittest.ThrowsError")
WREN_DEFINE_CLASS(inittest::FailingBase, "inittest.FailingBase")
WREN_DEFINE_CLASS(inittest::ChildOfFailing, "inittest.ChildOfFailing")
WREN_DEFINE_CLASS(inittest::ExitsDuringInit, "inittest.ExitsDuringInit")
WREN_DEFINE_INTERFACE(inittest::Upper, "inittest.Upper")
WREN_DEFINE_INTERFACE(inittest::Lower, "inittest.Lower", inittest::Upper)
WREN_DEFINE_CLASS(inittest::Root, "inittest.Root")
WREN_DEFINE_CLASS(inittest::Plain, "inittest.Plain")

namespace {

using namespace inittest;

TEST(StaticInit, SuperclassesAreInitialisedFirstAndOnce) {
    initLog.clear();
    ASSERT_EQ(Leaf::classRecord()->initState, Class::NOT_INITIALISED);
    ASSERT_EQ(Top::classRecord()->initState, Class::NOT_INITIALISED);

    VMPtr<Leaf> leaf = Leaf::make();
    EXPECT_EQ(initLog, "Top Mid Leaf ");
    EXPECT_EQ(Mid::wrenStatics_().topValueSeen, 1);
    for (Class* c : {Top::classRecord(), Mid::classRecord(), Leaf::classRecord()})
        EXPECT_EQ(c->initState, Class::INITIALISED) << c->name;

    // A sibling finds its superclasses done; nothing runs twice.
    Twin::clinit();
    Leaf::clinit();
    Mid::S();
    VMPtr<Top> top = Top::make();
    EXPECT_EQ(initLog, "Top Mid Leaf Twin ");
}

TEST(StaticInit, ClassWithoutOwnInitialiserStillInitialisesItsSuperclass) {
    Class* plain = Plain::classRecord();
    ASSERT_EQ(plain->staticInit, &vmEmptyStaticInit);
    ASSERT_EQ(plain->initState, Class::NOT_INITIALISED);
    VMPtr<Plain> p = Plain::make();
    EXPECT_EQ(plain->initState, Class::INITIALISED);
    EXPECT_EQ(Root::classRecord()->initState, Class::INITIALISED);
    EXPECT_EQ(Root::wrenStatics_().value, 5);
}

TEST(StaticInit, InterfaceInitialisationInitialisesNothingElse) {
    Class* lower = Lower::classRecord();
    Class* upper = Upper::classRecord();
    ASSERT_EQ(lower->initState, Class::NOT_INITIALISED);
    ASSERT_EQ(upper->initState, Class::NOT_INITIALISED);
    Lower::clinit();
    EXPECT_EQ(lower->initState, Class::INITIALISED);
    EXPECT_EQ(upper->initState, Class::NOT_INITIALISED);
}

TEST(StaticInit, InitialiserReadingItsOwnStaticsSeesThePartialClass) {
    SelfReader::Statics& s = SelfReader::S();
    EXPECT_EQ(s.firstSeen, 1);
    EXPECT_EQ(s.secondSeen, 0);
    EXPECT_EQ(s.stateSeen, Class::IN_PROGRESS);
    EXPECT_EQ(s.second, 2);
    EXPECT_EQ(SelfReader::classRecord()->initState, Class::INITIALISED);
    // The record's monitor is free again.
    EXPECT_EQ(SelfReader::classRecord()->monitorCount_, 0);
}

TEST(StaticInit, NonErrorIsWrappedFirstThenNoClassDefFoundError) {
    Class* cls = ThrowsArgument::classRecord();

    VMPtr<Throwable> first = thrownBy([] { ThrowsArgument::make(); });
    ASSERT_EQ(classNameOf(first), "java.lang.ExceptionInInitializerError");
    VMPtr<java::lang::ExceptionInInitializerError> wrapper =
        vmCast<java::lang::ExceptionInInitializerError>(first);
    ASSERT_TRUE(wrapper);
    EXPECT_EQ(wrapper->getMessage(), nullptr);
    VMPtr<Throwable> cause = wrapper->getException();
    EXPECT_EQ(classNameOf(cause), "java.lang.IllegalArgumentException");
    ASSERT_TRUE(cause);
    EXPECT_EQ(cause->getMessage().get(), WREN_LIT("bad static state"));
    EXPECT_EQ(cls->initState, Class::FAILED);
    EXPECT_EQ(cls->monitorCount_, 0);

    // Every later use, whatever its kind, gets NoClassDefFoundError without
    // message, and the initialiser does not run again.
    const auto uses = {+[] { ThrowsArgument::make(); }, +[] { ThrowsArgument::S(); },
                       +[] { ThrowsArgument::clinit(); },
                       +[] { ThrowsArgument::classRecord()->newInstance(); }};
    for (auto use : uses) {
        VMPtr<Throwable> later = thrownBy(use);
        EXPECT_EQ(classNameOf(later), "java.lang.NoClassDefFoundError");
        if (later) {
            EXPECT_EQ(later->getMessage(), nullptr);
        }
    }
    EXPECT_EQ(ThrowsArgument::wrenStatics_().runs, 1);

    // Entering the protocol itself on a failed class names the class (what a
    // thread that waited for the failed initialiser sees).
    VMPtr<Throwable> direct = thrownBy([cls] { vmRunStaticInitializer(cls); });
    EXPECT_EQ(classNameOf(direct), "java.lang.NoClassDefFoundError");
    if (direct) {
        EXPECT_EQ(wrentest::text(direct->getMessage()), "inittest.ThrowsArgument");
    }
    EXPECT_EQ(cls->monitorCount_, 0);
}

TEST(StaticInit, ErrorPropagatesUnchangedAndMarksTheClassFailed) {
    VMPtr<Throwable> thrown = thrownBy([] { ThrowsError::make(); });
    EXPECT_EQ(classNameOf(thrown), "java.lang.Error");
    ASSERT_TRUE(thrown);
    EXPECT_EQ(thrown->getMessage().get(), WREN_LIT("broken by an error"));
    EXPECT_EQ(ThrowsError::classRecord()->initState, Class::FAILED);
    EXPECT_EQ(wrentest::thrownName([] { ThrowsError::clinit(); }), "java.lang.NoClassDefFoundError");
}

TEST(StaticInit, FailingSuperclassFailsTheSubclass) {
    initLog.clear();
    VMPtr<Throwable> thrown = thrownBy([] { ChildOfFailing::make(); });
    // The superclass's wrapper arrives unchanged: it is already an Error.
    ASSERT_EQ(classNameOf(thrown), "java.lang.ExceptionInInitializerError");
    VMPtr<Throwable> cause = vmCast<java::lang::ExceptionInInitializerError>(thrown)->getException();
    ASSERT_TRUE(cause);
    EXPECT_EQ(cause->getMessage().get(), WREN_LIT("base failed"));
    EXPECT_EQ(initLog, "FailingBase ");
    EXPECT_EQ(FailingBase::classRecord()->initState, Class::FAILED);
    EXPECT_EQ(ChildOfFailing::classRecord()->initState, Class::FAILED);

    EXPECT_EQ(wrentest::thrownName([] { ChildOfFailing::make(); }),
              "java.lang.NoClassDefFoundError");
    EXPECT_EQ(wrentest::thrownName([] { FailingBase::make(); }), "java.lang.NoClassDefFoundError");
    EXPECT_EQ(initLog, "FailingBase ");
}

TEST(StaticInit, ExitPassesThroughAndLeavesTheClassInProgress) {
    jint status = -1;
    bool seenAsThrowable = false;
    try {
        try {
            ExitsDuringInit::clinit();
        } catch (Throwable* caught) {
            VMPtr<Throwable> held = caught;
            seenAsThrowable = true;
        }
    } catch (VMExitException* caught) {
        VMPtr<VMExitException> held = caught;
        status = held->status;
    }
    EXPECT_FALSE(seenAsThrowable);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(ExitsDuringInit::classRecord()->initState, Class::IN_PROGRESS);
    EXPECT_EQ(ExitsDuringInit::classRecord()->monitorCount_, 0);
}

}  // namespace
