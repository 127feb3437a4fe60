// Native threads and the VM lock. Every thread that runs Java code has a
// native thread record and holds the VM lock while it runs; blocking calls
// give the lock up and, on taking it back, run the enter-VM hook.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <pthread.h>

struct NativeThread {
    pthread_t handle{};
    bool hasHandle = false;  // false for a thread adopted rather than created
    std::atomic<bool> resumed{false};
    std::atomic<bool> running{false};
    std::atomic<bool> interruptRequested{false};
    std::atomic<bool> finished{false};
    // Set while the thread sleeps or waits; clearing it (under sleepMutex)
    // wakes the thread at once. Also read without the mutex by the sleeper,
    // which looks for a quick wake-up before it blocks.
    std::atomic<bool> sleeping{false};
    void (*entry)(void*) = nullptr;
    void* data = nullptr;

    std::mutex sleepMutex;
    std::condition_variable sleepWake;
    // The start gate: a created thread waits here until started.
    std::mutex gateMutex;
    std::condition_variable gateOpened;
};

// The calling thread's record, or null for a thread the bridge never saw.
NativeThread* NativeThread_current();
// Gives the calling thread a record (the UI thread at host start, a test's
// main thread); returns the existing one if it has one.
NativeThread* NativeThread_adoptCurrent();
// Frees the record of an adopted thread (at host cleanup).
void NativeThread_releaseAdopted(NativeThread* record);
// Clears the sleeping flag and wakes the thread.
void NativeThread_wake(NativeThread* record);

// A suspended thread that runs `entry(data)` once started. 0 with the record
// in *out, or the system's error number with *out null when no thread could
// be made.
int HAL_createThread(NativeThread** out, void (*entry)(void*), void* data);
// Makes the next `count` thread creations fail as the system would when out
// of threads, so that tests can reach the failure path.
void HAL_failNextThreadCreations(int count);
void HAL_startThread(NativeThread* record);
void HAL_interruptThread(NativeThread* record);
// Joins and frees a thread whose entry has returned; an unfinished thread
// ends the process.
void HAL_deleteThread(NativeThread* record);
NativeThread* HAL_getCurrentThread();
void* HAL_getCurrentThreadData();
void HAL_setCurrentThreadData(int flag, void* value);

// The VM lock: re-entrant and fair. A thread that leaves and re-enters while
// others wait queues behind them, so yielding really lets another run.
void HAL_enterVMLock();
void HAL_leaveVMLock();
bool HAL_holdsVMLock();
// Gives the lock up entirely, whatever the recursion depth, and takes it
// back with the same depth.
int HAL_releaseVMLockFully();
void HAL_reacquireVMLock(int depth);

// The enter-VM hook, run every time a thread takes the VM lock back inside
// the bridge (set by the runtime).
using HAL_EnterHook = void* (*)();
void HAL_setEnterVMHook(HAL_EnterHook hook);
void* HAL_runEnterVMHook();

// Leaves and re-takes the lock, letting a waiting thread run first.
void* HAL_yield();
// Sleeps with the lock released until the time is up or the sleeping flag is
// cleared. With `alreadySleeping` the caller set the flag itself (a monitor
// wait, which must not lose a notify that comes before the sleep starts).
void* HAL_sleep(uint32_t millis, bool alreadySleeping = false);

// Platform locks behind inflated monitors.
struct VMPlatformLock;
int HAL_createLock(VMPlatformLock** out, int initiallyOwned);
void HAL_lock(VMPlatformLock* lock);
void HAL_unlock(VMPlatformLock* lock);
void HAL_waitLock(VMPlatformLock* lock, uint32_t millis);
void HAL_timedWait(VMPlatformLock* lock, uint32_t timeoutLow, int32_t timeoutHigh);
void HAL_notify(VMPlatformLock* lock);
void HAL_notifyAll(VMPlatformLock* lock);
void HAL_destroyLock(VMPlatformLock* lock);
