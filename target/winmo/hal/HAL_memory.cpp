// Small blocks come from size-class pools carved out of 64 KB chunks: the
// collector frees most objects young, and a free-list pop is several times
// cheaper than malloc for them. Large blocks go to malloc. Sanitizer builds
// use malloc for everything so that use-after-free is caught.
#include "HAL_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "HAL_threads.h"

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

void HAL_reserveMemory() {
    if (!reserve) reserve = std::malloc(kReserve);
}

// --- counted blocks ---------------------------------------------------------

namespace {

// 16 bytes keep the payload as aligned as malloc's own blocks.
constexpr size_t kNativeHeader = 16;

// Changed by any thread that allocates; read by the heap under the VM lock.
std::atomic<uint64_t> nativeUsed{0};
std::atomic<HAL_CollectHook> collectHook{nullptr};
std::atomic<HAL_FreeMemoryRequest> freeMemoryRequest{nullptr};
std::atomic<int> failuresToInject{0};

void* systemAllocate(size_t total) {
    for (int left = failuresToInject.load(); left > 0;)
        if (failuresToInject.compare_exchange_weak(left, left - 1)) return nullptr;
    return std::malloc(total);
}

void* countedAllocate(size_t size) {
    if (size > SIZE_MAX - kNativeHeader) return nullptr;
    const size_t total = size + kNativeHeader;
    void* block = systemAllocate(total);
    if (!block) {
        // Collecting may free Java objects that hold native blocks.
        HAL_enterVMLock();
        HAL_runEnterVMHook();
        if (HAL_CollectHook collect = collectHook.load()) collect();
        HAL_leaveVMLock();
        block = systemAllocate(total);
    }
    if (!block) {
        HAL_FreeMemoryRequest request = freeMemoryRequest.load();
        if (request && request(total)) block = systemAllocate(total);
    }
    if (!block) return nullptr;
    const uint64_t word = total;
    std::memcpy(block, &word, sizeof word);
    nativeUsed.fetch_add(total, std::memory_order_relaxed);
    return static_cast<char*>(block) + kNativeHeader;
}

void countedFree(void* payload) {
    if (!payload) return;
    void* block = static_cast<char*>(payload) - kNativeHeader;
    uint64_t total;
    std::memcpy(&total, block, sizeof total);
    nativeUsed.fetch_sub(total, std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

void* HAL_allocNative(size_t size) { return countedAllocate(size); }
void HAL_freeNative(void* payload) { countedFree(payload); }
void* HAL_allocPixels(size_t size) { return countedAllocate(size); }
void HAL_freePixels(void* payload) { countedFree(payload); }

uint64_t HAL_getNativeMemoryUsed() { return nativeUsed.load(std::memory_order_relaxed); }

void HAL_setCollectHook(HAL_CollectHook hook) { collectHook = hook; }
void HAL_setFreeMemoryRequest(HAL_FreeMemoryRequest request) { freeMemoryRequest = request; }
void HAL_failNextAllocations(int count) { failuresToInject = count > 0 ? count : 0; }
