// RecordStore over the record-store files: names, records and their ids,
// sizes and metadata, the exceptions of each failure, closed stores, shared
// stores, listeners, failed writes and the bytes on disk.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "java_lang_Class.h"
#include "java_lang_System.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordListener.h"
#include "javax_microedition_rms_RecordStore.h"
#include "midp/recordstore_test_support.h"
#include "runtime/runtime_test_support.h"

using java::lang::String;
using javax::microedition::rms::RecordListener;
using javax::microedition::rms::RecordStore;
using namespace rmstest;
using wrentest::text;
using wrentest::thrownName;

namespace rmstest {

// What the listeners of a test were told, in order: "<tag> added 3".
std::vector<std::string> heard;

// Tells `heard` of every change; optionally removes a listener from the
// store the first time it is told of anything.
class LogListener : public virtual java::lang::Object, public virtual RecordListener {
    WREN_CLASS(LogListener, java::lang::Object, (toRemove, RecordListener))
public:
    jint tag = 0;
    void ctor(jint t) {
        java::lang::Object::ctor();
        tag = t;
    }
    void log(const char* what, const VMPtr<RecordStore>& store, jint id) {
        heard.push_back(std::to_string(tag) + " " + what + " " + std::to_string(id));
        if (toRemove != nullptr) {
            VMPtr<RecordListener> gone = toRemove;
            toRemove = nullptr;
            store->removeRecordListener(gone);
        }
    }
    void recordAdded(const VMPtr<RecordStore>& s, jint id) override { log("added", s, id); }
    void recordChanged(const VMPtr<RecordStore>& s, jint id) override { log("changed", s, id); }
    void recordDeleted(const VMPtr<RecordStore>& s, jint id) override { log("deleted", s, id); }
};

}  // namespace rmstest

WREN_DEFINE_CLASS(rmstest::LogListener, "rmstest.LogListener",
                  javax::microedition::rms::RecordListener)

namespace {

// True when `value` is the low 32 bits, sign-extended, of a clock reading
// between `before` and `after`. The store's clock may stand up to a second
// apart from System's, which counts whole seconds from its first reading.
// The stamp is System.currentTimeMillis's own low 32 bits, sign-extended, so
// it lies between readings of that clock taken around the change.
bool lowBitsWithin(jlong value, jlong before, jlong after) {
    if (value != jlong(int32_t(uint32_t(value)))) return false;
    return uint32_t(value) - uint32_t(before) <= uint32_t(after) - uint32_t(before);
}

class RecordStoreTest : public RecordStoreFixture {
protected:
    void SetUp() override {
        RecordStoreFixture::SetUp();
        heard.clear();
    }
};

TEST(RecordStoreClasses, RecordsInTheClassTable) {
    struct Case {
        const char* name;
        const char* superName;
        bool isInterface;
    };
    const Case cases[] = {
        {"javax.microedition.rms.RecordStore", "java.lang.Object", false},
        {"javax.microedition.rms.RecordEnumerationImpl", "java.lang.Object", false},
        {"javax.microedition.rms.RecordEnumeration", "", true},
        {"javax.microedition.rms.RecordListener", "", true},
        {"javax.microedition.rms.RecordFilter", "", true},
        {"javax.microedition.rms.RecordComparator", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<java::lang::Class> cls = java::lang::Class::forName(jstr(c.name));
        ASSERT_TRUE(cls != nullptr);
        EXPECT_EQ(std::string(cls->superName), c.superName);
        EXPECT_EQ(cls->isInterface, c.isInterface);
        // Stores come only from openRecordStore, enumerations only from a store.
        EXPECT_TRUE(cls->factory == nullptr);
    }
}

TEST_F(RecordStoreTest, AnEnumerationIsARecordEnumerationAndAListener) {
    VMPtr<java::lang::Object> e = openStore("kinds")->enumerateRecords(nullptr, nullptr, false);
    EXPECT_EQ(std::string(e->getClass()->name), "javax.microedition.rms.RecordEnumerationImpl");
    EXPECT_TRUE(vmIsInstanceOf(e, javax::microedition::rms::RecordEnumeration::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(e, RecordListener::classRecord()));
}

TEST_F(RecordStoreTest, OpenChecksTheName) {
    EXPECT_EQ(thrownName([] { RecordStore::openRecordStore(nullptr, true); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([] { openStore(""); }), "java.lang.IllegalArgumentException");
    std::string longest(32, 'n');
    std::string tooLong(33, 'n');
    EXPECT_EQ(thrownName([&] { openStore(tooLong.c_str()); }),
              "java.lang.IllegalArgumentException");
    EXPECT_FALSE(fs::exists(databaseRoot()));
    VMPtr<RecordStore> s = openStore(longest.c_str());
    EXPECT_EQ(text(s->getName()), longest);
    EXPECT_TRUE(fs::is_directory(databaseRoot() / ("store-" + longest)));

    // Missing and not to be made: nothing but the database folder appears.
    EXPECT_EQ(thrownName([] { openStore("absent", false); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    EXPECT_FALSE(fs::exists(databaseRoot() / "store-absent"));
}

TEST_F(RecordStoreTest, ANewStoreIsEmptyAndStampedWithTheClock) {
    jlong before = java::lang::System::currentTimeMillis();
    VMPtr<RecordStore> s = openStore("fresh");
    jlong after = java::lang::System::currentTimeMillis();
    EXPECT_EQ(text(s->getName()), "fresh");
    EXPECT_EQ(s->getVersion(), 0);
    EXPECT_EQ(s->getNumRecords(), 0);
    EXPECT_EQ(s->getSize(), 0);
    EXPECT_EQ(s->getNextRecordID(), 1);
    EXPECT_GT(s->getSizeAvailable(), 0);
    EXPECT_TRUE(lowBitsWithin(s->getLastModified(), before, after)) << s->getLastModified();

    // Every change stamps it again; the version never moves.
    before = java::lang::System::currentTimeMillis();
    jint id = addBytes(s, {1});
    s->setRecord(id, jbytes({2}), 0, 1);
    s->deleteRecord(id);
    after = java::lang::System::currentTimeMillis();
    EXPECT_TRUE(lowBitsWithin(s->getLastModified(), before, after)) << s->getLastModified();
    EXPECT_EQ(s->getVersion(), 0);
}

TEST_F(RecordStoreTest, RecordsRoundTripWithIdsSizesAndTotals) {
    VMPtr<RecordStore> s = openStore("records");
    VMPtr<VMArray<jbyte>> data = jbytes({10, 11, 12, 13, 14, 15});
    EXPECT_EQ(s->addRecord(data, 1, 3), 1);        // 11 12 13
    EXPECT_EQ(s->addRecord(jbytes({}), 0, 0), 2);  // an empty record
    EXPECT_EQ(s->addRecord(data, 6, 0), 3);        // empty, from the end
    EXPECT_EQ(addBytes(s, {0x80, 0x7F, 0x00}), 4);
    EXPECT_EQ(bytesOf(s->getRecord(1)), (Bytes{11, 12, 13}));
    VMPtr<VMArray<jbyte>> empty = s->getRecord(2);
    ASSERT_TRUE(empty != nullptr);
    EXPECT_EQ(empty->length, 0);
    EXPECT_EQ(s->getRecordSize(3), 0);
    EXPECT_EQ(bytesOf(s->getRecord(4)), (Bytes{0x80, 0x7F, 0x00}));
    EXPECT_EQ(s->getNumRecords(), 4);
    EXPECT_EQ(s->getSize(), 6);
    EXPECT_EQ(s->getNextRecordID(), 5);

    // Replacing changes the size and the total, not the count or next id.
    s->setRecord(1, data, 0, 6);
    EXPECT_EQ(bytesOf(s->getRecord(1)), (Bytes{10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(s->getRecordSize(1), 6);
    s->setRecord(4, nullptr, 0, 0);  // null data without a count: an empty record
    EXPECT_EQ(s->getRecordSize(4), 0);
    EXPECT_EQ(s->getSize(), 6);
    EXPECT_EQ(s->getNumRecords(), 4);
    EXPECT_EQ(s->getNextRecordID(), 5);

    // Ids are never reused.
    s->deleteRecord(4);
    s->deleteRecord(1);
    EXPECT_EQ(s->getNumRecords(), 2);
    EXPECT_EQ(s->getSize(), 0);
    EXPECT_EQ(addBytes(s, {7}), 5);
    EXPECT_EQ(s->getNextRecordID(), 6);
    s->closeRecordStore();
}

TEST_F(RecordStoreTest, BadDataIsRefusedBeforeAnythingIsWritten) {
    VMPtr<RecordStore> s = openStore("checks");
    ASSERT_EQ(addBytes(s, {1, 2, 3}), 1);
    fs::path folder = databaseRoot() / "store-checks";
    Bytes metaBefore = readFile(folder / "metadata.info");

    VMPtr<VMArray<jbyte>> six = jbytes({0, 1, 2, 3, 4, 5});
    struct Case {
        const char* what;
        bool nullData;
        jint offset, numBytes;
        const char* thrown;
    };
    const Case cases[] = {
        {"null data with a count", true, 0, 1, "java.lang.NullPointerException"},
        {"range past the end", false, 2, 5, "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative offset", false, -1, 2, "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative count", false, 0, -1, "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative offset, null data", true, -1, 0, "java.lang.ArrayIndexOutOfBoundsException"},
        {"end past the int range", false, INT_MAX, 2, "java.lang.ArrayIndexOutOfBoundsException"},
        {"offset past the end", false, 7, 0, "java.lang.ArrayIndexOutOfBoundsException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<VMArray<jbyte>> data = c.nullData ? nullptr : six;
        EXPECT_EQ(thrownName([&] { s->addRecord(data, c.offset, c.numBytes); }), c.thrown);
        EXPECT_EQ(thrownName([&] { s->setRecord(1, data, c.offset, c.numBytes); }), c.thrown);
    }
    // Null data without a count reaches the store, which adds nothing for it.
    EXPECT_EQ(thrownName([&] { s->addRecord(nullptr, 0, 0); }),
              "javax.microedition.rms.RecordStoreException");

    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));
    EXPECT_EQ(bytesOf(s->getRecord(1)), (Bytes{1, 2, 3}));
    EXPECT_EQ(s->getNextRecordID(), 2);
}

TEST_F(RecordStoreTest, AMissingRecordIsAnInvalidIdAndNothingIsWritten) {
    VMPtr<RecordStore> s = openStore("missing");
    addBytes(s, {1});
    addBytes(s, {2});
    s->deleteRecord(2);
    VMPtr<LogListener> listener = LogListener::make(jint(1));
    s->addRecordListener(listener);
    fs::path folder = databaseRoot() / "store-missing";
    Bytes metaBefore = readFile(folder / "metadata.info");
    const char* invalid = "javax.microedition.rms.InvalidRecordIDException";
    for (jint id : {2, 3, 0, -1, INT_MAX}) {
        SCOPED_TRACE(id);
        VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(8);
        EXPECT_EQ(thrownName([&] { s->getRecord(id); }), invalid);
        EXPECT_EQ(thrownName([&] { s->getRecord(id, buffer, 0); }), invalid);
        EXPECT_EQ(thrownName([&] { s->getRecordSize(id); }), invalid);
        EXPECT_EQ(thrownName([&] { s->deleteRecord(id); }), invalid);
        EXPECT_EQ(thrownName([&] { s->setRecord(id, jbytes({9, 9}), 0, 2); }), invalid);
    }
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));
    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);
    EXPECT_EQ(s->getNumRecords(), 1);
    EXPECT_EQ(s->getSize(), 1);
    EXPECT_TRUE(heard.empty());
}

TEST_F(RecordStoreTest, GetRecordIntoABufferNeverWritesPastIt) {
    VMPtr<RecordStore> s = openStore("buffer");
    Bytes record = {21, 22, 23, 24, 25};
    addBytes(s, record);
    addBytes(s, {});
    struct Case {
        jint id, length, offset;
        bool fits;
    };
    const Case cases[] = {
        {1, 10, 0, true},  {1, 10, 5, true},   {1, 5, 0, true},    {1, 10, 6, false},
        {1, 4, 0, false},  {1, 10, 10, false}, {1, 10, 11, false}, {1, 10, -1, false},
        {2, 10, 10, true}, {2, 0, 0, true},    {2, 3, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "id " << c.id << " buffer " << c.length << " offset " << c.offset);
        VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(c.length);
        for (jint i = 0; i < c.length; ++i) buffer[i] = jbyte(0x55);
        Bytes expected(size_t(c.length), 0x55);
        if (c.fits) {
            jint n = -1;
            EXPECT_EQ(thrownName([&] { n = s->getRecord(c.id, buffer, c.offset); }), "nothing");
            EXPECT_EQ(n, c.id == 1 ? 5 : 0);
            if (c.id == 1) std::copy(record.begin(), record.end(), expected.begin() + c.offset);
        } else {
            EXPECT_EQ(thrownName([&] { s->getRecord(c.id, buffer, c.offset); }),
                      "java.lang.ArrayIndexOutOfBoundsException");
        }
        EXPECT_EQ(bytesOf(buffer), expected);
    }
    EXPECT_EQ(thrownName([&] { s->getRecord(1, nullptr, 0); }), "java.lang.NullPointerException");
}

TEST_F(RecordStoreTest, AClosedStoreRefusesEverything) {
    VMPtr<RecordStore> s = openStore("closing");
    VMPtr<RecordStore> other = openStore("closing");
    addBytes(s, {1});
    s->closeRecordStore();
    EXPECT_FALSE(s->isOpen());
    const char* notOpen = "javax.microedition.rms.RecordStoreNotOpenException";
    VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(4);
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"closeRecordStore", [&] { s->closeRecordStore(); }},
        {"getName", [&] { s->getName(); }},
        {"getVersion", [&] { s->getVersion(); }},
        {"getNumRecords", [&] { s->getNumRecords(); }},
        {"getSize", [&] { s->getSize(); }},
        {"getSizeAvailable", [&] { s->getSizeAvailable(); }},
        {"getLastModified", [&] { s->getLastModified(); }},
        {"getNextRecordID", [&] { s->getNextRecordID(); }},
        {"getRecordSize", [&] { s->getRecordSize(1); }},
        {"getRecord", [&] { s->getRecord(1); }},
        {"getRecord into a buffer", [&] { s->getRecord(1, buffer, 0); }},
        {"addRecord", [&] { s->addRecord(buffer, 0, 1); }},
        {"setRecord", [&] { s->setRecord(1, buffer, 0, 1); }},
        {"deleteRecord", [&] { s->deleteRecord(1); }},
        {"enumerateRecords", [&] { s->enumerateRecords(nullptr, nullptr, false); }},
    };
    for (auto& [what, call] : calls) EXPECT_EQ(thrownName(call), notOpen) << what;
    // These need no open store.
    VMPtr<LogListener> listener = LogListener::make(jint(1));
    EXPECT_EQ(thrownName([&] {
                  s->setMode(0, true);
                  s->addRecordListener(listener);
                  s->removeRecordListener(listener);
              }),
              "nothing");
    // The other object on the same store is still open.
    EXPECT_EQ(bytesOf(other->getRecord(1)), Bytes{1});
    EXPECT_EQ(addBytes(other, {2}), 2);
}

TEST_F(RecordStoreTest, TwoOpensOfOneNameShareRecordsButNotListeners) {
    VMPtr<RecordStore> a = openStore("shared");
    VMPtr<RecordStore> b = openStore("shared", false);
    ASSERT_TRUE(a != b);
    VMPtr<LogListener> onA = LogListener::make(jint(1));
    a->addRecordListener(onA);
    EXPECT_EQ(addBytes(a, {1}), 1);
    EXPECT_EQ(addBytes(b, {2, 2}), 2);
    EXPECT_EQ(addBytes(a, {3}), 3);
    for (const VMPtr<RecordStore>& s : {a, b}) {
        EXPECT_EQ(s->getNumRecords(), 3);
        EXPECT_EQ(s->getNextRecordID(), 4);
        EXPECT_EQ(s->getSize(), 4);
        EXPECT_EQ(bytesOf(s->getRecord(2)), (Bytes{2, 2}));
    }
    EXPECT_EQ(heard, (std::vector<std::string>{"1 added 1", "1 added 3"}));
    a->closeRecordStore();
    EXPECT_EQ(addBytes(b, {4}), 4);
    b->closeRecordStore();
    VMPtr<RecordStore> again = openStore("shared", false);
    EXPECT_EQ(again->getNextRecordID(), 5);
    EXPECT_EQ(again->getNumRecords(), 4);
}

TEST_F(RecordStoreTest, DeletingStores) {
    EXPECT_EQ(thrownName([] { RecordStore::deleteRecordStore(nullptr); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([] { RecordStore::deleteRecordStore(jstr("never")); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    VMPtr<RecordStore> s = openStore("doomed");
    addBytes(s, {1, 2});
    s->closeRecordStore();
    RecordStore::deleteRecordStore(jstr("doomed"));
    EXPECT_FALSE(fs::exists(databaseRoot() / "store-doomed"));
    EXPECT_TRUE(RecordStore::listRecordStores() == nullptr);
    EXPECT_EQ(thrownName([] { openStore("doomed", false); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    EXPECT_EQ(thrownName([] { RecordStore::deleteRecordStore(jstr("doomed")); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    // Made again, it starts afresh.
    EXPECT_EQ(addBytes(openStore("doomed"), {3}), 1);

    // A link in a store's place that leads nowhere is kept by a delete; a
    // clear of a name the caller owns removes the link, and no store was
    // there.
    const fs::path link = databaseRoot() / "store-linked";
    fs::create_symlink(databaseRoot().parent_path() / "unmounted" / "store", link);
    EXPECT_EQ(thrownName([] { RecordStore::deleteRecordStore(jstr("linked")); }),
              "javax.microedition.rms.RecordStoreException");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(thrownName([] { RecordStore::clearRecordStoreName(jstr("linked")); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(databaseRoot().parent_path() / "unmounted"));
}

// renameRecordStoreIfFree answers false, changing nothing, for a name
// anything holds (another store, a file where its folder would go), and
// moves the store whole to a free one; its names are checked as
// renameRecordStore checks them.
TEST_F(RecordStoreTest, RenamingToAFreeNameOnly) {
    const auto rename = [](const char* from, const char* to) {
        return RecordStore::renameRecordStoreIfFree(from ? jstr(from) : nullptr, to ? jstr(to) : nullptr);
    };
    EXPECT_EQ(thrownName([&] { rename(nullptr, "t"); }), "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { rename("s", ""); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { rename("s", std::string(33, 'x').c_str()); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { rename("none", "t"); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    VMPtr<RecordStore> s = openStore("s");
    addBytes(s, {1, 2});
    s->closeRecordStore();
    VMPtr<RecordStore> held = openStore("held");
    addBytes(held, {3});
    held->closeRecordStore();
    const std::string file = "not a store";
    std::ofstream(databaseRoot() / "store-file") << file;

    EXPECT_FALSE(rename("s", "held"));
    EXPECT_FALSE(rename("s", "file"));
    EXPECT_FALSE(rename("s", "s"));
    EXPECT_EQ(readFile(databaseRoot() / "store-file"), Bytes(file.begin(), file.end()));
    held = openStore("held", false);
    EXPECT_EQ(held->getNumRecords(), 1);
    held->closeRecordStore();

    EXPECT_TRUE(rename("s", "free"));
    EXPECT_EQ(thrownName([] { openStore("s", false); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    VMPtr<RecordStore> moved = openStore("free", false);
    EXPECT_EQ(bytesOf(moved->getRecord(1)), (Bytes{1, 2}));
    moved->closeRecordStore();
}

TEST_F(RecordStoreTest, ListingGivesEveryStoreNameOnce) {
    EXPECT_TRUE(RecordStore::listRecordStores() == nullptr);
    // Names that are no safe file name keep to one folder inside the
    // database folder and come back as given.
    for (const char* name : {"beta", "alpha", "a/b", "..", "100%"})
        openStore(name)->closeRecordStore();
    // A stray file named like a store is not a store; a folder made by other
    // means with a name longer than a store may have is listed all the same.
    writeFile(databaseRoot() / "store-stray", {1});
    std::string foreign(40, 'f');
    fs::create_directory(databaseRoot() / ("store-" + foreign));

    VMPtr<VMArray<String*>> names = RecordStore::listRecordStores();
    ASSERT_TRUE(names != nullptr);
    std::vector<std::string> listed;
    for (jint i = 0; i < names->length; ++i) listed.push_back(text(names[i]));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"..", "100%", "a/b", "alpha", "beta", foreign}));
    EXPECT_EQ(entries(fs::path(getModuleDirectory())), std::vector<std::string>{"database"});
    EXPECT_TRUE(fs::is_directory(databaseRoot() / "store-a%2Fb"));
    EXPECT_EQ(thrownName([] { openStore("stray"); }),
              "javax.microedition.rms.RecordStoreException");
    EXPECT_EQ(readFile(databaseRoot() / "store-stray"), Bytes{1});
}

TEST_F(RecordStoreTest, ListenersAreToldOfEveryChangeOnce) {
    VMPtr<RecordStore> s = openStore("told");
    VMPtr<LogListener> first = LogListener::make(jint(1));
    VMPtr<LogListener> second = LogListener::make(jint(2));
    s->addRecordListener(first);
    s->addRecordListener(first);  // registered once
    s->addRecordListener(second);
    jint id = addBytes(s, {1});
    s->setRecord(id, jbytes({2}), 0, 1);
    s->deleteRecord(id);
    s->removeRecordListener(second);
    s->removeRecordListener(second);  // no longer there: nothing happens
    addBytes(s, {3});
    EXPECT_EQ(heard,
              (std::vector<std::string>{"1 added 1", "2 added 1", "1 changed 1", "2 changed 1",
                                        "1 deleted 1", "2 deleted 1", "1 added 2"}));
    // A refused change is told to nobody.
    heard.clear();
    EXPECT_EQ(thrownName([&] { s->deleteRecord(id); }),
              "javax.microedition.rms.InvalidRecordIDException");
    EXPECT_TRUE(heard.empty());
}

TEST_F(RecordStoreTest, AListenerMayRemoveListenersWhileTold) {
    VMPtr<RecordStore> s = openStore("removal");
    VMPtr<LogListener> first = LogListener::make(jint(1));
    VMPtr<LogListener> second = LogListener::make(jint(2));
    VMPtr<LogListener> third = LogListener::make(jint(3));
    first->toRemove = second;  // the first removes the second before it is told
    third->toRemove = third;   // the last removes itself
    s->addRecordListener(first);
    s->addRecordListener(second);
    s->addRecordListener(third);
    EXPECT_EQ(thrownName([&] { addBytes(s, {1}); }), "nothing");
    EXPECT_EQ(heard, (std::vector<std::string>{"1 added 1", "3 added 1"}));
    heard.clear();
    addBytes(s, {2});
    EXPECT_EQ(heard, (std::vector<std::string>{"1 added 2"}));
}

TEST_F(RecordStoreTest, AFailedWriteIsReportedAndTheOldRecordStaysReadable) {
    VMPtr<RecordStore> s = openStore("durable");
    addBytes(s, {1, 2, 3});
    VMPtr<LogListener> listener = LogListener::make(jint(1));
    s->addRecordListener(listener);
    fs::path folder = databaseRoot() / "store-durable";
    Bytes metaBefore = readFile(folder / "metadata.info");

    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(thrownName([&] {
                  s->setRecord(1, jbytes({7, 7, 7, 7}), 0, 4);
              }),
              "javax.microedition.rms.RecordStoreFullException");
    EXPECT_EQ(bytesOf(s->getRecord(1)), (Bytes{1, 2, 3}));
    EXPECT_EQ(s->getSize(), 3);

    HAL_failNextRecordStoreWrites(1);
    EXPECT_EQ(thrownName([&] { addBytes(s, {4}); }),
              "javax.microedition.rms.RecordStoreFullException");
    EXPECT_EQ(s->getNumRecords(), 1);
    EXPECT_EQ(s->getNextRecordID(), 2);

    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(readFile(folder / "metadata.info"), metaBefore);
    EXPECT_EQ(readFile(folder / "record-1.bin"), (Bytes{1, 2, 3}));
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin"}));

    // Once writes work again, so does the store, and it reopens as written.
    EXPECT_EQ(addBytes(s, {4}), 2);
    s->closeRecordStore();
    VMPtr<RecordStore> again = openStore("durable", false);
    EXPECT_EQ(bytesOf(again->getRecord(1)), (Bytes{1, 2, 3}));
    EXPECT_EQ(bytesOf(again->getRecord(2)), Bytes{4});
}

TEST_F(RecordStoreTest, TheFilesHoldTheRecordsAndTwentyByteMetadata) {
    VMPtr<RecordStore> s = openStore("layout");
    fs::path folder = databaseRoot() / "store-layout";
    EXPECT_EQ(entries(folder), std::vector<std::string>{"metadata.info"});
    EXPECT_EQ(metadataOf(folder), (Metadata{uint32_t(s->getLastModified()), 0, 1, 0, 0}));

    EXPECT_EQ(addBytes(s, {0x01, 0xFF, 0x80}), 1);
    EXPECT_EQ(addBytes(s, {}), 2);
    EXPECT_EQ(entries(folder),
              (std::vector<std::string>{"metadata.info", "record-1.bin", "record-2.bin"}));
    EXPECT_EQ(readFile(folder / "record-1.bin"), (Bytes{0x01, 0xFF, 0x80}));
    EXPECT_EQ(readFile(folder / "record-2.bin"), Bytes{});
    EXPECT_EQ(metadataOf(folder), (Metadata{uint32_t(s->getLastModified()), 0, 3, 3, 2}));

    s->deleteRecord(1);
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-2.bin"}));
    EXPECT_EQ(metadataOf(folder), (Metadata{uint32_t(s->getLastModified()), 0, 3, 0, 1}));
}

TEST_F(RecordStoreTest, AStoreFolderFromTheFixtureReadsAndWritesInItsLayout) {
    fs::path folder = databaseRoot() / "store-fixture";
    fs::create_directories(databaseRoot());
    fs::copy(fs::path(WREN_RMS_FIXTURES) / "store-fixture", folder);

    VMPtr<RecordStore> s = openStore("fixture", false);
    EXPECT_EQ(s->getLastModified(), jlong(int32_t(0x89ABCDEFu)));  // sign-extended
    EXPECT_EQ(s->getVersion(), 3);
    EXPECT_EQ(s->getNextRecordID(), 6);
    EXPECT_EQ(s->getSize(), 9);
    EXPECT_EQ(s->getNumRecords(), 3);
    EXPECT_EQ(bytesOf(s->getRecord(1)), (Bytes{'A', 'B', 'C'}));
    EXPECT_EQ(bytesOf(s->getRecord(2)), (Bytes{0x00, 0xFF}));
    EXPECT_EQ(bytesOf(s->getRecord(5)), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(thrownName([&] { s->getRecord(3); }),
              "javax.microedition.rms.InvalidRecordIDException");
    VMPtr<VMArray<jint>> ids = s->getRecordIds();
    EXPECT_EQ((std::vector<jint>(ids->elements(), ids->elements() + ids->length)),
              (std::vector<jint>{1, 2, 5}));

    EXPECT_EQ(addBytes(s, {0xAB, 0xCD}), 6);
    EXPECT_EQ(readFile(folder / "record-6.bin"), (Bytes{0xAB, 0xCD}));
    EXPECT_EQ(metadataOf(folder), (Metadata{uint32_t(s->getLastModified()), 3, 7, 11, 4}));
    s->setRecord(1, jbytes({'Z'}), 0, 1);
    s->deleteRecord(2);
    EXPECT_EQ(metadataOf(folder), (Metadata{uint32_t(s->getLastModified()), 3, 7, 7, 3}));
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"metadata.info", "record-1.bin",
                                                         "record-5.bin", "record-6.bin"}));
    EXPECT_EQ(readFile(folder / "record-1.bin"), Bytes{'Z'});
}

}  // namespace
