#include "scene_SceneManager.h"

#include "java_io_PrintStream.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "main_CommonCanvas.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_maingame_InGameScene.h"
#include "scene_maingame_InGameStory.h"
#include "scene_maingame_InHomeScene.h"
#include "scene_maingame_InMapScene.h"
#include "scene_menu_MenuScene.h"
#include "scene_splash_LogoScene.h"
#include "ui_ResManager.h"

WREN_DEFINE_CLASS(scene::SceneManager, "scene.SceneManager")

namespace scene {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using main::Game;
using main::Main;

namespace {

// The canvas's virtual keys behind each game action, in the order they are
// asked: pressed and held read the same keys, except that actions 12 and
// 13 also count as held (not pressed) while key 15 is held. A 0 ends a
// row.
constexpr jint ACTION_COUNT = 23;
constexpr jint KEYS_PER_ACTION = 3;
constexpr jint PRESS_KEYS[ACTION_COUNT][KEYS_PER_ACTION] = {
    {16}, {17}, {18}, {19}, {20}, {21}, {22}, {23}, {24}, {25},  // digits 0..9
    {10},                                                        // 10: star
    {3},                                                         // 11: hash
    {27},                                                        // 12
    {29},                                                        // 13
    {1, 30, 18},                                                 // 14: up, or 2
    {2, 32, 20},                                                 // 15: left, or 4
    {5, 33, 22},                                                 // 16: right, or 6
    {6, 31, 24},                                                 // 17: down, or 8
    {8, 34, 21},                                                 // 18: fire, or 5
    {4, 15},                                                     // 19
    {},                                                          // 20: releases only
    {7},                                                         // 21
    {15},                                                        // 22
};
constexpr jint HELD_KEYS_12[] = {27, 15};
constexpr jint HELD_KEYS_13[] = {29, 15};
// Action 20, "any key": the keys whose release it answers, in order.
constexpr jint ANY_KEY_RELEASES[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 10, 3, 15, 4, 7};
constexpr jint ANY_KEY_ACTION = 20;

template <class Ask>
jboolean anyKey(const jint* keys, jint n, Ask ask) {
    for (jint i = 0; i < n && keys[i] != 0; ++i)
        if (ask(keys[i])) return true;
    return false;
}

}  // namespace

void SceneManager::ctor() {
    java::lang::Object::ctor();
    Statics& s = S();
    s.instance = this;
    canvas = Main::S().canvas;
    sceneId = -1;
    s.pointer = ui::Pointer::make();
    Main::S().instance->loadLanguage(FIRST_TEXT_TABLE);
    changeScene(LOGO_SCENE);
}

// --- game actions ----------------------------------------------------------------

jboolean SceneManager::isActionPressed(jint action) {
    if (action < 0 || action >= ACTION_COUNT) return false;
    VMPtr<wren::WrenCanvas> c = canvas;
    return anyKey(PRESS_KEYS[action], KEYS_PER_ACTION, [&](jint k) { return c->isKeyPressed(k); });
}

jboolean SceneManager::isActionHeld(jint action) {
    if (action < 0 || action >= ACTION_COUNT) return false;
    VMPtr<wren::WrenCanvas> c = canvas;
    auto held = [&](jint k) { return c->isKeyHeld(k); };
    if (action == 12) return anyKey(HELD_KEYS_12, 2, held);
    if (action == 13) return anyKey(HELD_KEYS_13, 2, held);
    return anyKey(PRESS_KEYS[action], KEYS_PER_ACTION, held);
}

jboolean SceneManager::isActionReleased(jint action) {
    if (action != ANY_KEY_ACTION) return false;
    VMPtr<wren::WrenCanvas> c = canvas;
    constexpr jint n = jint(sizeof(ANY_KEY_RELEASES) / sizeof(ANY_KEY_RELEASES[0]));
    return anyKey(ANY_KEY_RELEASES, n, [&](jint k) { return c->isKeyReleased(k); });
}

// --- the scene -------------------------------------------------------------------

void SceneManager::changeScene(jint id) {
    Statics& s = S();
    Main::S().redrawBackground = true;
    Main::S().instance->stopSounds();
    VMPtr<ui::Scene> old = s.currentScene;
    if (old != nullptr) {
        old->unload();
        s.currentScene = nullptr;
    }
    VMPtr<ui::Pointer> touch = s.pointer;
    if (touch != nullptr) touch->reset();
    ui::ResManager::clear();
    sceneId = jshort(id);
    createScene();
}

jint SceneManager::sceneKindOf(jint id, jint stageKind) {
    switch (id) {
    case LOGO_SCENE:
        return KIND_LOGO;
    case MAIN_MENU_SCENE:
    case SOUND_MENU_SCENE:
    case LANGUAGE_MENU_SCENE:
        return KIND_MENU;
    case PLAY_FIELD_SCENE:
        return KIND_PLAY_FIELD;
    case MAP_SCENE:
        return KIND_MAP;
    case HOME_SCENE:
        return KIND_HOME;
    case STAGE_SCENE:
        switch (stageKind) {
        case 0:
        case 11:
        case 12:
        case 14:
            return KIND_STORY;
        case 1:
        case 13:
            return KIND_PLAY_FIELD;
        case 4:
            return KIND_HOME;
        default:
            // 2, 3, 5 to 10, and any kind outside 0..14.
            return KIND_MAP;
        }
    default:
        return KIND_NONE;
    }
}

void SceneManager::prepareTutorialStage() {
    Game::Statics& g = Game::S();
    g.progressPair[0] = TUTORIAL_COLUMN;
    g.progressPair[1] = TUTORIAL_ROW;
    VMPtr<VMArray<jint>> record = g.cellRecords[TUTORIAL_CELL];
    // Two heats, short goal; the heat-1 kind serves heat 2 as well.
    Main::S().instance->showLoadingPanel(false, true, record[3], record[4], record[4], 0);
}

void SceneManager::createScene() {
    Statics& s = S();
    VMPtr<Main> m = Main::S().instance;
    Game::Statics& g = Game::S();
    const jint stageKind = g.stageKind;
    const jint kind = sceneKindOf(sceneId, stageKind);

    // What the new scene's constructor reads is in place before it runs.
    jint firstPage = 0, extraPages = 0;
    if (sceneId == STAGE_SCENE) {
        switch (stageKind) {
        case 0:
            m->changeSoundSet(STORY_SOUND_SET);
            firstPage = 0;
            extraPages = 1;
            break;
        case 1:
            prepareTutorialStage();
            break;
        case 11:
            m->changeSoundSet(STORY_SOUND_SET);
            g.stageKind = 10;
            firstPage = 9;
            extraPages = 0;
            break;
        case 12:
            m->changeSoundSet(STORY_SOUND_SET);
            firstPage = 5;
            extraPages = 2;
            break;
        case 13:
            g.stageKind = 10;
            prepareTutorialStage();
            break;
        case 14:
            m->changeSoundSet(STORY_SOUND_SET);
            firstPage = 2;
            extraPages = 2;
            break;
        default:
            m->changeSoundSet(MENU_SOUND_SET);
            break;
        }
    } else if (kind == KIND_MENU || kind == KIND_MAP || kind == KIND_HOME) {
        m->changeSoundSet(MENU_SOUND_SET);
    }

    VMPtr<ui::Scene> scene;
    switch (kind) {
    case KIND_LOGO:
        scene = splash::LogoScene::make();
        break;
    case KIND_MENU:
        scene = menu::MenuScene::make(jint(sceneId));
        break;
    case KIND_STORY:
        scene = maingame::InGameStory::make(firstPage, extraPages);
        break;
    case KIND_PLAY_FIELD:
        scene = maingame::InGameScene::make();
        break;
    case KIND_HOME:
        scene = maingame::InHomeScene::make();
        break;
    case KIND_MAP:
        scene = maingame::InMapScene::make();
        break;
    default:
        // The play field, the map and the home scene join the game here.
        break;
    }
    s.currentScene = scene;

    VMPtr<StringBuffer> line = StringBuffer::make(WREN_LIT("scene "));
    line->append(jint(sceneId));
    line->append(WREN_LIT(" "));
    line->append(scene != nullptr ? scene->getClass()->getName() : VMPtr<String>(WREN_LIT("none")));
    trace(line->toString());

    if (scene == nullptr) return;
    // Only the logo loads at once, before the first frame it is shown in.
    if (sceneId != LOGO_SCENE) scene->setProgressiveLoad(true);
    if (!scene->progressiveLoad) scene->loadAll();
}

void SceneManager::updateScenes() {
    Statics& s = S();
    // The scene may ask for the next one inside its update, which unloads
    // it and drops the static's hold on it while its update is still
    // running: this local keeps it alive until the update has returned.
    VMPtr<ui::Scene> scene = s.currentScene;
    if (scene != nullptr) scene->update();
    // The update may have ended the program (the menu's quit), which drops
    // the touch helper.
    VMPtr<ui::Pointer> touch = s.pointer;
    if (touch != nullptr) touch->update();
}

void SceneManager::paintScenes(const VMPtr<Graphics>& g) {
    VMPtr<ui::Scene> scene = S().currentScene;
    if (scene != nullptr) scene->paint(g);
}

void SceneManager::pauseScene() {
    VMPtr<ui::Scene> scene = S().currentScene;
    if (scene != nullptr) scene->onPause();
}

void SceneManager::resumeScene() {}

void SceneManager::unloadScene() {
    Statics& s = S();
    VMPtr<ui::Scene> scene = s.currentScene;
    if (scene != nullptr) {
        scene->unload();
        s.currentScene = nullptr;
    }
    // The d-pad scratch goes with the helper.
    ui::Pointer::S().keyRegions = nullptr;
    s.pointer = nullptr;
}

void SceneManager::trace(const VMPtr<String>& line) {
    VMPtr<main::CommonCanvas> c = vmCast<main::CommonCanvas>(Main::S().canvas);
    if (c != nullptr && c->trace) java::lang::System::S().out->println(line);
}

}  // namespace scene
