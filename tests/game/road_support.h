// The road through the whole game, played in-process on the sample content
// through the game's own canvas, main object and scene manager: a virtual
// clock (+40 ms a frame) behind both the frame clock and
// System.currentTimeMillis, from a fixed start value that seeds the world;
// stylus events in through the canvas's callbacks; every tap placed from
// the live boxes of the scene on screen; proofs read from main.Game's
// statics, the scenes' fields and the saved stores.
//
// Two tap forms, as the touch pass is drained at the end of each frame:
// quickTap (press and release before one frame: the next update sees only
// the release) and holdTap (press, a frame, release: one update sees the
// stylus held, the next sees the release).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_CommonCanvas.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameScene.h"
#include "scene_maingame_InHomeScene.h"
#include "scene_maingame_InMapScene.h"
#include "scene_menu_MenuScene.h"
#include "ui_Scene.h"
#include "ui_Screen.h"

namespace wrentest::road {

class RoadMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(RoadMIDlet, javax::microedition::midlet::MIDlet)
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {}
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

// The game's own canvas on a 240 x 320 screen at 40 ms a frame; an
// interrupt is written down, so that the quit answer ends no test.
class RoadCanvas : public main::CommonCanvas {
    WREN_CLASS(RoadCanvas, main::CommonCanvas)
public:
    std::vector<jint> interrupts;
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { CommonCanvas::ctor(owner); }
    jboolean isShown() override { return true; }
    jint getWidth() override { return 240; }
    jint getHeight() override { return 320; }
    void flushGraphics() override {}
    jint getFrameTime() override { return 40; }
    void interrupt(jint kind) override { interrupts.push_back(kind); }
    // Every store written, by number, in order.
    std::vector<jint> saves;
    jboolean saveData(jint id, const VMPtr<VMArray<jbyte>>& data) override {
        saves.push_back(id);
        return CommonCanvas::saveData(id, data);
    }
};

// The real main object with sound kept off the audio device: sound is only
// the flag the scenes read.
class RoadMain : public main::Main {
    WREN_CLASS(RoadMain, main::Main)
public:
    // Text tables and glyph sets as they are loaded: "language 20480",
    // "font 1".
    std::vector<std::string> loads;
    void ctor(const VMPtr<wren::WrenCanvas>& c) { Main::ctor(c); }
    void loadLanguage(jint id) override {
        loads.push_back("language " + std::to_string(id));
        Main::loadLanguage(id);
    }
    void loadResources(jint index) override {
        loads.push_back("font " + std::to_string(index));
        Main::loadResources(index);
    }
    void changeSoundSet(jint set) override { S().soundSet = set; }
    void initSound(jint set) override {
        S().soundOn = true;
        S().soundSet = set;
    }
    void disableSound() override { S().soundOn = false; }
    void playCueSound() override {}
    void stopSounds() override {}
    void playMusic(jint) override {}
    void stopMusic() override {}
    void releaseSound() override {}
};

// Cells of the map grid: column and row.
struct Cell {
    jint column;
    jint row;
    bool operator==(const Cell& o) const { return column == o.column && row == o.row; }
};

class RoadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // --- the game ----------------------------------------------------------
    // A main object over the stores as they are (the MIDlet's start).
    void startGame();
    // The stores rewritten from main.Game's statics as they stand, then a
    // new main object that reads them back: a saved game to start from.
    void restartFromStatics();
    // One game frame: the clock moves 40 ms, then the canvas's update (key
    // snapshot, main.Main's update: the scene, then the touch pass), then
    // the canvas's paint of the frame into `backBuffer`, as the game
    // presents it.
    void frame(int n = 1);
    // Frames until `done` holds (checked before each frame); false if
    // `maxFrames` ran first.
    bool runUntil(const std::function<bool()>& done, int maxFrames);
    // Frames until the current scene has finished loading.
    int waitLoaded(int maxFrames = 400);
    jlong clockMs() const;
    long long framesRun() const { return frames; }

    VMPtr<scene::SceneManager> manager() { return main::Main::S().sceneManager; }
    jint sceneId();
    VMPtr<ui::Scene> current() { return scene::SceneManager::S().currentScene; }
    std::string currentClass();
    VMPtr<scene::maingame::InGameScene> field();
    VMPtr<scene::maingame::InMapScene> map();

    // The last frame presented, kept under `name` (replacing an earlier
    // one of that name), and into $WREN_ROAD_PNG_DIR/<name>.png when that
    // is set, for a person to look at. Keep one where the scene on screen
    // changed.
    void keepPicture(const std::string& name);
    // The proof that the frames were painted: every kept picture has more
    // than one colour (the screen starts black, and a frame that paints
    // nothing leaves it as it was), and no two of them are alike (a
    // painting that stopped keeps showing an earlier scene).
    void expectKeptPicturesPainted();

    // --- the stylus -----------------------------------------------------------
    void quickTap(jint x, jint y);
    void holdTap(jint x, jint y, int heldFrames = 1);
    void quickTap(std::pair<jint, jint> p) { quickTap(p.first, p.second); }
    void holdTap(std::pair<jint, jint> p, int heldFrames = 1) {
        holdTap(p.first, p.second, heldFrames);
    }
    // Centre of box `type` of a layer of a screen.
    static std::pair<jint, jint> centre(const VMPtr<ui::Screen>& screen, jint layer, jint type);
    // Centre of entry i of the current panel's items (null when none).
    static bool itemCentre(const VMPtr<ui::MyObject>& panel, jint i, std::pair<jint, jint>& out);

    // --- the stores -------------------------------------------------------------
    std::vector<uint8_t> store(jint id);
    jint storeInt(jint id, jint offset);
    jint storeByte(jint id, jint offset);

    // --- steps of the road --------------------------------------------------------
    // Logo, language page confirmed, sound "no", main menu "play": on to
    // scene 45, whatever it builds.
    void passFrontScenes();
    // Taps anywhere until the current scene object changes (a story, a
    // tutorial band); the number of taps.
    int tapUntilSceneChanges(int maxTaps);
    // A story or a tutorial band paged through, one tap a page: a page
    // count other than `pages` fails the test.
    void turnPages(int pages, const std::string& what);
    // The play field from its loading to the scene after it: intro pages
    // confirmed, a short-goal heat won by catch-and-carry, long heats left
    // to run, the results' board confirmed. Returns the scene id after it.
    jint playField();
    // One heat (or the results) of it: played until another scene takes
    // its place; the scene played. `introTaps` counts the intro pages
    // confirmed in it.
    VMPtr<scene::maingame::InGameScene> playHeat();
    // The map (loaded, browsing): the route to `to` by canMove's rule, one
    // held step at a time; false if no route.
    bool walkTo(Cell to);
    // The cursor cell opened, "play", then the long goal (or the short
    // one): the play field asked for.
    void startStage(bool longGoal);
    void startLongStage() { startStage(true); }
    // Whether the map lets the cursor onto a cell.
    static bool canEnter(jint column, jint row);
    // Route from `from` to `to` (cells entered, in order).
    static std::vector<Cell> route(Cell from, Cell to);
    // From the map: its menu, "main menu" held and let go there: the main
    // menu, loaded, in `menu`.
    void mainMenuFromMap(VMPtr<scene::menu::MenuScene>& menu);
    // From the map: the main menu, then its quit and "yes": the
    // application asked to end.
    void quitFromMap();
    // From the home scene outside its tutorial: the last tab held, then
    // let go: the map.
    void leaveHomeForMap();

    // --- the home, outside its tutorial -------------------------------------------
    VMPtr<scene::maingame::InHomeScene> home();
    // From the map: the route to the home cell and a tap on the cursor;
    // the home scene loaded.
    void goHome();
    // Tab `tab` (0 the status .. 4 the way out) held, then let go there.
    void homeTab(jint tab);
    // Item j of the pop-up bar (0 the rightmost of three) held, then let
    // go there.
    void barItem(jint j);
    // While planning: row k picked, then its plus (or minus) tapped.
    void planSteps(jint row, int taps, bool plus = true);
    // A tap beside the three rows: the planning ends.
    void endPlanning();
    // The confirmation bar's "confirm": one save of store 0, and one
    // purchase more.
    void confirmPurchase();
    // The heat on screen once it plays: hit points, attack and speed step
    // as the player's figure and the heat read them.
    void expectHeatReads(jint hitPoints, jint attack, jint boostStep);
    static Cell cursorCell();
    // Ordinal of a non-zero cell among the map's cells in row order.
    static jint ordinal(Cell c);
    // Listed cells: kinds 2..10 and 23.
    static std::vector<Cell> listedCells();
    static bool known(Cell c);

    VMNativePtr<RoadMIDlet> midlet;
    VMNativePtr<RoadCanvas> canvas;
    VMNativePtr<RoadMain> mainObject;
    // The screen the frames are painted into; kept from frame to frame
    // as a device's screen is.
    VMNativePtr<javax::microedition::lcdui::Image> backBuffer;
    long long painted = 0;
    int pagesTurned = 0;
    int purchases = 0;
    int gameOvers = 0;
    int introTaps = 0;
    // When set, playHeat keeps a picture of the heat 150 frames into its
    // play ("<name>-play") and of a results board ("<name>-board").
    std::string heatPictures;
    long long frames = 0;
    // The kept pictures' pixels by name, in the order first kept.
    std::vector<std::pair<std::string, std::vector<jint>>> pictures;
};

}  // namespace wrentest::road
