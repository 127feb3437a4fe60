// main.Game's world generator, cell kind by cell kind: the level each kind
// takes from the player's level, its fixed fields, the family and variant
// it picks from its lists, and the order in which it draws its random
// numbers, over a map of one cell of the kind under test and four cells the
// places can land on.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "main_Game.h"
#include "main_Main.h"
#include "shell_test_support.h"

namespace wrentest::shell {
namespace {

using main::Game;
using main::Main;
using Record = std::array<jint, 6>;

class WorldTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        Main::S().canvas = canvas.get();
        random = ScriptedRandom::make();
        Main::S().random = random.get();
        game = Game::make();
    }
    Game::Statics& s() { return Game::S(); }
    Record record(jint row, jint column) {
        VMPtr<VMArray<jint>> r = s().cellRecords[row * 20 + column];
        return {r[0], r[1], r[2], r[3], r[4], r[5]};
    }

    VMNativePtr<ScriptedRandom> random;
    VMNativePtr<Game> game;
};

// The map of the tests: the kind under test at (0, 0), then, filled after
// it, one cell for each place's kind range on the bottom row; no cell
// anywhere else.
constexpr jint kPlaceRow = 12;
constexpr jint kPlaceKinds[4] = {3, 14, 18, 22};
// What those four cells draw (kind 3: family, variant; the others their
// variant alone), and what they then hold.
const std::vector<jint> kPlaceCellDraws = {1, 2, 5, 5, 1};
const Record kPlaceCellRecords[4] = {
    {1, 1, 6, 0, 1, -1},  // family 1 of group 0, variant 6 of family 1
    {10, 8, 0, 2, 3, 3},
    {10, 6, 2, 4, 4, 4},
    {10, 3, 7, 5, 5, 5},  // variant 7 of family 3
};
// The places' draws, row then column: place 1 first tries (1, 1), which
// holds no cell, then takes its cell; the others take theirs at once.
const std::vector<jint> kPlaceDraws = {14, 21, 12, 16, 12, 17, 25, 18, 12, 39};

TEST_F(WorldTest, EveryCellKindTakesItsLevelFieldsAndPicksInDrawOrder) {
    // Groups: 0 {0, 1, 2, 4}, 1 {0, 8}, 2 {4, 6}, 3 {2, 3}. Families:
    // 0 {3, 5, 6, 10, 11, 12}, 1 and 2 {3, 5, 6, 8, 9, 10, 11, 12},
    // 3 {4, 7}, 4 {5, 6, 10, 11, 12}, 6 {2}, 8 {0}.
    struct Case {
        jint kind, level;
        std::vector<jint> draws;  // family, variant, field 3, 4, 5 as drawn
        Record expected;
    };
    const Case cases[] = {
        {0, 7, {}, {-1, -1, 13, -1, -1, -1}},
        {1, 7, {}, {-1, -1, 13, -1, -1, -1}},
        {2, 7, {3, 9}, {1, 4, 12, 0, 0, -1}},  // level 0 raised to 1
        {3, 7, {2, 13}, {1, 2, 10, 0, 1, -1}},
        {4, 7, {6, 2}, {2, 2, 6, 0, 1, -1}},
        {5, 7, {5, 4}, {3, 1, 9, 0, 1, -1}},
        {6, 7, {7, 11}, {4, 4, 6, 0, 1, -1}},
        {7, 7, {0, 7}, {5, 0, 5, 0, 1, -1}},
        {8, 7, {1, 3}, {7, 1, 8, 0, 1, -1}},
        {8, 0, {1, 3}, {1, 1, 8, 0, 1, -1}},
        {9, 7, {2, 1, 3}, {7, 2, 5, 0, 1, 1}},
        {10, 7, {4, 5, 2}, {7, 0, 12, 0, 1, 0}},
        {11, 7, {1, 0, 5}, {6, 8, 0, 1, 2, -1}},
        {11, 1, {2, 9, 4}, {1, 0, 10, 0, 2, -1}},
        {11, 0, {0, 0, 0}, {-1, 0, 3, 0, 2, -1}},  // only a level of 0 is raised
        {12, 7, {0, 4, 3, 4}, {7, 0, 11, 1, 1, 2}},
        {12, 7, {3, 8, 2, 5}, {7, 8, 0, 0, 2, 0}},
        {13, 7, {5}, {8, 8, 0, 2, 2, 2}},
        {14, 7, {3}, {10, 8, 0, 2, 3, 3}},
        {15, 7, {1, 6, 3}, {6, 6, 2, 1, 4, -1}},
        {15, 1, {0, 3, 0}, {1, 4, 11, 0, 4, -1}},
        {16, 7, {0, 7, 1, 3}, {7, 4, 10, 1, 0, 4}},
        {16, 7, {1, 0, 0, 5}, {7, 6, 2, 0, 4, -1}},
        {17, 7, {4, 1, 4}, {8, 6, 2, 1, 1, 4}},
        {17, 7, {0, 0, 2}, {8, 6, 2, 0, 4, -1}},
        {18, 7, {9}, {10, 6, 2, 4, 4, 4}},
        {19, 7, {1, 1, 1}, {6, 3, 7, 1, 5, -1}},
        {19, 1, {0, 3, 0}, {1, 2, 8, 0, 5, -1}},
        {20, 7, {2, 0, 1, 4}, {7, 2, 3, 1, 1, 5}},
        {20, 7, {1, 2, 0, 8}, {7, 3, 4, 0, 5, -1}},
        {21, 7, {3, 0, 0}, {8, 3, 7, 0, 0, 5}},
        {21, 7, {0, 1, 5}, {8, 3, 4, 1, 5, -1}},
        {22, 7, {2}, {10, 3, 4, 5, 5, 5}},
        {23, 7, {1, 6, 1}, {8, 1, 11, 0, 1, 1}},
        {24, 7, {}, {8, 5, 13, 6, 6, 6}},
    };
    VMPtr<VMArray<jint, 2>> realMap = s().cellKinds;
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + ", level " + std::to_string(c.level));
        VMPtr<VMArray<jint, 2>> map = VMArray<jint, 2>::create(13, 20);
        map[0][0] = c.kind;
        for (jint p = 0; p < 4; ++p) map[kPlaceRow][16 + p] = kPlaceKinds[p];
        s().cellKinds = map;
        s().stats[8] = c.level;
        random->script = c.draws;
        random->script.insert(random->script.end(), kPlaceCellDraws.begin(), kPlaceCellDraws.end());
        random->script.insert(random->script.end(), kPlaceDraws.begin(), kPlaceDraws.end());
        random->next = 0;
        // A draw past the script: the first is 0, which the places would
        // refuse, and each is counted.
        random->everyThird = 0;
        random->own = 0;

        game->generateWorld();

        EXPECT_EQ(record(0, 0), c.expected);
        // The cells after it got exactly their draws: none taken, none
        // left over, none beyond the script.
        for (jint p = 0; p < 4; ++p)
            EXPECT_EQ(record(kPlaceRow, 16 + p), kPlaceCellRecords[p]) << "place cell " << p;
        EXPECT_EQ(random->next, random->script.size());
        EXPECT_EQ(random->own, 0u);
        const std::vector<std::array<jint, 2>> places = {
            {s().places[0][0], s().places[0][1]}, {s().places[1][0], s().places[1][1]},
            {s().places[2][0], s().places[2][1]}, {s().places[3][0], s().places[3][1]},
            {s().places[4][0], s().places[4][1]}};
        EXPECT_EQ(places, (std::vector<std::array<jint, 2>>{
                              {6, 10}, {12, 16}, {12, 17}, {12, 18}, {12, 19}}));
        for (jint cell = 1; cell < 260; ++cell) {
            if (cell / 20 == kPlaceRow && cell % 20 >= 16) continue;
            ASSERT_EQ(record(cell / 20, cell % 20), (Record{-1, -1, 13, -1, -1, -1})) << cell;
        }
    }
    s().cellKinds = realMap;
}

// On the game's own map, with every draw 0, each cell takes the first
// entry of its lists (the places' draws run on past the zeros, which point
// at no cell).
TEST_F(WorldTest, TheGamesMapWithEveryDrawZero) {
    s().stats[8] = 4;
    random->script.assign(2000, 0);
    random->next = 0;
    game->generateWorld();
    // (row, column): record. Row 5 holds kinds 13, 12, 11, 11, 11, 10, 3,
    // 8, 1, 8, 9, 7, 15, 15, 16, 17, 16 from column 2.
    const std::vector<std::pair<std::array<jint, 2>, Record>> expected = {
        {{0, 0}, {-1, -1, 13, -1, -1, -1}},  // kind 0
        {{1, 9}, {5, 5, 13, 6, 6, 6}},       // kind 24
        {{2, 9}, {5, 0, 3, 0, 1, 0}},        // kind 23
        {{5, 2}, {5, 8, 0, 2, 2, 2}},        // kind 13
        {{5, 3}, {4, 0, 3, 0, 0, 2}},        // kind 12
        {{5, 4}, {3, 0, 3, 0, 2, -1}},       // kind 11
        {{5, 8}, {1, 0, 3, 0, 1, -1}},       // kind 3
        {{5, 10}, {-1, -1, 13, -1, -1, -1}},  // kind 1
        {{5, 16}, {4, 4, 5, 0, 0, 4}},       // kind 16
        {{5, 17}, {5, 6, 2, 0, 0, 4}},       // kind 17
        {{6, 2}, {10, 8, 0, 2, 3, 3}},       // kind 14
        {{6, 10}, {1, 0, 3, 0, 0, -1}},      // kind 2
        {{6, 17}, {10, 6, 2, 4, 4, 4}},      // kind 18
        {{8, 8}, {4, 2, 3, 0, 0, 5}},        // kind 20
        {{8, 9}, {5, 3, 4, 0, 0, 5}},        // kind 21
        {{9, 9}, {10, 3, 4, 5, 5, 5}},       // kind 22
    };
    for (const auto& [at, r] : expected)
        EXPECT_EQ(record(at[0], at[1]), r) << at[0] << ", " << at[1];
}

}  // namespace
}  // namespace wrentest::shell
