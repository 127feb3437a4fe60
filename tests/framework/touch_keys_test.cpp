// Touch key regions and their manager: which stylus moves press and release
// a region's key on the canvas, keys shared by regions, regions with a key
// state of their own, the registry, a reset, slider steps, and a region's
// outline.
#include <sstream>

#include "framework_test_support.h"
#include "javax_microedition_lcdui_Image.h"
#include "midp/graphics_test_support.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_input_PointerInputKeyRegion.h"
#include "wren_input_PointerInputKeyRegion_WRC_Direction.h"
#include "wren_input_PointerInputKeyRegion_WRC_Type.h"

namespace wrentest::framework {
namespace {

using Manager = wren::input::PointerInputKeyManager;
using Region = wren::input::PointerInputKeyRegion;
using Type = wren::input::PointerInputKeyRegion_WRC_Type;
using Direction = wren::input::PointerInputKeyRegion_WRC_Direction;
using Lines = std::vector<std::string>;

class TouchKeysTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        Manager::init();
    }
    VMPtr<Region> region(jbyte type, jbyte key, jint x, jint y, jint w, jint h) {
        VMPtr<Region> r = Region::make(type, key);
        r->x = x;
        r->y = y;
        r->width = w;
        r->height = h;
        EXPECT_TRUE(Manager::addRegion(r));
        return r;
    }
    // Stylus events in screen coordinates, as the canvas hands them on.
    void press(jint x, jint y) { Manager::onPointer(0, x, y, true, true); }
    void drag(jint x, jint y) { Manager::onPointer(0, x, y, true, false); }
    void lift(jint x, jint y) { Manager::onPointer(0, x, y, false, true); }
    Lines calls() {
        Lines c = canvas->keyCalls;
        canvas->keyCalls.clear();
        return c;
    }
};

// One region of each kind, (0, 0) to (49, 49), key 5; touches scripted as
// p(ress), d(rag) and l(ift) at a point inside (i), outside (o) or in a
// second region of the same kind with another key (x, key 6).
TEST_F(TouchKeysTest, CaptureAndButtonRegionsPressAndReleaseTheirKeys) {
    struct Case {
        const char* touch;
        Lines capture;
        Lines button;
    };
    const Case cases[] = {
        {"pi li", {"press 5", "release 5"}, {"press 5", "release 5"}},
        {"pi di di li", {"press 5", "release 5"}, {"press 5", "release 5"}},
        {"po di li", {}, {"press 5", "release 5"}},
        {"pi do lo", {"press 5", "release 5"}, {"press 5", "release 5"}},
        {"pi do di lo", {"press 5", "release 5"}, {"press 5", "release 5", "press 5", "release 5"}},
        {"pi dx lx", {"press 5", "release 5"}, {"press 5", "release 5", "press 6", "release 6"}},
        {"po do lo", {}, {}},
    };
    for (jbyte type : {Type::CAPTURE, Type::BUTTON}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(type == Type::CAPTURE ? "capture: " : "button: ") + c.touch);
            Manager::removeRegions(0);
            region(type, 5, 0, 0, 50, 50);
            region(type, 6, 50, 0, 50, 50);
            calls();
            std::istringstream steps(c.touch);
            for (std::string s; steps >> s;) {
                jint x = s[1] == 'i' ? 25 : s[1] == 'x' ? 75 : 150;
                if (s[0] == 'p') press(x, 25);
                if (s[0] == 'd') drag(x, 25);
                if (s[0] == 'l') lift(x, 25);
            }
            EXPECT_EQ(calls(), type == Type::CAPTURE ? c.capture : c.button);
            EXPECT_EQ(Manager::S().keyStateCount, 0);
        }
    }
}

TEST_F(TouchKeysTest, LeftAndTopEdgesAreInsideRightAndBottomOnesOutside) {
    VMPtr<Region> r = Region::create(7, 10, 20, 30, 40);
    EXPECT_EQ(r->type, Type::CAPTURE);
    EXPECT_TRUE(r->enabled);
    EXPECT_TRUE(r->contains(10, 20));
    EXPECT_TRUE(r->contains(39, 59));
    EXPECT_FALSE(r->contains(40, 20));
    EXPECT_FALSE(r->contains(10, 60));
    EXPECT_FALSE(r->contains(9, 20));
    r->width = 0;
    EXPECT_FALSE(r->contains(10, 20));
}

// The regions lie in game-area coordinates: the stylus's screen position is
// moved by the area's corner.
TEST_F(TouchKeysTest, RegionsFollowTheGameArea) {
    canvas->setGameAreaSize(176, 208);  // at (32, 56)
    region(Type::BUTTON, 5, 0, 0, 10, 10);
    press(5, 5);  // outside the area
    lift(5, 5);
    EXPECT_EQ(calls(), Lines{});
    press(32, 56);
    lift(32, 56);
    EXPECT_EQ(calls(), (Lines{"press 5", "release 5"}));
}

// Press inside a capture region, drag off the game area, release: one press
// and one release, and the canvas sees the key as pressed and released.
TEST_F(TouchKeysTest, ACapturedKeyStaysDownOffTheArea) {
    region(Type::CAPTURE, 8, 0, 0, 50, 50);
    press(10, 10);
    drag(-30, 500);
    drag(-40, 600);
    lift(-40, 600);
    EXPECT_EQ(calls(), (Lines{"press 8", "release 8"}));
    canvas->updateKeys();
    EXPECT_TRUE(canvas->isKeyPressed(8));
    EXPECT_TRUE(canvas->isKeyReleased(8));
}

// Regions that share a key share one state: the key goes down once while
// any of them holds it.
TEST_F(TouchKeysTest, ButtonsWithOneKeyShareItsState) {
    region(Type::BUTTON, -5, 0, 0, 50, 50);
    region(Type::BUTTON, -5, 50, 0, 50, 50);
    press(25, 25);
    drag(60, 25);
    drag(90, 25);
    lift(90, 25);
    EXPECT_EQ(calls(), (Lines{"press -5", "release -5"}));
    canvas->updateKeys();
    EXPECT_EQ(canvas->getKeyPressCount(-5), 1);
}

TEST_F(TouchKeysTest, ADisabledRegionIsSkipped) {
    VMPtr<Region> r = region(Type::BUTTON, 5, 0, 0, 50, 50);
    r->enabled = false;
    press(25, 25);
    lift(25, 25);
    EXPECT_EQ(calls(), Lines{});
}

// A reset releases what is down; the capture is gone, so the rest of that
// touch presses nothing.
TEST_F(TouchKeysTest, AResetReleasesTheKeysAndForgetsCaptures) {
    region(Type::CAPTURE, 5, 0, 0, 50, 50);
    press(25, 25);
    canvas->resetKeys();
    EXPECT_EQ(calls(), (Lines{"press 5", "release 5"}));
    drag(30, 30);
    lift(30, 30);
    EXPECT_EQ(calls(), Lines{});
}

TEST_F(TouchKeysTest, TheRegistry) {
    VMPtr<Region> a = region(Type::CAPTURE, 5, 0, 0, 50, 50);
    VMPtr<Region> b = region(Type::BUTTON, 5, 50, 0, 50, 50);
    VMPtr<Region> c = region(Type::BUTTON, 9, 100, 0, 50, 50);
    EXPECT_FALSE(Manager::addRegion(nullptr));
    press(25, 25);
    // Registered twice: refused, and its capture is kept.
    EXPECT_FALSE(Manager::addRegion(a));
    EXPECT_TRUE(a->captured[0]);
    lift(25, 25);
    EXPECT_EQ(Manager::getRegionCount(0), 3);
    EXPECT_EQ(Manager::getRegionCount(5), 2);
    EXPECT_EQ(Manager::getRegionCount(7), 0);
    VMPtr<VMArray<Region*>> out = VMArray<Region*>::create(1);
    EXPECT_EQ(Manager::getRegions(out, 0), 1);  // as many as fit
    EXPECT_TRUE(out[0] == a);
    EXPECT_EQ(Manager::getRegions(nullptr, 0), 0);
    // Codes outside the key numbering remove nothing.
    EXPECT_EQ(Manager::removeRegions(64), 0);
    EXPECT_EQ(Manager::removeRegions(-65), 0);
    EXPECT_EQ(Manager::getRegionCount(0), 3);
    EXPECT_EQ(Manager::removeRegions(5), 2);
    EXPECT_TRUE(a->captured == nullptr);
    EXPECT_TRUE(Manager::removeRegion(c));
    EXPECT_FALSE(Manager::removeRegion(c));
    EXPECT_TRUE(Manager::addRegion(c));
    // Code 0 drops the registry and answers 0.
    EXPECT_EQ(Manager::removeRegions(0), 0);
    EXPECT_EQ(Manager::getRegionCount(0), 0);
    EXPECT_FALSE(Manager::removeRegion(c));
    (void)b;
}

// Key code 127: the region keeps the key state itself and answers for it
// from its per-frame snapshot.
TEST_F(TouchKeysTest, ARegionWithAStateOfItsOwn) {
    VMPtr<Region> own = region(Type::BUTTON, Region::OWN_STATE, 0, 0, 50, 50);
    auto snapshot = [&] {
        Manager::updateRegions();
        return std::to_string(own->getPressCount()) + (own->isPressed() ? " pressed" : "") +
               (own->isHeld() ? " held" : "") + (own->isReleased() ? " released" : "");
    };
    press(10, 10);
    lift(10, 10);
    EXPECT_EQ(calls(), Lines{});  // no canvas key
    EXPECT_EQ(snapshot(), "1 pressed released");
    EXPECT_EQ(snapshot(), "0");
    press(10, 10);
    EXPECT_EQ(snapshot(), "1 pressed held");
    drag(20, 20);
    EXPECT_EQ(snapshot(), "0 held");
    // Sliding off releases it on that event.
    drag(80, 20);
    EXPECT_EQ(snapshot(), "0 released");
    drag(20, 20);  // and sliding back presses it again
    lift(20, 20);
    EXPECT_EQ(snapshot(), "1 pressed released");
    // Off it on the very event after the press: released on that event too.
    press(10, 10);
    drag(80, 20);
    EXPECT_EQ(snapshot(), "1 pressed released");
    lift(80, 20);
    EXPECT_EQ(snapshot(), "0");
    for (int i = 0; i < 200; ++i) {
        press(10, 10);
        lift(10, 10);
    }
    EXPECT_EQ(snapshot(), "127 pressed released");
    // A reset while it is held turns it into a release.
    press(10, 10);
    canvas->resetKeys();
    EXPECT_EQ(snapshot(), "0 released");
}

TEST_F(TouchKeysTest, RegionsOfOtherKeysAnswerFromTheCanvasSnapshot) {
    VMPtr<Region> a = region(Type::BUTTON, 21, 0, 0, 50, 50);
    VMPtr<Region> b = region(Type::BUTTON, 21, 200, 0, 10, 10);
    press(10, 10);
    canvas->updateKeys();
    for (const VMPtr<Region>& r : {a, b}) {
        EXPECT_TRUE(r->isPressed());
        EXPECT_TRUE(r->isHeld());
        EXPECT_FALSE(r->isReleased());
        EXPECT_EQ(r->getPressCount(), 1);
    }
    canvas->callKeyReleased('5');  // the same key, from the keypad
    canvas->updateKeys();
    EXPECT_TRUE(b->isReleased());
}

// A slider with 10 steps over 100 px, dragged down in quarters, 20 ms
// apart: the fraction carried in 1/1024 steps makes 10 taps in all.
TEST_F(TouchKeysTest, SliderStepsCarryTheirFraction) {
    VMPtr<Region> r = Region::make(Type::SLIDER, 5);
    r->direction = Direction::DOWN;
    r->stepCount = 10;
    r->height = 100;
    r->width = 20;
    clock->now += 1000;  // created long before
    struct Step {
        jint position, taps, remainder;
    };
    const Step steps[] = {{0, 0, 0}, {25, 2, 512}, {50, 3, 102}, {75, 2, 614}, {100, 3, 102}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.position);
        EXPECT_EQ(Manager::countSteps(s.position, 100, r, Direction::UP), s.taps);
        EXPECT_EQ(r->stepRemainder, s.remainder);
        clock->now += 20;
    }
    // Toward the reference direction the fraction is kept negated; a step
    // back starts it again.
    r->direction = Direction::UP;
    EXPECT_EQ(Manager::countSteps(75, 100, r, Direction::UP), 2);
    EXPECT_EQ(r->stepRemainder, -614);
    clock->now += 20;
    EXPECT_EQ(Manager::countSteps(90, 100, r, Direction::UP), 0);
    EXPECT_EQ(r->stepRemainder, 0);

    // The same drag with 60 ms between events counts nothing.
    r->direction = Direction::DOWN;
    for (jint position : {0, 25, 50, 75, 100}) {
        clock->now += 60;
        EXPECT_EQ(Manager::countSteps(position, 100, r, Direction::UP), 0);
    }
}

// Through the stylus: the taps reach the canvas as presses and releases,
// and a release anywhere ends the gesture.
TEST_F(TouchKeysTest, ASliderRegionTapsItsKey) {
    VMPtr<Region> r = region(Type::SLIDER, 5, 0, 0, 20, 100);
    r->direction = Direction::DOWN;
    r->stepCount = 10;
    clock->now += 1000;
    for (jint y : {0, 25, 50, 75}) {
        if (y == 0)
            press(10, y);
        else
            drag(10, y);
        clock->now += 20;
    }
    lift(10, 200);
    EXPECT_EQ(r->lastPosition, -1);
    canvas->updateKeys();
    EXPECT_EQ(canvas->getKeyPressCount(5), 7);
    EXPECT_TRUE(canvas->isKeyReleased(5));
    EXPECT_EQ(calls().size(), 14u);
}

// A slider without length would divide by zero: Java's exception, not a
// fault.
TEST_F(TouchKeysTest, ASliderWithoutLengthThrows) {
    VMPtr<Region> r = Region::make(Type::SLIDER, 5);
    r->stepCount = 4;
    r->lastPosition = 0;
    r->lastMoveTime = clock->now;
    EXPECT_EQ(wrentest::thrownName([&] { Manager::countSteps(10, 0, r, Direction::LEFT); }),
              "java.lang.ArithmeticException");
}

// The outline lands on the region's screen place whatever the translation.
TEST_F(TouchKeysTest, ARegionPaintsItsOutlineAtItsScreenPlace) {
    canvas->setGameAreaSize(176, 208);  // at (32, 56)
    VMPtr<Region> r = Region::create(5, 10, 20, 30, 40);
    for (jint translate : {0, 32, -7}) {
        SCOPED_TRACE(translate);
        VMPtr<javax::microedition::lcdui::Image> screen = gfxtest::blank(240, 320);
        VMPtr<javax::microedition::lcdui::Graphics> g = screen->getGraphics();
        g->translate(translate, translate);
        g->setColor(0);
        r->paint(g);
        std::vector<std::string> p = gfxtest::picture(screen);
        EXPECT_EQ(p[76][42], '#');   // top-left corner: (10 + 32, 20 + 56)
        EXPECT_EQ(p[116][72], '#');  // bottom-right: 30 and 40 further
        EXPECT_EQ(p[77][43], '.');   // inside: only the outline
        EXPECT_EQ(p[75][42], '.');
    }
}

}  // namespace
}  // namespace wrentest::framework
