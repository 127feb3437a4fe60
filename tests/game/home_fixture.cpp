#include "home_fixture.h"

#include <algorithm>
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
#include "support/program_folder.h"
#include "wren_Resources.h"

namespace wrentest::home {
namespace {

namespace fs = std::filesystem;

// The resource front end reads the program folder once per process.
wrentest::ProcessProgramFolder programFolder{"/tmp/wren_home_XXXXXX"};

// Sheet colours, by palette index.
enum Colour : uint8_t {
    CLEAR,
    HOME,
    EDGE,
    TAB,
    TAB_LIT,
    VIEW,
    BAR,
    CURSOR,
    CAP,
    ROW_CURSOR,
    PIECE0,
    PIP0 = PIECE0 + 5,
};

// Graphic objects of 3074 that the frames are made of.
enum HomeGob { G_HOME, G_EDGE, G_TAB, G_TAB_LIT, G_VIEW, G_BAR, G_CURSOR, G_CAP, G_ROW_CURSOR };
constexpr int kFirstPiece = 29;
constexpr int kFirstPip = 36;

struct Tile {
    int x, y, w, h;
    uint8_t colour;
};

// Where each picture lies in the sheet: the frame tiles on the first row,
// pieces and pips on the second.
const Tile kTiles[] = {
    {0, 0, 48, 64, HOME},      {48, 0, 48, 32, EDGE},  {96, 0, 30, 64, TAB},
    {126, 0, 30, 64, TAB_LIT}, {156, 0, 40, 40, VIEW}, {196, 0, 60, 40, BAR},
    {256, 0, 60, 40, CURSOR},  {316, 0, 10, 40, CAP},  {326, 0, 30, 80, ROW_CURSOR},
};
constexpr int kPieceY = 80;
constexpr int kPipX = 150;

rpack::IndexedImage sheet() {
    rpack::IndexedImage img;
    img.width = 360;
    img.height = 110;
    img.palette = {{0xFF, 0x00, 0xFF, 0},   {0x40, 0x60, 0x80, 255}, {0x20, 0x40, 0x60, 255},
                   {0xC0, 0xC0, 0xC0, 255}, {0xF8, 0xF8, 0x00, 255}, {0x80, 0xA0, 0xC0, 255},
                   {0x60, 0x30, 0x00, 255}, {0xF8, 0x80, 0x00, 255}, {0x40, 0x00, 0x00, 255},
                   {0xF8, 0x00, 0x00, 255}};
    for (uint32_t c : kPieceColours)
        img.palette.push_back({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
    for (uint32_t c : kPipColours)
        img.palette.push_back({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
    img.pixels.assign(size_t(img.width * img.height), CLEAR);
    auto fill = [&](int x0, int y0, int w, int h, uint8_t c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) img.pixels[size_t(y * img.width + x)] = c;
    };
    for (const Tile& t : kTiles) fill(t.x, t.y, t.w, t.h, t.colour);
    for (int i = 0; i < 5; ++i) fill(30 * i, kPieceY, 30, 30, uint8_t(PIECE0 + i));
    for (int i = 0; i < 5; ++i) fill(kPipX + 8 * i, kPieceY, 8, 8, uint8_t(PIP0 + i));
    return img;
}

rpack::GobSet homeGobs() {
    rpack::GobSet set;
    set.sheetEntry = 3;
    for (const Tile& t : kTiles) set.gobs.push_back(gob(t.x, t.y, t.w, t.h));
    while (int(set.gobs.size()) < kFirstPiece) set.gobs.push_back(gob(0, 0, 4, 4));
    for (int i = 0; i < 5; ++i) set.gobs.push_back(gob(30 * i, kPieceY, 30, 30, -15, -15));
    while (int(set.gobs.size()) < kFirstPip) set.gobs.push_back(gob(0, 0, 4, 4));
    for (int i = 0; i < 5; ++i) set.gobs.push_back(gob(kPipX + 8 * i, kPieceY, 8, 8));
    return set;
}

rpack::GobSet backdropGobs() {
    return {3, {gob(48, 0, 24, 32, -12, -16)}};
}

// A rectangle of w x h at (left, top) tiled with a graphic object of
// tw x th.
void tile(rpack::AnimFrame& f, int g, int tw, int th, int left, int top, int w, int h) {
    for (int y = 0; y < h; y += th)
        for (int x = 0; x < w; x += tw) f.pieces.push_back({g, left + x, top + y, 0});
}

// Boxes numbered by type; a missing one is a zero box.
void boxes(rpack::AnimFrame& f, std::vector<std::vector<int>> list) {
    for (size_t i = 0; i < list.size(); ++i) {
        rpack::AnimBox b;
        b.type = int(i);
        if (list[i].size() == 4) {
            b.x = list[i][0];
            b.y = list[i][1];
            b.width = list[i][2];
            b.height = list[i][3];
        }
        f.boxes.push_back(b);
    }
}

rpack::AnimFrame tabBar(int lit) {
    rpack::AnimFrame f;
    std::vector<std::vector<int>> tabs;
    for (int i = 0; i < 5; ++i) {
        f.pieces.push_back({i == lit ? G_TAB_LIT : G_TAB, -120, -160 + 64 * i, 0});
        tabs.push_back({-120, -160 + 64 * i, 30, 64});
    }
    boxes(f, tabs);
    return f;
}

rpack::AnimFrame statsView() {
    rpack::AnimFrame f;
    tile(f, G_VIEW, 40, 40, -100, -140, 200, 280);
    boxes(f, {{30, -100, 30, 200},
              {-10, -100, 30, 200},
              {-50, -100, 30, 200},
              {30, -130, 30, 30},
              {-10, -130, 30, 30},
              {-50, -130, 30, 30},
              {-90, -120, 30, 100}});
    return f;
}

rpack::AnimSet homeAnimations(bool cursorWidth) {
    rpack::AnimSet set;
    set.durations = {100};
    set.frames.resize(25);
    for (int frame : {0, 1, 2, 3, 4, 5}) set.frames[size_t(frame)] = tabBar(frame - 1);
    set.frames[7] = tabBar(1);
    set.frames[8] = tabBar(2);
    set.frames[9].pieces = {{G_ROW_CURSOR, -30, -40, 0}};
    boxes(set.frames[9], {{}, {-30, 0, 30, 40}, {-30, -40, 30, 40}});
    // The home picture leaves a window for the figure under its anchor
    // (box 2): two tiles of the bottom row, screen {48, 256, 96, 64}.
    tile(set.frames[11], G_HOME, 48, 64, -120, -160, 240, 320);
    std::erase_if(set.frames[11].pieces, [](const rpack::AnimPiece& p) {
        return p.dy == 96 && (p.dx == -72 || p.dx == -24);
    });
    boxes(
        set.frames[11],
        {{}, {}, {-60, 60, 30, 40}, {30, -120, 30, 60}, {-10, -120, 30, 60}, {-50, -120, 30, 60}});
    tile(set.frames[12], G_VIEW, 40, 40, -80, -100, 160, 200);
    tile(set.frames[13], G_BAR, 60, 40, -90, 100, 180, 40);
    boxes(set.frames[13], {{-90, 100, 180, 40}});
    if (cursorWidth) set.frames[14].pieces = {{G_CURSOR, -60, 100, 0}};
    set.frames[15] = statsView();
    set.frames[16] = statsView();
    set.frames[21].pieces = {{G_CAP, -100, 100, 0}};
    tile(set.frames[23], G_EDGE, 48, 32, -120, 0, 240, 32);
    boxes(set.frames[23], {{70, 10, 30, 150}});
    tile(set.frames[24], G_EDGE, 48, 32, -120, -32, 240, 32);
    boxes(set.frames[24], {{}, {70, -160, 30, 150}});
    set.animations.push_back({-1, {{9, 0, 0, 0, 0, 0}}});
    set.animations.push_back({-1, {{10, 0, 0, 0, 0, 0}}});
    return set;
}

// The player's figure (pack 10): every world the same, a 16 x 20 picture
// from its anchor on twelve images, nine endless animations of it.
rpack::IndexedImage figureSheet() {
    rpack::IndexedImage img;
    img.width = 16;
    img.height = 20;
    img.palette = {
        {0xFF, 0x00, 0xFF, 0},
        {uint8_t(kFigureColour >> 16), uint8_t(kFigureColour >> 8), uint8_t(kFigureColour), 255}};
    img.pixels.assign(size_t(img.width * img.height), 1);
    return img;
}

rpack::AnimSet figureAnimations() {
    rpack::AnimSet set;
    set.durations = {100};
    set.frames.resize(1);
    set.frames[0].pieces = {{0, 0, 0, 0}};
    boxes(set.frames[0], {{}, {0, 22, 0, 0}, {2, 2, 12, 16}, {}, {}, {8, 10, 0, 0}});
    for (int a = 0; a < 9; ++a) set.animations.push_back({-1, {{0, 0, 0, 0, 0, 0}}});
    return set;
}

rpack::GobSet figureGobs() {
    rpack::GobSet set;
    set.sheetEntry = 10;
    for (int i = 0; i < 12; ++i) set.gobs.push_back(gob(0, 0, 16, 20));
    return set;
}

}  // namespace

void installHomePacks(bool cursorWidth) {
    rpack::PackContent home;
    home.number = 3;
    home.entries = {{rpack::encodeAnimSet(homeAnimations(cursorWidth)), -1},
                    {rpack::encodeGobSet(backdropGobs()), -1},
                    {rpack::encodeGobSet(homeGobs()), -1},
                    {rpack::encodePng(sheet()), -3}};
    writePack(home);

    rpack::PackContent figure;
    figure.number = 10;
    for (int i = 0; i < 5; ++i)
        figure.entries.push_back({rpack::encodeAnimSet(figureAnimations()), -1});
    for (int i = 0; i < 5; ++i) figure.entries.push_back({rpack::encodeGobSet(figureGobs()), -1});
    figure.entries.push_back({rpack::encodePng(figureSheet()), -3});
    writePack(figure);

    rpack::PackContent fonts;
    fonts.number = 19;
    for (int i = 0; i < 7; ++i)
        fonts.entries.push_back({rpack::encodeGlyphSet(blockGlyphSet(7)), -1});
    fonts.entries.push_back({rpack::encodePng(blockFontSheet({0xF8, 0xF8, 0xF8, 255})), -3});
    writePack(fonts);

    std::vector<std::u16string> texts;
    for (int i = 0; i < 128; ++i) {
        std::string t = "t" + std::to_string(i);
        texts.emplace_back(t.begin(), t.end());
    }
    rpack::PackContent table;
    table.number = 20;
    table.entries = {{rpack::encodeTextTable(texts), -6}};
    writePack(table);
    wren::Resources::closePack();
}

}  // namespace wrentest::home
