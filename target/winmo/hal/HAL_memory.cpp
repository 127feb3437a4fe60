// The VM heap's memory comes in large aligned blocks straight from the
// system's page mapper: the heap carves its cells out of them itself, and an
// aligned mapping is what lets it find a cell's chunk from the cell's address.
#include "HAL_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "HAL_threads.h"

namespace {

constexpr size_t kReserve = 64 * 1024;
void* reserve = nullptr;

// Maps `size` bytes starting on an alignment boundary: maps `size + slack`
// to find an aligned start inside, then gives back both ends.
void* mapAligned(size_t size, size_t slack, int protection, int extraFlags) {
    const size_t span = size + slack;
    void* mapped = mmap(nullptr, span, protection, MAP_PRIVATE | MAP_ANONYMOUS | extraFlags, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto base = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t start = (base + HAL_MEMORY_ALIGNMENT - 1) & ~uintptr_t(HAL_MEMORY_ALIGNMENT - 1);
    if (start > base) munmap(mapped, start - base);
    const uintptr_t end = start + size;
    if (base + span > end) munmap(reinterpret_cast<void*>(end), base + span - end);
    return reinterpret_cast<void*>(start);
}

}  // namespace

void* HAL_allocateMemory(size_t size, int emergency) {
    if (emergency && reserve) {
        std::free(reserve);
        reserve = nullptr;
    }
    if (size == 0 || size % HAL_PAGE_SIZE != 0 || size > SIZE_MAX - HAL_MEMORY_ALIGNMENT) return nullptr;
    return mapAligned(size, HAL_MEMORY_ALIGNMENT - HAL_PAGE_SIZE, PROT_READ | PROT_WRITE, 0);
}

void HAL_freeMemory(void* block, size_t size) {
    if (block) munmap(block, size);
}

void* HAL_reserveAddressSpace(size_t size) {
    if (size == 0 || size % HAL_MEMORY_ALIGNMENT != 0 || size > SIZE_MAX - HAL_MEMORY_ALIGNMENT) return nullptr;
    return mapAligned(size, HAL_MEMORY_ALIGNMENT, PROT_NONE, MAP_NORESERVE);
}

int HAL_commitMemory(void* start, size_t size) {
    return mprotect(start, size, PROT_READ | PROT_WRITE) == 0 ? 0 : -1;
}

void HAL_discardMemory(void* start, size_t size) {
    if (start && size) madvise(start, size, MADV_DONTNEED);
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
