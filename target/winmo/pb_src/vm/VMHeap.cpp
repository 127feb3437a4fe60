#include "VMHeap.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "HAL_memory.h"
#include "VM.h"
#include "VMArray.h"
#include "java_lang_OutOfMemoryError.h"

#if defined(__SANITIZE_ADDRESS__)
#define WREN_HEAP_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WREN_HEAP_POISONING 1
#endif
#endif
#if defined(WREN_HEAP_POISONING)
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using java::lang::Object;

constexpr size_t kChunk = HAL_MEMORY_ALIGNMENT;
constexpr uintptr_t kChunkMask = ~uintptr_t(kChunk - 1);
// The largest request: 9 bytes short of VM_MAX_BLOCK, the bound that array
// sizes are checked against.
constexpr size_t kMaxPayload = VM_MAX_BLOCK - 1 - 8;
constexpr size_t kMaxCell = 16 * 1024;
// Every chunk of cells lies in one reserved region, so that the card table
// can cover it: 4 GB of address space, committed a chunk at a time; less
// where the system will not reserve that much.
constexpr size_t kRegionChunks = 16384;
constexpr size_t kSmallestRegionChunks = 256;
constexpr size_t kCardShift = 8;
constexpr size_t kCardsPerChunk = kChunk >> kCardShift;

#if defined(WREN_HEAP_POISONING)
// Under AddressSanitizer a freed cell stays poisoned, and out of use until
// this many bytes have been freed after it, so that a stale reference
// touches poison rather than the next object; and every block ends in at
// least this many poisoned bytes, so that overrunning it is caught too.
constexpr bool kQuarantine = true;
constexpr uint64_t kQuarantineBytes = uint64_t(64) << 20;
constexpr size_t kRedzone = 16;
void poison(const void* p, size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
void unpoison(const void* p, size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }
// The leak checker looks for pointers to the C heap's blocks in the C heap
// and the program's own memory; the VM heap's memory comes straight from the
// page mapper, so it is shown where to look too.
void watchForPointers(const void* p, size_t n) { __lsan_register_root_region(p, n); }
void stopWatching(const void* p, size_t n) { __lsan_unregister_root_region(p, n); }
#else
constexpr bool kQuarantine = false;
constexpr uint64_t kQuarantineBytes = 0;
constexpr size_t kRedzone = 0;
void poison(const void*, size_t) {}
void unpoison(const void*, size_t) {}
void watchForPointers(const void*, size_t) {}
void stopWatching(const void*, size_t) {}
#endif

// --- size classes -----------------------------------------------------------

// 8-byte steps up to 128 bytes, 16-byte steps up to 256, then four classes
// per doubling: no class wastes more than a fifth of its cell.
constexpr uint32_t kClassSizes[] = {
    8,     16,    24,    32,    40,    48,    56,    64,    72,    80,   88,   96,
    104,   112,   120,   128,   144,   160,   176,   192,   208,   224,  240,  256,
    320,   384,   448,   512,   640,   768,   896,   1024,  1280,  1536, 1792, 2048,
    2560,  3072,  3584,  4096,  5120,  6144,  7168,  8192,  10240, 12288, 14336, 16384,
};
constexpr uint32_t kClasses = uint32_t(std::size(kClassSizes));
constexpr uint16_t kLargeClass = 0xFFFF;
static_assert(kClassSizes[kClasses - 1] == kMaxCell);

constexpr uint32_t classFor(size_t size) {
    if (size <= 128) return uint32_t((size + 7) / 8 - 1);
    if (size <= 256) return uint32_t(16 + (size - 128 + 15) / 16 - 1);
    uint32_t k = uint32_t(std::bit_width(size - 1) - 1);  // 2^k < size <= 2^(k+1)
    return 24 + (k - 8) * 4 + uint32_t((size - 1 - (size_t(1) << k)) >> (k - 2));
}

constexpr bool classesAreTight() {
    for (size_t size = 1; size <= kMaxCell; ++size) {
        uint32_t c = classFor(size);
        if (c >= kClasses || kClassSizes[c] < size || (c > 0 && kClassSizes[c - 1] >= size)) return false;
    }
    return true;
}
static_assert(classesAreTight(), "every size gets the smallest class that holds it");

// --- chunks -----------------------------------------------------------------

enum Bitmap : uint32_t {
    kLive,       // the cell holds a block
    kMark,       // a collection reached the object: it is old (see VMHeap.h)
    kDestroy,    // the object's destructor runs when it dies
    kUncounted,  // taken while the heap was disabled
    kEmergency,  // taken while an OutOfMemoryError was being built
    kHeld,       // freed, in quarantine
    kBitmaps
};

// The head of every chunk, at its aligned start; its bitmaps follow it, then
// (object chunks) the offset of each object's header in its cell. A block of
// its own is a chunk of one cell.
struct Chunk {
    char* cells;
    // (offset from `cells` * divisor) >> 40 is a cell's index; exact for
    // every offset in a chunk and every class.
    uint64_t divisor;
    uint32_t cellSize;  // for a block of its own: its pages, as counted
    uint32_t cellCount;
    uint32_t words;  // per bitmap
    uint32_t freeCells;
    uint32_t virgin;  // cells from here on were never handed out: all zero
    uint32_t oldCells;  // objects the last collection kept (object chunks)
    uint16_t sizeClass;
    bool objects;
    size_t mapped;
    Chunk* prev;  // blocks of their own: their list
    Chunk* next;
    uint16_t* offsets;

    uint64_t* bits() { return reinterpret_cast<uint64_t*>(this + 1); }
    uint64_t* map(Bitmap b) { return bits() + size_t(b) * words; }
    bool large() const { return sizeClass == kLargeClass; }
};
static_assert(sizeof(Chunk) % 8 == 0);

inline Chunk* chunkOf(const void* p) {
    return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & kChunkMask);
}
inline uint32_t cellIndex(const Chunk* c, const void* p) {
    return uint32_t((uint64_t(static_cast<const char*>(p) - c->cells) * c->divisor) >> 40);
}
inline char* cellAt(const Chunk* c, uint32_t i) { return c->cells + size_t(i) * c->cellSize; }
inline bool testBit(const uint64_t* m, uint32_t i) { return (m[i >> 6] >> (i & 63)) & 1; }
inline void setBit(uint64_t* m, uint32_t i) { m[i >> 6] |= uint64_t(1) << (i & 63); }
inline void clearBit(uint64_t* m, uint32_t i) { m[i >> 6] &= ~(uint64_t(1) << (i & 63)); }
inline Object* objectAt(Chunk* c, uint32_t i) {
    return reinterpret_cast<Object*>(cellAt(c, i) + c->offsets[i]);
}

struct Layout {
    uint32_t count;
    uint32_t words;
    uint32_t header;
};

// The header is sized for the most cells a chunk could hold were it all
// cells; the bitmaps then take only the words the cells left after it need.
// A bitmap word past the last cell would read as 64 free cells lying beyond
// the chunk's end.
constexpr Layout layoutFor(uint32_t cellSize, bool objects) {
    uint32_t most = uint32_t((kChunk - sizeof(Chunk)) / cellSize);
    size_t header = sizeof(Chunk) + size_t(kBitmaps) * ((most + 63) / 64) * 8 +
                    (objects ? size_t(most) * 2 : 0);
    header = (header + 63) & ~size_t(63);
    const uint32_t count = uint32_t((kChunk - header) / cellSize);
    return {count, (count + 63) / 64, uint32_t(header)};
}

constexpr bool layoutsFit() {
    for (uint32_t size : kClassSizes) {
        for (bool objects : {false, true}) {
            const Layout l = layoutFor(size, objects);
            const size_t needed = sizeof(Chunk) + size_t(kBitmaps) * l.words * 8 +
                                  (objects ? size_t(l.count) * 2 : 0);
            if (needed > l.header || l.header + size_t(l.count) * size > kChunk) return false;
            if (l.count == 0 || (l.words - 1) * 64 >= l.count) return false;
        }
    }
    return true;
}
static_assert(layoutsFit(), "every bitmap word has cells; the header holds the bitmaps and offsets");

constexpr bool divisionIsExact() {
    for (uint32_t size : kClassSizes) {
        uint64_t divisor = (uint64_t(1) << 40) / size + 1;
        // The error grows with the offset: checking each cell's first and
        // last byte of the largest chunk covers every offset in between.
        for (uint64_t i = 0; i * size < kChunk; ++i) {
            if (((i * size * divisor) >> 40) != i) return false;
            if ((((i + 1) * size - 1) * divisor >> 40) != i) return false;
        }
    }
    return true;
}
static_assert(divisionIsExact());

constexpr size_t kLargeHeader = (sizeof(Chunk) + kBitmaps * 8 + 2 + 63) & ~size_t(63);

size_t largeMapping(size_t want) {
    return (kLargeHeader + want + HAL_PAGE_SIZE - 1) & ~(HAL_PAGE_SIZE - 1);
}

// --- state --------------------------------------------------------------------

VMHeapState heap;
VMGcStats stats;
uint32_t gcStress = 0;
uint32_t allocationsSinceStress = 0;
bool heapCheck = false;
bool collecting = false;

// Where one size class of one kind (objects, raw blocks) hands out cells: a
// word of the live bitmap of one of its chunks at a time, lowest free cell
// first. So cells go out in address order whether the chunk is fresh or
// holds survivors between its free cells.
struct Allocator {
    uint64_t freeBits = 0;  // the current word's free cells not handed out yet
    uint64_t zeroBits = 0;  // those of them never handed out before: all zero
    char* wordCells = nullptr;  // the cell of the word's bit 0
    uint64_t* liveWord = nullptr;
    Chunk* chunk = nullptr;
    uint32_t word = 0;
    std::vector<Chunk*> chunks;
    size_t scanChunk = 0;  // where the search for the next word goes on
    uint32_t scanWord = 0;
    // Cells vmFree gave back since the search last started over: the next
    // search that finds nothing ahead looks behind before taking a chunk.
    uint64_t freedBehind = 0;
};
Allocator allocators[2][kClasses];

char* region = nullptr;
size_t regionChunks = 0;
size_t regionUsed = 0;  // chunks handed out so far, from the region's start

// The collections' policy: once the old objects have grown by a quarter
// since the last full collection, the allocator's next collection is full.
uint64_t usedAfterFull = 0;
uint64_t usedAfterLast = 0;
uint32_t stressCollections = 0;

// Blocks of their own, objects and raw apart.
Chunk* largeObjects = nullptr;
Chunk* largeRaw = nullptr;

// Empty chunks kept for any class; `clean` ones have had their pages handed
// back and read as zeros.
struct Pooled {
    Chunk* chunk;
    bool clean;
};
std::vector<Pooled> pool;

// The keepers: objects kept alive with what they reach, without counting as
// reachable. Nearly every construction ends before the next one begins, so
// the newest object under construction is kept apart, and the list holds
// only those whose construction was still going on when another began.
std::vector<Object*> constructing;
std::vector<Object*> finalizable;

// Marking uses an explicit stack, so a long chain of objects can't overflow
// the native stack.
std::vector<Object*> markStack;

bool verifying = false;
const std::unordered_set<const Chunk*>* verifyChunks = nullptr;
size_t verifyBroken = 0;

struct Held {
    Chunk* chunk;
    uint32_t index;
};
std::vector<Held> quarantine;
size_t quarantineHead = 0;
uint64_t quarantineBytes = 0;
uint64_t quarantineLimit = kQuarantineBytes;

uint64_t clampLimit(uint64_t wanted) {
    if (wanted < heap.minimum) wanted = heap.minimum;
    if (wanted > heap.maximum) wanted = heap.maximum;
    return wanted;
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

template <class F>
void forEachThread(F&& f) {
    if (!vmInstance) return;
    vmInstance->threads.forEach<VMThread*>(f);
}

void eraseOne(std::vector<Object*>& list, Object* o) {
    for (size_t i = list.size(); i-- > 0;) {
        if (list[i] == o) {
            list.erase(list.begin() + ptrdiff_t(i));
            return;
        }
    }
}

// --- chunks in and out ----------------------------------------------------------

void initChunk(Chunk* c, uint16_t sizeClass, bool objects, bool clean) {
    const uint32_t size = kClassSizes[sizeClass];
    const Layout l = layoutFor(size, objects);
    unpoison(c, l.header);
    c->cells = reinterpret_cast<char*>(c) + l.header;
    c->divisor = (uint64_t(1) << 40) / size + 1;
    c->cellSize = size;
    c->cellCount = l.count;
    c->words = l.words;
    c->freeCells = l.count;
    c->virgin = clean ? 0 : l.count;
    c->oldCells = 0;
    c->sizeClass = sizeClass;
    c->objects = objects;
    c->mapped = kChunk;
    c->prev = c->next = nullptr;
    c->offsets = objects ? reinterpret_cast<uint16_t*>(c->bits() + size_t(kBitmaps) * l.words) : nullptr;
    if (!clean) std::memset(c->bits(), 0, size_t(kBitmaps) * l.words * 8);
    poison(c->cells, size_t(l.count) * size);
}

bool reserveRegion() {
    for (size_t chunks = kRegionChunks; !region && chunks >= kSmallestRegionChunks; chunks /= 4) {
        region = static_cast<char*>(HAL_reserveAddressSpace(chunks * kChunk));
        regionChunks = chunks;
    }
    if (!region) return false;
    watchForPointers(region, regionChunks * kChunk);
    const size_t cards = regionChunks * kCardsPerChunk;
    auto* table = static_cast<uint8_t*>(HAL_allocateMemory(cards, 0));
    if (!table) vmFatalError("No memory for the heap's card table!");
    vmCardTable.cards = table;
    vmCardTable.base = reinterpret_cast<uintptr_t>(region);
    vmCardTable.count = cards;
    return true;
}

Chunk* newChunk(uint16_t sizeClass, bool objects, bool emergency) {
    Chunk* c = nullptr;
    bool clean = true;
    if (!pool.empty()) {
        c = pool.back().chunk;
        clean = pool.back().clean;
        pool.pop_back();
    } else {
        (void)emergency;  // the region is reserved already: the system's reserve can't help it
        if (!region && !reserveRegion()) return nullptr;
        if (regionUsed == regionChunks) return nullptr;
        c = reinterpret_cast<Chunk*>(region + regionUsed * kChunk);
        if (HAL_commitMemory(c, kChunk) != 0) return nullptr;
        ++regionUsed;
    }
    initChunk(c, sizeClass, objects, clean);
    return c;
}

void releaseMapping(void* start, size_t size) {
    unpoison(start, size);
    stopWatching(start, size);
    HAL_freeMemory(start, size);
}

// An empty chunk goes back to the pool, for the next class that needs one.
void poolChunk(Chunk* c) {
    poison(c, kChunk);
    pool.push_back({c, false});
}

// Dirty chunks are kept for what the heap may take before it next collects;
// beyond that their pages go back to the system.
void trimPool() {
    const uint64_t room = heap.limit > heap.used ? heap.limit - heap.used : 0;
    const size_t keepDirty = size_t(room / kChunk) + 4;
    size_t dirty = 0;
    for (size_t i = pool.size(); i-- > 0;) {
        Pooled& p = pool[i];
        if (!p.clean && ++dirty > keepDirty) {
            unpoison(p.chunk, kChunk);
            HAL_discardMemory(p.chunk, kChunk);
            poison(p.chunk, kChunk);
            p.clean = true;
        }
    }
}

void linkLarge(Chunk*& list, Chunk* c) {
    c->prev = nullptr;
    c->next = list;
    if (list) list->prev = c;
    list = c;
}

void unlinkLarge(Chunk*& list, Chunk* c) {
    if (c->prev) c->prev->next = c->next;
    else list = c->next;
    if (c->next) c->next->prev = c->prev;
    c->prev = c->next = nullptr;
}

// --- quarantine ---------------------------------------------------------------

void releaseHeld() {
    Held h = quarantine[quarantineHead++];
    Chunk* c = h.chunk;
    if (c->large()) {
        quarantineBytes -= c->mapped;
        releaseMapping(c, c->mapped);
    } else {
        quarantineBytes -= c->cellSize;
        clearBit(c->map(kHeld), h.index);
        ++c->freeCells;
        ++allocators[c->objects][c->sizeClass].freedBehind;
    }
    if (quarantineHead > 4096 && quarantineHead * 2 > quarantine.size()) {
        quarantine.erase(quarantine.begin(), quarantine.begin() + ptrdiff_t(quarantineHead));
        quarantineHead = 0;
    }
}

void hold(Chunk* c, uint32_t i) {
    if (c->large()) {
        quarantineBytes += c->mapped;
    } else {
        setBit(c->map(kHeld), i);
        quarantineBytes += c->cellSize;
    }
    quarantine.push_back({c, i});
    while (quarantineBytes > quarantineLimit) releaseHeld();
}

// A freed cell or block, already out of the bitmaps it was in.
void retireSmall(Chunk* c, uint32_t i) {
    poison(cellAt(c, i), c->cellSize);
    if constexpr (kQuarantine) {
        hold(c, i);
    } else {
        ++c->freeCells;
        ++allocators[c->objects][c->sizeClass].freedBehind;
    }
}

void retireLarge(Chunk* c) {
    if constexpr (kQuarantine) {
        poison(c->cells, c->mapped - kLargeHeader);
        hold(c, 0);
    } else {
        releaseMapping(c, c->mapped);
    }
}

// --- handing out cells ------------------------------------------------------

// Makes word `w` of `c` the allocator's current word if it has free cells.
bool loadWord(Allocator& a, Chunk* c, uint32_t w) {
    uint64_t taken = c->map(kLive)[w];
    if (kQuarantine) taken |= c->map(kHeld)[w];
    const uint32_t base = w * 64;
    if (c->cellCount - base < 64) taken |= ~uint64_t(0) << (c->cellCount - base);
    const uint64_t free = ~taken;
    if (!free) return false;
    uint64_t zero = 0;
    if (c->virgin <= base) zero = ~uint64_t(0);
    else if (c->virgin < base + 64) zero = ~uint64_t(0) << (c->virgin - base);
    c->virgin = std::max(c->virgin, std::min(base + 64, c->cellCount));
    a.freeBits = free;
    a.zeroBits = free & zero;
    a.wordCells = cellAt(c, base);
    a.liveWord = c->map(kLive) + w;
    a.chunk = c;
    a.word = w;
    c->freeCells -= uint32_t(std::popcount(free));
    return true;
}

bool nextWord(Allocator& a, uint16_t sizeClass, bool objects, bool emergency) {
    for (bool startedOver = false;;) {
        while (a.scanChunk < a.chunks.size()) {
            Chunk* c = a.chunks[a.scanChunk];
            while (c->freeCells && a.scanWord < c->words)
                if (loadWord(a, c, a.scanWord++)) return true;
            ++a.scanChunk;
            a.scanWord = 0;
        }
        if (a.freedBehind && !startedOver) {
            a.freedBehind = 0;
            a.scanChunk = 0;
            a.scanWord = 0;
            startedOver = true;
            continue;
        }
        Chunk* c = newChunk(sizeClass, objects, emergency);
        if (!c) return false;
        a.chunks.push_back(c);
    }
}

// Drops every allocator's current word: a collection recounts the chunks,
// and the next allocation of each class searches from its first chunk again.
void abandonWords() {
    for (auto& kind : allocators) {
        for (Allocator& a : kind) {
            // The word's untouched cells are the top ones: they stay zero.
            if (uint64_t zero = a.freeBits & a.zeroBits)
                a.chunk->virgin = a.word * 64 + uint32_t(std::countr_zero(zero));
            a.freeBits = a.zeroBits = 0;
            a.wordCells = nullptr;
            a.liveWord = nullptr;
            a.chunk = nullptr;
            a.scanChunk = 0;
            a.scanWord = 0;
            a.freedBehind = 0;
        }
    }
}

// Cells are whole words, so a small block is cleared a word at a time
// without a call; under the sanitizer only the block's own bytes may be
// written, the rest of its cell being poison.
inline void zeroBlock(char* p, size_t size) {
    auto* w = reinterpret_cast<uint64_t*>(p);
    // Spelt out: a loop would become a string instruction, slow to start.
    switch (kQuarantine ? 0 : (size + 7) / 8) {
        case 16: w[15] = 0; [[fallthrough]];
        case 15: w[14] = 0; [[fallthrough]];
        case 14: w[13] = 0; [[fallthrough]];
        case 13: w[12] = 0; [[fallthrough]];
        case 12: w[11] = 0; [[fallthrough]];
        case 11: w[10] = 0; [[fallthrough]];
        case 10: w[9] = 0; [[fallthrough]];
        case 9: w[8] = 0; [[fallthrough]];
        case 8: w[7] = 0; [[fallthrough]];
        case 7: w[6] = 0; [[fallthrough]];
        case 6: w[5] = 0; [[fallthrough]];
        case 5: w[4] = 0; [[fallthrough]];
        case 4: w[3] = 0; [[fallthrough]];
        case 3: w[2] = 0; [[fallthrough]];
        case 2: w[1] = 0; [[fallthrough]];
        case 1: w[0] = 0; break;
        default: std::memset(p, 0, size);
    }
}

void markKind(Chunk* c, uint32_t i, VMBlockKind kind) {
    if (kind == VM_BLOCK_STARTUP) setBit(c->map(kUncounted), i);
    else if (kind == VM_BLOCK_EMERGENCY) setBit(c->map(kEmergency), i);
}

void* takeLarge(size_t want, size_t size, bool objects, VMBlockKind kind, bool emergency) {
    const size_t mapped = largeMapping(want);
    auto* c = static_cast<Chunk*>(HAL_allocateMemory(mapped, emergency));
    if (!c) return nullptr;
    watchForPointers(c, mapped);
    c->cells = reinterpret_cast<char*>(c) + kLargeHeader;
    c->divisor = 0;
    c->cellSize = uint32_t(mapped);
    c->cellCount = 1;
    c->words = 1;
    c->freeCells = 0;
    c->virgin = 1;
    c->sizeClass = kLargeClass;
    c->objects = objects;
    c->mapped = mapped;
    c->offsets = reinterpret_cast<uint16_t*>(c->bits() + kBitmaps);
    setBit(c->map(kLive), 0);
    markKind(c, 0, kind);
    linkLarge(objects ? largeObjects : largeRaw, c);
    poison(c->cells + size, mapped - kLargeHeader - size);
    if (kind != VM_BLOCK_STARTUP) heap.used += mapped;
    return c->cells;
}

// Hands out the allocator's lowest free cell; there is one.
inline void* takeCell(Allocator& a, uint32_t cellSize, size_t size) {
    const uint64_t bit = a.freeBits & (0 - a.freeBits);
    a.freeBits ^= bit;
    *a.liveWord |= bit;
    char* p = a.wordCells + size_t(std::countr_zero(bit)) * cellSize;
    unpoison(p, size);
    if (!(a.zeroBits & bit)) zeroBlock(p, size);
    return p;
}

// One block for `size` bytes (`want` with the red zone), or null when the
// system has no memory left.
void* take(size_t want, size_t size, bool objects, VMBlockKind kind, bool emergency) {
    if (want > kMaxCell) return takeLarge(want, size, objects, kind, emergency);
    const uint32_t sizeClass = classFor(want);
    Allocator& a = allocators[objects][sizeClass];
    if (!a.freeBits && !nextWord(a, uint16_t(sizeClass), objects, emergency)) return nullptr;
    void* p = takeCell(a, kClassSizes[sizeClass], size);
    markKind(a.chunk, cellIndex(a.chunk, p), kind);
    if (kind != VM_BLOCK_STARTUP) heap.used += kClassSizes[sizeClass];
    return p;
}

void collectHeap(bool full);

uint64_t countedSize(size_t want) {
    return want > kMaxCell ? largeMapping(want) : kClassSizes[classFor(want)];
}

[[gnu::noinline]] void* allocateSlow(size_t size, bool objects, bool mayThrow) {
    if (size > kMaxPayload) outOfMemory(mayThrow);
    const size_t want = (size ? size : 1) + kRedzone;
    if (!heap.enabled) {
        void* p = take(want, size, objects, VM_BLOCK_STARTUP, false);
        if (!p) vmFatalError("Ran out of memory during VM initialization!");
        return p;
    }
    VMThread* t = VMThread::current();
    // No stress collection while an OutOfMemoryError is being built: the
    // collection clears the report state, and the error's own allocation
    // would then run the collection rounds and fail again, without end.
    if (gcStress && !(t && t->oomReport) && ++allocationsSinceStress >= gcStress) {
        allocationsSinceStress = 0;
        // Young and full in turn: each finds missing roots, and the young
        // ones also find stores the collector was not told of.
        collectHeap((++stressCollections & 1) == 0);
    }
    const uint64_t n = countedSize(want);
    for (int rounds = 0;;) {
        if (HAL_getNativeMemoryUsed() + heap.used + n <= heap.limit) {
            if (void* p = take(want, size, objects, VM_BLOCK_NORMAL, false)) return p;
        }
        if (t && t->oomReport) {
            void* p = take(want, size, objects, VM_BLOCK_EMERGENCY, true);
            if (!p) vmFatalError("Ran out of memory while trying to report an out of memory condition!");
            return p;
        }
        if (rounds >= 3) outOfMemory(mayThrow);
        // The first round looks at the young objects only, unless the old
        // ones have grown by a quarter since the last full collection.
        collectHeap(rounds > 0 || usedAfterLast > usedAfterFull + std::max<uint64_t>(usedAfterFull / 4, 4 * kChunk));
        ++rounds;
        heap.limit = clampLimit(2 * (HAL_getNativeMemoryUsed() + heap.used + n));
        if (t && rounds == 2) VMThread::yield();
        // Not Thread.sleep: an interrupt is the caller's to see, not a
        // reason for an allocation to fail.
        if (t && rounds == 3) VMThread::pause(10);
    }
}

inline void* allocateBlock(size_t size, bool objects, bool mayThrow) {
    if (WREN_LIKELY(size <= kMaxCell - kRedzone && heap.enabled && !gcStress)) {
        const uint32_t sizeClass = classFor((size ? size : 1) + kRedzone);
        Allocator& a = allocators[objects][sizeClass];
        const uint32_t n = kClassSizes[sizeClass];
        if (WREN_LIKELY(a.freeBits && HAL_getNativeMemoryUsed() + heap.used + n <= heap.limit)) {
            heap.used += n;
            return takeCell(a, n, size);
        }
    }
    return allocateSlow(size, objects, mayThrow);
}

// --- collection ---------------------------------------------------------------

inline bool isMarked(Object* o) {
    Chunk* c = chunkOf(o);
    return testBit(c->map(kMark), cellIndex(c, o));
}

void drainMarkStack() {
    while (!markStack.empty()) {
        Object* o = markStack.back();
        markStack.pop_back();
        o->markReferences(0);
    }
}

void markList(const VMRefList& list) {
    list.forEach([](VMRef* r) {
        if (Object* o = r->getObject()) vmMarkObject(o, 0);
    });
}

void markRoots() {
    markList(vmNativeScope());
    markList(vmStaticScope());
    forEachThread([](VMThread* t) {
        markList(t->references);
        t->tempRoots.forEach([](Object* o) { vmMarkObject(o, 0); });
        if (t->inFlight) vmMarkObject(t->inFlight, 0);
    });
}

// A full collection starts with no object old.
void clearMarks() {
    for (Allocator& a : allocators[1])
        for (Chunk* c : a.chunks) std::memset(c->map(kMark), 0, size_t(c->words) * 8);
    for (Chunk* c = largeObjects; c; c = c->next) c->map(kMark)[0] = 0;
}

bool mayHoldReferences(Object* o) {
    VMArray_Base* a = o->vmAsArray();
    return !a || a->isReferenceArray();
}

// The old objects in card `k` of chunk `c`, whose fields were written.
void traceCard(Chunk* c, size_t k) {
    const char* start = reinterpret_cast<const char*>(c) + (k << kCardShift);
    const char* end = start + (size_t(1) << kCardShift);
    if (end <= c->cells) return;
    if (start < c->cells) start = c->cells;
    const uint32_t first = cellIndex(c, start);
    if (first >= c->cellCount) return;
    const uint32_t last = std::min(cellIndex(c, end - 1), c->cellCount - 1);
    const uint64_t* live = c->map(kLive);
    const uint64_t* mark = c->map(kMark);
    for (uint32_t i = first; i <= last; ++i)
        if (testBit(live, i) && testBit(mark, i)) objectAt(c, i)->markReferences(0);
}

// Marks the young objects that old ones refer to: those in written cards of
// chunks that hold old objects (a chunk filled since the last collection has
// none, however many of its cards were written), and every old block of its
// own that may hold references, which no card covers. Runs before anything
// young is marked, so that a mark here still means old.
void traceRemembered() {
    for (Allocator& a : allocators[1]) {
        for (Chunk* c : a.chunks) {
            if (!c->oldCells) continue;
            const uint8_t* cards = vmCardTable.cards + (size_t(reinterpret_cast<char*>(c) - region) >> kCardShift);
            const auto* words = reinterpret_cast<const uint64_t*>(cards);
            for (size_t w = 0; w < kCardsPerChunk / 8; ++w) {
                if (!words[w]) continue;
                for (size_t k = w * 8; k < w * 8 + 8; ++k)
                    if (cards[k]) traceCard(c, k);
            }
        }
    }
    for (Chunk* c = largeObjects; c; c = c->next) {
        if (!c->map(kMark)[0]) continue;
        Object* o = objectAt(c, 0);
        if (mayHoldReferences(o)) o->markReferences(0);
    }
}

void clearCards() {
    if (regionUsed) std::memset(vmCardTable.cards, 0, regionUsed * kCardsPerChunk);
}

// Frees the chunk's dead objects, running the destructors that must run.
// The survivors keep their marks: they are old from now on. Returns how
// many died.
uint64_t sweepChunk(Chunk* c) {
    uint64_t* live = c->map(kLive);
    uint64_t* mark = c->map(kMark);
    uint64_t* destroy = c->map(kDestroy);
    uint64_t* uncounted = c->map(kUncounted);
    uint64_t* emergency = c->map(kEmergency);
    const uint64_t* held = c->map(kHeld);
    uint64_t freed = 0, counted = 0, occupied = 0;
    for (uint32_t w = 0; w < c->words; ++w) {
        const uint64_t dead = live[w] & ~mark[w];
        if (dead) {
            for (uint64_t d = dead & destroy[w]; d; d &= d - 1)
                objectAt(c, w * 64 + uint32_t(std::countr_zero(d)))->~Object();
            freed += uint64_t(std::popcount(dead));
            counted += uint64_t(std::popcount(dead & ~uncounted[w]));
            live[w] &= ~dead;
            destroy[w] &= ~dead;
            uncounted[w] &= ~dead;
            emergency[w] &= ~dead;
            if (kQuarantine || kRedzone) {
                for (uint64_t d = dead; d; d &= d - 1) {
                    uint32_t i = w * 64 + uint32_t(std::countr_zero(d));
                    poison(cellAt(c, i), c->cellSize);
                    if constexpr (kQuarantine) hold(c, i);
                }
            }
        }
        occupied += uint64_t(std::popcount(kQuarantine ? live[w] | held[w] : live[w]));
    }
    c->freeCells = c->cellCount - uint32_t(occupied);
    c->oldCells = uint32_t(occupied);
    heap.used -= counted * c->cellSize;
    return freed;
}

void recountChunk(Chunk* c) {
    const uint64_t* live = c->map(kLive);
    const uint64_t* held = c->map(kHeld);
    uint32_t occupied = 0;
    for (uint32_t w = 0; w < c->words; ++w)
        occupied += uint32_t(std::popcount(kQuarantine ? live[w] | held[w] : live[w]));
    c->freeCells = c->cellCount - occupied;
}

uint64_t sweep() {
    uint64_t freed = 0;
    for (Allocator& a : allocators[1])
        for (Chunk* c : a.chunks) freed += sweepChunk(c);
    // Destructors have run: only now is every raw block they freed known.
    std::vector<Chunk*> dead;
    for (Chunk* c = largeObjects; c; c = c->next) {
        uint64_t* mark = c->map(kMark);
        if (!mark[0]) dead.push_back(c);
    }
    for (Chunk* c : dead) {
        if (testBit(c->map(kDestroy), 0)) objectAt(c, 0)->~Object();
        if (!testBit(c->map(kUncounted), 0)) heap.used -= c->mapped;
        unlinkLarge(largeObjects, c);
        retireLarge(c);
    }
    freed += dead.size();
    for (Allocator& a : allocators[0])
        for (Chunk* c : a.chunks) recountChunk(c);
    abandonWords();
    for (auto& kind : allocators) {
        for (Allocator& a : kind) {
            size_t kept = 0;
            for (Chunk* c : a.chunks) {
                if (c->freeCells == c->cellCount) poolChunk(c);
                else a.chunks[kept++] = c;
            }
            a.chunks.resize(kept);
        }
    }
    trimPool();
    return freed;
}

// --- the heap check -------------------------------------------------------------

// Set while the heap check reads an old object that no written card covers:
// everything it refers to must be old too, or a store went untold.
bool verifyOldHolder = false;

// A reference the heap check meets: `target` must lie in a live object's
// block, and be that object's header when `exact`.
void verifyEdge(const void* target, bool exact) {
    Chunk* c = chunkOf(target);
    bool ok = verifyChunks->count(c) && c->objects;
    uint32_t i = 0;
    if (ok) {
        i = cellIndex(c, target);
        ok = i < c->cellCount && testBit(c->map(kLive), i) &&
             (!exact || objectAt(c, i) == static_cast<const Object*>(target));
    }
    if (!ok) {
        ++verifyBroken;
        std::fprintf(stderr, "heap check: reference to a dead object %p\n", target);
    } else if (verifyOldHolder && !testBit(c->map(kMark), i)) {
        ++verifyBroken;
        std::fprintf(stderr, "heap check: an old object refers to the young %p, unremembered\n", target);
    }
}

// Whether the object in cell `i` of `c` is old and none of its cards was
// written since the last collection.
bool oldAndUnwritten(Chunk* c, uint32_t i) {
    if (c->large() || !testBit(c->map(kMark), i)) return false;
    const size_t from = size_t(cellAt(c, i) - region) >> kCardShift;
    const size_t to = size_t(cellAt(c, i) + c->cellSize - 1 - region) >> kCardShift;
    for (size_t k = from; k <= to; ++k)
        if (vmCardTable.cards[k]) return false;
    return true;
}

template <class F>
void forEachObjectIn(F&& f) {
    for (Allocator& a : allocators[1]) {
        for (Chunk* c : a.chunks) {
            const uint64_t* live = c->map(kLive);
            for (uint32_t w = 0; w < c->words; ++w)
                for (uint64_t b = live[w]; b; b &= b - 1) f(c, objectAt(c, w * 64 + uint32_t(std::countr_zero(b))));
        }
    }
    for (Chunk* c = largeObjects; c; c = c->next) f(c, objectAt(c, 0));
}

}  // namespace

VMCardTable vmCardTable;
Object* vmNewestConstructing = nullptr;

void vmRememberStores(const void* start, size_t bytes) {
    if (!bytes) return;
    const auto* p = static_cast<const char*>(start);
    for (const char* card = p; card < p + bytes; card += size_t(1) << kCardShift) vmRememberStore(card);
    vmRememberStore(p + bytes - 1);
}

namespace {

// Held from the check to the mark with the line written in between, so that
// a thread that finds the report made knows its line is out: a fatal error
// on another thread never ends the process between the two. Nothing under
// it takes another lock or reports again.
std::mutex reportMutex;
bool failureReported = false;  // under reportMutex

// "wren: ", `what` and the first `length` bytes of `text` as one line on
// standard error, unless a report was made already.
bool reportOnce(const char* what, const char* text, size_t length) {
    std::lock_guard<std::mutex> g(reportMutex);
    if (failureReported) return false;
    std::fprintf(stderr, "wren: %s%.*s\n", what, int(length), text);
    std::fflush(stderr);
    failureReported = true;
    return true;
}

}  // namespace

bool vmReportFailure(const char* text) {
    if (!text) text = "";
    return reportOnce("", text, std::strlen(text));
}

void vmFatalError(const char* text) {
    std::fflush(stdout);
    if (!text) text = "";
    // The fatal texts of the runtime's own checks end in a line break or
    // not; the line gets one of its own.
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == '\n') --length;
    reportOnce("the program stopped: ", text, length);
    _exit(1);
}

void vmHeapInit(uint64_t minimum, uint64_t maximum) {
    heap.used = 0;
    heap.minimum = minimum;
    heap.limit = minimum;
    heap.maximum = maximum < minimum ? minimum : maximum;
    heap.enabled = true;
    HAL_reserveMemory();
}

void vmHeapSetLimits(uint64_t minimum, uint64_t maximum) {
    heap.minimum = minimum;
    heap.maximum = maximum < minimum ? minimum : maximum;
    heap.limit = minimum;
}

void vmHeapDisable() { heap.enabled = false; }
const VMHeapState& vmHeapState() { return heap; }

void* vmAllocate(size_t size, bool mayThrow) { return allocateBlock(size, false, mayThrow); }

void* vmAllocateObject(size_t size) { return allocateBlock(size, true, true); }

void vmFree(void* payload) {
    if (!payload) return;
    Chunk* c = chunkOf(payload);
    const uint32_t i = cellIndex(c, payload);
    uint64_t* live = c->map(kLive);
    if (i >= c->cellCount || !testBit(live, i) || cellAt(c, i) != payload)
        vmFatalError("A block was freed that the heap does not hold!");
    if (!testBit(c->map(kUncounted), i)) heap.used -= c->cellSize;
    clearBit(live, i);
    // An object kept while under construction is marked: its cell must not
    // pass the mark on to the next object made in it.
    clearBit(c->map(kMark), i);
    clearBit(c->map(kDestroy), i);
    clearBit(c->map(kUncounted), i);
    clearBit(c->map(kEmergency), i);
    if (c->large()) {
        unlinkLarge(c->objects ? largeObjects : largeRaw, c);
        retireLarge(c);
    } else {
        retireSmall(c, i);
    }
}

namespace {
[[gnu::noinline]] void keepConstructing(Object* o) { constructing.push_back(o); }
}  // namespace

void vmObjectBorn(Object* o) {
    Chunk* c = chunkOf(o);
    const uint32_t i = cellIndex(c, o);
    const size_t offset = size_t(reinterpret_cast<char*>(o) - cellAt(c, i));
    if (WREN_UNLIKELY(offset > UINT16_MAX)) vmFatalError("An object's header lies too far into its block!");
    c->offsets[i] = uint16_t(offset);
    if (WREN_UNLIKELY(vmNewestConstructing != nullptr)) keepConstructing(vmNewestConstructing);
    vmNewestConstructing = o;
}

void vmConstructionEnded(Object* o, bool destructor) {
    o->vmFlags_ &= ~VM_FLAG_UNDER_CONSTRUCTION;
    if (o == vmNewestConstructing) vmNewestConstructing = nullptr;
    else eraseOne(constructing, o);
    if (destructor) vmKeepDestructor(o);
}

void vmObjectLeavesKeepers(Object* o) {
    if (o->vmFlags_ & VM_FLAG_UNDER_CONSTRUCTION) {
        if (o == vmNewestConstructing) vmNewestConstructing = nullptr;
        else eraseOne(constructing, o);
    }
    if (o->vmFlags_ & VM_FLAG_FINALIZABLE) eraseOne(finalizable, o);
}

void vmKeepDestructor(Object* o) {
    Chunk* c = chunkOf(o);
    setBit(c->map(kDestroy), cellIndex(c, o));
}

void vmSetFinalizable(Object* o, bool on) {
    bool was = (o->vmFlags_ & VM_FLAG_FINALIZABLE) != 0;
    if (was == on) return;
    if (on) {
        o->vmFlags_ |= VM_FLAG_FINALIZABLE;
        finalizable.push_back(o);
    } else {
        o->vmFlags_ &= ~VM_FLAG_FINALIZABLE;
        eraseOne(finalizable, o);
    }
}

Object* vmNextFinalizeDue() {
    for (size_t i = finalizable.size(); i-- > 0;)
        if (finalizable[i]->vmFlags_ & VM_FLAG_FINALIZE_DUE) return finalizable[i];
    return nullptr;
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

void vmSetHeapQuarantine(uint64_t bytes) {
    if constexpr (kQuarantine) {
        quarantineLimit = bytes;
        while (quarantineBytes > quarantineLimit) releaseHeld();
    }
}

uint64_t vmHeapQuarantine() { return quarantineLimit; }

bool vmGcStressFromEnvironment(uint32_t* every, const char** error) {
    *every = 0;
    const char* value = std::getenv("WREN_GC_STRESS");
    if (!value || !*value) return true;
    // Digits only: strtoul would take a sign, spaces or a tail of letters
    // and wrap what does not fit, and a run would then stress at a rate
    // nobody asked for, or not at all.
    uint32_t n = 0;
    for (const char* c = value; *c; ++c) {
        const uint32_t digit = uint32_t(*c - '0');
        if (*c < '0' || *c > '9' || n > (UINT32_MAX - digit) / 10) {
            if (error) *error = "WREN_GC_STRESS must be a whole number from 0 to 4294967295";
            return false;
        }
        n = n * 10 + digit;
    }
    *every = n;
    return true;
}

size_t vmBlockSize(const void* payload) { return chunkOf(payload)->cellSize; }

VMBlockKind vmBlockKind(const void* payload) {
    Chunk* c = chunkOf(payload);
    const uint32_t i = cellIndex(c, payload);
    if (testBit(c->map(kEmergency), i)) return VM_BLOCK_EMERGENCY;
    if (testBit(c->map(kUncounted), i)) return VM_BLOCK_STARTUP;
    return VM_BLOCK_NORMAL;
}

void vmForEachObject(void (*visit)(Object* o, void* context), void* context) {
    forEachObjectIn([&](Chunk*, Object* o) { visit(o, context); });
}

void vmMarkReference(const void* target) {
    if (WREN_UNLIKELY(verifying)) {
        verifyEdge(target, false);
        return;
    }
    Chunk* c = chunkOf(target);
    const uint32_t i = cellIndex(c, target);
    uint64_t* word = c->bits() + c->words + (i >> 6);
    const uint64_t bit = uint64_t(1) << (i & 63);
    if (*word & bit) return;
    *word |= bit;
    markStack.push_back(objectAt(c, i));
}

void vmMarkObject(Object* obj, uint32_t) {
    if (WREN_UNLIKELY(verifying)) {
        verifyEdge(obj, true);
        return;
    }
    vmMarkReference(obj);
}

size_t vmVerifyHeap() {
    std::unordered_set<const Chunk*> chunks;
    for (Allocator& a : allocators[1]) chunks.insert(a.chunks.begin(), a.chunks.end());
    for (Chunk* c = largeObjects; c; c = c->next) chunks.insert(c);
    verifyChunks = &chunks;
    verifyBroken = 0;
    verifying = true;
    forEachObjectIn([](Chunk* c, Object* o) {
        verifyOldHolder = oldAndUnwritten(c, cellIndex(c, o));
        o->markReferences(0);
    });
    verifyOldHolder = false;
    markRoots();
    markList(vmWeakScope());
    for (Object* o : constructing) vmMarkObject(o, 0);
    if (vmNewestConstructing) vmMarkObject(vmNewestConstructing, 0);
    for (Object* o : finalizable) vmMarkObject(o, 0);
    // Marks are a collection's own, and it leaves them only on what it kept.
    for (const Chunk* cc : chunks) {
        auto* c = const_cast<Chunk*>(cc);
        const uint64_t* mark = c->map(kMark);
        const uint64_t* live = c->map(kLive);
        for (uint32_t w = 0; w < c->words; ++w) {
            if (mark[w] & ~live[w]) {
                ++verifyBroken;
                std::fprintf(stderr, "heap check: chunk %p has marks on free cells\n", static_cast<void*>(c));
                break;
            }
        }
    }
    verifying = false;
    verifyChunks = nullptr;
    return verifyBroken;
}

void VM::collect() { collectHeap(true); }

void vmCollectYoung() { collectHeap(false); }

namespace {

void collectHeap(bool full) {
    VM* vm = vmInstance;
    if (!vm || vm->stage < 12 || collecting) return;
    collecting = true;
    auto started = std::chrono::steady_clock::now();
    VMThread::disableYield();
    vm->finalizationWork = 0;
    abandonWords();

    if (full) clearMarks();
    else traceRemembered();
    markRoots();
    drainMarkStack();

    // What is marked now is what the program can reach (or, in a young
    // collection, old). A finalizable object outside it is due for
    // finalize(); a weak reference to anything outside it is cleared, even
    // when a keeper below keeps the target.
    for (Object* o : finalizable) {
        if (!isMarked(o)) {
            o->vmFlags_ |= VM_FLAG_FINALIZE_DUE;
            vm->finalizationWork = 1;
        }
    }
    vmWeakScope().forEach([](VMRef* r) {
        Object* o = r->getObject();
        if (o && !isMarked(o)) r->clear();
    });

    // Objects waiting for finalization or still being constructed are kept,
    // with what they reach.
    for (Object* o : finalizable) vmMarkObject(o, 0);
    for (Object* o : constructing) vmMarkObject(o, 0);
    if (vmNewestConstructing) vmMarkObject(vmNewestConstructing, 0);
    drainMarkStack();

    uint64_t freed = sweep();
    clearCards();

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
    usedAfterLast = heap.used;
    if (full) usedAfterFull = heap.used;
    VMThread::enableYield();
    collecting = false;

    uint64_t pause = uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now() - started)
                                  .count());
    ++stats.collections;
    if (full) ++stats.fullCollections;
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

}  // namespace
