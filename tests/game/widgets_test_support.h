// What the widget suites share: a game canvas whose game thread is already
// stopped, which writes down every key it is told to press or release, and
// a fixture that drives it with stylus events in screen coordinates through
// the canvas's own pointer callbacks (the touch key manager and the pointer
// event queue), frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMClass.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_WrenCanvas.h"

namespace wrentest::widgets {

class WidgetMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(WidgetMIDlet, javax::microedition::midlet::MIDlet)
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {}
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

// A 240 by 320 screen; every pressKey and releaseKey as "press K",
// "release K".
class WidgetCanvas : public wren::WrenCanvas {
    WREN_CLASS(WidgetCanvas, wren::WrenCanvas)
public:
    std::vector<std::string> keyCalls;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
    jboolean isShown() override { return true; }
    jint getWidth() override { return 240; }
    jint getHeight() override { return 320; }
    void flushGraphics() override {}
    void pressKey(jint key) override {
        keyCalls.push_back("press " + std::to_string(key));
        WrenCanvas::pressKey(key);
    }
    void releaseKey(jint key) override {
        keyCalls.push_back("release " + std::to_string(key));
        WrenCanvas::releaseKey(key);
    }
};

// Clears what the touch input classes keep between tests.
void resetTouchInput();

// One canvas per test, installed as the framework's instance, with touch
// input set up as the game thread's start sets it up.
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stylus events in screen coordinates, through the canvas's callbacks.
    void press(jint x, jint y) { canvas->callPointerPressed(x, y); }
    void drag(jint x, jint y) { canvas->callPointerDragged(x, y); }
    void lift(jint x, jint y) { canvas->callPointerReleased(x, y); }
    void tap(jint x, jint y) {
        press(x, y);
        lift(x, y);
    }
    // The key calls since the last look.
    std::vector<std::string> keyCalls();

    VMNativePtr<WidgetMIDlet> midlet;
    VMNativePtr<WidgetCanvas> canvas;
};

}  // namespace wrentest::widgets
