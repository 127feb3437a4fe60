#include "HAL_threads.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "HAL_memory.h"
#include "VMTypes.h"

namespace {

thread_local NativeThread* currentRecord = nullptr;

// The VM lock: a ticket lock, so that waiting threads take it in arrival
// order; the owner may re-enter. Taking a ticket and passing the lock on
// are single atomic steps; the mutex and condition variable serve only the
// threads that block after spinning. The counters sit on cache lines of
// their own: waiters spin reading nowServing while arriving threads write
// nextTicket.
alignas(64) std::atomic<uint64_t> nextTicket{0};
alignas(64) std::atomic<uint64_t> nowServing{0};
alignas(64) std::atomic<int> blockedWaiters{0};
std::mutex vmMutex;
// Never destroyed: the process may end while a thread still waits for the
// lock (one left alive at shutdown, or one finishing its last steps while
// the exiting thread holds the lock), and destroying a condition variable
// that has a waiter blocks for ever.
std::condition_variable& vmTurn = *new std::condition_variable;
// Written only by the holder: a thread that finds its own id here holds the
// lock, whatever other threads are doing.
std::atomic<std::thread::id> vmOwner{};
int vmDepth = 0;  // the holder's

// How long a thread spins (about 25 ns a round) before it blocks: for the VM
// lock, which changes hands every time a thread yields, waits or notifies
// and is usually let go within microseconds; and in a sleep or wait, which a
// monitor handed back and forth ends as quickly. Waking a blocked thread
// costs tens of microseconds.
constexpr int kLockSpins = 2000;
constexpr int kSleepSpins = 1000;

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

bool holdsVMLock() { return vmOwner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

void acquireVMLock(int depth) {
    const uint64_t ticket = nextTicket.fetch_add(1, std::memory_order_relaxed);
    if (nowServing.load(std::memory_order_acquire) != ticket) {
        for (int i = 0; i < kLockSpins && nowServing.load(std::memory_order_acquire) != ticket; ++i)
            cpuRelax();
        if (nowServing.load(std::memory_order_acquire) != ticket) {
            std::unique_lock<std::mutex> lk(vmMutex);
            // Counted before the last look, so that the holder, which passes
            // the lock on before it counts the blocked, can't miss this one.
            blockedWaiters.fetch_add(1, std::memory_order_seq_cst);
            while (nowServing.load(std::memory_order_seq_cst) != ticket) vmTurn.wait(lk);
            blockedWaiters.fetch_sub(1, std::memory_order_relaxed);
        }
    }
    vmOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    vmDepth = depth;
}

// The holder lets go whatever its depth.
void releaseVMLock() {
    vmDepth = 0;
    vmOwner.store(std::thread::id(), std::memory_order_relaxed);
    nowServing.fetch_add(1, std::memory_order_seq_cst);
    if (blockedWaiters.load(std::memory_order_seq_cst) > 0) {
        // A waiter that counted itself is past its last look and about to
        // wait, holding the mutex until it does: taking the mutex makes sure
        // the notify finds it waiting.
        { std::lock_guard<std::mutex> g(vmMutex); }
        vmTurn.notify_all();
    }
}

HAL_EnterHook enterHook = nullptr;

// Thread creations still to fail, as if the system had refused them.
std::atomic<int> failingCreations{0};

bool takeInjectedFailure() {
    int left = failingCreations.load();
    while (left > 0 && !failingCreations.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

void* trampoline(void* arg) {
    auto* t = static_cast<NativeThread*>(arg);
    currentRecord = t;
    {
        std::unique_lock<std::mutex> gate(t->gateMutex);
        t->gateOpened.wait(gate, [t] { return t->resumed.load(); });
    }
    t->running = true;
    if (t->entry) {
        HAL_enterVMLock();
        HAL_runEnterVMHook();
        t->entry(t->data);
        HAL_leaveVMLock();
    }
    t->running = false;
    t->finished = true;
    return nullptr;
}

}  // namespace

NativeThread* NativeThread_current() { return currentRecord; }

NativeThread* NativeThread_adoptCurrent() {
    if (!currentRecord) {
        currentRecord = new NativeThread();
        currentRecord->resumed = true;
        currentRecord->running = true;
    }
    return currentRecord;
}

void NativeThread_releaseAdopted(NativeThread* record) {
    if (!record || record->hasHandle) return;
    if (currentRecord == record) currentRecord = nullptr;
    delete record;
}

void NativeThread_wake(NativeThread* t) {
    if (!t) return;
    {
        std::lock_guard<std::mutex> g(t->sleepMutex);
        t->sleeping = false;
    }
    t->sleepWake.notify_all();
}

int HAL_createThread(NativeThread** out, void (*entry)(void*), void* data) {
    *out = nullptr;
    auto* t = new NativeThread();
    t->entry = entry;
    t->data = data;
    // Created at once but held at the gate until started, like a suspended thread.
    int error = takeInjectedFailure() ? EAGAIN : pthread_create(&t->handle, nullptr, trampoline, t);
    if (error != 0) {
        // A record without a thread would look started and alive for ever.
        delete t;
        return error;
    }
    t->hasHandle = true;
    *out = t;
    return 0;
}

void HAL_failNextThreadCreations(int count) {
    failingCreations = count > 0 ? count : 0;
}

void HAL_startThread(NativeThread* t) {
    if (!t || t->resumed) return;
    {
        std::lock_guard<std::mutex> g(t->gateMutex);
        t->resumed = true;
    }
    t->gateOpened.notify_all();
}

void HAL_interruptThread(NativeThread* t) {
    if (t) t->interruptRequested = true;
}

void HAL_deleteThread(NativeThread* t) {
    if (!t) return;
    if (t->hasHandle && !t->resumed) {
        // Never started: let it through the gate with nothing to run.
        t->entry = nullptr;
        HAL_startThread(t);
    } else if (!t->finished) {
        vmFatalError("HAL_deleteThread() called on thread that has not finished\n");
    }
    if (t->hasHandle) pthread_join(t->handle, nullptr);
    delete t;
}

NativeThread* HAL_getCurrentThread() { return currentRecord; }

void* HAL_getCurrentThreadData() { return currentRecord ? currentRecord->data : nullptr; }

void HAL_setCurrentThreadData(int flag, void* value) {
    if (flag && currentRecord) currentRecord->data = value;
}

void HAL_enterVMLock() {
    if (holdsVMLock()) {
        ++vmDepth;
        return;
    }
    acquireVMLock(1);
}

void HAL_leaveVMLock() {
    if (!holdsVMLock()) vmFatalError("The VM lock was left by a thread that does not hold it.");
    if (--vmDepth == 0) releaseVMLock();
}

bool HAL_holdsVMLock() { return holdsVMLock(); }

int HAL_releaseVMLockFully() {
    if (!holdsVMLock()) return 0;
    int depth = vmDepth;
    releaseVMLock();
    return depth;
}

void HAL_reacquireVMLock(int depth) {
    if (depth > 0) acquireVMLock(depth);
}

void HAL_setEnterVMHook(HAL_EnterHook hook) { enterHook = hook; }

void* HAL_runEnterVMHook() { return enterHook ? enterHook() : nullptr; }

void* HAL_yield() {
    // The whole hold is given up, so a thread that entered twice (a dispatch
    // that posts) still lets the others run.
    HAL_reacquireVMLock(HAL_releaseVMLockFully());
    return HAL_runEnterVMHook();
}

void* HAL_sleep(uint32_t millis, bool alreadySleeping) {
    NativeThread* t = NativeThread_adoptCurrent();
    int depth = HAL_releaseVMLockFully();
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    if (!alreadySleeping) {
        std::lock_guard<std::mutex> g(t->sleepMutex);
        t->sleeping = true;
    }
    if (millis > 0)
        for (int i = 0; i < kSleepSpins && t->sleeping.load(std::memory_order_acquire); ++i) cpuRelax();
    {
        std::unique_lock<std::mutex> lk(t->sleepMutex);
        auto awake = [t] { return !t->sleeping; };
        if (millis == 0xFFFFFFFFu) {
            t->sleepWake.wait(lk, awake);
        } else if (millis > 0) {
            // Slices of 2, 4, 8, ... ms, the last clipped to what is left;
            // a wake-up ends the current slice at once.
            uint64_t slice = 2;
            for (;;) {
                auto elapsed = uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            Clock::now() - start)
                                            .count());
                if (elapsed >= millis) break;
                if (slice + elapsed > millis) slice = millis - elapsed;
                if (t->sleepWake.wait_for(lk, std::chrono::milliseconds(slice), awake)) break;
                slice *= 2;
            }
        }
        t->sleeping = false;
    }
    HAL_reacquireVMLock(depth);
    return HAL_runEnterVMHook();
}

// --- platform locks --------------------------------------------------------------

struct VMPlatformLock {
    struct Waiter {
        NativeThread* thread;
        Waiter* next;
    };
    Waiter* waiters = nullptr;  // oldest first; changed only under the VM lock
    std::mutex section;
};

int HAL_createLock(VMPlatformLock** out, int initiallyOwned) {
    auto* lock = new VMPlatformLock();
    if (initiallyOwned) lock->section.lock();
    *out = lock;
    return 0;
}

void HAL_lock(VMPlatformLock* lock) {
    if (!lock) return;
    // A free section is taken at once: trying can't block, so the VM lock
    // may stay held.
    if (lock->section.try_lock()) return;
    // Lock order: the section first, then the VM lock; never the other way.
    int depth = HAL_releaseVMLockFully();
    lock->section.lock();
    HAL_reacquireVMLock(depth);
    HAL_runEnterVMHook();
}

void HAL_unlock(VMPlatformLock* lock) {
    if (lock) lock->section.unlock();
}

void HAL_waitLock(VMPlatformLock* lock, uint32_t millis) {
    if (!lock) return;
    NativeThread* self = NativeThread_adoptCurrent();
    auto* node = new VMPlatformLock::Waiter{self, nullptr};
    VMPlatformLock::Waiter** link = &lock->waiters;
    while (*link) link = &(*link)->next;
    *link = node;
    // Asleep from the moment it is listed: a notify that comes before the
    // sleep begins is not lost.
    {
        std::lock_guard<std::mutex> g(self->sleepMutex);
        self->sleeping = true;
    }
    lock->section.unlock();
    HAL_sleep(millis, true);
    // A wait that timed out is still listed: take it off, or a later notify
    // would be spent on a thread that no longer waits.
    for (VMPlatformLock::Waiter** l = &lock->waiters; *l; l = &(*l)->next) {
        if ((*l)->thread == self) {
            VMPlatformLock::Waiter* stale = *l;
            *l = stale->next;
            delete stale;
            break;
        }
    }
    HAL_lock(lock);
}

void HAL_timedWait(VMPlatformLock* lock, uint32_t low, int32_t high) {
    uint32_t millis;
    if (high >= 1) millis = 0xFFFFFFFEu;
    else if (high < 0 || low == 0) millis = 0xFFFFFFFFu;
    else if (low >= 0xFFFFFFFEu) millis = 0xFFFFFFFEu;
    else millis = low;
    HAL_waitLock(lock, millis);
}

void HAL_notify(VMPlatformLock* lock) {
    if (!lock || !lock->waiters) return;
    VMPlatformLock::Waiter* w = lock->waiters;
    lock->waiters = w->next;
    NativeThread_wake(w->thread);
    delete w;
}

void HAL_notifyAll(VMPlatformLock* lock) {
    while (lock && lock->waiters) HAL_notify(lock);
}

void HAL_destroyLock(VMPlatformLock* lock) {
    if (!lock) return;
    while (lock->waiters) {
        VMPlatformLock::Waiter* w = lock->waiters;
        lock->waiters = w->next;
        delete w;
    }
    delete lock;
}
