// The VM record and its start-up: the one instance of the runtime.
#pragma once

#include "VMList.h"
#include "VMThread.h"

struct VM {
    VMThread* currentThread = nullptr;
    uint8_t exitRequested = 0;
    int32_t stage = 0;  // start-up stage; the collector runs from stage 12 on
    uint8_t finalizerNotStarted = 0;
    uint8_t finalizationWork = 0;
    uint32_t collectionCount = 0;
    VMList threads;  // every VMThread, newest first
    VMThread* mainThread = nullptr;

    // Start-up results.
    enum : int { BOOTED = 0, INITIALIZATION_FAILED = 1, UNCAUGHT_EXCEPTION = 2 };

    // Sets up the heap, registers every class, initialises the core classes,
    // collects once and runs the boot class's entry point (none when
    // `bootClassName` is null: the result is then INITIALIZATION_FAILED).
    static int start(uint64_t minimumHeap, uint64_t maximumHeap, void* nativeThread,
                     const char* bootClassName, intptr_t argument);
    // One stop-the-world collection; nothing before start-up stage 12.
    static void collect();
};

// The VM, or null before start-up.
extern VM* vmInstance;
