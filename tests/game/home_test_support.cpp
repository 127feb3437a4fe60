#include "home_test_support.h"

#include <cstdlib>
#include <map>

#include "Pack.h"
#include "Png.h"

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
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(1);
    img->getRGB(out, 0, 1, x, y, 1, 1);
    return uint32_t(out[0]);
}

void HomeTest::keep(const VMPtr<Image>& img, const std::string& name) {
    const char* dir = std::getenv("WREN_HOME_FRAMES");
    if (!dir || !*dir) return;
    jint w = img->getWidth(), h = img->getHeight();
    VMPtr<VMArray<jint>> argb = VMArray<jint>::create(w * h);
    img->getRGB(argb, 0, w, 0, 0, w, h);
    rpack::IndexedImage out;
    out.width = w;
    out.height = h;
    std::map<uint32_t, uint8_t> index;
    for (jint i = 0; i < w * h; ++i) {
        uint32_t p = uint32_t(argb[i]);
        auto found = index.find(p);
        if (found == index.end()) {
            if (index.size() == 256) {
                out.pixels.push_back(0);
                continue;
            }
            found = index.emplace(p, uint8_t(index.size())).first;
            out.palette.push_back({uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
        }
        out.pixels.push_back(found->second);
    }
    rpack::writeFiles(dir, {{name + ".png", rpack::encodePng(out)}});
}

}  // namespace wrentest::home
