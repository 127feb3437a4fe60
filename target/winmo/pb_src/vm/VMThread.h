// The runtime's thread record: one per Java thread, holding that thread's
// stack list of references and its collector-facing state.
#pragma once

#include "VMPtr.h"

class VMThread {
public:
    enum State : int32_t { NEW = 1, RUNNING = 2, WAITING = 4, ENDED = 8 };

    uint8_t oomReport = 0;  // set while this thread builds an OutOfMemoryError
    int32_t state = NEW;
    void* nativeThread = nullptr;
    java::lang::Object* javaThread = nullptr;
    VMRefList references{"stack scope"};
    VMTempRoots tempRoots;
    // The exception between its throw and its handler's reference.
    java::lang::Object* inFlight = nullptr;
    uint8_t interrupted = 0;

    // The start-up thread: running at once, and current.
    explicit VMThread(void* nativeThread);
    virtual ~VMThread();
    VMThread(const VMThread&) = delete;
    VMThread& operator=(const VMThread&) = delete;

    bool isAlive() const { return state == RUNNING || state == WAITING; }
    // Makes this record the one whose stack list new locals join.
    void makeCurrent();

    static VMThread* current();
    // Lets another thread take the VM lock, unless yielding is disabled.
    static void yield();
    static void sleep(jlong millis);
    static void disableYield();
    static void enableYield();
    static bool yieldDisabled();
};
