// The real program over saved games it can't read: the database folder,
// or a store's folder, without the permissions that let it be listed, or
// something that is no store's folder in a store's place. Such a store is
// not an empty one, nor a damaged one: the program says it can't be read
// and what to do about it (make it readable only where permissions are the
// cause; one line for the database folder, not one for each store in it),
// starts that item anew, plays on without saving, and leaves every name
// and byte under database/ as it was.
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
#include <optional>
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
    // Taken from the folder for the run; none: `replace` says what to do.
    std::optional<fs::perms> perms;
    // The lines on standard error, "%db%" standing for the database folder.
    std::vector<std::string> said;
    // Puts something that is no store's folder in the folder's place.
    void (*replace)(const fs::path& folder) = nullptr;
};

void PrintTo(const Unreadable& u, std::ostream* os) { *os << u.name; }

// What the player can do is said too: the line comes at every start until
// they do it.
#define CANT_BE_READ(item, id, where) \
    "wren: the saved " item " in record store \"" id "\" can't be read (" where "): "
#define MAKE_IT_READABLE \
    "make it readable for the user who plays the game, or move it away, and the game saves again " \
    "at its next start; "
#define MOVE_IT_AWAY "move it away and the game saves again at its next start; "

const Unreadable kCases[] = {
    {"DatabaseFolderWithoutPermissions", "database", fs::perms::none,
     {"wren: the folder of the saved games can't be read (%db%): " MAKE_IT_READABLE
      "started anew and playing on without saving"}},
    {"ProgressStoreFolderWithoutPermissions", "database/store-0", fs::perms::none,
     {CANT_BE_READ("progress", "0", "%db%/store-0") MAKE_IT_READABLE
      "started a new game and playing on without saving"}},
    // Its names can be listed, but no entry looked at.
    {"WorldStoreFolderThatCanOnlyBeListed", "database/store-1", fs::perms::owner_read,
     {CANT_BE_READ("world", "1", "%db%/store-1") MAKE_IT_READABLE
      "made a new world and playing on without saving"}},
    // No permission is at fault: only moving it away helps.
    {"APlainFileForTheProgressStore", "database/store-0", std::nullopt,
     {CANT_BE_READ("progress", "0", "%db%/store-0") MOVE_IT_AWAY
      "started a new game and playing on without saving"},
     [](const fs::path& folder) {
         fs::remove_all(folder);
         std::ofstream(folder) << "the player's own";
     }},
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
    const fs::path database = folder() / "database";
    if (u.replace) u.replace(unreadable);
    const wrentest::FolderSnapshot before = wrentest::snapshotOf(database);
    const fs::perms given = fs::status(unreadable).permissions();
    if (u.perms) {
        fs::permissions(unreadable, *u.perms);
        const int listed = canList(unreadable);
        if (listed == wrentest::kNoFileCapabilitiesDrop)
            GTEST_SKIP() << wrentest::kNoFileCapabilitiesDropReason;
        if (listed == 0) GTEST_SKIP() << "this system lets " << unreadable << " be read all the same";
    }

    ASSERT_EQ(play(&errors), 0);
    std::vector<std::string> expected;
    for (std::string line : u.said) {
        const std::string mark = "%db%";
        for (size_t at; (at = line.find(mark)) != std::string::npos;)
            line.replace(at, mark.size(), database.string());
        expected.push_back(line);
    }
    EXPECT_EQ(errors, expected);

    if (u.perms) fs::permissions(unreadable, given);
    EXPECT_EQ(wrentest::snapshotOf(database), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Unreadable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
