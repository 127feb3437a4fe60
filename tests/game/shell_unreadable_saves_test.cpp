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
// is skipped, and so is every case when the child can't give them up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_capabilities.h"
#include "folder_snapshot.h"
#include "log_lines.h"
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
    void TearDown() override { wrentest::removeFolderGivingBackPermissions(folder_); }

    fs::path folder() const { return fs::path(folder_); }

    // The program played to the menu and closed, as the child that gave up
    // the capabilities; its exit code and its standard error's lines.
    int play(std::vector<std::string>* errors) {
        const std::string err = folder_ + "/stderr.txt";
        wrentest::RunningProgram program = wrentest::startProgram(
            WREN_GAME_DIR "/wren", folder_, folder_ + "/close.script", kWatchdogSeconds,
            {{"WREN_CLOCK", "virtual"}}, false, err, wrentest::dropFileCapabilities);
        const int code = program.finish();
        *errors = wrentest::linesOf(err);
        return code;
    }

    // Whether the program, started as play() starts it, can list the
    // folder and look at every entry in it.
    int canList(const fs::path& path) {
        return wrentest::runWithoutFileCapabilities({"/bin/ls", "-lA", path.string()}, folder_,
                                                    folder_ + "/probe.txt", kWatchdogSeconds);
    }

    std::string folder_;
};

TEST_P(UnreadableSaves, AreToldAsUnreadableAndLeftAsTheyWere) {
    const Unreadable& u = GetParam();
    std::vector<std::string> errors;
    // A first run saves a new game and a new world.
    ASSERT_EQ(play(&errors), 0);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-0"));
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-1"));

    const fs::path unreadable = folder() / u.folder;
    const wrentest::FolderSnapshot before = wrentest::snapshotOf(folder() / "database");
    const fs::perms given = fs::status(unreadable).permissions();
    fs::permissions(unreadable, u.perms);
    const int listed = canList(unreadable);
    if (listed == wrentest::kNoFileCapabilitiesDrop)
        GTEST_SKIP() << wrentest::kNoFileCapabilitiesDropReason;
    if (listed == 0) GTEST_SKIP() << "this system lets " << unreadable << " be read all the same";

    ASSERT_EQ(play(&errors), 0);
    std::vector<std::string> expected;
    const fs::path database = folder() / "database";
    // What the player can do is said too: the line comes at every start
    // until they do it.
    auto line = [&](const char* item, const char* id, const char* anew) {
        return std::string("wren: the saved ") + item + " in record store \"" + id +
               "\" can't be read (" + (database / ("store-" + std::string(id))).string() +
               "): make it readable for the user who plays the game, or move it away, and the "
               "game saves again at its next start; " + anew + " and playing on without saving";
    };
    if (u.progress) expected.push_back(line("progress", "0", "started a new game"));
    if (u.world) expected.push_back(line("world", "1", "made a new world"));
    EXPECT_EQ(errors, expected);

    fs::permissions(unreadable, given);
    EXPECT_EQ(wrentest::snapshotOf(database), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Unreadable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
