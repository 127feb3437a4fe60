#include "scene_SceneManager.h"

#include "main_Main.h"
#include "ui_ResManager.h"

WREN_DEFINE_CLASS(scene::SceneManager, "scene.SceneManager")

namespace scene {

void SceneManager::ctor() {
    java::lang::Object::ctor();
    S().instance = this;
    canvas = main::Main::S().canvas;
    sceneId = -1;
    main::Main::S().instance->loadLanguage(FIRST_TEXT_TABLE);
    changeScene(LOGO_SCENE);
}

void SceneManager::changeScene(jint id) {
    main::Main::S().redrawBackground = true;
    main::Main::S().instance->stopSounds();
    ui::ResManager::clear();
    sceneId = jshort(id);
    createScene();
}

void SceneManager::createScene() {
    // No scene class exists yet: every id builds nothing.
}

void SceneManager::updateScenes() {}

void SceneManager::paintScenes(const VMPtr<javax::microedition::lcdui::Graphics>& g) {}

void SceneManager::pauseScene() {}

void SceneManager::resumeScene() {}

void SceneManager::unloadScene() {}

}  // namespace scene
