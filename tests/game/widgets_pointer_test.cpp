// The touch helper and the virtual d-pad, driven by stylus events through
// the canvas's callbacks, the touch key manager and the pointer event queue:
// which rectangle a point hits, a tap seen for exactly one frame, drags, the
// d-pad's regions pressing the canvas's keys, and the shared state.
#include "ui_Pointer.h"
#include "widgets_test_support.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

namespace wrentest::widgets {
namespace {

using Keys = wren::input::PointerInputKeyManager;
using Events = wren::input::PointerInputEventManager;
using Lines = std::vector<std::string>;

VMPtr<VMArray<jint>> rect(jint x, jint y, jint w, jint h) { return VMArray<jint>::of({x, y, w, h}); }

VMPtr<VMArray<jint, 2>> rects(std::initializer_list<std::array<jint, 4>> rows) {
    VMPtr<VMArray<jint, 2>> out = VMArray<jint, 2>::create(jint(rows.size()), 4);
    jint i = 0;
    for (const auto& r : rows) out[i++] = rect(r[0], r[1], r[2], r[3]);
    return out;
}

class PointerTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        ui::Pointer::Statics& s = ui::Pointer::S();
        s.regionBoxes = nullptr;
        s.areaBox = nullptr;
        s.keyRegions = nullptr;
        pointer = ui::Pointer::make();
    }
    // One game frame: the key snapshot, then the helper drains the queue.
    void frame() {
        canvas->updateKeys();
        pointer->update();
    }
    std::string state() {
        return "pressed " + std::to_string(pointer->getPressedRegion(0)) + " released " +
               std::to_string(pointer->getReleasedRegion(0)) + " at " +
               std::to_string(pointer->getX(0)) + "," + std::to_string(pointer->getY(0));
    }
    VMNativePtr<ui::Pointer> pointer;
};

TEST_F(PointerTest, HitTestTable) {
    EXPECT_EQ(pointer->hitTestRegions(0), -1);  // no regions yet
    struct Case {
        jint x, y;
        std::array<jint, 4> area;
        jint hit;
        bool inRect;  // in {0, 0, 10, 10}, all edges included
    };
    const Case cases[] = {
        {5, 5, {0, 0, 240, 320}, 0, true},  // in both: the first wins
        {0, 0, {0, 0, 240, 320}, 0, true},
        {9, 9, {0, 0, 240, 320}, 0, true},
        {10, 10, {0, 0, 240, 320}, 1, true},  // the first's right edge is outside it
        {14, 14, {0, 0, 240, 320}, 1, false},
        {15, 15, {0, 0, 240, 320}, -1, false},
        {10, 10, {0, 0, 12, 12}, 1, true},
        {12, 12, {0, 0, 12, 12}, -1, false},  // outside the area: nothing
        {3, 3, {4, 4, 100, 100}, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        pointer->setRegions(rects({{0, 0, 10, 10}, {5, 5, 10, 10}}),
                            rect(c.area[0], c.area[1], c.area[2], c.area[3]));
        press(c.x, c.y);
        frame();
        EXPECT_EQ(pointer->hitTestRegions(0), c.hit);
        EXPECT_EQ(pointer->getPressedRegion(0), c.hit);
        EXPECT_EQ(pointer->getReleasedRegion(0), -1);
        EXPECT_EQ(pointer->isInRect(rect(0, 0, 10, 10), 0), c.inRect);
        lift(c.x, c.y);
        frame();
        frame();
    }
    // A rectangle of no size still holds its own corner; a region of no
    // size holds nothing.
    pointer->setRegions(rects({{5, 5, 0, 0}}), rect(0, 0, 240, 320));
    press(5, 5);
    frame();
    EXPECT_TRUE(pointer->isInRect(rect(5, 5, 0, 0), 0));
    EXPECT_EQ(pointer->hitTestRegions(0), -1);
}

// Positions reach the helper in game-area coordinates.
TEST_F(PointerTest, PositionsAreInGameAreaCoordinates) {
    canvas->setGameAreaSize(176, 208);  // centred: at (32, 56)
    pointer->setRegions(rects({{0, 0, 10, 10}}), rect(0, 0, 176, 208));
    press(37, 61);
    frame();
    EXPECT_EQ(state(), "pressed 0 released -1 at 5,5");
}

TEST_F(PointerTest, ATapIsReportedForExactlyOneFrame) {
    pointer->setRegions(rects({{40, 40, 20, 20}, {130, 40, 20, 20}}), rect(0, 0, 240, 320));
    tap(50, 50);
    EXPECT_EQ(pointer->getPendingEventCount(), 2);
    frame();
    EXPECT_EQ(pointer->getPendingEventCount(), 0);
    EXPECT_EQ(state(), "pressed -1 released 0 at 50,50");
    frame();
    EXPECT_EQ(state(), "pressed -1 released -1 at 0,0");
    frame();
    EXPECT_EQ(state(), "pressed -1 released -1 at 0,0");

    // A touch over several frames: pressed while down, released on the
    // frame after the release only, where the pointer let go.
    press(50, 50);
    frame();
    EXPECT_EQ(state(), "pressed 0 released -1 at 50,50");
    drag(100, 60);
    drag(140, 50);
    frame();
    EXPECT_EQ(state(), "pressed 1 released -1 at 140,50");
    EXPECT_EQ(pointer->getDragX(0), 90);
    EXPECT_EQ(pointer->getDragY(0), 0);
    EXPECT_EQ(pointer->getLastX(0), 100);
    EXPECT_EQ(pointer->getStartX(0), 50);
    lift(140, 50);
    frame();
    EXPECT_EQ(state(), "pressed -1 released 1 at 140,50");
    EXPECT_EQ(pointer->getDragX(0), 90);  // kept for the frame that sees the release
    frame();
    EXPECT_EQ(state(), "pressed -1 released -1 at 0,0");
    EXPECT_EQ(pointer->getDragX(0), 0);

    // A release and a new press in one drain: down again, no release seen.
    tap(50, 50);
    press(145, 45);
    frame();
    EXPECT_EQ(state(), "pressed 1 released -1 at 145,45");
}

// Each direction's region presses its canvas key while the stylus is on it
// (up 1, down 6, left 2, right 5).
TEST_F(PointerTest, TheDpadPressesTheCanvasKeys) {
    pointer->addUpRegion(rect(0, 0, 40, 40));
    pointer->addDownRegion(rect(0, 40, 40, 40));
    pointer->addLeftRegion(rect(40, 0, 40, 40));
    pointer->addRightRegion(rect(40, 40, 40, 40));
    EXPECT_EQ(Keys::getRegionCount(0), 4);
    EXPECT_TRUE(ui::Pointer::S().keyRegions[0] == nullptr);  // only held while handed over
    tap(10, 10);
    tap(10, 50);
    tap(50, 10);
    tap(50, 50);
    EXPECT_EQ(keyCalls(), (Lines{"press 1", "release 1", "press 6", "release 6", "press 2",
                                 "release 2", "press 5", "release 5"}));
    press(10, 10);
    canvas->updateKeys();
    EXPECT_TRUE(canvas->isKeyPressed(1));
    lift(10, 10);
    keyCalls();

    // A rectangle without width or height adds and removes nothing.
    pointer->addUpRegion(rect(100, 100, 0, 40));
    pointer->addUpRegion(rect(100, 100, 40, 0));
    EXPECT_EQ(Keys::getRegionCount(1), 1);
    // Removal takes the rectangle exactly as it was added, and only its
    // direction's regions.
    pointer->addUpRegion(rect(100, 100, 40, 40));
    pointer->removeUpRegion(rect(0, 0, 40, 41));
    pointer->removeDownRegion(rect(0, 0, 40, 40));
    EXPECT_EQ(Keys::getRegionCount(0), 5);
    pointer->removeUpRegion(rect(0, 0, 40, 40));
    EXPECT_EQ(Keys::getRegionCount(1), 1);
    tap(10, 10);
    tap(110, 110);
    EXPECT_EQ(keyCalls(), (Lines{"press 1", "release 1"}));

    // A scene change drops every region, the d-pad's and any other.
    Keys::addRegion(wren::input::PointerInputKeyRegion::create(9, 200, 200, 10, 10));
    pointer->reset();
    EXPECT_EQ(Keys::getRegionCount(0), 0);
    EXPECT_TRUE(ui::Pointer::S().keyRegions == nullptr);
    tap(10, 10);
    EXPECT_EQ(keyCalls(), Lines{});
}

// Every helper is a handle on one stylus: making another (a new panel)
// starts it afresh, and turns the event queue on.
TEST_F(PointerTest, ANewHelperClearsTheSharedState) {
    press(30, 40);
    frame();
    ASSERT_EQ(pointer->getX(0), 30);
    Events::setEnabled(false);
    VMPtr<ui::Pointer> other = ui::Pointer::make();
    EXPECT_TRUE(Events::isEnabled());
    EXPECT_EQ(pointer->getX(0), 0);
    EXPECT_EQ(pointer->getStartY(0), 0);
    pointer->setRegions(rects({{0, 0, 240, 320}}), rect(0, 0, 240, 320));
    EXPECT_EQ(other->getPressedRegion(0), -1);
    other->setStartX(0, 7);
    EXPECT_EQ(pointer->getStartX(0), 7);
}

// A finished drag adds to the scroll values, kept so that the release point
// plus the scroll lies within the limits.
TEST_F(PointerTest, FinishedDragsScrollWithinTheLimits) {
    pointer->setDragLimits(200, 400, 0, -40);
    press(100, 100);
    drag(100, 150);
    lift(100, 150);
    frame();
    frame();  // the release is settled at the start of this one
    EXPECT_EQ(ui::Pointer::S().scrollY, 50);
    EXPECT_EQ(ui::Pointer::S().scrollX, 0);
    press(100, 100);
    drag(100, 250);
    lift(100, 250);
    frame();
    frame();
    EXPECT_EQ(ui::Pointer::S().scrollY, 150);  // 250 + 150 = 400 at most
    pointer->setDragLimits(200, 300, 0, 250);
    press(100, 10);
    drag(150, 20);
    lift(150, 20);
    frame();
    frame();
    EXPECT_EQ(ui::Pointer::S().scrollY, 230);  // 20 + 230 = 250 at least
    EXPECT_EQ(ui::Pointer::S().scrollX, 50);
    pointer->resetY();
    EXPECT_EQ(ui::Pointer::S().scrollY, 0);
    EXPECT_EQ(ui::Pointer::S().scrollX, 50);
}

}  // namespace
}  // namespace wrentest::widgets
