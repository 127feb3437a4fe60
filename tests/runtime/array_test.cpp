// Java arrays: creation, checked element access, untyped stores, copies,
// classes and survival across collections.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VM.h"
#include "VMArray.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"

using java::lang::Class;
using java::lang::Object;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace arraytest {

// Holds arrays in fields, for access through VMField.
class Holder : public virtual Object {
    WREN_CLASS(Holder, Object, (cells, VMArray<jint>), (grid, VMArray<jint, 2>),
               (names, VMArray<String*>))
};

class Task : public virtual Object, public virtual java::lang::Runnable {
    WREN_CLASS(Task, Object)
public:
    void run() override {}
};

}  // namespace arraytest

WREN_DEFINE_CLASS(arraytest::Holder, "arraytest.Holder")
WREN_DEFINE_CLASS(arraytest::Task, "arraytest.Task", java::lang::Runnable)

namespace {

using namespace arraytest;

std::vector<jint> contents(const VMPtr<VMArray<jint>>& a) {
    return std::vector<jint>(a->elements(), a->elements() + a->length);
}

TEST(Arrays, EmptyArrayIsValidAndSurvivesACollection) {
    VMPtr<VMArray<jint>> empty = VMArray<jint>::create(0);
    VMWeakPtr<VMArray<jint>> watch = empty;
    VM::collect();
    ASSERT_FALSE(watch == nullptr);
    EXPECT_EQ(empty->length, 0);
    EXPECT_STREQ(empty->getClass()->name, "[I");
    EXPECT_EQ(thrownName([&] { (void)jint(empty[0]); }), "java.lang.ArrayIndexOutOfBoundsException");
    VMPtr<VMArray<String*>> noNames = VMArray<String*>::create(0);
    VM::collect();
    EXPECT_EQ(noNames->length, 0);
    EXPECT_EQ(vmVerifyHeap(), 0u);
}

TEST(Arrays, NewArraysAreZeroFilled) {
    VMPtr<VMArray<jlong>> longs = VMArray<jlong>::create(5);
    VMPtr<VMArray<jdouble>> doubles = VMArray<jdouble>::create(3);
    VMPtr<VMArray<jboolean>> flags = VMArray<jboolean>::create(7);
    VMPtr<VMArray<String*>> names = VMArray<String*>::create(4);
    for (jint i = 0; i < 5; ++i) EXPECT_EQ(longs[i], 0);
    for (jint i = 0; i < 3; ++i) EXPECT_EQ(doubles[i], 0.0);
    for (jint i = 0; i < 7; ++i) EXPECT_FALSE(flags[i]);
    for (jint i = 0; i < 4; ++i) EXPECT_TRUE(names[i] == nullptr);
}

TEST(Arrays, NegativeLengthThrowsNegativeArraySizeException) {
    EXPECT_EQ(thrownName([] { VMArray<jint>::create(-1); }),
              "java.lang.NegativeArraySizeException");
    EXPECT_EQ(thrownName([] { VMArray<String*>::create(-2147483647 - 1); }),
              "java.lang.NegativeArraySizeException");
    EXPECT_EQ(thrownName([] { VMArray<jint, 2>::create(-1, 3); }),
              "java.lang.NegativeArraySizeException");
    EXPECT_EQ(thrownName([] { VMArray<jint, 2>::create(3, -1); }),
              "java.lang.NegativeArraySizeException");
    // A zero outer length still checks the inner one.
    EXPECT_EQ(thrownName([] { VMArray<jint, 3>::create(0, 2, -5); }),
              "java.lang.NegativeArraySizeException");
}

TEST(Arrays, IndexOutOfRangeThrowsOnReadAndWrite) {
    VMPtr<VMArray<jint>> a = VMArray<jint>::of({1, 2, 3});
    VMPtr<Holder> h = Holder::make();
    h->cells = a;
    h->grid = VMArray<jint, 2>::create(2, 3);
    h->names = VMArray<String*>::create(2);
    VMPtr<VMArray<jint, 2>> grid = h->grid;

    struct Case {
        const char* what;
        std::function<void()> access;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"read -1 through a local", [&] { (void)jint(a[-1]); }, "Array index out of range: -1"},
        {"read length through a local", [&] { (void)jint(a[3]); }, "Array index out of range: 3"},
        {"write -1 through a local", [&] { a[-1] = 9; }, "Array index out of range: -1"},
        {"write length through a local", [&] { a[3] = 9; }, "Array index out of range: 3"},
        {"huge index", [&] { a[2147483647] = 9; }, "Array index out of range: 2147483647"},
        {"most negative index", [&] { a[-2147483647 - 1] = 9; },
         "Array index out of range: -2147483648"},
        {"read through a field", [&] { (void)jint(h->cells[3]); }, "Array index out of range: 3"},
        {"write through a field", [&] { h->cells[-1] = 1; }, "Array index out of range: -1"},
        {"reference element through a field", [&] { h->names[2] = WREN_LIT("x"); },
         "Array index out of range: 2"},
        {"outer index of a grid", [&] { (void)jint(grid[2][0]); }, "Array index out of range: 2"},
        {"inner index of a grid", [&] { grid[1][3] = 1; }, "Array index out of range: 3"},
        {"inner -1 of a grid in a field", [&] { (void)jint(h->grid[0][-1]); },
         "Array index out of range: -1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<Throwable> t = thrownBy(c.access);
        EXPECT_EQ(classNameOf(t), "java.lang.ArrayIndexOutOfBoundsException");
        if (t) {
            EXPECT_EQ(text(t->getMessage()), c.message);
        }
    }
    // Nothing was written by the failed stores.
    EXPECT_EQ(contents(a), (std::vector<jint>{1, 2, 3}));
}

TEST(Arrays, NullArrayReferenceThrowsNullPointerException) {
    VMPtr<VMArray<jint>> none;
    VMPtr<Holder> h = Holder::make();
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2);  // inner arrays stay null

    struct Case {
        const char* what;
        std::function<void()> access;
    };
    const std::vector<Case> cases = {
        {"read through a local", [&] { (void)jint(none[0]); }},
        {"write through a local", [&] { none[0] = 1; }},
        {"length through a local", [&] { (void)none->length; }},
        {"read through a field", [&] { (void)jint(h->cells[0]); }},
        {"length through a field", [&] { (void)h->cells->length; }},
        {"missing inner array", [&] { grid[1][0] = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(thrownName(c.access), "java.lang.NullPointerException");
    }
}

TEST(Arrays, UntypedStoreChecksTheElementClass) {
    VMPtr<VMArray<String*>> names = VMArray<String*>::create(2);
    VMPtr<String> s = String::make("kept");
    names->setElement(0, s.get());
    EXPECT_TRUE(names[0] == s);
    EXPECT_TRUE(names->getElement(0) == s.get());

    // An object of an unrelated class is refused and nothing is stored.
    VMPtr<Holder> wrong = Holder::make();
    EXPECT_EQ(thrownName([&] { names->setElement(0, wrong.get()); }),
              "java.lang.ArrayStoreException");
    EXPECT_TRUE(names[0] == s);
    EXPECT_EQ(thrownName([&] { names->setElement(1, VMArray<jint>::create(1).get()); }),
              "java.lang.ArrayStoreException");

    // Null is always storable.
    names->setElement(0, nullptr);
    EXPECT_TRUE(names[0] == nullptr);
    EXPECT_EQ(names->getElement(0), nullptr);

    // Interface element types accept any implementing class.
    VMPtr<VMArray<java::lang::Runnable*>> tasks = VMArray<java::lang::Runnable*>::create(1);
    VMPtr<Task> task = Task::make();
    tasks->setElement(0, task.get());
    EXPECT_TRUE(tasks[0] == task);
    EXPECT_EQ(thrownName([&] { tasks->setElement(0, s.get()); }), "java.lang.ArrayStoreException");

    // Arrays of arrays take arrays of the element's shape only.
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2);
    VMPtr<VMArray<jint>> row = VMArray<jint>::create(3);
    grid->setElement(0, row.get());
    EXPECT_TRUE(grid[0] == row);
    EXPECT_EQ(thrownName([&] { grid->setElement(1, VMArray<jlong>::create(3).get()); }),
              "java.lang.ArrayStoreException");

    // A primitive array has no untyped store.
    VMPtr<VMArray<jint>> ints = VMArray<jint>::create(1);
    EXPECT_EQ(thrownName([&] { ints->setElement(0, s.get()); }), "java.lang.ArrayStoreException");
    EXPECT_EQ(ints->getElement(0), nullptr);
}

TEST(Arrays, CopyOfOverlappingRangesActsThroughATemporary) {
    struct Case {
        jint srcIndex, dstIndex, count;
        std::vector<jint> expected;
    };
    const Case cases[] = {
        {0, 2, 5, {0, 1, 0, 1, 2, 3, 4, 7, 8, 9}},  // forwards over itself
        {2, 0, 5, {2, 3, 4, 5, 6, 5, 6, 7, 8, 9}},  // backwards over itself
        {0, 1, 9, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {3, 3, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},  // onto itself
        {4, 0, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},  // nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.srcIndex << " -> " << c.dstIndex << " x" << c.count);
        VMPtr<VMArray<jint>> a = VMArray<jint>::of({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        vmArrayCopyElements(a.get(), a.get(), c.srcIndex, c.dstIndex, c.count);
        EXPECT_EQ(contents(a), c.expected);
    }

    // Element sizes other than four bytes scale the same way.
    VMPtr<VMArray<jlong>> longs = VMArray<jlong>::of({10, 11, 12, 13, 14});
    vmArrayCopyElements(longs.get(), longs.get(), 0, 1, 4);
    EXPECT_EQ(std::vector<jlong>(longs->elements(), longs->elements() + 5),
              (std::vector<jlong>{10, 10, 11, 12, 13}));
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::of({u'a', u'b', u'c', u'd'});
    vmArrayCopyElements(chars.get(), chars.get(), 1, 0, 3);
    EXPECT_EQ(std::u16string(chars->elements(), 4), u"bcdd");

    // Between two arrays, and for references.
    VMPtr<VMArray<String*>> from = VMArray<String*>::of({WREN_LIT("p"), WREN_LIT("q")});
    VMPtr<VMArray<String*>> to = VMArray<String*>::create(3);
    vmArrayCopyElements(to.get(), from.get(), 0, 1, 2);
    EXPECT_TRUE(to[0] == nullptr);
    EXPECT_TRUE(to[1] == from[0]);
    EXPECT_TRUE(to[2] == from[1]);
}

TEST(Arrays, ReferenceArraysKeepTheirElementsAlive) {
    VMPtr<VMArray<String*>> names = VMArray<String*>::create(3);
    VMWeakPtr<String> first, last;
    {
        VMPtr<String> a = String::make("alpha");
        VMPtr<String> c = String::make("gamma");
        names[0] = a;
        names[2] = c;
        first = a;
        last = c;
    }
    VM::collect();
    ASSERT_FALSE(first == nullptr);
    ASSERT_FALSE(last == nullptr);
    EXPECT_EQ(text(names[0]), "alpha");
    EXPECT_EQ(text(names[2]), "gamma");

    // Inner arrays of a grid, too.
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2, 2);
    VMWeakPtr<VMArray<jint>> row = grid[1];
    grid[1][1] = 42;
    VM::collect();
    ASSERT_FALSE(row == nullptr);
    EXPECT_EQ(grid[1][1], 42);

    // Once the array goes, so do its elements.
    names = nullptr;
    grid = nullptr;
    VM::collect();
    EXPECT_TRUE(first == nullptr);
    EXPECT_TRUE(last == nullptr);
    EXPECT_TRUE(row == nullptr);
}

TEST(Arrays, MultiDimensionalCreateAllocatesEveryGivenDimension) {
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(3, 4);
    ASSERT_EQ(grid->length, 3);
    for (jint i = 0; i < 3; ++i) {
        ASSERT_FALSE(grid[i] == nullptr);
        EXPECT_EQ(grid[i]->length, 4);
        for (jint j = 0; j < 4; ++j) EXPECT_EQ(grid[i][j], 0);
    }
    EXPECT_FALSE(grid[0] == grid[1]);
    grid[2][3] = 7;
    EXPECT_EQ(grid[2][3], 7);
    EXPECT_EQ(grid[1][3], 0);

    // Dimensions that are not given stay null.
    VMPtr<VMArray<jint, 3>> cube = VMArray<jint, 3>::create(2, 3);
    ASSERT_EQ(cube->length, 2);
    EXPECT_EQ(cube[1]->length, 3);
    EXPECT_TRUE(cube[1][2] == nullptr);

    VMPtr<VMArray<String*, 2>> table = VMArray<String*, 2>::create(2, 1);
    EXPECT_TRUE(table[1][0] == nullptr);
}

TEST(Arrays, GetClassNamesTheArrayClass) {
    struct Case {
        VMPtr<Object> array;
        const char* name;
        int32_t dims;
    };
    const Case cases[] = {
        {VMArray<jint>::create(1), "[I", 1},
        {VMArray<jint, 2>::create(1, 1), "[[I", 2},
        {VMArray<jbyte>::create(1), "[B", 1},
        {VMArray<jchar>::create(1), "[C", 1},
        {VMArray<jboolean>::create(1), "[Z", 1},
        {VMArray<jshort>::create(1), "[S", 1},
        {VMArray<jlong>::create(1), "[J", 1},
        {VMArray<jfloat>::create(1), "[F", 1},
        {VMArray<jdouble>::create(1), "[D", 1},
        {VMArray<String*>::create(1), "[Ljava.lang.String;", 1},
        {VMArray<String*, 2>::create(1), "[[Ljava.lang.String;", 2},
        {VMArray<Holder*>::create(1), "[Larraytest.Holder;", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Class* cls = c.array->getClass();
        ASSERT_NE(cls, nullptr);
        EXPECT_STREQ(cls->name, c.name);
        EXPECT_EQ(cls->arrayDims, c.dims);
        EXPECT_TRUE(cls->isArray());
        EXPECT_EQ(vmFindClass(c.name), cls);
        EXPECT_TRUE(vmIsInstanceOf(c.array, Object::classRecord()));
    }
}

TEST(Arrays, ElementSizesFollowTheTypeCodes) {
    struct Case {
        int32_t code;
        int32_t size;
    };
    const Case cases[] = {
        {VM_TYPE_BOOLEAN, 1}, {VM_TYPE_CHAR, 2}, {VM_TYPE_FLOAT, 4}, {VM_TYPE_DOUBLE, 8},
        {VM_TYPE_BYTE, 1},    {VM_TYPE_SHORT, 2}, {VM_TYPE_INT, 4},  {VM_TYPE_LONG, 8},
        {0, 0},               {2, 0},             {12, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(vmElementSizeForType(c.code), c.size) << c.code;

    VMPtr<VMArray<jshort>> shorts = VMArray<jshort>::create(2);
    EXPECT_EQ(shorts->typeCode, VM_TYPE_SHORT);
    EXPECT_EQ(shorts->elementSize, 2);
    EXPECT_EQ(shorts->elementClass, nullptr);
    VMPtr<VMArray<String*>> names = VMArray<String*>::create(2);
    EXPECT_TRUE(names->isReferenceArray());
    EXPECT_EQ(names->elementClass, String::classRecord());
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2);
    EXPECT_TRUE(grid->isReferenceArray());
    EXPECT_EQ(grid->elementClass, VMArray<jint>::classRecord());
}

}  // namespace
