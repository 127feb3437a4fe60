#include "map_test_support.h"

#include <filesystem>

#include "game_test_support.h"
#include "java_lang_Thread.h"
#include "main_Game.h"
#include "ui_Addon.h"
#include "ui_ResManager.h"
#include "ui_Screen.h"
#include "wren_Resources.h"
#include "touch_input.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::map::MapMain, "wrentest.map.MapMain")
WREN_DEFINE_CLASS(wrentest::map::RecordingManager, "wrentest.map.RecordingManager")

namespace wrentest::map {

using javax::microedition::lcdui::Image;
using main::Game;
using main::Main;

std::string utf8(const VMPtr<java::lang::String>& s) {
    std::string out;
    if (s == nullptr) return out;
    for (jint i = 0; i < s->length(); ++i) out += char(s->charAt(i));
    return out;
}

void MapMain::initSound(jint set) {
    calls.push_back("initSound " + std::to_string(set));
    S().soundOn = true;
    S().soundSet = set;
}

void MapMain::disableSound() {
    calls.push_back("disableSound");
    S().soundOn = false;
    S().soundSet = -1;
}

void RecordingManager::ctor() {
    java::lang::Object::ctor();
    S().instance = this;
    sceneId = -1;
}

void MapTest::SetUp() {
    resetTouchInput();
    installMapPacks();
    midlet = IdleMIDlet::make();
    canvas = HeadlessCanvas::make(midlet);
    // The canvas is never shown a frame of its own: its game thread ends
    // before the first, and the tests run the frames.
    stopGameThreadAndInstall(canvas.get());
    canvas->updateScreenSize();
    canvas->initTouchInput();
    canvas->deleteAllData();
    canvas->frameTime = 40;

    // A new game: no saved data.
    Main::cleanUp();
    mainObject = MapMain::make(canvas);
    mainObject->loadLanguage(0x5000);
    manager = RecordingManager::make();
    pointer = ui::Pointer::make();
    ui::Scene::S().updating = nullptr;
}

void MapTest::TearDown() {
    if (scene != nullptr) scene->unload();
    scene = nullptr;
    ui::ResManager::clear();
    wren::Resources::closePack();
    ui::Scene::S().updating = nullptr;
    scene::SceneManager::S().instance = nullptr;
    Main::cleanUp();
    Main::Statics& m = Main::S();
    m.instance = nullptr;
    m.canvas = nullptr;
    m.redrawBackground = false;
    resetTouchInput();
}

VMPtr<scene::maingame::InMapScene> MapTest::load() {
    scene = InMapScene::make();
    scene->loadAll();
    return scene.get();
}

int MapTest::loadProgressively(const VMPtr<InMapScene>& s) {
    scene = s.get();
    s->setProgressiveLoad(true);
    s->loadAll();
    int n = 0;
    while (s->progressiveLoad && n < 100) {
        frame();
        ++n;
    }
    return n;
}

void MapTest::frame() {
    advanceGameClock(canvas->getFrameTime());
    canvas->updateKeys();
    scene->update();
    pointer->update();
}

void MapTest::quickTap(jint x, jint y) {
    press(x, y);
    lift(x, y);
    frame();  // the touch pass takes both
    frame();  // the update sees the release
}

void MapTest::holdTap(jint x, jint y, int heldFrames) {
    press(x, y);
    frame();
    frames(heldFrames);
    lift(x, y);
    frame();
    frame();
}

void MapTest::setCursor(jint column, jint row) {
    VMPtr<VMArray<jint>> pair = Game::S().progressPair;
    pair[0] = column;
    pair[1] = row;
}

void MapTest::openAreas(bool a0, bool a1, bool a2) {
    VMPtr<VMArray<jboolean>> open = Game::S().extraFlags;
    open[0] = a0;
    open[1] = a1;
    open[2] = a2;
}

std::vector<jint> MapTest::cursor() {
    VMPtr<VMArray<jint>> pair = Game::S().progressPair;
    return {pair[0], pair[1]};
}

std::vector<jint> MapTest::box(jint layer, jint type) {
    VMPtr<VMArray<jint>> b = scene->screen->getLayerBox(layer, type);
    return {b[0], b[1], b[2], b[3]};
}

std::vector<jint> MapTest::centre(jint layer, jint type) {
    std::vector<jint> b = box(layer, type);
    return {b[0] + b[2] / 2, b[1] + b[3] / 2};
}

std::string MapTest::lineText(jint i) {
    VMPtr<ui::Addon> panel = vmCast<ui::Addon>(VMPtr<ui::MyObject>(scene->panel));
    return utf8(VMPtr<java::lang::String>(panel->labelTexts[i]));
}

std::vector<jint> MapTest::lineBox(jint i) {
    VMPtr<ui::Addon> panel = vmCast<ui::Addon>(VMPtr<ui::MyObject>(scene->panel));
    return {panel->labelPositions[i][0], panel->labelPositions[i][1], panel->labelWidths[i],
            panel->labelHeights[i]};
}

std::string MapTest::bandText() {
    if (scene->sidePanel == nullptr || scene->sidePanel->wrappedText == nullptr) return "";
    return utf8(scene->sidePanel->wrappedText->getText());
}

VMPtr<Image> MapTest::paint() {
    VMPtr<Image> img = Image::createImage(240, 320, false, jint(0xFFFFFFFF));
    scene->paint(img->getGraphics());
    return img;
}

uint32_t MapTest::pixel(const VMPtr<Image>& img, jint x, jint y) {
    return pixelAt(img, x, y);
}

void MapTest::keepPicture(const VMPtr<Image>& img, const std::string& name) {
    const char* dir = std::getenv("WREN_MAP_PNG_DIR");
    if (dir && *dir) writeImagePng(img, std::string(dir) + "/" + name + ".png");
}

}  // namespace wrentest::map
