// The finalizer thread: finalize() runs once per finalizable object, after a
// collection found it unreachable, on the runtime's own thread.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "VMFinalizer.h"
#include "VMThread.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_Thread.h"
#include "runtime/wren_test_Node.h"
#include "runtime/wren_test_Task.h"

using java::lang::Object;
using wren::test::Node;
using wren::test::yieldUntil;

namespace finalizertest {

// What finalize() saw, by object id; kept outside the objects, which may be
// freed by the time a test looks.
struct Seen {
    jint calls = 0;
    bool onFinalizerThread = false;
    jint heldId = -1;  // the id of the node the object held, read in finalize()
};
std::map<jint, Seen> seen;
jint totalCalls = 0;

// Finalizable from birth; finalize() may throw, or put the object back in a
// static (resurrection).
class Mortal : public virtual Object {
    WREN_CLASS(Mortal, Object, (held, Node))
public:
    struct Statics {
        VMStaticPtr<Mortal> resurrected;
    };
    WREN_STATICS(Statics)

    jint id = 0;
    jboolean throwInFinalize = false;
    jboolean resurrect = false;
    jint extraId = 0;  // when set, finalize() drops a new finalizable object and collects
    jboolean slow = false;  // finalize() takes a few milliseconds, holding the VM lock

    void ctor(jint mortalId, const VMPtr<Node>& n) {
        Object::ctor();
        id = mortalId;
        held = n;
        vmSetFinalizable(this, true);
    }
    void finalize() override {
        Seen& s = seen[id];
        ++s.calls;
        ++totalCalls;
        s.onFinalizerThread = java::lang::Thread::currentThread().get() == vmInstance->finalizer.get();
        s.heldId = held ? held->id : -1;
        if (resurrect) S().resurrected = this;
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (extraId) {
            Mortal::make(extraId, nullptr);
            VM::collect();
        }
        if (throwInFinalize) java::lang::IllegalStateException::throwNew();
    }
};

}  // namespace finalizertest

WREN_DEFINE_CLASS(finalizertest::Mortal, "finalizertest.Mortal")

using finalizertest::Mortal;
using finalizertest::seen;
using finalizertest::totalCalls;

namespace {

// Lets the finalizer thread run until `calls` more finalize() calls have
// been made since `before` and it waits for work again (until then, its pass
// may still hold the last object it finalized).
void letFinalizerRun(jint before, jint calls) {
    yieldUntil([&] {
        auto* f = vmInstance->finalizer.get();
        return totalCalls >= before + calls && wren::test::isWaitingOn(f, f);
    });
}

}  // namespace

TEST(Finalizer, FinalizeRunsOnceAfterTheObjectBecomesUnreachable) {
    const jint id = Node::newId(), nodeId = Node::newId();
    const jint before = totalCalls;
    VMPtr<Mortal> m = Mortal::make(id, Node::make(nodeId));

    VM::collect();
    EXPECT_EQ(seen[id].calls, 0) << "still reachable";

    m = nullptr;
    VM::collect();
    letFinalizerRun(before, 1);
    EXPECT_EQ(seen[id].calls, 1);
    EXPECT_TRUE(seen[id].onFinalizerThread);
    EXPECT_EQ(seen[id].heldId, nodeId) << "what a finalizable object reaches is kept for finalize()";
    EXPECT_TRUE(vmInstance->finalizer->isAlive());

    VM::collect();
    EXPECT_TRUE(Node::wasFreed(nodeId)) << "after finalize() the object is ordinary garbage";
    VM::collect();
    EXPECT_EQ(seen[id].calls, 1);
    EXPECT_EQ(totalCalls, before + 1);
}

// Objects are passed newest first: the one that throws comes before the other.
TEST(Finalizer, ExceptionFromFinalizeDoesNotStopThePass) {
    const jint before = totalCalls;
    const jint quietId = Node::newId(), throwerId = Node::newId();
    {
        VMPtr<Mortal> quiet = Mortal::make(quietId, nullptr);
        VMPtr<Mortal> thrower = Mortal::make(throwerId, nullptr);
        thrower->throwInFinalize = true;
    }
    VM::collect();
    letFinalizerRun(before, 2);
    EXPECT_EQ(seen[throwerId].calls, 1);
    EXPECT_EQ(seen[quietId].calls, 1);
    EXPECT_TRUE(vmInstance->finalizer->isAlive()) << "the finalizer thread goes on";
}

TEST(Finalizer, ResurrectedObjectIsNotFinalizedAgain) {
    const jint before = totalCalls;
    const jint id = Node::newId(), nodeId = Node::newId();
    {
        VMPtr<Mortal> m = Mortal::make(id, Node::make(nodeId));
        m->resurrect = true;
    }
    VM::collect();
    letFinalizerRun(before, 1);
    VMPtr<Mortal> back = Mortal::S().resurrected;
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->id, id);
    VM::collect();
    EXPECT_FALSE(Node::wasFreed(nodeId)) << "reachable again, with what it holds";

    back = nullptr;
    Mortal::S().resurrected = nullptr;
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(nodeId)) << "the second time it dies, it is simply freed";
    EXPECT_EQ(seen[id].calls, 1);
    EXPECT_EQ(totalCalls, before + 1);
}

// A collection made inside finalize() finds more work. It wakes the finalizer
// only once it is over: waking takes the finalizer's monitor, which may give
// the VM lock up, and no other thread may run while a collection is half
// done. A spinning thread, nearly always queued for the lock, would get in.
TEST(Finalizer, CollectionInsideFinalizeKeepsTheVMLockUntilItEnds) {
    const jint before = totalCalls;
    Mortal::make(Node::newId(), nullptr);
    VM::collect();
    letFinalizerRun(before, 1);  // the finalizer has waited on its monitor: it is inflated

    bool stop = false;
    jint entriesDuringCollection = 0;
    VMPtr<wren::test::Task> spinner = wren::test::Task::spawn([&] {
        while (!stop) {
            if (VMThread::yieldDisabled()) ++entriesDuringCollection;
            HAL_yield();  // gives the lock back even then
        }
    });
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        const jint dropper = Node::newId(), extra = Node::newId();
        const jint calls = totalCalls;
        {
            VMPtr<Mortal> m = Mortal::make(dropper, nullptr);
            m->extraId = extra;
        }
        VM::collect();
        // Sleeping, unlike yielding, gives the lock up even inside a collection.
        while (totalCalls < calls + 2) java::lang::Thread::sleep(1);
        EXPECT_EQ(seen[dropper].calls, 1);
        EXPECT_EQ(seen[extra].calls, 1);
    }
    stop = true;
    wren::test::join(spinner);
    EXPECT_EQ(entriesDuringCollection, 0);
}

// An object that dies while a pass is under way may be newer than where the
// pass has got to (the pass walks from the newest object down). The wake for
// it must still lead to its finalize(), without waiting for some later
// collection.
TEST(Finalizer, ObjectDyingDuringAPassIsFinalizedWithoutAnotherCollection) {
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        const jint first = Node::newId(), second = Node::newId();
        Mortal::make(first, nullptr)->slow = true;
        VM::collect();
        // The finalizer yields right after each finalize(), mid-pass; a slow
        // finalize() makes sure this thread is queued for the lock by then.
        yieldUntil([&] { return seen[first].calls == 1; });
        Mortal::make(second, nullptr);
        VM::collect();
        const uint32_t collections = vmInstance->collectionCount;
        yieldUntil([&] { return seen[second].calls == 1; });
        EXPECT_EQ(vmInstance->collectionCount, collections) << "round " << round;
    }
}
