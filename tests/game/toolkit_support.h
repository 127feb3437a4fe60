// What the toolkit suites share: a game canvas whose game thread has ended
// (the tests call the scene and its objects themselves), a main object
// that writes down its cue sounds, a scene and a scene object that write
// down what the scene calls on them, and a resource pack of graphic
// objects and animations built with the pack builder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "game_test_support.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "ui_MyObject.h"
#include "ui_Scene.h"
#include "ui_Screen.h"
#include "wren_WrenCanvas.h"

namespace wrentest::toolkit {

using Log = std::vector<std::string>;

// A canvas on a screen of the given size that is never shown.
class ToolkitCanvas : public wren::WrenCanvas {
    WREN_CLASS(ToolkitCanvas, wren::WrenCanvas)
public:
    jint width = 240;
    jint height = 320;
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    jboolean isShown() override { return false; }
    jint getWidth() override { return width; }
    jint getHeight() override { return height; }
    void flushGraphics() override {}
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
};

// The main object without its resources: only what the scene base calls
// on it is used, and each cue sound is written down.
class ToolkitMain : public main::Main {
    WREN_CLASS(ToolkitMain, main::Main)
public:
    int cues = 0;
    void ctor() { java::lang::Object::ctor(); }
    void playCueSound() override { ++cues; }
};

// A scene object that writes "<name> update", "<name> post",
// "<name> paint" and "<name> release" into the log.
class LogObject : public ui::MyObject {
    WREN_CLASS(LogObject, ui::MyObject)
public:
    std::string name;
    Log* log = nullptr;
    // Runs inside doUpdate.
    std::function<void()> onUpdate;

    void ctor(std::string objectName, jint depth, Log* into);
    void release() override { note("release"); }
    void postUpdate() override { note("post"); }
    void doUpdate() override {
        note("update");
        if (onUpdate) onUpdate();
    }
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>&) override { note("paint"); }
    void dropResources() override { note("drop"); }

private:
    void note(const char* what) {
        if (log) log->push_back(name + " " + what);
    }
};

// A scene whose loaders and layer write into the log ("data", "objects",
// "ui", "layer"). loadData asks to be called again `dataRepeats` times,
// loadObjects `objectRepeats` times; `build` makes the objects on the
// first loadObjects call of each load.
class LogScene : public ui::Scene {
    WREN_CLASS(LogScene, ui::Scene)
public:
    Log* log = nullptr;
    jint dataRepeats = 0;
    jint objectRepeats = 0;
    std::function<void(LogScene&)> build;

    void ctor(Log* into);
    void loadData() override;
    void loadObjects() override;
    void loadUi() override { note("ui"); }
    // Runs inside paintLayer, after the note.
    std::function<void(const VMPtr<javax::microedition::lcdui::Graphics>&)> onLayer;
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override {
        note("layer");
        if (onLayer) onLayer(g);
    }

private:
    int objectCalls = 0;
    void note(const char* what) {
        if (log) log->push_back(what);
    }
};

// Per test: the canvas (game thread ended) and the main object in
// main.Main's statics, a fresh resource cache, and no scene updating.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    VMNativePtr<ToolkitCanvas> canvas;
    VMNativePtr<ToolkitMain> mainObject;
};

// The fixture pack (see toolkit_support.cpp): resource ids. The sheet is
// entry 0; the Gob sets are 1 (red, green, blue), 3 (yellow) and 4 (a
// green Gob without a box); entry 2 is the animation set over set 1.
constexpr jint kPack = 41;
constexpr jint kGobsId = (kPack << 10) | 1;
constexpr jint kAnimsId = (kPack << 10) | 2;
constexpr jint kOtherGobsId = (kPack << 10) | 3;
constexpr jint kFlatGobsId = (kPack << 10) | 4;
// An entry the pack does not have.
constexpr jint kMissingId = (kPack << 10) | 9;

// Writes the fixture pack into the process's program folder, once, and
// leaves the resource reader closed.
void installFixturePack();

// Colours of the fixture's pictures as they read back from an RGB565
// surface.
constexpr uint32_t kRed = 0xFFF80000;
constexpr uint32_t kGreen = 0xFF00FC00;
constexpr uint32_t kBlue = 0xFF0000F8;
constexpr uint32_t kYellow = 0xFFF8FC00;

}  // namespace wrentest::toolkit
