#include "scene_splash_LogoScene.h"

#include "VMMath.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_Screen.h"

WREN_DEFINE_CLASS(scene::splash::LogoScene, "scene.splash.LogoScene")

namespace scene::splash {

using javax::microedition::lcdui::Graphics;
using main::Main;

void LogoScene::ctor() { ui::Scene::ctor(); }

jint LogoScene::logoX(jint w) { return AREA_WIDTH - vmDiv(AREA_WIDTH - w, 2); }

jint LogoScene::logoY(jint h) { return vmDiv(AREA_HEIGHT - h, 2); }

void LogoScene::loadData() {
    VMPtr<ui::Screen> logo = ui::Screen::make();
    screen = logo;
    logo->setBackgroundColor(BACKGROUND);
    logo->setBackgroundEnabled(true);
    logo->setLayerCapacity(1);
    logo->appendAnimLayer(LOGO_GOBS, LOGO_ANIMATIONS, 0, 0, 0);
    logo->setLayerPosition(0, logoX(logo->getLayerWidth(0)), logoY(logo->getLayerHeight(0)));
    addObject(logo);
}

void LogoScene::loadObjects() {}

void LogoScene::loadUi() {}

void LogoScene::paintLayer(const VMPtr<Graphics>&) {}

void LogoScene::update() {
    ui::Scene::update();
    // From the time on, not only within a window after it: one long frame
    // that jumps past the window must not leave the logo up for good.
    if (sceneTime < SHOW_MS) return;
    VMPtr<Main> m = Main::S().instance;
    m->loadLanguage(SceneManager::FIRST_TEXT_TABLE);
    m->selectFont(NEXT_FONT);
    SceneManager::S().instance->changeScene(NEXT_SCENE);
}

}  // namespace scene::splash
