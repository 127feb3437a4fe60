#include "VM.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "HAL_memory.h"
#include "HAL_threads.h"
#include "VMClass.h"
#include "VMClock.h"
#include "VMFinalizer.h"
#include "VMHeap.h"
#include "java_lang_NoClassDefFoundError.h"
#include "java_lang_Thread.h"
#include "java_lang_Throwable.h"

VM* vmInstance = nullptr;

namespace {

// The classes start-up initialises before anything else runs, in this order.
const char* const kCoreClasses[] = {
    "java.lang.Object",        "java.lang.Class",
    "java.lang.String",        "java.lang.Thread",
    "java.lang.Throwable",     "java.lang.Exception",
    "java.lang.Error",         "java.lang.ExceptionInInitializerError",
    "java.lang.NoClassDefFoundError", "java.lang.VirtualMachineError",
    "java.lang.OutOfMemoryError",     "java.lang.RuntimeException",
    "java.lang.NullPointerException", "java.lang.System",
};

struct Listener {
    VMEventCallback callback;
    uint32_t mask;
};
struct Dispatcher {
    VMList lists[3];
};
Dispatcher* dispatcher = nullptr;

void destroyListener(jint kind, jint, const intptr_t*) {
    if (kind == VM_EVENT_DESTROY && vmInstance) vmInstance->exitRequested = 1;
}

// Waits while more than one Java thread is alive, for at most `limitMs`.
bool waitForThreads(int limitMs) {
    auto start = std::chrono::steady_clock::now();
    while (VMThread::countAlive() > 1) {
        auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= std::chrono::milliseconds(limitMs)) return false;
        VMThread::sleep(20);
    }
    return true;
}

}  // namespace

void vmTrace(const char*) {}

namespace {

// What is wrong with the setting and what it was, as the reason start-up stops.
void reportBadSetting(const char* error, const char* variable) {
    const char* value = std::getenv(variable);
    std::string text = std::string(error) + ", not \"" + (value ? value : "") + "\"";
    vmReportFailure(text.c_str());
}

}  // namespace

int VM::start(uint64_t minimumHeap, uint64_t maximumHeap, NativeThread* nativeThread,
              const char* bootClassName, intptr_t argument) {
    if (!vmInstance) vmInstance = new (vmAllocate(sizeof(VM), false)) VM();
    VM* vm = vmInstance;
    HAL_setEnterVMHook(&vmEnter);
    HAL_setCollectHook(&VM::collect);
    // The clock is chosen before anything reads the time.
    if (const char* error = nullptr; !vmClockFromEnvironment(&error)) {
        reportBadSetting(error, "WREN_CLOCK");
        vmFatalError("Bad WREN_CLOCK.");
    }
    uint32_t stress = 0;
    if (const char* error = nullptr; !vmGcStressFromEnvironment(&stress, &error)) {
        reportBadSetting(error, "WREN_GC_STRESS");
        vmFatalError("Bad WREN_GC_STRESS.");
    }
    try {
        vm->stage = 1;
        vmHeapInit(minimumHeap, maximumHeap);
        vmSetGcStress(stress);
        vm->stage = 2;
        HAL_createEventDispatcher();
        HAL_addEventListener(&destroyListener, vmEventMask(VM_EVENT_DESTROY), 0);
        vm->stage = 9;
        vm->mainThread = new VMThread(nativeThread);
        vm->stage = 3;
        vm->stage = 4;
        vmRunPendingClasses();
        vm->stage = 6;
        vmResolvePendingRelations();
        vm->stage = 7;
        vmResolvePendingMainEntries();
        vm->stage = 8;
        vmSealClassTable();
        vm->stage = 10;
        for (const char* name : kCoreClasses)
            if (java::lang::Class* c = vmFindClass(name)) vmEnsureInitialized(c);
        vm->stage = 11;
        {
            VMPtr<java::lang::Thread> system = java::lang::Thread::allocate();
            system->ctorForRecord(WREN_LIT("System"), vm->mainThread);
            vm->systemThread = system;
            vm->finalizer = com::nimbault::marl::vm::Finalizer::make();
        }
        vm->stage = 12;
        vm->finalizerNotStarted = 1;
        VM::collect();
        vm->stage = 14;
        if (!bootClassName) return INITIALIZATION_FAILED;
        java::lang::Class* boot = vmFindClass(bootClassName);
        if (!boot || !boot->mainEntry) java::lang::NoClassDefFoundError::throwNew();
        vmEnsureInitialized(boot);
        (void)argument;  // the boot class's entry is given a null argument array
        boot->mainEntry(nullptr);
        return BOOTED;
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> t = caught;
        if (vm->stage >= 13) t->printStackTrace();
        return UNCAUGHT_EXCEPTION;
    } catch (...) {
        return UNCAUGHT_EXCEPTION;
    }
}

void VM::stop() {
    VM* vm = vmInstance;
    if (!vm) return;
    VMThread* self = VMThread::current();
    try {
        if (vm->finalizer && vm->finalizer->isAlive()) vm->finalizer->stop();
        if (!waitForThreads(250)) {
            vmTrace("Threads failed to stop within 250 milliseconds...\n");
            vmTrace("Sending an interrupt to all threads.\n");
            vm->threads.forEach<VMThread*>([&](VMThread* t) {
                if (t != self) t->interrupt();
            });
            if (!waitForThreads(250)) {
                vmTrace("Threads failed to respond to interrupt within 250 milliseconds...\n");
                vm->threads.forEach<VMThread*>([&](VMThread* t) {
                    if (t != self) t->cancel();
                });
                if (!waitForThreads(100))
                    vmTrace("Threads failed to respond to cancel within 100 milliseconds...\n");
            }
        }
    } catch (java::lang::Throwable* caught) {
        // An interrupted shutdown wait: carry on taking the VM down.
        VMPtr<java::lang::Throwable> dropped = caught;
    }
    VMThread::disableYield();
    if (VMThread::countAlive() > 1) vmTrace("Terminating with outstanding threads.\n");
    HAL_destroyEventDispatcher();
    vmHeapDisable();
    vm->finalizer = nullptr;
    vm->systemThread = nullptr;
}

bool vmThreadMayBeDeleted(VMThread* t) {
    // Never before its native thread has finished: the record is what that
    // thread still stands on.
    return t != vmInstance->mainThread && t->executionRef &&
           (!t->nativeThread || !t->nativeThread->resumed || t->nativeThread->finished);
}

void vmWakeFinalizer() {
    if (vmInstance && vmInstance->finalizer) vmInstance->finalizer->wake();
}

void vmStartFinalizer() {
    VM* vm = vmInstance;
    if (!vm || !vm->finalizer) return;
    if (vm->finalizerNotStarted) {
        vm->finalizerNotStarted = 0;
        vm->finalizer->start();
    }
    VMThread::yield();
}

// --- hooks -----------------------------------------------------------------------

int vmCreate(uint64_t minimumHeap, uint64_t maximumHeap, NativeThread* nativeThread,
             const char* bootClassName, intptr_t argument) {
    return VM::start(minimumHeap, maximumHeap, nativeThread, bootClassName, argument);
}

int vmPostEvent(jint kind, jint argc, const intptr_t* args) { return HAL_postEvent(kind, argc, args); }

void vmLeave() { VMThread::yield(); }

void* vmEnter() {
    VM* vm = vmInstance;
    if (!vm) {
        // The VM is gone: a thread coming back from a wait must not run
        // Java code again. It gives the lock up and stays parked.
        HAL_releaseVMLockFully();
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    auto* t = static_cast<VMThread*>(HAL_getCurrentThreadData());
    if (t) t->makeCurrent();
    return t;
}

void vmIdle() { VM::collect(); }

void vmShutdown() {
    VM* vm = vmInstance;
    if (!vm) return;
    VM::stop();
    // Records of threads that may still be running stay allocated; only the
    // list that holds them is emptied.
    vm->threads.clear();
    vm->~VM();
    vmInstance = nullptr;
    vmFree(vm);
}

// --- event dispatcher ------------------------------------------------------------

void HAL_createEventDispatcher() {
    if (!dispatcher) dispatcher = new (vmAllocateOrThrow(sizeof(Dispatcher))) Dispatcher();
}

void* HAL_addEventListener(VMEventCallback callback, uint32_t mask, int list) {
    if (!dispatcher) return nullptr;
    int index = list == 0 ? 0 : list == 2 ? 2 : 1;
    auto* l = static_cast<Listener*>(vmAllocateOrThrow(sizeof(Listener)));
    *l = Listener{callback, mask};
    dispatcher->lists[index].pushBack(reinterpret_cast<intptr_t>(l));
    return l;
}

int HAL_postEvent(jint kind, jint argc, const intptr_t* args) {
    // Any kind without a mask bit, including one whose low byte alone would
    // have one, reaches nobody.
    if (!dispatcher || uint32_t(kind) >= uint32_t(VM_EVENT_MASK_BITS)) return 0;
    uint32_t bit = vmEventMask(kind);
    try {
        for (VMList& list : dispatcher->lists) {
            for (VMList::Node* n = list.first(); n; n = n->next) {
                auto* l = reinterpret_cast<Listener*>(n->value);
                if ((l->mask & bit) && l->callback) l->callback(kind, argc, args);
            }
        }
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        try {
            e->printStackTrace();
        } catch (...) {
        }
        return 2;
    } catch (...) {
        return 2;
    }
    return 0;
}

void HAL_destroyEventDispatcher() {
    if (!dispatcher) return;
    for (int i = 2; i >= 0; --i) {
        dispatcher->lists[i].forEach<Listener*>([](Listener* l) { vmFree(l); });
        dispatcher->lists[i].clear();
    }
    dispatcher->~Dispatcher();
    vmFree(dispatcher);
    dispatcher = nullptr;
}
