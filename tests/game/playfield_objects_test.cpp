// The play field's objects: the player's state machine and hit rules, its
// image variants, and the monster's kinds, stats, variants, hits, walk and
// carrying.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "main_Game.h"
#include "playfield_support.h"
#include "scene_maingame_InGameMonster.h"
#include "scene_maingame_InGameObject.h"
#include "ui_ResManager.h"
#include "wren_AnimPlayer.h"
#include "wren_graphics_CollisionBox.h"

namespace wrentest::playfield {
namespace {

using main::Game;
using scene::maingame::InGameMonster;
using scene::maingame::InGameObject;
using wren::Gob;
using wren::graphics::CollisionBox;

class ObjectTest : public PlayfieldTest {
protected:
    // The player over world 2 (statClass 6, the new game's) at (x, y), with
    // stats attack 4, special 6, hit points 3, level 5, on a cell of level
    // `cellLevel`.
    VMPtr<InGameObject> makePlayer(jint x = 104, jint y = 120, jint cellLevel = 5) {
        VMPtr<VMArray<jint>> s = stats();
        s[2] = 4;
        s[4] = 6;
        s[6] = 3;
        s[8] = 5;
        VMPtr<InGameObject> p = InGameObject::make();
        p->setUp(p);
        p->setLayerPosition(0, x, y);
        p->cellRecord = VMArray<jint>::of({cellLevel, 0, 0, 0, 0, -1});
        return p;
    }

    VMPtr<InGameMonster> makeMonster(jint gobId, jint animSetId, jint x = 100, jint y = 200) {
        VMPtr<InGameMonster> m = InGameMonster::make();
        m->setLayerCapacity(1);
        m->appendAnimLayer(gobId, animSetId, 0, 0, 0);
        m->setLayerPosition(0, x, y);
        return m;
    }

    // Runs the object's update for `ms` of frames of 40 ms (the last one
    // shorter).
    static void run(const VMPtr<InGameObject>& o, jint ms) {
        while (ms > 0) {
            jint step = ms < 40 ? ms : 40;
            ui::Scene::S().updating->frameTime = step;
            o->doUpdate();
            ms -= step;
        }
        ui::Scene::S().updating->frameTime = 40;
    }

    static VMPtr<CollisionBox> boxAt(jint x, jint y, jint w, jint h) {
        return CollisionBox::make(x, y, w, h, CollisionBox::RECTANGLE);
    }

    static std::vector<Gob*> gobsOf(const VMPtr<InGameObject>& o) {
        VMPtr<VMArray<Gob*>> gobs = ui::ResManager::S().gobPool[o->getLayerGobColumn(0)];
        std::vector<Gob*> out;
        for (jint i = 0; i < gobs->length; ++i) out.push_back(gobs[i].get());
        return out;
    }
};

// --- the player ------------------------------------------------------------

TEST_F(ObjectTest, SetUpTakesTheWorldsFigureTheStatsAndTheCursorCell) {
    Game::S().statClass = 6;
    Game::S().progressPair[0] = 10;
    Game::S().progressPair[1] = 6;
    VMPtr<InGameObject> p = makePlayer();
    EXPECT_EQ(InGameObject::S().player.get(), p.get());
    EXPECT_EQ(ui::ResManager::S().ids[0][p->getLayerGobColumn(0)], 10247);
    EXPECT_EQ(ui::ResManager::S().ids[1][p->getLayerAnimSetColumn(0)], 10242);
    EXPECT_EQ(p->getLayerKind(0), ui::Screen::KIND_ANIMATION);
    EXPECT_EQ(p->getLayerAnimation(0), 0);
    EXPECT_EQ(p->attackPower, 4);
    EXPECT_EQ(p->grade, 2);
    EXPECT_EQ(p->specialPower, 6);
    EXPECT_EQ(p->hitPoints, 3);
    EXPECT_EQ(p->level, 5);
    EXPECT_TRUE(p->isVisible());

    // The cell record row is the cursor's (set before the test replaced it).
    VMPtr<InGameObject> q = InGameObject::make();
    q->setUp(q);
    EXPECT_EQ(q->cellRecord.get(), Game::S().cellRecords[130].get());
    // A second setUp replaces layer 0 instead of adding one.
    q->setUp(q);
    EXPECT_EQ(q->getLayerCount(), 1);
}

TEST_F(ObjectTest, ImageVariantsCopyTheSetsLastImagesOverEarlierOnes) {
    struct Case {
        jint statClass;
        std::vector<std::pair<int, int>> copies;  // {to, from} from the end of 12
    };
    const Case cases[] = {
        {3, {{0, 6}, {1, 7}, {2, 8}, {3, 9}, {4, 10}, {5, 11}}},
        {4, {{4, 10}, {5, 11}}},
        {5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statClass);
        ui::ResManager::clear();
        // The set as loaded, from a layer of a plain screen.
        VMPtr<ui::Screen> plain = ui::Screen::make();
        plain->setLayerCapacity(1);
        plain->appendAnimLayer(10248, 10243, 0, 0, 0);
        std::vector<Gob*> loaded;
        {
            VMPtr<VMArray<Gob*>> g = ui::ResManager::S().gobPool[plain->getLayerGobColumn(0)];
            for (jint i = 0; i < g->length; ++i) loaded.push_back(g[i].get());
        }
        ASSERT_EQ(loaded.size(), 12u);
        Game::S().statClass = c.statClass;
        VMPtr<InGameObject> p = makePlayer();
        std::vector<Gob*> shown = gobsOf(p);
        std::vector<Gob*> expected = loaded;
        for (auto [to, from] : c.copies) expected[size_t(to)] = loaded[size_t(from)];
        EXPECT_EQ(shown, expected);
    }
}

TEST_F(ObjectTest, APlayerSetOfFewerThanTwelveImagesIsShownAsLoaded) {
    // World 7's set has six images: the copies would start before it.
    Game::S().statClass = 21;
    VMPtr<InGameObject> p = makePlayer();
    std::vector<Gob*> shown = gobsOf(p);
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(std::set<Gob*>(shown.begin(), shown.end()).size(), 6u);
}

TEST_F(ObjectTest, OperationsMoveTheStateAndShowTheirAnimation) {
    struct Case {
        const char* name;
        jint fromState;
        void (*op)(InGameObject&);
        jint state;
        jint animation;
    };
    const Case cases[] = {
        {"attack from idle", 0, [](InGameObject& o) { o.startAttack(); }, 7, 4},
        {"attack while attacking", 7, [](InGameObject& o) { o.startAttack(); }, 7, 0},
        {"attack while dashing", 5, [](InGameObject& o) { o.startAttack(); }, 5, 0},
        {"action", 1, [](InGameObject& o) { o.startAction(); }, 3, 3},
        {"dash", 0, [](InGameObject& o) { o.enterState5(); }, 5, 5},
        {"hold", 0, [](InGameObject& o) { o.hold(4); }, 6, 7},
        {"let go", 6, [](InGameObject& o) { o.releaseHold(); }, 0, 0},
        {"out of the dash", 5, [](InGameObject& o) { EXPECT_TRUE(o.leaveState5()); }, 1, 0},
        {"out of no dash", 3, [](InGameObject& o) { EXPECT_FALSE(o.leaveState5()); }, 3, 0},
        {"activate", 8, [](InGameObject& o) { o.activate(); }, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<InGameObject> p = makePlayer();
        p->state = c.fromState;
        c.op(*p);
        EXPECT_EQ(p->getState(), c.state);
        EXPECT_EQ(p->getLayerAnimation(0), c.animation);
    }
}

TEST_F(ObjectTest, HoldAndLetGoSetTheHeldIndexAndFlag) {
    VMPtr<InGameObject> p = makePlayer();
    p->hold(4);
    EXPECT_TRUE(p->isHolding());
    EXPECT_EQ(p->heldIndex, 4);
    p->releaseHold();
    EXPECT_FALSE(p->isHolding());
    EXPECT_EQ(p->heldIndex, -1);
    p->defeated = p->hurt = p->holding = true;
    p->hitPoints = 2;
    p->activate();
    EXPECT_FALSE(p->isDefeated() || p->isHurt() || p->isHolding());
    EXPECT_EQ(p->hitPoints, 2);
}

TEST_F(ObjectTest, EnteringTheDashAgainDoesNotRestartIt) {
    VMPtr<InGameObject> p = makePlayer();
    p->enterState5();
    run(p, 120);
    VMPtr<wren::AnimPlayer> player = p->layerPlayers[0];
    jint elapsed = player->getElapsedTime();
    ASSERT_GT(elapsed, 0);
    p->enterState5();
    EXPECT_EQ(player->getElapsedTime(), elapsed);
}

TEST_F(ObjectTest, AnActionIsRefusedWhileHurtOrDefeated) {
    VMPtr<InGameObject> p = makePlayer();
    p->hurt = true;
    p->startAction();
    EXPECT_EQ(p->getState(), 0);
    p->hurt = false;
    p->defeated = true;
    p->startAction();
    EXPECT_EQ(p->getState(), 0);
    EXPECT_EQ(p->getLayerAnimation(0), 0);
}

TEST_F(ObjectTest, AHitHurtsOnceUntilTheHurtAnimationHasPlayed) {
    VMPtr<InGameObject> p = makePlayer();
    p->hold(2);
    p->takeHit(0);
    EXPECT_EQ(p->hitPoints, 2);
    EXPECT_EQ(stats()[6], 2);
    EXPECT_TRUE(p->isHurt());
    EXPECT_FALSE(p->isHolding());
    EXPECT_EQ(p->getState(), 2);
    EXPECT_EQ(p->getLayerAnimation(0), 1);
    p->takeHit(0);
    EXPECT_EQ(p->hitPoints, 2);
    // The hurt animation lasts 400 ms.
    run(p, 360);
    EXPECT_EQ(p->getState(), 2);
    EXPECT_TRUE(p->isHurt());
    run(p, 40);
    EXPECT_EQ(p->getState(), 0);
    EXPECT_FALSE(p->isHurt());
    EXPECT_EQ(p->getLayerAnimation(0), 0);
    p->takeHit(0);
    EXPECT_EQ(p->hitPoints, 1);
}

TEST_F(ObjectTest, AHitWhileDashingKeepsTheDashAndIsForgottenNextFrame) {
    VMPtr<InGameObject> p = makePlayer();
    p->enterState5();
    p->takeHit(0);
    EXPECT_EQ(p->hitPoints, 2);
    EXPECT_TRUE(p->isHurt());
    EXPECT_EQ(p->getState(), 5);
    EXPECT_EQ(p->getLayerAnimation(0), 5);
    run(p, 40);
    EXPECT_FALSE(p->isHurt());
    EXPECT_EQ(p->getState(), 5);
}

TEST_F(ObjectTest, TheLastHitPointDefeatsAndTheDefeatPlaysOutToState12) {
    VMPtr<InGameObject> p = makePlayer();
    p->hitPoints = 1;
    p->takeHit(0);
    EXPECT_TRUE(p->isDefeated());
    EXPECT_EQ(p->hitPoints, 0);
    EXPECT_EQ(stats()[6], 0);
    EXPECT_EQ(p->getState(), 8);
    EXPECT_EQ(p->getLayerAnimation(0), 1);
    run(p, 400);
    EXPECT_EQ(p->getState(), 8);
    EXPECT_EQ(p->getLayerAnimation(0), 8);
    // A second defeat changes nothing.
    p->defeat();
    EXPECT_EQ(p->getLayerAnimation(0), 8);
    run(p, 560);
    EXPECT_EQ(p->getState(), 8);
    run(p, 40);
    EXPECT_EQ(p->getState(), 12);
    run(p, 400);
    EXPECT_EQ(p->getState(), 12);
}

TEST_F(ObjectTest, FinishedAnimationsMoveTheirStatesOn) {
    struct Case {
        const char* name;
        void (*start)(InGameObject&);
        jint ms;
        jint state;
        jint animation;
        bool holding;
    };
    const Case cases[] = {
        {"action ends carrying", [](InGameObject& o) { o.startAction(); }, 400, 6, 2, false},
        {"attack ends", [](InGameObject& o) { o.startAttack(); }, 400, 1, 0, false},
        {"grab ends still holding", [](InGameObject& o) { o.hold(3); }, 400, 6, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<InGameObject> p = makePlayer();
        c.start(*p);
        run(p, c.ms - 40);
        EXPECT_NE(p->getLayerAnimation(0), c.animation);
        run(p, 40);
        EXPECT_EQ(p->getState(), c.state);
        EXPECT_EQ(p->getLayerAnimation(0), c.animation);
        EXPECT_EQ(p->isHolding(), c.holding);
    }
}

TEST_F(ObjectTest, AFrozenOrHiddenObjectDoesNotStep) {
    VMPtr<InGameObject> p = makePlayer();
    p->startAttack();
    p->setFrozen(true);
    run(p, 400);
    EXPECT_EQ(p->getState(), 7);
    p->setFrozen(false);
    p->setVisible(false);
    run(p, 400);
    EXPECT_EQ(p->getState(), 7);
}

TEST_F(ObjectTest, TheContactValueIsTheTypeOfTheFirstFrameBoxThatTouches) {
    // Player at (104, 120): body {112, 128, 16, 24}, shove {96, 120, 48, 48}.
    VMPtr<InGameObject> p = makePlayer();
    EXPECT_EQ(p->hitTestValue(boxAt(116, 140, 4, 4)), 2);
    EXPECT_EQ(p->hitTestValue(boxAt(98, 160, 4, 4)), 3);
    EXPECT_EQ(p->hitTestValue(boxAt(0, 0, 10, 10)), -1);
    // An empty box touches nothing.
    EXPECT_EQ(p->hitTestValue(boxAt(116, 140, 0, 4)), -1);
    p->hold(0);  // the grab frame: only the grab box is real
    EXPECT_EQ(p->hitTestValue(boxAt(30, 110, 4, 4)), 4);
    p->play(2);  // carrying: the weapon box
    EXPECT_EQ(p->hitTestValue(boxAt(30, 110, 4, 4)), 0);
    p->play(4);  // attacking: the special box
    EXPECT_EQ(p->hitTestValue(boxAt(30, 110, 4, 4)), 5);
}

TEST_F(ObjectTest, ThePlayersDescriptorIsItsBodyCentreAndTheWorldsCode) {
    const std::pair<jint, jint> codes[] = {{0, 12}, {14, 12}, {15, 11}, {20, 11}, {21, 13}};
    VMPtr<InGameObject> p = makePlayer();
    for (auto [area, code] : codes) {
        SCOPED_TRACE(area);
        Game::S().statClass = area;
        VMPtr<VMArray<jint>> d = p->getDescriptor();
        EXPECT_EQ(d[0], code);
        EXPECT_EQ(d[2], 112 + 8);
        EXPECT_EQ(d[3], 128 + 12);
    }
}

// --- the monster -----------------------------------------------------------

TEST_F(ObjectTest, TheMonstersKindIsTheColumnOfItsImageId) {
    makePlayer();
    const std::pair<jint, jint> cases[] = {{11269, 0}, {11270, 1}, {11271, 2}};
    for (auto [gobId, kind] : cases) {
        VMPtr<InGameMonster> m = makeMonster(gobId, gobId - 4);
        EXPECT_EQ(m->kind, kind) << gobId;
        EXPECT_EQ(m->imageId, gobId);
        EXPECT_GE(m->idleAnimation, 0);
        EXPECT_LE(m->idleAnimation, 2);
        EXPECT_EQ(m->getLayerAnimation(0), m->idleAnimation);
        EXPECT_EQ(m->getLayerCount(), 1);
        // An id that the table lacks keeps the kind it had.
        m->setLayerCursor(0);
        m->appendAnimLayer(11273, 11265, 0, 0, 0);
        EXPECT_EQ(m->kind, kind);
    }
}

TEST_F(ObjectTest, EveryMonsterHasItsOwnCopyOfTheImages) {
    makePlayer();
    VMPtr<InGameMonster> a = makeMonster(11269, 11265);
    VMPtr<InGameMonster> b = makeMonster(11269, 11265);
    EXPECT_NE(a->getLayerGobColumn(0), b->getLayerGobColumn(0));
    EXPECT_NE(ui::ResManager::S().gobPool[a->getLayerGobColumn(0)].get(),
              ui::ResManager::S().gobPool[b->getLayerGobColumn(0)].get());
}

TEST_F(ObjectTest, ActivationDrawsTheStatsOfTheKindFromThePlayersCell) {
    // Player level 5 on a cell of level 6.
    VMPtr<InGameObject> p = makePlayer(104, 120, 6);
    struct Case {
        jint gobId;
        jint lowest;  // the level drawn is lowest .. lowest + 2
        jint attack;
        jint (*hitPoints)(jint level);
        jint gradeBias;
    };
    const Case cases[] = {
        {11269, 4, 1, [](jint l) { return l / 2; }, 1},
        {11270, 5, 2, [](jint l) { return l; }, 2},
        {11271, 6, 3, [](jint l) { return 2 * l; }, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gobId);
        VMPtr<InGameMonster> m = makeMonster(c.gobId, c.gobId - 4);
        std::set<jint> levels;
        for (int i = 0; i < 40; ++i) {
            m->activate();
            levels.insert(m->level);
            EXPECT_EQ(m->attackPower, c.attack);
            EXPECT_EQ(m->hitPoints, c.hitPoints(m->level));
            jint grade = m->level - p->level + c.gradeBias;
            EXPECT_EQ(m->grade, grade < 0 ? 0 : grade > 4 ? 4 : grade);
        }
        EXPECT_EQ(levels, (std::set<jint>{c.lowest, c.lowest + 1, c.lowest + 2}));
    }
}

TEST_F(ObjectTest, TheGradeStaysWithin0And4) {
    VMPtr<InGameObject> p = makePlayer(104, 120, 20);
    VMPtr<InGameMonster> strong = makeMonster(11271, 11267);
    EXPECT_EQ(strong->grade, 4);
    p->level = 20;
    p->cellRecord[0] = 1;
    VMPtr<InGameMonster> weak = makeMonster(11269, 11265);
    EXPECT_EQ(weak->grade, 0);
}

TEST_F(ObjectTest, AKind1MonsterWearsOneOfFourVariantGroups) {
    makePlayer();
    VMPtr<InGameMonster> m = makeMonster(11270, 11266);
    // The set as loaded.
    ui::ResManager::acquireUnshared(11270, -1);
    VMPtr<VMArray<Gob*>> loaded = ui::ResManager::S().gobPool[ui::ResManager::getLastGobSlot()];
    std::set<int> seen;
    for (int i = 0; i < 30; ++i) {
        // Back to the loaded images, then one draw.
        VMPtr<VMArray<Gob*>> shown = ui::ResManager::S().gobPool[m->getLayerGobColumn(0)];
        for (jint k = 0; k < 36; ++k) shown[k] = loaded[k];
        m->applyVariant();
        int group = -1;
        for (int v = 0; v < 5; ++v) {
            bool all = true;
            for (jint k = 0; k < 6; ++k) all = all && shown[k].get() == loaded[6 * v + k].get();
            if (all) group = v;
        }
        ASSERT_NE(group, -1);
        for (jint k = 6; k < 36; ++k) EXPECT_EQ(shown[k].get(), loaded[k].get());
        seen.insert(group);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST_F(ObjectTest, AMonsterSetOfFewerThan36ImagesIsShownAsLoaded) {
    makePlayer();
    VMPtr<InGameMonster> m = makeMonster(11273, 11265);
    std::vector<Gob*> loaded = gobsOf(m);
    ASSERT_EQ(loaded.size(), 6u);
    for (int i = 0; i < 20; ++i) m->applyVariant();
    EXPECT_EQ(gobsOf(m), loaded);
}

TEST_F(ObjectTest, MonsterHitRules) {
    // Player attack 4 (+ bonus 1), special 6.
    struct Case {
        const char* name;
        jint hitPoints;
        bool holding;
        jint source;
        jint leftPoints;
        bool defeated;
        bool hurt;
        jint animation;
        bool stillHeld;
    };
    const Case cases[] = {
        {"special, survives", 10, false, -1, 4, false, true, 7, false},
        {"special, beaten", 6, false, -1, 0, true, false, 6, false},
        {"normal, survives", 10, false, 0, 5, false, true, 7, false},
        {"normal, beaten", 5, false, 0, 0, true, false, 5, false},
        {"carried, survives", 10, true, 0, 9, false, true, 3, true},
        // The last point lets go (animation 4) and beats it (6).
        {"carried, last point", 1, true, 0, 0, true, false, 6, false},
        // A special hit is one whether carried or not.
        {"carried, special hit", 3, true, -1, -3, true, false, 6, true},
    };
    VMPtr<InGameObject> p = makePlayer();
    p->attackBonus = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<InGameMonster> m = makeMonster(11271, 11267);
        m->hitPoints = c.hitPoints;
        if (c.holding) m->hold(0);
        m->takeHit(c.source);
        EXPECT_EQ(m->hitPoints, c.leftPoints);
        EXPECT_EQ(m->isDefeated(), c.defeated);
        EXPECT_EQ(m->isHurt(), c.hurt);
        EXPECT_EQ(m->getLayerAnimation(0), c.animation);
        EXPECT_EQ(m->isHolding(), c.stillHeld);
    }
}

TEST_F(ObjectTest, AHurtMonsterTakesNoHitUntilItsHurtAnimationHasPlayed) {
    VMPtr<InGameObject> p = makePlayer();
    VMPtr<InGameMonster> m = makeMonster(11271, 11267);
    m->hitPoints = 30;
    m->takeHit(0);
    EXPECT_EQ(m->hitPoints, 26);
    for (jint source : {0, -1, 3}) m->takeHit(source);
    EXPECT_EQ(m->hitPoints, 26);
    // The hurt animation lasts 300 ms.
    run(m, 280);
    EXPECT_TRUE(m->isHurt());
    run(m, 40);
    EXPECT_FALSE(m->isHurt());
    EXPECT_EQ(m->getLayerAnimation(0), m->idleAnimation);
    m->takeHit(-1);
    EXPECT_EQ(m->hitPoints, 20);
}

TEST_F(ObjectTest, AWeakMonsterOfLevel1IsBeatenByItsFirstHit) {
    VMPtr<InGameObject> p = makePlayer(104, 120, 3);
    p->attackPower = 0;
    VMPtr<InGameMonster> m = makeMonster(11269, 11265);
    while (m->level != 1) m->activate();
    EXPECT_EQ(m->hitPoints, 0);
    m->takeHit(0);
    EXPECT_TRUE(m->isDefeated());
}

TEST_F(ObjectTest, TheMonstersDescriptorIsItsMarkerWhileItCanBeTargeted) {
    makePlayer();
    VMPtr<InGameMonster> m = makeMonster(11270, 11266, 60, 200);
    m->grade = 3;
    for (jint a : {0, 1, 2, 7}) {
        m->play(a);
        VMPtr<VMArray<jint>> d = m->getDescriptor();
        EXPECT_EQ(d[0], 1) << a;
        EXPECT_EQ(d[1], 3);
        EXPECT_EQ(d[2], 60 + 16);
        EXPECT_EQ(d[3], 200 + 16);
    }
    for (jint a : {3, 4, 5, 6}) {
        m->play(a);
        VMPtr<VMArray<jint>> d = m->getDescriptor();
        EXPECT_EQ(d[0], -1) << a;
        EXPECT_EQ(d[1], 3);
        EXPECT_EQ(d[2], 76);
    }
    // Never filled before: the rest is zeros.
    VMPtr<InGameMonster> fresh = makeMonster(11270, 11266);
    fresh->play(5);
    VMPtr<VMArray<jint>> d = fresh->getDescriptor();
    EXPECT_EQ(d[0], -1);
    EXPECT_EQ(d[2], 0);
}

TEST_F(ObjectTest, AStrongMonsterWalksTowardsThePlayerWhileBelowIt) {
    // The player's target box 5 lies at x 104 + 16 = 120.
    makePlayer(104, 120);
    struct Case {
        const char* name;
        jint gobId;
        jint idle;
        jint x;
        jint y;
        jint movedTo;
    };
    const Case cases[] = {
        {"left of the player", 11271, 1, 100, 200, 101},
        {"right of the player", 11271, 2, 150, 200, 149},
        {"under the player", 11271, 1, 120, 200, 120},
        {"level with the player", 11271, 1, 100, 120, 100},
        {"idle pose 0", 11271, 0, 100, 200, 100},
        {"kind 1", 11270, 1, 100, 200, 100},
        {"kind 0", 11269, 2, 100, 200, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<InGameMonster> m = makeMonster(c.gobId, c.gobId - 4, c.x, c.y);
        m->idleAnimation = c.idle;
        m->doUpdate();
        EXPECT_EQ(m->getLayerX(0), c.movedTo);
        EXPECT_EQ(m->getLayerY(0), c.y);
    }
    VMPtr<InGameMonster> beaten = makeMonster(11271, 11267, 100, 200);
    beaten->idleAnimation = 1;
    beaten->defeat();
    beaten->doUpdate();
    EXPECT_EQ(beaten->getLayerX(0), 100);
}

TEST_F(ObjectTest, ACarriedMonsterSitsOnThePlayerUntilLetGo) {
    VMPtr<InGameObject> p = makePlayer(104, 120);
    VMPtr<InGameMonster> m = makeMonster(11269, 11265, 60, 200);
    p->hold(3);
    m->hold(3);
    m->doUpdate();
    // The seat, box 1 of the player's frame: (104 + 0, 120 + 44).
    EXPECT_EQ(m->getLayerX(0), 104);
    EXPECT_EQ(m->getLayerY(0), 164);
    EXPECT_EQ(m->getLayerAnimation(0), 3);
    // The player's action lets it go.
    p->state = InGameObject::STATE_ACTION;
    m->doUpdate();
    EXPECT_EQ(m->getLayerAnimation(0), 4);
    EXPECT_TRUE(m->isHolding());
    // A hurt player drops it: both let go, the monster idles.
    p->state = InGameObject::STATE_HOLDING;
    p->hurt = true;
    m->doUpdate();
    EXPECT_FALSE(m->isHolding());
    EXPECT_FALSE(p->isHolding());
    EXPECT_EQ(m->getLayerAnimation(0), m->idleAnimation);
}

}  // namespace
}  // namespace wrentest::playfield
