// Side roads of a stage started from the map of a saved game, past both
// tutorials: the pause menu's options with a language change and back to
// the heat, which then runs to its results; and the pause menu's leave,
// which saves and shows the map again with the cell still unknown.
#include <gtest/gtest.h>

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
    void playingNextToHome() {
        startGame();
        Game::Statics& g = Game::S();
        g.stageKind = 10;
        g.progressFlags[0] = true;
        g.cellFlags[ordinal({10, 6})] = true;
        restartFromStatics();
        frame();
        manager()->changeScene(scene::SceneManager::STAGE_SCENE);
        waitLoaded();
        ASSERT_NE(map(), nullptr);
        ASSERT_TRUE(walkTo(stage));
        startLongStage();
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

}  // namespace
}  // namespace wrentest::road
