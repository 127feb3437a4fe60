#include "toolkit_support.h"

#include <cstdlib>
#include <filesystem>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "runtime/wren_test_Task.h"
#include "support/program_folder.h"
#include "ui_ResManager.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(wrentest::toolkit::ToolkitCanvas, "wrentest.toolkit.ToolkitCanvas")
WREN_DEFINE_CLASS(wrentest::toolkit::ToolkitMain, "wrentest.toolkit.ToolkitMain")
WREN_DEFINE_CLASS(wrentest::toolkit::LogObject, "wrentest.toolkit.LogObject")
WREN_DEFINE_CLASS(wrentest::toolkit::LogScene, "wrentest.toolkit.LogScene")

namespace wrentest::toolkit {

namespace fs = std::filesystem;

namespace {

wrentest::ProcessProgramFolder programFolder{"/tmp/wren_toolkit_XXXXXX"};

// A 16 by 4 sheet: four 4 by 4 squares, red, green, blue and yellow.
rpack::IndexedImage sheet() {
    rpack::IndexedImage img;
    img.width = 16;
    img.height = 4;
    img.palette = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) img.pixels.push_back(uint8_t(x / 4));
    return img;
}

rpack::Gob square(int colour, int offsetX, int offsetY, int bx, int by, int bw, int bh) {
    rpack::Gob g;
    g.offsetX = offsetX;
    g.offsetY = offsetY;
    g.x = 4 * colour;
    g.width = 4;
    g.height = 4;
    g.boxX = bx;
    g.boxY = by;
    g.boxWidth = bw;
    g.boxHeight = bh;
    g.hint = 1;
    return g;
}

// Gobs: 0 red, drawn 1, 2 from its origin, box over the picture; 1 green,
// a box of no height; 2 blue, a 2 by 2 box inside.
rpack::GobSet gobs() {
    rpack::GobSet set;
    set.gobs = {square(0, 1, 2, 0, 0, 4, 4), square(1, 0, 0, 0, 0, 4, 0),
                square(2, 0, 0, 1, 1, 2, 2)};
    return set;
}

// One yellow Gob with a box over the picture.
rpack::GobSet otherGobs() {
    rpack::GobSet set;
    set.gobs = {square(3, 0, 0, 0, 0, 4, 4)};
    return set;
}

// One green Gob whose box has no height.
rpack::GobSet flatGobs() {
    rpack::GobSet set;
    set.gobs = {square(1, 0, 0, 0, 0, 4, 0)};
    return set;
}

// Frames: 0 the red Gob, boxes of types 0, 1, 2 and a second of type 1; 1
// the green Gob, one box of type 0; 2 the blue Gob, no box.
// Animations (10 ms a step): 0 frame 0 once; 1 frames 1, 0 twice; 2 frame
// 2 for ever; 3 frame 1 once, the last.
rpack::AnimSet anims() {
    rpack::AnimSet set;
    set.durations = {10};
    rpack::AnimFrame f0;
    f0.pieces = {{0, 0, 0, 0}};
    f0.boxes = {{0, 0, 4, 4, 0}, {1, 1, 2, 2, 1}, {-3, 5, 6, 7, 2}, {2, 2, 1, 1, 1}};
    rpack::AnimFrame f1;
    f1.pieces = {{1, 0, 0, 0}};
    f1.boxes = {{10, 10, 3, 3, 0}};
    rpack::AnimFrame f2;
    f2.pieces = {{2, 0, 0, 0}};
    set.frames = {f0, f1, f2};
    rpack::Animation a0;
    a0.loopCount = 1;
    a0.steps = {{0, 0, 0, 0, 0, 0}};
    rpack::Animation a1;
    a1.loopCount = 2;
    a1.steps = {{1, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
    rpack::Animation a2;
    a2.loopCount = -1;
    a2.steps = {{2, 0, 0, 0, 0, 0}};
    rpack::Animation a3;
    a3.loopCount = 1;
    a3.steps = {{1, 0, 0, 0, 0, 0}};
    set.animations = {a0, a1, a2, a3};
    return set;
}

}  // namespace

void installFixturePack() {
    static bool written = false;
    if (!written) {
        fs::path rsc = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
        rpack::writeFiles(rsc, {{rpack::packFileName(kPack),
                                 rpack::encodePlainPack({{rpack::encodePng(sheet()), -3},
                                                         {rpack::encodeGobSet(gobs()), -1},
                                                         {rpack::encodeAnimSet(anims()), -1},
                                                         {rpack::encodeGobSet(otherGobs()), -1},
                                                         {rpack::encodeGobSet(flatGobs()), -1}})}});
        written = true;
    }
    wren::Resources::closePack();
}

void LogObject::ctor(std::string objectName, jint d, Log* into) {
    MyObject::ctor();
    name = std::move(objectName);
    depth = d;
    log = into;
}

void LogScene::ctor(Log* into) {
    Scene::ctor();
    log = into;
}

void LogScene::loadData() {
    note("data");
    objectCalls = 0;  // a new load: build makes the objects again
    moreData = dataRepeats > 0 ? dataRepeats-- : 0;
}

void LogScene::loadObjects() {
    note("objects");
    if (objectCalls++ == 0 && build) build(*this);
    moreObjects = objectRepeats > 0 ? objectRepeats-- : 0;
}

void ToolkitTest::SetUp() {
    installFixturePack();
    canvas = ToolkitCanvas::make(IdleMIDlet::make());
    // The canvas's game thread ends before its first frame: the tests run
    // the scenes themselves.
    wren::WrenCanvas::Statics& cs = wren::WrenCanvas::S();
    VMPtr<java::lang::Thread> gameThread = cs.gameThread;
    cs.appState = wren::WrenCanvas::APP_EXITING;
    wren::test::join(gameThread);
    cs.instance = canvas.get();

    mainObject = ToolkitMain::make();
    main::Main::Statics& m = main::Main::S();
    m.canvas = canvas.get();
    m.instance = mainObject.get();
    m.redrawBackground = false;
    ui::ResManager::make();
    ui::Scene::S().updating = nullptr;
}

void ToolkitTest::TearDown() {
    ui::ResManager::clear();
    wren::Resources::closePack();
    ui::Scene::S().updating = nullptr;
    main::Main::Statics& m = main::Main::S();
    m.canvas = nullptr;
    m.instance = nullptr;
    m.redrawBackground = false;
}

}  // namespace wrentest::toolkit
