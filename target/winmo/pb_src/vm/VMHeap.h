// The VM heap: every object, array and runtime string comes from here. The
// heap keeps a limit and collects when the limit would be passed.
//
// Blocks up to 16 KB are cells of a size class, carved out of 256 KB chunks
// that hold one class each, objects and raw blocks apart; bigger blocks have
// a chunk of their own. A chunk keeps, beside its cells, a bitmap each of the
// cells in use, the marks of a collection and the objects whose destructor
// must run when they die. So a collection marks without writing to objects,
// and sweeps a chunk with a few word operations per 64 cells, whatever the
// heap's age; cells are handed out in address order, lowest free cell first,
// so objects made one after another lie side by side.
//
// Collections are generational without moving anything: a collection leaves
// the marks of the objects it kept, so those count as old, and objects made
// since are young. A collection the allocator runs looks at the young
// objects only, reaching them from the roots and from the old objects whose
// fields were written since (the card table of VMTypes.h); when the old
// objects have grown by a quarter since the last full collection, or a young
// collection did not free enough, the next one is full. VM::collect is
// always full.
#pragma once

#include <type_traits>

#include "VMTypes.h"

// Block kinds.
enum VMBlockKind : uint32_t {
    VM_BLOCK_NORMAL = 0,
    VM_BLOCK_EMERGENCY = 1,  // taken while an OutOfMemoryError is being built
    VM_BLOCK_STARTUP = 2,    // taken while the heap was disabled; never counted
};

// Every block stays below this size. Bigger requests, and sizes that would
// overflow, raise OutOfMemoryError at once.
constexpr uint64_t VM_MAX_BLOCK = uint64_t(1) << 30;

struct VMHeapState {
    bool enabled = false;
    uint64_t used = 0;  // bytes of counted blocks (cells, or a big block's pages)
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

// Returns `size` bytes, zero-filled and 8-aligned. When the heap stays
// exhausted after three collections, throws OutOfMemoryError if `mayThrow`
// and a current thread exist, else ends the process.
void* vmAllocate(size_t size, bool mayThrow);
inline void* vmAllocateOrThrow(size_t size) { return vmAllocate(size, true); }
// Returns a block from vmAllocate, or the block of an object whose
// construction failed. Null is ignored.
void vmFree(void* payload);

// The block of a collected object (Object::operator new): like vmAllocate
// with `mayThrow`, but among the objects that collections sweep.
void* vmAllocateObject(size_t size);
// Object's native constructor: where the header lies in its block; the
// object counts as under construction until vmConstructionEnded.
void vmObjectBorn(java::lang::Object* o);
// An object leaves the keepers (under construction, finalizable) by being
// destroyed while it is still one of them.
void vmObjectLeavesKeepers(java::lang::Object* o);
// The sweep runs this object's destructor when it dies, whatever its class.
void vmKeepDestructor(java::lang::Object* o);
// The finalizable object, newest first, that a collection found unreachable
// and that finalize() has not run on yet; null when there is none.
java::lang::Object* vmNextFinalizeDue();

// Tells the collector that references were written, other than through a
// field's assignment, over `bytes` bytes from `start` (a bulk copy into a
// reference array).
void vmRememberStores(const void* start, size_t bytes);

// Byte size of `count` elements of `elementSize` bytes, or raises
// OutOfMemoryError when it would pass the largest block.
size_t vmCheckedArrayBytes(int64_t count, size_t elementSize);

int64_t vmFreeMemory();
int64_t vmTotalMemory();

// One collection of the young objects only, as the allocator runs one.
void vmCollectYoung();

// Collector statistics, for tests and benchmarks.
struct VMGcStats {
    uint64_t collections = 0;
    uint64_t fullCollections = 0;  // of them
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

// Collect every `n` allocations (0: off). Set from WREN_GC_STRESS at start-up.
void vmSetGcStress(uint32_t n);
uint32_t vmGcStress();
// Under AddressSanitizer a freed cell stays poisoned and out of use until
// this many bytes have been freed after it (64 MB unless set; 0 in other
// builds, where setting it does nothing). Lowering it lets go at once of
// what is held beyond it. Every collection sweeps the chunks the held cells
// keep, so a process that collects after each small piece of work (a fuzz
// target) holds less.
void vmSetHeapQuarantine(uint64_t bytes);
uint64_t vmHeapQuarantine();
// Reads WREN_GC_STRESS into `every`: unset or empty is 0 (off), else a
// decimal number 0..4294967295, digits only. False, with the reason in
// `error`, for anything else.
bool vmGcStressFromEnvironment(uint32_t* every, const char** error);

// For tests: what the heap knows of a block it handed out. The size is what
// the block counts for in `used`.
size_t vmBlockSize(const void* payload);
VMBlockKind vmBlockKind(const void* payload);
// Calls `visit(object, context)` on every object in the heap, in no
// particular order; `visit` must not allocate.
void vmForEachObject(void (*visit)(java::lang::Object* o, void* context), void* context);
template <class F>
void vmForEachObject(F&& f) {
    using Visitor = std::remove_reference_t<F>;
    vmForEachObject([](java::lang::Object* o, void* c) { (*static_cast<Visitor*>(c))(o); },
                    const_cast<void*>(static_cast<const void*>(&f)));
}
