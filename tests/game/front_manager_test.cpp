// The scene manager: its first scene, the scene-id table and the stage-kind
// switch behind id 45 (what each asks of the game before the scene is
// built, and which scene it builds; the play field, map and home scenes are
// not part of this build, so for them the table's answer and the requests
// made are what there is to see), the tear-down on every change, the order
// of the scene's update and the touch pass, paint and the exit.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "front_support.h"
#include "java_lang_System.h"
#include "main_Game.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameStory.h"
#include "scene_menu_MenuScene.h"
#include "scene_splash_LogoScene.h"
#include "ui_Pointer.h"
#include "ui_ResManager.h"

namespace wrentest::front {

// A scene that runs `onUpdate` after the base update.
class ProbeScene : public ui::Scene {
    WREN_CLASS(ProbeScene, ui::Scene)
public:
    std::function<void(ProbeScene&)> onUpdate;
    // Ends with the object: a weak pointer to it tells whether the
    // collector has freed the scene.
    std::shared_ptr<int> life = std::make_shared<int>(0);
    jint pauses = 0;

    void ctor() { Scene::ctor(); }
    void loadData() override {}
    void loadObjects() override {}
    void loadUi() override {}
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
    void onPause() override { ++pauses; }
    void update() override {
        Scene::update();
        if (onUpdate) onUpdate(*this);
    }
};

}  // namespace wrentest::front

WREN_DEFINE_CLASS(wrentest::front::ProbeScene, "wrentest.front.ProbeScene")

namespace wrentest::front {
namespace {

using main::Game;
using main::Main;
using scene::SceneManager;

std::string className(const VMPtr<ui::Scene>& s) {
    if (s == nullptr) return "";
    VMCString name;
    vmCStringAssign(name, s->getClass()->getName());
    return std::string(name.c_str());
}

Calls only(const Calls& all, const std::string& prefix) {
    Calls out;
    for (const std::string& c : all)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

class ManagerTest : public FrontTest {};

TEST_F(ManagerTest, TheFirstFrameMakesTheManagerWithTheLogoLoadedAtOnce) {
    frame();
    VMPtr<SceneManager> m = manager();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(SceneManager::S().instance == m);
    EXPECT_EQ(m->sceneId, 0);
    EXPECT_NE(SceneManager::S().pointer, nullptr);
    VMPtr<ui::Scene> logo = current();
    EXPECT_EQ(className(logo), "scene.splash.LogoScene");
    EXPECT_FALSE(logo->progressiveLoad);
    ASSERT_NE(logo->screen, nullptr);
    EXPECT_EQ(logo->screen->getLayerCount(), 1);
    EXPECT_EQ(only(calls(), "language"), Calls{"language 20480"});
    EXPECT_TRUE(Main::S().redrawBackground);
}

struct KindCase {
    jint id;
    jint stageKind;
    jint kind;
};

TEST_F(ManagerTest, SceneIdTable) {
    const KindCase cases[] = {
        {0, 0, SceneManager::KIND_LOGO},        {2, 0, SceneManager::KIND_MENU},
        {10, 0, SceneManager::KIND_MENU},       {11, 0, SceneManager::KIND_MENU},
        {34, 0, SceneManager::KIND_PLAY_FIELD}, {43, 0, SceneManager::KIND_MAP},
        {44, 0, SceneManager::KIND_HOME},       {-1, 0, SceneManager::KIND_NONE},
        {1, 0, SceneManager::KIND_NONE},        {3, 0, SceneManager::KIND_NONE},
        {12, 0, SceneManager::KIND_NONE},       {33, 0, SceneManager::KIND_NONE},
        {35, 0, SceneManager::KIND_NONE},       {46, 0, SceneManager::KIND_NONE},
        {45, -5, SceneManager::KIND_MAP},       {45, -1, SceneManager::KIND_MAP},
        {45, 0, SceneManager::KIND_STORY},      {45, 1, SceneManager::KIND_PLAY_FIELD},
        {45, 2, SceneManager::KIND_MAP},        {45, 3, SceneManager::KIND_MAP},
        {45, 4, SceneManager::KIND_HOME},       {45, 5, SceneManager::KIND_MAP},
        {45, 6, SceneManager::KIND_MAP},        {45, 7, SceneManager::KIND_MAP},
        {45, 8, SceneManager::KIND_MAP},        {45, 9, SceneManager::KIND_MAP},
        {45, 10, SceneManager::KIND_MAP},       {45, 11, SceneManager::KIND_STORY},
        {45, 12, SceneManager::KIND_STORY},     {45, 13, SceneManager::KIND_PLAY_FIELD},
        {45, 14, SceneManager::KIND_STORY},     {45, 15, SceneManager::KIND_MAP},
        {45, 99, SceneManager::KIND_MAP},
    };
    for (const KindCase& c : cases)
        EXPECT_EQ(SceneManager::sceneKindOf(c.id, c.stageKind), c.kind)
            << "id " << c.id << " stage kind " << c.stageKind;
}

struct StageCase {
    jint stageKind;
    Calls soundSets;     // every sound-set request, the scene's own included
    jint kindAfter;      // the stage kind the new scene finds
    bool tutorialStage;  // cursor on cell 130 and its parameters stored
    const char* scene;   // the class built ("" for none in this build)
    jint firstPage, extraPages;
};

// Id 45 for every stage kind: the requests made before the scene is built,
// and the scene.
TEST_F(ManagerTest, StageKindSwitch) {
    const StageCase cases[] = {
        {-1, {"sound set 5"}, -1, false, "scene.maingame.InMapScene", 0, 0},
        {0, {"sound set 4", "sound set 4"}, 0, false, "scene.maingame.InGameStory", 0, 1},
        {1, {"sound set 0"}, 1, true, "scene.maingame.InGameScene", 0, 0},
        {2, {"sound set 5"}, 2, false, "scene.maingame.InMapScene", 0, 0},
        {3, {"sound set 5"}, 3, false, "scene.maingame.InMapScene", 0, 0},
        {4, {"sound set 5"}, 4, false, "scene.maingame.InHomeScene", 0, 0},
        {5, {"sound set 5"}, 5, false, "scene.maingame.InMapScene", 0, 0},
        {6, {"sound set 5"}, 6, false, "scene.maingame.InMapScene", 0, 0},
        {9, {"sound set 5"}, 9, false, "scene.maingame.InMapScene", 0, 0},
        {10, {"sound set 5"}, 10, false, "scene.maingame.InMapScene", 0, 0},
        {11, {"sound set 4", "sound set 4"}, 10, false, "scene.maingame.InGameStory", 9, 0},
        {12, {"sound set 4", "sound set 4"}, 12, false, "scene.maingame.InGameStory", 5, 2},
        {13, {"sound set 0"}, 10, true, "scene.maingame.InGameScene", 0, 0},
        {14, {"sound set 4", "sound set 4"}, 14, false, "scene.maingame.InGameStory", 2, 2},
        {15, {"sound set 5"}, 15, false, "scene.maingame.InMapScene", 0, 0},
    };
    frame();
    Game::Statics& g = Game::S();
    VMPtr<VMArray<jint>> cell = g.cellRecords[130];
    for (const StageCase& c : cases) {
        SCOPED_TRACE("stage kind " + std::to_string(c.stageKind));
        g.stageKind = c.stageKind;
        g.progressPair[0] = 3;
        g.progressPair[1] = 4;
        mainObject->panelPending = false;
        calls();
        manager()->changeScene(45);
        EXPECT_EQ(manager()->sceneId, 45);
        EXPECT_EQ(only(calls(), "sound set"), c.soundSets);
        EXPECT_EQ(g.stageKind, c.kindAfter);
        EXPECT_EQ(className(current()), c.scene);
        if (c.tutorialStage) {
            EXPECT_EQ(g.progressPair[0], 10);
            EXPECT_EQ(g.progressPair[1], 6);
            EXPECT_TRUE(mainObject->panelPending);
            VMPtr<VMArray<jint>> params = mainObject->getLoadingPanelState();
            const jint expected[6] = {0, 1, cell[3], cell[4], cell[4], 0};
            for (jint i = 0; i < 6; ++i) EXPECT_EQ(params[i], expected[i]) << "parameter " << i;
        } else {
            EXPECT_EQ(g.progressPair[0], 3);
            EXPECT_EQ(g.progressPair[1], 4);
            EXPECT_FALSE(mainObject->panelPending);
        }
        if (std::string(c.scene) == "scene.maingame.InGameStory") {
            VMPtr<scene::maingame::InGameStory> story =
                vmCast<scene::maingame::InGameStory>(current());
            ASSERT_NE(story, nullptr);
            EXPECT_EQ(story->firstPage, c.firstPage);
            EXPECT_EQ(story->page, c.firstPage);
            EXPECT_EQ(story->extraPages, c.extraPages);
            EXPECT_TRUE(story->progressiveLoad);
        }
    }
}

struct IdCase {
    jint id;
    Calls soundSets;
    const char* scene;
};

// The other ids: the menu gets the id as its first state; every scene but
// the logo loads one step a frame.
TEST_F(ManagerTest, SceneIdsBuildTheirScenes) {
    const IdCase cases[] = {
        {2, {"sound set 5"}, "scene.menu.MenuScene"},
        {10, {"sound set 5"}, "scene.menu.MenuScene"},
        {11, {"sound set 5"}, "scene.menu.MenuScene"},
        {34, {"sound set 0"}, "scene.maingame.InGameScene"},
        {43, {"sound set 5"}, "scene.maingame.InMapScene"},
        {44, {"sound set 5"}, "scene.maingame.InHomeScene"},
        {7, {}, ""},
        {-3, {}, ""},
        {0, {}, "scene.splash.LogoScene"},
    };
    frame();
    for (const IdCase& c : cases) {
        SCOPED_TRACE("id " + std::to_string(c.id));
        calls();
        manager()->changeScene(c.id);
        EXPECT_EQ(manager()->sceneId, c.id);
        EXPECT_EQ(only(calls(), "sound set"), c.soundSets);
        EXPECT_EQ(className(current()), c.scene);
        if (VMPtr<scene::menu::MenuScene> menu = vmCast<scene::menu::MenuScene>(current())) {
            EXPECT_EQ(menu->menuState, c.id);
            EXPECT_TRUE(menu->progressiveLoad);
        }
        if (c.id == 0) EXPECT_FALSE(current()->progressiveLoad);
    }
    // A stored id is 16 bits wide, signed.
    manager()->changeScene(0x10000 + 11);
    EXPECT_EQ(manager()->sceneId, 11);
    EXPECT_EQ(className(current()), "scene.menu.MenuScene");
}

// A change to the id already shown builds it again from scratch: the old
// scene is unloaded and its graphics leave the cache before the new one is
// made; sounds stop, the touch state starts afresh, the next paint redraws.
TEST_F(ManagerTest, AChangeToTheSameIdRebuildsTheScene) {
    frame();
    VMPtr<ui::Scene> old = current();
    VMPtr<ui::Screen> oldScreen = old->screen;
    ui::Pointer::S().touchPressed[0] = true;
    ui::Pointer::S().touchX[0] = 77;
    Main::S().redrawBackground = false;
    calls();
    manager()->changeScene(0);
    VMPtr<ui::Scene> fresh = current();
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh == old);
    EXPECT_EQ(old->screen, nullptr);
    EXPECT_EQ(old->objects[0], nullptr);
    EXPECT_EQ(oldScreen->getLayerKind(0), -1);
    EXPECT_FALSE(ui::Pointer::S().touchPressed[0]);
    EXPECT_EQ(ui::Pointer::S().touchX[0], 0);
    EXPECT_TRUE(Main::S().redrawBackground);
    EXPECT_EQ(calls().front(), "stop sounds");
    // Only the new logo's two sets are held, once each.
    ui::ResManager::Statics& cache = ui::ResManager::S();
    EXPECT_EQ(cache.used, 1);
    EXPECT_EQ(cache.ids[0][0], scene::splash::LogoScene::LOGO_GOBS);
    EXPECT_EQ(cache.ids[1][0], scene::splash::LogoScene::LOGO_ANIMATIONS);
    EXPECT_EQ(cache.gobRefs[0], 1);
}

// A scene that asks for the next scene inside its update keeps running to
// the end of that update, with a collection in between.
TEST_F(ManagerTest, TheOldSceneLivesUntilItsUpdateReturns) {
    frame();
    std::weak_ptr<int> life;
    bool aliveAfterChange = false;
    {
        VMPtr<ProbeScene> probe = ProbeScene::make();
        life = probe->life;
        probe->onUpdate = [&](ProbeScene& self) {
            self.sceneManager->changeScene(0);
            java::lang::System::gc();
            java::lang::System::gc();
            aliveAfterChange = !life.expired() && self.sceneManager != nullptr;
        };
        SceneManager::S().currentScene = probe;
    }
    frame();
    EXPECT_TRUE(aliveAfterChange);
    EXPECT_EQ(className(current()), "scene.splash.LogoScene");
    // Once its update has returned nothing holds it.
    java::lang::System::gc();
    java::lang::System::gc();
    EXPECT_TRUE(life.expired());
}

// The scene's update comes before the touch pass of the frame: a release
// is seen by exactly one update, the one after the frame that took it in.
TEST_F(ManagerTest, EachReleaseIsSeenByOneUpdate) {
    frame();
    std::vector<bool> seen;
    VMPtr<ProbeScene> probe = ProbeScene::make();
    probe->onUpdate = [&](ProbeScene&) { seen.push_back(ui::Pointer::S().touchReleased[0]); };
    SceneManager::S().currentScene = probe;
    press(50, 60);
    lift(50, 60);
    frame();
    frame();
    frame();
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

// Paint draws the current scene alone, and nothing without one; pause
// reaches the scene; an id without a scene is skipped by every frame.
TEST_F(ManagerTest, PaintPauseAndAMissingScene) {
    frame();
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 0, 0), kWhite);
    EXPECT_EQ(pixel(img, 150, 160), kLogoColour);

    manager()->changeScene(7);
    EXPECT_EQ(current(), nullptr);
    frame();
    manager()->pauseScene();
    manager()->resumeScene();
    img = paint();
    EXPECT_EQ(pixel(img, 0, 0), kBlack);
    EXPECT_EQ(pixel(img, 150, 160), kBlack);
    EXPECT_EQ(manager()->sceneId, 7);

    VMPtr<ProbeScene> probe = ProbeScene::make();
    SceneManager::S().currentScene = probe;
    manager()->pauseScene();
    manager()->resumeScene();
    EXPECT_EQ(probe->pauses, 1);
}

// The exit: the scene is unloaded and the touch helper dropped, the id is
// kept; a later change builds its scene without a touch helper to reset.
TEST_F(ManagerTest, UnloadSceneKeepsTheIdAndDropsTheTouchHelper) {
    frame();
    VMPtr<ui::Scene> logo = current();
    manager()->unloadScene();
    EXPECT_EQ(current(), nullptr);
    EXPECT_EQ(SceneManager::S().pointer, nullptr);
    EXPECT_EQ(manager()->sceneId, 0);
    EXPECT_EQ(logo->screen, nullptr);
    frame();
    manager()->pauseScene();
    manager()->changeScene(11);
    EXPECT_EQ(className(current()), "scene.menu.MenuScene");
    EXPECT_EQ(SceneManager::S().pointer, nullptr);
    frameUntilLoaded();
    EXPECT_FALSE(current()->progressiveLoad);
}

}  // namespace
}  // namespace wrentest::front
