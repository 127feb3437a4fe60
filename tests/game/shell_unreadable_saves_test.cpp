// The real program over saved games it is not allowed to read: the
// database folder, or a store's folder, without the permissions that let
// it be listed. Such a store is not an empty one, nor a damaged one: the
// program says it can't be read, starts that item anew, plays on without
// saving, and leaves every name and byte under database/ as it was.
//
// Tests run as root, whom permission bits don't stop. The program is
// therefore started in a child that has given up the two capabilities
// that pass them by, from every set an exec hands on, before its exec;
// this process keeps its own. A case the system lets be read all the same
// is skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "file_capabilities.h"
#include "program_folder.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

// Longer than a run of these takes under the sanitizers, short enough that
// a hang shows at once.
constexpr unsigned kWatchdogSeconds = 20;
// To the main menu on the virtual clock and out: the game loads (and, new,
// saves) both items on its first frame.
const char kPlayToTheMenu[] = "200 close\n";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every entry under `root` with its permission bits and, for a file, its
// size and a hash of its bytes: what must not change. Read by this
// process, which may.
using Snapshot = std::vector<std::tuple<std::string, unsigned, size_t, size_t>>;

Snapshot snapshotOf(const fs::path& root) {
    Snapshot entries;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const unsigned mode = unsigned(fs::symlink_status(e.path()).permissions());
        const std::string bytes = e.is_regular_file() ? readAll(e.path()) : std::string();
        entries.emplace_back(fs::relative(e.path(), root).string(), mode, bytes.size(),
                             std::hash<std::string>()(bytes));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

struct Unreadable {
    const char* name;
    const char* folder;  // under the program's folder
    fs::perms perms;
    // The items the program must say it can't read: progress, world.
    bool progress, world;
};

void PrintTo(const Unreadable& u, std::ostream* os) { *os << u.name; }

const Unreadable kCases[] = {
    {"DatabaseFolderWithoutPermissions", "database", fs::perms::none, true, true},
    {"ProgressStoreFolderWithoutPermissions", "database/store-0", fs::perms::none, true, false},
    // Its names can be listed, but no entry looked at.
    {"WorldStoreFolderThatCanOnlyBeListed", "database/store-1", fs::perms::owner_read, false, true},
};

class UnreadableSaves : public ::testing::TestWithParam<Unreadable> {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren_unreadable_saves_XXXXXX");
        ASSERT_FALSE(folder_.empty());
        wrentest::copyGameContent(WREN_GAME_DIR, folder(), "Wren unreadable saves");
        std::ofstream(folder() / "close.script") << kPlayToTheMenu;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!unreadable_.empty())
            fs::permissions(unreadable_, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& e : fs::recursive_directory_iterator(folder_, ignored))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        wrentest::removeFolder(folder_);
    }

    fs::path folder() const { return fs::path(folder_); }

    // The program played to the menu and closed, as the child that gave up
    // the capabilities; its exit code and its standard error's lines.
    int play(std::vector<std::string>* errors) {
        const std::string err = folder_ + "/stderr.txt";
        wrentest::RunningProgram program = wrentest::startProgram(
            WREN_GAME_DIR "/wren", folder_, folder_ + "/close.script", kWatchdogSeconds,
            {{"WREN_CLOCK", "virtual"}}, false, err, wrentest::dropFileCapabilities);
        const int code = program.finish();
        *errors = linesOf(err);
        return code;
    }

    // Whether the program, started as play() starts it, can list the
    // folder and look at every entry in it.
    int canList(const fs::path& path) {
        return wrentest::runWithoutFileCapabilities({"/bin/ls", "-lA", path.string()}, folder_,
                                                    folder_ + "/probe.txt", kWatchdogSeconds);
    }

    std::string folder_;
    fs::path unreadable_;
};

TEST_P(UnreadableSaves, AreToldAsUnreadableAndLeftAsTheyWere) {
    const Unreadable& u = GetParam();
    std::vector<std::string> errors;
    // A first run saves a new game and a new world.
    ASSERT_EQ(play(&errors), 0);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-0"));
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-1"));

    unreadable_ = folder() / u.folder;
    const Snapshot before = snapshotOf(folder() / "database");
    const fs::perms given = fs::status(unreadable_).permissions();
    fs::permissions(unreadable_, u.perms);
    const int listed = canList(unreadable_);
    if (listed == wrentest::kNoFileCapabilitiesDrop)
        GTEST_SKIP() << "this process can't start a child without the capabilities that pass "
                        "permissions by (root without CAP_SETPCAP)";
    if (listed == 0) GTEST_SKIP() << "this system lets " << unreadable_ << " be read all the same";

    ASSERT_EQ(play(&errors), 0);
    std::vector<std::string> expected;
    const fs::path database = folder() / "database";
    if (u.progress)
        expected.push_back("wren: the saved progress in record store \"0\" can't be read (" +
                           (database / "store-0").string() +
                           "); started a new game and playing on without saving");
    if (u.world)
        expected.push_back("wren: the saved world in record store \"1\" can't be read (" +
                           (database / "store-1").string() +
                           "); made a new world and playing on without saving");
    EXPECT_EQ(errors, expected);

    fs::permissions(unreadable_, given);
    EXPECT_EQ(snapshotOf(database), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Unreadable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
