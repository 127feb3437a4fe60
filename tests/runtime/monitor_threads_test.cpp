// Monitors between threads: exclusion, waits that give the whole hold up,
// time-outs, wake-ups that must not be lost, and the class-initialisation
// protocol when two threads want the same class.
#include <gtest/gtest.h>

#include <chrono>

#include "VM.h"
#include "VMClass.h"
#include "VMThread.h"
#include "java_lang_Thread.h"
#include "runtime/wren_test_Task.h"

using java::lang::Object;
using java::lang::Thread;
using wren::test::isWaitingOn;
using wren::test::join;
using wren::test::Task;
using wren::test::yieldUntil;

namespace {

using Clock = std::chrono::steady_clock;

bool heldByMe(Object* o, jint count) {
    return o->monitorCount_ == count && o->monitorOwner_ == VMThread::current();
}

}  // namespace

// A yield inside the critical section hands the VM lock to the others; the
// monitor must still keep them out, or increments are lost.
TEST(MonitorThreads, ContendedMonitorLetsOneThreadInAtATime) {
    constexpr int kThreads = 3, kRounds = 2000;
    VMPtr<Object> monitor = Object::make();
    jint counter = 0;
    bool overlapped = false;
    jint inside = 0;
    VMPtr<Task> tasks[kThreads];
    for (auto& task : tasks) {
        task = Task::make([&] {
            for (int r = 0; r < kRounds; ++r) {
                VMSynchronized guard(monitor);
                VMSynchronized nested(monitor);
                if (++inside != 1) overlapped = true;
                jint seen = counter;
                VMThread::yield();
                counter = seen + 1;
                --inside;
            }
        });
    }
    for (auto& t : tasks) t->start();
    for (auto& t : tasks) join(t);
    EXPECT_EQ(counter, kThreads * kRounds);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(monitor->monitorCount_, 0);
    EXPECT_EQ(monitor->monitorOwner_, nullptr);
}

TEST(MonitorThreads, TimedWaitReturnsAfterItsTimeHoldingTheSameCount) {
    VMPtr<Object> monitor = Object::make();
    VMSynchronized a(monitor);
    VMSynchronized b(monitor);
    VMSynchronized c(monitor);
    auto started = Clock::now();
    monitor->wait(50);
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(40));
    EXPECT_TRUE(heldByMe(monitor.get(), 3));
    EXPECT_EQ(VMThread::current()->state, VMThread::RUNNING);
    EXPECT_EQ(VMThread::current()->waitLock, nullptr);
}

// However deep the waiter's hold, wait gives all of it up, so another thread
// can take the monitor; the depth comes back with the monitor.
TEST(MonitorThreads, WaitGivesUpTheWholeHoldAndRestoresIt) {
    VMPtr<Object> monitor = Object::make();
    bool signalled = false;
    jint countSeenByOther = -1;
    VMSynchronized a(monitor);
    VMSynchronized b(monitor);
    VMSynchronized c(monitor);
    VMPtr<Task> other = Task::spawn([&] {
        VMSynchronized guard(monitor);
        countSeenByOther = monitor->monitorCount_;
        signalled = true;
        monitor->notify();
    });
    while (!signalled) monitor->wait();
    EXPECT_TRUE(heldByMe(monitor.get(), 3));
    EXPECT_EQ(countSeenByOther, 1);
    join(other);
}

// A wait that timed out leaves the waiter list at once. Were it still
// listed, ahead of a thread that began waiting after it, the next notify
// would be spent on it and the other waiter would sleep on.
TEST(MonitorThreads, TimedOutWaiterLeavesTheWaiterList) {
    constexpr jlong kStallMs = 10000;
    VMPtr<Object> monitor = Object::make();
    bool go = false, woke = false;
    VMPtr<Task> other;
    {
        VMSynchronized guard(monitor);
        other = Task::spawn([&] {
            VMSynchronized g(monitor);
            while (!go) monitor->wait();
            woke = true;
            monitor->notify();
        });
        // Times out at least once with the other thread waiting behind it.
        do {
            monitor->wait(5);
        } while (!isWaitingOn(other.get(), monitor.get()));
        go = true;
        monitor->notify();
        const auto started = Clock::now();
        while (!woke && Clock::now() - started < std::chrono::milliseconds(kStallMs))
            monitor->wait(kStallMs);
        EXPECT_TRUE(woke) << "the notify went to the thread whose wait had timed out";
    }  // releasing the monitor wakes every waiter, so the other thread ends either way
    join(other);
}

// Threads pass a token round under one monitor, each waiting until it holds
// the token: every pass has exactly one wake-up that lets the game go on, so
// a wake-up lost anywhere leaves all of them waiting. The waits have a long
// time-out so that a lost wake-up fails the test instead of hanging it.
TEST(MonitorThreads, TokenPassingNeverLosesAWakeUp) {
    struct Case {
        int threads;
        bool notifyAll;
    };
    constexpr int kPasses = 3000;
    constexpr jlong kStallMs = 20000;
    for (const Case& c : {Case{2, false}, Case{2, true}, Case{3, true}}) {
        VMPtr<Object> monitor = Object::make();
        jint token = 0, passes = 0, stalls = 0;
        VMPtr<Task> tasks[3];
        for (int me = 0; me < c.threads; ++me) {
            tasks[me] = Task::make([&, me] {
                VMSynchronized guard(monitor);
                for (;;) {
                    while (token != me && passes < kPasses) {
                        auto started = Clock::now();
                        monitor->wait(kStallMs);
                        if (token != me && passes < kPasses &&
                            Clock::now() - started >= std::chrono::milliseconds(kStallMs)) {
                            ++stalls;
                            passes = kPasses;  // give up: everyone stops
                        }
                    }
                    if (passes >= kPasses) {
                        monitor->notifyAll();
                        return;
                    }
                    token = (me + 1) % c.threads;
                    ++passes;
                    if (c.notifyAll) monitor->notifyAll();
                    else monitor->notify();
                }
            });
        }
        for (int i = 0; i < c.threads; ++i) tasks[i]->start();
        for (int i = 0; i < c.threads; ++i) join(tasks[i]);
        EXPECT_EQ(stalls, 0) << c.threads << " threads, notifyAll " << c.notifyAll;
        EXPECT_EQ(passes, kPasses);
    }
}

// --- static initialisation by two threads ------------------------------------

namespace monitortest {

// Its initialiser holds on until a second thread is waiting for the class.
class SlowInit : public virtual Object {
    WREN_CLASS(SlowInit, Object)
public:
    struct Statics {
        jint value = 0;
        jint initRuns = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
    static VMThread* secondThread;
};
VMThread* SlowInit::secondThread = nullptr;

void SlowInit::staticInit() {
    ++wrenStatics_().initRuns;
    java::lang::Class* record = classRecord();
    yieldUntil([record] {
        VMThread* t = secondThread;
        return t && t->state == VMThread::WAITING && t->waitLock &&
               t->waitLock == vmMonitorLock(record);
    });
    wrenStatics_().value = 42;
}

}  // namespace monitortest

WREN_DEFINE_CLASS(monitortest::SlowInit, "monitortest.SlowInit")

TEST(MonitorThreads, SecondThreadWaitsForAClassBeingInitialised) {
    using monitortest::SlowInit;
    jint seenBySecond = -1;
    VMPtr<Task> second = Task::make([&] { seenBySecond = SlowInit::S().value; });
    SlowInit::secondThread = second->vmThread;
    second->start();
    EXPECT_EQ(SlowInit::S().value, 42);
    join(second);
    EXPECT_EQ(seenBySecond, 42) << "the second thread went on only after the initialiser";
    EXPECT_EQ(SlowInit::wrenStatics_().initRuns, 1);
    EXPECT_EQ(SlowInit::classRecord()->initState, java::lang::Class::INITIALISED);
}
