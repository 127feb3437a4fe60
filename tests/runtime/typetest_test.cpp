// instanceof, assignability and casts over class records, interfaces and
// arrays.
#include <gtest/gtest.h>

#include <string>

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"

using java::lang::Class;
using java::lang::Object;
using java::lang::String;

namespace typetest {

// Interfaces:  Top;  Sub extends Top;  Side;  Both extends Side, Top (Side is
// named as its superclass, Top is listed as a further super-interface).
class Top : public virtual Object {
    WREN_INTERFACE(Top)
};
class Sub : public virtual Top {
    WREN_INTERFACE(Sub)
};
class Side : public virtual Object {
    WREN_INTERFACE(Side)
};
class Both : public virtual Side, public virtual Top {
    WREN_INTERFACE(Both)
};

// Classes:  Base implements Sub;  Derived extends Base;  Other implements Both;
// Unrelated.
class Base : public virtual Object, public virtual Sub {
    WREN_CLASS(Base, Object)
};
class Derived : public Base {
    WREN_CLASS(Derived, Base)
};
class Other : public virtual Object, public virtual Both {
    WREN_CLASS(Other, Object)
};
class Unrelated : public virtual Object {
    WREN_CLASS(Unrelated, Object)
};

}  // namespace typetest

WREN_DEFINE_INTERFACE(typetest::Top, "typetest.Top")
WREN_DEFINE_INTERFACE(typetest::Sub, "typetest.Sub", typetest::Top)
WREN_DEFINE_INTERFACE(typetest::Side, "typetest.Side")
WREN_DEFINE_INTERFACE(typetest::Both, "typetest.Both", typetest::Side, typetest::Top)
WREN_DEFINE_CLASS(typetest::Base, "typetest.Base", typetest::Sub)
WREN_DEFINE_CLASS(typetest::Derived, "typetest.Derived")
WREN_DEFINE_CLASS(typetest::Other, "typetest.Other", typetest::Both)
WREN_DEFINE_CLASS(typetest::Unrelated, "typetest.Unrelated")

namespace {

using namespace typetest;

struct AssignCase {
    const char* from;
    const char* to;
    bool expected;
};

// Records by the names the table uses; array names are registered by the
// array template on first use, so make sure the ones used exist.
Class* record(const char* name) {
    (void)VMArray<jint>::classRecord();
    (void)VMArray<jlong>::classRecord();
    (void)VMArray<jint, 2>::classRecord();
    (void)VMArray<Object*>::classRecord();
    (void)VMArray<Object*, 2>::classRecord();
    (void)VMArray<String*>::classRecord();
    (void)VMArray<String*, 2>::classRecord();
    (void)VMArray<Base*>::classRecord();
    (void)VMArray<Derived*>::classRecord();
    (void)VMArray<Top*>::classRecord();
    return vmFindClass(name);
}

TEST(TypeTest, IsAssignableFromTable) {
    const AssignCase cases[] = {
        // identity and Object
        {"typetest.Base", "typetest.Base", true},
        {"typetest.Base", "java.lang.Object", true},
        {"typetest.Top", "java.lang.Object", true},
        {"[I", "java.lang.Object", true},
        {"[[Ljava.lang.String;", "java.lang.Object", true},
        {"java.lang.Object", "typetest.Base", false},
        // the class chain
        {"typetest.Derived", "typetest.Base", true},
        {"typetest.Base", "typetest.Derived", false},
        {"typetest.Derived", "typetest.Unrelated", false},
        {"typetest.Unrelated", "typetest.Base", false},
        // interfaces of classes
        {"typetest.Base", "typetest.Sub", true},
        {"typetest.Base", "typetest.Top", true},       // through Sub's superclass slot
        {"typetest.Derived", "typetest.Sub", true},    // through the superclass
        {"typetest.Derived", "typetest.Top", true},    // through both
        {"typetest.Other", "typetest.Side", true},     // Both's first super-interface
        {"typetest.Other", "typetest.Top", true},      // Both's further super-interface
        {"typetest.Other", "typetest.Sub", false},
        {"typetest.Unrelated", "typetest.Top", false},
        {"java.lang.Object", "typetest.Top", false},
        {"java.lang.String", "java.lang.Runnable", false},
        // interfaces among themselves
        {"typetest.Sub", "typetest.Top", true},
        {"typetest.Both", "typetest.Side", true},
        {"typetest.Both", "typetest.Top", true},
        {"typetest.Top", "typetest.Sub", false},
        {"typetest.Side", "typetest.Top", false},
        {"typetest.Top", "typetest.Base", false},      // an interface is no class
        // arrays
        {"[I", "[I", true},
        {"[I", "[Ljava.lang.Object;", false},
        {"[I", "[J", false},
        {"[J", "[I", false},
        {"[Ljava.lang.String;", "[Ljava.lang.Object;", true},
        {"[Ljava.lang.Object;", "[Ljava.lang.String;", false},
        {"[[I", "[Ljava.lang.Object;", true},
        {"[[I", "[I", false},
        {"[I", "[[I", false},
        {"[[Ljava.lang.String;", "[[Ljava.lang.Object;", true},
        {"[[Ljava.lang.String;", "[Ljava.lang.Object;", true},
        {"[Ljava.lang.String;", "[[Ljava.lang.Object;", false},
        {"[Ltypetest.Derived;", "[Ltypetest.Base;", true},
        {"[Ltypetest.Derived;", "[Ltypetest.Top;", true},
        {"[Ltypetest.Base;", "[Ltypetest.Derived;", false},
        {"[I", "typetest.Top", false},
        {"[I", "typetest.Base", false},
        {"typetest.Base", "[Ltypetest.Base;", false},
    };
    for (const AssignCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        Class* from = record(c.from);
        Class* to = record(c.to);
        ASSERT_NE(from, nullptr);
        ASSERT_NE(to, nullptr);
        EXPECT_EQ(vmIsAssignableFrom(from, to), c.expected);
    }
}

TEST(TypeTest, ImplementsInterfaceFollowsSuperclassesAndSuperInterfaces) {
    EXPECT_TRUE(vmImplementsInterface(Derived::classRecord(), Top::classRecord()));
    EXPECT_TRUE(vmImplementsInterface(Other::classRecord(), Top::classRecord()));
    EXPECT_TRUE(vmImplementsInterface(Both::classRecord(), Both::classRecord()));
    EXPECT_FALSE(vmImplementsInterface(Unrelated::classRecord(), Top::classRecord()));
    EXPECT_FALSE(vmImplementsInterface(nullptr, Top::classRecord()));
}

TEST(TypeTest, IsInstanceOfUsesTheObjectsClass) {
    VMPtr<Derived> derived = Derived::make();
    VMPtr<Other> other = Other::make();
    VMPtr<VMArray<String*>> strings = VMArray<String*>::create(1);
    VMPtr<VMArray<jint>> ints = VMArray<jint>::create(1);

    EXPECT_FALSE(vmIsInstanceOf(static_cast<Object*>(nullptr), Object::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(VMPtr<Base>(), Base::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(derived, Base::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(derived, Top::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(derived, Object::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(derived, Other::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(other, Side::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(other, Sub::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(strings, VMArray<Object*>::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(strings, Object::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(ints, VMArray<Object*>::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(ints, VMArray<jlong>::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(WREN_LIT("s"), String::classRecord()));
}

TEST(TypeTest, CastsYieldTheObjectOrNullAndNeverThrow) {
    VMPtr<Derived> derived = Derived::make();
    VMPtr<Object> asObject = derived;

    EXPECT_TRUE(vmCast<Base>(asObject) == derived);
    EXPECT_TRUE(vmCast<Derived>(asObject) == derived);
    EXPECT_TRUE(vmCast<Top>(asObject) == derived);
    EXPECT_TRUE(vmCast<Sub>(asObject) == derived);

    EXPECT_TRUE(vmCast<Unrelated>(asObject) == nullptr);
    EXPECT_TRUE(vmCast<Other>(asObject) == nullptr);
    EXPECT_TRUE(vmCast<Side>(asObject) == nullptr);
    EXPECT_TRUE(vmCast<String>(asObject) == nullptr);
    EXPECT_TRUE(vmCast<VMArray<jint>>(asObject) == nullptr);

    VMPtr<Base> base = Base::make();
    EXPECT_TRUE(vmCast<Derived>(base) == nullptr);
    EXPECT_TRUE(vmCast<Derived>(VMPtr<Object>()) == nullptr);

    VMPtr<Object> ints = VMArray<jint>::create(2);
    EXPECT_TRUE(vmCast<VMArray<jlong>>(ints) == nullptr);
    EXPECT_TRUE(vmCast<VMArray<jint>>(ints) == ints);
}

// A cast to an object's own class takes a shortcut after the first one; it
// must give the very pointer the general cast gives, for every object of the
// class, and never carry over to a subclass's objects.
TEST(TypeTest, RepeatedCastsToTheExactClassGiveTheSamePointerAsTheGeneralCast) {
    for (int i = 0; i < 3; ++i) {
        VMPtr<Object> exact = Derived::make();
        VMPtr<Object> base = Base::make();
        VMPtr<Object> derivedAsBase = Derived::make();
        EXPECT_EQ(vmCast<Derived>(exact).get(), dynamic_cast<Derived*>(exact.get()));
        EXPECT_EQ(vmCast<Base>(base).get(), dynamic_cast<Base*>(base.get()));
        EXPECT_EQ(vmCast<Base>(derivedAsBase).get(), dynamic_cast<Base*>(derivedAsBase.get()));
        EXPECT_EQ(vmCast<Derived>(base).get(), nullptr);
    }
}

}  // namespace
