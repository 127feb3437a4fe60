// Scripted stylus events through the canvas's pointer callbacks, the touch
// key manager and the pointer event queue together, on a letterboxed game
// area: what each frame's key snapshot and event queue hold. And a pause in
// the middle of a touch.
#include <sstream>

#include "framework_test_support.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_input_PointerInputKeyRegion.h"
#include "wren_input_PointerInputKeyRegion_WRC_Type.h"

namespace wrentest::framework {
namespace {

using Events = wren::input::PointerInputEventManager;
using Keys = wren::input::PointerInputKeyManager;
using Region = wren::input::PointerInputKeyRegion;
using Type = wren::input::PointerInputKeyRegion_WRC_Type;
using Lines = std::vector<std::string>;

// The snapshot of a key as "key K: count [held] [released]", or "" when idle.
std::string keyLine(wren::WrenCanvas& c, jint key) {
    if (c.getSnapshotState(key) == 0) return "";
    std::string s = "key " + std::to_string(key) + ": " + std::to_string(c.getKeyPressCount(key));
    if (c.isKeyHeld(key)) s += " held";
    if (c.isKeyReleased(key)) s += " released";
    return s;
}

std::string eventLine() {
    const char* names[] = {"?", "press", "drag", "release"};
    jint kind = Events::getEventKind();
    return std::string(kind >= 1 && kind <= 3 ? names[kind] : names[0]) + " " +
           std::to_string(Events::getEventX()) + "," + std::to_string(Events::getEventY());
}

class StylusScriptTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        // The game's start: touch input set up, then a 176 by 208 area, at
        // (32, 56) on the 240 by 320 screen.
        canvas->initTouchInput();
        canvas->setGameAreaSize(176, 208);
        Events::setEnabled(true);
        up = add(Type::BUTTON, 1, 0, 0, 176, 40);
        fire = add(Type::CAPTURE, 8, 0, 168, 88, 40);
        own = add(Type::BUTTON, Region::OWN_STATE, 88, 168, 88, 40);
    }
    VMPtr<Region> add(jbyte type, jbyte key, jint x, jint y, jint w, jint h) {
        VMPtr<Region> r = Region::make(type, key);
        r->x = x;
        r->y = y;
        r->width = w;
        r->height = h;
        Keys::addRegion(r);
        return r;
    }
    // Runs "press X Y", "drag X Y", "release X Y" (screen coordinates) and
    // "frame" steps; each frame takes the key snapshot and the queued events
    // as the game would, and writes them down.
    Lines run(const Lines& script) {
        Lines seen;
        int frame = 0;
        for (const std::string& step : script) {
            std::istringstream in(step);
            std::string what;
            jint x = 0, y = 0;
            in >> what >> x >> y;
            if (what == "press") canvas->callPointerPressed(x, y);
            if (what == "drag") canvas->callPointerDragged(x, y);
            if (what == "release") canvas->callPointerReleased(x, y);
            if (what != "frame") continue;
            ++frame;
            canvas->updateKeys();
            std::string prefix = "frame " + std::to_string(frame) + " ";
            for (jint key : {1, 8})
                if (std::string k = keyLine(*canvas, key); !k.empty()) seen.push_back(prefix + k);
            if (own->isPressed() || own->isHeld() || own->isReleased())
                seen.push_back(prefix + "own: " + std::to_string(own->getPressCount()) +
                               (own->isHeld() ? " held" : "") +
                               (own->isReleased() ? " released" : ""));
            while (Events::nextEvent()) seen.push_back(prefix + eventLine());
        }
        return seen;
    }
    VMPtr<Region> region(int i) { return i == 0 ? up : i == 1 ? fire : own; }

    VMNativePtr<Region> up;
    VMNativePtr<Region> fire;
    VMNativePtr<Region> own;
};

TEST_F(StylusScriptTest, KeysAndEventsFrameByFrame) {
    Lines seen = run({
        // Down on the up button, then off it.
        "press 100 70", "drag 100 150", "frame",
        // Sliding onto the fire region presses nothing: it captures presses.
        "drag 60 240", "release 60 240", "frame",
        // Fire, then off the game area: the key stays down; the queue
        // releases the touch at the area's edge and drops the rest.
        "press 60 240", "drag 10 10", "drag 5 5", "frame",
        "release 5 5", "frame",
        // A tap on the region with its own state.
        "press 150 240", "release 150 240", "frame",
        // Outside the game area: nothing at all.
        "press 10 300", "release 10 300", "frame",
    });
    EXPECT_EQ(seen, (Lines{
                        "frame 1 key 1: 1 held released",
                        "frame 1 press 68,14",
                        "frame 1 drag 68,94",
                        "frame 2 drag 28,184",
                        "frame 2 release 28,184",
                        "frame 3 key 8: 1 held",
                        "frame 3 press 28,184",
                        "frame 3 release 0,0",
                        "frame 4 key 8: 0 released",
                        "frame 5 own: 1 released",
                        "frame 5 press 118,184",
                        "frame 5 release 118,184",
                    }));
}

// A pause cuts a touch short: the game gets its release, input is ignored
// until the resume, and the key it held is released.
class StylusPauseTest : public RunningCanvasTest {};

TEST_F(StylusPauseTest, APauseReleasesTheTouchAndIgnoresInputUntilTheResume) {
    show();
    advance(50);
    ASSERT_EQ(canvas->eventCodes(), std::vector<jint>{0});
    Events::setEnabled(true);
    VMPtr<Region> fire = Region::create(8, 0, 0, 100, 100);
    Keys::addRegion(fire);
    canvas->callPointerPressed(10, 10);
    canvas->callPointerDragged(20, 20);

    hide();
    // Delivery stops at once; the pause itself comes with the next pass.
    EXPECT_FALSE(Events::nextEvent());
    advance(10);
    ASSERT_EQ(canvas->eventCodes(), (std::vector<jint>{0, 1}));
    canvas->callPointerDragged(30, 30);  // ignored while paused
    Lines events;
    while (Events::nextEvent()) events.push_back(eventLine());
    EXPECT_EQ(events, (Lines{"press 10,10", "drag 20,20", "release 20,20"}));
    // The reset of the pause released the captured key.
    EXPECT_EQ(canvas->keyCalls, (Lines{"press 8", "release 8"}));

    show();
    for (int i = 0; i < 10 && canvas->events.size() < 4; ++i) advance(250);
    ASSERT_EQ(canvas->eventCodes(), (std::vector<jint>{0, 1, 2, 5}));
    canvas->callPointerPressed(40, 40);
    ASSERT_TRUE(Events::nextEvent());
    EXPECT_EQ(eventLine(), "press 40,40");
}

}  // namespace
}  // namespace wrentest::framework
