// The VM heap: every object, array data block and runtime string comes from
// vmAllocate, which keeps a limit and collects when the limit would be passed.
#pragma once

#include "VMTypes.h"

// Block kinds, kept in the top two bits of a block's size word.
enum VMBlockKind : uint32_t {
    VM_BLOCK_NORMAL = 0,
    VM_BLOCK_EMERGENCY = 1,  // taken while an OutOfMemoryError is being built
    VM_BLOCK_STARTUP = 2,    // taken while the heap was disabled; never counted
};

// Every block, header included, stays below this size (its size word has 30
// bits). Bigger requests, and sizes that would overflow, raise
// OutOfMemoryError at once.
constexpr uint64_t VM_MAX_BLOCK = uint64_t(1) << 30;

struct VMHeapState {
    bool enabled = false;
    uint64_t used = 0;  // bytes of counted blocks, headers included
    uint64_t minimum = 0;
    uint64_t limit = 0;
    uint64_t maximum = 0;
};

void vmHeapInit(uint64_t minimum, uint64_t maximum);
void vmHeapDisable();
// Moves the limit's bounds without touching what is allocated; the limit
// restarts at the new minimum.
void vmHeapSetLimits(uint64_t minimum, uint64_t maximum);
const VMHeapState& vmHeapState();

// Returns `size` bytes, zero-filled. When the heap stays exhausted after three
// collections, throws OutOfMemoryError if `mayThrow` and a current thread
// exist, else ends the process.
void* vmAllocate(size_t size, bool mayThrow);
inline void* vmAllocateOrThrow(size_t size) { return vmAllocate(size, true); }
void vmFree(void* payload);

// Byte size of `count` elements of `elementSize` bytes, or raises
// OutOfMemoryError when it would pass the largest block.
size_t vmCheckedArrayBytes(int64_t count, size_t elementSize);

int64_t vmFreeMemory();
int64_t vmTotalMemory();

// Collector statistics, for tests and benchmarks.
struct VMGcStats {
    uint64_t collections = 0;
    uint64_t lastPauseNs = 0;
    uint64_t maxPauseNs = 0;
    uint64_t totalPauseNs = 0;
    uint64_t objectsFreed = 0;
};
const VMGcStats& vmGcStats();
void vmResetGcStats();

// After every collection, check that each live object's marked references
// lead to live objects; a broken edge ends the process with a report.
void vmSetHeapCheck(bool on);
// Runs the check once; returns the number of broken edges (also reported on
// standard error).
size_t vmVerifyHeap();

// Collect every `n` allocations (0: off). Read from WREN_GC_STRESS at start-up.
void vmSetGcStress(uint32_t n);
uint32_t vmGcStress();

// The all-objects list (newest first), kept by the object header.
void vmObjectListInsert(java::lang::Object* o);
void vmObjectListRemove(java::lang::Object* o);
java::lang::Object* vmObjectListHead();
