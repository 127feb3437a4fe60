// The game probe: a MIDlet that starts a framework game canvas as the game's
// own MIDlet does, and a canvas that runs on the framework's game thread and
// reports what the game sees on standard output: its system events, each key
// when it is released (with the presses it took), each touch from press to
// release in game-area coordinates, and at the end whether every frame took
// exactly the frame time. Everything is printed from the game thread, so the
// order of the lines does not depend on the UI thread's timing; the frame
// count goes on "frame:" lines. The canvas letterboxes a 176 by 208 game
// area filled with 0x3366CC and puts a capture region for FIRE on its
// bottom-left quarter. The End key (code -11, virtual key 26) exits; the
// '0' key (virtual key 16) makes the update throw.
#include <string>

#include "VMClass.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_System.h"
#include "javax_microedition_lcdui_Display.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_WrenCanvas.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_input_PointerInputKeyRegion.h"

namespace wrentest::e2e {

void say(const std::string& line);

using javax::microedition::lcdui::Display;
using javax::microedition::lcdui::Graphics;
using javax::microedition::midlet::MIDlet;
using wren::input::PointerInputEventManager;

constexpr jint kFrameTime = 40;
constexpr jint kEndKey = 26;
constexpr jint kFireKey = 8;
constexpr jint kFailKey = 16;

class GameProbeCanvas : public wren::WrenCanvas {
    WREN_CLASS(GameProbeCanvas, wren::WrenCanvas)
public:
    jint frames = 0;
    jint irregularFrames = 0;
    jlong lastUpdateAt = 0;
    jboolean timingRestarts = false;
    jint touchX = 0;
    jint touchY = 0;
    // Presses of each virtual key since its last release.
    jint presses[64] = {};

    void ctor(const VMPtr<MIDlet>& owner) { WrenCanvas::ctor(owner); }

    void onEvent(jint code) override {
        say("onEvent " + std::to_string(code));
        if (code == EVENT_STARTED) {
            setDesiredFrameTime(kFrameTime);
            setGameAreaSize(176, 208);
            PointerInputEventManager::setEnabled(true);
            wren::input::PointerInputKeyManager::addRegion(
                wren::input::PointerInputKeyRegion::create(kFireKey, 0, 104, 88, 104));
        }
        // The next frame starts the timer afresh.
        timingRestarts = true;
        WrenCanvas::onEvent(code);
    }

    void update() override {
        // The queue first: a touch's release reaches it after the release of
        // the key it held, so that key's release is in the snapshot below.
        std::string touches;
        while (PointerInputEventManager::nextEvent()) {
            jint x = PointerInputEventManager::getEventX();
            jint y = PointerInputEventManager::getEventY();
            jint kind = PointerInputEventManager::getEventKind();
            if (kind == PointerInputEventManager::PRESSED) {
                touchX = x;
                touchY = y;
            } else if (kind == PointerInputEventManager::RELEASED) {
                touches += "touch " + std::to_string(touchX) + "," + std::to_string(touchY) +
                           " -> " + std::to_string(x) + "," + std::to_string(y) + "\n";
            }
        }
        updateKeys();
        ++frames;
        say("frame: count " + std::to_string(frames));
        jlong now = java::lang::System::currentTimeMillis();
        if (!timingRestarts && (now - lastUpdateAt != kFrameTime || getFrameTime() != kFrameTime))
            ++irregularFrames;
        timingRestarts = false;
        lastUpdateAt = now;

        for (jint key = 1; key < 64; ++key) {
            presses[key] += getKeyPressCount(key);
            if (!isKeyReleased(key)) continue;
            say("key " + std::to_string(key) + ": " + std::to_string(presses[key]) +
                (presses[key] == 1 ? " press" : " presses") + ", released");
            presses[key] = 0;
        }
        for (size_t start = 0, end; (end = touches.find('\n', start)) != std::string::npos;
             start = end + 1)
            say(touches.substr(start, end - start));
        if (isKeyPressed(kFailKey))
            java::lang::IllegalStateException::throwNew(WREN_LIT("the probe's update failed"));
        if (isKeyPressed(kEndKey)) {
            say("key " + std::to_string(kEndKey) + " pressed: exit");
            say(irregularFrames == 0
                    ? "frame times: " + std::to_string(kFrameTime) + " ms each"
                    : "frame times: " + std::to_string(irregularFrames) + " frames off");
            interrupt(EVENT_EXIT);
        }
    }

    void paintGame(const VMPtr<Graphics>& g) override {
        g->setColor(0x3366CC);
        g->fillRect(0, 0, getGameAreaWidth(), getGameAreaHeight());
    }
};

// As the game's MIDlet: the first start makes the canvas and shows it; later
// starts and pauses become the canvas's resume and pause requests; destroy
// is its exit.
class GameProbeMIDlet : public MIDlet {
    WREN_CLASS(GameProbeMIDlet, MIDlet, (canvas, GameProbeCanvas))
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {
        if (canvas) {
            canvas->showNotify();
            return;
        }
        canvas = GameProbeCanvas::make(VMPtr<MIDlet>(this));
        Display::getDisplay(this)->setCurrent(canvas);
    }
    void pauseApp() override { canvas->hideNotify(); }
    void destroyApp(jboolean) override { canvas->interrupt(wren::WrenCanvas::EVENT_EXIT); }
};

}  // namespace wrentest::e2e

WREN_DEFINE_CLASS(wrentest::e2e::GameProbeCanvas, "wrentest.e2e.GameProbeCanvas")
WREN_DEFINE_CLASS(wrentest::e2e::GameProbeMIDlet, "wrentest.e2e.GameProbeMIDlet")
