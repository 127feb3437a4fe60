#include "HAL_threads.h"

#include <chrono>
#include <thread>

#include "HAL_memory.h"

[[noreturn]] void vmFatalError(const char* text);

namespace {

thread_local NativeThread* currentRecord = nullptr;

// The VM lock: a ticket lock, so that waiting threads take it in arrival
// order; the owner may re-enter.
std::mutex vmMutex;
std::condition_variable vmTurn;
uint64_t nextTicket = 0;
uint64_t nowServing = 0;
std::thread::id vmOwner;
int vmDepth = 0;

HAL_EnterHook enterHook = nullptr;

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
    auto* t = new NativeThread();
    t->entry = entry;
    t->data = data;
    // Created at once but held at the gate until started, like a suspended thread.
    if (pthread_create(&t->handle, nullptr, trampoline, t) == 0) t->hasHandle = true;
    *out = t;
    return 0;
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
    std::unique_lock<std::mutex> lk(vmMutex);
    if (vmDepth > 0 && vmOwner == std::this_thread::get_id()) {
        ++vmDepth;
        return;
    }
    uint64_t ticket = nextTicket++;
    vmTurn.wait(lk, [ticket] { return nowServing == ticket; });
    vmOwner = std::this_thread::get_id();
    vmDepth = 1;
}

void HAL_leaveVMLock() {
    std::unique_lock<std::mutex> lk(vmMutex);
    if (vmDepth <= 0 || vmOwner != std::this_thread::get_id())
        vmFatalError("The VM lock was left by a thread that does not hold it.");
    if (--vmDepth > 0) return;
    vmOwner = std::thread::id();
    ++nowServing;
    lk.unlock();
    vmTurn.notify_all();
}

bool HAL_holdsVMLock() {
    std::lock_guard<std::mutex> g(vmMutex);
    return vmDepth > 0 && vmOwner == std::this_thread::get_id();
}

int HAL_releaseVMLockFully() {
    std::unique_lock<std::mutex> lk(vmMutex);
    if (vmDepth <= 0 || vmOwner != std::this_thread::get_id()) return 0;
    int depth = vmDepth;
    vmDepth = 0;
    vmOwner = std::thread::id();
    ++nowServing;
    lk.unlock();
    vmTurn.notify_all();
    return depth;
}

void HAL_reacquireVMLock(int depth) {
    if (depth <= 0) return;
    HAL_enterVMLock();
    std::lock_guard<std::mutex> g(vmMutex);
    vmDepth = depth;
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
    {
        std::unique_lock<std::mutex> lk(t->sleepMutex);
        if (!alreadySleeping) t->sleeping = true;
        auto awake = [t] { return !t->sleeping; };
        if (millis == 0xFFFFFFFFu) {
            t->sleepWake.wait(lk, awake);
        } else if (millis > 0) {
            // Slices of 2, 4, 8, ... ms, the last clipped to what is left;
            // a wake-up ends the current slice at once.
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
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
    int depth = HAL_releaseVMLockFully();
    lock->section.lock();
    HAL_reacquireVMLock(depth);
    HAL_runEnterVMHook();
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
