// java.util.Vector and its enumeration: growth, the checks and their texts,
// shifting inserts and removals, matching, toString, and enumerations over a
// Vector that changes while they walk it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_Integer.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "java_util_Enumeration.h"
#include "java_util_Vector.h"
#include "java_util_VectorEnumerator.h"
#include "runtime/runtime_test_support.h"
#include "runtime/vm_test_support.h"

using java::lang::Integer;
using java::lang::Object;
using java::lang::String;
using java::util::Enumeration;
using java::util::Vector;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace vectortest {

// Equal to everything: shows whose equals a search calls.
class AlwaysEqual : public virtual Object {
    WREN_CLASS(AlwaysEqual, Object)
public:
    void ctor() { Object::ctor(); }
    jboolean equals(const VMPtr<Object>&) override { return true; }
};

// Removes the Vector's first element when it is printed.
class Shrinker : public virtual Object {
    WREN_CLASS(Shrinker, Object, (target, Vector))
public:
    void ctor(const VMPtr<Vector>& v) {
        Object::ctor();
        target = v;
    }
    VMPtr<String> toString() override {
        target->removeElementAt(0);
        return WREN_LIT("s");
    }
};

}  // namespace vectortest

WREN_DEFINE_CLASS(vectortest::AlwaysEqual, "vectortest.AlwaysEqual")
WREN_DEFINE_CLASS(vectortest::Shrinker, "vectortest.Shrinker")

namespace {

VMPtr<String> str(const char* s) { return String::make(s); }

// "a,b,null": the slots in use, and the capacity checked apart.
std::string contents(const VMPtr<Vector>& v) {
    std::string out;
    for (jint i = 0; i < v->elementCount; ++i) {
        if (i > 0) out += ",";
        VMPtr<Object> e = v->elementData[i];
        out += e ? e->toString()->toUtf8() : "null";
    }
    return out;
}

// Every slot past the count is null.
bool tailIsClear(const VMPtr<Vector>& v) {
    for (jint i = v->elementCount; i < v->elementData->length; ++i)
        if (!v->elementData[i].isNull()) return false;
    return true;
}

VMPtr<Vector> vectorOf(std::initializer_list<const char*> items) {
    VMPtr<Vector> v = Vector::make();
    for (const char* s : items) v->addElement(s ? VMPtr<Object>(str(s)) : VMPtr<Object>());
    return v;
}

std::string messageOf(const VMPtr<java::lang::Throwable>& t) {
    return t ? text(t->getMessage()) : std::string("nothing");
}

TEST(VectorGrowth, CapacityFollowsTheIncrementOrDoubles) {
    struct Case {
        jint initial, increment, adds;
        std::vector<jint> capacities;  // after each add
    };
    const Case cases[] = {
        {10, 0, 11, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 20}},
        {10, 5, 11, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 15}},
        {0, 0, 5, {1, 2, 4, 4, 8}},
        {0, 3, 4, {3, 3, 3, 6}},
        {1, -7, 3, {1, 2, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.initial) + "/" + std::to_string(c.increment));
        VMPtr<Vector> v = Vector::make(c.initial, c.increment);
        EXPECT_EQ(v->capacity(), c.initial);
        for (jint i = 0; i < c.adds; ++i) {
            v->addElement(Integer::make(i));
            EXPECT_EQ(v->capacity(), c.capacities[size_t(i)]) << "after add " << i + 1;
        }
        EXPECT_EQ(v->size(), c.adds);
    }
    EXPECT_EQ(Vector::make()->capacity(), 10);
    EXPECT_EQ(Vector::make(3)->capacity(), 3);
}

TEST(VectorGrowth, EnsureCapacitySetSizeAndTrim) {
    VMPtr<Vector> v = vectorOf({"a", "b", "c", "d", "e"});
    v->ensureCapacity(5);  // not above the capacity: nothing happens
    EXPECT_EQ(v->capacity(), 10);
    v->ensureCapacity(11);  // doubling is enough
    EXPECT_EQ(v->capacity(), 20);
    v->ensureCapacity(100);  // the minimum wins over doubling
    EXPECT_EQ(v->capacity(), 100);
    EXPECT_EQ(contents(v), "a,b,c,d,e");

    v->trimToSize();
    EXPECT_EQ(v->capacity(), 5);
    EXPECT_EQ(contents(v), "a,b,c,d,e");

    v->setSize(3);
    EXPECT_EQ(contents(v), "a,b,c");
    EXPECT_EQ(v->capacity(), 5);
    EXPECT_TRUE(v->elementData[3].isNull());
    EXPECT_TRUE(v->elementData[4].isNull());
    v->setSize(5);  // grows the count back over null slots
    EXPECT_EQ(contents(v), "a,b,c,null,null");
    v->setSize(12);  // past the capacity: twice 5 is not enough
    EXPECT_EQ(v->capacity(), 12);
    EXPECT_EQ(v->size(), 12);
    v->setSize(0);
    EXPECT_TRUE(v->isEmpty());
    EXPECT_TRUE(tailIsClear(v));

    VMPtr<Vector> empty = Vector::make(0, 0);
    empty->trimToSize();
    EXPECT_EQ(empty->capacity(), 0);
    empty->addElement(str("x"));
    EXPECT_EQ(empty->capacity(), 1);
}

// copyInto takes an array of references of any class and dimension, and
// nothing else: as in Java, an int[] doesn't compile.
template <class A>
concept CopyIntoTakes = requires(Vector& v, const VMPtr<A>& a) { v.copyInto(a); };
static_assert(CopyIntoTakes<VMArray<String*>> && CopyIntoTakes<VMArray<jint, 2>> &&
              CopyIntoTakes<VMArray<java::lang::Runnable*>>);
static_assert(!CopyIntoTakes<VMArray<jint>> && !CopyIntoTakes<VMArray_Base>);

TEST(VectorErrors, EachBadCallThrowsItsClassAndText) {
    constexpr const char* kAIOOBE = "java.lang.ArrayIndexOutOfBoundsException";
    constexpr const char* kAtOrPast = "index >= elementCount";
    struct Case {
        const char* call;
        std::function<void(const VMPtr<Vector>&)> body;
        const char* exception;
        const char* message;  // "<null>" for none
    };
    const Case cases[] = {
        {"new Vector(-1)", [](auto&) { Vector::make(-1); }, "java.lang.IllegalArgumentException",
         "Negative initialCapacity"},
        {"elementAt(size)", [](auto& v) { v->elementAt(3); }, kAIOOBE, kAtOrPast},
        {"elementAt(-1)", [](auto& v) { v->elementAt(-1); }, kAIOOBE, "Array index out of range: -1"},
        {"setElementAt(size)", [](auto& v) { v->setElementAt(nullptr, 3); }, kAIOOBE, kAtOrPast},
        {"setElementAt(-2)", [](auto& v) { v->setElementAt(nullptr, -2); }, kAIOOBE,
         "Array index out of range: -2"},
        {"removeElementAt(size)", [](auto& v) { v->removeElementAt(3); }, kAIOOBE, kAtOrPast},
        {"removeElementAt(-1)", [](auto& v) { v->removeElementAt(-1); }, kAIOOBE,
         "Array index out of range: -1"},
        {"insertElementAt(size+1)", [](auto& v) { v->insertElementAt(str("x"), 4); }, kAIOOBE,
         kAtOrPast},
        {"insertElementAt(-1)", [](auto& v) { v->insertElementAt(str("x"), -1); }, kAIOOBE,
         "Array index out of range: -1"},
        {"indexOf(x, -1)", [](auto& v) { v->indexOf(str("a"), -1); }, kAIOOBE,
         "Array index out of range: -1"},
        {"lastIndexOf(x, size)", [](auto& v) { v->lastIndexOf(str("a"), 3); },
         "java.lang.IndexOutOfBoundsException", kAtOrPast},
        {"setSize(-1)", [](auto& v) { v->setSize(-1); }, kAIOOBE, "new size is negative"},
        {"copyInto(shorter)", [](auto& v) { v->copyInto(VMArray<Object*>::create(2)); }, kAIOOBE,
         "destination array too small"},
        {"copyInto(shorter String[])", [](auto& v) { v->copyInto(VMArray<String*>::create(2)); },
         kAIOOBE, "destination array too small"},
        {"copyInto(null)", [](auto& v) { v->copyInto(nullptr); }, "java.lang.NullPointerException",
         "<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        VMPtr<Vector> v = vectorOf({"a", "b", "c"});
        VMPtr<java::lang::Throwable> t = thrownBy([&] { c.body(v); });
        EXPECT_EQ(classNameOf(t), c.exception);
        EXPECT_EQ(messageOf(t), c.message);
        // Nothing changed, and the monitor was let go on the way out.
        EXPECT_EQ(contents(v), "a,b,c");
        EXPECT_EQ(v->capacity(), 10);
        EXPECT_EQ(v->monitorCount_, 0);
    }

    VMPtr<Vector> empty = Vector::make();
    for (auto body : {+[](const VMPtr<Vector>& v) { v->firstElement(); },
                      +[](const VMPtr<Vector>& v) { v->lastElement(); }}) {
        VMPtr<java::lang::Throwable> t = thrownBy([&] { body(empty); });
        EXPECT_EQ(classNameOf(t), "java.util.NoSuchElementException");
        EXPECT_EQ(messageOf(t), "<null>");
    }
    // lastIndexOf with a negative index is "not found", on an empty Vector too.
    EXPECT_EQ(vectorOf({"a"})->lastIndexOf(str("a"), -1), -1);
    EXPECT_EQ(empty->lastIndexOf(str("a")), -1);
    EXPECT_EQ(empty->indexOf(str("a"), 0), -1);
}

TEST(VectorElements, InsertRemoveAndSetShiftAndClearSlots) {
    VMPtr<Vector> v = vectorOf({"a", "b", "c"});
    v->insertElementAt(str("x"), 0);
    v->insertElementAt(str("y"), 2);
    v->insertElementAt(str("z"), v->size());  // at size(): appends
    EXPECT_EQ(contents(v), "x,a,y,b,c,z");
    v->setElementAt(str("Y"), 2);
    EXPECT_EQ(text(String::valueOf(v->elementAt(2))), "Y");
    EXPECT_EQ(text(String::valueOf(v->firstElement())), "x");
    EXPECT_EQ(text(String::valueOf(v->lastElement())), "z");

    v->removeElementAt(0);
    v->removeElementAt(v->size() - 1);
    v->removeElementAt(1);
    EXPECT_EQ(contents(v), "a,b,c");
    EXPECT_TRUE(tailIsClear(v));

    // Growing through insert keeps the order.
    VMPtr<Vector> full = Vector::make(2, 0);
    full->addElement(str("1"));
    full->addElement(str("3"));
    full->insertElementAt(str("2"), 1);
    EXPECT_EQ(contents(full), "1,2,3");
    EXPECT_EQ(full->capacity(), 4);

    v->removeAllElements();
    EXPECT_EQ(v->size(), 0);
    EXPECT_EQ(v->capacity(), 10);
    EXPECT_TRUE(tailIsClear(v));
}

TEST(VectorElements, MatchingUsesTheArgumentsEquals) {
    VMPtr<Vector> v = vectorOf({"a", "b", nullptr, "b", "a"});
    // Equal text, different objects.
    EXPECT_EQ(v->indexOf(str("b")), 1);
    EXPECT_EQ(v->indexOf(str("b"), 2), 3);
    EXPECT_EQ(v->indexOf(str("b"), 4), -1);
    EXPECT_EQ(v->indexOf(str("b"), 99), -1);
    EXPECT_EQ(v->lastIndexOf(str("b")), 3);
    EXPECT_EQ(v->lastIndexOf(str("b"), 2), 1);
    EXPECT_EQ(v->lastIndexOf(str("a"), 3), 0);
    EXPECT_TRUE(v->contains(str("a")));
    EXPECT_FALSE(v->contains(str("c")));
    // Null matches a null slot.
    EXPECT_EQ(v->indexOf(nullptr), 2);
    EXPECT_EQ(v->lastIndexOf(nullptr), 2);

    // The argument's equals decides, not the slot's.
    VMPtr<Object> anything = vectortest::AlwaysEqual::make();
    EXPECT_EQ(v->indexOf(anything), 0);
    EXPECT_EQ(v->lastIndexOf(anything), 4);
    VMPtr<Vector> holder = Vector::make();
    holder->addElement(anything);
    EXPECT_EQ(holder->indexOf(str("a")), -1);
    EXPECT_EQ(holder->indexOf(anything), 0);

    // removeElement takes out only the first equal element.
    EXPECT_TRUE(v->removeElement(str("a")));
    EXPECT_EQ(contents(v), "b,null,b,a");
    EXPECT_FALSE(v->removeElement(str("q")));
    EXPECT_EQ(contents(v), "b,null,b,a");
    EXPECT_TRUE(tailIsClear(v));
}

TEST(VectorElements, CopyIntoFillsFromTheTopAndChecksEachElement) {
    VMPtr<Vector> v = vectorOf({"a", nullptr, "c"});
    VMPtr<VMArray<Object*>> objects = VMArray<Object*>::create(4);
    objects[3] = str("keep");
    v->copyInto(objects);
    EXPECT_EQ(text(String::valueOf(objects[0])), "a");
    EXPECT_TRUE(objects[1].isNull());
    EXPECT_EQ(text(String::valueOf(objects[2])), "c");
    EXPECT_EQ(text(String::valueOf(objects[3])), "keep");

    // Into String[]: fine while every element is a String; an Integer is
    // refused, after the elements above it were copied.
    VMPtr<VMArray<String*>> strings = VMArray<String*>::create(3);
    v->copyInto(strings);
    EXPECT_EQ(text(strings[2]), "c");
    VMPtr<Vector> mixed = vectorOf({"x", "y"});
    mixed->insertElementAt(Integer::make(7), 1);  // x, 7, y
    VMPtr<VMArray<String*>> target = VMArray<String*>::create(3);
    EXPECT_EQ(thrownName([&] { mixed->copyInto(target); }), "java.lang.ArrayStoreException");
    EXPECT_EQ(text(target[2]), "y");
    EXPECT_TRUE(target[0].isNull());
}

TEST(VectorText, ToStringForms) {
    EXPECT_EQ(text(Vector::make()->toString()), "[]");
    EXPECT_EQ(text(vectorOf({"a", "b"})->toString()), "[a, b]");
    VMPtr<Vector> v = vectorOf({"a", nullptr});
    v->addElement(Integer::make(-3));
    EXPECT_EQ(text(v->toString()), "[a, null, -3]");
    // A Vector inside a Vector prints through its own toString.
    VMPtr<Vector> outer = vectorOf({"x"});
    outer->addElement(vectorOf({"y", "z"}));
    EXPECT_EQ(text(outer->toString()), "[x, [y, z]]");
    EXPECT_EQ(outer->monitorCount_, 0);
}

TEST(VectorText, ToStringSurvivesAnElementThatShrinksTheVector) {
    VMPtr<Vector> v = Vector::make();
    v->addElement(str("a"));
    v->addElement(vectortest::Shrinker::make(v));
    v->addElement(str("c"));
    v->addElement(str("d"));
    // Printing the second element removes the first: the walk goes on over
    // what is left ("d" moves into slot 2) and never past the count.
    EXPECT_EQ(text(v->toString()), "[a, s, d]");
    EXPECT_EQ(v->size(), 3);
}

TEST(VectorEnumeration, WalksInOrderAndThrowsPastTheEnd) {
    VMPtr<Vector> v = vectorOf({"a", nullptr, "c"});
    VMPtr<Enumeration> e = v->elements();
    EXPECT_TRUE(vmIsInstanceOf(e, java::util::VectorEnumerator::classRecord()));
    std::string seen;
    while (e->hasMoreElements()) seen += text(String::valueOf(e->nextElement())) + ";";
    EXPECT_EQ(seen, "a;null;c;");
    VMPtr<java::lang::Throwable> t = thrownBy([&] { e->nextElement(); });
    EXPECT_EQ(classNameOf(t), "java.util.NoSuchElementException");
    EXPECT_EQ(messageOf(t), "VectorEnumerator");
    EXPECT_EQ(v->monitorCount_, 0);
    EXPECT_FALSE(Vector::make()->elements()->hasMoreElements());
}

TEST(VectorEnumeration, ReadsTheVectorLiveWhileItChanges) {
    wren::test::ScopedGcStress stress(1);
    VMPtr<Vector> v = Vector::make(1, 0);
    v->addElement(str("a"));
    v->addElement(str("b"));
    VMPtr<Enumeration> e = v->elements();
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "a");
    // Growth replaces the array under the enumerator: it reads the new one.
    for (const char* s : {"c", "d", "e", "f"}) v->addElement(str(s));
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "b");
    // Removing behind the cursor shifts the next element past it.
    v->removeElementAt(0);  // b, c, d, e, f; the cursor stays at 2
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "d");
    // Removing ahead of it is seen too: "e" is never handed out.
    v->removeElementAt(3);  // b, c, d, f
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "f");
    EXPECT_FALSE(e->hasMoreElements());
    // A shrink below the cursor ends the walk; later additions revive it.
    v->setSize(1);
    v->trimToSize();
    VM::collect();
    EXPECT_FALSE(e->hasMoreElements());
    EXPECT_EQ(thrownName([&] { e->nextElement(); }), "java.util.NoSuchElementException");
    for (const char* s : {"p", "q", "r", "s", "t"}) v->addElement(str(s));
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "s");
}

TEST(VectorEnumeration, KeepsItsVectorAlive) {
    VMPtr<Enumeration> e;
    {
        VMPtr<Vector> v = vectorOf({"only"});
        e = v->elements();
    }
    VM::collect();
    VM::collect();
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "only");
}

TEST(VectorClass, RecordsAndFactory) {
    java::lang::Class* vector = vmFindClass("java.util.Vector");
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(vector, Vector::classRecord());
    VMPtr<Object> made = vector->newInstance();
    VMPtr<Vector> v = vmCast<Vector>(made);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->capacity(), 10);
    EXPECT_EQ(v->capacityIncrement, 0);

    java::lang::Class* enumeration = vmFindClass("java.util.Enumeration");
    ASSERT_NE(enumeration, nullptr);
    EXPECT_TRUE(enumeration->isInterface);
    java::lang::Class* enumerator = vmFindClass("java.util.VectorEnumerator");
    ASSERT_NE(enumerator, nullptr);
    EXPECT_TRUE(vmIsAssignableFrom(enumerator, enumeration));
    EXPECT_EQ(enumerator->factory, nullptr);
}

}  // namespace
