// The record-store files under the program's "database" folder: layout and
// byte format, shared opens, status codes, name encoding and safe writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "HAL_paths.h"
#include "HAL_recordstore.h"
#include "HAL_status.h"
#include "folder_snapshot.h"
#include "midp/recordstore_test_support.h"

using namespace rmstest;

namespace {

class RecordStoreFiles : public ::testing::Test {
protected:
    fs::path root;
    std::vector<HAL_RecordStore*> opened;

    void SetUp() override {
        root = databaseRoot();
        fs::remove_all(root);
        HAL_initRecordStores();
        HAL_failNextRecordStoreWrites(0);
    }
    void TearDown() override {
        for (auto* s : opened) HAL_closeRecordStore(s);
        HAL_failNextRecordStoreWrites(0);
        HAL_pretendNoReplaceRenameUnsupported(0);
        HAL_failRenamedStorePlacing(0);
        fs::remove_all(root);
    }
    HAL_RecordStore* open(const std::u16string& name, int create = 1, int expect = HAL_OK) {
        HAL_RecordStore* s = reinterpret_cast<HAL_RecordStore*>(1);
        EXPECT_EQ(HAL_openRecordStore(&s, name.data(), jint(name.size()), create), expect);
        if (s) opened.push_back(s);
        return s;
    }
    static jint add(HAL_RecordStore* s, const Bytes& data) {
        jint id = -1;
        EXPECT_EQ(HAL_addRecord(s, &id, data.data(), jint(data.size())), HAL_OK);
        return id;
    }
    static Bytes get(HAL_RecordStore* s, jint id) {
        Bytes out(256);
        jint size = -1;
        EXPECT_EQ(HAL_getRecord(s, id, out.data(), jint(out.size()), &size), HAL_OK);
        out.resize(size_t(std::max(size, 0)));
        return out;
    }
    static jint field(int (*op)(HAL_RecordStore*, jint*), HAL_RecordStore* s) {
        jint v = -1;
        EXPECT_EQ(op(s, &v), HAL_OK);
        return v;
    }
    std::u16string nthStoreName(jint n) {
        jchar buffer[128];
        jint length = -1;
        EXPECT_EQ(HAL_getNthRecordStoreName(n, buffer, 128, &length), HAL_OK);
        return std::u16string(buffer, size_t(std::max(length, 0)));
    }
};

TEST_F(RecordStoreFiles, FilesHoldTheRecordBytesAndTwentyByteLittleEndianMetadata) {
    HAL_RecordStore* s = open(u"scores");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(add(s, {0x01, 0xFF, 0x80, 0x00, 0x7F}), 1);

    fs::path folder = root / "store-scores";
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));
    EXPECT_EQ(readFile(folder / "record-1.bin"), (Bytes{0x01, 0xFF, 0x80, 0x00, 0x7F}));

    Bytes meta = readFile(folder / "metadata.info");
    ASSERT_EQ(meta.size(), 20u);
    jlong lastModified = 0;
    ASSERT_EQ(HAL_getRecordStoreLastModified(s, &lastModified), HAL_OK);
    EXPECT_EQ(le32(meta, 0), uint32_t(lastModified));
    EXPECT_EQ(jlong(int32_t(le32(meta, 0))), lastModified);
    EXPECT_EQ(le32(meta, 4), 0u);   // version
    EXPECT_EQ(le32(meta, 8), 2u);   // next id
    EXPECT_EQ(le32(meta, 12), 5u);  // total bytes
    EXPECT_EQ(le32(meta, 16), 1u);  // count

    // A metadata file written by hand is what a later open reads.
    HAL_closeRecordStore(s);
    opened.clear();
    Bytes handMade = {9, 0, 0, 0, 3, 0, 0, 0, 0x10, 0x01, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0};
    std::ofstream(folder / "metadata.info", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(handMade.data()), std::streamsize(handMade.size()));
    s = open(u"scores", 0);
    EXPECT_EQ(field(HAL_getRecordStoreVersion, s), 3);
    EXPECT_EQ(field(HAL_getNextRecordID, s), 0x110);
    EXPECT_EQ(field(HAL_getRecordStoreSize, s), 5);
    EXPECT_EQ(field(HAL_getNumRecords, s), 1);
    EXPECT_EQ(get(s, 1), (Bytes{0x01, 0xFF, 0x80, 0x00, 0x7F}));
}

TEST_F(RecordStoreFiles, MissingStoreWithoutCreateIsNotFoundAndMakesOnlyTheRoot) {
    EXPECT_EQ(open(u"absent", 0, HAL_NOT_FOUND), nullptr);
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_TRUE(entries(root).empty());
    HAL_RecordStore* s = nullptr;
    EXPECT_EQ(HAL_openRecordStore(&s, nullptr, 3, 1), HAL_NOT_FOUND);
    EXPECT_EQ(HAL_openRecordStore(&s, u"x", 0, 1), HAL_NOT_FOUND);
}

TEST_F(RecordStoreFiles, TwoOpensShareOneStore) {
    HAL_RecordStore* a = open(u"save");
    HAL_RecordStore* b = open(u"save", 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(add(a, {1}), 1);
    EXPECT_EQ(add(b, {2, 2}), 2);
    EXPECT_EQ(add(a, {3, 3, 3}), 3);
    for (auto* s : {a, b}) {
        EXPECT_EQ(field(HAL_getNumRecords, s), 3);
        EXPECT_EQ(field(HAL_getNextRecordID, s), 4);
        EXPECT_EQ(field(HAL_getRecordStoreSize, s), 6);
        EXPECT_EQ(get(s, 2), (Bytes{2, 2}));
    }
    // Closing one handle leaves the other working on the same store.
    HAL_closeRecordStore(a);
    opened.erase(opened.begin());
    EXPECT_EQ(add(b, {4}), 4);
    HAL_closeRecordStore(b);
    opened.clear();
    // After the last close, a new open reads what was written.
    HAL_RecordStore* c = open(u"save", 0);
    EXPECT_EQ(field(HAL_getNextRecordID, c), 5);
    EXPECT_EQ(field(HAL_getNumRecords, c), 4);
}

TEST_F(RecordStoreFiles, IdsAreNeverReusedAndListInIdOrder) {
    HAL_RecordStore* s = open(u"ids");
    for (int i = 0; i < 11; ++i) add(s, {uint8_t(i)});
    ASSERT_EQ(HAL_deleteRecord(s, 1), HAL_OK);
    ASSERT_EQ(HAL_deleteRecord(s, 5), HAL_OK);
    EXPECT_EQ(add(s, {99}), 12);
    std::vector<jint> ids;
    for (jint n = 1;; ++n) {
        jint id = 0;
        if (HAL_getNthRecordId(s, n, &id) != HAL_OK) break;
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<jint>{2, 3, 4, 6, 7, 8, 9, 10, 11, 12}));
    jint id = -7;
    EXPECT_EQ(HAL_getNthRecordId(s, 0, &id), HAL_NOT_FOUND);
    EXPECT_EQ(HAL_getNthRecordId(nullptr, 1, &id), HAL_NOT_FOUND);
    EXPECT_EQ(id, -7);
}

TEST_F(RecordStoreFiles, MissingRecordIsNotFoundForEveryOperation) {
    HAL_RecordStore* s = open(u"gaps");
    add(s, {1, 2});
    add(s, {3});
    ASSERT_EQ(HAL_deleteRecord(s, 2), HAL_OK);
    fs::path folder = root / "store-gaps";
    Bytes metaBefore = readFile(folder / "metadata.info");
    for (jint id : {2, 3, 0, -1, 1000}) {
        SCOPED_TRACE(id);
        jint size = -5;
        uint8_t buffer[8] = {};
        EXPECT_EQ(HAL_getRecordSize(s, id, &size), HAL_NOT_FOUND);
        EXPECT_EQ(HAL_getRecord(s, id, buffer, 8, &size), HAL_NOT_FOUND);
        EXPECT_EQ(HAL_deleteRecord(s, id), HAL_NOT_FOUND);
        const uint8_t data[] = {7, 7, 7};
        EXPECT_EQ(HAL_setRecord(s, id, data, 3), HAL_NOT_FOUND);
        EXPECT_EQ(size, -5);
    }
    // The refused changes wrote nothing.
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));
    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);
    EXPECT_EQ(field(HAL_getNumRecords, s), 1);
    EXPECT_EQ(field(HAL_getRecordStoreSize, s), 2);
    EXPECT_EQ(field(HAL_getNextRecordID, s), 3);
}

TEST_F(RecordStoreFiles, SetAndDeleteKeepCountsAndTotals) {
    HAL_RecordStore* s = open(u"edit");
    add(s, {1, 2, 3});
    add(s, {4});
    ASSERT_EQ(HAL_setRecord(s, 1, Bytes{9, 9, 9, 9, 9}.data(), 5), HAL_OK);
    EXPECT_EQ(get(s, 1), (Bytes{9, 9, 9, 9, 9}));
    EXPECT_EQ(field(HAL_getRecordStoreSize, s), 6);
    ASSERT_EQ(HAL_setRecord(s, 2, nullptr, 0), HAL_OK);
    EXPECT_EQ(get(s, 2), Bytes{});
    EXPECT_EQ(field(HAL_getRecordStoreSize, s), 5);
    EXPECT_EQ(field(HAL_getNumRecords, s), 2);
    ASSERT_EQ(HAL_deleteRecord(s, 1), HAL_OK);
    Bytes meta = readFile(root / "store-edit" / "metadata.info");
    EXPECT_EQ(le32(meta, 8), 3u);
    EXPECT_EQ(le32(meta, 12), 0u);
    EXPECT_EQ(le32(meta, 16), 1u);

    jint id = 0;
    EXPECT_EQ(HAL_addRecord(s, &id, nullptr, 0), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_addRecord(nullptr, &id, "x", 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setRecord(s, 2, nullptr, 3), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setRecord(s, 2, "x", -1), HAL_BAD_ARGUMENT);
}

TEST_F(RecordStoreFiles, GetRecordNeverWritesPastTheCapacity) {
    HAL_RecordStore* s = open(u"cap");
    Bytes record = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    add(s, record);
    struct Case { jint capacity; int status; };
    for (Case c : {Case{0, HAL_BAD_ARGUMENT}, Case{4, HAL_BAD_ARGUMENT}, Case{9, HAL_BAD_ARGUMENT},
                   Case{10, HAL_OK}, Case{16, HAL_OK}}) {
        SCOPED_TRACE(c.capacity);
        Bytes buffer(32, 0xAA);
        jint size = -1;
        EXPECT_EQ(HAL_getRecord(s, 1, buffer.data(), c.capacity, &size), c.status);
        EXPECT_EQ(size, 10);  // the needed size is reported either way
        for (size_t i = 0; i < buffer.size(); ++i) {
            uint8_t expected = c.status == HAL_OK && i < 10 ? record[i] : 0xAA;
            EXPECT_EQ(buffer[i], expected) << "byte " << i;
        }
    }
    jint size = -1;
    EXPECT_EQ(HAL_getRecord(s, 1, nullptr, 10, &size), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getRecord(s, 1, nullptr, 0, nullptr), HAL_BAD_ARGUMENT);
}

TEST_F(RecordStoreFiles, DeletingAStore) {
    EXPECT_EQ(HAL_deleteRecordStore(u"never", 5), HAL_NOT_FOUND);
    HAL_RecordStore* s = open(u"gone");
    add(s, {1, 2});
    HAL_closeRecordStore(s);
    opened.clear();
    EXPECT_EQ(HAL_deleteRecordStore(u"gone", 4), HAL_OK);
    EXPECT_FALSE(fs::exists(root / "store-gone"));
    EXPECT_EQ(HAL_getNumRecordStores(), 0);
    EXPECT_EQ(HAL_deleteRecordStore(u"gone", 4), HAL_NOT_FOUND);
    // Made again, it starts afresh.
    s = open(u"gone");
    EXPECT_EQ(field(HAL_getNextRecordID, s), 1);
    EXPECT_EQ(field(HAL_getNumRecords, s), 0);
}

TEST_F(RecordStoreFiles, RenamingReplacesTheTargetWhole) {
    EXPECT_EQ(HAL_renameRecordStore(u"none", 4, u"x", 1), HAL_NOT_FOUND);
    EXPECT_EQ(HAL_renameRecordStore(u"", 0, u"x", 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_renameRecordStore(u"x", 1, nullptr, 0), HAL_BAD_ARGUMENT);
    HAL_RecordStore* old = open(u"x");
    add(old, {1});
    add(old, {2});
    add(old, {3});
    HAL_RecordStore* fresh = open(u"x.new");
    add(fresh, {7, 8});
    HAL_closeRecordStore(fresh);
    opened.pop_back();

    ASSERT_EQ(HAL_renameRecordStore(u"x.new", 5, u"x", 1), HAL_OK);
    EXPECT_EQ(entries(root), std::vector<std::string>{"store-x"});
    // The handle on the replaced store writes nowhere.
    jint id = 0;
    EXPECT_EQ(HAL_addRecord(old, &id, "z", 1), HAL_IO_ERROR);
    HAL_RecordStore* s = open(u"x", 0);
    EXPECT_EQ(field(HAL_getNumRecords, s), 1);
    EXPECT_EQ(get(s, 1), (Bytes{7, 8}));
    EXPECT_EQ(metadataOf(root / "store-x").count, 1u);

    // To a name no store has, and onto itself.
    EXPECT_EQ(HAL_renameRecordStore(u"x", 1, u"y", 1), HAL_OK);
    EXPECT_EQ(HAL_renameRecordStore(u"y", 1, u"y", 1), HAL_OK);
    EXPECT_EQ(entries(root), std::vector<std::string>{"store-y"});
}

// A rename to a free name moves the store whole; one to a name that
// anything holds (a store, an empty folder, a file, a link, one leading
// nowhere too) is refused and changes nothing, with the system's rename
// that refuses to replace and without it.
TEST_F(RecordStoreFiles, RenamingToAFreeNameNeverReplacesAnything) {
    EXPECT_EQ(HAL_renameRecordStoreIfFree(u"none", 4, u"t", 1), HAL_NOT_FOUND);
    EXPECT_EQ(HAL_renameRecordStoreIfFree(u"", 0, u"t", 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_renameRecordStoreIfFree(u"s", 1, nullptr, 0), HAL_BAD_ARGUMENT);
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> hold;  // given the target's folder; none: free
    };
    const Case cases[] = {
        {"a free name", nullptr},
        {"a store", [&](const fs::path&) {
             HAL_RecordStore* t = open(u"t");
             add(t, {5, 5});
             HAL_closeRecordStore(t);
             opened.pop_back();
         }},
        {"an empty folder", [](const fs::path& f) { fs::create_directory(f); }},
        {"a file", [](const fs::path& f) { std::ofstream(f) << "not a store"; }},
        {"a link leading nowhere", [](const fs::path& f) { fs::create_symlink("nowhere", f); }},
        {"a link to a folder", [&](const fs::path& f) {
             fs::create_directory(root / "elsewhere");
             fs::create_directory_symlink("elsewhere", f);
         }},
    };
    for (const bool systemRefuses : {true, false}) {
        HAL_pretendNoReplaceRenameUnsupported(systemRefuses ? 0 : 1);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (systemRefuses ? "" : ", the system's rename replacing"));
            fs::remove_all(root);
            HAL_RecordStore* s = open(u"s");
            add(s, {1, 2, 3});
            add(s, {4});
            HAL_closeRecordStore(s);
            opened.pop_back();
            if (c.hold) c.hold(root / "store-t");
            const wrentest::FolderSnapshot before = wrentest::snapshotOf(root);

            const int status = HAL_renameRecordStoreIfFree(u"s", 1, u"t", 1);
            wrentest::FolderSnapshot expected;
            if (c.hold) {
                EXPECT_EQ(status, HAL_REFUSED);
                expected = before;
            } else {
                EXPECT_EQ(status, HAL_OK);
                // Only the store's folder has a new name.
                for (const auto& [path, what] : before)
                    expected["store-t" + path.substr(std::string("store-s").size())] = what;
            }
            EXPECT_EQ(wrentest::snapshotOf(root), expected);
        }
        // Onto itself: its own name is held.
        EXPECT_EQ(HAL_renameRecordStoreIfFree(u"s", 1, u"s", 1), HAL_REFUSED);
    }
    HAL_pretendNoReplaceRenameUnsupported(0);

    // A handle on the renamed store writes nowhere; the store opens whole
    // under its new name.
    fs::remove_all(root);
    HAL_RecordStore* s = open(u"s");
    add(s, {7, 8});
    ASSERT_EQ(HAL_renameRecordStoreIfFree(u"s", 1, u"u", 1), HAL_OK);
    jint id = 0;
    EXPECT_EQ(HAL_addRecord(s, &id, "z", 1), HAL_IO_ERROR);
    HAL_RecordStore* u = open(u"u", 0);
    EXPECT_EQ(get(u, 1), (Bytes{7, 8}));
    EXPECT_EQ(entries(root), std::vector<std::string>{"store-u"});
}

TEST_F(RecordStoreFiles, ACommittedRenameCutShortIsFinishedByTheNextLook) {
    // The state a process leaves when it is killed right after the rename
    // that commits: the old target still in place beside the renamed store.
    auto make = [&](const std::u16string& name, const Bytes& record) {
        HAL_RecordStore* s = open(name);
        add(s, record);
        HAL_closeRecordStore(s);
        opened.pop_back();
    };
    struct Case {
        const char* look;
        bool oldTargetThere;
    };
    for (Case c : {Case{"open", true}, Case{"open", false}, Case{"list", true},
                   Case{"delete", true}}) {
        SCOPED_TRACE(std::string(c.look) + (c.oldTargetThere ? " over a store" : " alone"));
        fs::remove_all(root);
        make(u"t", {1, 1, 1});
        make(u"staged", {9});
        fs::rename(root / "store-staged", root / ".renaming-t");
        if (!c.oldTargetThere) fs::remove_all(root / "store-t");
        if (std::string(c.look) == "open") {
            HAL_RecordStore* s = open(u"t", 0);
            EXPECT_EQ(get(s, 1), Bytes{9});
            HAL_closeRecordStore(s);
            opened.pop_back();
            EXPECT_EQ(entries(root), std::vector<std::string>{"store-t"});
        } else if (std::string(c.look) == "list") {
            EXPECT_EQ(HAL_getNumRecordStores(), 1);
            EXPECT_EQ(nthStoreName(1), u"t");
            EXPECT_EQ(entries(root), std::vector<std::string>{"store-t"});
        } else {
            // A delete never lets the renamed store come back after it.
            EXPECT_EQ(HAL_deleteRecordStore(u"t", 1), HAL_OK);
            EXPECT_TRUE(entries(root).empty());
        }
    }
}

// The fault the last call left: its kind and where.
std::pair<jint, std::string> lastFault() {
    char path[1024];
    jint length = 0;
    const jint kind = HAL_getRecordStoreFault(path, jint(sizeof path), &length);
    return {kind, std::string(path, size_t(std::min<jint>(length, jint(sizeof path) - 1)))};
}

// Every operation that looks at store "t" (opening it, with create too,
// deleting it, renaming it either way) fails, naming what is at fault.
void expectStoreTRefused(const std::pair<jint, std::string>& atFault) {
    HAL_RecordStore* t = nullptr;
    for (const int create : {0, 1}) {
        EXPECT_EQ(HAL_openRecordStore(&t, u"t", 1, create), HAL_IO_ERROR) << "create " << create;
        EXPECT_EQ(lastFault(), atFault);
        HAL_closeRecordStore(t);
    }
    EXPECT_EQ(HAL_deleteRecordStore(u"t", 1), HAL_IO_ERROR);
    EXPECT_EQ(lastFault(), atFault);
    EXPECT_EQ(HAL_renameRecordStore(u"t", 1, u"u", 1), HAL_IO_ERROR);
    EXPECT_EQ(lastFault(), atFault);
    EXPECT_EQ(HAL_renameRecordStoreIfFree(u"t", 1, u"u", 1), HAL_IO_ERROR);
    EXPECT_EQ(lastFault(), atFault);
}

TEST_F(RecordStoreFiles, NothingButAStoresOwnFolderUnderARenamesNameReplacesAStore) {
    // A rename commits by moving a store's own folder; anything else of
    // that name was put there from outside: the store keeps its records,
    // nothing is written where a link leads, and the next rename to the
    // store clears it.
    const fs::path elsewhere = root.parent_path() / "elsewhere";
    struct Case {
        const char* what;
        void (*make)(const fs::path& at, const fs::path& elsewhere);
    };
    const Case cases[] = {
        {"a file", [](const fs::path& p, const fs::path&) { std::ofstream(p) << "someone's bytes"; }},
        {"a link leading nowhere", [](const fs::path& p, const fs::path&) { fs::create_symlink("nowhere", p); }},
        {"a link that loops", [](const fs::path& p, const fs::path&) { fs::create_symlink(p.filename(), p); }},
        {"an empty folder", [](const fs::path& p, const fs::path&) { fs::create_directory(p); }},
        {"a folder of other things", [](const fs::path& p, const fs::path&) {
             fs::create_directory(p);
             std::ofstream(p / "notes.txt") << "not a record";
         }},
        {"a store's files and something else", [](const fs::path& p, const fs::path&) {
             fs::create_directory(p);
             writeFile(p / "metadata.info", Bytes(20, 0));
             writeFile(p / "record-1.bin", {9});
             fs::create_directory(p / "photos");
         }},
        {"records without metadata", [](const fs::path& p, const fs::path&) {
             fs::create_directory(p);
             writeFile(p / "record-1.bin", {9});
         }},
        {"a link to a store's files elsewhere", [](const fs::path& p, const fs::path& e) {
             writeFile(e / "metadata.info", Bytes(20, 0));
             writeFile(e / "record-1.bin", {9});
             fs::create_directory_symlink(e, p);
         }},
        {"a link to an empty folder elsewhere",
         [](const fs::path& p, const fs::path& e) { fs::create_directory_symlink(e, p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        fs::remove_all(elsewhere);
        fs::create_directories(elsewhere);
        HAL_RecordStore* t = open(u"t");
        add(t, {1, 1, 1});
        HAL_closeRecordStore(t);
        opened.pop_back();
        c.make(root / ".renaming-t", elsewhere);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(root);
        const wrentest::FolderSnapshot beyond = wrentest::snapshotOf(elsewhere);

        t = open(u"t", 0);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(get(t, 1), (Bytes{1, 1, 1}));
        HAL_closeRecordStore(t);
        opened.pop_back();
        EXPECT_EQ(HAL_getNumRecordStores(), 1);
        EXPECT_EQ(wrentest::snapshotOf(root), before);

        // A save's rename takes the name, and nothing goes where a link leads.
        HAL_RecordStore* u = open(u"u");
        add(u, {5});
        HAL_closeRecordStore(u);
        opened.pop_back();
        EXPECT_EQ(HAL_renameRecordStore(u"u", 1, u"t", 1), HAL_OK);
        EXPECT_EQ(entries(root), std::vector<std::string>{"store-t"});
        t = open(u"t", 0);
        EXPECT_EQ(get(t, 1), Bytes{5});
        EXPECT_EQ(wrentest::snapshotOf(elsewhere), beyond);
    }
    fs::remove_all(elsewhere);
}

// A rename that committed holds the store's newest state. While it can't
// be put in place, the store is neither missing nor its older folder: it
// fails to open, to be deleted or to be renamed over, says where it waits,
// and nothing removes it; the first look that can put it in place does.
TEST_F(RecordStoreFiles, ARenamedStoreThatCantBePutInPlaceWaitsWhole) {
    auto make = [&](const std::u16string& name, const Bytes& record) {
        HAL_RecordStore* s = open(name);
        add(s, record);
        HAL_closeRecordStore(s);
        opened.pop_back();
    };
    for (const bool oldTargetThere : {true, false}) {
        SCOPED_TRACE(oldTargetThere ? "over a store" : "alone");
        fs::remove_all(root);
        make(u"t", {1, 1, 1});
        make(u"x", {7});
        make(u"staged", {9});
        fs::rename(root / "store-staged", root / ".renaming-t");
        if (!oldTargetThere) fs::remove_all(root / "store-t");
        const std::pair<jint, std::string> waiting{
            HAL_STORE_FAULT_OTHER | HAL_STORE_FAULT_UNFINISHED_RENAME, (root / ".renaming-t").string()};

        HAL_failRenamedStorePlacing(1);
        HAL_RecordStore* s = nullptr;
        EXPECT_EQ(HAL_openRecordStore(&s, u"t", 1, 0), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), waiting);
        EXPECT_EQ(HAL_openRecordStore(&s, u"t", 1, 1), HAL_IO_ERROR);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(root / ".renaming-t");
        EXPECT_EQ(HAL_deleteRecordStore(u"t", 1), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), waiting);
        // What a save does: its staging store renamed over the item's.
        EXPECT_EQ(HAL_renameRecordStore(u"x", 1, u"t", 1), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), waiting);
        EXPECT_EQ(HAL_renameRecordStoreIfFree(u"x", 1, u"t", 1), HAL_REFUSED);
        EXPECT_EQ(wrentest::snapshotOf(root / ".renaming-t"), before);
        EXPECT_TRUE(fs::is_directory(root / "store-x"));
        HAL_failRenamedStorePlacing(0);

        s = open(u"t", 0);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(get(s, 1), Bytes{9});
        EXPECT_EQ(lastFault(), (std::pair<jint, std::string>{HAL_STORE_FAULT_NONE, ""}));
        EXPECT_EQ(entries(root), (std::vector<std::string>{"store-t", "store-x"}));
        HAL_closeRecordStore(s);
        opened.pop_back();
    }
}

// What holds a store's name and is no store (a file, a pipe, a link
// wherever it leads) may be the player's: a delete keeps it and says what
// is at fault. A save's staging name held so would refuse every save: the
// clear that starts a save removes it, the link itself and never what it
// leads to, and the save's store can then be made.
TEST_F(RecordStoreFiles, OnlyClearingANameRemovesWhatHoldsNoStoreThere) {
    const fs::path elsewhere = root.parent_path() / "elsewhere";
    struct Case {
        const char* what;
        void (*make)(const fs::path& at, const fs::path& elsewhere);
    };
    const Case cases[] = {
        {"a file", [](const fs::path& p, const fs::path&) { std::ofstream(p) << "not a store"; }},
        {"a pipe", [](const fs::path& p, const fs::path&) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }},
        {"a link to a file", [](const fs::path& p, const fs::path& e) {
             std::ofstream(e / "kept.txt") << "someone's bytes";
             fs::create_symlink(e / "kept.txt", p);
         }},
        {"a link leading nowhere", [](const fs::path& p, const fs::path&) { fs::create_symlink("nowhere", p); }},
        {"a link that loops", [](const fs::path& p, const fs::path&) { fs::create_symlink(p.filename(), p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        fs::remove_all(elsewhere);
        fs::create_directories(root);
        fs::create_directories(elsewhere);
        c.make(root / "store-s.saving", elsewhere);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(root);
        const wrentest::FolderSnapshot beyond = wrentest::snapshotOf(elsewhere);
        EXPECT_EQ(HAL_deleteRecordStore(u"s.saving", 8), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), (std::pair<jint, std::string>{HAL_STORE_FAULT_OTHER,
                                                             (root / "store-s.saving").string()}));
        EXPECT_EQ(wrentest::snapshotOf(root), before);
        EXPECT_EQ(HAL_clearRecordStoreName(u"s.saving", 8), HAL_NOT_FOUND);
        EXPECT_TRUE(entries(root).empty());
        HAL_RecordStore* s = open(u"s.saving");
        ASSERT_NE(s, nullptr);
        add(s, {4});
        EXPECT_EQ(wrentest::snapshotOf(elsewhere), beyond);
    }
    fs::remove_all(elsewhere);
}

// What is at fault when a store can't be read for other reasons than
// permissions: the path itself, as OTHER.
TEST_F(RecordStoreFiles, AFailureThatIsNoRefusalNamesWhatIsAtFault) {
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* atFault;  // under the database folder
        bool opens;           // the failure comes at the record's size, not at the open
    };
    const Case cases[] = {
        {"a file for the store's folder", [&] { std::ofstream(root / "store-t") << "x"; }, "store-t", false},
        {"a pipe for the store's folder", [&] { ASSERT_EQ(mkfifo((root / "store-t").c_str(), 0644), 0); },
         "store-t", false},
        {"a link to a file for the store's folder", [&] {
             std::ofstream(root / "file") << "x";
             fs::create_symlink("file", root / "store-t");
         },
         "store-t", false},
        {"a link that loops for the store's folder",
         [&] { fs::create_symlink("store-t", root / "store-t"); }, "store-t", false},
        {"a record too large to read", [&] {
             HAL_RecordStore* t = open(u"t");
             add(t, {1});
             HAL_closeRecordStore(t);
             opened.pop_back();
             fs::resize_file(root / "store-t" / "record-1.bin", uintmax_t(INT32_MAX) + 1);
         },
         "store-t/record-1.bin", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        fs::create_directories(root);
        c.make();
        HAL_RecordStore* s = nullptr;
        if (!c.opens) {
            EXPECT_EQ(HAL_openRecordStore(&s, u"t", 1, 0), HAL_IO_ERROR);
        } else {
            s = open(u"t", 0);
            ASSERT_NE(s, nullptr);
            jint size = 0;
            EXPECT_EQ(HAL_getRecordSize(s, 1, &size), HAL_IO_ERROR);
        }
        EXPECT_EQ(lastFault(), (std::pair<jint, std::string>{HAL_STORE_FAULT_OTHER, (root / c.atFault).string()}));
        if (c.opens) {
            // The next call that does not fail clears it.
            EXPECT_EQ(HAL_listRecordStores([](void*, const jchar*, jint) {}, nullptr), HAL_OK);
            EXPECT_EQ(lastFault().first, HAL_STORE_FAULT_NONE);
        }
    }
}

// Something that is no store in a store's place, a link that leads
// nowhere among them (as one to a store on a volume not mounted now does),
// is there: no operation takes it for a missing store, makes a store in its
// place, removes it or writes through it, and each says what is at fault.
// A rename committed to that store waits until it is moved away.
TEST_F(RecordStoreFiles, WhatIsNoStoreInAStoresPlaceIsKeptByEveryOperation) {
    const fs::path program = root.parent_path();
    struct Case {
        const char* what;
        void (*make)(const fs::path& at, const fs::path& program);
    };
    const Case cases[] = {
        {"a link leading nowhere", [](const fs::path& p, const fs::path& program) {
             fs::create_directories(program / "volume");
             fs::create_symlink(program / "volume" / "store", p);
         }},
        {"a link into a missing folder",
         [](const fs::path& p, const fs::path&) { fs::create_symlink("../missing/store-t", p); }},
        {"a link that loops", [](const fs::path& p, const fs::path&) { fs::create_symlink(p.filename(), p); }},
        {"a link to a file", [](const fs::path& p, const fs::path& program) {
             std::ofstream(program / "notes.txt") << "the player's own";
             fs::create_symlink(program / "notes.txt", p);
         }},
        {"a file", [](const fs::path& p, const fs::path&) { std::ofstream(p) << "the player's own"; }},
        {"a pipe", [](const fs::path& p, const fs::path&) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }},
    };
    const std::pair<jint, std::string> atFault{HAL_STORE_FAULT_OTHER, (root / "store-t").string()};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* leftover : {"volume", "missing", "notes.txt", "moved-away"})
            fs::remove_all(program / leftover);
        fs::remove_all(root);
        HAL_RecordStore* s = open(u"s");
        add(s, {1, 2});
        HAL_closeRecordStore(s);
        opened.pop_back();
        c.make(root / "store-t", program);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(program);

        expectStoreTRefused(atFault);
        // What a save does: its staging store renamed over the item's.
        EXPECT_EQ(HAL_renameRecordStore(u"s", 1, u"t", 1), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), atFault);
        EXPECT_EQ(HAL_renameRecordStoreIfFree(u"s", 1, u"t", 1), HAL_REFUSED);
        EXPECT_EQ(HAL_getNumRecordStores(), 1);
        EXPECT_EQ(nthStoreName(1), u"s");
        EXPECT_EQ(wrentest::snapshotOf(program), before);

        // A rename to the store that committed and was cut short: its store
        // waits whole for the name, and the fault names what holds it.
        s = open(u"s");
        add(s, {9});
        HAL_closeRecordStore(s);
        opened.pop_back();
        fs::rename(root / "store-s", root / ".renaming-t");
        const wrentest::FolderSnapshot waiting = wrentest::snapshotOf(program);
        HAL_RecordStore* t = nullptr;
        EXPECT_EQ(HAL_openRecordStore(&t, u"t", 1, 0), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), atFault);
        EXPECT_EQ(HAL_deleteRecordStore(u"t", 1), HAL_IO_ERROR);
        EXPECT_EQ(HAL_getNumRecordStores(), 0);
        EXPECT_EQ(wrentest::snapshotOf(program), waiting);

        // Moved away, it is free for the store that waited.
        fs::rename(root / "store-t", program / "moved-away");
        t = open(u"t", 0);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(get(t, 1), (Bytes{1, 2}));
        EXPECT_EQ(get(t, 2), Bytes{9});
        EXPECT_EQ(entries(root), std::vector<std::string>{"store-t"});
    }
    for (const char* leftover : {"volume", "missing", "notes.txt", "moved-away"})
        fs::remove_all(program / leftover);
}

// A store read through a link to its folder elsewhere opens, and a rename
// of it that can't be made whole is refused whole: the link stays, and so
// does what it leads to.
TEST_F(RecordStoreFiles, AStoreReadThroughALinkIsRefusedARenameItCantMakeWhole) {
    const fs::path elsewhere = root.parent_path() / "elsewhere";
    fs::remove_all(elsewhere);
    fs::create_directories(root);
    fs::create_directories(elsewhere / "store");
    writeFile(elsewhere / "store" / "record-1.bin", {3, 4});
    fs::create_directory_symlink(elsewhere / "store", root / "store-t");
    HAL_RecordStore* t = open(u"t", 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(get(t, 1), (Bytes{3, 4}));
    HAL_closeRecordStore(t);
    opened.pop_back();
    const wrentest::FolderSnapshot before = wrentest::snapshotOf(root);
    const wrentest::FolderSnapshot beyond = wrentest::snapshotOf(elsewhere);
    EXPECT_EQ(HAL_renameRecordStore(u"t", 1, u"u", 1), HAL_IO_ERROR);
    EXPECT_EQ(lastFault(), (std::pair<jint, std::string>{HAL_STORE_FAULT_OTHER, (root / "store-t").string()}));
    EXPECT_EQ(wrentest::snapshotOf(root), before);
    EXPECT_EQ(wrentest::snapshotOf(elsewhere), beyond);
    fs::remove_all(elsewhere);
}

// The database folder's place held by what is no folder (a file, a pipe, a
// link that leads nowhere) holds no stores, but is no missing folder either:
// every operation says so, naming it, and nothing is made in its place or
// where a link leads.
TEST_F(RecordStoreFiles, ADatabaseThatIsNoFolderIsKeptByEveryOperation) {
    const fs::path program = root.parent_path();
    struct Case {
        const char* what;
        void (*make)(const fs::path& at, const fs::path& program);
    };
    const Case cases[] = {
        {"a file", [](const fs::path& p, const fs::path&) { std::ofstream(p) << "the player's own"; }},
        {"a pipe", [](const fs::path& p, const fs::path&) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }},
        {"a link leading nowhere",
         [](const fs::path& p, const fs::path& program) { fs::create_symlink(program / "unmounted", p); }},
        {"a link into a missing folder",
         [](const fs::path& p, const fs::path&) { fs::create_symlink("missing/database", p); }},
    };
    const std::pair<jint, std::string> atFault{HAL_STORE_FAULT_OTHER, root.string()};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        c.make(root, program);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(program);
        expectStoreTRefused(atFault);
        EXPECT_EQ(HAL_clearRecordStoreName(u"t", 1), HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), atFault);
        EXPECT_EQ(HAL_listRecordStores([](void*, const jchar*, jint) { ADD_FAILURE(); }, nullptr),
                  HAL_IO_ERROR);
        EXPECT_EQ(lastFault(), atFault);
        EXPECT_EQ(HAL_getNumRecordStores(), 0);
        EXPECT_EQ(wrentest::snapshotOf(program), before);
        fs::remove(root);
    }
    // With nothing there, the folder is made as ever.
    open(u"t");
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(root)));
}

TEST_F(RecordStoreFiles, ALinkThatLoopsHidesNoStoreFromTheListing) {
    open(u"real");
    fs::create_symlink("loop", root / "loop");
    fs::create_symlink("store-loop", root / "store-loop");
    jint count = 0;
    EXPECT_EQ(HAL_listRecordStores([](void* n, const jchar*, jint) { ++*static_cast<jint*>(n); },
                                   &count),
              HAL_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(HAL_getNumRecordStores(), 1);
    EXPECT_EQ(nthStoreName(1), u"real");
}

TEST_F(RecordStoreFiles, StoreNamesMapToOneFolderEachInsideTheDatabase) {
    struct Case { std::u16string name; std::string folder; };
    const std::vector<Case> cases = {
        {u"scores", "store-scores"},
        {u"my save.1", "store-my save.1"},
        {u"h\u00e9llo", "store-h\xc3\xa9llo"},
        {u"..x", "store-..x"},
        {u"a/b", "store-a%2Fb"},
        {u"../../escape", "store-..%2F..%2Fescape"},
        {u"a\\b", "store-a%5Cb"},
        {u"100%", "store-100%25"},
        {u"%2F", "store-%252F"},
        {u".", "store-%2E"},
        {u"..", "store-%2E%2E"},
        {u"tab\there", "store-tab%09here"},
        {std::u16string(u"nul\0in", 6), "store-nul%00in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        HAL_RecordStore* s = open(c.name);
        ASSERT_NE(s, nullptr);
        add(s, {1});
        EXPECT_TRUE(fs::is_regular_file(root / c.folder / "record-1.bin"));
    }
    // Nothing was made outside the database folder, one folder per name.
    EXPECT_EQ(entries(getModuleDirectory()), std::vector<std::string>{"database"});
    EXPECT_EQ(entries(root).size(), cases.size());
    ASSERT_EQ(HAL_getNumRecordStores(), jint(cases.size()));
    std::vector<std::u16string> listed, given;
    for (jint n = 1; n <= jint(cases.size()); ++n) listed.push_back(nthStoreName(n));
    for (const Case& c : cases) given.push_back(c.name);
    std::sort(listed.begin(), listed.end());
    std::sort(given.begin(), given.end());
    EXPECT_EQ(listed, given);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_NE(open(c.name, 0), nullptr);
        EXPECT_EQ(HAL_deleteRecordStore(c.name.data(), jint(c.name.size())), HAL_OK);
        EXPECT_FALSE(fs::exists(root / c.folder));
    }
}

// A store's path for messages, whether or not it exists: the folder its
// name maps to; with no name the database folder itself.
TEST_F(RecordStoreFiles, StorePathsNameTheFolderTheNameMapsTo) {
    auto pathOf = [](const char16_t* name, jint length) {
        char buffer[PATH_MAX];
        jint size = -1;
        EXPECT_EQ(HAL_getRecordStorePath(name, length, buffer, jint(sizeof buffer), &size), HAL_OK);
        EXPECT_EQ(size, jint(std::strlen(buffer)));
        return std::string(buffer);
    };
    EXPECT_EQ(fs::path(pathOf(nullptr, 0)), root);
    EXPECT_EQ(fs::path(pathOf(u"0.damaged", 9)), root / "store-0.damaged");
    EXPECT_EQ(fs::path(pathOf(u"a/b", 3)), root / "store-a%2Fb");
    // Too small a buffer: the length still comes back, nothing is written.
    char small[4] = {'x', 'x', 'x', 'x'};
    jint size = -1;
    EXPECT_EQ(HAL_getRecordStorePath(u"1", 1, small, 4, &size), HAL_BAD_ARGUMENT);
    EXPECT_EQ(size, jint((root / "store-1").string().size()));
    EXPECT_EQ(small[0], 'x');
    EXPECT_FALSE(fs::exists(root / "store-1"));
}

TEST_F(RecordStoreFiles, StoreNameListing) {
    open(u"beta");
    open(u"alpha");
    EXPECT_EQ(nthStoreName(1), u"alpha");
    EXPECT_EQ(nthStoreName(2), u"beta");
    jchar small[5];
    jint length = -1;
    EXPECT_EQ(HAL_getNthRecordStoreName(1, small, 5, &length), HAL_BAD_ARGUMENT);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(HAL_getNthRecordStoreName(0, small, 5, &length), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getNthRecordStoreName(3, small, 5, &length), HAL_NOT_FOUND);
}

TEST_F(RecordStoreFiles, StrayFilesNamedLikeStoresAreSkipped) {
    open(u"real");
    std::ofstream(root / "store-stray") << "not a folder";
    std::ofstream(root / "store-") << "";
    EXPECT_EQ(HAL_getNumRecordStores(), 1);
    EXPECT_EQ(nthStoreName(1), u"real");
    // Opening the stray name fails cleanly and leaves the file alone.
    EXPECT_EQ(open(u"stray", 1, HAL_IO_ERROR), nullptr);
    EXPECT_EQ(open(u"stray", 0, HAL_IO_ERROR), nullptr);
    EXPECT_TRUE(fs::is_regular_file(root / "store-stray"));
    // A delete keeps it; a clear of that name frees it, though there was no
    // store to delete.
    EXPECT_EQ(HAL_deleteRecordStore(u"stray", 5), HAL_IO_ERROR);
    EXPECT_TRUE(fs::is_regular_file(root / "store-stray"));
    EXPECT_EQ(HAL_clearRecordStoreName(u"stray", 5), HAL_NOT_FOUND);
    EXPECT_FALSE(fs::exists(fs::symlink_status(root / "store-stray")));
    EXPECT_EQ(nthStoreName(1), u"real");
}

TEST_F(RecordStoreFiles, AFailedWriteLeavesThePreviousContents) {
    HAL_RecordStore* s = open(u"safe");
    add(s, {1, 2, 3});
    fs::path folder = root / "store-safe";
    Bytes metaBefore = readFile(folder / "metadata.info");

    // The hook's failures are a full disk: no room.
    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(HAL_setRecord(s, 1, Bytes{7, 7, 7, 7}.data(), 4), HAL_OUT_OF_MEMORY);
    EXPECT_EQ(get(s, 1), (Bytes{1, 2, 3}));
    EXPECT_EQ(readFile(folder / "record-1.bin"), (Bytes{1, 2, 3}));
    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);
    EXPECT_EQ(field(HAL_getRecordStoreSize, s), 3);

    HAL_failNextRecordStoreWrites(1);
    jint id = -1;
    EXPECT_EQ(HAL_addRecord(s, &id, "abc", 3), HAL_OUT_OF_MEMORY);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(field(HAL_getNextRecordID, s), 2);
    EXPECT_EQ(field(HAL_getNumRecords, s), 1);
    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);

    // No record file and no temporary file was left behind.
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));

    // Writes work again afterwards.
    EXPECT_EQ(add(s, {5}), 2);
    ASSERT_EQ(HAL_setRecord(s, 1, Bytes{8}.data(), 1), HAL_OK);
    EXPECT_EQ(get(s, 1), Bytes{8});
}

}  // namespace

TEST_F(RecordStoreFiles, DamagedNextIdNeverHandsOutASavedRecordsId) {
    struct Case {
        uint32_t nextIdOnDisk;
        bool withRecords;
        jint expectedNextId;
    };
    const Case cases[] = {
        {0, false, 1},  // id 0 names no record
        {0, true, 4},   // records 1 and 3 are on disk
        {2, true, 4},   // at or below a saved record
        {3, true, 4},
        {9, true, 9},   // already above: kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nextIdOnDisk);
        HAL_RecordStore* s = open(u"damaged");
        ASSERT_NE(s, nullptr);
        if (c.withRecords) {
            EXPECT_EQ(add(s, {1}), 1);
            EXPECT_EQ(add(s, {2}), 2);
            EXPECT_EQ(add(s, {3}), 3);
            ASSERT_EQ(HAL_deleteRecord(s, 2), HAL_OK);
        }
        for (auto* o : opened) HAL_closeRecordStore(o);
        opened.clear();
        fs::path meta = root / "store-damaged" / "metadata.info";
        Bytes bytes = readFile(meta);
        ASSERT_EQ(bytes.size(), 20u);
        for (int i = 0; i < 4; ++i) bytes[size_t(8 + i)] = uint8_t(c.nextIdOnDisk >> (8 * i));
        std::ofstream(meta, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

        s = open(u"damaged", 0);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(field(HAL_getNextRecordID, s), c.expectedNextId);
        EXPECT_EQ(add(s, {0x42}), c.expectedNextId);
        if (c.withRecords) {
            EXPECT_EQ(get(s, 1), Bytes{1});
            EXPECT_EQ(get(s, 3), Bytes{3});
        }
        for (auto* o : opened) HAL_closeRecordStore(o);
        opened.clear();
        ASSERT_EQ(HAL_deleteRecordStore(u"damaged", 7), HAL_OK);
    }
}
