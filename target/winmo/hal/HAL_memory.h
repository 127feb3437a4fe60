// Raw memory for the VM heap, and the native-memory counter the heap limit
// takes into account.
#pragma once

#include <cstddef>
#include <cstdint>

// A block of `size` bytes (contents undefined), or null. With `emergency`
// set, the start-up reserve is released first so that an OutOfMemoryError
// can still be built. Not thread-safe: callers hold the VM lock.
void* HAL_allocateMemory(size_t size, int emergency);
// Returns a block; `size` is the size it was allocated with.
void HAL_freeMemory(void* block, size_t size);
void HAL_compactMemory();
// Bytes held by the bridge's own counted allocations.
uint64_t HAL_getNativeMemoryUsed();
// Takes the emergency reserve (at host start; again in tests).
void HAL_reserveMemory();
