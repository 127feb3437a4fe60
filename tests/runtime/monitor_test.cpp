// Monitors on one thread: the thin lock's recursion, the synchronized-block
// guard, and what wait and notify demand of their caller.
#include <gtest/gtest.h>

#include <functional>

#include "VM.h"
#include "VMThread.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalMonitorStateException.h"
#include "java_lang_IllegalStateException.h"
#include "runtime/wren_test_Node.h"

using java::lang::IllegalArgumentException;
using java::lang::IllegalMonitorStateException;
using java::lang::Object;
using wren::test::Node;

namespace {

bool heldByMe(Object* o, jint count) {
    return o->monitorCount_ == count && o->monitorOwner_ == VMThread::current();
}
bool isFree(Object* o) { return o->monitorCount_ == 0 && o->monitorOwner_ == nullptr; }

}  // namespace

TEST(Monitor, ReentryIsReleasedOnlyAfterAsManyExits) {
    for (jint depth : {1, 2, 5}) {
        VMPtr<Object> o = Object::make();
        for (jint i = 1; i <= depth; ++i) {
            vmLock(o.get());
            EXPECT_TRUE(heldByMe(o.get(), i)) << "depth " << depth << ", enter " << i;
        }
        for (jint i = depth - 1; i >= 0; --i) {
            vmUnlock(o.get());
            EXPECT_EQ(o->monitorCount_, i) << "depth " << depth;
            EXPECT_EQ(o->monitorOwner_, i ? VMThread::current() : nullptr) << "depth " << depth;
        }
        EXPECT_FALSE(o->vmFlags_ & VM_FLAG_INFLATED) << "an uncontended monitor stays thin";
    }
}

TEST(Monitor, SynchronizedBlocksNestAndReleaseOnEveryWayOut) {
    VMPtr<Object> o = Object::make();
    {
        VMSynchronized outer(o);
        EXPECT_TRUE(heldByMe(o.get(), 1));
        {
            VMSynchronized inner(o.get());
            EXPECT_TRUE(heldByMe(o.get(), 2));
        }
        EXPECT_TRUE(heldByMe(o.get(), 1));
    }
    EXPECT_TRUE(isFree(o.get()));

    try {
        VMSynchronized outer(o);
        VMSynchronized inner(o);
        java::lang::IllegalStateException::throwNew();
    } catch (java::lang::IllegalStateException* caught) {
        VMPtr<java::lang::IllegalStateException> e = caught;
        EXPECT_TRUE(isFree(o.get()));
    }
    EXPECT_TRUE(isFree(o.get()));
}

// The guard holds its own reference: the object it locks can't be swept from
// under it, even when nothing else refers to it.
TEST(Monitor, SynchronizedBlockKeepsItsObjectAlive) {
    const jint id = Node::newId();
    {
        VMSynchronized guard(Node::make(id));
        VM::collect();
        EXPECT_FALSE(Node::wasFreed(id));
    }
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(id));
}

TEST(Monitor, WaitAndNotifyDemandTheMonitor) {
    struct Case {
        const char* call;
        std::function<void(Object*)> run;
    };
    const Case cases[] = {
        {"wait()", [](Object* o) { o->wait(); }},
        {"wait(5)", [](Object* o) { o->wait(5); }},
        {"notify()", [](Object* o) { o->notify(); }},
        {"notifyAll()", [](Object* o) { o->notifyAll(); }},
    };
    for (const Case& c : cases) {
        VMPtr<Object> never = Object::make();
        EXPECT_THROW(c.run(never.get()), IllegalMonitorStateException*) << c.call << ", never locked";

        VMPtr<Object> released = Object::make();
        vmLock(released.get());
        vmUnlock(released.get());
        EXPECT_THROW(c.run(released.get()), IllegalMonitorStateException*) << c.call << ", released";
        EXPECT_TRUE(isFree(released.get())) << c.call;
    }
}

// The timeout is checked first: a negative one is an IllegalArgumentException
// whether or not the caller holds the monitor.
TEST(Monitor, NegativeWaitTimeoutIsRejectedBeforeOwnership) {
    VMPtr<Object> o = Object::make();
    EXPECT_THROW(o->wait(-1), IllegalArgumentException*);
    EXPECT_TRUE(isFree(o.get()));

    VMSynchronized outer(o);
    VMSynchronized inner(o);
    EXPECT_THROW(o->wait(-1), IllegalArgumentException*);
    EXPECT_THROW(o->wait(INT64_MIN), IllegalArgumentException*);
    EXPECT_TRUE(heldByMe(o.get(), 2));
}

TEST(Monitor, NotifyOnThinMonitorDoesNothing) {
    VMPtr<Object> o = Object::make();
    VMSynchronized outer(o);
    VMSynchronized inner(o);
    o->notify();
    o->notifyAll();
    EXPECT_TRUE(heldByMe(o.get(), 2));
    EXPECT_FALSE(o->vmFlags_ & VM_FLAG_INFLATED);
}

TEST(Monitor, WaitReturnsHoldingTheSameRecursionCount) {
    VMPtr<Object> o = Object::make();
    VMSynchronized a(o);
    VMSynchronized b(o);
    VMSynchronized c(o);
    o->wait(1);
    EXPECT_TRUE(heldByMe(o.get(), 3));
}

TEST(MonitorDeathTest, UnlockingAMonitorNotHeldEndsTheProcess) {
    EXPECT_EXIT(
        {
            VMPtr<Object> o = Object::make();
            vmUnlock(o.get());
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            VMPtr<Object> o = Object::make();
            vmLock(o.get());
            vmUnlock(o.get());
            vmUnlock(o.get());
        },
        ::testing::ExitedWithCode(1), "");
}
