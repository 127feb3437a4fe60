#include "game_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <map>

#include "java_lang_Thread.h"
#include "main_Game.h"
#include "main_Main.h"
#include "runtime/wren_test_Task.h"
#include "scene_SceneManager.h"
#include "ui_Scene.h"

WREN_DEFINE_CLASS(wrentest::RecordingSound, "wrentest.RecordingSound", wren::MediaManager)

namespace wrentest {

namespace fs = std::filesystem;

void resetGameStatics() {
    main::Main::Statics& m = main::Main::S();
    m.instance = nullptr;
    m.canvas = nullptr;
    m.sceneManager = nullptr;
    m.game = nullptr;
    m.resManager = nullptr;
    m.random = nullptr;
    m.richFont = nullptr;
    m.translation = nullptr;
    m.loadedGlyphSetIds = nullptr;
    m.gameAreaX = m.gameAreaY = 0;
    m.language = m.currentGlyphSetId = m.soundSet = 0;
    m.redrawBackground = m.firstMenuVisit = m.splashPending = m.soundOn = m.musicPlaying = false;
    main::Game::S().statClass = 0;
    scene::SceneManager::S().instance = nullptr;
    scene::SceneManager::S().currentScene = nullptr;
    scene::SceneManager::S().pointer = nullptr;
    ui::Scene::S().updating = nullptr;
}

void stopGameThreadAndInstall(const VMPtr<wren::WrenCanvas>& canvas) {
    using wren::WrenCanvas;
    VMPtr<java::lang::Thread> gameThread = WrenCanvas::S().gameThread;
    WrenCanvas::S().appState = WrenCanvas::APP_EXITING;
    wren::test::join(gameThread);
    WrenCanvas::S().instance = canvas;
    WrenCanvas::S().appState = WrenCanvas::APP_RUNNING;
}

rpack::Gob gob(int x, int y, int w, int h, int offsetX, int offsetY) {
    rpack::Gob g;
    g.x = x;
    g.y = y;
    g.width = w;
    g.height = h;
    g.offsetX = offsetX;
    g.offsetY = offsetY;
    return g;
}

rpack::IndexedImage blockFontSheet(rpack::PaletteColour ink) {
    rpack::IndexedImage img;
    img.width = 96;
    img.height = 48;
    img.palette = {{0xFF, 0x00, 0xFF, 0}, ink};
    img.pixels.assign(size_t(img.width * img.height), 0);
    for (int c = 1; c < 95; ++c) {
        int cx = (c % 16) * 6, cy = (c / 16) * 8;
        for (int y = 1; y < 7; ++y)
            for (int x = 1; x < 5; ++x) img.pixels[size_t((cy + y) * img.width + cx + x)] = 1;
    }
    return img;
}

rpack::GlyphSet blockGlyphSet(int sheetEntry) {
    rpack::GlyphSet font;
    font.sheetEntry = sheetEntry;
    font.header = {8, 7, 6, 10, 0, false};
    for (int c = 0; c < 95; ++c) {
        rpack::Glyph g;
        g.code = uint16_t(0x20 + c);
        g.x = (c % 16) * 6;
        g.y = (c / 16) * 8;
        g.width = 6;
        g.height = 8;
        g.advance = 6;
        font.glyphs.push_back(g);
    }
    return font;
}

void writePack(const rpack::PackContent& content) {
    fs::path rsc = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
    rpack::writeFiles(rsc, rpack::buildPack(content));
}

uint32_t pixelAt(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y) {
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(1);
    img->getRGB(out, 0, 1, x, y, 1, 1);
    return uint32_t(out[0]);
}

void writeImagePng(const VMPtr<javax::microedition::lcdui::Image>& img, const std::string& path) {
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
    rpack::writeFiles(fs::path(path).parent_path(),
                      {{fs::path(path).filename().string(), rpack::encodePng(out)}});
}

}  // namespace wrentest
