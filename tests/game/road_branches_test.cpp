// Side roads of a stage started from the map of a saved game, past both
// tutorials: the pause menu's options with a language change and back to
// the heat, which then runs to its results; the pause menu's leave, which
// saves and shows the map again with the cell still unknown; and a defeat,
// through the game over to the home.
#include <gtest/gtest.h>

#include <algorithm>

#include "main_Game.h"
#include "road_support.h"

namespace wrentest::road {
namespace {

using main::Game;
using main::Main;
using scene::maingame::InGameScene;
using scene::maingame::InMapScene;

class SideRoads : public RoadTest {
protected:
    // A new game's world past both tutorials, the map open, the cursor on
    // (9, 5) next to the home cell, its stage started in the long mode and
    // playing.
    void playingNextToHome(bool longGoal = true, jint hitPoints = 3) {
        startGame();
        Game::Statics& g = Game::S();
        g.stageKind = 10;
        g.progressFlags[0] = true;
        g.cellFlags[ordinal({10, 6})] = true;
        g.stats[6] = hitPoints;
        restartFromStatics();
        frame();
        manager()->changeScene(scene::SceneManager::STAGE_SCENE);
        waitLoaded();
        ASSERT_NE(map(), nullptr);
        ASSERT_TRUE(walkTo(stage));
        startStage(longGoal);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(runUntil([&] {
            return field() != nullptr && !field()->progressiveLoad &&
                   field()->playMode == InGameScene::MODE_PLAY;
        }, 200));
        frame(20);
    }
    void pauseKey() {
        canvas->pressKey(15);
        canvas->releaseKey(15);
        frame();
    }
    // Box `box` of the pause panel held for a frame and let go there.
    void choose(jint box) {
        VMPtr<InGameScene> s = field();
        holdTap(centre(s->hud, s->hintLayer, box));
    }

    const Cell stage{9, 5};
};

TEST_F(SideRoads, PauseOptionsLanguageBackAndResumeThenTheHeatRunsToItsResults) {
    playingNextToHome();
    ASSERT_FALSE(HasFatalFailure());
    VMPtr<InGameScene> s = field();
    pauseKey();
    ASSERT_TRUE(s->modal);
    ASSERT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
    const jint count = s->goalCount;

    choose(2);
    ASSERT_EQ(s->pauseState, InGameScene::PAUSE_OPTIONS);
    choose(8);
    EXPECT_EQ(Main::S().language, 20481);
    EXPECT_EQ(s->texts.get(), Main::S().translation.get());
    choose(9);
    ASSERT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
    EXPECT_EQ(s->goalCount, count);  // nothing moved while the menu was up
    choose(1);
    EXPECT_FALSE(s->modal);
    frame(10);
    EXPECT_GT(s->goalCount, count);

    EXPECT_EQ(playField(), 43);
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(Main::S().language, 20481);
    EXPECT_EQ(storeByte(1, ordinal(stage)), 1);
    waitLoaded();
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(cursorCell(), stage);
}

TEST_F(SideRoads, PauseAndLeaveSavesAndShowsTheMap) {
    playingNextToHome();
    ASSERT_FALSE(HasFatalFailure());
    Game::S().progressB = 4321;
    pauseKey();
    ASSERT_EQ(field()->pauseState, InGameScene::PAUSE_MENU);
    choose(3);
    EXPECT_EQ(sceneId(), scene::SceneManager::MAP_SCENE);
    EXPECT_EQ(storeInt(0, 4), 4321);
    EXPECT_EQ(storeInt(0, 49), stage.column);
    EXPECT_EQ(storeInt(0, 53), stage.row);
    EXPECT_EQ(storeInt(0, 60), 10);
    EXPECT_EQ(storeByte(1, ordinal(stage)), 0);
    waitLoaded();
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(map()->state, InMapScene::BROWSE);
    EXPECT_EQ(cursorCell(), stage);
}

// A short-goal heat left alone: monsters walk into the player's body, and
// with one hit point the first contact defeats it. The game over board's
// button sends the player home, saved with the hit points given back and
// the cursor on the home cell; the home's last tab leads to the map again.
TEST_F(SideRoads, ADefeatEndsInTheGameOverAndTheHome) {
    playingNextToHome(false, 1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(field()->shortGoal);
    const jint attack = Game::S().stats[2];
    ASSERT_TRUE(runUntil([&] { return field()->playMode == InGameScene::MODE_GAME_OVER; }, 3000));
    EXPECT_EQ(field()->pauseState, InGameScene::PAUSE_GAME_OVER);
    EXPECT_EQ(playField(), scene::SceneManager::HOME_SCENE);
    EXPECT_EQ(gameOvers, 1);
    EXPECT_EQ(currentClass(), "scene.maingame.InHomeScene");
    EXPECT_EQ(storeInt(0, 13 + 4 * 6), 1);
    EXPECT_EQ(storeInt(0, 13 + 4 * 2), std::max<jint>(0, attack - 2));
    EXPECT_EQ(storeInt(0, 49), 10);
    EXPECT_EQ(storeInt(0, 53), 5);
    EXPECT_EQ(storeByte(1, ordinal(stage)), 0);
    leaveHomeForMap();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(cursorCell(), (Cell{10, 5}));
}

}  // namespace
}  // namespace wrentest::road
