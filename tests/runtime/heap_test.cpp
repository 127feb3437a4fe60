// The heap and the collector: what a collection keeps and frees, what the
// limit becomes after one, and how running out of memory is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "HAL_memory.h"
#include "VM.h"
#include "VMArray.h"
#include "VMHeap.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"
#include "runtime/vm_test_support.h"
#include "runtime/wren_test_Node.h"

using java::lang::OutOfMemoryError;
using wren::test::collectionCount;
using wren::test::Node;
using wren::test::ScopedGcStress;
using wren::test::ScopedHeapLimits;

namespace heaptest {

jint plainDestroyed = 0;

// A plain class owns nothing but its fields, so it has no destructor; this
// one counts its destructor's runs, so that a test sees whether the sweep
// ran it.
class PlainProbe : public virtual java::lang::Object {
    WREN_CLASS(PlainProbe, java::lang::Object, (next, PlainProbe))
    WREN_PLAIN_OBJECT()
public:
    ~PlainProbe() override { ++plainDestroyed; }
};

// Not plain: the promise is its superclass's alone.
class PlainProbeChild : public PlainProbe {
    WREN_CLASS(PlainProbeChild, PlainProbe)
};

}  // namespace heaptest

WREN_DEFINE_CLASS(heaptest::PlainProbe, "heaptest.PlainProbe")
WREN_DEFINE_CLASS(heaptest::PlainProbeChild, "heaptest.PlainProbeChild")

namespace {

constexpr uint64_t KB = 1024;
constexpr uint64_t MB = 1024 * KB;

// Live bytes once everything collectable is gone.
uint64_t liveBytesAfterCollection() {
    VM::collect();
    return vmHeapState().used;
}

size_t countArraysInHeap() {
    size_t n = 0;
    vmForEachObject([&n](java::lang::Object* o) { n += o->vmAsArray() != nullptr; });
    return n;
}

}  // namespace

// --- what a collection keeps ---------------------------------------------

TEST(Collector, ReachableObjectsSurviveAndGarbageIsFreed) {
    const jint root = Node::newId(), child = Node::newId(), grandchild = Node::newId();
    const jint cycleA = Node::newId(), cycleB = Node::newId(), loose = Node::newId();

    VMPtr<Node> kept = Node::make(root);
    kept->next = Node::make(child);
    kept->next->next = Node::make(grandchild);
    kept->payload = java::lang::String::make("carried along");
    {
        VMPtr<Node> a = Node::make(cycleA);
        a->next = Node::make(cycleB);
        a->next->next = a;  // a cycle with no root is still garbage
        Node::make(loose);
    }
    VM::collect();

    for (jint id : {root, child, grandchild}) EXPECT_FALSE(Node::wasFreed(id)) << "id " << id;
    for (jint id : {cycleA, cycleB, loose}) EXPECT_TRUE(Node::wasFreed(id)) << "id " << id;
    EXPECT_EQ(kept->next->next->id, grandchild);
    EXPECT_TRUE(vmCast<java::lang::String>(kept->payload)->equals("carried along"));
}

TEST(Collector, WeakReferenceIsClearedOnlyWhenItsTargetDies) {
    VMPtr<Node> live = Node::make(Node::newId());
    live->next = Node::make(Node::newId());
    const jint garbageId = Node::newId();

    VMWeakPtr<Node> toLive = live;
    VMWeakPtr<Node> toReachableThroughField = live->next;
    VMWeakPtr<Node> toGarbage = Node::make(garbageId);
    VMWeakPtr<java::lang::Object> toGarbageAgain = toGarbage;
    VMWeakPtr<Node> neverSet;
    VM::collect();

    EXPECT_TRUE(toLive == live);
    EXPECT_TRUE(toReachableThroughField == live->next);
    EXPECT_TRUE(toGarbage == nullptr);
    EXPECT_TRUE(toGarbageAgain == nullptr);
    EXPECT_TRUE(neverSet == nullptr);
    EXPECT_TRUE(Node::wasFreed(garbageId));
}

// An object whose new-expression has not finished (still flagged under
// construction) must not be swept, nor anything it refers to; weak references
// see it as unreachable all the same.
TEST(Collector, ObjectUnderConstructionIsKeptWithWhatItReferences) {
    const jint holderId = Node::newId(), childId = Node::newId(), grandchildId = Node::newId();
    Node::clinit();
    Node* unfinished = new Node();
    unfinished->id = holderId;
    ASSERT_TRUE(unfinished->vmFlags_ & VM_FLAG_UNDER_CONSTRUCTION);
    {
        VMPtr<Node> child = Node::make(childId);
        child->next = Node::make(grandchildId);
        unfinished->next = child;
    }
    VMWeakPtr<Node> weakHolder = unfinished;
    VMWeakPtr<Node> weakChild = unfinished->next;

    VM::collect();
    VM::collect();

    for (jint id : {holderId, childId, grandchildId}) EXPECT_FALSE(Node::wasFreed(id)) << "id " << id;
    EXPECT_EQ(unfinished->next->next->id, grandchildId);
    EXPECT_TRUE(weakHolder == nullptr);
    EXPECT_TRUE(weakChild == nullptr);

    // Once construction ends without anything holding it, it is garbage.
    vmEndConstruction(unfinished);
    VM::collect();
    for (jint id : {holderId, childId, grandchildId}) EXPECT_TRUE(Node::wasFreed(id)) << "id " << id;
}

TEST(Collector, DoesNothingBeforeStartUpStageTwelve) {
    const jint garbageId = Node::newId();
    VMWeakPtr<Node> weak = Node::make(garbageId);
    const int32_t stage = vmInstance->stage;
    const uint32_t before = collectionCount();

    vmInstance->stage = 11;
    VM::collect();
    vmInstance->stage = stage;

    EXPECT_EQ(collectionCount(), before);
    EXPECT_FALSE(Node::wasFreed(garbageId));
    EXPECT_FALSE(weak == nullptr);

    VM::collect();
    EXPECT_EQ(collectionCount(), before + 1);
    EXPECT_TRUE(Node::wasFreed(garbageId));
    EXPECT_TRUE(weak == nullptr);
}

// Marking must not recurse once per link: a chain this long would overflow
// the native stack.
TEST(Collector, MillionLinkChainSurvivesCollection) {
    ScopedGcStress noStress(0);
    ScopedHeapLimits limits;
    vmHeapSetLimits(512 * MB, 512 * MB);  // build it without collecting on the way

    constexpr jint kLength = 1000000;
    const jint tailId = Node::newId();
    VMWeakPtr<Node> tail;
    {
        VMPtr<Node> head = Node::make(tailId);
        tail = head;
        for (jint i = 1; i < kLength; ++i) {
            VMPtr<Node> cell = Node::make();
            cell->next = head;
            head = cell;
        }
        const uint32_t before = collectionCount();
        VM::collect();
        EXPECT_EQ(collectionCount(), before + 1);

        jint length = 0;
        for (Node* n = head.get(); n; n = n->next.get()) ++length;
        EXPECT_EQ(length, kLength);
        EXPECT_FALSE(Node::wasFreed(tailId));
        EXPECT_FALSE(tail == nullptr);
    }
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(tailId));
    EXPECT_TRUE(tail == nullptr);
}

struct DestructorCase {
    const char* name;
    std::function<VMPtr<java::lang::Object>()> make;
    jint destructorRuns;
};

void PrintTo(const DestructorCase& c, std::ostream* os) { *os << c.name; }

class DestructorTest : public ::testing::TestWithParam<DestructorCase> {};

// A dead object of a plain class is freed without its destructor, unless its
// monitor got a platform lock, which the destructor must drop.
TEST_P(DestructorTest, SweepRunsTheDestructorOnlyWhereItMustRun) {
    const DestructorCase& c = GetParam();
    VMWeakPtr<java::lang::Object> weak;
    {
        VMPtr<java::lang::Object> o = c.make();
        weak = o;
    }
    const jint before = heaptest::plainDestroyed;
    VM::collect();
    EXPECT_TRUE(weak == nullptr);
    EXPECT_EQ(heaptest::plainDestroyed - before, c.destructorRuns);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, DestructorTest,
    ::testing::Values(
        DestructorCase{"PlainClass", [] { return VMPtr<java::lang::Object>(heaptest::PlainProbe::make()); }, 0},
        DestructorCase{"PlainClassWithAnInflatedMonitor",
                       [] {
                           VMPtr<heaptest::PlainProbe> p = heaptest::PlainProbe::make();
                           VMSynchronized guard(p);
                           vmInflateMonitor(p.get());
                           return VMPtr<java::lang::Object>(p);
                       },
                       1},
        DestructorCase{"SubclassOfAPlainClass",
                       [] { return VMPtr<java::lang::Object>(heaptest::PlainProbeChild::make()); }, 1}),
    [](const ::testing::TestParamInfo<DestructorCase>& info) { return std::string(info.param.name); });

// --- the limit -------------------------------------------------------------

// The tests below steer the heap's numbers, so a collection on every
// allocation would muddle them.
class HeapTest : public ::testing::Test {
protected:
    ScopedGcStress noStress_{0};
    ScopedHeapLimits limits_;
};

enum class LimitOutcome { Minimum, Doubled, Maximum };

struct LimitCase {
    const char* name;
    // Bounds and garbage as a multiple of the live heap plus some bytes, so
    // the case holds whatever the start-up heap weighs.
    uint64_t minimumTimesLive, minimumPlus;
    uint64_t maximumTimesLive, maximumPlus;
    uint64_t garbageTimesLive, garbagePlus;
    uint64_t request;
    uint32_t collections;
    LimitOutcome outcome;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class HeapLimitTest : public HeapTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(HeapLimitTest, LimitAfterCollectionIsTwiceDemandClamped) {
    const LimitCase& c = GetParam();
    VMArray<jbyte>::create(1);  // the array class record is permanent: make it first
    const uint64_t live = liveBytesAfterCollection();
    const uint64_t minimum = c.minimumTimesLive * live + c.minimumPlus;
    const uint64_t maximum = c.maximumTimesLive * live + c.maximumPlus;
    vmHeapSetLimits(minimum, maximum);
    ASSERT_EQ(vmHeapState().limit, minimum);

    if (c.garbageTimesLive || c.garbagePlus)
        VMArray<jbyte>::create(jint(c.garbageTimesLive * live + c.garbagePlus));
    const uint32_t before = collectionCount();
    void* block = vmAllocate(c.request, true);
    ASSERT_NE(block, nullptr);

    const VMHeapState& heap = vmHeapState();
    EXPECT_EQ(collectionCount() - before, c.collections);
    switch (c.outcome) {
        case LimitOutcome::Minimum: EXPECT_EQ(heap.limit, minimum); break;
        case LimitOutcome::Maximum: EXPECT_EQ(heap.limit, maximum); break;
        case LimitOutcome::Doubled:
            EXPECT_EQ(heap.limit, 2 * (HAL_getNativeMemoryUsed() + heap.used));
            EXPECT_GT(heap.limit, minimum);
            EXPECT_LT(heap.limit, maximum);
            break;
    }
    EXPECT_EQ(vmFreeMemory(), int64_t(heap.limit - HAL_getNativeMemoryUsed() - heap.used));
    EXPECT_EQ(vmTotalMemory(), int64_t(maximum));
    vmFree(block);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeapLimitTest,
    ::testing::Values(
        LimitCase{"FitsWithoutCollecting", 1, 1 * MB, 1, 64 * MB, 0, 0, 64 * KB, 0,
                  LimitOutcome::Minimum},
        LimitCase{"DoublesTheDemand", 1, 64 * KB, 1, 64 * MB, 0, 0, 128 * KB, 1,
                  LimitOutcome::Doubled},
        LimitCase{"LoweredToTheMaximum", 1, 64 * KB, 1, 256 * KB, 0, 0, 200 * KB, 1,
                  LimitOutcome::Maximum},
        // The garbage fills the heap up to the minimum; the collection frees
        // it, leaving a demand whose double is still below the minimum.
        LimitCase{"RaisedToTheMinimum", 2, 64 * KB, 8, 0, 1, 56 * KB, 16 * KB, 1,
                  LimitOutcome::Minimum}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

// --- running out -------------------------------------------------------------

TEST_F(HeapTest, UnmetRequestCollectsThreeTimesThenThrowsOutOfMemoryError) {
    const uint64_t live = liveBytesAfterCollection();
    vmHeapSetLimits(live + 64 * KB, live + 64 * KB);

    uint32_t before = collectionCount();
    EXPECT_THROW(vmAllocate(1 * MB, true), OutOfMemoryError*);
    EXPECT_EQ(collectionCount() - before, 3u);
    EXPECT_EQ(VMThread::current()->oomReport, 0);

    // Nothing of the report is left over: the next request over the limit
    // collects again instead of drawing on emergency memory.
    before = collectionCount();
    EXPECT_THROW(vmAllocateOrThrow(1 * MB), OutOfMemoryError*);
    EXPECT_EQ(collectionCount() - before, 3u);
    EXPECT_EQ(VMThread::current()->oomReport, 0);

    // A request that fits is served as usual.
    before = collectionCount();
    void* small = vmAllocateOrThrow(1 * KB);
    EXPECT_EQ(collectionCount(), before);
    EXPECT_EQ(wren::test::blockKind(small), uint32_t(VM_BLOCK_NORMAL));
    vmFree(small);
}

// When not even the error fits, it is built from emergency blocks. A
// collection while it is being built (here forced by the stress switch) must
// not send the allocator back into the collection rounds.
class HeapEmergencyTest : public HeapTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(HeapEmergencyTest, ErrorIsBuiltFromEmergencyBlocksWhenNothingFits) {
    ScopedGcStress stress(GetParam());
    const uint64_t live = liveBytesAfterCollection();
    vmHeapSetLimits(live, live);

    bool thrown = false;
    try {
        vmAllocate(1 * MB, true);
    } catch (OutOfMemoryError* caught) {
        VMPtr<OutOfMemoryError> error = caught;
        thrown = true;
        const void* block = dynamic_cast<void*>(error.get());
        EXPECT_EQ(wren::test::blockKind(block), uint32_t(VM_BLOCK_EMERGENCY));
        EXPECT_EQ(vmHeapState().used, live + wren::test::blockSize(block));
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(VMThread::current()->oomReport, 0);
}

INSTANTIATE_TEST_SUITE_P(Stress, HeapEmergencyTest, ::testing::Values(0u, 1u, 2u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return "EveryNth" + std::to_string(info.param);
                         });

// A request the largest block can't hold fails at once: no collection, no
// block. The size word keeps 30 bits, so a block of 2^30 bytes with its header
// is already too large.
class HugeRequestTest : public HeapTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(HugeRequestTest, ThrowsOutOfMemoryErrorAtOnce) {
    const uint64_t used = vmHeapState().used;
    const uint32_t before = collectionCount();
    EXPECT_THROW(vmAllocate(GetParam(), true), OutOfMemoryError*);
    EXPECT_EQ(collectionCount(), before);
    EXPECT_LT(vmHeapState().used - used, 4 * KB);  // the error object, nothing more
    EXPECT_EQ(VMThread::current()->oomReport, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HugeRequestTest,
                         ::testing::Values(size_t(VM_MAX_BLOCK - 8), size_t(VM_MAX_BLOCK - 1),
                                           size_t(VM_MAX_BLOCK), size_t(VM_MAX_BLOCK + 1),
                                           size_t(1) << 32, SIZE_MAX - 8, SIZE_MAX - 7,
                                           SIZE_MAX));

struct ArrayBytesCase {
    int64_t count;
    size_t elementSize;
    int64_t bytes;  // -1: OutOfMemoryError
};

void PrintTo(const ArrayBytesCase& c, std::ostream* os) {
    *os << c.count << "x" << c.elementSize;
}

class ArrayBytesTest : public HeapTest, public ::testing::WithParamInterface<ArrayBytesCase> {};

TEST_P(ArrayBytesTest, SizeIsExactOrOutOfMemoryError) {
    const ArrayBytesCase& c = GetParam();
    if (c.bytes < 0) {
        EXPECT_THROW(vmCheckedArrayBytes(c.count, c.elementSize), OutOfMemoryError*);
    } else {
        EXPECT_EQ(vmCheckedArrayBytes(c.count, c.elementSize), size_t(c.bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArrayBytesTest,
    ::testing::Values(ArrayBytesCase{0, 8, 0}, ArrayBytesCase{1000, 4, 4000},
                      ArrayBytesCase{(int64_t(1) << 27) - 2, 8, (int64_t(1) << 30) - 16},
                      ArrayBytesCase{(int64_t(1) << 27) - 1, 8, -1},  // a 2^30-byte block
                      ArrayBytesCase{int64_t(1) << 27, 8, -1},
                      ArrayBytesCase{INT32_MAX, 1, -1}, ArrayBytesCase{INT32_MAX, 8, -1},
                      // products that wrap around 2^64 to something small
                      ArrayBytesCase{int64_t(1) << 62, 4, -1},
                      ArrayBytesCase{(int64_t(1) << 61) + 1, 8, -1},
                      ArrayBytesCase{INT64_MAX, 2, -1}, ArrayBytesCase{-1, 4, -1},
                      ArrayBytesCase{INT64_MIN, 8, -1}));

struct HugeArrayCase {
    const char* name;
    std::function<void()> create;
};

void PrintTo(const HugeArrayCase& c, std::ostream* os) { *os << c.name; }

class HugeArrayTest : public HeapTest, public ::testing::WithParamInterface<HugeArrayCase> {};

// The half-built array must not stay behind in the heap either.
TEST_P(HugeArrayTest, CreationThrowsOutOfMemoryErrorAtOnce) {
    const size_t arrays = countArraysInHeap();
    const uint32_t before = collectionCount();
    EXPECT_THROW(GetParam().create(), OutOfMemoryError*);
    EXPECT_EQ(collectionCount(), before);
    EXPECT_EQ(countArraysInHeap(), arrays);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HugeArrayTest,
    ::testing::Values(
        HugeArrayCase{"Bytes2To30", [] { VMArray<jbyte>::create(jint(1) << 30); }},
        HugeArrayCase{"BytesJustUnder2To30", [] { VMArray<jbyte>::create((jint(1) << 30) - 8); }},
        HugeArrayCase{"IntsMaxLength", [] { VMArray<jint>::create(INT32_MAX); }},
        HugeArrayCase{"LongsMaxLength", [] { VMArray<jlong>::create(INT32_MAX); }},
        HugeArrayCase{"ReferencesMaxLength",
                      [] { VMArray<java::lang::Object*>::create(INT32_MAX); }}),
    [](const ::testing::TestParamInfo<HugeArrayCase>& info) { return std::string(info.param.name); });

TEST(HeapDeathTest, ExhaustionWhereExceptionsAreForbiddenEndsTheProcess) {
    EXPECT_EXIT(
        {
            const uint64_t live = liveBytesAfterCollection();
            vmHeapSetLimits(live, live);
            vmAllocate(1 * MB, false);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vmAllocate(SIZE_MAX, false), ::testing::ExitedWithCode(1), "");
}

// The last round waits for other threads to free memory: a wait no Java code
// asked for, so an interrupt neither ends the allocation with
// InterruptedException nor is lost.
TEST_F(HeapTest, InterruptedThreadRunningOutGetsOutOfMemoryErrorAndKeepsTheInterrupt) {
    const uint64_t live = liveBytesAfterCollection();
    vmHeapSetLimits(live + 64 * KB, live + 64 * KB);
    VMThread* self = VMThread::current();
    self->interrupt();

    EXPECT_THROW(vmAllocate(1 * MB, true), OutOfMemoryError*);
    ASSERT_EQ(self->interrupted, 1);
    EXPECT_THROW(java::lang::Thread::sleep(60 * 1000), java::lang::InterruptedException*)
        << "the next sleep sees the interrupt at once";
    EXPECT_EQ(self->interrupted, 0);
}

TEST(HeapDeathTest, InterruptedThreadWhereExceptionsAreForbiddenEndsOnlyForLackOfMemory) {
    EXPECT_EXIT(
        {
            const uint64_t live = liveBytesAfterCollection();
            vmHeapSetLimits(live, live);
            VMThread::current()->interrupt();
            vmAllocate(1 * MB, false);
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(HeapDeathTest, FreeingWhatTheHeapDoesNotHoldEndsTheProcess) {
    EXPECT_EXIT(
        {
            void* block = vmAllocate(40, true);
            vmFree(block);
            vmFree(block);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vmFree(static_cast<char*>(vmAllocate(40, true)) + 8), ::testing::ExitedWithCode(1), "");
}

#if defined(__SANITIZE_ADDRESS__)
#define HEAP_TEST_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_TEST_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(HEAP_TEST_ADDRESS_SANITIZER)
// Freed cells are poisoned and held back from reuse for a while, so a
// reference the collector did not know of fails loudly.
TEST(HeapDeathTest, ReadingAFreedObjectIsCaughtUnderTheSanitizer) {
    EXPECT_DEATH(
        {
            Node* stale = nullptr;
            {
                VMPtr<Node> n = Node::make();
                stale = n.get();
            }
            VM::collect();
            volatile jint id = stale->id;
            (void)id;
        },
        "use-after-poison");
}

// How much the quarantine holds is the process's to say: at the default, a
// freed cell stays out of use; lowered, the quarantine lets go at once of
// what it held beyond the new size, and the allocator takes those cells
// again. In a child, and in a class of cells nothing else takes there, so
// that only this test's cells are about.
TEST(HeapDeathTest, ALowerQuarantineLetsGoOfTheCellsItHeld) {
    EXPECT_EXIT(
        {
            auto take = [] {
                std::vector<void*> blocks;
                for (int i = 0; i < 8; ++i) blocks.push_back(vmAllocate(10000, true));
                return blocks;
            };
            auto amongst = [](void* p, const std::vector<void*>& blocks) {
                return std::find(blocks.begin(), blocks.end(), p) != blocks.end();
            };
            const std::vector<void*> first = take();
            for (void* p : first) vmFree(p);
            VM::collect();  // every search starts again from the first chunk
            const std::vector<void*> second = take();
            const bool held = std::none_of(second.begin(), second.end(),
                                           [&](void* p) { return amongst(p, first); });
            for (void* p : second) vmFree(p);
            vmSetHeapQuarantine(0);
            VM::collect();
            const std::vector<void*> third = take();
            const bool takenAgain = std::all_of(third.begin(), third.end(), [&](void* p) {
                return amongst(p, first) || amongst(p, second);
            });
            std::_Exit(held && takenAgain ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif

// --- blocks ------------------------------------------------------------------

// An array is one block: its elements follow its fields, small or large.
class ArrayBlockTest : public HeapTest, public ::testing::WithParamInterface<jint> {};

TEST_P(ArrayBlockTest, ElementsLieInTheArraysOwnBlock) {
    const jint length = GetParam();
    VMPtr<VMArray<jlong>> a = VMArray<jlong>::create(length);
    const char* block = static_cast<const char*>(dynamic_cast<void*>(a.get()));
    const char* elements = static_cast<const char*>(a->data);
    EXPECT_GE(elements, block);
    EXPECT_LE(elements + size_t(length) * sizeof(jlong), block + wren::test::blockSize(block));
    size_t nonZero = 0;
    for (jint i = 0; i < length; ++i) nonZero += a[i] != 0;
    EXPECT_EQ(nonZero, 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ArrayBlockTest, ::testing::Values(jint(0), jint(1), jint(100), jint(5000)));

// Cells go out in address order, lowest free cell first, however the heap's
// earlier objects lived and died: objects made one after another are
// neighbours, or at least each lies above the one before in its chunk.
TEST_F(HeapTest, ObjectsMadeOneAfterAnotherLieInAddressOrder) {
    vmHeapSetLimits(512 * MB, 512 * MB);  // no collection while the order is taken
    constexpr jint kChurn = 20000, kMade = 4000;
    VMPtr<VMArray<Node*>> survivors = VMArray<Node*>::create(kChurn);
    for (jint i = 0; i < kChurn; ++i) {
        VMPtr<Node> n = Node::make();
        if ((i * 7919) % 13 < 4) survivors[i] = n;
    }
    VM::collect();

    VMPtr<VMArray<Node*>> made = VMArray<Node*>::create(kMade);
    const uint32_t before = collectionCount();
    for (jint i = 0; i < kMade; ++i) made[i] = Node::make();
    ASSERT_EQ(collectionCount(), before);
    constexpr uintptr_t kChunkMask = ~uintptr_t(HAL_MEMORY_ALIGNMENT - 1);
    jint descents = 0;
    for (jint i = 1; i < kMade; ++i) {
        auto previous = reinterpret_cast<uintptr_t>(made[i - 1].get());
        auto here = reinterpret_cast<uintptr_t>(made[i].get());
        if ((previous & kChunkMask) == (here & kChunkMask) && here < previous) ++descents;
    }
    EXPECT_EQ(descents, 0);
}


class BlockTest : public HeapTest, public ::testing::WithParamInterface<size_t> {};

// A block counts for the cell it takes: at least the request (an empty one
// still gets a byte, so its payload lies inside its block), and at most a
// quarter more, or the pages of a block of its own.
TEST_P(BlockTest, BlockIsZeroFilledAndCountedUntilFreed) {
    const size_t size = GetParam();
    const uint64_t used = vmHeapState().used;
    auto* payload = static_cast<unsigned char*>(vmAllocate(size, true));
    ASSERT_NE(payload, nullptr);

    const size_t block = wren::test::blockSize(payload);
    EXPECT_GE(block, size ? size : 1);
    EXPECT_LE(block, size + size / 4 + 2 * 4096);
    EXPECT_EQ(wren::test::blockKind(payload), uint32_t(VM_BLOCK_NORMAL));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(payload) % 8, 0u);
    EXPECT_EQ(vmHeapState().used, used + block);
    size_t nonZero = 0;
    for (size_t i = 0; i < size; ++i) nonZero += payload[i] != 0;
    EXPECT_EQ(nonZero, 0u);

    vmFree(payload);
    EXPECT_EQ(vmHeapState().used, used);
}

// Cells come back dirty: a block made where others were freed is zero-filled
// all the same.
TEST_P(BlockTest, BlockOverFreedCellsIsZeroFilled) {
    const size_t size = GetParam();
    std::vector<unsigned char*> blocks;
    for (int i = 0; i < 64; ++i) {
        auto* p = static_cast<unsigned char*>(vmAllocate(size, true));
        std::memset(p, 0xA5, size);
        blocks.push_back(p);
    }
    for (unsigned char* p : blocks) vmFree(p);
    VM::collect();  // the next blocks are looked for from the first chunk again
    size_t nonZero = 0;
    for (unsigned char*& p : blocks) {
        p = static_cast<unsigned char*>(vmAllocate(size, true));
        for (size_t i = 0; i < size; ++i) nonZero += p[i] != 0;
    }
    EXPECT_EQ(nonZero, 0u);
    for (unsigned char* p : blocks) vmFree(p);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockTest,
                         ::testing::Values(size_t(0), size_t(1), size_t(7), size_t(8),
                                           size_t(100), size_t(4096), size_t(100000)));

// Long churn over every small size, raw blocks and objects alike, with a
// large block freed now and then: cells freed earlier come back (at once, or
// out of the sanitizer's quarantine once enough was freed after them) while
// the allocator is still walking their chunk, so it searches on to each
// chunk's last bitmap word with free cells counted behind it. Whatever it
// hands out must be a cell of its own class, inside its chunk.
TEST_F(HeapTest, LongChurnHandsOutOnlyCellsOfTheirChunks) {
    vmHeapSetLimits(512 * MB, 512 * MB);
    VM::collect();
    constexpr size_t kRawSizes[] = {1, 8, 16, 24, 40, 56, 72, 104, 200, 230};
    constexpr size_t kRing = 16;
    constexpr jint kSteps = 40000;
    std::vector<std::vector<void*>> rings(std::size(kRawSizes), std::vector<void*>(kRing, nullptr));
    std::vector<size_t> cellSizes(std::size(kRawSizes), 0);
    VMPtr<VMArray<jbyte>> kept;
    jint wrongCells = 0;
    for (jint step = 0; step < kSteps; ++step) {
        for (size_t k = 0; k < std::size(kRawSizes); ++k) {
            void* p = vmAllocate(kRawSizes[k], true);
            if (!cellSizes[k]) cellSizes[k] = wren::test::blockSize(p);
            wrongCells += wren::test::blockSize(p) != cellSizes[k];
            std::memset(p, 0x5A, kRawSizes[k]);
            std::swap(rings[k][size_t(step) % kRing], p);
            vmFree(p);
        }
        VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(step % 240);
        if (step % 7 == 0) kept = bytes;
        VMPtr<java::lang::String> text = java::lang::String::valueOf(step);
        if (step % 64 == 0) vmFree(vmAllocate(1 * MB, true));
        // Rarely: a collection starts every search over from the first chunk.
        if (step % 16384 == 0) vmCollectYoung();
    }
    for (auto& ring : rings)
        for (void* p : ring) vmFree(p);
    EXPECT_EQ(wrongCells, 0);
    EXPECT_EQ(vmVerifyHeap(), 0u);
}

TEST_F(HeapTest, FreeingNullDoesNothing) {
    const uint64_t used = vmHeapState().used;
    vmFree(nullptr);
    EXPECT_EQ(vmHeapState().used, used);
}

TEST_F(HeapTest, BlocksTakenWhileHeapDisabledAreNeverCounted) {
    // Start-up is the only place that switches the heap on; put it back by
    // hand however the test ends.
    struct Reenable {
        ~Reenable() { const_cast<VMHeapState&>(vmHeapState()).enabled = true; }
    } reenable;

    const uint64_t used = vmHeapState().used;
    vmHeapDisable();
    void* freedLater = vmAllocate(100, false);
    void* freedAtOnce = vmAllocate(40, false);
    EXPECT_EQ(vmHeapState().used, used);
    EXPECT_EQ(wren::test::blockKind(freedLater), uint32_t(VM_BLOCK_STARTUP));
    EXPECT_GE(wren::test::blockSize(freedLater), 100u);
    vmFree(freedAtOnce);
    const_cast<VMHeapState&>(vmHeapState()).enabled = true;

    EXPECT_EQ(vmHeapState().used, used);
    vmFree(freedLater);
    EXPECT_EQ(vmHeapState().used, used);
}
