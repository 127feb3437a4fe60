// Class records: registration, the class table, Class.forName, newInstance,
// names and resource-name resolution.
#include <gtest/gtest.h>

#include <string>

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"

using java::lang::Class;
using java::lang::Object;
using java::lang::String;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace classtest {

// Counts its static initialiser's runs, so a test can see whether a lookup
// ran it.
class Counted : public virtual Object {
    WREN_CLASS(Counted, Object)
public:
    struct Statics { jint initRuns = 0; };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
};
void Counted::staticInit() { ++wrenStatics_().initRuns; }

class Built : public virtual Object {
    WREN_CLASS(Built, Object)
public:
    jint built = 0;
    void ctor() {
        Object::ctor();
        built = 7;
    }
};

// Only a constructor with an argument: no factory.
class NeedsArgument : public virtual Object {
    WREN_CLASS(NeedsArgument, Object)
public:
    void ctor(jint) { Object::ctor(); }
};

// A no-argument constructor that is not public: no factory either.
class PrivateCtor : public virtual Object {
    WREN_CLASS(PrivateCtor, Object)
private:
    void ctor() { Object::ctor(); }
};

class Shape : public virtual Object {
    WREN_CLASS(Shape, Object)
public:
    virtual jint corners() = 0;
};

class Marker : public virtual Object {
    WREN_INTERFACE(Marker)
};

class Square : public Shape, public virtual Marker {
    WREN_CLASS(Square, Shape)
public:
    jint corners() override { return 4; }
};

}  // namespace classtest

namespace pkg::sub {
class Foo : public virtual java::lang::Object {
    WREN_CLASS(Foo, java::lang::Object)
};
}  // namespace pkg::sub

// A class in the default package.
class Unpackaged : public virtual java::lang::Object {
    WREN_CLASS(Unpackaged, java::lang::Object)
};

WREN_DEFINE_CLASS(classtest::Counted, "classtest.Counted")
WREN_DEFINE_CLASS(classtest::Built, "classtest.Built")
WREN_DEFINE_CLASS(classtest::NeedsArgument, "classtest.NeedsArgument")
WREN_DEFINE_CLASS(classtest::PrivateCtor, "classtest.PrivateCtor")
WREN_DEFINE_ABSTRACT_CLASS(classtest::Shape, "classtest.Shape")
WREN_DEFINE_CLASS(classtest::Square, "classtest.Square", classtest::Marker)
WREN_DEFINE_INTERFACE(classtest::Marker, "classtest.Marker")
WREN_DEFINE_CLASS(pkg::sub::Foo, "pkg.sub.Foo")
WREN_DEFINE_CLASS(Unpackaged, "Unpackaged")

namespace {

using namespace classtest;

TEST(ClassTable, TestClassesAreRegisteredUnderTheirJavaNames) {
    EXPECT_EQ(vmFindClass("classtest.Counted"), Counted::classRecord());
    EXPECT_EQ(vmFindClass("pkg.sub.Foo"), pkg::sub::Foo::classRecord());
    EXPECT_EQ(vmFindClass("classtest.Marker"), Marker::classRecord());
    EXPECT_EQ(vmFindClass("classtest.Missing"), nullptr);
    EXPECT_TRUE(vmClassTableComplete());

    Class* square = Square::classRecord();
    ASSERT_NE(square, nullptr);
    EXPECT_STREQ(square->superName, "classtest.Shape");
    ASSERT_NE(square->interfaces.first(), nullptr);
    EXPECT_EQ(reinterpret_cast<Class*>(square->interfaces.first()->value), Marker::classRecord());
    EXPECT_TRUE(Shape::classRecord()->isAbstract);
    EXPECT_TRUE(Marker::classRecord()->isInterface);
    EXPECT_EQ(Marker::classRecord()->factory, nullptr);
    EXPECT_EQ(Shape::classRecord()->factory, nullptr);
    EXPECT_EQ(NeedsArgument::classRecord()->factory, nullptr);
    EXPECT_NE(Built::classRecord()->factory, nullptr);
}

TEST(ClassTable, ObjectClassIsTheRootRecord) {
    Class* object = vmObjectClass();
    ASSERT_NE(object, nullptr);
    EXPECT_STREQ(object->name, "java.lang.Object");
    EXPECT_EQ(object, Object::classRecord());
    EXPECT_EQ(vmGetSuperclass(object), nullptr);
}

TEST(ClassTableDeathTest, DuplicateClassNameEndsTheProcess) {
    EXPECT_EXIT(vmRegisterClassRecord("java.lang.String", "java.lang.Object", "dup", nullptr, nullptr,
                                      VMClassKind::Concrete),
                ::testing::ExitedWithCode(1), "");
}

TEST(ClassTableDeathTest, ReservedBadArrayNameEndsTheProcess) {
    EXPECT_EXIT(vmRegisterClassRecord("_VM_bad_array", "java.lang.Object", "bad", nullptr, nullptr,
                                      VMClassKind::Concrete),
                ::testing::ExitedWithCode(1), "");
}

TEST(ClassTableDeathTest, InterfaceNamedByNoClassEndsTheProcess) {
    EXPECT_EXIT(vmRegisterInterface(pkg::sub::Foo::classRecord(), "classtest.NoSuchInterface"),
                ::testing::ExitedWithCode(1), "");
}

TEST(ClassTable, NullInterfaceNameIsIgnored) {
    Class* foo = pkg::sub::Foo::classRecord();
    vmRegisterInterface(foo, nullptr);
    EXPECT_TRUE(foo->interfaces.empty());
}

TEST(ClassTable, SuperclassLookupIsCachedOnceTheTableIsComplete) {
    Class* square = Square::classRecord();
    Class* shape = Shape::classRecord();
    EXPECT_EQ(vmGetSuperclass(square), shape);
    EXPECT_TRUE(square->superResolved);
    EXPECT_EQ(square->superclass, shape);

    // The cache answers from now on, not the table.
    Class* planted = pkg::sub::Foo::classRecord();
    square->superclass = planted;
    EXPECT_EQ(vmGetSuperclass(square), planted);
    square->superclass = shape;
    EXPECT_EQ(vmGetSuperclass(square), shape);
}

TEST(ClassTable, MissingSuperclassIsCachedAsNullAfterSealing) {
    Class* orphan = vmRegisterClassRecord("classtest.Orphan", "classtest.LateParent", "orphan",
                                          nullptr, nullptr, VMClassKind::Concrete);
    EXPECT_EQ(vmGetSuperclass(orphan), nullptr);
    EXPECT_TRUE(orphan->superResolved);
    // Registering the parent afterwards does not change the cached answer.
    Class* parent = vmRegisterClassRecord("classtest.LateParent", "java.lang.Object", "parent",
                                          nullptr, nullptr, VMClassKind::Concrete);
    ASSERT_EQ(vmFindClass("classtest.LateParent"), parent);
    EXPECT_EQ(vmGetSuperclass(orphan), nullptr);
}

TEST(ClassForName, MissingNameThrowsClassNotFoundException) {
    VMPtr<java::lang::Throwable> t = thrownBy([] { Class::forName(String::make("classtest.Nope")); });
    EXPECT_EQ(wrentest::classNameOf(t), "java.lang.ClassNotFoundException");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->getMessage(), nullptr);
    EXPECT_EQ(thrownName([] { Class::forName(String::make("")); }),
              "java.lang.ClassNotFoundException");
}

TEST(ClassForName, FindsTheRecordWithoutRunningItsStaticInitialiser) {
    Class* counted = Counted::classRecord();
    ASSERT_EQ(counted->initState, Class::NOT_INITIALISED);
    VMPtr<Class> found = Class::forName(String::make("classtest.Counted"));
    EXPECT_EQ(found.get(), counted);
    EXPECT_EQ(counted->initState, Class::NOT_INITIALISED);
    EXPECT_EQ(Counted::wrenStatics_().initRuns, 0);

    // The first instantiation runs it, once.
    VMPtr<Object> a = found->newInstance();
    VMPtr<Object> b = found->newInstance();
    EXPECT_EQ(Counted::wrenStatics_().initRuns, 1);
    EXPECT_EQ(counted->initState, Class::INITIALISED);
}

TEST(ClassForName, NullNameThrowsNullPointerException) {
    EXPECT_EQ(thrownName([] { Class::forName(nullptr); }), "java.lang.NullPointerException");
}

TEST(ClassNewInstance, MakesAFreshInstanceThroughItsNoArgumentConstructor) {
    Class* built = Built::classRecord();
    VMPtr<Object> first = built->newInstance();
    VMPtr<Object> second = built->newInstance();
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_FALSE(first == second);
    EXPECT_EQ(first->getClass(), built);
    VMPtr<Built> typed = vmCast<Built>(first);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->built, 7);

    // A class that declares no constructor inherits Object's.
    VMPtr<Object> foo = pkg::sub::Foo::classRecord()->newInstance();
    ASSERT_TRUE(foo);
    EXPECT_EQ(foo->getClass(), pkg::sub::Foo::classRecord());
}

TEST(ClassNewInstance, RefusesWhatCannotBeInstantiated) {
    struct Case {
        const char* what;
        Class* cls;
        const char* expected;
    };
    const Case cases[] = {
        {"interface", java::lang::Runnable::classRecord(), "java.lang.InstantiationException"},
        {"test interface", Marker::classRecord(), "java.lang.InstantiationException"},
        {"abstract class", Shape::classRecord(), "java.lang.InstantiationException"},
        {"int array class", VMArray<jint>::classRecord(), "java.lang.InstantiationException"},
        {"String array class", VMArray<String*>::classRecord(), "java.lang.InstantiationException"},
        {"no no-arg constructor", NeedsArgument::classRecord(), "java.lang.IllegalAccessException"},
        {"private no-arg constructor", PrivateCtor::classRecord(),
         "java.lang.IllegalAccessException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.cls, nullptr);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { c.cls->newInstance(); });
        EXPECT_EQ(wrentest::classNameOf(t), c.expected);
        if (t) {
            EXPECT_EQ(t->getMessage(), nullptr);
        }
    }
    // A concrete subclass of the abstract class is fine.
    VMPtr<Object> square = Square::classRecord()->newInstance();
    ASSERT_TRUE(square);
    EXPECT_EQ(vmCast<Shape>(square)->corners(), 4);
}

TEST(ClassNames, ToStringNamesKindAndClass) {
    EXPECT_EQ(text(java::lang::Runnable::classRecord()->toString()),
              "interface java.lang.Runnable");
    EXPECT_EQ(text(String::classRecord()->toString()), "class java.lang.String");
    EXPECT_EQ(text(Marker::classRecord()->toString()), "interface classtest.Marker");
    EXPECT_EQ(text(VMArray<jint>::classRecord()->toString()), "class [I");
    EXPECT_EQ(text(String::classRecord()->getName()), "java.lang.String");
    EXPECT_EQ(text(String::classRecord()->getClass()->getName()), "java.lang.Class");
}

TEST(ClassNames, ResourceNamesResolveAgainstThePackage) {
    struct Case {
        Class* cls;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {pkg::sub::Foo::classRecord(), "/a/b.png", "a/b.png"},
        {pkg::sub::Foo::classRecord(), "b.png", "pkg/sub/b.png"},
        {pkg::sub::Foo::classRecord(), "img/b.png", "pkg/sub/img/b.png"},
        {pkg::sub::Foo::classRecord(), "/", ""},
        {Unpackaged::classRecord(), "b.png", "b.png"},
        {Unpackaged::classRecord(), "/b.png", "b.png"},
        {String::classRecord(), "b.png", "java/lang/b.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cls->name) + " / " + c.name);
        EXPECT_EQ(text(c.cls->resolveResourceName(String::make(c.name))), c.expected);
    }
}

TEST(ClassNames, ArrayClassNames) {
    Class* string = String::classRecord();
    Class* ints = VMArray<jint>::classRecord();
    Class* strings = VMArray<String*>::classRecord();
    struct Case {
        Class* element;
        int32_t dims;
        const char* expected;
    };
    const Case cases[] = {
        {string, 1, "[Ljava.lang.String;"},
        {string, 2, "[[Ljava.lang.String;"},
        {string, 3, "[[[Ljava.lang.String;"},
        {ints, 1, "[I"},
        {ints, 2, "[[I"},
        {ints, 3, "[[[I"},
        {strings, 2, "[[Ljava.lang.String;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        VMCString name("stale");
        vmArrayClassName(name, c.element, c.dims);
        EXPECT_STREQ(name.c_str(), c.expected);
    }
}

TEST(ClassNames, ArrayClassRecordsDescribeTheirElements) {
    Class* twoDim = VMArray<String*, 2>::classRecord();
    ASSERT_NE(twoDim, nullptr);
    EXPECT_STREQ(twoDim->name, "[[Ljava.lang.String;");
    EXPECT_EQ(twoDim->arrayDims, 2);
    EXPECT_EQ(twoDim->elementType, VM_TYPE_REFERENCE);
    EXPECT_EQ(twoDim->elementClass, VMArray<String*>::classRecord());
    EXPECT_EQ(twoDim->elementClass->elementClass, String::classRecord());
    EXPECT_EQ(vmFindClass("[[Ljava.lang.String;"), twoDim);
    EXPECT_EQ(vmGetSuperclass(twoDim), vmObjectClass());

    Class* ints = VMArray<jint>::classRecord();
    EXPECT_EQ(ints->arrayDims, 1);
    EXPECT_EQ(ints->elementType, VM_TYPE_INT);
    EXPECT_EQ(ints->elementClass, nullptr);
    Class* grid = VMArray<jint, 2>::classRecord();
    EXPECT_STREQ(grid->name, "[[I");
    EXPECT_EQ(grid->elementClass, ints);
}

}  // namespace
