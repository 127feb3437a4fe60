// Record stores the process may not read: the database folder or a store's
// folder without the permissions to list or enter it. Such a store is an
// error (HAL_IO_ERROR, a RecordStoreException above), never a missing or an
// empty one, and nothing is made or written in its place; a database
// folder that can't be listed is an error of the listing too.
//
// Root passes permission bits by, so the calls run in a forked child that
// has given up CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH; this process keeps
// them. A case the child can read all the same is skipped, and so is the
// test when the child could not give them up.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "HAL_recordstore.h"
#include "file_capabilities.h"
#include "folder_snapshot.h"
#include "HAL_status.h"
#include "midp/recordstore_test_support.h"

using namespace rmstest;

namespace {

// The child's statuses: open without create, open with create, the
// listing; or why it has none. Then the fault each call left: its kind, and
// where, as a path under the database folder ("" for the folder itself,
// "-" for none).
using Statuses = std::array<int, 3>;
struct Fault {
    int kind;
    char at[64];
    bool operator==(const Fault& other) const {
        return kind == other.kind && std::string(at) == other.at;
    }
};
using Faults = std::array<Fault, 3>;

void PrintTo(const Fault& f, std::ostream* os) { *os << "(" << f.kind << ", \"" << f.at << "\")"; }

Fault faultLeft(const fs::path& root) {
    char path[1024];
    jint length = 0;
    Fault f{HAL_getRecordStoreFault(path, jint(sizeof path), &length), ""};
    const std::string at(path), prefix = root.string();
    const std::string relative = at.empty()              ? "-"
                                 : at == prefix          ? ""
                                 : at.rfind(prefix + "/", 0) == 0 ? at.substr(prefix.size() + 1)
                                                                  : at;
    std::snprintf(f.at, sizeof f.at, "%s", relative.c_str());
    return f;
}
constexpr int kNoDrop = -100;      // the capabilities could not be given up
constexpr int kReadable = -101;    // the folder reads all the same
constexpr int kNoChild = -102;     // no child ran, or it gave no statuses

// Runs the record-store calls on the store "kept" in a child without the
// capabilities; `probe` is the folder whose reading the case takes away.
Statuses statusesWithout(const fs::path& probe, const fs::path& root, Faults* faults) {
    int fds[2];
    Statuses out{kNoChild, kNoChild, kNoChild};
    *faults = {};
    if (pipe(fds) != 0) return out;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Statuses s{kNoDrop, kNoDrop, kNoDrop};
        Faults f{};
        if (wrentest::dropFileCapabilities()) {
            // Checked as the calls below are: with the effective set.
            if (faccessat(AT_FDCWD, probe.c_str(), R_OK | X_OK, AT_EACCESS) == 0) {
                s = {kReadable, kReadable, kReadable};
            } else {
                const std::u16string name = u"kept";
                HAL_RecordStore* store = nullptr;
                s[0] = HAL_openRecordStore(&store, name.data(), jint(name.size()), 0);
                f[0] = faultLeft(root);
                HAL_closeRecordStore(store);
                store = nullptr;
                s[1] = HAL_openRecordStore(&store, name.data(), jint(name.size()), 1);
                f[1] = faultLeft(root);
                HAL_closeRecordStore(store);
                s[2] = HAL_listRecordStores([](void*, const jchar*, jint) {}, nullptr);
                f[2] = faultLeft(root);
            }
        }
        ssize_t written = write(fds[1], s.data(), sizeof s);
        written += write(fds[1], f.data(), sizeof f);
        _exit(written == ssize_t(sizeof s + sizeof f) ? 0 : 1);
    }
    close(fds[1]);
    if (pid > 0) {
        Statuses got{};
        Faults left{};
        if (read(fds[0], got.data(), sizeof got) == ssize_t(sizeof got) &&
            read(fds[0], left.data(), sizeof left) == ssize_t(sizeof left)) {
            out = got;
            *faults = left;
        }
        waitpid(pid, nullptr, 0);
    }
    close(fds[0]);
    return out;
}

class RecordStoreUnreadable : public ::testing::Test {
protected:
    void SetUp() override {
        root = databaseRoot();
        fs::remove_all(root);
        HAL_initRecordStores();
    }
    void TearDown() override { wrentest::removeFolderGivingBackPermissions(root); }
    fs::path root;
};

TEST_F(RecordStoreUnreadable, IsAnErrorAndLeftAsItWas) {
    struct Case {
        const char* name;
        const char* folder;  // under the database folder; "" for itself
        fs::perms perms;
        Statuses expected;
        // The faults the calls left: the folder whose permissions refused
        // them, one for every store in the database folder.
        Faults faults;
    };
    const Fault none{HAL_STORE_FAULT_NONE, "-"};
    const Fault database{HAL_STORE_FAULT_READ_REFUSED, ""};
    const Fault store{HAL_STORE_FAULT_READ_REFUSED, "store-kept"};
    const Case cases[] = {
        {"database folder without permissions", "", fs::perms::none,
         {HAL_IO_ERROR, HAL_IO_ERROR, HAL_IO_ERROR}, {database, database, database}},
        {"database folder that can only be listed", "", fs::perms::owner_read,
         {HAL_IO_ERROR, HAL_IO_ERROR, HAL_IO_ERROR}, {database, database, database}},
        // Its stores open, but the listing can't see them.
        {"database folder that can't be listed", "", fs::perms::owner_write | fs::perms::owner_exec,
         {HAL_OK, HAL_OK, HAL_IO_ERROR}, {none, none, database}},
        {"store folder without permissions", "store-kept", fs::perms::none,
         {HAL_IO_ERROR, HAL_IO_ERROR, HAL_OK}, {store, store, none}},
        {"store folder that can only be listed", "store-kept", fs::perms::owner_read,
         {HAL_IO_ERROR, HAL_IO_ERROR, HAL_OK}, {store, store, none}},
    };
    int skipped = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HAL_RecordStore* store = nullptr;
        const std::u16string name = u"kept";
        ASSERT_EQ(HAL_openRecordStore(&store, name.data(), jint(name.size()), 1), HAL_OK);
        const Bytes record{1, 2, 3};
        jint id = 0;
        ASSERT_EQ(HAL_addRecord(store, &id, record.data(), jint(record.size())), HAL_OK);
        HAL_closeRecordStore(store);
        const wrentest::FolderSnapshot before = wrentest::snapshotOf(root);

        const fs::path folder = root / c.folder;
        const fs::perms given = fs::status(folder).permissions();
        fs::permissions(folder, c.perms);
        Faults left;
        const Statuses got = statusesWithout(folder, root, &left);
        fs::permissions(folder, given);
        ASSERT_NE(got[0], kNoChild) << "the child gave no statuses";
        if (got[0] == kNoDrop) GTEST_SKIP() << wrentest::kNoFileCapabilitiesDropReason;
        if (got[0] == kReadable) {
            ++skipped;
        } else {
            EXPECT_EQ(got, c.expected);
            EXPECT_EQ(left, c.faults);
            EXPECT_EQ(wrentest::snapshotOf(root), before);
        }
        fs::remove_all(root);
    }
    if (skipped == int(std::size(cases)))
        GTEST_SKIP() << "this system reads folders without permissions all the same";
}

}  // namespace
