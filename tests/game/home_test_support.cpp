#include "home_test_support.h"

#include <cstdlib>

#include "game_test_support.h"
#include "home_fixture.h"
#include "java_lang_String.h"
#include "ui_ResManager.h"
#include "wren_Resources.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::home::CountingGame, "wrentest.home.CountingGame")
WREN_DEFINE_CLASS(wrentest::home::RecordingManager, "wrentest.home.RecordingManager")
WREN_DEFINE_CLASS(wrentest::home::ViewLogHome, "wrentest.home.ViewLogHome")

namespace wrentest::home {

using javax::microedition::lcdui::Image;
using main::Game;
using main::Main;

void CountingGame::ctor() {
    java::lang::Object::ctor();
    canvas = Main::S().canvas;
}

void HomeTest::SetUp() {
    WidgetTest::SetUp();
    installHomePacks();
    // What an earlier main object cached (its glyph-set ids) would keep the
    // new one from loading its fonts.
    Main::cleanUp();
    canvas->deleteAllData();
    // A new game: the real game state loads (and writes) both records.
    mainObject = Main::make(canvas);
    mainObject->loadLanguage(0x5000);
    game = CountingGame::make();
    Main::S().game = game.get();
    manager = RecordingManager::make();
    scene::SceneManager::S().instance = manager.get();
    pointer = ui::Pointer::make();
}

void HomeTest::TearDown() {
    if (scene) scene->unload();
    scene = nullptr;
    scene::SceneManager::S().instance = nullptr;
    Main::cleanUp();
    wren::Resources::closePack();
    WidgetTest::TearDown();
}

void HomeTest::reinstall(bool cursorWidth) {
    installHomePacks(cursorWidth);
    ui::ResManager::clear();
}

void HomeTest::setGame(std::vector<jint> values, jint money, jint stageKind) {
    Game::Statics& g = Game::S();
    VMPtr<VMArray<jint>> s = VMArray<jint>::create(9);
    for (jint i = 0; i < 9; ++i) s[i] = values[size_t(i)];
    g.stats = s;
    g.progressB = money;
    g.stageKind = stageKind;
}

std::vector<jint> HomeTest::stats() {
    VMPtr<VMArray<jint>> s = Game::S().stats;
    std::vector<jint> out;
    for (jint i = 0; i < s->length; ++i) out.push_back(s[i]);
    return out;
}

jint HomeTest::money() {
    return Game::S().progressB;
}

void HomeTest::build() {
    scene = ViewLogHome::make();
    scene->loadAll();
}

void HomeTest::frame() {
    advanceGameClock(canvas->getFrameTime());
    canvas->updateKeys();
    scene->update();
    pointer->update();
}

void HomeTest::hold(jint x, jint y) {
    press(x, y);
    frame();
    frame();
}

void HomeTest::release() {
    ui::Pointer::Statics& touch = ui::Pointer::S();
    lift(touch.touchX[0], touch.touchY[0]);
    frame();
    frame();
}

void HomeTest::tap(jint x, jint y) {
    press(x, y);
    frame();
    lift(x, y);
    frame();
    frame();
}

void HomeTest::quickTap(jint x, jint y) {
    press(x, y);
    lift(x, y);
    frame();
    frame();
}

static Rect toRect(const VMPtr<VMArray<jint>>& box) {
    return {box[0], box[1], box[2], box[3]};
}

Rect HomeTest::homeBox(jint layer, jint type) {
    return toRect(scene->screen->getLayerBox(layer, type));
}

Rect HomeTest::popupBox(jint layer, jint type) {
    return toRect(scene->popupScreen->getLayerBox(layer, type));
}

Rect HomeTest::barItem(jint j) {
    Rect bar = popupBox(0, 0);
    jint w = bar.w / 3;
    return {bar.x + bar.w - (j + 1) * w, bar.y, w, bar.h};
}

jint HomeTest::layerShown(jint layer) {
    return scene->screen->getLayerAnimation(layer);
}

jint HomeTest::pip(jint k, jint j) {
    return layerShown(pipLayer(k, j));
}

std::vector<jint> HomeTest::pips(jint k) {
    std::vector<jint> out;
    for (jint j = 0; j < 10; ++j) out.push_back(pip(k, j));
    return out;
}

VMPtr<ui::Addon> HomeTest::panel() {
    return vmCast<ui::Addon>(scene->panel);
}

static std::string text(const VMPtr<java::lang::String>& s) {
    return s == nullptr ? "(null)" : s->toUtf8();
}

std::string HomeTest::label(jint line) {
    return text(panel()->labelTexts[line]);
}

std::string HomeTest::barLabel(jint item) {
    return text(scene->popupPanel->labelTexts[item]);
}

std::vector<jint> HomeTest::pending() {
    VMPtr<VMArray<jint>> p = scene->pendingUpgrades;
    return {p[0], p[1], p[2], p[3]};
}

VMPtr<VMArray<jbyte>> HomeTest::savedProgress() {
    return canvas->loadData(Game::STATE_STORE);
}

jint HomeTest::intAt(const VMPtr<VMArray<jbyte>>& b, jint offset) {
    return jint(uint32_t(uint8_t(b[offset])) << 24 | uint32_t(uint8_t(b[offset + 1])) << 16 |
                uint32_t(uint8_t(b[offset + 2])) << 8 | uint32_t(uint8_t(b[offset + 3])));
}

VMPtr<Image> HomeTest::paint() {
    VMPtr<Image> img = Image::createImage(240, 320, false, jint(0xFFFFFFFF));
    scene->paint(img->getGraphics());
    return img;
}

uint32_t HomeTest::pixel(const VMPtr<Image>& img, jint x, jint y) {
    return pixelAt(img, x, y);
}

void HomeTest::keep(const VMPtr<Image>& img, const std::string& name) {
    const char* dir = std::getenv("WREN_HOME_FRAMES");
    if (dir && *dir) writeImagePng(img, std::string(dir) + "/" + name + ".png");
}

}  // namespace wrentest::home
