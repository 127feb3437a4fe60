#include "widgets_fixture.h"

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

namespace wrentest::widgets {
namespace {

namespace fs = std::filesystem;

// The resource front end reads the program folder once per process.
wrentest::ProcessProgramFolder programFolder{"/tmp/wren_widgets_XXXXXX"};

// Sheet colours, by palette index.
enum Colour : uint8_t { CLEAR, PANEL, CELL, HIGHLIGHT, MARKER, SELECTED, INK };

// Gobs of the UI sheet: 20 x 20 tiles, and the 8 x 8 marker.
enum UiGob { G_PANEL, G_CELL, G_HIGHLIGHT, G_MARKER, G_SELECTED };

rpack::IndexedImage uiSheet() {
    rpack::IndexedImage img;
    img.width = 100;
    img.height = 20;
    img.palette = {{0xFF, 0x00, 0xFF, 0},    {0xE3, 0xCA, 0x83, 255}, {0x82, 0x45, 0x1A, 255},
                   {0xFF, 0x00, 0x00, 255}, {0x00, 0xFF, 0x00, 255}, {0x00, 0x00, 0xFF, 255},
                   {0x00, 0x00, 0x00, 255}};
    const uint8_t tiles[] = {PANEL, CELL, HIGHLIGHT, MARKER, SELECTED};
    img.pixels.resize(size_t(img.width * img.height));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) img.pixels[size_t(y * img.width + x)] = tiles[x / 20];
    return img;
}

rpack::GobSet uiGobs() {
    rpack::GobSet set;
    set.sheetEntry = 2;
    for (int i = 0; i < 5; ++i) {
        rpack::Gob g;
        g.x = i * 20;
        g.width = g.height = i == G_MARKER ? 8 : 20;
        set.gobs.push_back(g);
    }
    return set;
}

// A rectangle of w x h at (left, top) tiled with a 20 x 20 gob.
void tile(rpack::AnimFrame& f, int gob, int left, int top, int w, int h) {
    for (int y = 0; y < h; y += 20)
        for (int x = 0; x < w; x += 20) f.pieces.push_back({gob, left + x, top + y, 0});
}

rpack::AnimFrame board(int box2Height) {
    rpack::AnimFrame f;
    tile(f, G_PANEL, -100, -140, 200, 280);
    f.boxes = {{65, -130, 30, 260, 0, false},   {-50, -130, 110, 260, 1, false},
               {0, 0, 0, box2Height, 2, false}, {-95, 20, 35, 110, 3, false},
               {-95, -130, 35, 110, 4, false}};
    if (box2Height) f.boxes[2].width = 10;
    return f;
}

rpack::AnimFrame cell(int gob) {
    rpack::AnimFrame f;
    tile(f, gob, -40, 0, 40, 200);
    f.boxes = {{-100, -30, 20, 20, 3, false}, {-70, -30, 20, 20, 4, false},
               {-40, 0, 40, 200, 5, false}};
    return f;
}

rpack::AnimSet uiAnimations(bool boardCell) {
    rpack::AnimSet set;
    set.durations = {100};
    set.frames.resize(18);
    tile(set.frames[0], G_PANEL, -50, -40, 100, 80);
    set.frames[0].boxes = {{-40, -30, 80, 60, 0, false}, {-45, -35, 90, 70, 1, false}};
    tile(set.frames[2], G_HIGHLIGHT, -10, -10, 20, 20);
    tile(set.frames[4], G_HIGHLIGHT, -10, -10, 20, 20);
    if (boardCell) set.frames[5] = cell(G_PANEL);
    set.frames[12] = cell(G_CELL);
    set.frames[13] = cell(G_SELECTED);
    // Above the cell, which is drawn over it.
    set.frames[14].pieces = {{G_MARKER, -24, -12, 0}};
    set.frames[15].pieces = {{G_MARKER, -24, -12, 0}};
    set.frames[16] = board(0);
    set.frames[17] = board(10);
    for (int a = 0; a < 5; ++a) set.animations.push_back({-1, {{0, 0, 0, 0, 0, 0}}});
    return set;
}

}  // namespace

void installWidgetPacks(bool boardCell) {
    rpack::PackContent ui;
    ui.number = 9;
    ui.entries = {{rpack::encodeAnimSet(uiAnimations(boardCell)), -1},
                  {rpack::encodeGobSet(uiGobs()), -1},
                  {rpack::encodePng(uiSheet()), -3}};
    writePack(ui);

    rpack::PackContent fonts;
    fonts.number = 19;
    fonts.entries = {{rpack::encodeGlyphSet(blockGlyphSet(1)), -1},
                     {rpack::encodePng(blockFontSheet({0x00, 0x00, 0x00, 255})), -3}};
    writePack(fonts);

    rpack::PackContent texts;
    texts.number = 20;
    texts.entries = {{rpack::encodeTextTable({u"", u"ONE", u"TWO", u"THREE", u"FOUR", u"FIVE",
                                              u"TITLE", u"A SIX", u"SEVEN",
                                              u"NINE: A LINE FAR WIDER THAN THE WHOLE SCREEN."}),
                      -6}};
    writePack(texts);
    wren::Resources::closePack();
}

}  // namespace wrentest::widgets
