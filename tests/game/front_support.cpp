#include "front_support.h"

#include <cstdlib>
#include <filesystem>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "game_test_support.h"
#include "program_folder.h"
#include "shell_test_support.h"
#include "ui_Pointer.h"
#include "ui_Scene.h"
#include "ui_Screen.h"
#include "widgets_test_support.h"
#include "wren_Resources.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::front::FrontCanvas, "wrentest.front.FrontCanvas")
WREN_DEFINE_CLASS(wrentest::front::RecordingMain, "wrentest.front.RecordingMain")

namespace wrentest::front {
namespace {

namespace fs = std::filesystem;

wrentest::ProcessProgramFolder programFolder{"/tmp/wren_front_XXXXXX"};

fs::path rscFolder() { return fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc"; }

rpack::IndexedImage blankSheet(int w, int h, std::vector<rpack::PaletteColour> colours) {
    rpack::IndexedImage img;
    img.width = w;
    img.height = h;
    img.palette = {{0xFF, 0x00, 0xFF, 0}};
    for (auto& c : colours) img.palette.push_back(c);
    img.pixels.assign(size_t(w * h), 0);
    return img;
}

void fill(rpack::IndexedImage& img, int x0, int y0, int w, int h, uint8_t c) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) img.pixels[size_t(y * img.width + x)] = c;
}

rpack::Animation still(int frame, int loops = -1) { return {loops, {{frame, 0, 0, 0, 0, 0}}}; }

// A frame of w x h tiles of `tile` (tw x th) from (x, y) on.
rpack::AnimFrame tiled(int tile, int tw, int th, int x, int y, int w, int h) {
    rpack::AnimFrame f;
    for (int ty = 0; ty < h; ty += th)
        for (int tx = 0; tx < w; tx += tw) f.pieces.push_back({tile, x + tx, y + ty, 0});
    return f;
}

void writeLogoAndMenu(const FixtureShape& shape) {
    enum : uint8_t { LOGO = 1, BACKDROP, TITLE };
    rpack::IndexedImage sheet = blankSheet(256, 100, {{0xCC, 0x00, 0x00, 255},
                                                      {0x30, 0x60, 0xC0, 255},
                                                      {0x00, 0xA0, 0x00, 255}});
    fill(sheet, 0, 0, shape.logoWidth, shape.logoHeight, LOGO);
    fill(sheet, 0, 50, 40, 40, BACKDROP);
    fill(sheet, 40, 50, 20, 50, TITLE);

    rpack::AnimSet logo;
    logo.durations = {100};
    logo.frames.resize(1);
    logo.frames[0].pieces = {{0, -shape.logoWidth, 0, 0}};
    logo.animations = {still(0)};

    rpack::AnimSet backdrop;
    backdrop.durations = {100};
    backdrop.frames = {tiled(0, 40, 40, -120, -160, 240, 320)};
    backdrop.frames[0].boxes = {{-120, -160, 240, 320, 0, false}};
    backdrop.animations = {still(0)};

    rpack::AnimSet title;
    title.durations = {100};
    title.frames = {tiled(0, 20, 50, -120, -100, 20, 200)};
    title.animations = {still(0)};

    rpack::PackContent pack;
    pack.number = 1;
    pack.entries = {{rpack::encodeAnimSet(logo), -1},
                    {rpack::encodeAnimSet(backdrop), -1},
                    {rpack::encodeAnimSet(title), -1},
                    {rpack::encodeGobSet({6, {gob(0, 0, shape.logoWidth, shape.logoHeight)}}), -1},
                    {rpack::encodeGobSet({6, {gob(0, 50, 40, 40)}}), -1},
                    {rpack::encodeGobSet({6, {gob(40, 50, 20, 50)}}), -1},
                    {rpack::encodePng(sheet), -3}};
    writePack(pack);
}

void writeStoryBackground(const FixtureShape& shape) {
    rpack::IndexedImage sheet = blankSheet(40, 40, {{0x80, 0x80, 0x80, 255}});
    fill(sheet, 0, 0, 40, 40, 1);
    rpack::AnimSet set;
    set.durations = {100};
    rpack::AnimFrame lane;
    lane.boxes = {{-200, 0, 160, 320, 0, false}};
    set.frames = {lane, tiled(0, 40, 40, -160, 0, 160, 320)};
    set.frames[1].boxes = {{-160, shape.storyBoxY, 160, 320, 0, false}};
    set.animations = {still(0)};
    rpack::PackContent pack;
    pack.number = 17;
    pack.entries = {{rpack::encodeAnimSet(set), -1},
                    {rpack::encodeGobSet({2, {gob(0, 0, 40, 40)}}), -1},
                    {rpack::encodePng(sheet), -3}};
    writePack(pack);
}

void writeFamilies() {
    rpack::IndexedImage sheet = blankSheet(180, 60, {{0xF0, 0xE0, 0x00, 255},
                                                     {0xF0, 0x80, 0x00, 255},
                                                     {0x80, 0x00, 0xC0, 255}});
    for (int k = 0; k < 3; ++k) fill(sheet, 60 * k, 0, 60, 60, uint8_t(1 + k));
    rpack::AnimSet set;
    set.durations = {500, 1000};
    for (int k = 0; k < 3; ++k) {
        rpack::AnimFrame f;
        f.pieces = {{k, -60, -30, 0}};
        f.boxes = {{-45, -15, 30, 30, 0, false}};
        set.frames.push_back(f);
    }
    set.animations = {still(0, 1), still(1, 1), still(2), still(2)};
    rpack::GobSet gobs{18, {gob(0, 0, 60, 60), gob(60, 0, 60, 60), gob(120, 0, 60, 60)}};
    rpack::PackContent pack;
    pack.number = 18;
    for (int f = 0; f < 9; ++f) pack.entries.push_back({rpack::encodeAnimSet(set), -1});
    for (int f = 0; f < 9; ++f) pack.entries.push_back({rpack::encodeGobSet(gobs), -1});
    pack.entries.push_back({rpack::encodePng(sheet), -3});
    writePack(pack);
}

// Whether a file of the rsc folder belongs to the pack whose names start
// with `prefix` ("RP1" but not "RP17").
bool ofPack(const std::string& name, const std::string& prefix) {
    return name.rfind(prefix, 0) == 0 && name.size() > prefix.size() &&
           (name[prefix.size()] == 'p' || name[prefix.size()] == '.');
}

void removePackFiles(const std::string& prefix) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(rscFolder(), ec))
        if (ofPack(e.path().filename().string(), prefix)) fs::remove(e.path(), ec);
}

// The sample content's files of one pack, back over whatever replaced them.
void copySamplePack(const std::string& prefix) {
    for (const auto& e : fs::directory_iterator(fs::path(WREN_GAME_DIR) / "rsc"))
        if (ofPack(e.path().filename().string(), prefix))
            fs::copy_file(e.path(), rscFolder() / e.path().filename(),
                          fs::copy_options::overwrite_existing);
}

}  // namespace

void installContent(const FixtureShape& shape) {
    static bool copied = false;
    if (!copied) {
        fs::create_directories(rscFolder());
        fs::copy(fs::path(WREN_GAME_DIR) / "rsc", rscFolder(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        copied = true;
    }
    wren::Resources::closePack();
    for (const char* p : {"RP1", "RP17", "RP18"}) removePackFiles(p);
    if (shape.sampleMenu)
        copySamplePack("RP1");
    else
        writeLogoAndMenu(shape);
    writeStoryBackground(shape);
    writeFamilies();
    wren::Resources::closePack();
}

void FrontTest::SetUp() {
    installContent(shape());
    resetGameStatics();
    resetTouchInput();
    midlet = IdleMIDlet::make();
    canvas = FrontCanvas::make(midlet);
    stopGameThreadAndInstall(canvas);
    canvas->updateScreenSize();
    canvas->initTouchInput();
    canvas->deleteAllData();
    mainObject = RecordingMain::make(canvas);
}

void FrontTest::TearDown() {
    resetGameStatics();
    resetTouchInput();
    wren::Resources::closePack();
}

void FrontTest::frame() {
    advanceGameClock(canvas->getFrameTime());
    canvas->updateKeys();
    mainObject->update();
}

int FrontTest::frameUntilLoaded() {
    int n = 0;
    do {
        frame();
        ++n;
    } while (current() != nullptr && current()->progressiveLoad && n < 50);
    return n;
}

void FrontTest::tap(jint x, jint y) {
    press(x, y);
    lift(x, y);
    frame();
    frame();
}

std::pair<jint, jint> FrontTest::boxCentre(jint layer, jint type) {
    VMPtr<VMArray<jint>> box = current()->screen->getLayerBox(layer, type);
    return {box[0] + box[2] / 2, box[1] + box[3] / 2};
}

Calls FrontTest::calls() {
    Calls out = mainObject->calls;
    mainObject->calls.clear();
    return out;
}

VMPtr<javax::microedition::lcdui::Image> FrontTest::paint() {
    VMPtr<javax::microedition::lcdui::Image> img =
        javax::microedition::lcdui::Image::createImage(240, 320, false, jint(0xFF000000));
    manager()->paintScenes(img->getGraphics());
    return img;
}

uint32_t FrontTest::pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y) {
    return pixelAt(img, x, y);
}

jint FrontTest::intAt(const VMPtr<VMArray<jbyte>>& bytes, jint at) {
    return jint((uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
                (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3])));
}

}  // namespace wrentest::front
