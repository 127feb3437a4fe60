// References: identity comparison, registration in their lists, what keeps
// an object alive while a call runs on it, and the exception in flight.
#include <gtest/gtest.h>

#include <vector>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "VM.h"
#include "VMArray.h"
#include "VMHeap.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_String.h"
#include "runtime/vm_test_support.h"
#include "runtime/wren_test_Node.h"

using java::lang::NullPointerException;
using java::lang::Object;
using java::lang::String;
using wren::test::Node;
using wren::test::stackRefCount;

// --- identity -------------------------------------------------------------

TEST(References, DifferentStaticTypesToOneObjectCompareEqual) {
    VMPtr<Node> holder = Node::make();
    VMPtr<Node> node = Node::make();
    holder->next = node;
    VMPtr<Object> asObject = node;
    VMWeakPtr<Object> weak = node;
    VMStaticPtr<Node> asStatic = node;

    EXPECT_TRUE(asObject == node);
    EXPECT_TRUE(node == asObject);
    EXPECT_TRUE(holder->next == asObject);
    EXPECT_TRUE(weak == holder->next);
    EXPECT_TRUE(asStatic == weak);
    EXPECT_FALSE(asObject != node);

    // The Object part of a String sits at an offset from the String itself.
    VMPtr<String> text = String::make("same");
    VMPtr<Object> textAsObject = text;
    EXPECT_TRUE(textAsObject == text);
    EXPECT_TRUE(text == textAsObject);

    EXPECT_FALSE(textAsObject == node);
    EXPECT_TRUE(textAsObject != node);
    EXPECT_FALSE(holder == node);
}

TEST(References, NullComparesEqualToNull) {
    VMPtr<Node> noNode;
    VMPtr<Object> noObject;
    VMPtr<String> noText = nullptr;
    VMPtr<Node> holder = Node::make();

    EXPECT_TRUE(noNode == noObject);
    EXPECT_TRUE(noText == noObject);
    EXPECT_TRUE(holder->next == noNode);
    EXPECT_TRUE(noNode == nullptr);
    EXPECT_TRUE(nullptr == noText);
    EXPECT_TRUE(holder->next == nullptr);

    EXPECT_FALSE(holder == noNode);
    EXPECT_FALSE(noObject == holder);
    EXPECT_TRUE(holder != nullptr);
}

// --- registration ---------------------------------------------------------

// Locals die in whatever order the code lets them; each must leave exactly
// itself off the list. Every order of three is tried, collecting after each
// death so that a reference dropped or left behind shows in what survives.
TEST(References, UnlinkingInAnyOrderLeavesTheOthersRooted) {
    std::array<int, 3> order = {0, 1, 2};
    do {
        const size_t base = stackRefCount();
        std::array<jint, 3> ids{};
        std::array<std::optional<VMPtr<Node>>, 3> refs;
        for (int i = 0; i < 3; ++i) {
            ids[i] = Node::newId();
            refs[i].emplace(Node::make(ids[i]));
        }
        ASSERT_EQ(stackRefCount(), base + 3);

        for (size_t step = 0; step < order.size(); ++step) {
            refs[order[step]].reset();
            EXPECT_EQ(stackRefCount(), base + 2 - step);
            VM::collect();
            for (int i = 0; i < 3; ++i) {
                const bool dropped = !refs[i].has_value();
                EXPECT_EQ(Node::wasFreed(ids[i]), dropped)
                    << "order " << order[0] << order[1] << order[2] << ", step " << step
                    << ", reference " << i;
                if (!dropped) {
                    EXPECT_EQ((*refs[i])->id, ids[i]);
                }
            }
        }
        EXPECT_EQ(stackRefCount(), base);
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(References, AssignmentRetargetsWithoutLeavingTheList) {
    const jint first = Node::newId(), second = Node::newId(), third = Node::newId();
    VMPtr<Node> ref;
    VMPtr<Node> holder = Node::make();
    const size_t base = stackRefCount();

    ref = Node::make(first);  // from a temporary
    EXPECT_EQ(stackRefCount(), base);
    VM::collect();
    EXPECT_FALSE(Node::wasFreed(first));

    {
        VMPtr<Node> other = Node::make(second);
        ref = other;  // from another local
        EXPECT_EQ(stackRefCount(), base + 1);
    }
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(first));
    EXPECT_FALSE(Node::wasFreed(second));

    holder->next = Node::make(third);
    ref = holder->next;  // from a field
    holder->next = nullptr;
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(second));
    EXPECT_FALSE(Node::wasFreed(third));
    EXPECT_EQ(ref->id, third);

    ref = nullptr;
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(third));
    EXPECT_EQ(stackRefCount(), base);
}

// Each kind of reference, held by itself, either keeps its target or not.
template <VMScopeKind K>
bool survivesHeldOnlyBy() {
    const jint id = Node::newId();
    VMRooted<Node, K> ref = Node::make(id);
    VM::collect();
    return !Node::wasFreed(id) && ref != nullptr;
}

TEST(References, EveryKindButWeakIsARoot) {
    struct Case {
        const char* kind;
        bool (*survives)();
        bool expected;
    };
    for (const Case& c : {Case{"stack", &survivesHeldOnlyBy<VMScopeKind::Stack>, true},
                          Case{"static", &survivesHeldOnlyBy<VMScopeKind::Static>, true},
                          Case{"native", &survivesHeldOnlyBy<VMScopeKind::Native>, true},
                          Case{"weak", &survivesHeldOnlyBy<VMScopeKind::Weak>, false}})
        EXPECT_EQ(c.survives(), c.expected) << c.kind;
}

// --- calls ------------------------------------------------------------------

TEST(References, CallingThroughNullThrowsNullPointerException) {
    struct Case {
        const char* through;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"local", [] { VMPtr<Node> n; (void)n->id; }},
        {"local, dereferenced", [] { VMPtr<Node> n; (void)(*n).id; }},
        {"local, method", [] { VMPtr<Object> o; o->hashCode(); }},
        {"field", [] { VMPtr<Node> holder = Node::make(); (void)holder->next->id; }},
        {"field, dereferenced", [] { VMPtr<Node> holder = Node::make(); (void)(*holder->next).id; }},
        {"static", [] { VMStaticPtr<Node> s; (void)s->id; }},
        {"native", [] { VMNativePtr<Object> n; n->toString(); }},
        {"weak", [] { VMWeakPtr<Node> w; (void)w->id; }},
        {"synchronized block", [] { VMPtr<Object> o; VMSynchronized guard(o); }},
    };
    for (const Case& c : cases) {
        const size_t base = stackRefCount();
        EXPECT_THROW(c.call(), NullPointerException*) << c.through;
        EXPECT_EQ(stackRefCount(), base) << c.through;
    }
}

// A method called through a reference that the method itself overwrites must
// keep running on a live object: the call roots its receiver for its whole
// length. The collection inside the call would otherwise free it, which the
// address sanitizer reports as a use after free.
TEST(References, ReceiverOutlivesTheReferenceItWasCalledThrough) {
    struct Case {
        const char* through;
        // Makes a cell with the given id, calls overwriteAndCollect on it
        // through one kind of reference that the overwrite clears.
        std::function<jint(jint, bool*)> call;
    };
    const Case cases[] = {
        {"field",
         [](jint id, bool* freed) {
             VMPtr<Node> holder = Node::make();
             holder->next = Node::make(id);
             return holder->next->overwriteAndCollect([&] { holder->next = nullptr; }, freed);
         }},
        {"static",
         [](jint id, bool* freed) {
             VMStaticPtr<Node> s = Node::make(id);
             return s->overwriteAndCollect([&] { s = nullptr; }, freed);
         }},
        {"native",
         [](jint id, bool* freed) {
             VMNativePtr<Node> n = Node::make(id);
             return n->overwriteAndCollect([&] { n = nullptr; }, freed);
         }},
        {"weak, after the last strong reference goes",
         [](jint id, bool* freed) {
             VMPtr<Node> strong = Node::make(id);
             VMWeakPtr<Node> weak = strong;
             return weak->overwriteAndCollect([&] { strong = nullptr; }, freed);
         }},
        {"array element",
         [](jint id, bool* freed) {
             VMPtr<VMArray<Node*>> cells = VMArray<Node*>::create(1);
             cells[0] = Node::make(id);
             return cells[0]->overwriteAndCollect([&] { cells[0] = nullptr; }, freed);
         }},
    };
    for (const Case& c : cases) {
        const jint id = Node::newId();
        bool freedDuringCall = true;
        EXPECT_EQ(c.call(id, &freedDuringCall), id) << c.through;
        EXPECT_FALSE(freedDuringCall) << c.through;
        VM::collect();
        EXPECT_TRUE(Node::wasFreed(id)) << c.through << ": garbage once the call is over";
    }
}

// Receivers rooted by temporaries nest as deep as the calls do: deeper than
// the temporary stack's first allocation, so it must grow without losing one.
TEST(References, NestedReceiversStayRootedAsTheirTemporariesGrow) {
    constexpr jint kCells = 2000;
    VMPtr<Node> head = Node::make(Node::newId());
    std::vector<jint> ids{head->id};
    VMPtr<Node> tail = head;
    for (jint i = 1; i < kCells; ++i) {
        tail->next = Node::make(Node::newId());
        tail = tail->next;
        ids.push_back(tail->id);
    }
    tail = nullptr;

    EXPECT_EQ(head->walkCuttingLinks(), kCells);
    for (jint id : ids) EXPECT_FALSE(Node::wasFreed(id)) << "cell " << id << " freed mid-walk";

    VM::collect();
    EXPECT_FALSE(Node::wasFreed(ids.front()));
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_TRUE(Node::wasFreed(ids[i])) << "cell " << ids[i];
}

// --- the exception in flight ----------------------------------------------------

namespace {

// A local whose destructor collects, as any cleanup that allocates may.
struct CollectsWhenUnwound {
    ~CollectsWhenUnwound() { VM::collect(); }
};

[[noreturn]] void throwThroughCollectingFrames(int depth) {
    CollectsWhenUnwound cleanup;
    if (depth == 0)
        java::lang::IllegalStateException::throwNew(String::make("thrown from the bottom"));
    throwThroughCollectingFrames(depth - 1);
}

}  // namespace

// Between its throw and its handler, the exception has no reference of its
// own: nothing but the thread's in-flight slot keeps it, and its message,
// alive through the collections run by the frames being unwound.
TEST(References, ExceptionInFlightSurvivesCollectionsDuringUnwinding) {
    const uint32_t before = wren::test::collectionCount();
    bool caughtIt = false;
    try {
        throwThroughCollectingFrames(3);
    } catch (java::lang::IllegalStateException* caught) {
        VMPtr<java::lang::IllegalStateException> e = caught;
        caughtIt = true;
        EXPECT_GE(wren::test::collectionCount(), before + 4);
        EXPECT_TRUE(e->getMessage()->equals("thrown from the bottom"));
        EXPECT_TRUE(vmIsInstanceOf(e, java::lang::IllegalStateException::classRecord()));
    }
    EXPECT_TRUE(caughtIt);
}

// --- identity hash and text -------------------------------------------------------

TEST(ObjectIdentity, HashCodeIsStableAndSharedByEveryReference) {
    VMPtr<Node> node = Node::make();
    VMPtr<Object> asObject = node;
    const jint hash = node->hashCode();
    for (int i = 0; i < 3; ++i) {
        Node::make();  // garbage for the collection to sweep
        VM::collect();
        EXPECT_EQ(node->hashCode(), hash);
        EXPECT_EQ(asObject->hashCode(), hash);
    }
}

TEST(ObjectIdentity, EqualsIsIdentity) {
    VMPtr<Object> a = Object::make();
    VMPtr<Object> b = Object::make();
    VMPtr<Object> sameAsA = a;
    EXPECT_TRUE(a->equals(a));
    EXPECT_TRUE(a->equals(sameAsA));
    EXPECT_FALSE(a->equals(b));
    EXPECT_FALSE(a->equals(nullptr));
}

// The class name, "@", then the hash in lower-case hexadecimal. Several
// objects are tried so that at least one hash holds a digit above 9 and the
// case of the letters is actually seen.
TEST(ObjectIdentity, ToStringOfPlainObjectIsClassNameAtHexHash) {
    bool sawLetter = false;
    for (int i = 0; i < 64 && !sawLetter; ++i) {
        VMPtr<Object> o = Object::make();
        char expected[64];
        std::snprintf(expected, sizeof expected, "java.lang.Object@%" PRIx32,
                      uint32_t(o->hashCode()));
        const std::string text = o->toString()->toUtf8();
        EXPECT_EQ(text, expected);
        sawLetter = text.find_first_of("abcdef", sizeof "java.lang.Object@" - 1) != std::string::npos;
    }
    EXPECT_TRUE(sawLetter);

    VMPtr<Node> node = Node::make();
    char expected[64];
    std::snprintf(expected, sizeof expected, "wren.test.Node@%" PRIx32, uint32_t(node->hashCode()));
    EXPECT_EQ(node->toString()->toUtf8(), expected);
}
