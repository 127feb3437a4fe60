// main.Game: a new game and a new world when nothing is saved, records
// that load back unchanged, records that are short or hold values out of
// range counting as missing, the stat classes and the cell levels.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "main_Game.h"
#include "main_Main.h"
#include "shell_test_support.h"

namespace wrentest::shell {
namespace {

using main::Game;
using main::Main;
using Bytes = std::vector<uint8_t>;

constexpr int kWorldRecords = 260;       // where the cell records start
constexpr int kWorldPlaces = 260 + 6240;  // where the places start

int32_t intAt(const Bytes& b, size_t at) {
    return int32_t(uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
                   uint32_t(b[at + 3]));
}

void putInt(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(uint32_t(v) >> (24 - 8 * i));
}

class GameTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        Main::S().canvas = canvas.get();
        random = ScriptedRandom::make();
        Main::S().random = random.get();
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
    s().progressA = -7;  // no range of its own
    s().progressB = 0;
    s().progressFlags[4] = true;
    s().stats[2] = 10;
    s().progressPair[0] = 18;  // the rightmost cell of row 6
    s().progressPair[1] = 6;
    s().extraFlags[1] = true;
    s().stageKind = 14;
    s().cellFlags[259] = true;
    s().cellRecords[3][0] = -1;
    s().places[4][1] = 19;
    game->saveState();
    game->saveData();
    const Bytes state = *stored(0), world = *stored(1);

    s().stageKind = 0;
    s().cellFlags = nullptr;
    Game::make();
    EXPECT_EQ(s().progressA, -7);
    EXPECT_EQ(s().progressB, 0);
    EXPECT_TRUE(s().progressFlags[4]);
    EXPECT_FALSE(s().progressFlags[0]);
    EXPECT_EQ(s().stats[2], 10);
    EXPECT_EQ(s().progressPair[0], 18);
    EXPECT_EQ(s().progressPair[1], 6);
    EXPECT_TRUE(s().extraFlags[1]);
    EXPECT_EQ(s().stageKind, 14);
    EXPECT_EQ(s().statClass, 2);
    EXPECT_TRUE(s().cellFlags[259]);
    EXPECT_EQ(s().cellRecords[3][0], -1);
    EXPECT_EQ(s().places[4][1], 19);
    EXPECT_EQ(stored(0), state);
    EXPECT_EQ(stored(1), world);
}

// A state record that is short or holds a value the game can't use starts
// a new game and leaves the world alone; likewise a bad world record starts
// a new world and leaves the progress alone.
TEST_F(GameTest, BadRecordsCountAsMissing) {
    VMPtr<Game> game = Game::make();
    s().stageKind = 5;
    s().progressB = 77;
    game->saveState();
    const Bytes goodState = *stored(0), goodWorld = *stored(1);

    struct Case {
        const char* name;
        jint store;
        std::function<void(Bytes&)> spoil;
    };
    const std::vector<Case> cases = {
        {"state of 71 bytes", 0, [](Bytes& b) { b.resize(71); }},
        {"empty state", 0, [](Bytes& b) { b.clear(); }},
        {"stage kind 15", 0, [](Bytes& b) { putInt(b, 60, 15); }},
        {"stage kind -1", 0, [](Bytes& b) { putInt(b, 60, -1); }},
        {"negative money", 0, [](Bytes& b) { putInt(b, 4, -1); }},
        {"a negative stat", 0, [](Bytes& b) { putInt(b, 13 + 4 * 6, INT_MIN); }},
        {"cursor column 20", 0, [](Bytes& b) { putInt(b, 49, 20); }},
        {"cursor row 13", 0, [](Bytes& b) { putInt(b, 53, 13); }},
        {"cursor on a place with no cell", 0, [](Bytes& b) { putInt(b, 49, 0); }},
        {"world of 6799 bytes", 1, [](Bytes& b) { b.resize(6799); }},
        {"world of 72 bytes", 1, [](Bytes& b) { b.resize(72); }},
        {"level -2", 1, [](Bytes& b) { putInt(b, kWorldRecords + 24 * 130, -2); }},
        {"family 9", 1, [](Bytes& b) { putInt(b, kWorldRecords + 24 * 130 + 4, 9); }},
        {"variant 14", 1, [](Bytes& b) { putInt(b, kWorldRecords + 24 * 259 + 8, 14); }},
        {"heat kind 7", 1, [](Bytes& b) { putInt(b, kWorldRecords + 24 * 0 + 20, 7); }},
        {"heat kind -2", 1, [](Bytes& b) { putInt(b, kWorldRecords + 24 * 70 + 12, -2); }},
        {"place row 13", 1, [](Bytes& b) { putInt(b, kWorldPlaces + 8 * 4, 13); }},
        {"place column -1", 1, [](Bytes& b) { putInt(b, kWorldPlaces + 8 * 2 + 4, -1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store(0, goodState);
        store(1, goodWorld);
        Bytes bad = c.store == 0 ? goodState : goodWorld;
        c.spoil(bad);
        store(c.store, bad);
        Game::make();
        if (c.store == 0) {
            EXPECT_EQ(s().stageKind, 0);
            EXPECT_EQ(s().progressB, 1000);
            EXPECT_EQ(stored(1), goodWorld);
        } else {
            EXPECT_EQ(s().stageKind, 5);
            EXPECT_EQ(stored(0), goodState);
        }
        std::optional<Bytes> rewritten = stored(c.store);
        ASSERT_TRUE(rewritten);
        EXPECT_EQ(rewritten->size(), c.store == 0 ? 72u : 6800u);
        EXPECT_TRUE(c.store == 0 ? bool(Game::validState(canvas->loadData(0)))
                                 : bool(Game::validWorld(canvas->loadData(1))));
    }
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
