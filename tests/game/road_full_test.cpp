// The whole game from a fresh start to its end, as one player plays it: an
// empty database and a virtual clock; the logo, the language page, the
// sound question and "play"; the first story and the tutorial stage (a
// short heat won by catch-and-carry, a long one left to run, the results
// with the first piece); the map's and the home's tutorial pages; every
// listed cell of the map walked to and played in the long mode until the
// last of them opens every area; the home through its cell, where the
// free points and the money are spent; a short heat lost and the levels
// bought back at home; the pieces of the three areas; the final cell and
// the last story; and the way out through the main menu. Every frame is
// painted as the game presents it; every story and tutorial turns as many
// pages as it has; the saved bytes are checked at every save point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "main_Game.h"
#include "road_support.h"
#include "scene_maingame_InGameObject.h"

namespace wrentest::road {
namespace {

using main::Game;
using scene::maingame::InGameScene;
using scene::maingame::InHomeScene;
using scene::maingame::InMapScene;

class FullRoad : public RoadTest {
protected:
    // One stage of the free map: walked to, started in the long mode and
    // played to its end. A game over sends the player home; the road goes
    // back to the map and plays the stage again. The scene id after it.
    jint playStageAt(Cell c) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            EXPECT_TRUE(walkTo(c)) << "to (" << c.column << ", " << c.row << ")";
            startLongStage();
            if (HasFatalFailure()) return -1;
            const int overs = gameOvers;
            const jint after = playField();
            if (gameOvers == overs) return after;
            leaveHomeForMap();
            if (HasFatalFailure()) return -1;
        }
        ADD_FAILURE() << "five game overs on (" << c.column << ", " << c.row << ")";
        return -1;
    }
    std::vector<jint> ints(jint id, jint offset, jint count) {
        std::vector<jint> out;
        for (jint i = 0; i < count; ++i) out.push_back(storeInt(id, offset + 4 * i));
        return out;
    }
    std::vector<jint> params() {
        VMPtr<VMArray<jint>> p = mainObject->getLoadingPanelState();
        std::vector<jint> out;
        for (jint i = 0; i < p->length; ++i) out.push_back(p[i]);
        return out;
    }
    std::vector<jint> bytes(jint id, jint offset, jint count) {
        std::vector<jint> out;
        for (jint i = 0; i < count; ++i) out.push_back(storeByte(id, offset + i));
        return out;
    }
};

TEST_F(FullRoad, FromAFreshStartToTheLastStoryAndTheExit) {
    // 0: the new game is written before the first frame.
    startGame();
    ASSERT_EQ(store(0).size(), 72u);
    ASSERT_EQ(store(1).size(), 6800u);
    EXPECT_EQ(storeInt(0, 4), 1000);
    EXPECT_EQ(ints(0, 13, 9), (std::vector<jint>{0, 1, 1, 1, 1, 3, 3, 0, 1}));
    EXPECT_EQ(ints(0, 49, 2), (std::vector<jint>{10, 5}));
    EXPECT_EQ(storeInt(0, 60), 0);

    // 1..4: the logo gives way to the language page after three seconds;
    // confirmed, sound "no", then "play": scene 45 builds the first story.
    const jlong start = clockMs();
    ASSERT_TRUE(runUntil([&] { return sceneId() == 11; }, 200));
    EXPECT_GE(clockMs() - start, 3000);
    const std::vector<std::string>& loads = mainObject->loads;
    EXPECT_EQ(std::count(loads.begin(), loads.end(), "language 20480"), 2);
    EXPECT_EQ(std::count(loads.begin(), loads.end(), "font 1"), 1);
    keepPicture("01-language");
    passFrontScenes();
    ASSERT_FALSE(HasFatalFailure());
    waitLoaded();
    frame(10);
    keepPicture("04-story");
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");

    // 5: the story's two pages; its end saves stage kind 1 and starts the
    // tutorial stage on cell 130: short goal, heat kinds of the cell.
    turnPages(2, "the first story");
    EXPECT_EQ(storeInt(0, 60), 1);
    ASSERT_NE(field(), nullptr);
    EXPECT_EQ(field()->cellIndex, 130);
    EXPECT_EQ(cursorCell(), (Cell{10, 6}));
    VMPtr<VMArray<jint>> r130 = Game::S().cellRecords[130];
    EXPECT_EQ(params(), (std::vector<jint>{0, 1, r130[3], r130[4], r130[4], 0}));

    // 6, 7: nine intro pages, then the short heat won by catch-and-carry:
    // ten defeats, nobody hurt; saved with the cursor on the tutorial cell,
    // and the long heat next.
    const Cell tutorial{10, 6};
    const jint reward = Game::S().numberTable[r130[2]] * r130[0];
    heatPictures = "07-tutorial";
    VMPtr<InGameScene> heat = playHeat();
    EXPECT_EQ(introTaps, 9);
    EXPECT_EQ(heat->introIndex, 9);
    EXPECT_EQ(heat->goalTarget, 10);
    EXPECT_EQ(heat->goalCount, 10);
    EXPECT_EQ(heat->player->hitPoints, 3);
    EXPECT_EQ(ints(0, 49, 2), (std::vector<jint>{10, 6}));
    EXPECT_EQ(params(), (std::vector<jint>{0, 0, 0, 0, 0, 1}));

    // 8: seven more intro pages, the long heat run without input.
    heat = playHeat();
    EXPECT_EQ(introTaps, 7);
    EXPECT_FALSE(heat->shortGoal);
    EXPECT_GE(heat->goalCount, heat->goalTarget);
    EXPECT_EQ(params()[5], 3);

    // 9: the results: piece 0 lies on cell 130; its board confirmed.
    EXPECT_EQ(playField(), 45);
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(storeByte(0, 8), 1);
    EXPECT_EQ(storeInt(0, 60), 2);
    EXPECT_EQ(storeInt(0, 4), 1000 + reward);
    EXPECT_EQ(ints(0, 49, 2), (std::vector<jint>{10, 5}));
    EXPECT_EQ(storeByte(1, ordinal(tutorial)), 1);
    EXPECT_EQ(ordinal(tutorial), 51);

    // 10..12: the map's first tutorial (two pages), the home's (thirteen),
    // the map's second (five).
    heatPictures.clear();
    ASSERT_NE(map(), nullptr);
    waitLoaded();
    frame(5);
    keepPicture("10-map-tutorial");
    turnPages(2, "the map's first tutorial");
    EXPECT_EQ(storeInt(0, 60), 4);
    EXPECT_EQ(currentClass(), "scene.maingame.InHomeScene");
    waitLoaded();
    frame(5);
    keepPicture("11-home-tutorial");
    turnPages(13, "the home's tutorial");
    EXPECT_EQ(storeInt(0, 60), 5);
    ASSERT_NE(map(), nullptr);
    turnPages(5, "the map's second tutorial");
    EXPECT_EQ(storeInt(0, 60), 10);
    ASSERT_NE(map(), nullptr);
    waitLoaded();
    EXPECT_FALSE(map()->tutorialMode);

    // 13, 14: every listed cell, nearest first; the last one's results
    // open every area and lead to the story of stage kind 14.
    std::vector<Cell> left;
    for (const Cell& c : listedCells())
        if (!known(c)) left.push_back(c);
    ASSERT_EQ(left.size(), 29u);
    jint money = storeInt(0, 4);
    while (!left.empty()) {
        std::sort(left.begin(), left.end(), [&](const Cell& a, const Cell& b) {
            return route(cursorCell(), a).size() < route(cursorCell(), b).size();
        });
        const Cell next = left.front();
        left.erase(left.begin());
        SCOPED_TRACE("cell (" + std::to_string(next.column) + ", " + std::to_string(next.row) +
                     "), " + std::to_string(left.size()) + " left");
        heatPictures = left.empty() ? "14-last-listed" : "";
        const jint after = playStageAt(next);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(after, left.empty() ? 45 : 43);
        EXPECT_EQ(storeByte(1, ordinal(next)), 1);
        EXPECT_GT(storeInt(0, 4), money);
        money = storeInt(0, 4);
        waitLoaded();
    }
    EXPECT_EQ(bytes(0, 57, 3), (std::vector<jint>{1, 1, 1}));
    EXPECT_EQ(storeInt(0, 60), 14);
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");

    // 15: the story of kind 14, three pages: 30 free points, back to the
    // map.
    heatPictures.clear();
    waitLoaded();
    frame(10);
    keepPicture("15-story");
    turnPages(3, "the story of kind 14");
    EXPECT_EQ(storeInt(0, 13), 30);
    EXPECT_EQ(storeInt(0, 60), 10);
    ASSERT_NE(map(), nullptr);
    waitLoaded();

    // 16: home through its cell, the free points and the money spent: the
    // caps view's reset (the player's level times $500) gives every cap
    // point but one back as free points; then they are shared out over
    // the three rows. Each confirmation saves once.
    goHome();
    ASSERT_FALSE(HasFatalFailure());
    // On the way, the collection: the two pieces found so far.
    ASSERT_EQ(bytes(0, 8, 5), (std::vector<jint>{1, 1, 0, 0, 0}));
    homeTab(3);
    EXPECT_EQ(home()->currentView, 4);
    EXPECT_EQ(home()->popupState, InHomeScene::HOME_VIEW);
    for (jint i = 0; i < 2; ++i)
        EXPECT_EQ(home()->screen->getLayerAnimation(InHomeScene::FIRST_PIP_LAYER + i),
                  InHomeScene::FIRST_PIECE + i);
    std::vector<jint> stats = ints(0, 13, 9);
    homeTab(2);
    ASSERT_EQ(home()->popupState, InHomeScene::CHOICE_BAR);
    barItem(1);
    ASSERT_EQ(home()->selectedStat, -1);
    confirmPurchase();
    ASSERT_FALSE(HasFatalFailure());
    money -= 500 * stats[8];
    stats[0] += stats[1] + stats[3] + stats[5] - 1;
    stats[1] = stats[2] = stats[3] = stats[4] = 0;
    stats[5] = stats[6] = 1;
    EXPECT_EQ(ints(0, 13, 9), stats);
    EXPECT_EQ(storeInt(0, 4), money);

    homeTab(2);
    barItem(0);
    planSteps(0, 4);
    planSteps(1, 4);
    planSteps(2, 5);
    planSteps(2, 1, false);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(home()->pendingUpgrades[3], stats[0] - 12);
    keepPicture("16-home-caps");
    endPlanning();
    confirmPurchase();
    ASSERT_FALSE(HasFatalFailure());
    stats[0] -= 12;
    for (jint k = 1; k < 7; ++k) stats[size_t(k)] += 4;
    EXPECT_EQ(ints(0, 13, 9), stats);
    EXPECT_EQ(storeInt(0, 4), money);
    leaveHomeForMap();
    ASSERT_FALSE(HasFatalFailure());

    // 17: a short heat left alone next to the home: the figure and the
    // heat read the shared-out stats; the monsters' contacts end it in the
    // game over, which sends the player home with one hit point and two
    // attack levels fewer.
    ASSERT_TRUE(walkTo({9, 5}));
    startStage(false);
    ASSERT_FALSE(HasFatalFailure());
    expectHeatReads(stats[6], stats[2], stats[4] / 2 + 1);
    ASSERT_TRUE(runUntil([&] { return field()->playMode == InGameScene::MODE_GAME_OVER; }, 6000));
    EXPECT_EQ(playField(), scene::SceneManager::HOME_SCENE);
    EXPECT_EQ(gameOvers, 1);
    stats[6] = 1;
    stats[2] -= 2;
    EXPECT_EQ(ints(0, 13, 9), stats);
    EXPECT_EQ(ints(0, 49, 2), (std::vector<jint>{10, 5}));
    EXPECT_EQ(storeInt(0, 4), money);

    // 18: the home after the game over: the lost levels bought back step
    // by step (attack 2 -> 4: $200 + $300; hit points 1 -> 5: $100 + $100
    // + $200 + $200), one step taken back and again on the way.
    waitLoaded();
    ASSERT_NE(home(), nullptr);
    EXPECT_FALSE(home()->tutorialMode);
    keepPicture("18-home-after-game-over");
    homeTab(1);
    ASSERT_EQ(home()->popupState, InHomeScene::CHOICE_BAR);
    barItem(0);
    planSteps(0, 2);
    planSteps(2, 4);
    planSteps(2, 1, false);
    planSteps(2, 1);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(home()->pendingCost, 1100);
    keepPicture("18-home-upgrade");
    endPlanning();
    confirmPurchase();
    ASSERT_FALSE(HasFatalFailure());
    stats[2] += 2;
    stats[6] += 4;
    money -= 1100;
    EXPECT_EQ(ints(0, 13, 9), stats);
    EXPECT_EQ(storeInt(0, 4), money);
    leaveHomeForMap();
    ASSERT_FALSE(HasFatalFailure());

    // 19: the pieces of the three areas; the first one's heat reads the
    // levels bought.
    for (jint i = 2; i < 5; ++i) {
        const Cell place{Game::S().places[i][1], Game::S().places[i][0]};
        SCOPED_TRACE("piece " + std::to_string(i));
        EXPECT_EQ(storeInt(1, 6500 + 8 * i), place.row);
        if (i == 2) {
            ASSERT_TRUE(walkTo(place));
            startLongStage();
            ASSERT_FALSE(HasFatalFailure());
            expectHeatReads(stats[6], stats[2], stats[4] / 2 + 1);
            EXPECT_EQ(playField(), 43);
        } else {
            EXPECT_EQ(playStageAt(place), 43);
        }
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(storeByte(0, 8 + i), 1);
        waitLoaded();
    }
    EXPECT_EQ(bytes(0, 8, 5), (std::vector<jint>{1, 1, 1, 1, 1}));

    // 20: the final cell: three heats, no results; stage kind 12 saved and
    // the last story.
    keepPicture("20-map-all-open");
    heatPictures = "20-final";
    EXPECT_EQ(playStageAt({9, 1}), 45);
    heatPictures.clear();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(storeInt(0, 60), 12);
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");

    // 21: the last story, three pages: stage kind 10 again and the map.
    waitLoaded();
    frame(10);
    keepPicture("21-last-story");
    turnPages(3, "the last story");
    EXPECT_EQ(storeInt(0, 60), 10);
    EXPECT_EQ(storeInt(0, 13), 30);
    EXPECT_EQ(bytes(0, 8, 5), (std::vector<jint>{1, 1, 1, 1, 1}));
    ASSERT_NE(map(), nullptr);
    waitLoaded();

    // 22: the way out.
    quitFromMap();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(canvas->interrupts, std::vector<jint>{3});
    expectKeptPicturesPainted();
    std::printf(
        "road: %lld frames, %lld painted, %d pages turned, %d purchases, %lld s of game time, "
        "%d game overs\n",
        framesRun(), painted, pagesTurned, purchases, (long long)(clockMs() - start) / 1000,
        gameOvers);
}

}  // namespace
}  // namespace wrentest::road
