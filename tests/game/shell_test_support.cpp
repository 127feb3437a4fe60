#include "shell_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "TextTable.h"
#include "game_test_support.h"
#include "java_lang_Thread.h"
#include "main_Game.h"
#include "main_Main.h"
#include "runtime/wren_test_Task.h"
#include "scene_SceneManager.h"
#include "support/program_folder.h"
#include "ui_ResManager.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(wrentest::shell::ShellCanvas, "wrentest.shell.ShellCanvas")
WREN_DEFINE_CLASS(wrentest::shell::ScriptedRandom, "wrentest.shell.ScriptedRandom")

namespace wrentest::shell {
namespace {

namespace fs = std::filesystem;

// The resource front end reads the program folder once per process.
wrentest::ProcessProgramFolder programFolder{"/tmp/wren_shell_XXXXXX"};

// Palette indices of the pack-2 sheet.
enum Colour : uint8_t { CLEAR, SPLASH, PANEL, PANEL1, MARKER, VALUE0 };

// The sheet: a 40 x 30 splash at (0, 0), the two 60 x 40 panels at (40, 0)
// and (100, 0), then 4 x 4 squares from (160, 0): the marker and the four
// values.
rpack::IndexedImage sheet() {
    rpack::IndexedImage img;
    img.width = 180;
    img.height = 40;
    img.palette = {{0xFF, 0x00, 0xFF, 0},    {0x00, 0xFF, 0x00, 255}, {0x00, 0x00, 0xFF, 255},
                   {0xFF, 0x00, 0x00, 255}, {0xFF, 0xFF, 0xFF, 255}, {0xFF, 0xFF, 0x00, 255},
                   {0x00, 0xFF, 0xFF, 255}, {0x80, 0x00, 0xFF, 255}, {0x80, 0x80, 0x80, 255}};
    img.pixels.assign(size_t(img.width * img.height), CLEAR);
    auto fill = [&](int x0, int y0, int w, int h, uint8_t c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) img.pixels[size_t(y * img.width + x)] = c;
    };
    fill(0, 0, 40, 30, SPLASH);
    fill(40, 0, 60, 40, PANEL);
    fill(100, 0, 60, 40, PANEL1);
    fill(160, 0, 4, 4, MARKER);
    for (int v = 0; v < 4; ++v) fill(164 + 4 * (v % 4), 0, 4, 4, uint8_t(VALUE0 + v));
    return img;
}

rpack::GobSet splashGobs() { return {0, {gob(0, 0, 40, 30, -20, -15)}}; }

// Gob 0: panel frame 0, 1: panel frame 1, 2: the marker.
rpack::GobSet panelGobs() {
    return {0, {gob(40, 0, 60, 40, 0, 0), gob(100, 0, 60, 40, 0, 0), gob(160, 0, 4, 4, 0, 0)}};
}

rpack::GobSet valueGobs() {
    rpack::GobSet set{0, {}};
    for (int v = 0; v < 4; ++v) set.gobs.push_back(gob(164 + 4 * v, 0, 4, 4, 0, 0));
    return set;
}

rpack::AnimSet panelAnimations() {
    rpack::AnimSet set;
    set.durations = {100};
    set.frames.resize(3);
    set.frames[0].pieces = {{0, -30, -20, 0}};
    set.frames[1].pieces = {{1, -30, -20, 0}};
    set.frames[1].boxes = {{-30, -20, 10, 10, 0, false},
                           {-30, 0, 20, 10, 1, false},
                           {0, -20, 5, 5, 3, false},
                           {10, 10, 10, 10, 4, false}};
    set.frames[2].pieces = {{2, 0, 0, 0}};
    for (int f = 0; f < 3; ++f) set.animations.push_back({-1, {{f, 0, 0, 0, 0, 0}}});
    return set;
}

}  // namespace

void installShellPacks() {
    const rpack::PackEntry filler{{0}, 0};
    rpack::PackContent shell;
    shell.number = 2;
    shell.entries = {{rpack::encodePng(sheet()), -3},
                     filler,
                     filler,
                     {rpack::encodeAnimSet(panelAnimations()), -1},
                     filler,
                     {rpack::encodeGobSet(valueGobs()), -1},
                     {rpack::encodeGobSet(splashGobs()), -1},
                     filler,
                     {rpack::encodeGobSet(panelGobs()), -1}};
    writePack(shell);

    // The logo the scene manager's first scene shows (0x400 over 0x403):
    // the splash picture, so that making the manager loads something.
    rpack::AnimSet logo;
    logo.durations = {100};
    logo.frames.resize(1);
    logo.frames[0].pieces = {{0, 0, 0, 0}};
    logo.animations.push_back({-1, {{0, 0, 0, 0, 0, 0}}});
    rpack::PackContent logoPack;
    logoPack.number = 1;
    logoPack.entries = {{rpack::encodeAnimSet(logo), -1},
                        filler,
                        filler,
                        {rpack::encodeGobSet({4, splashGobs().gobs}), -1},
                        {rpack::encodePng(sheet()), -3}};
    writePack(logoPack);

    rpack::PackContent fonts;
    fonts.number = 19;
    for (int i = 0; i < 7; ++i)
        fonts.entries.push_back({rpack::encodeGlyphSet(blockGlyphSet(7)), -1});
    fonts.entries.push_back({rpack::encodePng(blockFontSheet({0x00, 0x00, 0x00, 255})), -3});
    writePack(fonts);

    rpack::PackContent texts;
    texts.number = 20;
    texts.entries = {{rpack::encodeTextTable({u"", u"ONE", u"TWO"}), -6}};
    writePack(texts);
    wren::Resources::closePack();
}

void ShellTest::SetUp() {
    installShellPacks();
    resetGameStatics();
    midlet = IdleMIDlet::make();
    canvas = ShellCanvas::make(midlet);
    stopGameThreadAndInstall(canvas);
    canvas->deleteAllData();
}

void ShellTest::TearDown() {
    resetGameStatics();
    wren::Resources::closePack();
}

}  // namespace wrentest::shell
