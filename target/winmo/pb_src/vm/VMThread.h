// The runtime's thread record: one per Java thread, over one native thread,
// holding that thread's stack list of references and its collector-facing
// state. Everything here runs under the VM lock.
#pragma once

#include "VMPtr.h"

struct NativeThread;
struct VMPlatformLock;
namespace java::lang {
class Thread;
}

class VMThread {
public:
    enum State : int32_t { NEW = 1, RUNNING = 2, WAITING = 4, ENDED = 8 };

    uint8_t oomReport = 0;  // set while this thread builds an OutOfMemoryError
    int32_t state = NEW;
    NativeThread* nativeThread = nullptr;
    // The Java thread object; cleared when that object dies.
    java::lang::Thread* javaThread = nullptr;
    // Keeps the Java thread object alive while the thread may still run.
    VMNativePtr<java::lang::Thread>* executionRef = nullptr;
    VMRefList references{"stack scope"};
    VMTempRoots tempRoots;
    // The exception between its throw and its handler's reference.
    java::lang::Object* inFlight = nullptr;
    VMPlatformLock* waitLock = nullptr;   // the lock waited on in state WAITING
    VMPlatformLock* sleepLock = nullptr;  // this thread's own, made on first sleep
    uint8_t interrupted = 0;

    // The start-up thread: running at once, and current.
    explicit VMThread(NativeThread* nativeThread);
    // A new thread for `javaThread`, created but not started.
    explicit VMThread(java::lang::Thread* javaThread);
    virtual ~VMThread();
    VMThread(const VMThread&) = delete;
    VMThread& operator=(const VMThread&) = delete;

    static void* operator new(size_t size);
    static void operator delete(void* p);

    void start();
    bool isStarted() const { return state != NEW; }
    bool isAlive() const { return state == RUNNING || state == WAITING; }
    // Wakes the thread from a sleep or wait with InterruptedException, or
    // makes its next one throw.
    void interrupt();
    // Raises the native interrupt request (shutdown's last resort).
    void cancel();
    // Makes this record the one whose stack list new locals join.
    void makeCurrent();
    // The monitor wait: `monitor` is held by this thread.
    void wait(java::lang::Object* monitor, jlong timeoutMillis);

    static VMThread* current();
    // Lets another thread take the VM lock, unless yielding is disabled.
    static void yield();
    // Sleeps with the VM lock released; 0 or less only yields.
    static void sleep(jlong millis);
    // The same for the runtime's own waits, which no Java code asked for:
    // the interrupt flag is neither checked nor cleared, so it stays for the
    // thread's next sleep or wait to see.
    static void pause(jlong millis);
    static void disableYield();
    static void enableYield();
    static bool yieldDisabled();
    static int countAlive();

private:
    void checkInterrupted();
    void sleepFor(jlong millis);
};

// The native entry of every started Java thread.
void VMThread_run(void* record);
