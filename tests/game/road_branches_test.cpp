// Side roads of the first hour, from the map of a saved game past both
// tutorials: a long heat steered by the pad, with a dash, the special
// attack and the HUD's pause button; the pause menu's options with a
// language change and back to the heat, which then runs to its results;
// the pause menu's leave, which saves and shows the map again with the
// cell still unknown; a defeat, through the game over to the home, where
// the lost levels are filled up again; a short stage won that raises the
// player's level; the map's info button, its menu and settings, and a
// stage dialog answered "no"; the main menu looked round and left by
// "play"; the tutorial cell played again; and the final cell entered with
// pieces missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "main_Game.h"
#include "road_support.h"
#include "scene_menu_MenuScene.h"

namespace wrentest::road {
namespace {

using main::Game;
using main::Main;
using scene::maingame::InGameScene;
using scene::maingame::InHomeScene;
using scene::maingame::InMapScene;

class SideRoads : public RoadTest {
protected:
    // A new game's world past both tutorials, the map open on the home
    // cell.
    void onTheMap(jint hitPoints = 3) {
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
        ASSERT_EQ(map()->state, InMapScene::BROWSE);
    }
    // The same, the cursor on (9, 5) next to the home cell, its stage
    // started in the long mode and playing.
    void playingNextToHome(bool longGoal = true, jint hitPoints = 3) {
        onTheMap(hitPoints);
        ASSERT_FALSE(HasFatalFailure());
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

// A long heat steered as a player does: the stylus put down on the pad
// left of and above its centre and held there moves the figure left, five
// pixels a frame; dragged below the centre, it dashes once its reserve
// allows; the special button fires once its gauge is over 1000; the HUD's
// pause button opens the pause menu, whose "resume" lets the heat run on
// to its results.
TEST_F(SideRoads, ALongHeatSteeredByThePadWithADashTheSpecialAndTheTouchPause) {
    using scene::maingame::InGameObject;
    playingNextToHome();
    ASSERT_FALSE(HasFatalFailure());
    VMPtr<InGameScene> s = field();
    VMPtr<InGameObject> p = s->player;
    const jint cx = s->hudBox->x + s->hudBox->width / 2;
    const jint cy = s->hudBox->y + s->hudBox->height / 2;
    const jint x0 = p->getLayerX(0);
    canvas->callPointerPressed(cx - 10, cy - 10);
    frame(5);
    EXPECT_LT(p->getLayerX(0), x0);
    EXPECT_EQ((x0 - p->getLayerX(0)) % 5, 0);
    canvas->callPointerDragged(cx - 10, cy + 10);
    EXPECT_TRUE(runUntil([&] { return p->getState() == InGameObject::STATE_DASH; }, 400));
    canvas->callPointerReleased(cx - 10, cy + 10);
    frame(2);

    ASSERT_TRUE(runUntil(
        [&] { return s->chargeB > 1000 && p->getState() != InGameObject::STATE_DASH; }, 1000));
    const std::pair<jint, jint> special = centre(s->hud, 7, 5);
    canvas->callPointerPressed(special.first, special.second);
    // The press reaches the scene in the second frame.
    frame(2);
    EXPECT_EQ(p->getState(), InGameObject::STATE_ATTACK);
    canvas->callPointerReleased(special.first, special.second);
    frame(2);

    holdTap(centre(s->hud, 2, 6));
    ASSERT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
    EXPECT_TRUE(s->modal);
    choose(1);
    EXPECT_FALSE(s->modal);
    EXPECT_EQ(playField(), 43);
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(storeByte(1, ordinal(stage)), 1);
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
// the cursor on the home cell. There the upgrade's "fill up" plans every
// level up to its cap (attack 0 -> 1: $100; hit points 1 -> 3: $100 +
// $100); "back" drops the plan, a second fill-up is confirmed and saved.
// The home's last tab leads to the map again, and the next heat reads the
// levels bought.
TEST_F(SideRoads, ADefeatEndsInTheGameOverAndTheHomeWhereTheLevelsAreFilledUp) {
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

    waitLoaded();
    ASSERT_NE(home(), nullptr);
    EXPECT_FALSE(home()->tutorialMode);
    const jint money = storeInt(0, 4);
    homeTab(1);
    ASSERT_EQ(home()->popupState, InHomeScene::CHOICE_BAR);
    barItem(1);
    ASSERT_EQ(home()->popupState, InHomeScene::CONFIRMATION);
    EXPECT_EQ(home()->pendingCost, 300);
    barItem(2);
    ASSERT_EQ(home()->popupState, InHomeScene::CHOICE_BAR);
    EXPECT_EQ(home()->pendingUpgrades[2], 0);
    barItem(1);
    EXPECT_EQ(home()->pendingCost, 300);
    confirmPurchase();
    ASSERT_FALSE(HasFatalFailure());
    std::vector<jint> stats;
    for (jint i = 0; i < 9; ++i) stats.push_back(storeInt(0, 13 + 4 * i));
    EXPECT_EQ(std::vector<jint>(stats.begin(), stats.begin() + 7),
              (std::vector<jint>{0, 1, 1, 1, 1, 3, 3}));
    EXPECT_EQ(storeInt(0, 4), money - 300);

    leaveHomeForMap();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(cursorCell(), (Cell{10, 5}));
    ASSERT_TRUE(walkTo(stage));
    startLongStage();
    ASSERT_FALSE(HasFatalFailure());
    expectHeatReads(3, 1, 1);
}

// A short stage on the cell next to the home, won by catch-and-carry: the
// defeats' experience passes twenty times the level, the player goes up a
// level with one free point more, and the world is saved with the levels
// of the cells that follow the player's (the cell itself, of kind 8).
TEST_F(SideRoads, AShortStageWonRaisesThePlayersLevel) {
    playingNextToHome(false);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Game::S().stats[8], 1);
    const jint points = Game::S().stats[0];
    EXPECT_EQ(playField(), 43);
    EXPECT_EQ(gameOvers, 0);
    EXPECT_EQ(Game::S().stats[8], 2);
    EXPECT_EQ(storeInt(0, 13), points + 1);
    EXPECT_EQ(storeInt(0, 13 + 4 * 8), 2);
    EXPECT_EQ(Game::S().cellKinds[stage.row][stage.column], 8);
    const jint index = stage.row * Game::COLUMNS + stage.column;
    EXPECT_EQ(storeInt(1, 260 + 24 * index), 2);
}

// The info button shows each cell's reward icon (the unknown one for a
// cell not played yet) and hides them again; the menu's settings turn the
// sound on and off and move to the next language, "back" and "resume"
// lead back to browsing; a stage dialog answered "no" closes. None of it
// saves the game.
TEST_F(SideRoads, TheMapsInfoButtonMenuSettingsAndAStageDialogLeftWithNo) {
    onTheMap();
    ASSERT_FALSE(HasFatalFailure());
    VMPtr<InMapScene> m = map();
    const std::vector<jint> savesBefore = canvas->saves;
    const jint first = m->openAreaCount + 1;
    const jint tutorial = first + ordinal({10, 6});
    const jint unknown = first + ordinal(stage);
    auto shown = [&] { return m->screen->getLayerAnimation(first) != InMapScene::PLAIN_MARKER; };
    const bool shownBefore = shown();
    for (int i = 0; i < 2; ++i) {
        const bool wasShown = shown();
        quickTap(centre(m->screen, m->dialogLayer - 2, 0));
        ASSERT_NE(shown(), wasShown);
        if (shown()) {
            EXPECT_EQ(m->screen->getLayerAnimation(tutorial), Game::S().cellRecords[130][2]);
            EXPECT_EQ(m->screen->getLayerAnimation(unknown), InMapScene::UNKNOWN_ICON);
        } else {
            EXPECT_EQ(m->screen->getLayerAnimation(tutorial), InMapScene::PLAIN_MARKER);
            EXPECT_EQ(m->screen->getLayerAnimation(unknown), InMapScene::PLAIN_MARKER);
        }
    }
    EXPECT_EQ(shown(), shownBefore);

    quickTap(centre(m->screen, m->dialogLayer - 1, 0));
    ASSERT_EQ(m->state, InMapScene::MENU);
    holdTap(centre(m->screen, m->dialogLayer, 2));
    ASSERT_EQ(m->state, InMapScene::SETTINGS);
    holdTap(centre(m->screen, m->dialogLayer, 5));
    EXPECT_TRUE(Main::S().soundOn);
    holdTap(centre(m->screen, m->dialogLayer, 6));
    EXPECT_FALSE(Main::S().soundOn);
    holdTap(centre(m->screen, m->dialogLayer, 8));
    EXPECT_EQ(Main::S().language, 20481);
    EXPECT_EQ(m->texts.get(), Main::S().translation.get());
    holdTap(centre(m->screen, m->dialogLayer, 9));
    ASSERT_EQ(m->state, InMapScene::MENU);
    holdTap(centre(m->screen, m->dialogLayer, 1));
    ASSERT_EQ(m->state, InMapScene::BROWSE);

    ASSERT_TRUE(walkTo(stage));
    quickTap(centre(m->screen, m->cursorLayer, 0));
    ASSERT_EQ(m->state, InMapScene::STAGE_DIALOG);
    holdTap(centre(m->screen, m->dialogLayer, 6));
    EXPECT_EQ(m->state, InMapScene::BROWSE);
    EXPECT_EQ(current(), m);
    EXPECT_EQ(canvas->saves, savesBefore);
}

// From the map to the main menu, as a player looks round it: help, about,
// the options and the quit question, each left by its way back ("no" for
// the quit); then "play" goes on with the saved game: the map of stage
// kind 10, the cursor where it was.
TEST_F(SideRoads, TheMainMenuFromTheMapLookedRoundThenPlayGoesOn) {
    using scene::menu::MenuScene;
    onTheMap();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(walkTo(stage));
    keepPicture("look-round-map");
    VMPtr<MenuScene> menu;
    mainMenuFromMap(menu);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(menu->menuState, 2);
    keepPicture("look-round-main-menu");
    struct Visit {
        jint item, state, back;
    };
    // Main-menu entry, the state it opens, the entry that leads back.
    for (const Visit& v : {Visit{2, 7, 0}, Visit{3, 8, 0}, Visit{1, 6, 2}, Visit{4, 9, 1}}) {
        SCOPED_TRACE("entry " + std::to_string(v.item));
        std::pair<jint, jint> at;
        ASSERT_TRUE(itemCentre(menu->panel, v.item, at));
        quickTap(at);
        ASSERT_EQ(menu->menuState, v.state);
        waitLoaded();
        keepPicture("look-round-menu-state-" + std::to_string(v.state));
        ASSERT_TRUE(itemCentre(menu->panel, v.back, at));
        quickTap(at);
        ASSERT_EQ(menu->menuState, 2);
        waitLoaded();
    }
    std::pair<jint, jint> play;
    ASSERT_TRUE(itemCentre(menu->panel, 0, play));
    quickTap(play);
    ASSERT_EQ(sceneId(), scene::SceneManager::STAGE_SCENE);
    waitLoaded();
    ASSERT_NE(map(), nullptr);
    EXPECT_FALSE(map()->tutorialMode);
    EXPECT_EQ(map()->state, InMapScene::BROWSE);
    EXPECT_EQ(cursorCell(), stage);
    EXPECT_TRUE(canvas->interrupts.empty());
    expectKeptPicturesPainted();
}

// The tutorial cell next to the home, opened again: whatever mode is
// picked, the tutorial stage runs as the first time (nine intro pages, a
// short heat won by catch-and-carry, seven pages, a long heat, the
// results), and its end leads back to the map of stage kind 10 with the
// cursor on the cell and the reward counted and saved.
TEST_F(SideRoads, TheTutorialCellPlaysTheTutorialStageAgain) {
    onTheMap();
    ASSERT_FALSE(HasFatalFailure());
    const Cell tutorial{10, 6};
    ASSERT_TRUE(walkTo(tutorial));
    const jint money = Game::S().progressB;
    VMPtr<InMapScene> m = map();
    quickTap(centre(m->screen, m->cursorLayer, 0));
    ASSERT_EQ(m->state, InMapScene::STAGE_DIALOG);
    quickTap(centre(m->screen, m->dialogLayer, 5));
    ASSERT_EQ(m->state, InMapScene::MODE_DIALOG);
    holdTap(centre(m->screen, m->dialogLayer, 1), 2);
    ASSERT_EQ(sceneId(), scene::SceneManager::STAGE_SCENE);
    waitLoaded();
    ASSERT_NE(field(), nullptr);
    EXPECT_EQ(field()->cellIndex, 130);
    EXPECT_EQ(Game::S().stageKind, 10);

    VMPtr<InGameScene> heat = playHeat();
    EXPECT_TRUE(heat->shortGoal);
    EXPECT_EQ(introTaps, 9);
    EXPECT_EQ(heat->goalCount, heat->goalTarget);
    heat = playHeat();
    EXPECT_FALSE(heat->shortGoal);
    EXPECT_EQ(introTaps, 7);
    EXPECT_EQ(playField(), scene::SceneManager::STAGE_SCENE);
    EXPECT_EQ(gameOvers, 0);
    waitLoaded();
    ASSERT_NE(map(), nullptr);
    EXPECT_FALSE(map()->tutorialMode);
    EXPECT_EQ(cursorCell(), tutorial);
    EXPECT_EQ(Game::S().stageKind, 10);
    VMPtr<VMArray<jint>> r = Game::S().cellRecords[130];
    EXPECT_EQ(Game::S().progressB, money + Game::S().numberTable[r[2]] * r[0]);
    EXPECT_EQ(storeInt(0, 4), Game::S().progressB);
}

// The final cell with pieces still missing: no stage dialog but the
// one-page story of stage kind 11, then the map again, nothing saved.
TEST_F(SideRoads, TheFinalCellWithAPieceMissingTellsItsOnePageStory) {
    onTheMap();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(walkTo({9, 1}));
    const std::vector<jint> savesBefore = canvas->saves;
    const std::vector<uint8_t> progress = store(0);
    VMPtr<InMapScene> m = map();
    quickTap(centre(m->screen, m->cursorLayer, 0));
    ASSERT_EQ(sceneId(), scene::SceneManager::STAGE_SCENE);
    waitLoaded();
    EXPECT_EQ(currentClass(), "scene.maingame.InGameStory");
    turnPages(1, "the story of kind 11");
    waitLoaded();
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(Game::S().stageKind, 10);
    EXPECT_EQ(cursorCell(), (Cell{9, 1}));
    EXPECT_EQ(canvas->saves, savesBefore);
    EXPECT_EQ(store(0), progress);
}

}  // namespace
}  // namespace wrentest::road
