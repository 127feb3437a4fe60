// Raw memory for the VM heap, and the native-memory counter the heap limit
// takes into account.
#pragma once

#include <cstddef>
#include <cstdint>

// Every block of the VM heap's own memory is aligned to this, so that the
// heap finds the chunk a cell lies in by masking the cell's address.
constexpr size_t HAL_MEMORY_ALIGNMENT = 256 * 1024;
constexpr size_t HAL_PAGE_SIZE = 4096;

// A block of `size` bytes (a multiple of HAL_PAGE_SIZE), zero-filled and
// aligned to HAL_MEMORY_ALIGNMENT, or null. With `emergency` set, the
// start-up reserve is released first so that an OutOfMemoryError can still
// be built. Not thread-safe: callers hold the VM lock.
void* HAL_allocateMemory(size_t size, int emergency);
// Returns a block; `size` is the size it was allocated with.
void HAL_freeMemory(void* block, size_t size);
// Address space of `size` bytes aligned to HAL_MEMORY_ALIGNMENT, not yet
// usable, or null; HAL_commitMemory makes parts of it usable (zero-filled),
// and returns 0 on success.
void* HAL_reserveAddressSpace(size_t size);
int HAL_commitMemory(void* start, size_t size);
// Hands the pages of part of a block back to the system: they stay
// allocated and read as zeros when next touched.
void HAL_discardMemory(void* start, size_t size);
void HAL_compactMemory();
// Takes the emergency reserve (at host start; again in tests).
void HAL_reserveMemory();

// The bridge's own counted blocks: each carries a 16-byte header with its
// total size, and the total of all live blocks is what the VM heap counts
// against its limit besides its own. A failed allocation collects and tries
// again, then asks the shell to free memory and tries once more; null when
// all of that fails. Zero bytes is a valid request. Callers must be able to
// take the VM lock (the collection takes it).
void* HAL_allocNative(size_t size);
// Null is ignored.
void HAL_freeNative(void* payload);
// The same for image and surface pixels, which are the largest native
// blocks: counted alike, and tried as hard.
void* HAL_allocPixels(size_t size);
void HAL_freePixels(void* payload);
// Bytes held by counted blocks, headers included.
uint64_t HAL_getNativeMemoryUsed();

// The collection that a failed counted allocation runs, set by the runtime.
using HAL_CollectHook = void (*)();
void HAL_setCollectHook(HAL_CollectHook hook);

// The shell's request to free `bytes` of memory by closing other programs.
// Nothing answers it on Linux: it fails unless a test installs a stand-in.
using HAL_FreeMemoryRequest = bool (*)(size_t bytes);
void HAL_setFreeMemoryRequest(HAL_FreeMemoryRequest request);
// Makes the next `count` system allocations of counted blocks fail, so that
// tests can reach the retry paths.
void HAL_failNextAllocations(int count);
