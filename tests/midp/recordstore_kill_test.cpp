// A process killed at any point while it changes record stores leaves them
// whole. A child process adds, replaces and deletes records and makes and
// deletes stores, logging each change before it starts and once it is done,
// and is killed at a random moment, round after round over one database
// folder. After each kill every store opens, every committed record reads
// back with its bytes and is enumerated, counts, sizes and next ids agree
// with the records, and the change the kill cut short either happened whole
// or not at all.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log_lines.h"
#include "HAL_recordstore.h"
#include "HAL_status.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordStore.h"
#include "midp/recordstore_test_support.h"
#include "runtime/runtime_test_support.h"

using javax::microedition::rms::RecordEnumeration;
using javax::microedition::rms::RecordStore;
using namespace rmstest;
using wrentest::thrownName;

namespace {

constexpr int kRounds = 120;
// Every so many rounds the kill waits until the child has finished a change,
// so that the stores grow however slow the machine is.
constexpr int kProgressEvery = 6;
constexpr int kMaxDelayMicros = 30000;
const char* const kStoreNames[] = {"a", "b", "c"};

// A record's bytes from its seed and size.
Bytes contentOf(uint32_t seed, uint32_t size) {
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

// The child's log: one line per step, written with a single write so that a
// kill leaves whole lines (a cut last line is ignored).
void logLine(int fd, const std::string& line) {
    std::string text = line + "\n";
    if (::write(fd, text.data(), text.size()) != ssize_t(text.size())) _exit(20);
}

std::u16string utf16(const char* name) {
    return std::u16string(name, name + std::strlen(name));
}

// The child: changes the stores through the bridge until it is killed. It
// is a fork of the test process, so it keeps to the bridge and never enters
// the runtime, whose other threads did not come along. It never returns; a
// step the bridge refuses ends it with a code of its own, which the parent
// reports.
[[noreturn]] void runWriter(int logFd, uint32_t seed) {
    try {
        std::mt19937 rng(seed);
        for (;;) {
            const char* name = kStoreNames[rng() % 3];
            std::u16string n16 = utf16(name);
            uint32_t pick = rng() % 100;
            if (pick < 4) {
                logLine(logFd, std::string("begin deletestore ") + name);
                int status = HAL_deleteRecordStore(n16.data(), jint(n16.size()));
                if (status != HAL_OK && status != HAL_NOT_FOUND) _exit(21);
                logLine(logFd, "done");
                continue;
            }
            logLine(logFd, std::string("begin open ") + name);
            HAL_RecordStore* store = nullptr;
            if (HAL_openRecordStore(&store, n16.data(), jint(n16.size()), 1) != HAL_OK) _exit(22);
            logLine(logFd, "done");
            std::vector<jint> ids;
            for (jint i = 1;; ++i) {
                jint id = 0;
                if (HAL_getNthRecordId(store, i, &id) != HAL_OK) break;
                ids.push_back(id);
            }
            // Mostly small records, now and then one over many blocks, so
            // that kills land inside long writes too.
            uint32_t size = rng() % 8 == 0 ? rng() % 40000 : rng() % 200;
            uint32_t contentSeed = rng();
            Bytes content = contentOf(contentSeed, size);
            static const uint8_t none = 0;  // an empty record is still data
            const void* data = content.empty() ? &none : content.data();
            std::ostringstream line;
            if (pick < 55 || ids.empty()) {
                line << "begin add " << name << " " << contentSeed << " " << size;
                logLine(logFd, line.str());
                jint id = 0;
                int status = HAL_addRecord(store, &id, data, jint(size));
                if (status != HAL_OK) _exit(30 + status);
                logLine(logFd, "done " + std::to_string(id));
            } else if (pick < 80) {
                jint id = ids[rng() % ids.size()];
                line << "begin set " << name << " " << id << " " << contentSeed << " " << size;
                logLine(logFd, line.str());
                if (HAL_setRecord(store, id, data, jint(size)) != HAL_OK) _exit(24);
                logLine(logFd, "done");
            } else {
                jint id = ids[rng() % ids.size()];
                line << "begin delete " << name << " " << id;
                logLine(logFd, line.str());
                if (HAL_deleteRecord(store, id) != HAL_OK) _exit(25);
                logLine(logFd, "done");
            }
            HAL_closeRecordStore(store);
        }
    } catch (...) {
        _exit(26);
    }
}

// One logged step: what it was to do, and whether it was done.
struct Step {
    std::string kind, store;
    jint id = 0;
    uint32_t seed = 0, size = 0;
    bool done = false;
    jint doneId = 0;  // the id an add reported
};

std::vector<Step> readLog(const std::string& path) {
    std::vector<Step> steps;
    for (const std::string& line : wrentest::completeLines(path)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "begin") {
            Step s;
            words >> s.kind >> s.store;
            if (s.kind == "add") words >> s.seed >> s.size;
            if (s.kind == "set") words >> s.id >> s.seed >> s.size;
            if (s.kind == "delete") words >> s.id;
            steps.push_back(s);
        } else if (first == "done" && !steps.empty()) {
            steps.back().done = true;
            words >> steps.back().doneId;
        }
    }
    return steps;
}

// What the stores hold: store name -> record id -> bytes; and per store the
// highest id it ever handed out, which it must never hand out again.
struct Model {
    std::map<std::string, std::map<jint, Bytes>> stores;
    std::map<std::string, jint> highestId;
    bool operator==(const Model& o) const { return stores == o.stores; }
};

// Applies a finished step; an add's id is the one it reported.
void apply(Model& m, const Step& s, jint addedId) {
    if (s.kind == "deletestore") {
        m.stores.erase(s.store);
        m.highestId.erase(s.store);
    } else if (s.kind == "open") {
        m.stores[s.store];
    } else if (s.kind == "add") {
        m.stores[s.store][addedId] = contentOf(s.seed, s.size);
        m.highestId[s.store] = std::max(m.highestId[s.store], addedId);
    } else if (s.kind == "set") {
        m.stores[s.store][s.id] = contentOf(s.seed, s.size);
    } else if (s.kind == "delete") {
        m.stores[s.store].erase(s.id);
    }
}

std::string describe(const Model& m) {
    std::ostringstream out;
    for (auto& [name, records] : m.stores) {
        out << name << ":";
        for (auto& [id, bytes] : records) out << " " << id << "(" << bytes.size() << ")";
        out << "; ";
    }
    return out.str();
}

// The child while it runs: a test that gives up on a round still kills and
// reaps it, so that no writer outlives the test or its folder.
class Writer {
public:
    explicit Writer(pid_t pid) : pid_(pid) {}
    ~Writer() {
        if (pid_ > 0) killAndReap();
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    // Whether it has ended by itself; it is reaped then.
    bool ended(int* status) {
        if (waitpid(pid_, status, WNOHANG) != pid_) return false;
        pid_ = -1;
        return true;
    }
    // The status waitpid gave.
    int killAndReap() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};

class RecordStoreKill : public RecordStoreFixture {};

TEST_F(RecordStoreKill, CommittedRecordsSurviveKillsAtAnyPoint) {
    std::random_device entropy;
    const uint32_t masterSeed = entropy();
    SCOPED_TRACE("seed " + std::to_string(masterSeed));
    std::mt19937 rng(masterSeed);
    const std::string logPath = std::string(getModuleDirectory()) + "/writer.log";
    Model model;
    int cutShort = 0;  // rounds whose kill left a step half done
    int changes = 0;   // finished steps that changed records or stores

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(logFd, 0);
        uint32_t childSeed = rng();
        pid_t pid = fork();
        if (pid == 0) runWriter(logFd, childSeed);
        ::close(logFd);
        ASSERT_GT(pid, 0);
        Writer child(pid);

        if (round % kProgressEvery == kProgressEvery - 1) {
            // Until the child has finished some change; a child that makes
            // none in a minute is stuck.
            auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            for (;;) {
                bool changed = false;
                for (const Step& s : readLog(logPath))
                    changed = changed || (s.done && s.kind != "open");
                if (changed) break;
                int status = 0;
                ASSERT_FALSE(child.ended(&status)) << "the writer ended with status " << status;
                ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the writer is stuck";
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % kMaxDelayMicros));
        int status = child.killAndReap();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);

        // The finished steps change the model; the last, unfinished one may
        // have happened or not.
        std::vector<Step> steps = readLog(logPath);
        std::optional<Step> pending;
        for (const Step& s : steps) {
            if (s.done) {
                apply(model, s, s.doneId);
                if (s.kind != "open") ++changes;
            } else {
                pending = s;
            }
        }

        // What the stores hold now, read as the next run of the program
        // would: through RecordStore, each store opened anew.
        Model seen;
        for (const char* name : kStoreNames) {
            SCOPED_TRACE(name);
            VMPtr<RecordStore> s;
            std::string thrown = thrownName([&] { s = openStore(name, false); });
            if (thrown == "javax.microedition.rms.RecordStoreNotFoundException") continue;
            ASSERT_EQ(thrown, "nothing");
            auto& records = seen.stores[name];
            VMPtr<RecordEnumeration> e = s->enumerateRecords(nullptr, nullptr, false);
            std::vector<jint> enumerated;
            while (e->hasNextElement()) enumerated.push_back(e->nextRecordId());
            e->destroy();
            size_t total = 0;
            for (jint id : enumerated) {
                records[id] = bytesOf(s->getRecord(id));
                EXPECT_EQ(s->getRecordSize(id), jint(records[id].size()));
                total += records[id].size();
            }
            EXPECT_EQ(records.size(), enumerated.size()) << "an id enumerated twice";
            EXPECT_EQ(s->getNumRecords(), jint(records.size()));
            EXPECT_EQ(s->getSize(), jint(total));
            jint highest = records.empty() ? 0 : records.rbegin()->first;
            if (auto it = model.highestId.find(name); it != model.highestId.end())
                highest = std::max(highest, it->second);
            EXPECT_GT(s->getNextRecordID(), highest) << "an id would be handed out again";
            // The open left metadata that says the same.
            Metadata m = metadataOf(databaseRoot() / (std::string("store-") + name));
            EXPECT_EQ(m.count, records.size());
            EXPECT_EQ(m.totalBytes, total);
            EXPECT_EQ(m.nextId, uint32_t(s->getNextRecordID()));
            s->closeRecordStore();
        }
        // Nothing but the stores is left in the database folder: a store
        // delete cut short was finished by the opens.
        std::vector<std::string> folders;
        for (auto& [name, records] : seen.stores) folders.push_back("store-" + name);
        EXPECT_EQ(entries(databaseRoot()), folders);
        VMPtr<VMArray<java::lang::String*>> listed = RecordStore::listRecordStores();
        EXPECT_EQ(listed == nullptr ? 0 : listed->length, jint(seen.stores.size()));

        // The stores are the model, with the cut-short step done whole or
        // not at all.
        if (seen == model) {
            if (pending) ++cutShort;
        } else {
            ASSERT_TRUE(pending) << "committed changes lost or altered\n  expected "
                                 << describe(model) << "\n  found    " << describe(seen);
            Model after = model;
            jint addedId = 0;
            if (pending->kind == "add") {
                // Its id is above every id the store handed out before.
                for (auto& [id, bytes] : seen.stores[pending->store])
                    if (!model.stores[pending->store].count(id)) addedId = id;
                EXPECT_GT(addedId, model.highestId[pending->store]);
            }
            apply(after, *pending, addedId);
            ASSERT_TRUE(seen == after)
                << "the cut-short step \"" << pending->kind << " " << pending->store
                << "\" left a half change\n  before " << describe(model) << "\n  after  "
                << describe(after) << "\n  found  " << describe(seen);
            model = after;
            ++cutShort;
        }
    }
    ::unlink(logPath.c_str());
    // The rounds did change the stores, and some kills cut a change short.
    EXPECT_GT(changes, 0);
    EXPECT_GT(cutShort, 0);
    std::printf("%d kills, %d of them inside a change; %d changes committed\n", kRounds,
                cutShort, changes);
}

}  // namespace
