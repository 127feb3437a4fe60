#include "VMHeap.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "HAL_memory.h"
#include "VM.h"
#include "java_lang_OutOfMemoryError.h"

namespace {

// Every block starts with its size word: bits 0-29 the size with the header,
// bits 30-31 the kind. The header is 8 bytes so that payloads stay 8-aligned.
constexpr size_t kHeader = 8;
constexpr uint32_t kSizeMask = (uint32_t(1) << 30) - 1;
// The size word holds 30 bits, so every block stays below VM_MAX_BLOCK: a
// block of exactly 2^30 bytes would read back as size 0 with the wrong kind.
constexpr size_t kMaxPayload = kSizeMask - kHeader;

VMHeapState heap;
VMGcStats stats;
uint32_t gcStress = 0;
uint32_t allocationsSinceStress = 0;
bool heapCheck = false;
bool collecting = false;

// The all-objects list, newest first.
java::lang::Object* objectsHead = nullptr;

// Marking uses an explicit stack, so a long chain of objects can't overflow
// the native stack.
std::vector<java::lang::Object*> markStack;
bool verifying = false;
const std::unordered_set<java::lang::Object*>* verifyLive = nullptr;
size_t verifyBroken = 0;

uint64_t clampLimit(uint64_t wanted) {
    if (wanted < heap.minimum) wanted = heap.minimum;
    if (wanted > heap.maximum) wanted = heap.maximum;
    return wanted;
}

void* finishBlock(void* block, size_t n, VMBlockKind kind) {
    *static_cast<uint32_t*>(block) = uint32_t(n) | (uint32_t(kind) << 30);
    if (kind != VM_BLOCK_STARTUP) heap.used += n;
    void* payload = static_cast<char*>(block) + kHeader;
    std::memset(payload, 0, n - kHeader);
    return payload;
}

[[noreturn]] void outOfMemory(bool mayThrow) {
    VMThread* t = VMThread::current();
    if (!mayThrow || !t) vmFatalError("Ran out of memory while exceptions are forbidden!");
    t->oomReport = 1;
    VMPtr<java::lang::OutOfMemoryError> error = java::lang::OutOfMemoryError::make();
    // The error exists: later allocations must collect again rather than
    // draw on the emergency path.
    t->oomReport = 0;
    error->throwSelf();
    __builtin_unreachable();
}

void drainMarkStack(uint32_t bits) {
    while (!markStack.empty()) {
        java::lang::Object* o = markStack.back();
        markStack.pop_back();
        o->markReferences(bits);
    }
}

void markList(const VMRefList& list, uint32_t bits) {
    list.forEach([bits](VMRef* r) {
        if (java::lang::Object* o = r->getObject()) vmMarkObject(o, bits);
    });
}

template <class F>
void forEachThread(F&& f) {
    if (!vmInstance) return;
    vmInstance->threads.forEach<VMThread*>(f);
}

}  // namespace

// The list is singly linked: the sweep, which deletes nearly every object,
// unlinks as it walks. An object destroyed any other way (its native
// constructor threw) is among the newest, so the search from the head is short.
java::lang::Object* const kUnlinked = reinterpret_cast<java::lang::Object*>(uintptr_t(1));

void vmObjectListInsert(java::lang::Object* o) {
    o->vmNext_ = objectsHead;
    objectsHead = o;
}

void vmObjectListRemove(java::lang::Object* o) {
    if (o->vmNext_ == kUnlinked) return;
    for (java::lang::Object** link = &objectsHead; *link; link = &(*link)->vmNext_) {
        if (*link == o) {
            *link = o->vmNext_;
            break;
        }
    }
    o->vmNext_ = kUnlinked;
}

java::lang::Object* vmObjectListHead() { return objectsHead; }

void vmFatalError(const char* text) {
    (void)text;
    std::fflush(stdout);
    _exit(1);
}

void vmHeapInit(uint64_t minimum, uint64_t maximum) {
    heap.used = 0;
    heap.minimum = minimum;
    heap.limit = minimum;
    heap.maximum = maximum < minimum ? minimum : maximum;
    heap.enabled = true;
    HAL_reserveMemory();
    if (const char* s = std::getenv("WREN_GC_STRESS")) gcStress = uint32_t(std::strtoul(s, nullptr, 10));
}

void vmHeapSetLimits(uint64_t minimum, uint64_t maximum) {
    heap.minimum = minimum;
    heap.maximum = maximum < minimum ? minimum : maximum;
    heap.limit = minimum;
}

void vmHeapDisable() { heap.enabled = false; }
const VMHeapState& vmHeapState() { return heap; }

void* vmAllocate(size_t size, bool mayThrow) {
    if (size > kMaxPayload) outOfMemory(mayThrow);
    // A zero-byte payload would point just past its block, where the leak and
    // bounds checkers no longer see the block.
    size_t n = (size ? size : 1) + kHeader;
    if (!heap.enabled) {
        void* block = HAL_allocateMemory(n, 0);
        if (!block) vmFatalError("Ran out of memory during VM initialization!");
        return finishBlock(block, n, VM_BLOCK_STARTUP);
    }
    VMThread* t = VMThread::current();
    // No stress collection while an OutOfMemoryError is being built: the
    // collection clears the report state, and the error's own allocation
    // would then run the collection rounds and fail again, without end.
    if (gcStress && !(t && t->oomReport) && ++allocationsSinceStress >= gcStress) {
        allocationsSinceStress = 0;
        VM::collect();
    }
    for (int rounds = 0;;) {
        if (HAL_getNativeMemoryUsed() + heap.used + n <= heap.limit) {
            if (void* block = HAL_allocateMemory(n, 0)) return finishBlock(block, n, VM_BLOCK_NORMAL);
        }
        if (t && t->oomReport) {
            void* block = HAL_allocateMemory(n, 1);
            if (!block) vmFatalError("Ran out of memory while trying to report an out of memory condition!");
            return finishBlock(block, n, VM_BLOCK_EMERGENCY);
        }
        if (rounds >= 3) outOfMemory(mayThrow);
        VM::collect();
        ++rounds;
        heap.limit = clampLimit(2 * (HAL_getNativeMemoryUsed() + heap.used + n));
        if (t && rounds == 2) VMThread::yield();
        if (t && rounds == 3) VMThread::sleep(10);
    }
}

void vmFree(void* payload) {
    if (!payload) return;
    void* block = static_cast<char*>(payload) - kHeader;
    uint32_t word = *static_cast<uint32_t*>(block);
    size_t n = word & kSizeMask;
    if ((word >> 30) != VM_BLOCK_STARTUP) heap.used -= n;
    HAL_freeMemory(block, n);
}

size_t vmCheckedArrayBytes(int64_t count, size_t elementSize) {
    // Divide rather than multiply, so that no count wraps to a small size.
    if (count < 0 || (elementSize != 0 && uint64_t(count) > kMaxPayload / elementSize))
        outOfMemory(true);
    return size_t(count) * elementSize;
}

int64_t vmFreeMemory() {
    return int64_t(heap.limit) - int64_t(HAL_getNativeMemoryUsed()) - int64_t(heap.used);
}
int64_t vmTotalMemory() { return int64_t(heap.maximum); }

const VMGcStats& vmGcStats() { return stats; }
void vmResetGcStats() { stats = VMGcStats{}; }
void vmSetHeapCheck(bool on) { heapCheck = on; }
void vmSetGcStress(uint32_t n) {
    gcStress = n;
    allocationsSinceStress = 0;
}
uint32_t vmGcStress() { return gcStress; }

void vmMarkObject(java::lang::Object* obj, uint32_t bits) {
    if (WREN_UNLIKELY(verifying)) {
        if (!verifyLive->count(obj)) {
            ++verifyBroken;
            std::fprintf(stderr, "heap check: reference to a dead object %p\n", static_cast<void*>(obj));
        }
        return;
    }
    if (obj->vmFlags_ & VM_FLAG_MARKED) return;
    obj->vmFlags_ |= bits;
    markStack.push_back(obj);
}

size_t vmVerifyHeap() {
    std::unordered_set<java::lang::Object*> live;
    for (java::lang::Object* o = objectsHead; o; o = o->vmNext_) live.insert(o);
    verifyLive = &live;
    verifyBroken = 0;
    verifying = true;
    for (java::lang::Object* o = objectsHead; o; o = o->vmNext_) o->markReferences(VM_FLAG_MARKED);
    auto checkRoots = [](const VMRefList& list) {
        list.forEach([](VMRef* r) {
            if (java::lang::Object* o = r->getObject()) vmMarkObject(o, 0);
        });
    };
    checkRoots(vmNativeScope());
    checkRoots(vmStaticScope());
    checkRoots(vmWeakScope());
    forEachThread([&](VMThread* t) {
        checkRoots(t->references);
        t->tempRoots.forEach([](java::lang::Object* o) { vmMarkObject(o, 0); });
        if (t->inFlight) vmMarkObject(t->inFlight, 0);
    });
    // Outside a collection no object carries a mark.
    for (java::lang::Object* o = objectsHead; o; o = o->vmNext_) {
        if (o->vmFlags_ & (VM_FLAG_REACHABLE | VM_FLAG_MARKED)) {
            ++verifyBroken;
            std::fprintf(stderr, "heap check: object %p still marked\n", static_cast<void*>(o));
        }
    }
    verifying = false;
    verifyLive = nullptr;
    return verifyBroken;
}

void VM::collect() {
    VM* vm = vmInstance;
    if (!vm || vm->stage < 12 || collecting) return;
    collecting = true;
    auto started = std::chrono::steady_clock::now();
    VMThread::disableYield();
    vm->finalizationWork = 0;

    using java::lang::Object;
    // Every object is unmarked here: born so, and the last sweep unmarked
    // every survivor.

    constexpr uint32_t kRootBits = VM_FLAG_REACHABLE | VM_FLAG_MARKED;
    markList(vmNativeScope(), kRootBits);
    markList(vmStaticScope(), kRootBits);
    forEachThread([&](VMThread* t) {
        markList(t->references, kRootBits);
        t->tempRoots.forEach([&](Object* o) { vmMarkObject(o, kRootBits); });
        if (t->inFlight) vmMarkObject(t->inFlight, kRootBits);
    });
    drainMarkStack(kRootBits);

    // Objects waiting for finalization or still being constructed are kept,
    // with what they reach, without counting as reachable.
    if (vmKeeperCount) {
        for (Object* o = objectsHead; o; o = o->vmNext_) {
            if ((o->vmFlags_ & VM_FLAG_FINALIZABLE) && !(o->vmFlags_ & VM_FLAG_REACHABLE)) {
                o->vmFlags_ |= VM_FLAG_FINALIZE_DUE;
                vm->finalizationWork = 1;
            }
            if (!(o->vmFlags_ & VM_FLAG_REACHABLE) &&
                (o->vmFlags_ & (VM_FLAG_FINALIZABLE | VM_FLAG_UNDER_CONSTRUCTION)))
                vmMarkObject(o, VM_FLAG_MARKED);
        }
        drainMarkStack(VM_FLAG_MARKED);
    }

    vmWeakScope().forEach([](VMRef* r) {
        Object* o = r->getObject();
        if (o && !(o->vmFlags_ & VM_FLAG_REACHABLE)) r->clear();
    });

    uint64_t freed = 0;
    for (Object** link = &objectsHead; Object* o = *link;) {
        if (!(o->vmFlags_ & VM_FLAG_MARKED)) {
            *link = o->vmNext_;
            o->vmNext_ = kUnlinked;
            delete o;
            ++freed;
        } else {
            o->vmFlags_ &= ~(VM_FLAG_REACHABLE | VM_FLAG_MARKED);
            link = &o->vmNext_;
        }
    }
    // Thread records whose Java object is gone and whose native thread has
    // finished go too; one still running its last native steps waits for a
    // later collection.
    for (bool deleted = true; deleted;) {
        deleted = false;
        forEachThread([&](VMThread* t) {
            t->oomReport = 0;
            if (!deleted && !t->javaThread && !t->isAlive() && vmThreadMayBeDeleted(t)) {
                delete t;
                deleted = true;
            }
        });
    }

    HAL_compactMemory();
    ++vm->collectionCount;
    VMThread::enableYield();
    collecting = false;

    uint64_t pause = uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now() - started)
                                  .count());
    ++stats.collections;
    stats.objectsFreed += freed;
    stats.lastPauseNs = pause;
    stats.totalPauseNs += pause;
    if (pause > stats.maxPauseNs) stats.maxPauseNs = pause;

    if (heapCheck && vmVerifyHeap() != 0) {
        std::fprintf(stderr, "heap check failed after collection %u\n", vm->collectionCount);
        std::abort();
    }
    // Only now that the collection is over: waking the finalizer takes its
    // monitor, which may block and let other threads run.
    if (vm->finalizationWork) {
        vmWakeFinalizer();
        vmStartFinalizer();
    }
}
