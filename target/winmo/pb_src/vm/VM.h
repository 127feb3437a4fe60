// The VM record, its start-up and shutdown, the hooks the host calls, and the
// event dispatcher through which the host's events reach Java listeners.
#pragma once

#include "VMEvents.h"
#include "VMList.h"
#include "VMThread.h"

namespace com::nimbault::marl::vm {
class Finalizer;
}
struct NativeThread;

struct VM {
    VMThread* currentThread = nullptr;
    uint8_t exitRequested = 0;
    int32_t stage = 0;  // start-up stage; the collector runs from stage 12 on
    uint8_t finalizerNotStarted = 0;
    uint8_t finalizationWork = 0;
    uint32_t collectionCount = 0;
    VMList threads;  // every VMThread, newest first
    VMThread* mainThread = nullptr;
    VMNativePtr<java::lang::Thread> systemThread;
    VMNativePtr<com::nimbault::marl::vm::Finalizer> finalizer;

    // Start-up results.
    enum : int { BOOTED = 0, INITIALIZATION_FAILED = 1, UNCAUGHT_EXCEPTION = 2 };

    // Sets up the heap, registers every class, initialises the core classes,
    // makes the "System" and "Finalizer" thread objects, collects once and
    // runs the boot class's entry point. Without a boot class name the result
    // is INITIALIZATION_FAILED, with everything else done.
    static int start(uint64_t minimumHeap, uint64_t maximumHeap, NativeThread* nativeThread,
                     const char* bootClassName, intptr_t argument);
    // Stops the Java threads (asking, then interrupting, then cancelling),
    // disables yielding for good, and takes the heap down.
    static void stop();
    // One stop-the-world collection; nothing before start-up stage 12.
    static void collect();
};

// The VM, or null before start-up and after shutdown.
extern VM* vmInstance;

// The hooks the host is given, in its table's order.
int vmCreate(uint64_t minimumHeap, uint64_t maximumHeap, NativeThread* nativeThread,
             const char* bootClassName, intptr_t argument);
int vmPostEvent(jint kind, jint argc, const intptr_t* args);
void vmLeave();
void* vmEnter();
void vmIdle();
void vmShutdown();

// The event dispatcher. A listener is called as (kind, argc, args) for every
// kind whose bit is in its mask (VMEvents.h); lists run in the order 0, 1, 2.
using VMEventCallback = void (*)(jint kind, jint argc, const intptr_t* args);
void HAL_createEventDispatcher();
// List 0 and 2 are themselves; any other value means list 1. Null when no
// dispatcher exists.
void* HAL_addEventListener(VMEventCallback callback, uint32_t mask, int list);
// Delivers an event; a listener that throws has its stack trace printed, no
// later listener sees the event, and the result is 2 (else 0). No exception
// leaves this function.
int HAL_postEvent(jint kind, jint argc, const intptr_t* args);
void HAL_destroyEventDispatcher();

// Used by the collector.
bool vmThreadMayBeDeleted(VMThread* t);
void vmWakeFinalizer();
void vmStartFinalizer();
// The trace routine: shutdown's messages go here and are not shown.
void vmTrace(const char* text);
