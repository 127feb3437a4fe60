// Record enumerations: walking both ways, filters and comparators, keeping
// the list current while records change, unreadable records while filtering
// or sorting, destroyed enumerations and closed stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "java_lang_IllegalArgumentException.h"
#include "javax_microedition_rms_RecordComparator.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordFilter.h"
#include "javax_microedition_rms_RecordListener.h"
#include "javax_microedition_rms_RecordStore.h"
#include "midp/recordstore_test_support.h"
#include "runtime/runtime_test_support.h"

using javax::microedition::rms::RecordComparator;
using javax::microedition::rms::RecordEnumeration;
using javax::microedition::rms::RecordFilter;
using javax::microedition::rms::RecordListener;
using javax::microedition::rms::RecordStore;
using namespace rmstest;
using wrentest::thrownName;

namespace enumtest {

// Keeps records whose first byte is odd. With a victim set, the first test
// deletes that record through another RecordStore object first, which the
// enumeration's own store object does not hear of.
class OddFilter : public virtual java::lang::Object, public virtual RecordFilter {
    WREN_CLASS(OddFilter, java::lang::Object, (victimStore, RecordStore))
public:
    jint victim = 0;
    jint calls = 0;
    void ctor() { java::lang::Object::ctor(); }
    jboolean matches(const VMPtr<VMArray<jbyte>>& candidate) override {
        if (calls++ == 0 && victimStore != nullptr) victimStore->deleteRecord(victim);
        return candidate->length > 0 && (candidate[0] & 1) != 0;
    }
};

// Orders by the first byte, ascending, or descending with `descending` set;
// the victim works as in OddFilter.
class FirstByteComparator : public virtual java::lang::Object, public virtual RecordComparator {
    WREN_CLASS(FirstByteComparator, java::lang::Object, (victimStore, RecordStore))
public:
    jboolean descending = false;
    jint victim = 0;
    jint calls = 0;
    void ctor() { java::lang::Object::ctor(); }
    jint compare(const VMPtr<VMArray<jbyte>>& a, const VMPtr<VMArray<jbyte>>& b) override {
        if (calls++ == 0 && victimStore != nullptr) victimStore->deleteRecord(victim);
        jint x = a[0] & 0xFF, y = b[0] & 0xFF;
        if (descending) std::swap(x, y);
        return x < y ? PRECEDES : x > y ? FOLLOWS : EQUIVALENT;
    }
};

// Answers without any order: PRECEDES and FOLLOWS in a fixed pseudo-random
// run, whatever the records.
class ChaoticComparator : public virtual java::lang::Object, public virtual RecordComparator {
    WREN_CLASS(ChaoticComparator, java::lang::Object)
public:
    uint32_t state = 12345;
    void ctor() { java::lang::Object::ctor(); }
    jint compare(const VMPtr<VMArray<jbyte>>&, const VMPtr<VMArray<jbyte>>&) override {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 1 ? FOLLOWS : PRECEDES;
    }
};

// Refuses every record with an exception no enumeration catches.
class RefusingFilter : public virtual java::lang::Object, public virtual RecordFilter {
    WREN_CLASS(RefusingFilter, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
    jboolean matches(const VMPtr<VMArray<jbyte>>&) override {
        java::lang::IllegalArgumentException::throwNew();
    }
};

// Destroys an enumeration when told of an added record.
class DestroyingListener : public virtual java::lang::Object, public virtual RecordListener {
    WREN_CLASS(DestroyingListener, java::lang::Object, (target, RecordEnumeration))
public:
    void ctor(const VMPtr<RecordEnumeration>& e) {
        java::lang::Object::ctor();
        target = e;
    }
    void recordAdded(const VMPtr<RecordStore>&, jint) override {
        if (target != nullptr) target->destroy();
        target = nullptr;
    }
    void recordChanged(const VMPtr<RecordStore>&, jint) override {}
    void recordDeleted(const VMPtr<RecordStore>&, jint) override {}
};

}  // namespace enumtest

WREN_DEFINE_CLASS(enumtest::OddFilter, "enumtest.OddFilter", javax::microedition::rms::RecordFilter)
WREN_DEFINE_CLASS(enumtest::FirstByteComparator, "enumtest.FirstByteComparator",
                  javax::microedition::rms::RecordComparator)
WREN_DEFINE_CLASS(enumtest::ChaoticComparator, "enumtest.ChaoticComparator",
                  javax::microedition::rms::RecordComparator)
WREN_DEFINE_CLASS(enumtest::RefusingFilter, "enumtest.RefusingFilter",
                  javax::microedition::rms::RecordFilter)
WREN_DEFINE_CLASS(enumtest::DestroyingListener, "enumtest.DestroyingListener",
                  javax::microedition::rms::RecordListener)

namespace {

using enumtest::ChaoticComparator;
using enumtest::DestroyingListener;
using enumtest::FirstByteComparator;
using enumtest::OddFilter;
using enumtest::RefusingFilter;

const char* kInvalidId = "javax.microedition.rms.InvalidRecordIDException";
const char* kIllegalState = "java.lang.IllegalStateException";

// The ids from the current position to the end.
std::vector<jint> restForward(const VMPtr<RecordEnumeration>& e) {
    std::vector<jint> ids;
    while (e->hasNextElement()) ids.push_back(e->nextRecordId());
    return ids;
}

// All ids, from the start.
std::vector<jint> allIds(const VMPtr<RecordEnumeration>& e) {
    e->reset();
    std::vector<jint> ids = restForward(e);
    e->reset();
    return ids;
}

class RecordEnumerationTest : public RecordStoreFixture {
protected:
    VMPtr<RecordStore> store;
    void SetUp() override {
        RecordStoreFixture::SetUp();
        store = openStore("enum");
    }
    void TearDown() override {
        if (store->isOpen()) store->closeRecordStore();
        store = nullptr;
        RecordStoreFixture::TearDown();
    }
    // One record per first byte; ids 1, 2, ... in order.
    void addFirstBytes(std::initializer_list<uint8_t> firsts) {
        for (uint8_t b : firsts) addBytes(store, {b, 0xEE});
    }
    VMPtr<FirstByteComparator> ascending() { return FirstByteComparator::make(); }
};

TEST_F(RecordEnumerationTest, WalksForwardAndBackward) {
    addFirstBytes({10, 20, 30});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, false);
    EXPECT_EQ(e->numRecords(), 3);
    EXPECT_FALSE(e->isKeptUpdated());
    // Before the first walking forward is behind the last walking backward.
    EXPECT_TRUE(e->hasNextElement());
    EXPECT_TRUE(e->hasPreviousElement());
    EXPECT_EQ(e->previousRecordId(), 3);
    EXPECT_EQ(e->previousRecordId(), 2);
    EXPECT_EQ(e->previousRecordId(), 1);
    EXPECT_FALSE(e->hasPreviousElement());
    EXPECT_EQ(thrownName([&] { e->previousRecordId(); }), kInvalidId);

    e->reset();
    EXPECT_EQ(e->nextRecordId(), 1);
    EXPECT_EQ(bytesOf(e->nextRecord()), (Bytes{20, 0xEE}));
    EXPECT_EQ(e->nextRecordId(), 3);
    EXPECT_FALSE(e->hasNextElement());
    EXPECT_EQ(thrownName([&] { e->nextRecordId(); }), kInvalidId);
    EXPECT_EQ(thrownName([&] { e->nextRecord(); }), kInvalidId);
    // Back from the end: the one before the last returned.
    EXPECT_EQ(bytesOf(e->previousRecord()), (Bytes{20, 0xEE}));
    EXPECT_EQ(e->nextRecordId(), 3);
}

TEST_F(RecordEnumerationTest, AnEmptyStoreHasNothingToWalk) {
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, false);
    EXPECT_EQ(e->numRecords(), 0);
    EXPECT_FALSE(e->hasNextElement());
    EXPECT_FALSE(e->hasPreviousElement());
    EXPECT_EQ(thrownName([&] { e->nextRecordId(); }), kInvalidId);
    EXPECT_EQ(thrownName([&] { e->previousRecordId(); }), kInvalidId);
    EXPECT_EQ(thrownName([&] { e->nextRecord(); }), kInvalidId);
}

TEST_F(RecordEnumerationTest, FilterAndComparatorChooseAndOrder) {
    addFirstBytes({5, 2, 9, 4, 7, 1});  // ids 1..6
    struct Case {
        const char* what;
        bool filtered;
        int order;  // 0 none, 1 ascending, -1 descending
        std::vector<jint> ids;
    };
    const Case cases[] = {
        {"everything in id order", false, 0, {1, 2, 3, 4, 5, 6}},
        {"odd first bytes", true, 0, {1, 3, 5, 6}},
        {"ascending", false, 1, {6, 2, 4, 1, 5, 3}},
        {"descending", false, -1, {3, 5, 1, 4, 2, 6}},
        {"odd, ascending", true, 1, {6, 1, 5, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<FirstByteComparator> comparator = nullptr;
        if (c.order != 0) {
            comparator = ascending();
            comparator->descending = c.order < 0;
        }
        VMPtr<RecordEnumeration> e = store->enumerateRecords(
            c.filtered ? VMPtr<RecordFilter>(OddFilter::make()) : nullptr, comparator, false);
        EXPECT_EQ(e->numRecords(), jint(c.ids.size()));
        EXPECT_EQ(allIds(e), c.ids);
        e->destroy();
    }
}

TEST_F(RecordEnumerationTest, SortingEndsWithEveryIdWhateverTheComparatorAnswers) {
    std::vector<jint> added;
    for (int i = 0; i < 40; ++i) added.push_back(addBytes(store, {uint8_t(i)}));
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, ChaoticComparator::make(), false);
    std::vector<jint> ids = allIds(e);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, added);
}

TEST_F(RecordEnumerationTest, KeptUpdatedItFollowsAddsAtTheirSortedPlace) {
    addFirstBytes({10, 30, 50});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, ascending(), true);
    EXPECT_TRUE(e->isKeptUpdated());
    EXPECT_EQ(e->nextRecordId(), 1);
    EXPECT_EQ(e->nextRecordId(), 2);  // index 1, at the record of 30

    EXPECT_EQ(addBytes(store, {90}), 4);  // sorts last: one pass carries it to the end
    EXPECT_EQ(addBytes(store, {5}), 5);   // sorts first: the index moves with record 2
    EXPECT_EQ(addBytes(store, {40}), 6);  // after the index: it stays
    EXPECT_EQ(e->numRecords(), 6);
    EXPECT_EQ(restForward(e), (std::vector<jint>{6, 3, 4}));
    EXPECT_EQ(allIds(e), (std::vector<jint>{5, 1, 2, 6, 3, 4}));
}

TEST_F(RecordEnumerationTest, KeptUpdatedWithoutComparatorNewIdsComeFirst) {
    addFirstBytes({1, 2});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, true);
    EXPECT_EQ(e->nextRecordId(), 1);
    addFirstBytes({3});
    // Put in front, so the index moves up to stay at id 1.
    EXPECT_EQ(restForward(e), (std::vector<jint>{2}));
    EXPECT_EQ(allIds(e), (std::vector<jint>{3, 1, 2}));
}

TEST_F(RecordEnumerationTest, KeptUpdatedItFollowsChangesAndDeletes) {
    addFirstBytes({11, 31, 51, 71});  // ids 1..4, all odd
    VMPtr<RecordEnumeration> e = store->enumerateRecords(OddFilter::make(), ascending(), true);
    EXPECT_EQ(e->nextRecordId(), 1);
    EXPECT_EQ(e->nextRecordId(), 2);  // index 1

    // Deleting the id at the index moves the index back by one.
    store->deleteRecord(2);
    EXPECT_EQ(e->nextRecordId(), 3);
    // A change that moves a record to the front, behind the index.
    store->setRecord(4, jbytes({1}), 0, 1);
    EXPECT_EQ(allIds(e), (std::vector<jint>{4, 1, 3}));
    // A change the filter refuses takes the record out; with index -1 a
    // delete leaves the index alone.
    store->setRecord(1, jbytes({2}), 0, 1);
    EXPECT_EQ(allIds(e), (std::vector<jint>{4, 3}));
    store->deleteRecord(4);
    EXPECT_EQ(restForward(e), (std::vector<jint>{3}));
    // A record the filter refuses is not added.
    addFirstBytes({8});
    EXPECT_EQ(e->numRecords(), 1);
    // Deleting the only one, with the index on it.
    e->reset();
    EXPECT_EQ(e->nextRecordId(), 3);
    store->deleteRecord(3);
    EXPECT_EQ(e->numRecords(), 0);
    EXPECT_FALSE(e->hasNextElement());
    EXPECT_EQ(thrownName([&] { e->nextRecordId(); }), kInvalidId);
}

TEST_F(RecordEnumerationTest, NotKeptUpdatedItKeepsItsListUntilRebuilt) {
    addFirstBytes({1, 2, 3});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, false);
    store->deleteRecord(2);
    addFirstBytes({4});
    EXPECT_EQ(e->numRecords(), 3);
    EXPECT_EQ(e->nextRecordId(), 1);
    // The deleted id is still listed; reading it is the store's refusal.
    EXPECT_EQ(thrownName([&] { e->nextRecord(); }), kInvalidId);

    e->rebuild();
    EXPECT_EQ(allIds(e), (std::vector<jint>{1, 3, 4}));

    // Turning updates on rebuilds and starts over; turning them off keeps
    // the list as it is.
    e->nextRecordId();
    store->deleteRecord(3);
    e->keepUpdated(true);
    EXPECT_TRUE(e->isKeptUpdated());
    EXPECT_EQ(restForward(e), (std::vector<jint>{1, 4}));
    e->keepUpdated(false);
    addFirstBytes({5});
    EXPECT_EQ(allIds(e), (std::vector<jint>{1, 4}));
}

TEST_F(RecordEnumerationTest, UnreadableRecordsWhileFilteringOrSortingAreNotReported) {
    addFirstBytes({9, 7, 5, 3, 1});  // ids 1..5
    VMPtr<RecordStore> other = openStore("enum", false);

    // Filtering stops at the record deleted behind the enumeration's back:
    // the first list is never made, and the enumeration is empty.
    VMPtr<OddFilter> filter = OddFilter::make();
    filter->victimStore = other;
    filter->victim = 3;
    VMPtr<RecordEnumeration> filtered;
    EXPECT_EQ(thrownName([&] { filtered = store->enumerateRecords(filter, nullptr, false); }),
              "nothing");
    EXPECT_EQ(filtered->numRecords(), 0);
    EXPECT_FALSE(filtered->hasNextElement());
    // A rebuild later lists what is there.
    filtered->rebuild();
    EXPECT_EQ(allIds(filtered), (std::vector<jint>{1, 2, 4, 5}));

    // Sorting stops the same way: the list keeps every id, unsorted or
    // partly sorted.
    VMPtr<FirstByteComparator> comparator = ascending();
    comparator->victimStore = other;
    comparator->victim = 5;
    VMPtr<RecordEnumeration> sorted;
    EXPECT_EQ(thrownName([&] { sorted = store->enumerateRecords(nullptr, comparator, true); }),
              "nothing");
    std::vector<jint> ids = allIds(sorted);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<jint>{1, 2, 4, 5}));
    // An add that sorts last while the stale id is still listed: the
    // insertion pass stops at it, and the add still succeeds for the caller.
    EXPECT_EQ(thrownName([&] { addFirstBytes({200}); }), "nothing");
    EXPECT_EQ(allIds(sorted), (std::vector<jint>{1, 2, 4, 6, 5}));
}

TEST_F(RecordEnumerationTest, AnAddThatCannotFindItsPlaceKeepsTheWalkWhereItWas) {
    addFirstBytes({10, 30, 50});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, ascending(), true);
    // Record 1 goes behind the enumeration's back and stays listed in front.
    openStore("enum", false)->deleteRecord(1);
    EXPECT_EQ(e->nextRecordId(), 1);
    EXPECT_EQ(e->nextRecordId(), 2);
    // The new record's pass stops at once at the stale id: it stays in
    // front, and the walk goes on after record 2, not over it again.
    EXPECT_EQ(addBytes(store, {5}), 4);
    EXPECT_EQ(restForward(e), (std::vector<jint>{3}));
    EXPECT_EQ(allIds(e), (std::vector<jint>{4, 1, 2, 3}));
}

TEST_F(RecordEnumerationTest, ListsTheRecordsThatExist) {
    addFirstBytes({1, 2, 3});
    // A record file removed from outside: the open store still counts three
    // records, the folder holds two, and only those are walked.
    fs::remove(databaseRoot() / "store-enum" / "record-2.bin");
    for (bool keepUpdated : {false, true}) {
        SCOPED_TRACE(keepUpdated);
        VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, keepUpdated);
        EXPECT_EQ(allIds(e), (std::vector<jint>{1, 3}));
        EXPECT_EQ(bytesOf(e->nextRecord()), (Bytes{1, 0xEE}));
        EXPECT_EQ(bytesOf(e->nextRecord()), (Bytes{3, 0xEE}));
        e->destroy();
    }
}

TEST_F(RecordEnumerationTest, ARefusedEnumerationDoesNotStayAListener) {
    addFirstBytes({1, 2});
    for (bool keepUpdated : {false, true}) {
        SCOPED_TRACE(keepUpdated);
        EXPECT_EQ(thrownName([&] {
                      store->enumerateRecords(RefusingFilter::make(), nullptr, keepUpdated);
                  }),
                  "java.lang.IllegalArgumentException");
        EXPECT_EQ(store->listeners->size(), 0);
    }
}

TEST_F(RecordEnumerationTest, ADestroyedEnumerationRefusesEverything) {
    addFirstBytes({1, 2});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, ascending(), true);
    e->destroy();
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"numRecords", [&] { e->numRecords(); }},
        {"nextRecord", [&] { e->nextRecord(); }},
        {"nextRecordId", [&] { e->nextRecordId(); }},
        {"previousRecord", [&] { e->previousRecord(); }},
        {"previousRecordId", [&] { e->previousRecordId(); }},
        {"hasNextElement", [&] { e->hasNextElement(); }},
        {"hasPreviousElement", [&] { e->hasPreviousElement(); }},
        {"reset", [&] { e->reset(); }},
        {"rebuild", [&] { e->rebuild(); }},
        {"keepUpdated", [&] { e->keepUpdated(false); }},
        {"isKeptUpdated", [&] { e->isKeptUpdated(); }},
        {"destroy", [&] { e->destroy(); }},
    };
    for (auto& [what, call] : calls) EXPECT_EQ(thrownName(call), kIllegalState) << what;
    // It no longer listens: changes to the store go through.
    EXPECT_EQ(thrownName([&] {
                  addFirstBytes({3});
                  store->setRecord(1, jbytes({4}), 0, 1);
                  store->deleteRecord(2);
              }),
              "nothing");
}

TEST_F(RecordEnumerationTest, AnEnumerationDestroyedWhileChangesAreToldIsSkipped) {
    addFirstBytes({1});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, true);
    VMPtr<DestroyingListener> destroyer = DestroyingListener::make(e);
    // The destroyer goes first: the enumeration is destroyed after the round
    // of telling began and before its turn, and must not be told then.
    store->removeRecordListener(vmCast<RecordListener>(e));
    store->addRecordListener(destroyer);
    store->addRecordListener(vmCast<RecordListener>(e));
    EXPECT_EQ(thrownName([&] { addFirstBytes({2}); }), "nothing");
    EXPECT_EQ(thrownName([&] { e->numRecords(); }), kIllegalState);
}

TEST_F(RecordEnumerationTest, AClosedStoreEndsTheWalk) {
    addFirstBytes({1, 2, 3});
    VMPtr<RecordEnumeration> e = store->enumerateRecords(nullptr, nullptr, false);
    EXPECT_EQ(e->nextRecordId(), 1);
    store->closeRecordStore();
    EXPECT_FALSE(e->hasNextElement());
    EXPECT_FALSE(e->hasPreviousElement());
    EXPECT_EQ(e->numRecords(), 3);
    EXPECT_EQ(thrownName([&] { e->nextRecord(); }),
              "javax.microedition.rms.RecordStoreNotOpenException");
    EXPECT_EQ(thrownName([&] { e->rebuild(); }),
              "javax.microedition.rms.RecordStoreNotOpenException");
}

}  // namespace
