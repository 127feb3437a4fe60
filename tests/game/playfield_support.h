// What the play-field suites share: the content they run on and a fixture
// that starts every test from a new game with a stopped game thread, so
// that the tests drive the scene and its objects frame by frame.
//
// Content: the sample content's packs 2 (HUD, markers), 9 (UI set), 19
// (fonts) and 20 (texts), copied from the program's folder, and packs of
// our own, built with the pack builder, where a test needs to know or vary
// the geometry:
//   pack 10  the player: five animation sets (0..4) over five image sets
//            (5..9) of twelve 32 x 40 images, but world 7's set (10249)
//            has only six. Frames F0..F7 32 x 40 with six boxes, type =
//            number (see kPlayerBoxes); animations 0 idle, 1 hurt (400 ms,
//            once), 2 carry, 3 action (400 ms, once), 4 attack (400 ms,
//            once), 5 dash, 6 idle, 7 grab (400 ms, once), 8 defeated
//            (600 ms, once).
//   pack 11  heat kind 0: background 11264 over 11268 (frame 0 the lane,
//            box 0 {-220, 0, 200, 320}; frame 1 a 240 x 320 tile at
//            {-240, 0}); monsters 11265..11267 over 11269..11271, each 36
//            images of 8 x 8 in six groups; frames F0..F7 32 x 32 with box
//            0 {0, 0, 32, 32} and box 5 {16, 16, 0, 0}; animations 0, 1, 2
//            idle, 3 caught, 4..6 (400 ms, once), 7 hurt (300 ms, once).
//            Entry 9 (11273): a monster image set of only six images.
//   pack 12  heat kind 1: the background of pack 11 with a lane of no width.
//   packs 13 to 17 (installHeatKindPacks) as 11 and 12, for the tables.
//   pack 4   the results' icons: 4099 (entry 3), 15 images of 20 x 20
//            centred on their origin (entries 0..2, 4, 5 fillers).
//   pack 18  nine families: animations 0 and 1 (500 ms, once), 2 and 3
//            endless; frames 60 x 60 at {-60, -30}, box 0 {-45, -15, 30, 30}.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "game_test_support.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameScene.h"
#include "ui_Pointer.h"
#include "ui_Scene.h"
#include "wren_MediaManager.h"
#include "wren_WrenCanvas.h"

namespace wrentest::playfield {

// Player frame boxes, type = number, relative to the frame's top-left
// corner (the layer's position): {x, y, width, height} per frame F0..F7.
//   F0 idle, F1 hurt, F3 action, F5 dash: body {8,8,16,24}, shove
//      {-8,0,48,48};
//   F2 carry: weapon {-84,-20,200,100};  F4 attack: special {-84,-20,200,100};
//   F6 grab: grab {-84,-20,200,100};  F7 defeated: none of the four.
// Every frame: carry seat box 1 {0,44,0,0}, target box 5 {16,20,0,0} unless
// F4 makes it the special box.
constexpr int kPlayerWidth = 32;
constexpr int kPlayerHeight = 40;
constexpr int kMonsterSize = 32;
// The lane of pack 11's background at (240, 0).
constexpr int kLaneX = 20;
constexpr int kLaneWidth = 200;

// A scene manager that builds nothing and writes down the scenes asked
// for.
class RecordingManager : public scene::SceneManager {
    WREN_CLASS(RecordingManager, scene::SceneManager)
public:
    std::vector<int> requested;
    void ctor();
    void changeScene(jint id) override { requested.push_back(id); }
};

// A scene of nothing, whose frame time the tests set: the clock the field
// objects step by.
class ClockScene : public ui::Scene {
    WREN_CLASS(ClockScene, ui::Scene)
public:
    void ctor() { Scene::ctor(); }
    void loadData() override {}
    void loadObjects() override {}
    void loadUi() override {}
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
};

// Writes the packs and leaves the resource reader closed.
void installPlayfieldPacks();
// Packs 13 to 17, the other heat kinds' backgrounds and monsters, laid out
// as packs 11 (13, 15 and 16) and 12 (14 and 17); the reader left closed.
void installHeatKindPacks();

// Per test: the packs, no saved data, a canvas with its game thread ended
// and touch input set up, a main object over it (a new game: new records
// written), the first text table, a seeded random generator and a world
// drawn from it, a recording scene manager, and a clock scene at 40 ms a
// frame as the updating scene.
class PlayfieldTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Steps the clock scene's frame time into place as the updating scene.
    void setFrameTime(jint ms);
    // Sets the pointer state the way the event pass leaves it: pointer 0
    // down at (x, y) having gone down at (pressX, pressY), or up.
    void touch(jint pressX, jint pressY, jint x, jint y);
    void lift();
    void releasedAt(jint x, jint y);

    static VMPtr<VMArray<jint>> stats();

    // A play field over the stage parameters, on the map cell (column,
    // row), constructed but not loaded.
    VMPtr<scene::maingame::InGameScene> makeScene(std::array<jint, 6> params, jint column,
                                                  jint row);
    // Runs the scene's frames until its progressive load has ended (the
    // manager's way); the number of frames it took.
    int load(const VMPtr<scene::maingame::InGameScene>& scene);
    // One frame: the key snapshot and the scene's update. The pointer state
    // is the test's (touch, lift, releasedAt).
    void frame(const VMPtr<scene::maingame::InGameScene>& scene);
    // A heat loaded and ready to play, its monsters parked far below the
    // screen showing idle pose 0 (so that only what a test places meets
    // the player).
    VMPtr<scene::maingame::InGameScene> loadHeat(std::array<jint, 6> params, jint column = 3,
                                                 jint row = 5);
    static void parkMonsters(const VMPtr<scene::maingame::InGameScene>& scene);
    // The int or byte at `offset` of saved store `id` as the canvas reads
    // it back.
    jint savedInt(jint id, jint offset);
    jint savedByte(jint id, jint offset);
    // A key press (virtual key 15, the soft key behind actions 19 and 22)
    // seen by the next frame's snapshot.
    void pressPauseKey();
    VMPtr<javax::microedition::lcdui::Image> blankImage();
    static uint32_t pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
    // Writes the picture as a PNG, for a person to look at.
    static void writePng(const VMPtr<javax::microedition::lcdui::Image>& img,
                         const std::string& path);

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<HeadlessCanvas> canvas;
    VMNativePtr<main::Main> mainObject;
    VMNativePtr<RecordingManager> manager;
    VMNativePtr<ClockScene> clock;
    VMNativePtr<ui::Pointer> pointer;
};

}  // namespace wrentest::playfield
