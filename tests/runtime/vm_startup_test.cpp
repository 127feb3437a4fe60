// VM start-up and shutdown. A process boots one VM, so every case runs in a
// child process of its own (a death test); this suite has its own main,
// which boots nothing. A child checks what it can only see from inside and
// exits with the code under test when all of it held, or prints what failed
// and exits with 99.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "VMClock.h"
#include "VMFinalizer.h"
#include "VMHeap.h"
#include "VMThread.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"
#include "runtime/wren_test_Task.h"

using java::lang::Object;
using java::lang::Thread;
using wren::test::Task;
using wren::test::yieldUntil;

namespace {

std::string failures;

void check(bool ok, const std::string& what) {
    if (!ok) failures += "  " + what + "\n";
}

[[noreturn]] void exitChild(int code) {
    std::fflush(stdout);
    if (!failures.empty()) {
        std::fprintf(stderr, "failed in the child:\n%s", failures.c_str());
        std::_Exit(99);
    }
    std::_Exit(code);
}

// `text` as a death test's pattern that matches it and nothing else.
std::string literally(const std::string& text) {
    std::string pattern;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// Boots as the host does; stack traces go to standard error, where the
// death test reads.
int boot(const char* bootClassName) {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    HAL_enterVMLock();
    return vmCreate(4u << 20, 32u << 20, NativeThread_adoptCurrent(), bootClassName, 0);
}

const char* const kCoreClasses[] = {
    "java.lang.Object",        "java.lang.Class",
    "java.lang.String",        "java.lang.Thread",
    "java.lang.Throwable",     "java.lang.Exception",
    "java.lang.Error",         "java.lang.ExceptionInInitializerError",
    "java.lang.NoClassDefFoundError", "java.lang.VirtualMachineError",
    "java.lang.OutOfMemoryError",     "java.lang.RuntimeException",
    "java.lang.NullPointerException",
};

}  // namespace

// --- boot classes -------------------------------------------------------------

namespace startup {

// A boot class that checks, from its static initialiser and its entry, what
// start-up has done by then.
class Booted : public virtual Object, public virtual java::lang::Runnable {
    WREN_CLASS(Booted, Object)
public:
    struct Statics {
        jint initRuns = 0;
        jint entryRuns = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()
    void run() override {}
    static void main(const VMPtr<Object>& args);
};

class BootThrows : public virtual Object {
    WREN_CLASS(BootThrows, Object)
public:
    static void main(const VMPtr<Object>&) { java::lang::IllegalStateException::throwNew(WREN_LIT("boom")); }
};

class InitThrows : public virtual Object {
    WREN_CLASS(InitThrows, Object)
public:
    WREN_STATIC_INIT()
    static void main(const VMPtr<Object>&) {}
};
void InitThrows::staticInit() { java::lang::IllegalStateException::throwNew(WREN_LIT("no init")); }

// Registered, but without an entry point.
class NoEntry : public virtual Object {
    WREN_CLASS(NoEntry, Object)
};

}  // namespace startup

WREN_DEFINE_CLASS(startup::Booted, "startup.Booted", java::lang::Runnable)
WREN_MAIN_ENTRY(startup::Booted, &startup::Booted::main)
WREN_DEFINE_CLASS(startup::BootThrows, "startup.BootThrows")
WREN_MAIN_ENTRY(startup::BootThrows, &startup::BootThrows::main)
WREN_DEFINE_CLASS(startup::InitThrows, "startup.InitThrows")
WREN_MAIN_ENTRY(startup::InitThrows, &startup::InitThrows::main)
WREN_DEFINE_CLASS(startup::NoEntry, "startup.NoEntry")

namespace {

// What start-up has done once the classes are registered: everything up to
// the first collection, so each later step can be told apart.
void checkCompleteStartUp(const char* when) {
    const std::string at = std::string(" (") + when + ")";
    VM* vm = vmInstance;
    check(vm->stage == 14, "stage 14" + at);
    check(vm->collectionCount == 1, "exactly the one collection of stage 12" + at);
    check(vmClassTableComplete(), "registration closed" + at);
    check(startup::Booted::classRecord()->mainEntry != nullptr, "entry points attached" + at);
    check(!startup::Booted::classRecord()->interfaces.empty(), "interfaces attached" + at);
    for (const char* name : kCoreClasses) {
        java::lang::Class* c = vmFindClass(name);
        check(c && c->initState == java::lang::Class::INITIALISED, std::string(name) + " initialised" + at);
    }
    check(vm->systemThread && vm->systemThread->getName()->toUtf8() == "System" &&
              vm->systemThread->vmThread == vm->mainThread && vm->mainThread->javaThread == vm->systemThread.get(),
          "the start-up thread's Thread is \"System\"" + at);
    check(vm->finalizer && vm->finalizer->getName()->toUtf8() == "Finalizer" && !vm->finalizer->isAlive() &&
              !vm->finalizer->vmThread->isStarted(),
          "the finalizer exists and is not started" + at);
    check(vm->finalizerNotStarted == 1, "finalizer-not-started set" + at);
    check(VMThread::current() == vm->mainThread, "the start-up thread is current" + at);
}

}  // namespace

void startup::Booted::staticInit() {
    ++wrenStatics_().initRuns;
    checkCompleteStartUp("boot class initialiser");
}

void startup::Booted::main(const VMPtr<Object>& args) {
    ++S().entryRuns;
    check(args == nullptr, "the entry gets a null argument array");
    checkCompleteStartUp("boot entry");
}

namespace {

// Registered after the classes above (its file defines it last), so it
// sees them registered and nothing of the later stages done.
java::lang::Class* probeRegistration() {
    VM* vm = vmInstance;
    check(vm->stage == 4, "stage 4 while registering");
    check(vmHeapState().enabled, "the heap exists before registration (stage 1)");
    check(HAL_addEventListener(nullptr, 0, 1) != nullptr, "the dispatcher exists (stage 2)");
    check(vm->mainThread && VMThread::current() == vm->mainThread,
          "the start-up thread record exists and is current (stage 9)");
    check(startup::Booted::classRecord() != nullptr, "classes registered in list order");
    check(startup::Booted::classRecord()->interfaces.empty(), "no interfaces attached yet (stage 6)");
    check(startup::Booted::classRecord()->mainEntry == nullptr, "no entry points attached yet (stage 7)");
    check(!vmClassTableComplete(), "registration still open (stage 8)");
    VM::collect();
    check(vm->collectionCount == 0, "no collection before stage 12");
    return nullptr;
}
VMPendingClass registrationProbe(&probeRegistration);

}  // namespace

TEST(StartUpDeathTest, WithoutBootClassNameReturnsOneWithEverythingElseDone) {
    EXPECT_EXIT(
        {
            check(HAL_addEventListener(nullptr, 8, 0) == nullptr, "no listener before there is a dispatcher");
            check(HAL_postEvent(3, 0, nullptr) == 0, "posting before there is a dispatcher");
            int result = boot(nullptr);
            checkCompleteStartUp("after start-up");
            for (const char* name : {"startup.Booted", "startup.NoEntry", "wren.test.Task",
                                     "com.nimbault.marl.vm.Finalizer"})
                check(vmFindClass(name) != nullptr, std::string(name) + " registered");
            check(startup::Booted::wrenStatics_().initRuns == 0, "no boot class was initialised");
            exitChild(result);
        },
        ::testing::ExitedWithCode(VM::INITIALIZATION_FAILED), "");
}

TEST(StartUpDeathTest, BootClassIsInitialisedThenItsEntryRuns) {
    EXPECT_EXIT(
        {
            int result = boot("startup.Booted");
            check(startup::Booted::wrenStatics_().initRuns == 1, "initialiser ran once");
            check(startup::Booted::wrenStatics_().entryRuns == 1, "entry ran once");
            exitChild(result);
        },
        ::testing::ExitedWithCode(VM::BOOTED), "");
}

// WREN_CLOCK picks the clock before anything reads the time: "virtual"
// stands it still until it is advanced, from the same instant on every run; a value it does not know stops
// start-up with exit code 1, saying what it takes.
TEST(StartUpDeathTest, WrenClockChoosesTheClockOrStopsStartUp) {
    EXPECT_EXIT(
        {
            setenv("WREN_CLOCK", "virtual", 1);
            int result = boot(nullptr);
            check(vmClockIsVirtual(), "the virtual clock is in use");
            uint32_t before = vmTickCount();
            check(before == 100000, "it starts from the same counter on every run");
            check(vmLocalTimeMillis() == 1767225600000LL,
                  "and from the same local time, 2026-01-01 00:00:00");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            check(vmTickCount() == before, "it stands still");
            vmAdvanceVirtualClock(40);
            check(vmTickCount() == before + 40, "it moves by what it is advanced by");
            vmAdvanceVirtualClock(960);
            check(vmLocalTimeMillis() == 1767225601000LL, "the local time follows it");
            exitChild(result);
        },
        ::testing::ExitedWithCode(VM::INITIALIZATION_FAILED), "");
    EXPECT_EXIT(
        {
            setenv("WREN_CLOCK", "real", 1);
            int result = boot(nullptr);
            check(!vmClockIsVirtual(), "\"real\" keeps the platform's counter");
            exitChild(result);
        },
        ::testing::ExitedWithCode(VM::INITIALIZATION_FAILED), "");
    EXPECT_EXIT(
        {
            setenv("WREN_CLOCK", "fast", 1);
            exitChild(boot(nullptr));
        },
        ::testing::ExitedWithCode(1), "wren: WREN_CLOCK must be \"real\" or \"virtual\", not \"fast\"");
}

// WREN_GC_STRESS sets how many allocations pass between stress
// collections; unset or empty leaves it off. Anything but a decimal number
// that fits 32 bits stops start-up the way a bad clock does, rather than
// stressing at a rate nobody asked for (a sign, spaces or a tail would be
// taken in part, and a number too large would wrap).
TEST(StartUpDeathTest, WrenGcStressSetsTheRateOrStopsStartUp) {
    struct Accepted {
        const char* value;
        uint32_t every;
    };
    for (const Accepted& c : {Accepted{"", 0}, Accepted{"0", 0}, Accepted{"7", 7},
                              Accepted{"4294967295", 4294967295u}}) {
        SCOPED_TRACE(c.value);
        EXPECT_EXIT(
            {
                setenv("WREN_GC_STRESS", c.value, 1);
                int result = boot(nullptr);
                check(vmGcStress() == c.every, "the stress rate is the number given");
                exitChild(result);
            },
            ::testing::ExitedWithCode(VM::INITIALIZATION_FAILED), "");
    }
    for (const char* value : {"bogus", "-5", "4294967296", "99999999999999999999", "+5", " 5", "5 ",
                              "5x", "0x10"}) {
        SCOPED_TRACE(value);
        EXPECT_EXIT(
            {
                setenv("WREN_GC_STRESS", value, 1);
                exitChild(boot(nullptr));
            },
            ::testing::ExitedWithCode(1),
            "^wren: WREN_GC_STRESS must be a whole number from 0 to 4294967295, not \"" +
                literally(value) + "\"\n$");
    }
}

// Whatever leaves the boot class is reported with its stack trace, and
// start-up returns 2.
TEST(StartUpDeathTest, BootClassFailuresReturnTwoWithATrace) {
    struct Case {
        const char* bootClass;
        const char* trace;
    };
    const Case cases[] = {
        {"startup.Missing", "Exception in thread \"System\" java.lang.NoClassDefFoundError\n"},
        {"startup.NoEntry", "Exception in thread \"System\" java.lang.NoClassDefFoundError\n"},
        {"startup.BootThrows", "Exception in thread \"System\" java.lang.IllegalStateException: boom\n"},
        {"startup.InitThrows", "Exception in thread \"System\" java.lang.ExceptionInInitializerError"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(exitChild(boot(c.bootClass)), ::testing::ExitedWithCode(VM::UNCAUGHT_EXCEPTION), c.trace)
            << c.bootClass;
    }
}

// --- shutdown ---------------------------------------------------------------

namespace {
constexpr jlong kForever = 3600 * 1000;
}

// The only thread alive is the caller: no wait, so its first sleep (which
// makes its sleep lock) never happens.
TEST(ShutdownDeathTest, WithOnlyTheCallingThreadAliveNothingWaits) {
    EXPECT_EXIT(
        {
            boot(nullptr);
            VMThread* self = vmInstance->mainThread;
            vmShutdown();
            check(self->sleepLock == nullptr, "the calling thread never slept");
            check(vmInstance == nullptr, "the VM is gone");
            check(HAL_addEventListener(nullptr, 8, 0) == nullptr, "the dispatcher is gone");
            check(VMThread::yieldDisabled(), "yielding is off for good");
            check(!vmHeapState().enabled, "the heap is disabled");
            exitChild(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The finalizer is asked to stop; a thread that only sleeps ends once it is
// interrupted.
TEST(ShutdownDeathTest, FinalizerStopsAndASleepingThreadIsInterrupted) {
    EXPECT_EXIT(
        {
            boot(nullptr);
            {
                VMPtr<Object> doomed = Object::make();
                vmSetFinalizable(doomed.get(), true);
            }
            VM::collect();  // starts the finalizer
            VMThread* finalizer = vmInstance->finalizer->vmThread;
            bool interrupted = false;
            VMPtr<Task> sleeper = Task::spawn([&] {
                try {
                    Thread::sleep(kForever);
                } catch (java::lang::InterruptedException* caught) {
                    VMPtr<java::lang::InterruptedException> e = caught;
                    interrupted = true;
                }
            });
            VMThread* sleeperRecord = sleeper->vmThread;
            yieldUntil([&] { return wren::test::isSleeping(sleeper.get()); });
            check(finalizer->isAlive(), "the finalizer was running");
            vmShutdown();
            check(finalizer->state == VMThread::ENDED, "the finalizer ended");
            check(sleeperRecord->state == VMThread::ENDED, "the sleeper ended");
            check(interrupted, "the sleeper was interrupted");
            exitChild(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// A thread that ignores interrupts outlives shutdown. When it next wakes it
// must not run Java code in a VM that is gone: it stays parked, and the
// process still ends normally.
TEST(ShutdownDeathTest, ThreadThatWillNotStopNeverReentersTheVM) {
    EXPECT_EXIT(
        {
            alarm(20);  // a hang fails the test instead of stalling it
            boot(nullptr);
            static std::atomic<int> rounds{0};
            VMPtr<Task> stubborn = Task::spawn([] {
                for (;;) {
                    try {
                        Thread::sleep(20);
                    } catch (java::lang::InterruptedException* caught) {
                        VMPtr<java::lang::InterruptedException> e = caught;
                    }
                    ++rounds;
                }
            });
            VMThread* record = stubborn->vmThread;
            yieldUntil([] { return rounds > 0; });
            vmShutdown();
            check(vmInstance == nullptr, "the VM is gone");
            check(record->isAlive(), "the stubborn thread is still alive");
            const int atShutdown = rounds;
            HAL_leaveVMLock();  // as the host does at cleanup: the thread may take the lock
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            check(rounds == atShutdown, "no Java code ran after shutdown");
            if (!failures.empty()) exitChild(0);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The host may end the process while it holds the VM lock and a thread waits
// for it.
TEST(ShutdownDeathTest, ProcessEndsWhileAThreadWaitsForTheVMLock) {
    EXPECT_EXIT(
        {
            alarm(20);
            boot(nullptr);
            VMPtr<Task> waiting = Task::spawn([] {});
            NativeThread* native = waiting->vmThread->nativeThread;
            while (!native->running) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it block on the lock
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Two threads stop the program at once: one reports why, the other fails
// fatally. Whichever comes first, its line is written and no other is: the
// fatal path never takes the report as made before its line is out, so the
// process never ends without a word. The two are released together, in
// rounds, since only some rounds have them meet inside the report.
TEST(FailureReportDeathTest, TwoThreadsStoppingAtOnceWriteExactlyOneLine) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EXIT(
            {
                alarm(20);
                static std::atomic<int> ready{0};
                static std::atomic<bool> go{false};
                auto waitForTheOther = [] {
                    ++ready;
                    while (!go.load()) {
                    }
                };
                std::thread reporter([&] {
                    waitForTheOther();
                    vmReportFailure("the reporter's reason");
                    for (;;) pause();  // the fatal path ends the process
                });
                std::thread stopper([&] {
                    waitForTheOther();
                    vmFatalError("the stopper's reason");
                });
                while (ready.load() < 2) {
                }
                go = true;
                reporter.join();
                stopper.join();
            },
            ::testing::ExitedWithCode(1),
            "^wren: (the reporter's reason|the program stopped: the stopper's reason)\n$");
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    return RUN_ALL_TESTS();
}
