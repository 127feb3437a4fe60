// Store folders as a killed process, a full disk or damage leave them: the
// record files are the truth, every such store opens with the records it
// holds, and what the open repairs stays repaired.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordStore.h"
#include "midp/recordstore_test_support.h"
#include "runtime/runtime_test_support.h"

using javax::microedition::rms::RecordEnumeration;
using javax::microedition::rms::RecordStore;
using namespace rmstest;
using wrentest::thrownName;

namespace {

const char* kFull = "javax.microedition.rms.RecordStoreFullException";
const char* kNotFound = "javax.microedition.rms.RecordStoreNotFoundException";

// The bytes record `id` holds in these tests: its length varies with the id.
Bytes recordBytes(jint id) {
    Bytes b = {uint8_t(id), uint8_t(uint32_t(id) >> 24), 0xA5};
    b.resize(3 + size_t(id % 4), 0x3C);
    return b;
}

void putLE(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

std::vector<jint> enumeratedIds(const VMPtr<RecordStore>& s) {
    VMPtr<RecordEnumeration> e = s->enumerateRecords(nullptr, nullptr, false);
    std::vector<jint> ids;
    while (e->hasNextElement()) ids.push_back(e->nextRecordId());
    e->destroy();
    return ids;
}

class RecordStoreDamage : public RecordStoreFixture {
protected:
    const fs::path folder = databaseRoot() / "store-hurt";

    // Records 1 to 3 through the store itself, then closed.
    void makeHealthyStore() {
        VMPtr<RecordStore> s = openStore("hurt");
        for (jint id = 1; id <= 3; ++id) ASSERT_EQ(addBytes(s, recordBytes(id)), id);
        s->closeRecordStore();
    }

    // Every record the store lists reads back as written, and the count, the
    // size, the next id and the metadata on disk agree with them. `nextId`
    // as the metadata holds it: past INT32_MAX once every id is handed out.
    void expectStore(const VMPtr<RecordStore>& s, const std::vector<jint>& ids, uint32_t nextId) {
        EXPECT_EQ(enumeratedIds(s), ids);
        VMPtr<VMArray<jint>> listed = s->getRecordIds();
        EXPECT_EQ(std::vector<jint>(listed->elements(), listed->elements() + listed->length), ids);
        size_t total = 0;
        for (jint id : ids) {
            SCOPED_TRACE(id);
            EXPECT_EQ(bytesOf(s->getRecord(id)), recordBytes(id));
            total += recordBytes(id).size();
        }
        EXPECT_EQ(s->getNumRecords(), jint(ids.size()));
        EXPECT_EQ(s->getSize(), jint(total));
        EXPECT_EQ(s->getNextRecordID(), jint(std::min<uint32_t>(nextId, INT32_MAX)));
        EXPECT_EQ(metadataOf(folder).count, ids.size());
        EXPECT_EQ(metadataOf(folder).totalBytes, total);
        EXPECT_EQ(metadataOf(folder).nextId, nextId);
    }
};

TEST_F(RecordStoreDamage, EveryDamagedFolderOpensWithTheRecordsItHolds) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> damage;
        std::vector<jint> ids;  // the records the store holds after the damage
        uint32_t nextId;        // as the metadata holds it
        jint addedId;           // 0: the next add is RecordStoreFullException
    };
    auto metadataField = [](size_t at, uint32_t v) {
        return [at, v](const fs::path& f) {
            Bytes m = readFile(f / "metadata.info");
            putLE(m, at, v);
            writeFile(f / "metadata.info", m);
        };
    };
    const Case cases[] = {
        {"killed in deleteRecord: the record file is gone, the metadata counts it",
         [](const fs::path& f) { fs::remove(f / "record-2.bin"); }, {1, 3}, 4, 4},
        {"killed in addRecord: the record file is in, the metadata is the old one",
         [](const fs::path& f) {
             Bytes old = readFile(f / "metadata.info");
             writeFile(f / "record-4.bin", recordBytes(4));
             writeFile(f / "metadata.info", old);
         },
         {1, 2, 3, 4}, 5, 5},
        {"killed in addRecord or setRecord before the rename: a temporary file",
         [](const fs::path& f) { writeFile(f / "write.tmp", {9, 9, 9}); }, {1, 2, 3}, 4, 4},
        {"a folder named like the temporary file",
         [](const fs::path& f) { fs::create_directories(f / "write.tmp" / "inside"); }, {1, 2, 3},
         4, 4},
        {"no metadata (the old deleteRecordStore removed it first)",
         [](const fs::path& f) { fs::remove(f / "metadata.info"); }, {1, 2, 3}, 4, 4},
        {"random metadata bytes",
         [](const fs::path& f) {
             writeFile(f / "metadata.info", {0xB9, 0x79, 0x37, 0x9E, 0xCE, 0xFA, 0x0D, 0xF0, 0x00,
                                             0xEE, 0xFF, 0xC0, 0xF0, 0xFF, 0xFF, 0xFF, 0x01, 0x00,
                                             0x00, 0x80});
         },
         {1, 2, 3}, 4, 4},
        {"next id 0xFFFFFFFF", metadataField(8, 0xFFFFFFFFu), {1, 2, 3}, 4, 4},
        {"next id 0", metadataField(8, 0), {1, 2, 3}, 4, 4},
        {"next id below the records", metadataField(8, 2), {1, 2, 3}, 4, 4},
        {"next id above the records is kept", metadataField(8, 40), {1, 2, 3}, 40, 40},
        {"count and size negative", [&](const fs::path& f) {
             metadataField(12, 0xFFFFFFF0u)(f);
             metadataField(16, 0x80000001u)(f);
         },
         {1, 2, 3}, 4, 4},
        {"a record file with the last id: the ids are used up",
         [](const fs::path& f) { writeFile(f / "record-2147483647.bin", recordBytes(INT32_MAX)); },
         {1, 2, 3, INT32_MAX}, 0x80000000u, 0},
        {"the last id is next: one more add", metadataField(8, uint32_t(INT32_MAX)), {1, 2, 3},
         uint32_t(INT32_MAX), INT32_MAX},
        {"every id handed out", metadataField(8, 0x80000000u), {1, 2, 3}, 0x80000000u, 0},
        {"a folder named like the next record file",
         [](const fs::path& f) { fs::create_directory(f / "record-4.bin"); }, {1, 2, 3}, 5, 5},
        {"metadata empty", [](const fs::path& f) { writeFile(f / "metadata.info", {}); }, {1, 2, 3},
         4, 4},
        {"metadata short",
         [](const fs::path& f) {
             Bytes m = readFile(f / "metadata.info");
             m.resize(7);
             writeFile(f / "metadata.info", m);
         },
         {1, 2, 3}, 4, 4},
        {"metadata long",
         [](const fs::path& f) {
             Bytes m = readFile(f / "metadata.info");
             m.resize(40, 0x77);
             writeFile(f / "metadata.info", m);
         },
         {1, 2, 3}, 4, 4},
        {"metadata unreadable (a link to itself)",
         [](const fs::path& f) {
             fs::remove(f / "metadata.info");
             fs::create_symlink("metadata.info", f / "metadata.info");
         },
         {1, 2, 3}, 4, 4},
        {"metadata is a pipe (an open of it waits for a writer)",
         [](const fs::path& f) {
             fs::remove(f / "metadata.info");
             ASSERT_EQ(::mkfifo((f / "metadata.info").c_str(), 0644), 0);
         },
         {1, 2, 3}, 4, 4},
        {"metadata is a folder",
         [](const fs::path& f) {
             fs::remove(f / "metadata.info");
             fs::create_directories(f / "metadata.info" / "inside");
         },
         {1, 2, 3}, 4, 4},
        {"names that are no record",
         [](const fs::path& f) {
             for (const char* name : {"record-0.bin", "record-05.bin", "record-2147483648.bin",
                                      "record--1.bin", "record-6.txt", "Record-7.bin"})
                 writeFile(f / name, {1});
         },
         {1, 2, 3}, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeHealthyStore();
        c.damage(folder);

        VMPtr<RecordStore> s = openStore("hurt", false);
        expectStore(s, c.ids, c.nextId);
        // No temporary file outlives the open.
        std::vector<std::string> left = entries(folder);
        EXPECT_EQ(std::count(left.begin(), left.end(), "write.tmp"), 0);
        std::vector<jint> after = c.ids;
        uint32_t nextId = c.nextId;
        if (c.addedId != 0) {
            EXPECT_EQ(addBytes(s, recordBytes(c.addedId)), c.addedId);
            after.push_back(c.addedId);
            std::sort(after.begin(), after.end());
            nextId = uint32_t(c.addedId) + 1;
        } else {
            std::vector<std::string> before = entries(folder);
            EXPECT_EQ(thrownName([&] { addBytes(s, recordBytes(1)); }), kFull);
            EXPECT_EQ(entries(folder), before);
            // Everything but adding still works.
            s->setRecord(1, jbytes(recordBytes(1)), 0, jint(recordBytes(1).size()));
            s->deleteRecord(2);
            after.erase(std::find(after.begin(), after.end(), 2));
        }
        s->closeRecordStore();

        // The repair stays: a later open finds the store as it was left and
        // has nothing to rewrite.
        Bytes metadata = readFile(folder / "metadata.info");
        s = openStore("hurt", false);
        expectStore(s, after, nextId);
        EXPECT_EQ(readFile(folder / "metadata.info"), metadata);
        s->closeRecordStore();
        RecordStore::deleteRecordStore(jstr("hurt"));
    }
}

TEST_F(RecordStoreDamage, ADeleteCutShortLeavesNoStoreAndNoLeftovers) {
    makeHealthyStore();
    openStore("other")->closeRecordStore();
    // What a delete killed after its rename leaves: the whole folder under a
    // name no store has, possibly partly emptied.
    fs::rename(folder, databaseRoot() / ".deleting-1");
    fs::remove(databaseRoot() / ".deleting-1" / "metadata.info");
    fs::create_directories(databaseRoot() / ".deleting-7" / "record-3.bin");

    EXPECT_EQ(thrownName([] { openStore("hurt", false); }), kNotFound);
    VMPtr<VMArray<java::lang::String*>> names = RecordStore::listRecordStores();
    ASSERT_TRUE(names != nullptr);
    ASSERT_EQ(names->length, 1);
    EXPECT_EQ(wrentest::text(names[0]), "other");
    EXPECT_EQ(entries(databaseRoot()), std::vector<std::string>{"store-other"});

    // Made again under its name, the store starts afresh.
    VMPtr<RecordStore> s = openStore("hurt");
    EXPECT_EQ(s->getNumRecords(), 0);
    EXPECT_EQ(addBytes(s, {1}), 1);
    s->closeRecordStore();
}

TEST_F(RecordStoreDamage, DeletingAStoreTakesEverythingInItsFolder) {
    makeHealthyStore();
    fs::create_directories(folder / "record-9.bin" / "inside");
    writeFile(folder / "write.tmp", {1});
    RecordStore::deleteRecordStore(jstr("hurt"));
    EXPECT_TRUE(entries(databaseRoot()).empty());
    EXPECT_EQ(thrownName([] { openStore("hurt", false); }), kNotFound);
}

TEST_F(RecordStoreDamage, AStoreDeletedWhileOpenTakesNoWritesIntoItsSuccessor) {
    makeHealthyStore();
    VMPtr<RecordStore> old = openStore("hurt", false);
    RecordStore::deleteRecordStore(jstr("hurt"));
    VMPtr<RecordStore> fresh = openStore("hurt");
    ASSERT_EQ(addBytes(fresh, {7}), 1);
    // The old object's next id is 4, its record 1 is now the new store's.
    const char* failed = "javax.microedition.rms.RecordStoreException";
    EXPECT_EQ(thrownName([&] { addBytes(old, {1}); }), failed);
    EXPECT_EQ(thrownName([&] { old->setRecord(1, jbytes({2}), 0, 1); }), failed);
    EXPECT_EQ(thrownName([&] { old->deleteRecord(1); }), failed);
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));
    EXPECT_EQ(bytesOf(fresh->getRecord(1)), Bytes{7});
    old->closeRecordStore();
    fresh->closeRecordStore();
}

// A full disk stands in as writes that fail with no room left: the first
// write of a change is its record file, the second the metadata.
TEST_F(RecordStoreDamage, AFullDiskLosesNothing) {
    makeHealthyStore();
    VMPtr<RecordStore> s = openStore("hurt", false);
    Bytes metadata = readFile(folder / "metadata.info");
    const Bytes big(100, 0x11);

    // The record file cannot be written: nothing changes.
    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(thrownName([&] { s->setRecord(2, jbytes(big), 0, 100); }), kFull);
    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(thrownName([&] { addBytes(s, big); }), kFull);
    // The record file is written but the metadata is not: an add is undone
    // and reported, so its id is not taken.
    HAL_failNextRecordStoreWrites(1, 1);
    EXPECT_EQ(thrownName([&] { addBytes(s, big); }), kFull);
    expectStore(s, {1, 2, 3}, 4);
    EXPECT_EQ(readFile(folder / "metadata.info"), metadata);
    EXPECT_EQ(entries(folder),
              (std::vector<std::string>{"metadata.info", "record-1.bin", "record-2.bin",
                                        "record-3.bin"}));

    // A replaced or removed record file is the change made: the store says
    // so at once, the metadata on disk at the next open.
    HAL_failNextRecordStoreWrites(1, 1);
    s->setRecord(2, jbytes(big), 0, 100);
    HAL_failNextRecordStoreWrites(1);  // a delete writes only the metadata
    s->deleteRecord(3);
    EXPECT_EQ(readFile(folder / "metadata.info"), metadata);
    auto expectChanged = [&](const VMPtr<RecordStore>& store) {
        EXPECT_EQ(enumeratedIds(store), (std::vector<jint>{1, 2}));
        EXPECT_EQ(bytesOf(store->getRecord(2)), big);
        EXPECT_EQ(store->getNumRecords(), 2);
        EXPECT_EQ(store->getSize(), jint(recordBytes(1).size() + big.size()));
        EXPECT_EQ(store->getNextRecordID(), 4);
    };
    expectChanged(s);
    s->closeRecordStore();
    s = openStore("hurt", false);
    expectChanged(s);
    EXPECT_EQ(metadataOf(folder).count, 2u);
    EXPECT_EQ(metadataOf(folder).totalBytes, recordBytes(1).size() + big.size());

    // With room again, adds go on from the next id.
    EXPECT_EQ(addBytes(s, {5}), 4);
    s->closeRecordStore();
}

TEST_F(RecordStoreDamage, ANewStoreThatCannotBeWrittenIsNotMade) {
    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(thrownName([] { openStore("hurt"); }),
              "javax.microedition.rms.RecordStoreException");
    EXPECT_TRUE(entries(databaseRoot()).empty());
    EXPECT_EQ(addBytes(openStore("hurt"), {1}), 1);
}

}  // namespace
