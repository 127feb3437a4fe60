// What the home-scene suites share: the widget suites' canvas (game thread
// ended, stylus events through its own callbacks), the home content of
// home_fixture.h, a main object over it, a game state that counts its
// progress saves, a scene manager that writes down the scenes asked for,
// and a frame loop that runs as the game's does (the scene's update, then
// the touch helper's event pass).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Image.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InHomeScene.h"
#include "ui_Pointer.h"
#include "widgets_test_support.h"

namespace wrentest::home {

// Counts the progress saves and then saves as the game does.
class CountingGame : public main::Game {
    WREN_CLASS(CountingGame, main::Game)
public:
    int saves = 0;
    void ctor();
    void saveState() override {
        ++saves;
        Game::saveState();
    }
};

// Writes down every scene id asked for and builds nothing.
class RecordingManager : public scene::SceneManager {
    WREN_CLASS(RecordingManager, scene::SceneManager)
public:
    std::vector<jint> requests;
    void ctor() { java::lang::Object::ctor(); }
    void changeScene(jint id) override { requests.push_back(id); }
};

// The home scene, writing down every view it is asked to show.
class ViewLogHome : public scene::maingame::InHomeScene {
    WREN_CLASS(ViewLogHome, scene::maingame::InHomeScene)
public:
    std::vector<jint> shown;
    void ctor() { InHomeScene::ctor(); }
    void showView(jint view) override {
        shown.push_back(view);
        InHomeScene::showView(view);
    }
};

struct Rect {
    jint x, y, w, h;
    jint cx() const { return x + w / 2; }
    jint cy() const { return y + h / 2; }
};

class HomeTest : public wrentest::widgets::WidgetTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Content again with the item cursor's held frame empty or not.
    void reinstall(bool cursorWidth);

    // The game state a test starts from: stats (nine values), money, the
    // collected pieces and the stage kind.
    void setGame(std::vector<jint> stats, jint money, jint stageKind = 10);
    std::vector<jint> stats();
    jint money();

    // A new home scene, loaded at once.
    void build();
    void frame();
    // The scene sees the stylus held at (x, y) once, then its release
    // there.
    void tap(jint x, jint y);
    void tap(const Rect& r) { tap(r.cx(), r.cy()); }
    // The scene sees the stylus held at (x, y) once; it stays down.
    void hold(jint x, jint y);
    // The stylus lifts where it is; the scene sees the release.
    void release();
    // Press and release before one event pass: the scene sees only the
    // release.
    void quickTap(jint x, jint y);

    // Box `type` of a layer of the home screen or of the pop-up screen, in
    // game-area coordinates.
    Rect homeBox(jint layer, jint type);
    Rect popupBox(jint layer, jint type);
    // Item j of the bar: W split into thirds, item 0 on the right.
    Rect barItem(jint j);
    // From the home view into the planning of view 2 (levels) or 3 (caps).
    void startPlanning(jint view) {
        tap(homeBox(3, view - 1));
        ASSERT_EQ(scene->popupState, 1);
        tap(barItem(0));
        ASSERT_EQ(scene->popupState, 2);
    }

    // The pip layer of pip j of stat k, and the picture it shows.
    static jint pipLayer(jint k, jint j) { return 5 + 10 * k + j; }
    jint pip(jint k, jint j);
    std::vector<jint> pips(jint k);
    jint layerShown(jint layer);

    VMPtr<ui::Addon> panel();
    std::string label(jint line);
    std::string barLabel(jint item);
    std::vector<jint> pending();

    // Record 0 as saved.
    VMPtr<VMArray<jbyte>> savedProgress();
    static jint intAt(const VMPtr<VMArray<jbyte>>& bytes, jint offset);

    VMPtr<javax::microedition::lcdui::Image> paint();
    static uint32_t pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
    // Writes the picture as a PNG when WREN_HOME_FRAMES names a folder, for
    // a person to look at.
    static void keep(const VMPtr<javax::microedition::lcdui::Image>& img, const std::string& name);

    VMNativePtr<main::Main> mainObject;
    VMNativePtr<CountingGame> game;
    VMNativePtr<RecordingManager> manager;
    VMNativePtr<ui::Pointer> pointer;
    VMNativePtr<ViewLogHome> scene;
};

}  // namespace wrentest::home
