// Saved records outlive the program. Each test here is one run of the
// program: CTest starts this executable four times, one test per process,
// in order, over one program folder (WREN_MODULE_DIR), so every run after
// the first finds only what the earlier runs left on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordStore.h"
#include "midp/recordstore_test_support.h"
#include "runtime/runtime_test_support.h"

using javax::microedition::rms::RecordEnumeration;
using javax::microedition::rms::RecordStore;
using namespace rmstest;
using wrentest::text;
using wrentest::thrownName;

namespace {

const Bytes kFirst = {'l', 'e', 'v', 'e', 'l', ' ', '1'};
const Bytes kSecond = {0x00, 0x01, 0xFE, 0xFF};
const Bytes kThird(5000, 0x5A);  // more than one file-system block
const Bytes kFirstAgain = {'l', 'e', 'v', 'e', 'l', ' ', '9'};
const Bytes kFourth = {42};

class RecordStoreRestart : public ::testing::Test {
protected:
    void SetUp() override {
        const char* dir = std::getenv("WREN_MODULE_DIR");
        ASSERT_TRUE(dir && *dir) << "run through CTest: the runs share WREN_MODULE_DIR";
        ASSERT_EQ(std::string(getModuleDirectory()), dir);
    }
    static std::vector<jint> idsInOrder(const VMPtr<RecordStore>& s) {
        VMPtr<RecordEnumeration> e = s->enumerateRecords(nullptr, nullptr, false);
        std::vector<jint> ids;
        while (e->hasNextElement()) ids.push_back(e->nextRecordId());
        e->destroy();
        return ids;
    }
};

TEST_F(RecordStoreRestart, Run1_CreateAndAdd) {
    ASSERT_FALSE(fs::exists(databaseRoot())) << "the chain starts from an empty folder";
    VMPtr<RecordStore> s = openStore("progress");
    EXPECT_EQ(addBytes(s, kFirst), 1);
    EXPECT_EQ(addBytes(s, kSecond), 2);
    EXPECT_EQ(addBytes(s, kThird), 3);
    EXPECT_EQ(addBytes(openStore("options"), {1}), 1);
    s->closeRecordStore();
}

TEST_F(RecordStoreRestart, Run2_ReopenAndCheck) {
    VMPtr<RecordStore> s = openStore("progress", false);
    EXPECT_EQ(s->getNumRecords(), 3);
    EXPECT_EQ(s->getNextRecordID(), 4);
    EXPECT_EQ(s->getSize(), jint(kFirst.size() + kSecond.size() + kThird.size()));
    EXPECT_EQ(idsInOrder(s), (std::vector<jint>{1, 2, 3}));
    EXPECT_EQ(bytesOf(s->getRecord(1)), kFirst);
    EXPECT_EQ(bytesOf(s->getRecord(2)), kSecond);
    EXPECT_EQ(bytesOf(s->getRecord(3)), kThird);
    VMPtr<VMArray<java::lang::String*>> names = RecordStore::listRecordStores();
    ASSERT_TRUE(names != nullptr);
    std::vector<std::string> listed;
    for (jint i = 0; i < names->length; ++i) listed.push_back(text(names[i]));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"options", "progress"}));
    s->closeRecordStore();
}

TEST_F(RecordStoreRestart, Run3_DeleteAndAdd) {
    VMPtr<RecordStore> s = openStore("progress", false);
    s->deleteRecord(2);
    EXPECT_EQ(addBytes(s, kFourth), 4);
    s->setRecord(1, jbytes(kFirstAgain), 0, jint(kFirstAgain.size()));
    s->closeRecordStore();
    RecordStore::deleteRecordStore(jstr("options"));
}

TEST_F(RecordStoreRestart, Run4_ReopenAndCheck) {
    VMPtr<RecordStore> s = openStore("progress", false);
    EXPECT_EQ(s->getNumRecords(), 3);
    EXPECT_EQ(s->getNextRecordID(), 5);
    EXPECT_EQ(s->getSize(), jint(kFirstAgain.size() + kThird.size() + kFourth.size()));
    EXPECT_EQ(idsInOrder(s), (std::vector<jint>{1, 3, 4}));
    EXPECT_EQ(bytesOf(s->getRecord(1)), kFirstAgain);
    EXPECT_EQ(bytesOf(s->getRecord(3)), kThird);
    EXPECT_EQ(bytesOf(s->getRecord(4)), kFourth);
    EXPECT_EQ(thrownName([&] { s->getRecord(2); }),
              "javax.microedition.rms.InvalidRecordIDException");
    EXPECT_EQ(thrownName([] { openStore("options", false); }),
              "javax.microedition.rms.RecordStoreNotFoundException");
    // The next add still continues the ids.
    EXPECT_EQ(addBytes(s, {7}), 5);
    s->closeRecordStore();
}

}  // namespace
