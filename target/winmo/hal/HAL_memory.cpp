// Small blocks come from size-class pools carved out of 64 KB chunks: the
// collector frees most objects young, and a free-list pop is several times
// cheaper than malloc for them. Large blocks go to malloc. Sanitizer builds
// use malloc for everything so that use-after-free is caught.
#include "HAL_memory.h"

#include <cstdlib>

namespace {

constexpr size_t kGranule = 16;
constexpr size_t kMaxPooled = 512;
constexpr size_t kClasses = kMaxPooled / kGranule;
constexpr size_t kChunk = 64 * 1024;
constexpr size_t kReserve = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

struct Pool {
    FreeBlock* free = nullptr;
    char* bump = nullptr;
    char* end = nullptr;
};
Pool pools[kClasses];
void* reserve = nullptr;

#if defined(WREN_SANITIZED)
constexpr bool kPooling = false;
#else
constexpr bool kPooling = true;
#endif

void* poolAllocate(size_t size) {
    size_t cls = (size + kGranule - 1) / kGranule - 1;
    Pool& p = pools[cls];
    if (FreeBlock* b = p.free) {
        p.free = b->next;
        return b;
    }
    size_t blockSize = (cls + 1) * kGranule;
    if (p.bump + blockSize > p.end || !p.bump) {
        // Cache-line aligned, so that blocks of a line's size each sit in one.
        char* chunk = static_cast<char*>(std::aligned_alloc(64, kChunk));
        if (!chunk) return nullptr;
        p.bump = chunk;
        p.end = chunk + kChunk;
    }
    void* b = p.bump;
    p.bump += blockSize;
    return b;
}

}  // namespace

void* HAL_allocateMemory(size_t size, int emergency) {
    if (emergency && reserve) {
        std::free(reserve);
        reserve = nullptr;
    }
    if (size == 0) size = 1;
    if (kPooling && size <= kMaxPooled) return poolAllocate(size);
    return std::malloc(size);
}

void HAL_freeMemory(void* block, size_t size) {
    if (!block) return;
    if (size == 0) size = 1;
    if (kPooling && size <= kMaxPooled) {
        Pool& p = pools[(size + kGranule - 1) / kGranule - 1];
        auto* b = static_cast<FreeBlock*>(block);
        b->next = p.free;
        p.free = b;
        return;
    }
    std::free(block);
}

void HAL_compactMemory() {}

uint64_t HAL_getNativeMemoryUsed() { return 0; }

void HAL_reserveMemory() {
    if (!reserve) reserve = std::malloc(kReserve);
}
