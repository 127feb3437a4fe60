// Young and full collections: what a collection of the young objects frees
// and keeps, and the stores it must be told of to keep a young object that
// only an old one holds.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>

#include "VM.h"
#include "VMArray.h"
#include "VMHeap.h"
#include "java_lang_System.h"
#include "runtime/vm_test_support.h"
#include "runtime/wren_test_Node.h"

using java::lang::Object;
using wren::test::Node;
using wren::test::ScopedGcStress;

namespace {

// Every object made before a full collection, and kept by it, is old after it.
struct GenerationsTest : ::testing::Test {
    ScopedGcStress noStress{0};
};

}  // namespace

TEST_F(GenerationsTest, YoungCollectionFreesYoungGarbageAndLeavesOldGarbageToAFullOne) {
    const jint oldId = Node::newId(), youngId = Node::newId(), keptId = Node::newId();
    VMWeakPtr<Node> oldWeak = Node::make(oldId);
    VMPtr<Node> kept = Node::make(keptId);
    {
        VMPtr<Node> old = oldWeak;
        VM::collect();  // `old` survives it: old from now on
    }
    VMWeakPtr<Node> youngWeak = Node::make(youngId);

    vmCollectYoung();
    EXPECT_TRUE(Node::wasFreed(youngId));
    EXPECT_TRUE(youngWeak == nullptr);
    EXPECT_FALSE(Node::wasFreed(oldId)) << "an old object waits for a full collection";
    EXPECT_FALSE(oldWeak == nullptr);

    VM::collect();
    EXPECT_TRUE(Node::wasFreed(oldId));
    EXPECT_TRUE(oldWeak == nullptr);
    EXPECT_FALSE(Node::wasFreed(keptId));
    EXPECT_EQ(kept->id, keptId);
}

// Each way a program stores a young object into an old one keeps it through a
// young collection when nothing else holds it.
struct StoreCase {
    const char* name;
    // Makes the holder, which the test keeps and ages.
    std::function<VMPtr<Object>()> makeHolder;
    std::function<void(const VMPtr<Object>& holder, const VMPtr<Node>& young)> store;
    std::function<Node*(const VMPtr<Object>& holder)> load;
};

void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.name; }

using Refs = VMArray<Node*>;
constexpr jint kSmallArray = 40;
// Over the largest cell: the array is a block of its own, outside the cards.
constexpr jint kLargeArray = 70000;

VMPtr<Object> holderNode() { return Node::make(); }
VMPtr<Object> smallArray() { return Refs::create(kSmallArray); }
VMPtr<Object> largeArray() { return Refs::create(kLargeArray); }
Refs* refs(const VMPtr<Object>& holder) { return vmDowncast<Refs>(holder.get()); }

class StoreTest : public GenerationsTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StoreTest, YoungObjectHeldOnlyByAnOldOneSurvivesAYoungCollection) {
    const StoreCase& c = GetParam();
    VMPtr<Object> holder = c.makeHolder();
    VM::collect();
    const jint youngId = Node::newId();
    c.store(holder, Node::make(youngId));

    vmCollectYoung();
    EXPECT_FALSE(Node::wasFreed(youngId));
    Node* young = c.load(holder);
    ASSERT_NE(young, nullptr);
    EXPECT_EQ(young->id, youngId);
    EXPECT_EQ(vmVerifyHeap(), 0u);

    // Old now, and dropped: only a full collection frees it.
    c.store(holder, nullptr);
    vmCollectYoung();
    EXPECT_FALSE(Node::wasFreed(youngId));
    VM::collect();
    EXPECT_TRUE(Node::wasFreed(youngId));
}

INSTANTIATE_TEST_SUITE_P(
    Stores, StoreTest,
    ::testing::Values(
        StoreCase{"Field", holderNode,
                  [](const VMPtr<Object>& h, const VMPtr<Node>& y) { vmCast<Node>(h)->next = y; },
                  [](const VMPtr<Object>& h) { return vmCast<Node>(h)->next.get(); }},
        StoreCase{"FieldCopiedFromAnotherField", holderNode,
                  [](const VMPtr<Object>& h, const VMPtr<Node>& y) {
                      // An array's chunk is not the holder's: its stores
                      // write no card of the holder's.
                      VMPtr<VMArray<Object*>> carrier = VMArray<Object*>::of({y.get()});
                      vmCast<Node>(h)->payload = carrier[0];
                  },
                  [](const VMPtr<Object>& h) {
                      return vmDowncast<Node>(vmCast<Node>(h)->payload.get());
                  }},
        StoreCase{"ArrayElement", smallArray,
                  [](const VMPtr<Object>& h, const VMPtr<Node>& y) { refs(h)->at(kSmallArray - 1) = y; },
                  [](const VMPtr<Object>& h) { return refs(h)->at(kSmallArray - 1).get(); }},
        StoreCase{"ArrayCopy", smallArray,
                  [](const VMPtr<Object>& h, const VMPtr<Node>& y) {
                      VMPtr<Refs> from = Refs::of({nullptr, y});
                      java::lang::System::arraycopy(from, 0, h, kSmallArray - 2, 2);
                  },
                  [](const VMPtr<Object>& h) { return refs(h)->at(kSmallArray - 1).get(); }},
        StoreCase{"LargeArrayElement", largeArray,
                  [](const VMPtr<Object>& h, const VMPtr<Node>& y) { refs(h)->at(kLargeArray - 1) = y; },
                  [](const VMPtr<Object>& h) { return refs(h)->at(kLargeArray - 1).get(); }}),
    [](const ::testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });

// A store the collector is not told of is what the heap check looks for:
// an old object whose cards were not written refers to a young one.
TEST_F(GenerationsTest, HeapCheckFindsAStoreTheCollectorWasNotToldOf) {
    VMPtr<Node> holder = Node::make();
    VM::collect();
    VMPtr<Node> young = Node::make();
    EXPECT_EQ(vmVerifyHeap(), 0u);

    Node* raw = young.get();
    std::memcpy(static_cast<void*>(&holder->next), &raw, sizeof raw);  // past the field's assignment
    EXPECT_EQ(vmVerifyHeap(), 1u);

    holder->next = young;  // told: the card is written
    EXPECT_EQ(vmVerifyHeap(), 0u);
}

// The allocator's collections are young until the old objects have grown by
// a quarter since the last full one; then one is full. So a program that
// makes long-lived objects only still has its old garbage freed.
TEST_F(GenerationsTest, AllocatorCollectsInFullOnceTheOldObjectsHaveGrown) {
    wren::test::ScopedHeapLimits limits;
    VM::collect();
    const uint64_t live = vmHeapState().used;
    vmHeapSetLimits(live + (1u << 20), live + (256u << 20));

    const jint oldGarbageId = Node::newId();
    {
        VMPtr<Node> garbage = Node::make(oldGarbageId);
        vmCollectYoung();  // old from here, and dropped below
    }

    VMPtr<Node> list;  // only grows: every young collection makes it older
    auto growUntil = [&](uint32_t collections) {
        const uint32_t before = wren::test::collectionCount();
        while (wren::test::collectionCount() - before < collections && !Node::wasFreed(oldGarbageId)) {
            VMPtr<Node> cell = Node::make();
            cell->next = list;
            list = cell;
        }
    };
    growUntil(1);
    EXPECT_FALSE(Node::wasFreed(oldGarbageId)) << "the first collection is young";
    growUntil(40);
    EXPECT_TRUE(Node::wasFreed(oldGarbageId));
}
