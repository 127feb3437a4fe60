// Reference arrays are covariant: a String[] is an Object[]. C++ conversions,
// vmCast and instanceof agree on which array is which; element access through
// a base array type converts reads and checks stores; the collector marks the
// elements whatever type the array is held as.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VM.h"
#include "VMArray.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_Exception.h"
#include "java_lang_Integer.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "java_lang_Throwable.h"
#include "runtime/runtime_test_support.h"
#include "runtime/vm_test_support.h"

using java::lang::Class;
using java::lang::Exception;
using java::lang::Integer;
using java::lang::Object;
using java::lang::Runnable;
using java::lang::RuntimeException;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace covariancetest {

// A class whose superclass is Object and which implements an interface.
class Job : public virtual Object, public virtual Runnable {
    WREN_CLASS(Job, Object)
public:
    void run() override {}
};

// Holds a String[] in a field declared Object[].
class Box : public virtual Object {
    WREN_CLASS(Box, Object, (items, VMArray<Object*>))
};

}  // namespace covariancetest

WREN_DEFINE_CLASS(covariancetest::Job, "covariancetest.Job", java::lang::Runnable)
WREN_DEFINE_CLASS(covariancetest::Box, "covariancetest.Box")

namespace {

using namespace covariancetest;

template <class... T>
struct Types {};

// The target classes of the table, in its column order.
using Targets = Types<Object, VMArray<Object*>, VMArray<String*>, VMArray<Throwable*>,
                      VMArray<Exception*>, VMArray<RuntimeException*>, VMArray<Integer*>,
                      VMArray<jint>, VMArray<jint, 2>, VMArray<String*, 2>, VMArray<Object*, 2>>;
constexpr const char* kTargetNames[] = {"Object",      "Object[]",  "String[]", "Throwable[]",
                                        "Exception[]", "RuntimeException[]", "Integer[]",
                                        "int[]",       "int[][]",   "String[][]", "Object[][]"};

// One character per target: '1' where the test holds.
template <class... T, class F>
std::string row(Types<T...>, F&& test) {
    return {(test.template operator()<T>() ? '1' : '0')...};
}

struct Source {
    const char* name;
    VMPtr<Object> array;
    std::string converts;  // the C++ conversion from the source's own type
    std::string java;      // Class.isInstance on OpenJDK 17
};

template <class A>
Source source(const char* name, const char* java) {
    std::string converts =
        row(Targets{}, []<class T>() { return std::is_convertible_v<A*, T*>; });
    return {name, A::create(1), converts, java};
}

TEST(ArrayCovariance, CastsConversionsAndInstanceofAgreeWithJava) {
    const Source sources[] = {
        source<VMArray<Object*>>("Object[]", "11000000000"),
        source<VMArray<String*>>("String[]", "11100000000"),
        source<VMArray<Throwable*>>("Throwable[]", "11010000000"),
        source<VMArray<Exception*>>("Exception[]", "11011000000"),
        source<VMArray<RuntimeException*>>("RuntimeException[]", "11011100000"),
        source<VMArray<Integer*>>("Integer[]", "11000010000"),
        source<VMArray<jint>>("int[]", "10000001000"),
        source<VMArray<jint, 2>>("int[][]", "11000000100"),
        source<VMArray<String*, 2>>("String[][]", "11000000011"),
        source<VMArray<Object*, 2>>("Object[][]", "11000000001"),
        source<VMArray<Runnable*>>("Runnable[]", "11000000000"),
        source<VMArray<Job*>>("Job[]", "11000000000"),
    };
    for (const Source& s : sources) {
        SCOPED_TRACE(s.name);
        const VMPtr<Object>& a = s.array;
        std::string casts = row(Targets{}, [&]<class T>() { return vmCast<T>(a) != nullptr; });
        std::string instanceOf =
            row(Targets{}, [&]<class T>() { return vmIsInstanceOf(a, T::classRecord()); });
        EXPECT_EQ(instanceOf, s.java) << "columns: " << testing::PrintToString(kTargetNames);
        EXPECT_EQ(casts, s.java);
        EXPECT_EQ(s.converts, s.java);
    }

    // Arrays over an interface: instanceof follows Java; a cast to one is a
    // compile error (tests/runtime/compile_fail), so code takes Object[] instead.
    VMPtr<VMArray<Job*>> jobs = VMArray<Job*>::create(1);
    EXPECT_TRUE(vmIsInstanceOf(jobs, VMArray<Runnable*>::classRecord()));
    EXPECT_FALSE(vmIsInstanceOf(VMArray<String*>::create(1), VMArray<Runnable*>::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(VMArray<Job*, 2>::create(1), VMArray<Runnable*, 2>::classRecord()));
}

TEST(ArrayCovariance, ReadsThroughABaseArrayTypeGiveTheElementsAsThatType) {
    VMPtr<VMArray<String*>> strings = VMArray<String*>::of({WREN_LIT("a"), nullptr, WREN_LIT("c")});
    VMPtr<VMArray<Object*>> view = strings;
    EXPECT_FALSE(view->hasExactStorage());
    EXPECT_TRUE(strings->hasExactStorage());
    EXPECT_TRUE(view[0] == strings[0]);
    EXPECT_TRUE(view[1] == nullptr);
    EXPECT_FALSE(view[1]);
    EXPECT_TRUE(view[1].isNull());
    VMPtr<Object> c = view[2];
    EXPECT_EQ(text(vmCast<String>(c)), "c");
    EXPECT_EQ(text(view[2]->toString()), "c");  // a virtual call through the converted pointer
    EXPECT_EQ(view[0]->hashCode(), String::make("a")->hashCode());
    EXPECT_EQ(thrownName([&] { view[1]->hashCode(); }), "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { (void)view[3].get(); }), "java.lang.ArrayIndexOutOfBoundsException");

    // Through an intermediate class: a RuntimeException[] seen as Throwable[].
    VMPtr<VMArray<RuntimeException*>> failures = VMArray<RuntimeException*>::create(1);
    failures[0] = RuntimeException::make(WREN_LIT("boom"));
    VMPtr<VMArray<Throwable*>> throwables = failures;
    VMPtr<Throwable> t = throwables[0];
    EXPECT_EQ(text(t->getMessage()), "boom");
    EXPECT_TRUE(t == failures[0]);

    // Arrays of arrays: String[][] seen as Object[][] and as Object[].
    VMPtr<VMArray<String*, 2>> table = VMArray<String*, 2>::create(2, 1);
    table[1][0] = WREN_LIT("cell");
    VMPtr<VMArray<Object*, 2>> rows = table;
    VMPtr<VMArray<Object*>> row = rows[1];
    EXPECT_EQ(text(vmCast<String>(row[0])), "cell");
    EXPECT_EQ(text(vmCast<String>(rows[1][0])), "cell");
    VMPtr<VMArray<Object*>> flat = table;
    EXPECT_TRUE(vmCast<VMArray<String*>>(flat[1]) == table[1]);

    // int[][] seen as Object[]: the rows are int[]s.
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2, 2);
    grid[1][1] = 42;
    VMPtr<VMArray<Object*>> gridRows = grid;
    VMPtr<VMArray<jint>> ints = vmCast<VMArray<jint>>(gridRows[1]);
    ASSERT_FALSE(ints == nullptr);
    EXPECT_EQ(ints[1], 42);
}

TEST(ArrayCovariance, StoresThroughABaseArrayTypeAreCheckedAgainstTheArraysClass) {
    struct Case {
        const char* what;
        std::function<VMPtr<Object>()> value;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"a String", [] { return VMPtr<Object>(String::make("new")); }, true},
        {"null", [] { return VMPtr<Object>(); }, true},
        {"an Integer", [] { return VMPtr<Object>(Integer::make(1)); }, false},
        {"an Object", [] { return Object::make(); }, false},
        {"a String[]", [] { return VMPtr<Object>(VMArray<String*>::create(1)); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<VMArray<String*>> strings = VMArray<String*>::of({WREN_LIT("old"), WREN_LIT("b")});
        VMPtr<VMArray<Object*>> view = strings;
        VMPtr<Object> value = c.value();
        VMPtr<Throwable> thrown = thrownBy([&] { view[0] = value; });
        if (c.fits) {
            EXPECT_EQ(classNameOf(thrown), "nothing");
            EXPECT_TRUE(strings[0] == value);
        } else {
            // As in Java: ArrayStoreException naming nothing, the element unchanged.
            EXPECT_EQ(classNameOf(thrown), "java.lang.ArrayStoreException");
            EXPECT_EQ(text(strings[0]), "old");
        }
        EXPECT_EQ(text(strings[1]), "b");
    }

    // Element to element through views of different classes.
    VMPtr<VMArray<String*>> strings = VMArray<String*>::of({WREN_LIT("x"), WREN_LIT("y")});
    VMPtr<VMArray<Object*>> view = strings;
    view[0] = view[1];
    EXPECT_EQ(text(strings[0]), "y");
    VMPtr<VMArray<Object*>> objects = VMArray<Object*>::of({Integer::make(5)});
    EXPECT_EQ(thrownName([&] { view[1] = objects[0]; }), "java.lang.ArrayStoreException");
    objects[0] = view[1];
    EXPECT_TRUE(objects[0] == strings[1]);

    // Rows of a String[][] seen as Object[][]: a String[] fits, an Object[]
    // or an int[] does not.
    VMPtr<VMArray<String*, 2>> table = VMArray<String*, 2>::create(1);
    VMPtr<VMArray<Object*, 2>> rows = table;
    VMPtr<VMArray<String*>> row = VMArray<String*>::create(2);
    rows[0] = row;
    EXPECT_TRUE(table[0] == row);
    EXPECT_EQ(thrownName([&] { rows[0] = VMArray<Object*>::create(2); }),
              "java.lang.ArrayStoreException");
    VMPtr<VMArray<Object*>> flat = table;
    EXPECT_EQ(thrownName([&] { flat[0] = VMArray<jint>::create(2); }),
              "java.lang.ArrayStoreException");
    EXPECT_TRUE(table[0] == row);
}

TEST(ArrayCovariance, ElementsAreMarkedWhateverTypeTheArrayIsHeldAs) {
    // Collect on every allocation: a store through a view that the array's
    // marking missed would leave a dangling element behind.
    wren::test::ScopedGcStress stress(1);
    VMPtr<VMArray<Object*>> view = VMArray<String*>::create(8);
    VMPtr<Box> box = Box::make();
    box->items = VMArray<RuntimeException*>::create(4);
    VMPtr<VMArray<Object*, 2>> rows = VMArray<String*, 2>::create(3);
    for (jint i = 0; i < 8; ++i) view[i] = String::valueOf(i);
    for (jint i = 0; i < 4; ++i) box->items[i] = RuntimeException::make(String::valueOf(i * 10));
    for (jint i = 0; i < 3; ++i) {
        rows[i] = VMArray<String*>::create(1);
        rows[i][0] = String::valueOf(i * 100);
    }
    VM::collect();
    EXPECT_EQ(vmVerifyHeap(), 0u);
    for (jint i = 0; i < 8; ++i) EXPECT_EQ(text(vmCast<String>(view[i])), std::to_string(i));
    for (jint i = 0; i < 4; ++i) {
        VMPtr<Throwable> t = vmCast<Throwable>(box->items[i]);
        ASSERT_FALSE(t == nullptr);
        EXPECT_EQ(text(t->getMessage()), std::to_string(i * 10));
    }
    for (jint i = 0; i < 3; ++i) EXPECT_EQ(text(vmCast<String>(rows[i][0])), std::to_string(i * 100));
}

TEST(ArrayCovarianceDeathTest, RawStorageOfAnotherClassesArrayEndsTheProcess) {
    VMPtr<VMArray<String*>> strings = VMArray<String*>::create(2);
    VMPtr<VMArray<Object*>> view = strings;
    // Its own storage is fine.
    EXPECT_EQ(strings->elements()[0].get(), nullptr);
    EXPECT_EXIT((void)view->elements(), ::testing::ExitedWithCode(1), "");
    VMPtr<VMArray<Object*>> objects = VMArray<Object*>::create(2);
    EXPECT_EXIT(vmArrayCopyElements(objects.get(), strings.get(), 0, 0, 1),
                ::testing::ExitedWithCode(1), "");
}

}  // namespace
