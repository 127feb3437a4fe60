// The real program over damaged saved games: where a damaged item's store
// is set aside, what the player is told, and that nothing else under
// database/ changes. A first run saves a new game and a new world; each
// case damages one item or both, puts what it needs beside them and runs
// the program again, then compares database/ with what it held before:
// only the set-aside stores have moved (and the game saved the items it
// started anew).
//
// A case that needs the rename to be refused runs the program in a child
// that has given up the capabilities that pass permission bits by, so that
// a database folder without write permission stops root too; it is skipped
// when that can't be done. A case that needs one name's renames to fail as
// on a disk's input/output error preloads a library into the program that
// refuses them.
//
// Besides the set-asides: what is left under the names the stores own
// (a rename's name, a save's staging name) never costs the saved progress
// and never stops saving, and nothing is written where a link found in
// database/ leads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
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
// To the main menu on the virtual clock and out: the game loads both items
// (and saves one it starts anew) on its first frame.
const char kPlayToTheMenu[] = "200 close\n";
// Further, to the play field: the language page's confirm, the sound
// question's "no", the main menu's play, then the first story's two pages,
// whose end saves the progress once more.
const char kPlayThroughTheStory[] =
    "90 tap 135 160\n"
    "105 tap 42 85\n"
    "120 tap 204 200\n"
    "140 tap 120 160\n"
    "150 tap 120 160\n"
    "200 close\n";
// What the trace prints once the story has ended and its save was made.
const char kPlayFieldScene[] = "scene.maingame.InGameScene";

// Byte `at` of a store's first record, set to 2: a flag the game never
// writes so (the progress's first flag at 8, the world's first cell flag at
// 0). Length and records stay as they were, so the store's summary file
// still agrees with them and opening the store writes nothing.
void spoil(const fs::path& database, const char* store, size_t at) {
    const fs::path record = database / store / "record-1.bin";
    std::fstream f(record, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(std::streamoff(at));
    f.put(char(2));
}

void spoilProgress(const fs::path& database) { spoil(database, "store-0", 8); }
void spoilWorld(const fs::path& database) { spoil(database, "store-1", 0); }

// A folder beside database/ that links in database/ lead to.
fs::path elsewhereOf(const fs::path& database) { return database.parent_path() / "elsewhere"; }

struct SetAside {
    const char* name;
    // Damages the items and puts what else the case needs in database/.
    std::function<void(const fs::path& database)> prepare;
    const char* script;
    // The lines on standard error, "%db%" standing for the database folder.
    std::vector<std::string> said;
    // The store folders the set-aside moved, and where to.
    std::vector<std::pair<std::string, std::string>> moved;
    // The store folders the game saved anew (a new game, a new world).
    std::vector<std::string> savedAnew;
    // The database folder without write permission for the run: the
    // program must run without the capabilities that pass it by.
    bool databaseReadOnly = false;
    // The entries the game clears from database/ (what holds a name of
    // its own).
    std::vector<std::string> cleared = {};
    // The name (last path part) whose renames fail as on an input/output
    // error for the run; none when empty.
    const char* refusedRename = "";
};

void PrintTo(const SetAside& c, std::ostream* os) { *os << c.name; }

const SetAside kCases[] = {
    {"ARefusedRenameIsToldAsDamaged", spoilProgress, kPlayToTheMenu,
     {"wren: the saved progress in record store \"0\" is damaged and can't be set aside, as %db% "
      "can't be written: make it writable for the user who plays the game and the game sets it "
      "aside at its next start; started a new game and playing on without saving"},
     {},
     {},
     true},
    {"AFileAtTheFirstCopysNameIsKept",
     [](const fs::path& database) {
         spoilProgress(database);
         std::ofstream(database / "store-0.damaged") << "the player's own file";
     },
     kPlayToTheMenu,
     {"wren: the saved progress in record store \"0\" is damaged; set it aside as record store "
      "\"0.damaged-2\" (%db%/store-0.damaged-2) and started a new game"},
     {{"store-0", "store-0.damaged-2"}},
     {"store-0"}},
    {"ADanglingLinkAtTheFirstCopysNameIsKept",
     [](const fs::path& database) {
         spoilWorld(database);
         fs::create_symlink("nowhere", database / "store-1.damaged");
     },
     kPlayToTheMenu,
     {"wren: the saved world in record store \"1\" is damaged; set it aside as record store "
      "\"1.damaged-2\" (%db%/store-1.damaged-2) and made a new world"},
     {{"store-1", "store-1.damaged-2"}},
     {"store-1"}},
    // A link that loops, wherever it is in database/, keeps no damaged item
    // from being set aside.
    {"ALinkThatLoopsStopsNoSetAside",
     [](const fs::path& database) {
         spoilProgress(database);
         fs::create_symlink("loop", database / "loop");
     },
     kPlayToTheMenu,
     {"wren: the saved progress in record store \"0\" is damaged; set it aside as record store "
      "\"0.damaged\" (%db%/store-0.damaged) and started a new game"},
     {{"store-0", "store-0.damaged"}},
     {"store-0"}},
    // A file under the name a rename of the progress's store would have is
    // no rename cut short: the saved progress stays, and so does the file.
    {"AFileNamedLikeARenameLeavesTheProgress",
     [](const fs::path& database) { std::ofstream(database / ".renaming-0") << "the player's own"; },
     kPlayToTheMenu,
     {},
     {},
     {}},
    // Nor is a folder that holds no store's files, or a link, of that
    // name: nothing is written where the link leads.
    {"AnEmptyFolderNamedLikeARenameLeavesTheProgress",
     [](const fs::path& database) { fs::create_directory(database / ".renaming-0"); },
     kPlayToTheMenu,
     {},
     {},
     {}},
    {"AFolderOfOtherThingsNamedLikeARenameLeavesTheProgress",
     [](const fs::path& database) {
         fs::create_directory(database / ".renaming-0");
         std::ofstream(database / ".renaming-0" / "notes.txt") << "the player's own";
         fs::create_directory(database / ".renaming-0" / "photos");
     },
     kPlayToTheMenu,
     {},
     {},
     {}},
    {"ALinkToAFolderNamedLikeARenameLeavesTheProgress",
     [](const fs::path& database) {
         fs::create_directory_symlink(elsewhereOf(database), database / ".renaming-0");
     },
     kPlayToTheMenu,
     {},
     {},
     {}},
    // What holds a save's staging name is cleared by the save, a link
    // itself and never what it leads to: the progress saved after the
    // story lands.
    {"AFileAtTheStagingNameLetsTheSaveLand",
     [](const fs::path& database) { std::ofstream(database / "store-0.saving") << "not a store"; },
     kPlayThroughTheStory,
     {},
     {},
     {"store-0"},
     false,
     {"store-0.saving"}},
    {"APipeAtTheStagingNameLetsTheSaveLand",
     [](const fs::path& database) { ASSERT_EQ(mkfifo((database / "store-0.saving").c_str(), 0644), 0); },
     kPlayThroughTheStory,
     {},
     {},
     {"store-0"},
     false,
     {"store-0.saving"}},
    {"ALinkAtTheStagingNameLetsTheSaveLand",
     [](const fs::path& database) {
         std::ofstream(elsewhereOf(database) / "kept.txt") << "the player's own";
         fs::create_symlink(elsewhereOf(database) / "kept.txt", database / "store-0.saving");
     },
     kPlayThroughTheStory,
     {},
     {},
     {"store-0"},
     false,
     {"store-0.saving"}},
    // Every save of the progress is refused (its staging store can't be
    // renamed), while the world saves: the refusal is told once, though
    // the progress is saved again after the story.
    {"OneItemsRefusedSavesAreToldOnceWhileTheOtherSaves",
     [](const fs::path& database) {
         spoilProgress(database);
         spoilWorld(database);
     },
     kPlayThroughTheStory,
     {"wren: the saved progress in record store \"0\" is damaged; set it aside as record store "
      "\"0.damaged\" (%db%/store-0.damaged) and started a new game",
      "wren: can't save the game's progress (record store \"0\") in %db%; playing on, and the "
      "game will try again at the next save",
      "wren: the saved world in record store \"1\" is damaged; set it aside as record store "
      "\"1.damaged\" (%db%/store-1.damaged) and made a new world"},
     {{"store-0", "store-0.damaged"}, {"store-1", "store-1.damaged"}},
     // The last refused save's staging store stays too: its delete is a
     // rename, refused as well. The next save clears it.
     {"store-1", "store-0.saving"},
     false,
     {},
     "store-0.saving"},
};

std::string withDatabase(std::string line, const std::string& database) {
    const std::string mark = "%db%";
    for (size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, mark.size(), database);
    return line;
}

class SetAsideSaves : public ::testing::TestWithParam<SetAside> {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren_set_aside_saves_XXXXXX");
        ASSERT_FALSE(folder_.empty());
        wrentest::copyGameContent(WREN_GAME_DIR, folder(), "Wren set-aside saves");
        // The scenes the game builds, on standard output.
        std::ofstream(folder() / "properties" / "app.prop", std::ios::app) << "Wren-Trace: on\n";
    }
    void TearDown() override { wrentest::removeFolderGivingBackPermissions(folder_); }

    fs::path folder() const { return fs::path(folder_); }
    fs::path database() const { return folder() / "database"; }

    // The program run over the folder with `script` and closed, with or
    // without the capabilities that pass permission bits by: its exit code,
    // its standard output and its standard error, line by line.
    // With `refusedRename` set, renames of that name fail for the run.
    int play(const char* script, bool withoutCapabilities, std::vector<std::string>* output,
             std::vector<std::string>* errors, const char* refusedRename = "") {
        const std::string scriptFile = folder_ + "/play.script";
        std::ofstream(scriptFile) << script;
        const std::string err = folder_ + "/stderr.txt";
        std::vector<std::pair<std::string, std::string>> environment{{"WREN_CLOCK", "virtual"}};
        if (*refusedRename) {
            // The sanitizers' runtime need not come first: the library
            // takes nothing from it.
            const char* given = std::getenv("ASAN_OPTIONS");
            environment.push_back({"LD_PRELOAD", WREN_REFUSED_RENAMES});
            environment.push_back({"WREN_TEST_REFUSED_RENAME", refusedRename});
            environment.push_back(
                {"ASAN_OPTIONS", std::string(given ? given : "") + ":verify_asan_link_order=0"});
        }
        wrentest::RunningProgram program = wrentest::startProgram(
            WREN_GAME_DIR "/wren", folder_, scriptFile, kWatchdogSeconds, environment, false, err,
            withoutCapabilities ? std::function<bool()>(wrentest::dropFileCapabilities)
                                : std::function<bool()>());
        output->clear();
        for (std::string line; program.readLine(&line);) output->push_back(line);
        const int code = program.finish();
        *errors = wrentest::linesOf(err);
        return code;
    }

    std::string folder_;
};

TEST_P(SetAsideSaves, OnlyTheSetAsideStoresMove) {
    const SetAside& c = GetParam();
    std::vector<std::string> output, errors;
    // A first run saves a new game and a new world.
    ASSERT_EQ(play(kPlayToTheMenu, false, &output, &errors), 0);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_TRUE(fs::is_directory(database() / "store-0"));
    ASSERT_TRUE(fs::is_directory(database() / "store-1"));

    fs::create_directory(elsewhereOf(database()));
    c.prepare(database());
    const wrentest::FolderSnapshot before = wrentest::snapshotOf(database());
    const wrentest::FolderSnapshot beyond = wrentest::snapshotOf(elsewhereOf(database()));
    const fs::perms given = fs::status(database()).permissions();
    if (c.databaseReadOnly) {
        fs::permissions(database(), fs::perms::owner_read | fs::perms::owner_exec);
        // Whether a program started without the capabilities can still
        // make an entry there.
        const fs::path probe = database() / "probe";
        const int made = wrentest::runWithoutFileCapabilities(
            {"/bin/mkdir", probe.string()}, folder_, folder_ + "/probe.txt", kWatchdogSeconds);
        if (made == wrentest::kNoFileCapabilitiesDrop)
            GTEST_SKIP() << wrentest::kNoFileCapabilitiesDropReason;
        if (made == 0) {
            fs::remove(probe);
            GTEST_SKIP() << "this system lets a program write in " << database()
                         << " without its write permission all the same";
        }
    }

    ASSERT_EQ(play(c.script, c.databaseReadOnly, &output, &errors, c.refusedRename), 0);
    fs::permissions(database(), given);
    std::vector<std::string> said;
    for (const std::string& line : c.said) said.push_back(withDatabase(line, database().string()));
    EXPECT_EQ(errors, said);
    if (c.script == kPlayThroughTheStory) {
        bool storyEnded = false;
        for (const std::string& line : output) storyEnded |= line.find(kPlayFieldScene) != std::string::npos;
        EXPECT_TRUE(storyEnded) << "the story did not end, so its save was not tried";
    }

    // What was there before, with the set-aside stores under their new
    // names, and the stores saved anew as the game wrote them.
    const wrentest::FolderSnapshot after = wrentest::snapshotOf(database());
    wrentest::FolderSnapshot expected;
    for (const auto& [path, what] : before) {
        if (std::find(c.cleared.begin(), c.cleared.end(), path) != c.cleared.end()) continue;
        std::string now = path;
        for (const auto& [from, to] : c.moved)
            if (path == from || path.rfind(from + "/", 0) == 0) now = to + path.substr(from.size());
        expected[now] = what;
    }
    for (const std::string& store : c.savedAnew) {
        EXPECT_EQ(after.count(store), 1u) << store << " was not saved anew";
        EXPECT_EQ(after.count(store + "/record-1.bin"), 1u) << store << " holds no record";
        for (const auto& [path, what] : after)
            if (path == store || path.rfind(store + "/", 0) == 0) expected[path] = what;
    }
    EXPECT_EQ(after, expected);
    EXPECT_EQ(wrentest::snapshotOf(elsewhereOf(database())), beyond);
}

// A save's last step, the rename that puts its staging store in place,
// that could not be finished leaves the progress under the rename's name.
// A start that can't finish it either tells so, keeps it there and saves
// nothing over it; the next start that can puts it in place and plays it.
TEST_F(SetAsideSaves, AProgressThatCantBePutInPlaceWaitsForTheNextStart) {
    std::vector<std::string> output, errors;
    // A progress a new game does not have: the first story played.
    ASSERT_EQ(play(kPlayThroughTheStory, false, &output, &errors), 0);
    ASSERT_TRUE(errors.empty()) << errors[0];
    fs::rename(database() / "store-0", database() / ".renaming-0");
    const wrentest::FolderSnapshot waiting = wrentest::snapshotOf(database());

    ASSERT_EQ(play(kPlayThroughTheStory, false, &output, &errors, ".renaming-0"), 0);
    EXPECT_EQ(errors, std::vector<std::string>{withDatabase(
                          "wren: the saved progress in record store \"0\" can't be read: its last "
                          "save (%db%/.renaming-0) can't be put in place now: the game keeps it there "
                          "and tries again at its next start; started a new game and playing on "
                          "without saving",
                          database().string())});
    EXPECT_EQ(wrentest::snapshotOf(database()), waiting);

    ASSERT_EQ(play(kPlayToTheMenu, false, &output, &errors), 0);
    EXPECT_TRUE(errors.empty()) << errors[0];
    // In place, as it was: loaded, not started anew (the menu saves no
    // progress it loaded).
    wrentest::FolderSnapshot expected;
    for (const auto& [path, what] : waiting) {
        const std::string pending = ".renaming-0";
        expected[path.rfind(pending, 0) == 0 ? "store-0" + path.substr(pending.size()) : path] = what;
    }
    EXPECT_EQ(wrentest::snapshotOf(database()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetAsideSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SetAside>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
