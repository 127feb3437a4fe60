#include "playfield_support.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "game_test_support.h"
#include "java_lang_Thread.h"
#include "main_Game.h"
#include "support/program_folder.h"
#include "ui_ResManager.h"
#include "wren_Resources.h"
#include "touch_input.h"
#include "wren_util_FastRandom.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::playfield::RecordingManager, "wrentest.playfield.RecordingManager")
WREN_DEFINE_CLASS(wrentest::playfield::ClockScene, "wrentest.playfield.ClockScene")

namespace wrentest::playfield {

namespace fs = std::filesystem;

namespace {

wrentest::ProcessProgramFolder programFolder{"/tmp/wren_playfield_XXXXXX"};

rpack::Animation once(int frame, int duration) { return {1, {{frame, 0, 0, duration, 0, 0}}}; }
rpack::Animation endless(int frame) { return {-1, {{frame, 0, 0, 0, 0, 0}}}; }

// A sheet of `count` cells of w x h, `perRow` to a row, cell i in colour
// 1 + i % 15 of a 16-colour palette.
rpack::IndexedImage cellSheet(int count, int perRow, int w, int h) {
    rpack::IndexedImage img;
    img.width = perRow * w;
    img.height = ((count + perRow - 1) / perRow) * h;
    img.palette.push_back({0xFF, 0x00, 0xFF, 0});
    for (int c = 1; c < 16; ++c)
        img.palette.push_back({uint8_t(c * 16), uint8_t(255 - c * 15), uint8_t((c * 53) & 0xFF), 255});
    img.pixels.assign(size_t(img.width * img.height), 0);
    for (int i = 0; i < count; ++i) {
        int cx = (i % perRow) * w, cy = (i / perRow) * h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.pixels[size_t((cy + y) * img.width + cx + x)] = uint8_t(1 + i % 15);
    }
    return img;
}

rpack::GobSet cellGobs(int sheetEntry, int count, int perRow, int w, int h) {
    rpack::GobSet set;
    set.sheetEntry = sheetEntry;
    for (int i = 0; i < count; ++i) {
        rpack::Gob g;
        g.x = (i % perRow) * w;
        g.y = (i / perRow) * h;
        g.width = w;
        g.height = h;
        set.gobs.push_back(g);
    }
    return set;
}

// --- pack 10: the player -------------------------------------------------

rpack::AnimBox box(int type, int x, int y, int w, int h) { return {x, y, w, h, type, false}; }

rpack::AnimFrame playerFrame(int gob, int kind) {
    rpack::AnimFrame f;
    f.pieces = {{gob, 0, 0, 0}};
    const rpack::AnimBox big{-84, -20, 200, 100, 0, false};
    // kind: 0 plain (body and shove), 1 carry, 2 attack, 3 grab, 4 defeated
    rpack::AnimBox weapon = box(0, 0, 0, 0, 0), body = box(2, 16, 20, 0, 0),
                   shove = box(3, 0, 0, 0, 0), grab = box(4, 0, 0, 0, 0),
                   special = box(5, 16, 20, 0, 0);
    switch (kind) {
    case 0:
        body = box(2, 8, 8, 16, 24);
        shove = box(3, -8, 0, 48, 48);
        break;
    case 1:
        weapon = big;
        weapon.type = 0;
        break;
    case 2:
        special = big;
        special.type = 5;
        break;
    case 3:
        grab = big;
        grab.type = 4;
        break;
    default:
        break;
    }
    f.boxes = {weapon, box(1, 0, 44, 0, 0), body, shove, grab, special};
    return f;
}

// Frame f shows image f % images.
rpack::AnimSet playerAnims(int images) {
    rpack::AnimSet set;
    set.durations = {100, 400, 600};
    const int kinds[8] = {0, 0, 1, 0, 2, 0, 3, 4};
    for (int f = 0; f < 8; ++f) set.frames.push_back(playerFrame(f % images, kinds[f]));
    set.animations = {endless(0),  once(1, 1), endless(2), once(3, 1), once(4, 1),
                      endless(5),  endless(0), once(6, 1), once(7, 2)};
    return set;
}

rpack::PackContent playerPack() {
    rpack::PackContent p;
    p.number = 10;
    for (int i = 0; i < 5; ++i)
        p.entries.push_back({rpack::encodeAnimSet(playerAnims(i == 4 ? 6 : 8)), -1});
    for (int i = 0; i < 5; ++i)
        p.entries.push_back({rpack::encodeGobSet(cellGobs(10, i == 4 ? 6 : 12, 4, kPlayerWidth,
                                                          kPlayerHeight)),
                             -1});
    p.entries.push_back({rpack::encodePng(cellSheet(12, 4, kPlayerWidth, kPlayerHeight)), -3});
    return p;
}

// --- packs 11 and 12: background and monsters ------------------------------

// Gobs of the background sheet: 0 a 48 x 64 tile, 1 a 4 x 64 edge strip.
rpack::AnimSet backgroundAnims(int laneWidth) {
    rpack::AnimSet set;
    set.durations = {100};
    rpack::AnimFrame lane;
    for (int y = 0; y < 320; y += 64) {
        lane.pieces.push_back({1, -224, y, 0});
        lane.pieces.push_back({1, -20, y, 0});
    }
    lane.boxes = {box(0, -220, 0, laneWidth, 320)};
    rpack::AnimFrame tile;
    for (int y = 0; y < 320; y += 64)
        for (int x = 0; x < 240; x += 48) tile.pieces.push_back({0, -240 + x, y, 0});
    tile.boxes = {box(0, -160, 0, 160, 320)};
    set.frames = {lane, tile};
    set.animations = {endless(0)};
    return set;
}

rpack::GobSet backgroundGobs(int sheetEntry) {
    rpack::GobSet set;
    set.sheetEntry = sheetEntry;
    rpack::Gob tile;
    tile.width = 48;
    tile.height = 64;
    rpack::Gob edge;
    edge.x = 48;
    edge.width = 4;
    edge.height = 64;
    set.gobs = {tile, edge};
    return set;
}

// The background and the monsters share one sheet: the 48 x 64 tile and
// the edge at the top, then 36 monster images of 8 x 8 below.
rpack::IndexedImage fieldSheet() {
    rpack::IndexedImage img;
    img.width = 52;
    img.height = 64 + 48;
    img.palette = {{0xFF, 0x00, 0xFF, 0}, {0x60, 0xA0, 0x40, 255}, {0x30, 0x30, 0x30, 255}};
    for (int g = 0; g < 6; ++g)
        img.palette.push_back({uint8_t(40 * g), uint8_t(200 - 30 * g), uint8_t(120 + 20 * g), 255});
    img.pixels.assign(size_t(img.width * img.height), 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 52; ++x) img.pixels[size_t(y * img.width + x)] = x < 48 ? 1 : 2;
    for (int i = 0; i < 36; ++i) {
        int cx = (i % 6) * 8, cy = 64 + (i / 6) * 8;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                img.pixels[size_t((cy + y) * img.width + cx + x)] = uint8_t(3 + i / 6);
    }
    return img;
}

rpack::GobSet monsterGobs(int sheetEntry, int count) {
    rpack::GobSet set;
    set.sheetEntry = sheetEntry;
    for (int i = 0; i < count; ++i) {
        rpack::Gob g;
        g.x = (i % 6) * 8;
        g.y = 64 + (i / 6) * 8;
        g.width = g.height = 8;
        set.gobs.push_back(g);
    }
    return set;
}

rpack::AnimSet monsterAnims() {
    rpack::AnimSet set;
    set.durations = {100, 400, 300};
    for (int f = 0; f < 8; ++f) {
        rpack::AnimFrame frame;
        for (int y = 0; y < kMonsterSize; y += 8)
            for (int x = 0; x < kMonsterSize; x += 8) frame.pieces.push_back({f % 6, x, y, 0});
        frame.boxes = {box(0, 0, 0, kMonsterSize, kMonsterSize), box(1, 0, 0, 0, 0),
                       box(2, 0, 0, 0, 0),  box(3, 0, 0, 0, 0),
                       box(4, 0, 0, 0, 0),  box(5, 16, 16, 0, 0)};
        set.frames.push_back(frame);
    }
    set.animations = {endless(0),  endless(1),  endless(2),  endless(3),
                      once(4, 1),  once(5, 1),  once(6, 1),  once(7, 2)};
    return set;
}

rpack::PackContent fieldPack(int number, int laneWidth, bool monsters) {
    rpack::PackContent p;
    p.number = number;
    const int sheet = monsters ? 8 : 2;
    p.entries.push_back({rpack::encodeAnimSet(backgroundAnims(laneWidth)), -1});
    if (!monsters) {
        p.entries.push_back({rpack::encodeGobSet(backgroundGobs(sheet)), -1});
    } else {
        for (int i = 0; i < 3; ++i) p.entries.push_back({rpack::encodeAnimSet(monsterAnims()), -1});
        p.entries.push_back({rpack::encodeGobSet(backgroundGobs(sheet)), -1});
        for (int i = 0; i < 3; ++i)
            p.entries.push_back({rpack::encodeGobSet(monsterGobs(sheet, 36)), -1});
    }
    p.entries.push_back({rpack::encodePng(fieldSheet()), -3});
    if (monsters) p.entries.push_back({rpack::encodeGobSet(monsterGobs(sheet, 6)), -1});
    return p;
}

// --- pack 18: families -----------------------------------------------------

rpack::AnimSet familyAnims() {
    rpack::AnimSet set;
    set.durations = {500, 1000};
    for (int f = 0; f < 3; ++f) {
        rpack::AnimFrame frame;
        for (int y = 0; y < 60; y += 12)
            for (int x = 0; x < 60; x += 12) frame.pieces.push_back({f, -60 + x, -30 + y, 0});
        frame.boxes = {box(0, -45, -15, 30, 30)};
        set.frames.push_back(frame);
    }
    set.animations = {once(0, 0), once(1, 0), endless(2), endless(2)};
    return set;
}

rpack::PackContent familyPack() {
    rpack::PackContent p;
    p.number = 18;
    for (int f = 0; f < 9; ++f) p.entries.push_back({rpack::encodeAnimSet(familyAnims()), -1});
    for (int f = 0; f < 9; ++f)
        p.entries.push_back({rpack::encodeGobSet(cellGobs(18, 3, 3, 12, 12)), -1});
    p.entries.push_back({rpack::encodePng(cellSheet(3, 3, 12, 12)), -3});
    return p;
}

// --- pack 4: the results' icons ----------------------------------------------

rpack::PackContent iconPack() {
    rpack::PackContent p;
    p.number = 4;
    rpack::AnimSet filler;
    filler.durations = {100};
    filler.frames.resize(1);
    filler.animations = {endless(0)};
    for (int i = 0; i < 3; ++i) p.entries.push_back({rpack::encodeAnimSet(filler), -1});
    rpack::GobSet icons = cellGobs(6, 15, 5, 20, 20);
    for (rpack::Gob& g : icons.gobs) g.offsetX = g.offsetY = -10;
    p.entries.push_back({rpack::encodeGobSet(icons), -1});
    p.entries.push_back({rpack::encodeGobSet(cellGobs(6, 1, 5, 20, 20)), -1});
    p.entries.push_back({rpack::encodeGobSet(cellGobs(6, 1, 5, 20, 20)), -1});
    p.entries.push_back({rpack::encodePng(cellSheet(15, 5, 20, 20)), -3});
    return p;
}

// The sample content's files of pack n ("RP<n>part<k>.rp").
void copySamplePack(int n) {
    const fs::path from = fs::path(WREN_GAME_DIR) / "rsc";
    const fs::path to = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
    fs::create_directories(to);
    const std::string prefix = "RP" + std::to_string(n) + "part";
    bool any = false;
    for (const auto& e : fs::directory_iterator(from)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        fs::copy_file(e.path(), to / name, fs::copy_options::overwrite_existing);
        any = true;
    }
    if (!any) {
        const std::string plain = "RP" + std::to_string(n) + ".rp";
        fs::copy_file(from / plain, to / plain, fs::copy_options::overwrite_existing);
    }
}

}  // namespace

void installPlayfieldPacks() {
    // Written again for every test: other suites of the process write their
    // own packs 9, 19 and 20 into the same folder.
    for (int n : {2, 9, 19, 20}) copySamplePack(n);
    writePack(playerPack());
    writePack(fieldPack(11, kLaneWidth, true));
    writePack(fieldPack(12, 0, false));
    writePack(familyPack());
    writePack(iconPack());
    wren::Resources::closePack();
}

void installHeatKindPacks() {
    for (int n : {13, 15, 16}) writePack(fieldPack(n, kLaneWidth, true));
    for (int n : {14, 17}) writePack(fieldPack(n, kLaneWidth, false));
    wren::Resources::closePack();
}

void RecordingManager::ctor() {
    java::lang::Object::ctor();
    S().instance = this;
    canvas = main::Main::S().canvas;
    sceneId = -1;
}

void PlayfieldTest::SetUp() {
    installPlayfieldPacks();
    resetTouchInput();
    midlet = IdleMIDlet::make();
    canvas = HeadlessCanvas::make(midlet);
    stopGameThreadAndInstall(canvas.get());
    canvas->updateScreenSize();
    canvas->initTouchInput();
    canvas->deleteAllData();

    // What an earlier main object cached would keep the new one from
    // loading.
    main::Main::cleanUp();
    mainObject = main::Main::make(canvas);
    main::Main::Statics& m = main::Main::S();
    m.random = wren::util::FastRandom::make(jlong(12345));
    // The new game drew its world from a generator seeded by the clock,
    // which starts where the machine's counter stood: one run in twenty put
    // a piece on the results' cell. Drawn again from the seeded generator,
    // every run sees the same world.
    m.game->generateWorld();
    m.game->saveData();
    mainObject->loadLanguage(scene::SceneManager::FIRST_TEXT_TABLE);
    manager = RecordingManager::make();
    m.sceneManager = manager.get();
    clock = ClockScene::make();
    clock->loadAll();
    setFrameTime(40);
    pointer = ui::Pointer::make();
}

void PlayfieldTest::TearDown() {
    ui::Scene::S().updating = nullptr;
    ui::ResManager::clear();
    wren::Resources::closePack();
    main::Main::Statics& m = main::Main::S();
    m.sceneManager = nullptr;
    scene::SceneManager::S().instance = nullptr;
    resetTouchInput();
}

void PlayfieldTest::setFrameTime(jint ms) {
    clock->frameTime = ms;
    canvas->frameTime = ms;
    ui::Scene::S().updating = clock.get();
}

void PlayfieldTest::touch(jint pressX, jint pressY, jint x, jint y) {
    ui::Pointer::Statics& p = ui::Pointer::S();
    p.touchStartX[0] = pressX;
    p.touchStartY[0] = pressY;
    p.touchX[0] = x;
    p.touchY[0] = y;
    p.touchPressed[0] = true;
    p.touchReleased[0] = false;
}

void PlayfieldTest::lift() {
    ui::Pointer::Statics& p = ui::Pointer::S();
    p.touchPressed[0] = false;
    p.touchReleased[0] = false;
}

void PlayfieldTest::releasedAt(jint x, jint y) {
    ui::Pointer::Statics& p = ui::Pointer::S();
    p.touchX[0] = x;
    p.touchY[0] = y;
    p.touchPressed[0] = false;
    p.touchReleased[0] = true;
}

VMPtr<VMArray<jint>> PlayfieldTest::stats() { return main::Game::S().stats; }

VMPtr<scene::maingame::InGameScene> PlayfieldTest::makeScene(std::array<jint, 6> params,
                                                             jint column, jint row) {
    main::Game::S().progressPair[0] = column;
    main::Game::S().progressPair[1] = row;
    mainObject->showLoadingPanel(params[0] == 1, params[1] == 1, params[2], params[3], params[4],
                                 params[5]);
    return scene::maingame::InGameScene::make();
}

int PlayfieldTest::load(const VMPtr<scene::maingame::InGameScene>& scene) {
    scene->setProgressiveLoad(true);
    scene->loadAll();
    int frames = 0;
    while (scene->progressiveLoad && frames < 1000) {
        frame(scene);
        ++frames;
    }
    return frames;
}

void PlayfieldTest::frame(const VMPtr<scene::maingame::InGameScene>& scene) {
    advanceGameClock(canvas->getFrameTime());
    canvas->updateKeys();
    scene->update();
}

VMPtr<scene::maingame::InGameScene> PlayfieldTest::loadHeat(std::array<jint, 6> params,
                                                            jint column, jint row) {
    VMPtr<scene::maingame::InGameScene> scene = makeScene(params, column, row);
    load(scene);
    parkMonsters(scene);
    return scene;
}

void PlayfieldTest::parkMonsters(const VMPtr<scene::maingame::InGameScene>& scene) {
    for (jint i = 0; i < scene->monsters->length; ++i) {
        VMPtr<scene::maingame::InGameObject> m = scene->monsters[i];
        m->play(0);
        m->setLayerPosition(0, 20 + 20 * i, 600);
    }
}

jint PlayfieldTest::savedInt(jint id, jint offset) {
    VMPtr<VMArray<jbyte>> bytes = canvas->loadData(id);
    return jint(uint32_t(uint8_t(bytes[offset])) << 24 | uint32_t(uint8_t(bytes[offset + 1])) << 16 |
                uint32_t(uint8_t(bytes[offset + 2])) << 8 | uint32_t(uint8_t(bytes[offset + 3])));
}

jint PlayfieldTest::savedByte(jint id, jint offset) { return canvas->loadData(id)[offset]; }

void PlayfieldTest::pressPauseKey() {
    canvas->pressKey(15);
    canvas->releaseKey(15);
}

VMPtr<javax::microedition::lcdui::Image> PlayfieldTest::blankImage() {
    return javax::microedition::lcdui::Image::createImage(240, 320, false, jint(0xFFFFFFFF));
}

uint32_t PlayfieldTest::pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x,
                              jint y) {
    return pixelAt(img, x, y);
}

void PlayfieldTest::writePng(const VMPtr<javax::microedition::lcdui::Image>& img,
                             const std::string& path) {
    writeImagePng(img, path);
}

}  // namespace wrentest::playfield
