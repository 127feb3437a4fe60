// Saved data: items of bytes under int ids in record stores named by the
// id, 4096 bytes a record. A save never loses the previous one: a write that
// fails at any point, or a process killed at any point, leaves the item with
// either its old or its new bytes, whole.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log_lines.h"
#include "framework_test_support.h"
#include "java_lang_String.h"
#include "javax_microedition_rms_RecordStore.h"
#include "support/java_bytes.h"
#include "support/program_folder.h"

// The record-store layer's fault hook: after `after` file writes that
// succeed, the next `count` fail as on a full disk. The suite is built as
// game code, without the host's headers, so it is declared here.
void HAL_failNextRecordStoreWrites(int count, int after);

namespace {

namespace fs = std::filesystem;
using javax::microedition::rms::RecordStore;
using wrentest::bytesOf;
using wrentest::jbytes;
using wrentest::framework::CanvasTest;
using Bytes = std::vector<uint8_t>;

// The stores go to a folder of this process's own, never beside the test
// executable where parallel suites would share them.
wrentest::ProcessProgramFolder programFolder{"/tmp/wren_saves_XXXXXX"};

fs::path databaseRoot() {
    return fs::path(std::getenv("WREN_MODULE_DIR")) / "database";
}

Bytes contentOf(uint32_t seed, size_t size) {
    Bytes b(size);
    uint32_t x = seed | 1;
    for (auto& byte : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = uint8_t(x);
    }
    return b;
}

VMPtr<java::lang::String> jstr(const std::string& s) {
    return java::lang::String::make(s.c_str());
}

std::vector<std::string> storeNames() {
    std::vector<std::string> names;
    VMPtr<VMArray<java::lang::String*>> listed = RecordStore::listRecordStores();
    for (jint i = 0; listed != nullptr && i < listed->length; ++i) {
        VMPtr<java::lang::String> name = listed[i];
        std::string text;
        for (jint k = 0; k < name->length(); ++k) text += char(name->charAt(k));
        names.push_back(text);
    }
    return names;
}

std::vector<jint> recordSizes(const std::string& store) {
    VMPtr<RecordStore> s = RecordStore::openRecordStore(jstr(store), false);
    std::vector<jint> sizes;
    for (jint k = 1; k <= s->getNumRecords(); ++k) sizes.push_back(s->getRecordSize(k));
    s->closeRecordStore();
    return sizes;
}

std::optional<Bytes> loaded(const VMPtr<wren::WrenCanvas>& canvas, jint id) {
    VMPtr<VMArray<jbyte>> data = canvas->loadData(id);
    if (data == nullptr) return std::nullopt;
    return bytesOf(data);
}

const char* const kLogVariable = "WREN_SAVE_WRITER_LOG";
const char* const kSeedVariable = "WREN_SAVE_WRITER_SEED";

class SavedData : public CanvasTest {
protected:
    void SetUp() override {
        HAL_failNextRecordStoreWrites(0, 0);
        // The kill test's writer works on the stores its parent checks.
        if (!std::getenv(kLogVariable)) fs::remove_all(databaseRoot());
        CanvasTest::SetUp();
    }
    void TearDown() override {
        CanvasTest::TearDown();
        HAL_failNextRecordStoreWrites(0, 0);
        fs::remove_all(databaseRoot());
    }
    bool save(jint id, const Bytes& data) { return canvas->saveData(id, jbytes(data)); }
};

TEST_F(SavedData, ItemsRoundTripInRecordsOf4096Bytes) {
    struct Case {
        size_t size;
        std::vector<jint> records;
    };
    for (const Case& c : {Case{0, {}}, Case{1, {1}}, Case{4096, {4096}}, Case{4097, {4096, 1}},
                          Case{8192, {4096, 4096}}, Case{6800, {4096, 2704}}}) {
        SCOPED_TRACE(c.size);
        Bytes data = contentOf(uint32_t(c.size), c.size);
        ASSERT_TRUE(save(5, data));
        EXPECT_EQ(recordSizes("5"), c.records);
        EXPECT_EQ(loaded(canvas, 5), data);
        // Only the item's store is left: the staging copy took its place.
        EXPECT_EQ(storeNames(), std::vector<std::string>{"5"});
    }
    // A shorter save replaces a longer one whole.
    ASSERT_TRUE(save(5, {9, 8, 7}));
    EXPECT_EQ(recordSizes("5"), std::vector<jint>{3});
    // Negative ids are their decimal text.
    ASSERT_TRUE(save(-3, {1}));
    EXPECT_EQ(storeNames(), (std::vector<std::string>{"-3", "5"}));
    EXPECT_EQ(loaded(canvas, -3), Bytes{1});
}

TEST_F(SavedData, AbsentItemsAreNullAndDeletingThemIsNoFailure) {
    EXPECT_EQ(loaded(canvas, 17), std::nullopt);
    EXPECT_TRUE(canvas->deleteData(17));
    EXPECT_TRUE(canvas->saveData(17, nullptr));
    ASSERT_TRUE(save(17, {1, 2, 3}));
    EXPECT_TRUE(canvas->deleteData(17));
    EXPECT_EQ(loaded(canvas, 17), std::nullopt);
    EXPECT_TRUE(storeNames().empty());
}

TEST_F(SavedData, DeleteAllDataKeepsStoresWhoseNamesAreNotNumbers) {
    for (const char* name : {"settings", "12a", "7.saving", "x.saving", "7.damaged"})
        RecordStore::openRecordStore(jstr(name), true)->closeRecordStore();
    ASSERT_TRUE(save(3, {1}));
    ASSERT_TRUE(save(-40, {2}));
    EXPECT_TRUE(canvas->deleteAllData());
    // "7.saving" is what a save of item 7 cut short leaves; it goes too.
    // "7.damaged" is bytes a load set aside: they stay.
    EXPECT_EQ(storeNames(), (std::vector<std::string>{"12a", "7.damaged", "settings", "x.saving"}));
    EXPECT_EQ(loaded(canvas, 3), std::nullopt);
    EXPECT_EQ(loaded(canvas, -40), std::nullopt);
}

TEST_F(SavedData, AStoreNotCutAsSavesCutThemIsNoItem) {
    // Records of 100 and 50 bytes: no save writes a short record before
    // the last, so this is no item's whole data.
    VMPtr<RecordStore> s = RecordStore::openRecordStore(jstr("9"), true);
    s->addRecord(jbytes(contentOf(1, 100)), 0, 100);
    s->addRecord(jbytes(contentOf(2, 50)), 0, 50);
    s->closeRecordStore();
    EXPECT_EQ(loaded(canvas, 9), std::nullopt);
}

// readData tells apart why there is no item: none saved, a store no save
// cut, a store the device can't read; loadData is null for all three.
TEST_F(SavedData, ReadDataTellsWhyThereIsNoItem) {
    ASSERT_TRUE(save(1, contentOf(1, 5000)));
    VMPtr<RecordStore> cut = RecordStore::openRecordStore(jstr("2"), true);
    cut->addRecord(jbytes(contentOf(2, 100)), 0, 100);
    cut->addRecord(jbytes(contentOf(3, 50)), 0, 50);
    cut->closeRecordStore();
    fs::create_directories(databaseRoot());
    std::FILE* stray = std::fopen((databaseRoot() / "store-3").c_str(), "w");
    ASSERT_NE(stray, nullptr);
    std::fclose(stray);
    struct Case {
        jint id;
        jint outcome;
        bool bytes;
    };
    for (const Case& c : {Case{1, wren::WrenCanvas::DATA_READ, true},
                          Case{4, wren::WrenCanvas::DATA_MISSING, false},
                          Case{2, wren::WrenCanvas::DATA_DAMAGED, false},
                          Case{3, wren::WrenCanvas::DATA_UNREADABLE, false}}) {
        SCOPED_TRACE(c.id);
        VMPtr<VMArray<jint>> outcome = VMArray<jint>::create(1);
        outcome[0] = -1;
        EXPECT_EQ(canvas->readData(c.id, outcome) != nullptr, c.bytes);
        EXPECT_EQ(outcome[0], c.outcome);
        EXPECT_EQ(loaded(canvas, c.id).has_value(), c.bytes);
    }
}

// setAsideData moves the item's whole store to "<id>.damaged", or the next
// free "<id>.damaged-<n>", and never over an earlier copy.
TEST_F(SavedData, SetAsideDataKeepsEveryCopy) {
    VMPtr<VMArray<jint>> outcome = VMArray<jint>::create(1);
    EXPECT_EQ(canvas->setAsideData(6, outcome), nullptr);  // nothing to move
    EXPECT_EQ(outcome[0], wren::WrenCanvas::ASIDE_NO_STORE);
    for (uint32_t round = 1; round <= 3; ++round) {
        ASSERT_TRUE(save(6, contentOf(round, 4100)));
        VMPtr<java::lang::String> aside = canvas->setAsideData(6, outcome);
        EXPECT_EQ(outcome[0], wren::WrenCanvas::ASIDE_MOVED);
        ASSERT_NE(aside, nullptr);
        const std::string expected = round == 1 ? "6.damaged" : "6.damaged-" + std::to_string(round);
        EXPECT_TRUE(aside->equals(expected.c_str())) << expected;
        EXPECT_EQ(loaded(canvas, 6), std::nullopt);
    }
    EXPECT_EQ(storeNames(), (std::vector<std::string>{"6.damaged", "6.damaged-2", "6.damaged-3"}));
    VMPtr<RecordStore> first = RecordStore::openRecordStore(jstr("6.damaged"), false);
    ASSERT_EQ(first->getNumRecords(), 2);
    Bytes kept = bytesOf(first->getRecord(1)), tail = bytesOf(first->getRecord(2));
    first->closeRecordStore();
    kept.insert(kept.end(), tail.begin(), tail.end());
    EXPECT_EQ(kept, contentOf(1, 4100));
}

// An item's store that is a link leading nowhere (to a store on a volume
// not mounted now, say) is no missing item: it can't be read, and neither a
// save nor a delete of the item removes the link or writes where it leads.
TEST_F(SavedData, AnItemThatIsALinkLeadingNowhereIsKept) {
    fs::create_directories(databaseRoot());
    const fs::path target = databaseRoot().parent_path() / "unmounted" / "store-8";
    const fs::path link = databaseRoot() / "store-8";
    fs::create_symlink(target, link);
    VMPtr<VMArray<jint>> outcome = VMArray<jint>::create(1);
    EXPECT_TRUE(canvas->readData(8, outcome) == nullptr);
    EXPECT_EQ(outcome[0], wren::WrenCanvas::DATA_UNREADABLE);
    EXPECT_FALSE(save(8, {1, 2, 3}));
    EXPECT_FALSE(canvas->deleteData(8));
    // Every store is deleted: the link is none.
    EXPECT_TRUE(canvas->deleteAllData());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
    EXPECT_FALSE(fs::exists(target.parent_path()));
    // The save's staging store went with its refused save.
    EXPECT_EQ(storeNames(), std::vector<std::string>{});
}

// A copy's name that anything holds is taken, though the stores' listing
// does not show it: a file, a link leading nowhere, a link that loops. They
// stay as they are, and the store goes to the next free name.
TEST_F(SavedData, SetAsideDataTakesNoNameAFileOrALinkHolds) {
    ASSERT_TRUE(save(6, contentOf(7, 100)));
    fs::create_directories(databaseRoot());
    const fs::path file = databaseRoot() / "store-6.damaged";
    const fs::path link = databaseRoot() / "store-6.damaged-2";
    const fs::path loop = databaseRoot() / "store-6.damaged-3";
    std::ofstream(file) << "not a store";
    fs::create_symlink("nowhere", link);
    fs::create_symlink(loop.filename(), loop);
    VMPtr<VMArray<jint>> outcome = VMArray<jint>::create(1);
    VMPtr<java::lang::String> aside = canvas->setAsideData(6, outcome);
    EXPECT_EQ(outcome[0], wren::WrenCanvas::ASIDE_MOVED);
    ASSERT_NE(aside, nullptr);
    EXPECT_TRUE(aside->equals("6.damaged-4"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a store");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "nowhere");
    EXPECT_EQ(fs::read_symlink(loop), loop.filename());
    EXPECT_EQ(storeNames(), std::vector<std::string>{"6.damaged-4"});
    EXPECT_EQ(loaded(canvas, 6), std::nullopt);
}

TEST_F(SavedData, AWriteFailingAtAnyPointKeepsThePreviousSave) {
    // Each point at which a file write of the save can fail, from the
    // staging store's creation on; the save writes the new store's
    // metadata, then each record and the metadata after it.
    const Bytes before = contentOf(1, 6800);
    const Bytes after = contentOf(2, 9000);
    for (int passing = 0; passing <= 8; ++passing) {
        SCOPED_TRACE("writes that pass: " + std::to_string(passing));
        HAL_failNextRecordStoreWrites(0, 0);
        ASSERT_TRUE(save(1, before));
        HAL_failNextRecordStoreWrites(1000, passing);
        bool saved = save(1, after);
        HAL_failNextRecordStoreWrites(0, 0);
        // 1 + 3 records x 2 writes: with 7 writes passing the save is whole.
        EXPECT_EQ(saved, passing >= 7);
        EXPECT_EQ(loaded(canvas, 1), saved ? after : before);
        EXPECT_EQ(storeNames(), std::vector<std::string>{"1"});
    }
    // The first save of an item that fails leaves no item at all.
    HAL_failNextRecordStoreWrites(1000, 3);
    EXPECT_FALSE(save(2, after));
    HAL_failNextRecordStoreWrites(0, 0);
    EXPECT_EQ(loaded(canvas, 2), std::nullopt);
}

// --- a process killed while it saves --------------------------------------------------------

constexpr int kRounds = 40;
constexpr int kProgressEvery = 5;
constexpr int kMaxDelayMicros = 80000;

void logLine(int fd, const std::string& line) {
    std::string text = line + "\n";
    if (::write(fd, text.data(), text.size()) != ssize_t(text.size())) _exit(20);
}

// The writer the kill test runs in a process of its own (this executable,
// started anew, so that it has a whole runtime): saves and deletes items 0
// and 1 until it is killed, logging each step before it starts and once it
// is done. Disabled, so that it runs only when asked for by name.
TEST_F(SavedData, DISABLED_KillTestWriter) {
    const char* logPath = std::getenv(kLogVariable);
    const char* seedText = std::getenv(kSeedVariable);
    if (!logPath || !seedText) GTEST_SKIP();
    int fd = ::open(logPath, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) _exit(22);
    std::mt19937 rng(uint32_t(std::strtoul(seedText, nullptr, 10)));
    static const size_t kSizes[] = {0, 1, 4095, 4096, 4097, 8192, 6800, 12289};
    logLine(fd, "ready");
    for (;;) {
        jint id = jint(rng() % 2);
        uint32_t seed = rng();
        if (rng() % 10 == 0) {
            logLine(fd, "begin " + std::to_string(id) + " delete");
            if (!canvas->deleteData(id)) _exit(23);
        } else {
            size_t size = kSizes[rng() % 8];
            logLine(fd, "begin " + std::to_string(id) + " " + std::to_string(seed) + " " +
                            std::to_string(size));
            if (!save(id, contentOf(seed, size))) _exit(24);
        }
        logLine(fd, "done");
    }
}

struct Step {
    jint id = 0;
    std::optional<Bytes> content;  // none: deleted
    bool done = false;
};

struct Log {
    bool ready = false;
    std::vector<Step> steps;
};

Log readLog(const std::string& path) {
    Log log;
    for (const std::string& line : wrentest::completeLines(path)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "ready") {
            log.ready = true;
        } else if (first == "begin") {
            Step s;
            std::string what;
            words >> s.id >> what;
            if (what != "delete") {
                size_t size = 0;
                words >> size;
                s.content = contentOf(uint32_t(std::stoul(what)), size);
            }
            log.steps.push_back(s);
        } else if (first == "done" && !log.steps.empty()) {
            log.steps.back().done = true;
        }
    }
    return log;
}

std::string describe(const std::optional<Bytes>& b) {
    return b ? std::to_string(b->size()) + " bytes" : "none";
}

TEST_F(SavedData, AKillDuringASaveLeavesTheOldOrTheNewDataNeverAMix) {
    std::random_device entropy;
    const uint32_t masterSeed = entropy();
    SCOPED_TRACE("seed " + std::to_string(masterSeed));
    std::mt19937 rng(masterSeed);
    const std::string logPath = std::string(std::getenv("WREN_MODULE_DIR")) + "/writer.log";
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::map<jint, std::optional<Bytes>> model = {{0, std::nullopt}, {1, std::nullopt}};
    int cutShort = 0;
    int saves = 0;

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
        std::string seed = std::to_string(rng());
        pid_t pid = fork();
        if (pid == 0) {
            setenv(kLogVariable, logPath.c_str(), 1);
            setenv(kSeedVariable, seed.c_str(), 1);
            int devNull = ::open("/dev/null", O_WRONLY);
            if (devNull >= 0) ::dup2(devNull, 1);
            execl(self.c_str(), self.c_str(), "--gtest_also_run_disabled_tests",
                  "--gtest_filter=SavedData.DISABLED_KillTestWriter", (char*)nullptr);
            _exit(25);
        }
        ASSERT_GT(pid, 0);
        auto reap = [&](int sig) {
            ::kill(pid, sig);
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        };

        // The writer's start-up is no part of a save: the kill's moment is
        // drawn from when it is ready, and now and then only once it has
        // finished a save, so that the items change however slow the
        // machine is.
        bool waitForSave = round % kProgressEvery == kProgressEvery - 1;
        auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            Log log = readLog(logPath);
            bool saved = false;
            for (const Step& s : log.steps) saved = saved || s.done;
            if (log.ready && (!waitForSave || saved)) break;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                FAIL() << "the writer ended with "
                       << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            if (std::chrono::steady_clock::now() > giveUp) {
                reap(SIGKILL);
                FAIL() << "the writer is stuck";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % kMaxDelayMicros));
        int status = reap(SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);

        std::optional<Step> pending;
        for (const Step& s : readLog(logPath).steps) {
            if (s.done) {
                model[s.id] = s.content;
                ++saves;
            } else {
                pending = s;
            }
        }
        // Read as the next run of the program would.
        for (jint id : {0, 1}) {
            SCOPED_TRACE("item " + std::to_string(id));
            std::optional<Bytes> seen = loaded(canvas, id);
            if (seen == model[id]) {
                if (pending && pending->id == id) ++cutShort;
                continue;
            }
            ASSERT_TRUE(pending && pending->id == id && seen == pending->content)
                << "found " << describe(seen) << ", saved " << describe(model[id])
                << (pending && pending->id == id ? ", being saved " + describe(pending->content)
                                                 : std::string());
            model[id] = seen;
            ++cutShort;
        }
        // Nothing else a reader could take for an item is left.
        for (const std::string& name : storeNames())
            EXPECT_TRUE(name == "0" || name == "1" || name == "0.saving" || name == "1.saving")
                << name;
    }
    ::unlink(logPath.c_str());
    EXPECT_GT(saves, 0);
    EXPECT_GT(cutShort, 0);
    std::printf("%d kills, %d of them inside a save; %d saves finished\n", kRounds, cutShort,
                saves);
}

}  // namespace
