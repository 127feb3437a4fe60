// What the map suites share: a game canvas whose game thread has ended and
// whose stylus the tests drive through its own pointer callbacks, a main
// object that writes down its sound calls instead of playing, a scene
// manager that writes down the scene ids asked for instead of building
// them, and a fixture that builds the map scene over the map content
// (map_fixture.h) with a new game's state, frame by frame as the game runs
// one: the key snapshot, the scene's update, then the touch pass.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMClass.h"
#include "game_test_support.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "map_fixture.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InMapScene.h"
#include "ui_Pointer.h"
#include "wren_WrenCanvas.h"

namespace wrentest::map {

using Calls = std::vector<std::string>;

// Sound on and off, the tune and the cue as "initSound 5", "cue",
// "disableSound"; sound state as the real calls leave it.
class MapMain : public main::Main {
    WREN_CLASS(MapMain, main::Main)
public:
    Calls calls;
    void ctor(const VMPtr<wren::WrenCanvas>& c) { Main::ctor(c); }
    void initSound(jint set) override;
    void playCueSound() override { calls.push_back("cue"); }
    void disableSound() override;
};

// Every changeScene as its id; nothing built unless `build` is set.
class RecordingManager : public scene::SceneManager {
    WREN_CLASS(RecordingManager, scene::SceneManager)
public:
    std::vector<jint> requested;
    bool build = false;
    void ctor();
    void changeScene(jint id) override {
        requested.push_back(id);
        if (build)
            SceneManager::changeScene(id);
        else
            sceneId = jshort(id);
    }
};

class MapTest : public ::testing::Test {
protected:
    using InMapScene = scene::maingame::InMapScene;

    void SetUp() override;
    void TearDown() override;

    // A map scene over the game state as it stands, loaded at once.
    VMPtr<InMapScene> load();
    // The same, loaded one step a frame; returns the number of frames.
    int loadProgressively(const VMPtr<InMapScene>& scene);

    // One frame of the scene under test.
    void frame();
    void frames(int n) {
        for (int i = 0; i < n; ++i) frame();
    }
    // Stylus events in screen coordinates, queued for the next touch pass.
    void press(jint x, jint y) { canvas->callPointerPressed(x, y); }
    void lift(jint x, jint y) { canvas->callPointerReleased(x, y); }
    // Press and release in one pass: the next update sees only the
    // release.
    void quickTap(jint x, jint y);
    // Held for `heldFrames` updates, then released there.
    void holdTap(jint x, jint y, int heldFrames = 1);

    // The map's state in main.Game.
    static void setCursor(jint column, jint row);
    static void openAreas(bool a0, bool a1, bool a2);
    static std::vector<jint> cursor();
    // Screen rectangle of a layer's box: x, y, width, height.
    std::vector<jint> box(jint layer, jint type);
    std::vector<jint> centre(jint layer, jint type);
    // A dialog button of the current frame: its box's centre.
    std::vector<jint> dialogButton(jint type) { return centre(scene->dialogLayer, type); }
    // The panel's label i: text, x, y, width, height.
    std::string lineText(jint i);
    std::vector<jint> lineBox(jint i);
    // What the tutorial band shows.
    std::string bandText();

    VMPtr<javax::microedition::lcdui::Image> paint();
    static uint32_t pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
    // Into $WREN_MAP_PNG_DIR/<name>.png when that is set, for a person to
    // look at.
    static void keepPicture(const VMPtr<javax::microedition::lcdui::Image>& img,
                            const std::string& name);

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<HeadlessCanvas> canvas;
    VMNativePtr<MapMain> mainObject;
    VMNativePtr<RecordingManager> manager;
    VMNativePtr<ui::Pointer> pointer;
    VMNativePtr<InMapScene> scene;
};

std::string utf8(const VMPtr<java::lang::String>& s);

}  // namespace wrentest::map
