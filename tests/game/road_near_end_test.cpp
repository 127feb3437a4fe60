// The end of the road from saved games: the stores are written from a new
// game's world with the progress of a player near the end, and the game is
// started again over them. The last listed cell's results open every area
// and show the story of stage kind 14; the final cell, with every piece
// found, plays its three heats and shows the last story, after which the
// main menu's quit ends the application.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "road_support.h"

namespace wrentest::road {
namespace {

using main::Game;
using scene::maingame::InGameScene;
using scene::maingame::InMapScene;

class NearTheEnd : public RoadTest {
protected:
    // A new game's world, past both tutorials: stage kind 10, the first
    // piece found, `known` listed cells known.
    void pastTheTutorials() {
        startGame();
        Game::Statics& g = Game::S();
        g.stageKind = 10;
        g.progressFlags[0] = true;
        g.cellFlags[ordinal({10, 6})] = true;
    }
    // Scene 45 from the first frame on: the map of stage kind 10.
    void openMap() {
        frame();
        manager()->changeScene(scene::SceneManager::STAGE_SCENE);
        waitLoaded();
        ASSERT_NE(map(), nullptr);
        ASSERT_FALSE(map()->tutorialMode);
    }
    jint playStage() {
        startLongStage();
        if (HasFatalFailure()) return -1;
        return playField();
    }
};

TEST_F(NearTheEnd, TheLastListedCellOpensEveryAreaAndTellsStoryFourteen) {
    pastTheTutorials();
    // Every listed cell known but (8, 5), two steps from the home cell.
    const Cell last{8, 5};
    for (const Cell& c : listedCells())
        if (!(c == last)) Game::S().cellFlags[ordinal(c)] = true;
    restartFromStatics();
    EXPECT_FALSE(known(last));
    openMap();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(walkTo(last));
    keepPicture("near-end-map");
    const jint money = Game::S().progressB;

    heatPictures = "near-end-last-listed";
    EXPECT_EQ(playStage(), 45);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(storeByte(1, ordinal(last)), 1);
    EXPECT_GT(storeInt(0, 4), money);
    EXPECT_EQ(storeByte(0, 57), 1);
    EXPECT_EQ(storeByte(0, 58), 1);
    EXPECT_EQ(storeByte(0, 59), 1);
    EXPECT_EQ(storeInt(0, 60), 14);
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");
    waitLoaded();
    frame(10);
    keepPicture("near-end-story-14");

    tapUntilSceneChanges(10);
    EXPECT_EQ(storeInt(0, 13), 30);
    EXPECT_EQ(storeInt(0, 60), 10);
    ASSERT_NE(map(), nullptr);
    waitLoaded();
    EXPECT_EQ(map()->openAreaCount, 3);
    keepPicture("near-end-map-all-open");
    expectKeptPicturesPainted();
}

TEST_F(NearTheEnd, TheFinalCellWithEveryPieceEndsInTheLastStoryAndTheExit) {
    pastTheTutorials();
    Game::Statics& g = Game::S();
    for (const Cell& c : listedCells()) g.cellFlags[ordinal(c)] = true;
    for (jint i = 0; i < 5; ++i) g.progressFlags[i] = true;
    for (jint i = 0; i < 3; ++i) g.extraFlags[i] = true;
    g.stats[0] = 30;
    g.progressPair[0] = 9;  // column
    g.progressPair[1] = 2;  // row: the cell before the final one
    restartFromStatics();
    openMap();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(walkTo({9, 1}));
    keepPicture("final-map");

    heatPictures = "final";
    EXPECT_EQ(playStage(), 45);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(storeInt(0, 60), 12);
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");
    waitLoaded();
    frame(10);
    keepPicture("final-last-story");

    tapUntilSceneChanges(10);
    EXPECT_EQ(storeInt(0, 60), 10);
    EXPECT_EQ(storeInt(0, 13), 30);
    for (jint i = 0; i < 5; ++i) EXPECT_EQ(storeByte(0, 8 + i), 1) << i;
    ASSERT_NE(map(), nullptr);
    waitLoaded();

    quitFromMap();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(canvas->interrupts, std::vector<jint>{3});
    expectKeptPicturesPainted();
}

}  // namespace
}  // namespace wrentest::road
