// Stage parameters as the play field reads them (goal, play mode, the
// results' reward), the monster spawner's level bands and positions, and
// the heat speeds.
#include <gtest/gtest.h>

#include <set>

#include "main_Game.h"
#include "playfield_support.h"
#include "scene_maingame_InGameMonster.h"

namespace wrentest::playfield {
namespace {

using main::Game;
using scene::maingame::InGameMonster;
using scene::maingame::InGameScene;

class StageTest : public PlayfieldTest {
protected:
    // A heat of heat kind `kind` on cell (3, 5), loaded up to the spawner:
    // the lane and the player are there, no monster yet.
    VMPtr<InGameScene> sceneBeforeSpawning(jint heat, jint kind = 0) {
        VMPtr<InGameScene> s = makeScene({1, 0, kind, kind, kind, heat}, 3, 5);
        s->moreData = 0;
        do s->loadData();
        while (s->moreData != 8);
        return s;
    }
};

TEST_F(StageTest, TheGoalFollowsThePlayersLevel) {
    struct Case {
        jint level;
        jint shortGoal;
        jint longGoal;
    };
    const Case cases[] = {{1, 10, 1600}, {9, 10, 1600}, {10, 20, 3200}, {19, 20, 3200},
                          {20, 30, 4800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        stats()[8] = c.level;
        EXPECT_EQ(makeScene({0, 1, 0, 0, 0, 0}, 3, 5)->goalTarget, c.shortGoal);
        EXPECT_EQ(makeScene({0, 0, 0, 0, 0, 0}, 3, 5)->goalTarget, c.longGoal);
    }
}

TEST_F(StageTest, ThePlayModeComesFromTheHeatIndexAndTheCell) {
    VMPtr<InGameScene> play = makeScene({0, 0, 0, 1, 1, 1}, 3, 5);
    EXPECT_EQ(play->playMode, InGameScene::MODE_PLAY);
    EXPECT_EQ(play->cellIndex, 103);
    EXPECT_FALSE(play->shortGoal);
    VMPtr<InGameScene> tutorialShort = makeScene({0, 1, 0, 0, 0, 0}, 10, 6);
    EXPECT_EQ(tutorialShort->playMode, InGameScene::MODE_INTRO);
    EXPECT_EQ(tutorialShort->introIndex, 0);
    VMPtr<InGameScene> tutorialLong = makeScene({0, 0, 0, 0, 0, 1}, 10, 6);
    EXPECT_EQ(tutorialLong->playMode, InGameScene::MODE_INTRO);
    EXPECT_EQ(tutorialLong->introIndex, 9);
}

TEST_F(StageTest, TheResultsPayTheStagesRewardOnceWhenBuilt) {
    Game::Statics& g = Game::S();
    VMPtr<VMArray<jint>> r = g.cellRecords[103];
    r[0] = 3;
    r[2] = 9;  // rate 60
    g.progressB = 1000;
    VMPtr<InGameScene> results = makeScene({1, 0, 0, 0, 1, 3}, 3, 5);
    EXPECT_EQ(results->playMode, InGameScene::MODE_RESULTS);
    EXPECT_EQ(g.progressB, 1180);
    // The last heat's kind picks the background from now on.
    EXPECT_EQ(results->stageParams[5], 2);
    EXPECT_EQ(results->heatKind(), 1);
    load(results);
    EXPECT_EQ(g.progressB, 1180);
    // A cell of level 0 pays nothing.
    r[0] = 0;
    makeScene({1, 0, 0, 0, 1, 3}, 3, 5);
    EXPECT_EQ(g.progressB, 1180);
}

TEST_F(StageTest, HeatKindsPickTheirMusicTrack) {
    const std::pair<jint, jint> tracks[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2},
                                            {5, 3}, {6, 4}, {7, -1}, {-1, -1}};
    for (auto [kind, track] : tracks) EXPECT_EQ(InGameScene::musicTrack(kind), track) << kind;
}

TEST_F(StageTest, SpawnedMonstersFollowTheLevelBandsHeatAndSlotPair) {
    constexpr jint R = -1;  // 1 or 2 at random
    struct Case {
        jint level;
        jint heat;
        jint pairs[5];
    };
    const Case cases[] = {
        {5, 0, {0, 0, 0, 0, 0}},  {5, 1, {0, 0, 0, 0, 0}},  {5, 2, {1, 0, 0, 0, 0}},
        {6, 0, {1, 0, 0, 0, 0}},  {10, 1, {1, 1, 0, 0, 0}}, {10, 2, {0, 0, 1, 1, 2}},
        {11, 0, {1, 1, 2, 2, 2}}, {15, 1, {0, R, 1, 1, 1}}, {11, 2, {0, 2, 1, 1, 1}},
        {16, 0, {2, 1, 1, 1, 1}}, {20, 1, {2, 2, R, 1, 1}}, {16, 2, {1, R, R, 2, 2}},
    };
    std::set<jint> drawn;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " heat " << c.heat);
        stats()[8] = c.level;
        VMPtr<InGameScene> s = sceneBeforeSpawning(c.heat);
        for (jint slot = 0; slot < 10; ++slot) {
            s->spawnMonster();
            ++s->moreData;
            VMPtr<InGameMonster> m = vmCast<InGameMonster>(VMPtr<scene::maingame::InGameObject>(
                s->monsters[slot]));
            ASSERT_NE(m, nullptr);
            jint expected = c.pairs[slot / 2];
            if (expected == R) {
                EXPECT_TRUE(m->kind == 1 || m->kind == 2) << slot;
                drawn.insert(m->kind);
            } else {
                EXPECT_EQ(m->kind, expected) << slot;
            }
            EXPECT_EQ(m->imageId, 11269 + m->kind);
        }
        ui::ResManager::clear();
    }
    EXPECT_EQ(drawn, (std::set<jint>{1, 2}));
}

TEST_F(StageTest, MonstersStartAcrossTheLaneBelowTheScreen) {
    stats()[8] = 3;
    VMPtr<InGameScene> s = sceneBeforeSpawning(0);
    for (jint slot = 0; slot < 10; ++slot) {
        s->spawnMonster();
        ++s->moreData;
        VMPtr<scene::maingame::InGameObject> m = s->monsters[slot];
        const jint x = m->getLayerX(0), y = m->getLayerY(0);
        EXPECT_GE(x, kLaneX);
        EXPECT_LT(x, kLaneX + kLaneWidth);
        EXPECT_GE(y, 320);
        EXPECT_LT(y, 640);
        EXPECT_EQ(s->fieldOrder[slot][0], slot);
        EXPECT_EQ(s->fieldOrder[slot][1], y);
        EXPECT_EQ(m->getLayerCapacity(), 1);
    }
}

TEST_F(StageTest, ALaneOfNoWidthPutsEveryMonsterAtItsEdge) {
    // Heat kind 1's background has a lane of width 0 at x 20.
    VMPtr<InGameScene> s = sceneBeforeSpawning(0, 1);
    for (jint slot = 0; slot < 10; ++slot) {
        s->spawnMonster();
        ++s->moreData;
        EXPECT_EQ(s->monsters[slot]->getLayerX(0), kLaneX);
    }
}

TEST_F(StageTest, HeatSpeedsComeFromTheFrameTimeOfTheLoadingFrame) {
    struct Case {
        jint frameTime;
        jint slow;
        jint scroll;
        jint fast;
    };
    const Case cases[] = {{7, 0, 0, 0}, {8, 0, 0, 0}, {16, 0, -1, -1}, {40, -1, -2, -2},
                          {80, -2, -5, -5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameTime);
        VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 3, 5);
        s->frameTime = c.frameTime;
        s->setHeatSpeeds();
        EXPECT_EQ(s->slowSpeed, c.slow);
        EXPECT_EQ(s->scrollSpeed, c.scroll);
        EXPECT_EQ(s->fastSpeed, c.fast);
    }
    const std::pair<jint, jint> boosts[] = {{0, 1}, {1, 1}, {2, 2}, {10, 6}, {11, 6}};
    for (auto [special, boost] : boosts) {
        stats()[4] = special;
        VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 3, 5);
        s->setHeatSpeeds();
        EXPECT_EQ(s->boostStep, boost) << special;
    }
}

TEST_F(StageTest, ALoadedHeatHasItsSpeedsFromTheLoadingFrame) {
    setFrameTime(80);
    VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 3, 5);
    load(s);
    EXPECT_EQ(s->scrollSpeed, -5);
    EXPECT_EQ(s->slowSpeed, -2);
}

}  // namespace
}  // namespace wrentest::playfield
