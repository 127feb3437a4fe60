#include "VM.h"

#include <new>

#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_NoClassDefFoundError.h"
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
}  // namespace

int VM::start(uint64_t minimumHeap, uint64_t maximumHeap, void* nativeThread,
              const char* bootClassName, intptr_t argument) {
    if (!vmInstance) vmInstance = new (vmAllocate(sizeof(VM), false)) VM();
    VM* vm = vmInstance;
    try {
        vm->stage = 1;
        vmHeapInit(minimumHeap, maximumHeap);
        vm->stage = 2;
        vm->stage = 9;
        vm->mainThread = new (vmAllocateOrThrow(sizeof(VMThread))) VMThread(nativeThread);
        vm->stage = 3;
        vm->stage = 4;
        vmRunPendingClasses();
        vm->stage = 6;
        vmResolvePendingInterfaces();
        vm->stage = 7;
        vmResolvePendingMainEntries();
        vm->stage = 8;
        vmSealClassTable();
        vm->stage = 10;
        for (const char* name : kCoreClasses)
            if (java::lang::Class* c = vmFindClass(name)) vmEnsureInitialized(c);
        vm->stage = 11;
        vm->stage = 12;
        vm->finalizerNotStarted = 1;
        VM::collect();
        vm->stage = 14;
        if (!bootClassName) return INITIALIZATION_FAILED;
        java::lang::Class* boot = vmFindClass(bootClassName);
        if (!boot || !boot->mainEntry) java::lang::NoClassDefFoundError::throwNew();
        vmEnsureInitialized(boot);
        boot->mainEntry(nullptr);
        (void)argument;
        return BOOTED;
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> t = caught;
        if (vm->stage >= 13) t->printStackTrace();
        return UNCAUGHT_EXCEPTION;
    } catch (...) {
        return UNCAUGHT_EXCEPTION;
    }
}
