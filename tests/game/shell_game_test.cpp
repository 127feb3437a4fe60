// main.Game: a new game and a new world when nothing is saved, records
// that load back unchanged, damaged records set aside and started anew,
// unreadable records left alone, a refused save told and tried again, a
// damaged record with no name left to set it aside under, the stat classes
// and the cell levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "java_bytes.h"
#include "javax_microedition_rms_RecordStore.h"
#include "main_Game.h"
#include "main_Main.h"
#include "shell_test_support.h"

// The record-store layer's fault hook: after `after` file writes that
// succeed, the next `count` fail as on a full disk. The suite is built as
// game code, without the host's headers, so it is declared here.
void HAL_failNextRecordStoreWrites(int count, int after);

namespace wrentest::shell {
namespace {

using main::Game;
using main::Main;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr int kWorldRecords = 260;       // where the cell records start
constexpr int kWorldPlaces = 260 + 6240;  // where the places start

int32_t intAt(const Bytes& b, size_t at) {
    return int32_t(uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
                   uint32_t(b[at + 3]));
}

void putInt(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(uint32_t(v) >> (24 - 8 * i));
}

// The record stores' folder, as the device keeps it.
fs::path databaseFolder() { return fs::path(std::getenv("WREN_MODULE_DIR")) / "database"; }

// A store's records joined in id order, read from its files; nothing when
// the store is not there.
std::optional<Bytes> storeFiles(const std::string& name) {
    fs::path folder = databaseFolder() / ("store-" + name);
    if (!fs::is_directory(folder)) return std::nullopt;
    std::vector<std::pair<int, fs::path>> records;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string file = entry.path().filename().string();
        if (file.rfind("record-", 0) == 0) records.emplace_back(std::stoi(file.substr(7)), entry.path());
    }
    std::sort(records.begin(), records.end());
    Bytes out;
    for (const auto& [id, path] : records) {
        std::ifstream in(path, std::ios::binary);
        out.insert(out.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
}

// The stores that damaged records were set aside in; the fixture's own
// clean-up leaves them, as the game does.
void removeSetAsideStores() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(databaseFolder(), ec))
        if (entry.path().filename().string().find(".damaged") != std::string::npos)
            fs::remove_all(entry.path(), ec);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

class GameTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        removeSetAsideStores();
        Main::S().canvas = canvas.get();
        random = ScriptedRandom::make();
        Main::S().random = random.get();
    }
    void TearDown() override {
        removeSetAsideStores();
        ShellTest::TearDown();
    }
    // A game made as the program makes it, and what it said on standard
    // error meanwhile, line by line.
    VMPtr<Game> makeGame(std::vector<std::string>* said) {
        testing::internal::CaptureStderr();
        VMPtr<Game> game = Game::make();
        *said = linesOf(testing::internal::GetCapturedStderr());
        return game;
    }
    // The saved item, or nothing when there is none.
    std::optional<Bytes> stored(jint id) {
        VMPtr<VMArray<jbyte>> data = canvas->loadData(id);
        if (data == nullptr) return std::nullopt;
        const auto* p = reinterpret_cast<const uint8_t*>(data->elements());
        return Bytes(p, p + data->length);
    }
    void store(jint id, const Bytes& bytes) {
        VMPtr<VMArray<jbyte>> data = VMArray<jbyte>::create(jint(bytes.size()));
        for (size_t i = 0; i < bytes.size(); ++i) data[jint(i)] = jbyte(bytes[i]);
        ASSERT_TRUE(canvas->saveData(id, data));
    }
    Game::Statics& s() { return Game::S(); }
    jint kindAt(jint cell) { return s().cellKinds[cell / 20][cell % 20]; }

    VMNativePtr<ScriptedRandom> random;
};

// What every cell record of a new world holds, by kind, with level L:
// {lowest level, highest level, families allowed, variants allowed,
//  field 3, 4 and 5 allowed}.
void expectNewWorldRecord(jint kind, const VMPtr<VMArray<jint>>& r, jint level) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    auto oneOf = [](jint v, std::vector<jint> allowed) {
        for (jint a : allowed)
            if (a == v) return true;
        return false;
    };
    auto atLeastOne = [](jint v) { return v < 1 ? 1 : v; };
    switch (kind) {
        case 0:
        case 1:
            EXPECT_EQ(std::vector<jint>(r->elements(), r->elements() + 6),
                      (std::vector<jint>{-1, -1, 13, -1, -1, -1}));
            return;
        case 2:
            EXPECT_EQ(r[0], 1);
            EXPECT_EQ(r[3], 0);
            EXPECT_EQ(r[4], 0);
            EXPECT_EQ(r[5], -1);
            EXPECT_TRUE(oneOf(r[1], {0, 1, 2, 4}));
            return;
        case 11:
        case 15:
        case 19:
            EXPECT_EQ(r[0], atLeastOne(level - 1));
            EXPECT_EQ(r[4], kind == 11 ? 2 : kind == 15 ? 4 : 5);
            EXPECT_EQ(r[5], -1);
            EXPECT_TRUE(oneOf(r[3], {0, 1}));
            return;
        case 16:
        case 20: {
            const jint value = kind == 16 ? 4 : 5;
            EXPECT_EQ(r[0], level);
            EXPECT_TRUE(oneOf(r[4], {0, 1, value}));
            EXPECT_EQ(r[5], r[4] == value ? -1 : value);
            return;
        }
        case 24:
            EXPECT_EQ(std::vector<jint>(r->elements(), r->elements() + 6),
                      (std::vector<jint>{level + 1, 5, 13, 6, 6, 6}));
            return;
        default:
            EXPECT_GE(r[0], 1);
            return;
    }
}

TEST_F(GameTest, WithNothingSavedANewGameAndANewWorldAreSaved) {
    Game::make();
    std::optional<Bytes> state = stored(0), world = stored(1);
    ASSERT_TRUE(state && world);
    EXPECT_EQ(state->size(), 72u);
    EXPECT_EQ(world->size(), 6800u);

    EXPECT_EQ(s().progressA, 0);
    EXPECT_EQ(s().progressB, 1000);
    EXPECT_EQ(std::vector<jint>(s().stats->elements(), s().stats->elements() + 9),
              (std::vector<jint>{0, 1, 1, 1, 1, 3, 3, 0, 1}));
    EXPECT_EQ(s().progressPair[0], 10);
    EXPECT_EQ(s().progressPair[1], 5);
    EXPECT_EQ(s().stageKind, 0);
    EXPECT_EQ(s().statClass, 6);  // the new game's stats (1, 1, 3)

    // The state record: ints big-endian, booleans a byte, zero padding.
    EXPECT_EQ(intAt(*state, 4), 1000);
    EXPECT_EQ(intAt(*state, 13 + 4 * 5), 3);
    EXPECT_EQ(intAt(*state, 49), 10);
    EXPECT_EQ(intAt(*state, 53), 5);
    EXPECT_EQ(intAt(*state, 60), 0);
    for (size_t i = 64; i < 72; ++i) EXPECT_EQ((*state)[i], 0);

    // Place 0 is the kind-2 cell, the others lie in their kinds' ranges.
    EXPECT_EQ(s().places[0][0], 6);
    EXPECT_EQ(s().places[0][1], 10);
    EXPECT_EQ(intAt(*world, kWorldPlaces), 6);
    EXPECT_EQ(intAt(*world, kWorldPlaces + 4), 10);
    const jint low[5] = {2, 3, 11, 15, 19}, high[5] = {2, 10, 14, 18, 22};
    for (jint p = 0; p < 5; ++p) {
        const jint kind = s().cellKinds[s().places[p][0]][s().places[p][1]];
        EXPECT_GE(kind, low[p]) << "place " << p;
        EXPECT_LE(kind, high[p]) << "place " << p;
    }
    for (jint cell = 0; cell < 260; ++cell) {
        expectNewWorldRecord(kindAt(cell), s().cellRecords[cell], 1);
        EXPECT_FALSE(s().cellFlags[cell]);
        for (jint f = 0; f < 6; ++f)
            ASSERT_EQ(intAt(*world, size_t(kWorldRecords + 24 * cell + 4 * f)),
                      s().cellRecords[cell][f]);
    }
    for (size_t i = 6540; i < 6800; ++i) ASSERT_EQ((*world)[i], 0);
}

TEST_F(GameTest, SavedRecordsLoadBackUnchanged) {
    VMPtr<Game> game = Game::make();
    s().progressB = 0;
    s().progressFlags[4] = true;
    s().stats[1] = 10;  // stat 0's cap, then its level
    s().stats[2] = 10;
    s().progressPair[0] = 18;  // the rightmost cell of row 6
    s().progressPair[1] = 6;
    s().extraFlags[1] = true;
    s().stageKind = 14;
    s().cellFlags[99] = true;     // the last cell of the map
    s().cellRecords[69][0] = 21;  // a stage cell at the highest level
    s().places[4][0] = 11;        // the last cell of the map, kind 19
    s().places[4][1] = 10;
    game->saveState();
    game->saveData();
    const Bytes state = *stored(0), world = *stored(1);

    s().stageKind = 0;
    s().cellFlags = nullptr;
    Game::make();
    EXPECT_EQ(s().progressB, 0);
    EXPECT_TRUE(s().progressFlags[4]);
    EXPECT_FALSE(s().progressFlags[0]);
    EXPECT_EQ(s().stats[2], 10);
    EXPECT_EQ(s().progressPair[0], 18);
    EXPECT_EQ(s().progressPair[1], 6);
    EXPECT_TRUE(s().extraFlags[1]);
    EXPECT_EQ(s().stageKind, 14);
    EXPECT_EQ(s().statClass, 2);
    EXPECT_TRUE(s().cellFlags[99]);
    EXPECT_EQ(s().cellRecords[69][0], 21);
    EXPECT_EQ(s().places[4][0], 11);
    EXPECT_EQ(s().places[4][1], 10);
    EXPECT_EQ(stored(0), state);
    EXPECT_EQ(stored(1), world);
}

// A record that is short or holds a value the game never writes is damaged:
// its store is set aside whole under "<id>.damaged" (with one line on
// standard error naming it and its folder), that record starts anew and is
// saved again, and the other record is left alone.
TEST_F(GameTest, DamagedRecordsAreSetAsideAndStartedAnew) {
    VMPtr<Game> game = Game::make();
    s().stageKind = 5;
    s().progressB = 77;
    game->saveState();
    const Bytes goodState = *stored(0), goodWorld = *stored(1);

    auto stat = [](int i) { return size_t(13 + 4 * i); };
    auto cell = [](int index, int field) { return size_t(kWorldRecords + 24 * index + 4 * field); };
    constexpr int kStageCell = 130;  // the first stage's cell, row 6 column 10
    struct Case {
        const char* name;
        jint store;
        std::function<void(Bytes&)> spoil;
    };
    const std::vector<Case> cases = {
        {"state of 71 bytes", 0, [](Bytes& b) { b.resize(71); }},
        {"state of 73 bytes", 0, [](Bytes& b) { b.push_back(0); }},
        {"empty state", 0, [](Bytes& b) { b.clear(); }},
        {"progressA set", 0, [](Bytes& b) { putInt(b, 0, 1); }},
        {"negative money", 0, [](Bytes& b) { putInt(b, 4, -1); }},
        {"money past nine digits", 0, [](Bytes& b) { putInt(b, 4, 1000000000); }},
        {"a piece flag of 2", 0, [](Bytes& b) { b[10] = 2; }},
        {"free points 100", 0, [&](Bytes& b) { putInt(b, stat(0), 100); }},
        {"a cap of 11", 0, [&](Bytes& b) { putInt(b, stat(3), 11); }},
        {"a level above its cap", 0, [&](Bytes& b) { putInt(b, stat(2), 2); }},
        {"a negative stat level", 0, [&](Bytes& b) { putInt(b, stat(4), INT_MIN); }},
        {"hit points near the largest int", 0,
         [&](Bytes& b) { putInt(b, stat(5), INT_MAX - 5), putInt(b, stat(6), INT_MAX - 5); }},
        {"experience past its level", 0, [&](Bytes& b) { putInt(b, stat(7), 21); }},
        {"level 0", 0, [&](Bytes& b) { putInt(b, stat(8), 0); }},
        {"level 21", 0, [&](Bytes& b) { putInt(b, stat(8), 21); }},
        {"level 0x7FFFFFFF", 0, [&](Bytes& b) { putInt(b, stat(8), 0x7FFFFFFF); }},
        {"cursor column 20", 0, [](Bytes& b) { putInt(b, 49, 20); }},
        {"cursor row 13", 0, [](Bytes& b) { putInt(b, 53, 13); }},
        {"cursor on a place with no cell", 0, [](Bytes& b) { putInt(b, 49, 0); }},
        {"an area flag of 255", 0, [](Bytes& b) { b[59] = 0xFF; }},
        {"stage kind 15", 0, [](Bytes& b) { putInt(b, 60, 15); }},
        {"stage kind -1", 0, [](Bytes& b) { putInt(b, 60, -1); }},
        {"state padding set", 0, [](Bytes& b) { b[71] = 1; }},
        {"world of 6799 bytes", 1, [](Bytes& b) { b.resize(6799); }},
        {"world of 72 bytes", 1, [](Bytes& b) { b.resize(72); }},
        {"a cell flag of 2", 1, [](Bytes& b) { b[5] = 2; }},
        {"a flag past the map's cells", 1, [](Bytes& b) { b[100] = 1; }},
        {"family -1 on a stage cell", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 1), -1); }},
        {"family 9", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 1), 9); }},
        {"variant 14", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 2), 14); }},
        {"stage level 0", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 0), 0); }},
        {"stage level 22", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 0), 22); }},
        {"stage level INT_MIN", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 0), INT_MIN); }},
        {"first heat of no kind", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 3), -1); }},
        {"second heat of no kind", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 4), -1); }},
        {"heat kind 7", 1, [&](Bytes& b) { putInt(b, cell(kStageCell, 5), 7); }},
        {"a place with no stage given a level", 1, [&](Bytes& b) { putInt(b, cell(0, 0), 1); }},
        {"a place with no stage given a family", 1, [&](Bytes& b) { putInt(b, cell(0, 1), 0); }},
        {"place row 13", 1, [](Bytes& b) { putInt(b, kWorldPlaces + 8 * 4, 13); }},
        {"place column -1", 1, [](Bytes& b) { putInt(b, kWorldPlaces + 8 * 2 + 4, -1); }},
        {"a place on a cell of another range", 1, [](Bytes& b) { putInt(b, kWorldPlaces + 8 * 2, 6),
                                                                 putInt(b, kWorldPlaces + 8 * 2 + 4, 10); }},
        {"world padding set", 1, [](Bytes& b) { b[6799] = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        removeSetAsideStores();
        store(0, goodState);
        store(1, goodWorld);
        Bytes bad = c.store == 0 ? goodState : goodWorld;
        c.spoil(bad);
        store(c.store, bad);
        std::vector<std::string> said;
        VMPtr<Game> started = makeGame(&said);

        // Set aside whole, and said where.
        const std::string id = std::to_string(c.store);
        EXPECT_EQ(storeFiles(id + ".damaged"), bad);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("wren: the saved " + std::string(c.store == 0 ? "progress" : "world") +
                               " in record store \"" + id + "\" is damaged"),
                  std::string::npos)
            << said[0];
        EXPECT_NE(said[0].find((databaseFolder() / ("store-" + id + ".damaged")).string()),
                  std::string::npos)
            << said[0];
        // That record anew, saved whole; the other one as it was.
        if (c.store == 0) {
            EXPECT_EQ(s().stageKind, 0);
            EXPECT_EQ(s().progressB, 1000);
            EXPECT_EQ(stored(1), goodWorld);
        } else {
            EXPECT_EQ(s().stageKind, 5);
            EXPECT_EQ(stored(0), goodState);
        }
        EXPECT_TRUE(c.store == 0 ? bool(Game::validState(canvas->loadData(0)))
                                 : bool(Game::validWorld(canvas->loadData(1))));
        // And the game goes on saving.
        started->saveState();
        started->saveData();
        EXPECT_TRUE(Game::validState(canvas->loadData(0)));
        EXPECT_TRUE(Game::validWorld(canvas->loadData(1)));
    }
}

// A record that loads whole and in range is used, and says nothing: also
// a world made at the highest level, whose cells run one level above it.
TEST_F(GameTest, AGoodSaveStartsSilently) {
    VMPtr<Game> game = Game::make();
    s().stats[8] = Game::MAX_LEVEL;
    game->saveState();
    canvas->deleteData(1);
    std::vector<std::string> said;
    makeGame(&said);
    EXPECT_TRUE(said.empty());
    const std::optional<Bytes> world = stored(1);
    makeGame(&said);
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(stored(1), world);
    EXPECT_EQ(s().cellRecords[20 * 1 + 9][0], Game::MAX_LEVEL + 1);  // kind 24
    EXPECT_FALSE(storeFiles("0.damaged") || storeFiles("1.damaged"));
}

// A store that holds records no save cut (records of other sizes) is
// damaged too, and a record damaged again later never replaces the copy
// set aside before.
TEST_F(GameTest, EveryDamagedCopyIsKept) {
    Game::make();
    const Bytes goodWorld = *stored(1);
    // Two records of 3000 and 3800 bytes: no save cuts 6800 bytes so.
    canvas->deleteData(1);
    {
        VMPtr<javax::microedition::rms::RecordStore> rs =
            javax::microedition::rms::RecordStore::openRecordStore(WREN_LIT("1"), true);
        Bytes first(goodWorld.begin(), goodWorld.begin() + 3000);
        Bytes second(goodWorld.begin() + 3000, goodWorld.end());
        rs->addRecord(wrentest::jbytes(first), 0, jint(first.size()));
        rs->addRecord(wrentest::jbytes(second), 0, jint(second.size()));
        rs->closeRecordStore();
    }
    std::vector<std::string> said;
    makeGame(&said);
    EXPECT_EQ(said.size(), 1u);
    EXPECT_EQ(storeFiles("1.damaged"), goodWorld);  // the records, joined

    Bytes spoiled = *stored(1);
    putInt(spoiled, kWorldRecords + 24 * 130 + 4, -1);
    store(1, spoiled);
    makeGame(&said);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("\"1.damaged-2\""), std::string::npos) << said[0];
    EXPECT_EQ(storeFiles("1.damaged"), goodWorld);
    EXPECT_EQ(storeFiles("1.damaged-2"), spoiled);
}

// A record that is there but can't be read is not a damaged one: the game
// starts that record anew in memory and plays on, but saves nothing, so
// neither store is ever overwritten. (Made unreadable in ways that hold
// for root too: a file where the store's folder belongs, or a record
// larger than an int can count.)
TEST_F(GameTest, AnUnreadableRecordIsNeverOverwritten) {
    VMPtr<Game> first = Game::make();
    s().stageKind = 5;
    first->saveState();
    const Bytes goodState = *stored(0), goodWorld = *stored(1);

    struct Case {
        const char* name;
        jint store;
        std::function<void(const fs::path&)> spoil;  // given the store's folder
        const char* atFault;  // what the line names, in the store's folder ("": the folder)
    };
    const std::vector<Case> cases = {
        {"progress folder a file", 0,
         [](const fs::path& f) { fs::remove_all(f), std::ofstream(f) << "not a store"; }, ""},
        {"world folder a file", 1,
         [](const fs::path& f) { fs::remove_all(f), std::ofstream(f) << "not a store"; }, ""},
        {"progress record of 3 GiB", 0,
         [](const fs::path& f) { fs::resize_file(f / "record-1.bin", uintmax_t(3) << 30); },
         "record-1.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store(0, goodState);
        store(1, goodWorld);
        const std::string id = std::to_string(c.store);
        const fs::path folder = databaseFolder() / ("store-" + id);
        c.spoil(folder);
        auto snapshot = [&] {
            std::vector<std::pair<std::string, uintmax_t>> entries;
            std::error_code ec;
            if (fs::is_regular_file(folder)) {
                std::ifstream in(folder, std::ios::binary);
                entries.emplace_back(std::string(std::istreambuf_iterator<char>(in), {}), 0);
            }
            for (const auto& e : fs::directory_iterator(folder, ec))
                entries.emplace_back(e.path().filename().string(),
                                     e.is_regular_file() ? e.file_size() : 0);
            std::sort(entries.begin(), entries.end());
            return entries;
        };
        const auto before = snapshot();

        std::vector<std::string> said;
        VMPtr<Game> game = makeGame(&said);
        ASSERT_EQ(said.size(), 1u);
        // No permission is at fault: the player is told to move it away.
        const fs::path atFault = *c.atFault ? folder / c.atFault : folder;
        EXPECT_NE(said[0].find("in record store \"" + id + "\" can't be read (" + atFault.string() +
                               "): move it away and the game saves again at its next start; "),
                  std::string::npos)
            << said[0];
        EXPECT_NE(said[0].find("playing on without saving"), std::string::npos) << said[0];
        // Played on: that record is a new one in memory.
        EXPECT_EQ(s().stageKind, c.store == 0 ? 0 : 5);
        game->saveState();
        game->saveData();
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(storeFiles(c.store == 0 ? "1" : "0"), c.store == 0 ? goodWorld : goodState);
        EXPECT_FALSE(storeFiles(id + ".damaged"));
        fs::remove_all(folder);
    }
}

// The line that tells a refused save of an item.
std::string refusedSave(const char* item, int id) {
    return std::string("wren: can't save the game's ") + item + " (record store \"" +
           std::to_string(id) + "\") in " + databaseFolder().string() +
           "; playing on, and the game will try again at the next save";
}

// A save the device refuses (a full disk from the start, or the database
// folder replaced by a file while the game plays) is told once for each
// item, naming the folder, and the game plays on. Every later save is
// tried again: one that the device takes is kept, and a refusal after it
// is told once more.
TEST_F(GameTest, ARefusedSaveIsToldAndTriedAgainAtTheNextSave) {
    const fs::path database = databaseFolder();
    const fs::path away = database.string() + ".away";
    const std::vector<std::string> refused = {refusedSave("progress", 0), refusedSave("world", 1)};
    struct Case {
        const char* name;
        std::function<void()> refuse, restore;
        // Refused from the start, so that the new game's first saves are;
        // else from after the start, which read and saved as ever.
        bool fromTheStart;
    };
    const std::vector<Case> cases = {
        {"database folder replaced by a file",
         [&] {
             fs::remove_all(away);
             fs::create_directories(database);
             fs::rename(database, away);
             std::ofstream(database) << "not a folder";
         },
         [&] {
             fs::remove(database);
             fs::rename(away, database);
         },
         false},
        {"a full disk", [] { HAL_failNextRecordStoreWrites(1000000, 0); },
         [] { HAL_failNextRecordStoreWrites(0, 0); }, true},
    };
    // The saves a game makes when the player gets on, and what they said.
    auto saveAll = [](const VMPtr<Game>& game) {
        testing::internal::CaptureStderr();
        game->saveState();
        game->saveData();
        return linesOf(testing::internal::GetCapturedStderr());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas->deleteAllData();
        if (c.fromTheStart) c.refuse();
        std::vector<std::string> said;
        VMPtr<Game> game = makeGame(&said);
        std::optional<Bytes> savedState, savedWorld;
        if (!c.fromTheStart) {
            EXPECT_TRUE(said.empty());
            savedState = stored(0);
            savedWorld = stored(1);
            EXPECT_TRUE(savedState && savedWorld);
            c.refuse();
            said = saveAll(game);
        }
        s().stageKind = 3;
        const std::vector<std::string> refusedAgain = saveAll(game);
        c.restore();
        EXPECT_EQ(said, refused);
        EXPECT_TRUE(refusedAgain.empty());
        EXPECT_EQ(s().progressB, 1000);  // a new game, in memory
        EXPECT_EQ(stored(0), savedState);
        EXPECT_EQ(stored(1), savedWorld);

        // The device takes saves again: the next save keeps the game.
        EXPECT_TRUE(saveAll(game).empty());
        const std::optional<Bytes> kept = stored(0);
        ASSERT_TRUE(kept);
        EXPECT_EQ(intAt(*kept, 60), 3);
        EXPECT_TRUE(stored(1));

        // Refused once more: told once more, and the kept save stays.
        c.refuse();
        s().stageKind = 4;
        const std::vector<std::string> afterSuccess = saveAll(game);
        const std::vector<std::string> stillRefused = saveAll(game);
        c.restore();
        EXPECT_EQ(afterSuccess, refused);
        EXPECT_TRUE(stillRefused.empty());
        EXPECT_EQ(stored(0), kept);
    }
}

// While one item's saves are refused and the other's are taken, the
// refusal is told once, however often both are saved; once that item saves
// again, its next refusal is told once more.
TEST_F(GameTest, OneItemsRefusalIsToldOnceWhileTheOtherSaves) {
    // The world's staging store can't be renamed, as on a disk that fails
    // that one step (this program's renames see the setting).
    auto refuse = [] { setenv("WREN_TEST_REFUSED_RENAME", "store-1.saving", 1); };
    auto allow = [] { unsetenv("WREN_TEST_REFUSED_RENAME"); };
    auto saveAll = [](const VMPtr<Game>& game) {
        testing::internal::CaptureStderr();
        for (int round = 0; round < 3; ++round) {
            game->saveState();
            game->saveData();
        }
        return linesOf(testing::internal::GetCapturedStderr());
    };
    canvas->deleteAllData();
    refuse();
    std::vector<std::string> said;
    VMPtr<Game> game = makeGame(&said);
    s().stageKind = 3;
    const std::vector<std::string> refusedAgain = saveAll(game);
    EXPECT_EQ(said, std::vector<std::string>{refusedSave("world", 1)});
    EXPECT_TRUE(refusedAgain.empty());
    const std::optional<Bytes> progress = stored(0);
    EXPECT_TRUE(progress && intAt(*progress, 60) == 3);  // kept at every save
    EXPECT_FALSE(stored(1));

    allow();
    EXPECT_TRUE(saveAll(game).empty());
    EXPECT_TRUE(stored(1));
    refuse();
    EXPECT_EQ(saveAll(game), std::vector<std::string>{refusedSave("world", 1)});
    allow();
}

// With every name a set-aside copy can take in use, a damaged record can't
// be set aside: the line says why, where the copies are and what to do,
// and the record stays as it is while the game plays on without saving.
// Once one copy goes, the next start sets the record aside under its name.
TEST_F(GameTest, WithEveryCopysNameTakenTheLineSaysWhyAndWhere) {
    Game::make();
    const fs::path database = databaseFolder();
    fs::create_directory(database / "store-0.damaged");
    for (int n = 2; n <= 999; ++n)
        fs::create_directory(database / ("store-0.damaged-" + std::to_string(n)));
    // A name something else holds is as taken as a copy's.
    fs::remove(database / "store-0.damaged-7");
    std::ofstream(database / "store-0.damaged-7") << "the player's own file";
    const Bytes spoiled(71, 0);  // no save writes 71 bytes
    store(0, spoiled);

    std::vector<std::string> said;
    VMPtr<Game> game = makeGame(&said);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "wren: the saved progress in record store \"0\" is damaged and can't be "
                       "set aside: all 999 names a copy can have are taken (" +
                       (database / "store-0.damaged").string() + " to " +
                       (database / "store-0.damaged-999").string() +
                       "): move some of what holds them away and the game saves again at its "
                       "next start; "
                       "started a new game and playing on without saving");
    game->saveState();
    EXPECT_EQ(stored(0), spoiled);
    EXPECT_FALSE(fs::exists(database / "store-0.damaged-1000"));

    fs::remove(database / "store-0.damaged-500");
    makeGame(&said);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("set it aside as record store \"0.damaged-500\""), std::string::npos)
        << said[0];
    EXPECT_EQ(storeFiles("0.damaged-500"), spoiled);
    EXPECT_EQ(stored(0)->size(), 72u);
    EXPECT_TRUE(fs::is_regular_file(database / "store-0.damaged-7"));
}

TEST_F(GameTest, ClassifyStats) {
    Game::make();
    struct Case {
        jint a, b, c, expected;
    };
    for (Case c : {Case{10, 10, 10, 21}, Case{7, 8, 9, 20}, Case{10, 3, 3, 2}, Case{3, 10, 3, 5},
                   Case{3, 3, 10, 8}, Case{3, 3, 3, 19}, Case{2, 2, 2, 18}, Case{6, 6, 2, 1},
                   Case{2, 6, 6, 4}, Case{2, 5, 6, 7}, Case{4, 2, 1, 0}, Case{1, 4, 2, 3},
                   Case{1, 2, 4, 6}, Case{1, 1, 3, 6}, Case{0, 0, 0, 18}, Case{12, 12, 7, 20}, Case{12, 12, 6, 21}}) {
        s().stats[2] = c.a;
        s().stats[4] = c.b;
        s().stats[6] = c.c;
        Game::classifyStats();
        EXPECT_EQ(s().statClass, c.expected) << c.a << ", " << c.b << ", " << c.c;
    }
}

TEST_F(GameTest, RefreshCellLevelsFollowsThePlayersLevel) {
    Game::make();
    for (jint level : {20, 5}) {
        SCOPED_TRACE("L = " + std::to_string(level));
        for (jint cell = 0; cell < 260; ++cell) s().cellRecords[cell][0] = 99;
        s().stats[8] = level;
        Game::refreshCellLevels();
        for (jint cell = 0; cell < 260; ++cell) {
            const jint kind = kindAt(cell);
            jint expected = 99;
            if (kind == 8 || kind == 9 || kind == 10 || kind == 12 || kind == 14 || kind == 16 ||
                kind == 20)
                expected = level;
            else if (kind == 11 || kind == 15 || kind == 19)
                expected = level - 1;
            else if ((kind == 13 || kind == 17 || kind == 21 || kind == 23 || kind == 24) &&
                     level < 20)
                expected = level + 1;
            ASSERT_EQ(s().cellRecords[cell][0], expected) << "cell " << cell << ", kind " << kind;
        }
    }
}

// Every third draw is the smallest int, whose absolute value is negative:
// the world still comes out whole, every pick inside its list.
TEST_F(GameTest, AGeneratorGivingTheSmallestIntStillMakesAWorld) {
    random->everyThird = INT_MIN;
    Game::make();
    for (jint cell = 0; cell < 260; ++cell)
        expectNewWorldRecord(kindAt(cell), s().cellRecords[cell], 1);
    EXPECT_TRUE(Game::validWorld(canvas->loadData(1)));
}

TEST_F(GameTest, ANewWorldTakesItsLevelsFromTheLoadedStats) {
    VMPtr<Game> game = Game::make();
    s().stats[8] = 7;
    game->saveState();
    canvas->deleteData(1);
    Game::make();
    for (jint cell = 0; cell < 260; ++cell)
        expectNewWorldRecord(kindAt(cell), s().cellRecords[cell], 7);
}

}  // namespace
}  // namespace wrentest::shell
