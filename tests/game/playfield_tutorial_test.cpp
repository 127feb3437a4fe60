// The tutorial stage as a player plays it, on the sample content, through
// the game's own scene manager: stylus events go in through the canvas's
// callbacks and each frame runs the manager's update (the scene, then the
// touch pass), so a press is seen held by the update after the one whose
// touch pass took it in. The short-goal heat is won by catching a monster
// and striking others with it; the next heat (long goal) opens with its own
// intro, and its pause menu's leave saves and goes on to the stage kind's
// scene.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "main_Game.h"
#include "playfield_support.h"
#include "scene_maingame_InGameObject.h"
#include "ui_Addon.h"
#include "ui_MsgBoard.h"
#include "wren_Resources.h"

namespace wrentest::playfield {
namespace {

namespace fs = std::filesystem;
using main::Game;
using scene::maingame::InGameObject;
using scene::maingame::InGameScene;

class TutorialTest : public PlayfieldTest {
protected:
    void SetUp() override {
        PlayfieldTest::SetUp();
        // Every pack of the sample content.
        const fs::path from = fs::path(WREN_GAME_DIR) / "rsc";
        const fs::path to = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
        for (const auto& e : fs::directory_iterator(from))
            fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
        wren::Resources::closePack();
        real = scene::SceneManager::make();
        main::Main::S().sceneManager = real.get();
    }
    void TearDown() override {
        scene::SceneManager::S().currentScene = nullptr;
        PlayfieldTest::TearDown();
    }

    VMPtr<InGameScene> field() {
        return vmCast<InGameScene>(VMPtr<ui::Scene>(scene::SceneManager::S().currentScene));
    }
    // One frame of the game: keys, the scene, the touch pass.
    void step(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            canvas->updateKeys();
            real->updateScenes();
        }
    }
    void stepUntilLoaded() {
        for (int i = 0; i < 200 && field() != nullptr && field()->progressiveLoad; ++i) step();
    }
    // A tap: down and up in one frame's events; the next update sees the
    // release.
    void tap(jint x, jint y) {
        canvas->callPointerPressed(x, y);
        canvas->callPointerReleased(x, y);
        step(2);
    }
    // A touch held for one update, then let go there.
    void hold(jint x, jint y) {
        canvas->callPointerPressed(x, y);
        step();
        canvas->callPointerReleased(x, y);
        step(2);
    }
    std::pair<jint, jint> hudCentre(jint layer, jint box) {
        VMPtr<VMArray<jint>> b = field()->hud->getLayerBox(layer, box);
        return {b[0] + b[2] / 2, b[1] + b[3] / 2};
    }
    void confirmIntroPages(jint pages) {
        for (jint page = 0; page < pages; ++page) {
            VMPtr<VMArray<jint>> b = field()->msgBoard->getItemRects()[0];
            tap(b[0] + b[2] / 2, b[1] + b[3] / 2);
            step();
        }
    }

    VMNativePtr<scene::SceneManager> real;
};

TEST_F(TutorialTest, TheShortGoalHeatIsWonByCatchAndCarryAndTheLongHeatsLeaveSaves) {
    // Where the first story leaves the game: stage kind 1, the stage of
    // cell 130.
    Game::S().stageKind = 1;
    real->changeScene(InGameScene::STAGE_KIND_SCENE);
    stepUntilLoaded();
    ASSERT_NE(field(), nullptr);
    EXPECT_EQ(field()->cellIndex, 130);
    EXPECT_TRUE(field()->shortGoal);
    EXPECT_EQ(field()->goalTarget, 10);
    confirmIntroPages(9);
    ASSERT_EQ(field()->playMode, InGameScene::MODE_PLAY);

    // Grab (the action button while the meter is high), until a monster is
    // caught; once the grab has played out, the action again: the carry
    // shows the weapon, and monsters meeting it are beaten. The held one
    // wears out after a few strikes; then grab again.
    int frames = 0, catches = 0;
    bool carrying = false;
    while (field()->playMode == InGameScene::MODE_PLAY && frames < 6000) {
        VMPtr<InGameScene> s = field();
        VMPtr<InGameObject> p = s->player;
        auto [bx, by] = hudCentre(7, 5);
        if (!p->isHolding()) {
            carrying = false;
            if (s->chargeB >= 1040) {
                hold(bx, by);
                frames += 3;
                if (field()->player->isHolding()) ++catches;
                continue;
            }
        } else if (!carrying && p->getLayerAnimation(0) == 0) {
            hold(bx, by);
            frames += 3;
            carrying = true;
            continue;
        }
        step();
        ++frames;
    }
    VMPtr<InGameScene> won = field();
    ASSERT_EQ(won->playMode, InGameScene::MODE_WON) << frames << " frames, " << catches << " catches";
    EXPECT_EQ(won->goalCount, 10);
    EXPECT_GE(catches, 1);
    EXPECT_EQ(won->player->hitPoints, 3);  // the tutorial cell hurts nobody

    // The scroll-out ends the heat: the next heat is a long-goal one, and
    // the progress is saved first (the cursor on the tutorial cell).
    for (int i = 0; i < 300 && field() == won; ++i) step();
    ASSERT_NE(field(), won);
    EXPECT_EQ(savedInt(0, 49), 10);
    EXPECT_EQ(savedInt(0, 53), 6);
    VMPtr<VMArray<jint>> params = mainObject->getLoadingPanelState();
    EXPECT_EQ(params[1], 0);
    EXPECT_EQ(params[5], 1);
    stepUntilLoaded();
    VMPtr<InGameScene> next = field();
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->shortGoal);
    EXPECT_EQ(next->introIndex, 9);
    confirmIntroPages(7);
    ASSERT_EQ(next->playMode, InGameScene::MODE_PLAY);
    step(20);
    EXPECT_GT(next->goalCount, 0);

    // The pause key, then "leave" held and let go: stage kind 2, the
    // cursor back on the home cell, saved, and the scene of stage kind 2
    // (the map) asked for.
    canvas->pressKey(15);
    canvas->releaseKey(15);
    step();
    ASSERT_TRUE(next->modal);
    VMPtr<VMArray<jint>> leave = next->hud->getLayerBox(next->hintLayer, 3);
    hold(leave[0] + leave[2] / 2, leave[1] + leave[3] / 2);
    EXPECT_EQ(real->sceneId, InGameScene::STAGE_KIND_SCENE);
    EXPECT_EQ(Game::S().stageKind, 2);
    EXPECT_EQ(savedInt(0, 60), 2);
    EXPECT_EQ(savedInt(0, 49), 10);
    EXPECT_EQ(savedInt(0, 53), 5);
}

}  // namespace
}  // namespace wrentest::playfield
