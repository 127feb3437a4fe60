// Small helpers shared by the runtime tests. Every test in a process shares
// one VM, so anything a test changes about the heap is put back on the way out.
#pragma once

#include "VM.h"
#include "VMHeap.h"

namespace wren::test {

// Sets the collect-every-N switch for one scope.
class ScopedGcStress {
public:
    explicit ScopedGcStress(uint32_t n) : saved_(vmGcStress()) { vmSetGcStress(n); }
    ~ScopedGcStress() { vmSetGcStress(saved_); }
    ScopedGcStress(const ScopedGcStress&) = delete;
    ScopedGcStress& operator=(const ScopedGcStress&) = delete;

private:
    uint32_t saved_;
};

// Puts the heap's bounds back when the scope ends.
class ScopedHeapLimits {
public:
    ScopedHeapLimits() : minimum_(vmHeapState().minimum), maximum_(vmHeapState().maximum) {}
    ~ScopedHeapLimits() { vmHeapSetLimits(minimum_, maximum_); }
    ScopedHeapLimits(const ScopedHeapLimits&) = delete;
    ScopedHeapLimits& operator=(const ScopedHeapLimits&) = delete;

private:
    uint64_t minimum_;
    uint64_t maximum_;
};

inline uint32_t collectionCount() { return vmInstance->collectionCount; }

// What the heap records of a block handed out by vmAllocate.
inline size_t blockSize(const void* payload) { return vmBlockSize(payload); }
inline uint32_t blockKind(const void* payload) { return uint32_t(vmBlockKind(payload)); }

// References registered on the current thread's stack list.
inline size_t stackRefCount() {
    size_t n = 0;
    vmStackList->forEach([&n](VMRef*) { ++n; });
    return n;
}

}  // namespace wren::test
