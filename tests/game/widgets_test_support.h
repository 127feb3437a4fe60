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
#include "game_test_support.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "ui_Addon.h"
#include "ui_Pointer.h"
#include "ui_Scene.h"
#include "wren_WrenCanvas.h"
#include "touch_input.h"

namespace wrentest::widgets {

// The headless canvas, writing down every pressKey and releaseKey as
// "press K", "release K".
class WidgetCanvas : public HeadlessCanvas {
    WREN_CLASS(WidgetCanvas, HeadlessCanvas)
public:
    std::vector<std::string> keyCalls;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) {
        HeadlessCanvas::ctor(owner);
    }
    void pressKey(jint key) override {
        keyCalls.push_back("press " + std::to_string(key));
        HeadlessCanvas::pressKey(key);
    }
    void releaseKey(jint key) override {
        keyCalls.push_back("release " + std::to_string(key));
        HeadlessCanvas::releaseKey(key);
    }
};

// A scene of nothing but the objects a test adds, loaded at once.
class WidgetScene : public ui::Scene {
    WREN_CLASS(WidgetScene, ui::Scene)
public:
    void ctor() { Scene::ctor(); }
    void loadData() override {}
    void loadObjects() override {}
    void loadUi() override {}
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
};

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

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<WidgetCanvas> canvas;
};

// The widget content installed, the main object made over the canvas with
// text table 0x5000, and a scene to hold the panels under test. A frame
// runs as the game runs one: the key snapshot, the scene's update (its
// objects' doUpdate and, for active panels, postUpdate), then the touch
// helper drains the events queued since the last frame.
class PanelTest : public WidgetTest {
protected:
    void SetUp() override;

    // Adds the panel to the scene, active, and sorts the draw order.
    void show(const VMPtr<ui::Addon>& panel);
    void frame();
    // The scene painted on a white 240 by 320 picture.
    VMPtr<javax::microedition::lcdui::Image> paint();
    // ARGB as it reads back, at (x, y) of a picture.
    static uint32_t pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
    // Writes the picture as a PNG, for a person to look at.
    static void writePng(const VMPtr<javax::microedition::lcdui::Image>& img,
                         const std::string& path);

    VMNativePtr<main::Main> mainObject;
    VMNativePtr<WidgetScene> scene;
    VMNativePtr<ui::Pointer> pointer;
};

}  // namespace wrentest::widgets
