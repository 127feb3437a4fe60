// The player's controls and the HUD: both steering pads with their knob,
// buttons and dash, the charge gauges and their meters, the field scroll
// and the goal bars.
#include <gtest/gtest.h>

#include "playfield_support.h"
#include "scene_maingame_InGameObject.h"
#include "wren_graphics_CollisionBox.h"

namespace wrentest::playfield {
namespace {

using scene::maingame::InGameObject;
using scene::maingame::InGameScene;
using wren::graphics::CollisionBox;

class ControlsTest : public PlayfieldTest {
protected:
    struct Point {
        jint x, y;
    };
    static Point padCentre(const VMPtr<InGameScene>& s) {
        return {s->hudBox->x + s->hudBox->width / 2, s->hudBox->y + s->hudBox->height / 2};
    }
    static Point boxCentre(const VMPtr<InGameScene>& s, jint layer, jint box) {
        VMPtr<VMArray<jint>> b = s->hud->getLayerBox(layer, box);
        return {b[0] + b[2] / 2, b[1] + b[3] / 2};
    }
    static Point knob(const VMPtr<InGameScene>& s) {
        return {s->hud->getLayerX(5), s->hud->getLayerY(5)};
    }
    // A frame with the pointer down: pressed at p, now at q.
    void dragFrame(const VMPtr<InGameScene>& s, Point p, Point q) {
        touch(p.x, p.y, q.x, q.y);
        frame(s);
    }
};

// --- the short-goal pad ----------------------------------------------------------

TEST_F(ControlsTest, AFingerOnThePadsCentreSteersRightAndDown) {
    for (jint shortGoal : {1, 0}) {
        SCOPED_TRACE(shortGoal);
        VMPtr<InGameScene> s = loadHeat({0, shortGoal, 0, 0, 0, 0});
        s->chargeA = 3000;
        const jint x = s->player->getLayerX(0);
        const Point c = padCentre(s);
        dragFrame(s, c, c);
        EXPECT_EQ(s->player->getLayerX(0), x + 5);
        // Down: faster by the boost (short), or into the dash (long).
        EXPECT_EQ(s->scrollDelta, s->scrollSpeed - (shortGoal ? 1 : 2) * s->boostStep);
        EXPECT_EQ(knob(s).x, c.x);
        EXPECT_EQ(knob(s).y, c.y);
        if (!shortGoal) EXPECT_EQ(s->player->getState(), InGameObject::STATE_DASH);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, UpAndLeftSlowTheFallAndSteerLeft) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    const jint x = s->player->getLayerX(0);
    const Point c = padCentre(s);
    dragFrame(s, c, {c.x - 3, c.y - 3});
    EXPECT_EQ(s->player->getLayerX(0), x - 5);
    EXPECT_EQ(s->scrollDelta, s->scrollSpeed + s->boostStep);
    EXPECT_TRUE(s->frameFlag);
}

TEST_F(ControlsTest, ATouchThatWentDownOffThePadNeverSteers) {
    for (jint shortGoal : {1, 0}) {
        SCOPED_TRACE(shortGoal);
        VMPtr<InGameScene> s = loadHeat({0, shortGoal, 0, 0, 0, 0});
        const jint x = s->player->getLayerX(0);
        const Point c = padCentre(s);
        // Down at the top of the screen, dragged onto the pad.
        dragFrame(s, {120, 20}, {c.x - 10, c.y});
        EXPECT_EQ(s->player->getLayerX(0), x);
        EXPECT_EQ(knob(s).x, s->iconCentre[0]);
        EXPECT_EQ(knob(s).y, s->iconCentre[1]);
        EXPECT_FALSE(s->frameFlag);
        // The buttons still answer the finger: the pause button opens the
        // pause menu.
        dragFrame(s, {120, 20}, boxCentre(s, 2, 6));
        EXPECT_TRUE(s->modal);
        EXPECT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, TheKnobStopsOnThePadsEdgeAlongTheLineToTheCentre) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    const Point c = padCentre(s);
    // The pad is a circle of radius w / 2 about its centre; a point counts
    // when strictly inside.
    const jint r = s->hudBox->width / 2;
    dragFrame(s, c, {c.x, 0});
    EXPECT_EQ(knob(s).x, c.x);
    EXPECT_EQ(knob(s).y, c.y - r + 1);
    dragFrame(s, c, {0, c.y});
    EXPECT_EQ(knob(s).x, c.x - r + 1);
    EXPECT_EQ(knob(s).y, c.y);
    // A diagonal drag ends inside, near the edge.
    dragFrame(s, c, {c.x + 200, c.y + 100});
    const jint dx = knob(s).x - c.x, dy = knob(s).y - c.y;
    EXPECT_LT(dx * dx + dy * dy, r * r);
    EXPECT_GT(dx * dx + dy * dy, (r - 6) * (r - 6));
    EXPECT_GT(dx, 0);
    EXPECT_GT(dy, 0);
    // Up again: back to the rest place, nothing steers.
    const jint x = s->player->getLayerX(0);
    lift();
    frame(s);
    EXPECT_EQ(knob(s).x, s->iconCentre[0]);
    EXPECT_EQ(knob(s).y, s->iconCentre[1]);
    EXPECT_EQ(s->player->getLayerX(0), x);
}

TEST_F(ControlsTest, AKnobWalkEndsOnAPadThatDoesNotHoldItsCentre) {
    // A pad four wide and sixty high: its circle (radius 2) sits at its
    // top, far from the centre the knob walks to.
    for (jint shortGoal : {1, 0}) {
        SCOPED_TRACE(shortGoal);
        VMPtr<InGameScene> s = loadHeat({0, shortGoal, 0, 0, 0, 0});
        s->hudBox = CollisionBox::make(90, 250, 4, 60, CollisionBox::CIRCLE);
        dragFrame(s, {92, 252}, {0, 0});
        EXPECT_EQ(knob(s).x, 92);
        EXPECT_EQ(knob(s).y, 280);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, AStepPastTheLanesEdgeIsRefusedWhole) {
    for (jint shortGoal : {1, 0}) {
        SCOPED_TRACE(shortGoal);
        VMPtr<InGameScene> s = loadHeat({0, shortGoal, 0, 0, 0, 0});
        const Point c = padCentre(s);
        // Right: the last x inside the lane is kLaneX + kLaneWidth - 1.
        s->player->setLayerPosition(0, kLaneX + kLaneWidth - 5, 120);
        dragFrame(s, c, {c.x + 5, c.y - 5});
        EXPECT_EQ(s->player->getLayerX(0), kLaneX + kLaneWidth - 5);
        s->player->setLayerPosition(0, kLaneX + kLaneWidth - 6, 120);
        dragFrame(s, c, {c.x + 5, c.y - 5});
        EXPECT_EQ(s->player->getLayerX(0), kLaneX + kLaneWidth - 1);
        // Left: x below the lane's is refused, and the draw order keeps
        // the player's old key.
        s->player->setLayerPosition(0, kLaneX + 4, 120);
        jint key = -1;
        for (jint r = 0; r < 11; ++r)
            if (s->fieldOrder[r][0] == 10) s->fieldOrder[r][1] = key = 777;
        dragFrame(s, c, {c.x - 5, c.y - 5});
        EXPECT_EQ(s->player->getLayerX(0), kLaneX + 4);
        if (!shortGoal) {
            // The long pad writes the key only when it moves; the frame's
            // order refresh then puts the x in again.
            EXPECT_EQ(key, 777);
        }
        s->player->setLayerPosition(0, kLaneX + 5, 120);
        dragFrame(s, c, {c.x - 5, c.y - 5});
        EXPECT_EQ(s->player->getLayerX(0), kLaneX);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, TheActionButtonGrabsOrStartsTheActionAndEmptiesTheGauge) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    const Point button = boxCentre(s, 7, 5);
    s->chargeB = 2000;
    dragFrame(s, button, button);
    EXPECT_EQ(s->player->getLayerAnimation(0), 7);
    EXPECT_EQ(s->chargeB, 0);
    EXPECT_FALSE(s->player->isHolding());
    // Holding: the action.
    lift();
    s->player->hold(2);
    s->player->play(0);
    s->chargeB = 2000;
    dragFrame(s, button, button);
    EXPECT_EQ(s->player->getState(), InGameObject::STATE_ACTION);
    EXPECT_EQ(s->player->getLayerAnimation(0), 3);
    EXPECT_EQ(s->chargeB, 0);
    // A hurt player does nothing.
    lift();
    s->player->releaseHold();
    s->player->hurt = true;
    s->player->play(1);
    s->chargeB = 2000;
    dragFrame(s, button, button);
    EXPECT_EQ(s->player->getLayerAnimation(0), 1);
    EXPECT_EQ(s->chargeB, 2040);
}

// --- the long-goal pad ---------------------------------------------------------

TEST_F(ControlsTest, ADashStartsOnlyWithMoreThanASecondInReserve) {
    for (auto [reserve, dashes] : {std::pair{1001 - 40, true}, std::pair{1000 - 40, false}}) {
        SCOPED_TRACE(reserve);
        VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
        // The gauge charges by the frame time before the pad reads it.
        s->chargeA = reserve;
        const Point c = padCentre(s);
        dragFrame(s, c, {c.x, c.y + 5});
        EXPECT_EQ(s->player->getState() == InGameObject::STATE_DASH, dashes);
        EXPECT_EQ(s->scrollDelta, s->scrollSpeed - (dashes ? 2 : 1) * s->boostStep);
        if (dashes) EXPECT_EQ(s->chargeA, 1001 - 80);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, ADashEndsWhenItsReserveRunsOut) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->player->enterState5();
    s->chargeA = 40;  // 80 after the charge; the dash takes 80
    frame(s);
    EXPECT_EQ(s->chargeA, 0);
    EXPECT_EQ(s->player->getState(), InGameObject::STATE_RECOVERED);
    EXPECT_EQ(s->player->getLayerAnimation(0), 0);
    // Its last frame still fell at the dash's speed.
    EXPECT_EQ(s->scrollDelta, s->scrollSpeed - 2 * s->boostStep);
}

TEST_F(ControlsTest, SteeringUpWhileDashingFallsAtTheDashLessTheBoost) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->player->enterState5();
    s->chargeA = 3000;
    const Point c = padCentre(s);
    dragFrame(s, c, {c.x, c.y - 5});
    EXPECT_EQ(s->scrollDelta, s->scrollSpeed - s->boostStep);
    EXPECT_EQ(s->player->getState(), InGameObject::STATE_DASH);
}

TEST_F(ControlsTest, TheSpecialButtonSpendsASecondOfTheGauge) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    const Point button = boxCentre(s, 7, 5);
    s->chargeB = 1000 - 40;
    dragFrame(s, button, button);
    EXPECT_EQ(s->player->getState(), InGameObject::STATE_IDLE);
    EXPECT_EQ(s->chargeB, 1000);
    s->chargeB = 1500 - 40;
    dragFrame(s, button, button);
    EXPECT_EQ(s->player->getState(), InGameObject::STATE_ATTACK);
    EXPECT_EQ(s->chargeB, 500);
}

TEST_F(ControlsTest, APauseTouchWhileDraggingOnThePadSteersThenPauses) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    const jint x = s->player->getLayerX(0);
    const Point c = padCentre(s);
    const Point pause = boxCentre(s, 2, 6);
    ASSERT_GT(pause.x, c.x);
    dragFrame(s, c, pause);
    EXPECT_EQ(s->player->getLayerX(0), x + 5);
    EXPECT_TRUE(s->modal);
    EXPECT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
}

// --- gauges ----------------------------------------------------------------------

TEST_F(ControlsTest, GaugesChargeByTheFrameAndShowSixteenSteps) {
    struct Case {
        jint shortGoal;
        jint before;  // both gauges, before the frame's 40 ms
        bool holding;
        jint charged;
        jint meter4;  // -1: not looked at
        jint meter6;
    };
    const Case cases[] = {
        {0, 2959, false, 2999, 38, 38}, {0, 2960, false, 3000, 39, 39},
        {0, 2990, false, 3000, 39, 39}, {1, 2959, false, 2999, -1, 22},
        {1, 2960, false, 3000, -1, 23}, {1, 2000, true, 2000, -1, 8},
        {0, 0, false, 40, 24, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shortGoal << " " << c.before << " " << c.holding);
        VMPtr<InGameScene> s = loadHeat({0, c.shortGoal, 0, 0, 0, 0});
        s->chargeA = s->chargeB = c.before;
        if (c.holding) s->player->hold(1);
        s->chargeGauges();
        EXPECT_EQ(s->chargeA, c.charged);
        EXPECT_EQ(s->chargeB, c.charged);
        if (c.meter4 >= 0) EXPECT_EQ(s->hud->getLayerAnimation(4), c.meter4);
        EXPECT_EQ(s->hud->getLayerAnimation(6), c.meter6);
        ui::ResManager::clear();
    }
}

TEST_F(ControlsTest, OneLongFrameFillsBothGauges) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->frameTime = 5000;
    s->chargeGauges();
    EXPECT_EQ(s->chargeA, 3000);
    EXPECT_EQ(s->chargeB, 3000);
}

// --- field and bars --------------------------------------------------------------

TEST_F(ControlsTest, TheFieldCountsTheDistanceAndDrawsBothBars) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->goalCount = 800;
    s->scrollDelta = -4;
    const jint y1 = s->screen->getLayerY(1), y2 = s->screen->getLayerY(2);
    s->advanceField();
    EXPECT_EQ(s->goalCount, 804);
    EXPECT_EQ(s->screen->getLayerY(1), y1 - 4);
    EXPECT_EQ(s->screen->getLayerY(2), y2 - 4);
    EXPECT_EQ(s->screen->getLayerY(0), 0);
    EXPECT_EQ(s->hud->fillRects[0][3], 804 * s->barRectA[3] / 1600);
    EXPECT_EQ(s->hud->fillRects[1][3], 804 * s->barRectB[3] / 1600);
    EXPECT_EQ(s->hud->fillRects[0][0], s->barRectA[0]);
    EXPECT_EQ(s->hud->fillColors[0], 0xA20D0E);
    EXPECT_EQ(s->hud->fillColors[1], 0x610537);
    EXPECT_EQ(s->hud->getLayerY(1), s->barRectB[1] + s->hud->fillRects[1][3]);
    // Standing still adds nothing; a rise takes some back.
    s->scrollDelta = 0;
    s->advanceField();
    EXPECT_EQ(s->goalCount, 804);
    s->scrollDelta = 2;
    s->advanceField();
    EXPECT_EQ(s->goalCount, 802);
    // The lane is left in rect.
    EXPECT_EQ(s->rect[0], kLaneX);
    EXPECT_EQ(s->rect[2], kLaneWidth);
    // A short goal's count is the rules' only.
    VMPtr<InGameScene> hunt = loadHeat({0, 1, 0, 0, 0, 0});
    hunt->scrollDelta = -4;
    hunt->advanceField();
    EXPECT_EQ(hunt->goalCount, 0);
}

TEST_F(ControlsTest, TheGoalWinsInItsFrameUnlessThePlayerIsDefeated) {
    VMPtr<InGameScene> s = loadHeat({0, 0, 0, 0, 0, 0});
    s->goalCount = 1596;
    s->scrollDelta = -4;
    s->player->startAttack();
    s->advanceField();
    EXPECT_EQ(s->playMode, InGameScene::MODE_WON);
    EXPECT_EQ(s->hud->fillRects[0][3], s->barRectA[3]);
    EXPECT_EQ(s->player->getLayerAnimation(0), 0);

    VMPtr<InGameScene> lost = loadHeat({0, 0, 0, 0, 0, 0});
    lost->player->hitPoints = 1;
    lost->player->takeHit(1);
    lost->goalCount = 1596;
    lost->scrollDelta = -30;
    lost->advanceField();
    EXPECT_EQ(lost->playMode, InGameScene::MODE_PLAY);
    EXPECT_EQ(lost->goalCount, 1626);
    EXPECT_GT(lost->hud->fillRects[0][3], lost->barRectA[3]);
}

}  // namespace
}  // namespace wrentest::playfield

namespace wrentest::playfield {
namespace {

// --- what is painted ------------------------------------------------------------

TEST_F(ControlsTest, ObjectsAreDrawnOverTheirMarkersAndTheFieldAndUnderTheHud) {
    VMPtr<InGameScene> s = loadHeat({0, 1, 0, 0, 0, 0});
    frame(s);
    auto paintPixel = [&](jint x, jint y) {
        VMPtr<javax::microedition::lcdui::Image> img = blankImage();
        s->paint(img->getGraphics());
        return pixel(img, x, y);
    };
    const uint32_t field = 0xFF60A040;    // the fixture's background tile
    const uint32_t monster = 0xFF00C878;  // its monsters' first image group
    EXPECT_EQ(paintPixel(160, 60), field);
    const Point button = boxCentre(s, 7, 5);
    const uint32_t buttonAlone = paintPixel(button.x, button.y);

    // A monster in the open: its picture covers its marker at its centre.
    VMPtr<InGameObject> m = s->monsters[0];
    m->setLayerPosition(0, 150, 50);
    lift();
    frame(s);
    EXPECT_EQ(s->markerScreen->getLayerX(0), m->getLayerX(0) + 16);
    EXPECT_EQ(paintPixel(m->getLayerX(0) + 16, m->getLayerY(0) + 16), monster);
    EXPECT_EQ(paintPixel(m->getLayerX(0) + 2, m->getLayerY(0) + 2), monster);
    // Under the action button: the HUD stays on top.
    VMPtr<InGameObject> under = s->monsters[1];
    under->setLayerPosition(0, button.x - 16, button.y - 16);
    EXPECT_EQ(paintPixel(button.x, button.y), buttonAlone);
}

}  // namespace
}  // namespace wrentest::playfield
