// The real program over saved games it can't read: the database folder,
// or a store's folder, without the permissions that let it be listed, or
// something that is no folder in the place of a store's folder or of the
// database folder (a file, a link that leads nowhere, as one to a volume
// not mounted does). Such a store is not an empty one, nor a damaged one:
// the program says it can't be read and what to do about it (make it
// readable only where permissions are the cause; one line for the database
// folder, not one for each store in it), starts that item anew, plays on
// without saving, and leaves every name and byte under database/ as it
// was, and nothing is made where a link leads. Once what is in a folder's
// place is moved away, the next start saves again.
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
    // Puts something that is no folder in the folder's place, given the
    // folder and the program's folder.
    void (*replace)(const fs::path& folder, const fs::path& program) = nullptr;
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
#define FOLDER_CANT_BE_READ "wren: the folder of the saved games can't be read (%db%): "

// Links lead into these folders of the program's, so that what a run
// makes where they lead shows in its snapshot; and what a case moves away
// goes to the last.
const char* const kBeyondTheDatabase[] = {"elsewhere", "missing", "unmounted", "moved-away"};

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
     [](const fs::path& folder, const fs::path&) {
         fs::remove_all(folder);
         std::ofstream(folder) << "the player's own";
     }},
    // A link is there whatever it leads to: one whose target is gone (into
    // a folder that is there, or one that is not) is no missing store.
    {"ADanglingLinkForTheProgressStore", "database/store-0", std::nullopt,
     {CANT_BE_READ("progress", "0", "%db%/store-0") MOVE_IT_AWAY
      "started a new game and playing on without saving"},
     [](const fs::path& folder, const fs::path& program) {
         fs::remove_all(folder);
         fs::create_directory(program / "elsewhere");
         fs::create_symlink(program / "elsewhere" / "wren-store", folder);
     }},
    {"ALinkIntoAMissingFolderForTheWorldStore", "database/store-1", std::nullopt,
     {CANT_BE_READ("world", "1", "%db%/store-1") MOVE_IT_AWAY
      "made a new world and playing on without saving"},
     [](const fs::path& folder, const fs::path&) {
         fs::remove_all(folder);
         fs::create_symlink("../missing/store-1", folder);
     }},
    // What is no folder in the database folder's place hides both items:
    // one line for the folder.
    {"AFileForTheDatabaseFolder", "database", std::nullopt,
     {FOLDER_CANT_BE_READ MOVE_IT_AWAY "started anew and playing on without saving"},
     [](const fs::path& folder, const fs::path&) {
         fs::remove_all(folder);
         std::ofstream(folder) << "the player's own";
     }},
    {"ADanglingLinkForTheDatabaseFolder", "database", std::nullopt,
     {FOLDER_CANT_BE_READ MOVE_IT_AWAY "started anew and playing on without saving"},
     [](const fs::path& folder, const fs::path& program) {
         fs::remove_all(folder);
         fs::create_symlink(program / "unmounted" / "database", folder);
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

    // The database folder's entry and all under it, and what is beyond it
    // where links lead, as one snapshot of the program's folder.
    wrentest::FolderSnapshot savedData() const {
        wrentest::FolderSnapshot kept;
        for (const auto& [path, what] : wrentest::snapshotOf(folder())) {
            const std::string top = path.substr(0, path.find('/'));
            bool beyond = false;
            for (const char* name : kBeyondTheDatabase) beyond |= top == name;
            if (top == "database" || beyond) kept[path] = what;
        }
        return kept;
    }

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
    if (u.replace) u.replace(unreadable, folder());
    const wrentest::FolderSnapshot before = savedData();
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
    EXPECT_EQ(savedData(), before);
    if (!u.replace) return;

    // Moved away as it is, it lets the next start save the item (both, for
    // the database folder) anew.
    fs::rename(unreadable, folder() / "moved-away");
    ASSERT_EQ(play(&errors), 0);
    EXPECT_TRUE(errors.empty()) << errors[0];
    for (const char* store : {"store-0", "store-1"})
        EXPECT_TRUE(fs::is_regular_file(database / store / "record-1.bin")) << store << " holds no record";
    EXPECT_EQ(savedData().at("moved-away"), before.at(u.folder));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Unreadable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
