// A heat of the play field: its loading, the frame update of each play
// mode, the end of a heat, the game over, and the contact rules of both
// goals.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "playfield_support.h"
#include "scene_maingame_InGameMonster.h"
#include "ui_Addon.h"
#include "ui_MsgBoard.h"

namespace wrentest::playfield {
namespace {

using main::Game;
using main::Main;
using scene::maingame::InGameObject;
using scene::maingame::InGameScene;

class HeatTest : public PlayfieldTest {
protected:
    // Places monster i at (x, y) after this frame's drift of `drift`
    // (scrollDelta), showing idle pose 0.
    static VMPtr<InGameObject> place(const VMPtr<InGameScene>& s, jint i, jint x, jint y,
                                     jint drift) {
        VMPtr<InGameObject> m = s->monsters[i];
        m->play(0);
        m->setLayerPosition(0, x, y - drift);
        return m;
    }

    // Taps the board's button: the press seen held for a frame, then the
    // release.
    void chooseBoardButton(const VMPtr<InGameScene>& s) {
        VMPtr<ui::Addon> board = vmCast<ui::Addon>(VMPtr<ui::MyObject>(s->panel));
        ASSERT_NE(board, nullptr);
        VMPtr<VMArray<jint>> r = board->getItemRects()[0];
        const jint x = r[0] + r[2] / 2, y = r[1] + r[3] / 2;
        ui::Pointer::Statics& p = ui::Pointer::S();
        p.touchStartX[0] = x;
        p.touchStartY[0] = y;
        releasedAt(x, y);
    }
};

// --- loading -----------------------------------------------------------------

TEST_F(HeatTest, AHeatLoadsInItsStepsAndStartsWithTheHudReady) {
    stats()[6] = 3;
    VMPtr<InGameScene> s = makeScene({0, 1, 0, 0, 0, 0}, 3, 5);
    // Phase 1: 18 calls; phase 2: 11 + 3; phase 3: 1; then the sort and
    // the end of the load.
    EXPECT_EQ(load(s), 18 + 14 + 1 + 1);
    EXPECT_FALSE(s->modal);
    EXPECT_EQ(s->hud->getLayerCapacity(), 13);
    EXPECT_EQ(s->hintLayer, 11);
    EXPECT_EQ(s->hud->getLayerCount(), 11);
    EXPECT_EQ(s->hud->getDepth(), 45);
    for (jint heart = 8; heart <= 10; ++heart)
        EXPECT_EQ(s->hud->getLayerAnimation(heart), 1) << heart;
    // Player centred in the lane, 40 high: at 160 - 40.
    EXPECT_EQ(s->player->getLayerX(0), kLaneX + (kLaneWidth - kPlayerWidth) / 2);
    EXPECT_EQ(s->player->getLayerY(0), 120);
    for (jint i = 0; i < 10; ++i) EXPECT_NE(s->monsters[i], nullptr);
    EXPECT_EQ(s->markerScreen->getLayerCount(), 11);
    // The draw order: highest key first.
    for (jint r = 1; r < 11; ++r) EXPECT_GE(s->fieldOrder[r - 1][1], s->fieldOrder[r][1]);
    // The knob rests on the pad's centre.
    EXPECT_EQ(s->hud->getLayerX(5), s->iconCentre[0]);
    EXPECT_EQ(s->hud->getLayerY(5), s->iconCentre[1]);
}

TEST_F(HeatTest, AGameStateWithNoHitPointsStillGetsOneHeart) {
    stats()[6] = 0;
    VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 3, 5);
    EXPECT_EQ(load(s), 18 + 12 + 1 + 1);
    EXPECT_EQ(s->hud->getLayerCapacity(), 11);
    EXPECT_EQ(s->hintLayer, 9);
    EXPECT_EQ(s->hud->getLayerAnimation(8), 1);
}

TEST_F(HeatTest, TheResultsLoadNoFieldObjectsAndPaintWhatTheyHave) {
    stats()[6] = 3;
    VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 3}, 3, 5);
    EXPECT_EQ(load(s), 9 + 14 + 1 + 1);
    EXPECT_EQ(s->player, nullptr);
    EXPECT_EQ(s->monsters, nullptr);
    EXPECT_EQ(s->markerScreen, nullptr);
    EXPECT_EQ(s->sorter, nullptr);
    VMPtr<javax::microedition::lcdui::Image> img = blankImage();
    s->paint(img->getGraphics());
    // The field's tile everywhere but the results' pictures and the HUD,
    // also where a player would stand (the lane's middle, 40 above 160);
    // the cell's 60 x 60 picture from (90, 130) with the last 20 x 20 icon
    // (image 1, over the reward's) at its box's centre (120, 160).
    constexpr uint32_t kTile = 0xFF60A040, kFamily = 0xFF10F030, kIcon = 0xFF20E068;
    const std::vector<std::pair<std::array<jint, 2>, uint32_t>> expected = {
        {{30, 60}, kTile},     {{110, 125}, kTile},   {{130, 125}, kTile},
        {{90, 130}, kFamily},  {{149, 189}, kFamily}, {{109, 160}, kFamily},
        {{110, 150}, kIcon},   {{129, 169}, kIcon},   {{150, 160}, kTile},
        {{89, 160}, kTile},
    };
    for (const auto& [at, colour] : expected)
        EXPECT_EQ(pixel(img, at[0], at[1]), colour) << at[0] << ", " << at[1];
}

// --- play ----------------------------------------------------------------------

TEST_F(HeatTest, ALongGoalHeatIsWonWithoutInputIn534Frames) {
    // Level 1: goal 1600; special power 1: a boost of 1, so the player falls
    // 2 + 1 pixels a frame at 40 ms.
    stats()[4] = 1;
    stats()[6] = 3;
    VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 3, 5);
    load(s);
    ASSERT_EQ(s->goalTarget, 1600);
    // The frame that ends the loading plays the first frame of the heat.
    EXPECT_EQ(s->goalCount, 3);
    int frames = 1;
    while (s->playMode == InGameScene::MODE_PLAY && frames < 2000) {
        frame(s);
        ++frames;
    }
    EXPECT_EQ(frames, 534);
    EXPECT_EQ(s->playMode, InGameScene::MODE_WON);
    EXPECT_EQ(s->goalCount, 1602);
    EXPECT_EQ(s->player->hitPoints, 3);
    // Both bars at (past) their full height.
    EXPECT_EQ(s->player->getLayerAnimation(0), 0);

    // The player scrolls off, 2 pixels a frame from y 120: the frame that
    // finds y - 40 > 320 (y 362) ends the heat.
    frames = 0;
    while (manager->requested.empty() && frames < 1000) {
        frame(s);
        ++frames;
    }
    EXPECT_EQ(frames, 122);
    EXPECT_EQ(manager->requested, (std::vector<int>{34}));
    // The next heat of the two-heat stage: heat 1.
    VMPtr<VMArray<jint>> next = mainObject->getLoadingPanelState();
    EXPECT_EQ(next[5], 1);
    EXPECT_EQ(next[1], 0);
}

TEST_F(HeatTest, TheEndOfAHeatStoresTheNextParametersAndSaves) {
    struct Case {
        const char* name;
        std::array<jint, 6> params;
        jint column, row;
        std::array<jint, 6> next;  // all -1: none stored
        int scene;
        jint stageKind;
    };
    const Case cases[] = {
        {"two heats, first", {0, 1, 0, 1, 1, 0}, 3, 5, {0, 1, 0, 1, 1, 1}, 34, 10},
        {"two heats, last", {0, 1, 0, 1, 1, 1}, 3, 5, {0, 1, 0, 1, 1, 3}, 34, 10},
        {"three heats, second", {1, 0, 0, 1, 0, 1}, 3, 5, {1, 0, 0, 1, 0, 2}, 34, 10},
        {"three heats, last", {1, 0, 0, 1, 0, 2}, 3, 5, {1, 0, 0, 1, 0, 3}, 34, 10},
        {"tutorial: a long goal next", {0, 1, 0, 0, 0, 0}, 10, 6, {0, 0, 0, 0, 0, 1}, 34, 10},
        {"final cell, first", {1, 0, 0, 0, 0, 0}, 9, 1, {1, 0, 0, 0, 0, 1}, 34, 10},
        // No parameters stored: they stay as they were.
        {"final cell, last", {1, 0, 0, 0, 0, 2}, 9, 1, {1, 0, 0, 0, 0, 2}, 45, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Game::S().stageKind = 10;
        manager->requested.clear();
        VMPtr<InGameScene> s = makeScene(c.params, c.column, c.row);
        load(s);
        s->playMode = InGameScene::MODE_WON;
        // y - height = 320 keeps scrolling (standing still here); one pixel
        // more ends the heat.
        s->scrollSpeed = 0;
        s->player->setLayerPosition(0, 100, 360);
        frame(s);
        EXPECT_TRUE(manager->requested.empty());
        s->player->setLayerPosition(0, 100, 361);
        frame(s);
        EXPECT_EQ(manager->requested, (std::vector<int>{c.scene}));
        VMPtr<VMArray<jint>> next = mainObject->getLoadingPanelState();
        for (int k = 0; k < 6; ++k) EXPECT_EQ(next[k], c.next[size_t(k)]) << k;
        EXPECT_EQ(Game::S().stageKind, c.stageKind);
        EXPECT_EQ(savedInt(0, 60), c.stageKind);
        ui::ResManager::clear();
    }
}

TEST_F(HeatTest, ADefeatEndsInTheGameOverBoardAndItsChoiceGoesHome) {
    struct Case {
        jint shortGoal;
        jint attack, special;  // before
        jint attackAfter, specialAfter;
    };
    const Case cases[] = {{0, 5, 1, 5, 0}, {0, 5, 5, 5, 3}, {1, 1, 5, 0, 5}, {1, 4, 5, 2, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shortGoal << " " << c.attack << " " << c.special);
        manager->requested.clear();
        stats()[2] = c.attack;
        stats()[4] = c.special;
        stats()[6] = 1;
        VMPtr<InGameScene> s = loadHeat({0, c.shortGoal, 0, 0, 0, 0});
        s->player->takeHit(1);
        ASSERT_TRUE(s->player->isDefeated());
        int frames = 0;
        while (s->playMode == InGameScene::MODE_PLAY && frames < 100) {
            frame(s);
            ++frames;
        }
        ASSERT_EQ(s->playMode, InGameScene::MODE_GAME_OVER);
        EXPECT_EQ(s->pauseState, InGameScene::PAUSE_GAME_OVER);
        ASSERT_NE(vmCast<ui::MsgBoard>(VMPtr<ui::MyObject>(s->panel)), nullptr);
        // Nothing chosen: the board stays.
        frame(s);
        EXPECT_TRUE(manager->requested.empty());
        chooseBoardButton(s);
        frame(s);
        EXPECT_EQ(manager->requested, (std::vector<int>{44}));
        EXPECT_EQ(stats()[6], 1);
        EXPECT_EQ(stats()[2], c.attackAfter);
        EXPECT_EQ(stats()[4], c.specialAfter);
        // Saved: hit points 1, the cursor on the home cell.
        EXPECT_EQ(savedInt(0, 13 + 4 * 6), 1);
        EXPECT_EQ(savedInt(0, 13 + 4 * 2), c.attackAfter);
        EXPECT_EQ(savedInt(0, 13 + 4 * 4), c.specialAfter);
        EXPECT_EQ(savedInt(0, 49), 10);
        EXPECT_EQ(savedInt(0, 53), 5);
        ui::ResManager::clear();
    }
}

TEST_F(HeatTest, WhileDefeatedThePauseIsIgnoredAndTheGameOverRuns) {
    stats()[6] = 1;
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    scene::SceneManager::S().currentScene = s.get();
    s->player->takeHit(1);
    // Every way the pause menu opens: the pause key, the application
    // pause, the resume hook.
    pressPauseKey();
    frame(s);
    mainObject->onPause();
    mainObject->onResume();
    manager->sceneId = InGameScene::PLAY_FIELD_SCENE;
    mainObject->onResumeComplete();
    EXPECT_FALSE(s->modal);
    int frames = 0;
    while (s->playMode == InGameScene::MODE_PLAY && frames < 100) {
        frame(s);
        ++frames;
    }
    EXPECT_EQ(s->playMode, InGameScene::MODE_GAME_OVER);
    chooseBoardButton(s);
    frame(s);
    EXPECT_EQ(manager->requested, (std::vector<int>{44}));
    EXPECT_EQ(savedInt(0, 13 + 4 * 6), 1);
    scene::SceneManager::S().currentScene = nullptr;
}

TEST_F(HeatTest, ThePauseKeyOpensTheMenuAndNothingMovesWhileItIsUp) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    frame(s);
    const jint y1 = s->screen->getLayerY(1);
    pressPauseKey();
    frame(s);
    EXPECT_TRUE(s->modal);
    EXPECT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
    EXPECT_EQ(s->hud->getLayerCount(), s->hintLayer + 2);
    const jint count = s->goalCount;
    const jint y = s->screen->getLayerY(1);
    EXPECT_EQ(y, y1 + s->scrollDelta);
    for (int i = 0; i < 5; ++i) frame(s);
    EXPECT_EQ(s->goalCount, count);
    EXPECT_EQ(s->screen->getLayerY(1), y);
}

// --- contacts ------------------------------------------------------------------

TEST_F(HeatTest, AWeaponContactWithNothingHeldHitsOnlyTheObject) {
    stats()[2] = 1;
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    // The carry picture shows the weapon box whether or not a monster is
    // held: a let-go player still carries it for a moment.
    s->player->play(2);
    s->player->releaseHold();
    s->player->play(2);
    ASSERT_EQ(s->player->heldIndex, -1);
    VMPtr<InGameObject> m = place(s, 0, 100, 150, s->scrollSpeed);
    m->hitPoints = 5;
    VMPtr<InGameObject> other = s->monsters[9];
    other->hitPoints = 5;
    frame(s);
    EXPECT_EQ(m->hitPoints, 4);
    EXPECT_EQ(other->hitPoints, 5);
}

TEST_F(HeatTest, AWeaponContactHitsTheObjectAndTheHeldMonster) {
    stats()[2] = 1;
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    VMPtr<InGameObject> held = s->monsters[3];
    s->player->hold(3);
    held->hold(3);
    held->hitPoints = 1;
    s->player->play(2);
    VMPtr<InGameObject> m = place(s, 0, 100, 150, s->scrollSpeed);
    m->hitPoints = 5;
    frame(s);
    EXPECT_EQ(m->hitPoints, 4);
    // Its last hit point: it is beaten and the player lets go.
    EXPECT_TRUE(held->isDefeated());
    EXPECT_FALSE(s->player->isHolding());
    EXPECT_EQ(s->player->heldIndex, -1);
}

TEST_F(HeatTest, TheTenthDefeatWinsAShortGoalHeatWithFullBars) {
    stats()[2] = 9;
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    ASSERT_EQ(s->goalTarget, 10);
    s->goalCount = 9;
    s->player->play(2);
    VMPtr<InGameObject> m = place(s, 0, 100, 150, s->scrollSpeed);
    m->hitPoints = 1;
    frame(s);
    EXPECT_TRUE(m->isDefeated());
    EXPECT_EQ(s->goalCount, 10);
    EXPECT_EQ(s->playMode, InGameScene::MODE_WON);
    EXPECT_EQ(s->hud->fillRects[0][3], s->barRectA[3]);
    EXPECT_EQ(s->hud->fillRects[1][3], s->barRectB[3]);
    EXPECT_EQ(s->hud->getLayerY(1), s->barRectB[1] + s->barRectB[3]);
}

// A defeat gives the monster's level + 1 in experience and at most one
// level. Play at the edges of the level and experience limits, beating the
// weakest monster or the strongest a cell can field, leaves saves the game
// takes back: the play field and the checks on saved games keep to the same
// limits.
TEST_F(HeatTest, DefeatsAwardExperienceAndAtMostOneLevel) {
    constexpr jint cap = Game::MAX_LEVEL, perLevel = Game::EXPERIENCE_PER_LEVEL;
    // A cell runs one level above the player; its monsters two above that.
    constexpr jint strongest = cap + 1 + 2;
    struct Case {
        jint level, experience, monsterLevel;
        jint levelAfter, experienceAfter, pointsAfter;
        // Whether play can field such a monster, and so must leave a save
        // the game takes back.
        bool playable;
    };
    const Case cases[] = {
        {3, 59, 1, 4, 1, 1, true},
        {3, 10, 1, 3, 12, 0, true},
        {3, 59, 100, 4, 100, 1, false},
        {20, 5, 3, 20, 5, 0, true},
        {cap - 1, perLevel * (cap - 1), 0, cap, 1, 1, true},
        {cap - 1, perLevel * (cap - 1), strongest, cap, strongest + 1, 1, true},
        {cap, perLevel * cap, strongest, cap, perLevel * cap, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.level << " " << c.experience << " " << c.monsterLevel);
        stats()[0] = 0;
        stats()[1] = Game::STAT_CAP_MAX;
        stats()[2] = 9;
        stats()[7] = c.experience;
        stats()[8] = c.level;
        VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
        s->player->play(2);
        VMPtr<InGameObject> m = place(s, 0, 100, 150, s->scrollSpeed);
        m->hitPoints = 1;
        m->level = c.monsterLevel;
        frame(s);
        ASSERT_TRUE(m->isDefeated());
        EXPECT_EQ(stats()[8], c.levelAfter);
        EXPECT_EQ(stats()[7], c.experienceAfter);
        EXPECT_EQ(stats()[0], c.pointsAfter);
        if (c.playable) {
            Main::S().game->saveState();
            EXPECT_TRUE(Game::validState(canvas->loadData(Game::STATE_STORE)));
            EXPECT_TRUE(Game::validWorld(canvas->loadData(Game::WORLD_STORE)));
        }
        ui::ResManager::clear();
    }
}

TEST_F(HeatTest, ALevelGainedRefreshesTheCellLevelsAndSavesTheWorld) {
    stats()[2] = 9;
    stats()[7] = 59;
    stats()[8] = 3;
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    // A kind-8 cell follows the player's level (row 5, column 9).
    ASSERT_EQ(Game::S().cellKinds[5][9], 8);
    s->player->play(2);
    VMPtr<InGameObject> m = place(s, 0, 100, 150, s->scrollSpeed);
    m->hitPoints = 1;
    m->level = 1;
    frame(s);
    EXPECT_EQ(Game::S().cellRecords[109][0], 4);
    EXPECT_EQ(savedInt(1, 260 + 4 * 6 * 109), 4);
}

TEST_F(HeatTest, BodyContactsHurtExceptOnTheTutorialCell) {
    for (auto [column, row, hurt] : {std::tuple{3, 5, true}, std::tuple{10, 6, false}}) {
        SCOPED_TRACE(column);
        stats()[6] = 3;
        VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0}, column, row);
        s->playMode = InGameScene::MODE_PLAY;  // past the tutorial's intro
        // Body {112, 128, 16, 24} at the player's (104, 120).
        VMPtr<InGameObject> m = place(s, 0, 108, 130, s->scrollSpeed);
        m->attackPower = 1;
        frame(s);
        EXPECT_EQ(s->player->hitPoints, hurt ? 2 : 3);
        EXPECT_EQ(s->hud->getLayerAnimation(8), 1);
        EXPECT_EQ(s->hud->getLayerAnimation(9), 1);
        EXPECT_EQ(s->hud->getLayerAnimation(10), hurt ? 8 : 1);
        ui::ResManager::clear();
    }
}

TEST_F(HeatTest, ACatchNeedsTheMeterAtTheMonstersGrade) {
    for (auto [grade, caught] : {std::pair{0, true}, std::pair{1, false}}) {
        SCOPED_TRACE(grade);
        VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
        // The meter shows 12 after this frame's charge: 800 ms.
        s->chargeB = 760;
        s->player->play(7);
        VMPtr<InGameObject> m = place(s, 4, 100, 150, s->scrollSpeed);
        m->grade = grade;
        m->hitPoints = 1;
        m->attackPower = 3;
        frame(s);
        EXPECT_EQ(s->hud->getLayerAnimation(6), 12);
        EXPECT_EQ(s->player->isHolding(), caught);
        EXPECT_EQ(m->isHolding(), caught);
        if (caught) {
            EXPECT_EQ(s->player->heldIndex, 4);
            EXPECT_EQ(s->player->attackBonus, 3);
            EXPECT_EQ(m->hitPoints, 4);
            EXPECT_EQ(m->getLayerAnimation(0), 3);
        }
        ui::ResManager::clear();
    }
}

TEST_F(HeatTest, LongGoalContactsDefeatPushAndStrike) {
    stats()[4] = 6;  // special power 6
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    const jint drift = s->scrollSpeed - s->boostStep;

    // Shove {96, 120, 48, 48}: a monster left of the player goes left by
    // h / 10 and down by h / 10, this frame's scroll taken back.
    VMPtr<InGameObject> left = place(s, 0, 70, 160, drift);
    frame(s);
    EXPECT_EQ(left->getLayerX(0), 67);
    EXPECT_EQ(left->getLayerY(0), 160 - drift + 3);

    // At the lane's right edge the push would leave it: x stays, down h / 5.
    parkMonsters(s);
    s->player->setLayerPosition(0, 180, 120);
    VMPtr<InGameObject> edge = place(s, 1, 218, 160, drift);
    frame(s);
    EXPECT_EQ(edge->getLayerX(0), 218);
    EXPECT_EQ(edge->getLayerY(0), 160 - drift + 6);

    // The special box strikes: the special power off its hit points, and
    // experience when it is beaten; no defeat is counted.
    parkMonsters(s);
    s->player->setLayerPosition(0, 104, 120);
    s->player->startAttack();
    stats()[7] = 0;
    VMPtr<InGameObject> struck = place(s, 2, 100, 150, drift);
    struck->hitPoints = 6;
    struck->level = 2;
    const jint count = s->goalCount;
    frame(s);
    EXPECT_TRUE(struck->isDefeated());
    EXPECT_EQ(struck->getLayerAnimation(0), 6);
    EXPECT_EQ(stats()[7], 3);
    EXPECT_EQ(s->goalCount, count - drift);

    // The weapon box beats outright: no experience.
    parkMonsters(s);
    s->player->play(2);
    stats()[7] = 0;
    VMPtr<InGameObject> beaten = place(s, 3, 100, 150, drift);
    frame(s);
    EXPECT_TRUE(beaten->isDefeated());
    EXPECT_EQ(beaten->getLayerAnimation(0), 5);
    EXPECT_EQ(stats()[7], 0);
}

TEST_F(HeatTest, ADashingPlayerIsNotHurtByBodyContacts) {
    stats()[6] = 3;
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->player->enterState5();
    s->chargeA = 3000;
    const jint drift = s->scrollSpeed - 2 * s->boostStep;
    VMPtr<InGameObject> m = place(s, 0, 108, 130, drift);
    m->attackPower = 1;
    frame(s);
    EXPECT_EQ(s->player->hitPoints, 3);
}

TEST_F(HeatTest, ObjectsLeavingTheTopComeBackFromBelow) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    const jint drift = s->scrollSpeed;
    // After this frame's drift: bottom edge at 0 stays, at -1 comes back.
    VMPtr<InGameObject> stays = place(s, 0, 30, -kMonsterSize, drift);
    VMPtr<InGameObject> back = place(s, 1, 60, -kMonsterSize - 1, drift);
    back->defeated = true;
    frame(s);
    EXPECT_EQ(stays->getLayerY(0), -kMonsterSize);
    EXPECT_GE(back->getLayerY(0), 320);
    EXPECT_LT(back->getLayerY(0), 640);
    EXPECT_GE(back->getLayerX(0), kLaneX);
    EXPECT_LT(back->getLayerX(0), kLaneX + kLaneWidth);
    EXPECT_FALSE(back->isDefeated());
}

TEST_F(HeatTest, TheBackgroundWrapsWhenItsFirstTileHasLeftTheTop) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    const jint h = s->screen->getLayerHeight(1);
    const jint drift = s->scrollSpeed;
    s->screen->setLayerPosition(1, 240, -h - drift);
    s->screen->setLayerPosition(2, 240, -drift);
    frame(s);
    EXPECT_EQ(s->screen->getLayerY(1), -h);
    s->screen->setLayerPosition(1, 240, -h - 1 - drift);
    s->screen->setLayerPosition(2, 240, -1 - drift);
    frame(s);
    EXPECT_EQ(s->screen->getLayerY(1), -1);
    EXPECT_EQ(s->screen->getLayerY(2), h - 1);
}

TEST_F(HeatTest, MarkersFollowTheObjectsAndTheDrawOrderTheirX) {
    Game::S().statClass = 6;
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    VMPtr<InGameObject> m = place(s, 5, 210, 250, s->scrollSpeed);
    m->grade = 3;
    VMPtr<InGameObject> beaten = place(s, 6, 40, 250, s->scrollSpeed);
    frame(s);
    // A targetable monster: its grade at its marker box's centre.
    EXPECT_EQ(s->markerScreen->getLayerAnimation(5), 3);
    EXPECT_EQ(s->markerScreen->getLayerX(5), 226);
    // One that is not (beaten): frame 10, where it was marked last.
    const jint x6 = s->markerScreen->getLayerX(6);
    beaten->defeat();
    beaten->setLayerPosition(0, 10, 10);
    frame(s);
    EXPECT_EQ(s->markerScreen->getLayerAnimation(6), 10);
    EXPECT_EQ(s->markerScreen->getLayerX(6), x6);
    // The player's marker shows its code.
    EXPECT_EQ(s->markerScreen->getLayerAnimation(10), 12);
    // Rows by x, highest first: monster 5 at 210 first.
    EXPECT_EQ(s->fieldOrder[0][0], 5);
    for (jint r = 1; r < 11; ++r) EXPECT_GE(s->fieldOrder[r - 1][1], s->fieldOrder[r][1]);
}

}  // namespace
}  // namespace wrentest::playfield
