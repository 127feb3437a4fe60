// Java threads: naming, start, end, interrupts and sleep; and the native
// threads under them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "HAL_threads.h"
#include "VM.h"
#include "VMException.h"
#include "VMThread.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_IllegalThreadStateException.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Thread.h"
#include "runtime/runtime_test_support.h"
#include "runtime/wren_test_Task.h"

using java::lang::IllegalThreadStateException;
using java::lang::InterruptedException;
using java::lang::Object;
using java::lang::Thread;
using wren::test::isSleeping;
using wren::test::isWaitingOn;
using wren::test::join;
using wren::test::Task;
using wren::test::yieldUntil;
using wrentest::text;
using wrentest::thrownName;

namespace {

constexpr jlong kForever = 3600 * 1000;  // an hour: only an interrupt ends it

std::string nameOf(const VMPtr<Thread>& t) { return text(t->getName()); }

}  // namespace

// --- names ---------------------------------------------------------------

TEST(Thread, UnnamedThreadsAreNumberedInCreationOrder) {
    const jint before = Thread::wrenStatics_().unnamedCount;
    auto expected = [&](jint k) { return "Thread-" + std::to_string(before + k); };

    VMPtr<Thread> first = Thread::make();
    VMPtr<Thread> named = Thread::make(VMPtr<java::lang::String>(WREN_LIT("worker")));
    VMPtr<Thread> second = Thread::make();
    VMPtr<Thread> third = Thread::make(VMPtr<java::lang::Runnable>(nullptr));

    EXPECT_EQ(nameOf(first), expected(1));
    EXPECT_EQ(nameOf(named), "worker") << "a named thread takes no number";
    EXPECT_EQ(nameOf(second), expected(2));
    EXPECT_EQ(nameOf(third), expected(3));
    EXPECT_EQ(text(named->toString()), "Thread[worker,5]");
}

// The count runs over the whole program, from 1.
TEST(ThreadDeathTest, FirstUnnamedThreadOfTheProgramIsThreadOne) {
    EXPECT_EXIT(std::_Exit(nameOf(Thread::make()) == "Thread-1" ? 0 : 1), ::testing::ExitedWithCode(0),
                "");
}

// --- life cycle ----------------------------------------------------------

TEST(Thread, NeverStartedThreadIsNotAlive) {
    VMPtr<Thread> t = Thread::make();
    EXPECT_FALSE(t->isAlive());
    EXPECT_FALSE(t->vmThread->isStarted());
    join(t);  // returns at once: there is nothing to wait for
}

TEST(Thread, StartingTwiceThrowsIllegalThreadState) {
    bool mayEnd = false;
    jint runs = 0;
    VMPtr<Task> t = Task::spawn([&] {
        ++runs;
        yieldUntil([&] { return mayEnd; });
    });
    EXPECT_TRUE(t->isAlive());
    EXPECT_EQ(thrownName([&] { t->start(); }), "java.lang.IllegalThreadStateException")
        << "while running";
    mayEnd = true;
    join(t);
    EXPECT_EQ(thrownName([&] { t->start(); }), "java.lang.IllegalThreadStateException")
        << "after it ended";
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(t->monitorCount_, 0) << "start releases the thread's monitor when it throws";
}

TEST(Thread, EndOfRunWakesEveryThreadWaitingOnIt) {
    VMPtr<Task> waiters[2];
    bool aliveAfterJoin[2] = {true, true};
    VMPtr<Task> target = Task::spawn([&] {
        // Ends only once both waiters sit in wait() on this thread.
        yieldUntil([&] {
            return waiters[0] && waiters[1] && isWaitingOn(waiters[0].get(), target.get()) &&
                   isWaitingOn(waiters[1].get(), target.get());
        });
    });
    for (int i = 0; i < 2; ++i) {
        waiters[i] = Task::spawn([&, i] {
            join(target);
            aliveAfterJoin[i] = target->isAlive();
        });
    }
    join(waiters[0]);
    join(waiters[1]);
    EXPECT_FALSE(target->isAlive());
    EXPECT_EQ(target->vmThread->state, VMThread::ENDED);
    EXPECT_FALSE(aliveAfterJoin[0]);
    EXPECT_FALSE(aliveAfterJoin[1]);
}

// Whatever leaves run() ends only that thread: a Java exception has its
// trace printed, the exit request reaches the VM.
TEST(Thread, ExceptionLeavingRunEndsOnlyThatThread) {
    struct Case {
        const char* what;
        std::function<void()> body;
        bool requestsExit;
    };
    const Case cases[] = {
        {"a Java exception", [] { java::lang::IllegalStateException::throwNew(); }, false},
        {"the exit request", [] { VMExitException::make(3)->throwSelf(); }, true},
    };
    for (const Case& c : cases) {
        vmInstance->exitRequested = 0;
        VMPtr<Task> t = Task::spawn(c.body);
        join(t);
        EXPECT_FALSE(t->isAlive()) << c.what;
        EXPECT_EQ(vmInstance->exitRequested, c.requestsExit ? 1 : 0) << c.what;
    }
    vmInstance->exitRequested = 0;
}

// --- interrupts ------------------------------------------------------------

TEST(Thread, InterruptWakesASleepingOrWaitingThread) {
    struct Case {
        const char* blockedIn;
        std::function<void(Object*)> block;
        std::function<bool(Thread*, Object*)> isBlocked;
    };
    const Case cases[] = {
        {"sleep", [](Object*) { Thread::sleep(kForever); },
         [](Thread* t, Object*) { return isSleeping(t); }},
        {"wait()",
         [](Object* m) {
             VMSynchronized guard(m);
             m->wait();
         },
         [](Thread* t, Object* m) { return isWaitingOn(t, m); }},
        {"wait(timeout)",
         [](Object* m) {
             VMSynchronized guard(m);
             VMSynchronized again(m);
             m->wait(kForever);
         },
         [](Thread* t, Object* m) { return isWaitingOn(t, m); }},
    };
    for (const Case& c : cases) {
        VMPtr<Object> monitor = Object::make();
        std::string thrown;
        bool flagCleared = false;
        jint countAfter = -1;
        VMPtr<Task> t = Task::spawn([&] {
            thrown = thrownName([&] { c.block(monitor.get()); });
            flagCleared = Thread::currentThread()->vmThread->interrupted == 0;
            countAfter = monitor->monitorCount_;
        });
        yieldUntil([&] { return c.isBlocked(t.get(), monitor.get()); });
        t->interrupt();
        join(t);
        EXPECT_EQ(thrown, "java.lang.InterruptedException") << c.blockedIn;
        EXPECT_TRUE(flagCleared) << c.blockedIn;
        EXPECT_EQ(countAfter, 0) << c.blockedIn << ": the monitor is released on the way out";
    }
}

// An interrupt that finds the thread running is kept for its next sleep or
// wait, which throws before blocking, and only that one.
TEST(Thread, InterruptOfARunningThreadMakesTheNextSleepOrWaitThrowAtOnce) {
    struct Case {
        const char* next;
        std::function<void(Object*)> call;
    };
    const Case cases[] = {
        {"sleep(forever)", [](Object*) { Thread::sleep(kForever); }},
        {"sleep(0)", [](Object*) { Thread::sleep(0); }},
        {"wait(forever)",
         [](Object* m) {
             VMSynchronized guard(m);
             m->wait(kForever);
         }},
    };
    for (const Case& c : cases) {
        VMPtr<Object> monitor = Object::make();
        bool running = false, interruptSent = false;
        std::string first, second;
        VMPtr<Task> t = Task::spawn([&] {
            running = true;
            yieldUntil([&] { return interruptSent; });
            first = thrownName([&] { c.call(monitor.get()); });
            second = thrownName([] { Thread::sleep(1); });
        });
        yieldUntil([&] { return running; });
        t->interrupt();
        interruptSent = true;
        join(t);
        EXPECT_EQ(first, "java.lang.InterruptedException") << c.next;
        EXPECT_EQ(second, "nothing") << c.next << ": the interrupt is spent";
    }
}

TEST(Thread, InterruptOfAThreadThatIsNotAliveIsDropped) {
    VMPtr<Task> t = Task::spawn([] {});
    join(t);
    t->interrupt();
    EXPECT_EQ(t->vmThread->interrupted, 0);
    VMPtr<Thread> unstarted = Thread::make();
    unstarted->interrupt();
    EXPECT_EQ(unstarted->vmThread->interrupted, 0);
}

// --- sleep -----------------------------------------------------------------

// Sleeping, even for no time or less, and yielding let a waiting thread run.
// A thread that entered the VM lock twice (a dispatch that posts) gives the
// whole hold up and gets its depth back.
TEST(Thread, SleepAndYieldLetOthersRunGivingUpTheWholeHold) {
    struct Case {
        const char* call;
        std::function<void()> letGo;
    };
    const Case cases[] = {
        {"sleep(1)", [] { Thread::sleep(1); }},
        {"sleep(0)", [] { Thread::sleep(0); }},
        {"sleep(-5)", [] { Thread::sleep(-5); }},
        {"yield", [] { Thread::yield(); }},
    };
    for (const Case& c : cases) {
        HAL_enterVMLock();
        bool ran = false;
        VMPtr<Task> t = Task::spawn([&] { ran = true; });
        // Ends only once the other thread has had the lock.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!ran && std::chrono::steady_clock::now() < giveUp) c.letGo();
        HAL_leaveVMLock();
        ASSERT_TRUE(ran) << c.call << " kept the lock";
        EXPECT_TRUE(HAL_holdsVMLock()) << c.call << ": the depth of two came back";
        EXPECT_EQ(VMThread::current()->state, VMThread::RUNNING) << c.call;
        join(t);
    }
}

TEST(Thread, SleepLastsAtLeastItsTime) {
    auto started = std::chrono::steady_clock::now();
    Thread::sleep(50);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(40));
    EXPECT_EQ(VMThread::current()->state, VMThread::RUNNING);
    EXPECT_EQ(VMThread::current()->waitLock, nullptr);
}

// --- native threads ----------------------------------------------------------

TEST(NativeThread, ThreadWithoutEntryFinishesOnceStartedAndStartsOnce) {
    NativeThread* t = nullptr;
    ASSERT_EQ(HAL_createThread(&t, nullptr, nullptr), 0);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->resumed);
    HAL_startThread(t);
    HAL_startThread(t);
    while (!t->finished) std::this_thread::yield();
    EXPECT_TRUE(t->resumed);
    HAL_deleteThread(t);
}

namespace {
// A native entry's argument is the runtime's thread record, read by the
// enter-VM hook: these entries take none and report through globals.
std::atomic<int> entryRuns{0};
std::atomic<bool> entryHeldTheLock{false};
void countRun(void*) {
    ++entryRuns;
    entryHeldTheLock = HAL_holdsVMLock();
}
}  // namespace

// The entry runs once, holding the VM lock; a thread deleted before it was
// started never runs its entry.
TEST(NativeThread, EntryRunsOnceUnderTheVMLock) {
    entryRuns = 0;
    entryHeldTheLock = false;
    NativeThread* started = nullptr;
    HAL_createThread(&started, &countRun, nullptr);
    HAL_startThread(started);
    HAL_startThread(started);
    while (!started->finished) HAL_yield();
    HAL_deleteThread(started);
    EXPECT_EQ(entryRuns, 1);
    EXPECT_TRUE(entryHeldTheLock);

    NativeThread* never = nullptr;
    HAL_createThread(&never, &countRun, nullptr);
    HAL_deleteThread(never);
    EXPECT_EQ(entryRuns, 1);
}

// A thread the system refuses to make is reported, and leaves no record
// that would look started and alive for ever; only the creations asked to
// fail do.
TEST(NativeThread, ACreationTheSystemRefusesIsReportedWithNoRecord) {
    entryRuns = 0;
    HAL_failNextThreadCreations(1);
    NativeThread* refused = reinterpret_cast<NativeThread*>(uintptr_t(1));
    EXPECT_NE(HAL_createThread(&refused, &countRun, nullptr), 0);
    EXPECT_EQ(refused, nullptr);
    NativeThread* next = nullptr;
    ASSERT_EQ(HAL_createThread(&next, &countRun, nullptr), 0);
    ASSERT_NE(next, nullptr);
    HAL_startThread(next);
    while (!next->finished) HAL_yield();
    HAL_deleteThread(next);
    EXPECT_EQ(entryRuns, 1);
}

// The runtime cannot go on without the thread it was asked for: it ends
// the process through its fatal routine (exit code 1) instead of handing
// out a Thread that never runs.
TEST(ThreadDeathTest, AThreadTheSystemCannotMakeEndsTheProcess) {
    EXPECT_EXIT(
        {
            HAL_failNextThreadCreations(1);
            Thread::make();
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(NativeThreadDeathTest, DeletingAThreadThatHasNotFinishedEndsTheProcess) {
    EXPECT_EXIT(
        {
            NativeThread* t = nullptr;
            HAL_createThread(&t, &countRun, nullptr);
            HAL_startThread(t);  // it waits for the VM lock, which this thread holds
            HAL_deleteThread(t);
        },
        ::testing::ExitedWithCode(1), "");
}
