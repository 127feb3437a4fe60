#include "map_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "TextTable.h"
#include "game_test_support.h"
#include "support/program_folder.h"
#include "wren_Resources.h"

namespace wrentest::map {
namespace {

namespace fs = std::filesystem;

// The resource front end reads the program folder once per process.
wrentest::ProcessProgramFolder programFolder{"/tmp/wren_map_XXXXXX"};

// Fourteen reward-kind icons of colours of their own.
constexpr uint32_t kMarkerColours[14] = {0xC00000, 0x00C000, 0x0000C0, 0xC0C000, 0xC000C0,
                                         0x00C0C0, 0x600000, 0x006000, 0x000060, 0x606000,
                                         0x600060, 0x006060, 0xFF80C0, 0x404040};
constexpr uint32_t kOverlayColours[5] = {0xA00060, 0x60A000, 0x0060A0, 0xA0A0A0, 0x202020};
constexpr uint32_t kAreaColours[3] = {0xFF6060, 0x60FF60, 0x6060FF};
constexpr uint32_t kFlagColours[5] = {0x101080, 0x801010, 0x108010, 0x808010, 0x801080};

// One sheet per pack: tiles in a row, each a solid square or an outline.
class Sheet {
public:
    // Adds a tile and returns its Gob, drawn from (offsetX, offsetY).
    rpack::Gob tile(int w, int h, uint32_t rgb, int offsetX, int offsetY, bool outline = false) {
        return split(w, h, rgb, rgb, offsetX, offsetY, outline);
    }
    // The top half in one colour, the bottom half in another.
    rpack::Gob split(int w, int h, uint32_t top, uint32_t bottom, int offsetX, int offsetY,
                     bool outline = false) {
        rpack::Gob g;
        g.x = width_;
        g.width = w;
        g.height = h;
        g.offsetX = offsetX;
        g.offsetY = offsetY;
        tiles_.push_back({width_, w, h, colour(top), colour(bottom), outline});
        width_ += w;
        if (h > height_) height_ = h;
        return g;
    }

    rpack::IndexedImage image() const {
        rpack::IndexedImage img;
        img.width = width_;
        img.height = height_;
        img.palette = palette_;
        img.pixels.assign(size_t(width_ * height_), 0);
        for (const Tile& t : tiles_)
            for (int y = 0; y < t.h; ++y)
                for (int x = 0; x < t.w; ++x) {
                    bool edge = x < 2 || y < 2 || x >= t.w - 2 || y >= t.h - 2;
                    if (t.outline && !edge) continue;
                    img.pixels[size_t(y * width_ + t.x + x)] = y < t.h / 2 ? t.top : t.bottom;
                }
        return img;
    }

private:
    struct Tile {
        int x, w, h;
        uint8_t top, bottom;
        bool outline;
    };
    uint8_t colour(uint32_t rgb) {
        auto found = indices_.find(rgb);
        if (found != indices_.end()) return found->second;
        uint8_t index = uint8_t(palette_.size());
        palette_.push_back({uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255});
        indices_.emplace(rgb, index);
        return index;
    }
    std::vector<rpack::PaletteColour> palette_{{0xFF, 0x00, 0xFF, 0}};
    std::map<uint32_t, uint8_t> indices_;
    std::vector<Tile> tiles_;
    int width_ = 0;
    int height_ = 0;
};

rpack::AnimFrame frameOf(std::vector<rpack::AnimPiece> pieces, std::vector<rpack::AnimBox> boxes = {}) {
    rpack::AnimFrame f;
    f.pieces = std::move(pieces);
    f.boxes = std::move(boxes);
    return f;
}

// Box i of type i.
template <size_t N>
std::vector<rpack::AnimBox> boxesOf(const Box (&boxes)[N]) {
    std::vector<rpack::AnimBox> out;
    for (size_t i = 0; i < N; ++i)
        out.push_back({boxes[i].x, boxes[i].y, boxes[i].width, boxes[i].height, int(i), false});
    return out;
}

// One endless animation per frame, so that any frame can also be played.
void oneAnimationPerFrame(rpack::AnimSet& set) {
    set.durations = {100};
    for (size_t f = 0; f < set.frames.size(); ++f)
        set.animations.push_back({-1, {{int(f), 0, 0, 0, 0, 0}}});
}

rpack::PackEntry gobEntry(const rpack::GobSet& set) { return {rpack::encodeGobSet(set), -1}; }
rpack::PackEntry animEntry(const rpack::AnimSet& set) { return {rpack::encodeAnimSet(set), -1}; }
rpack::PackEntry pngEntry(const Sheet& sheet) { return {rpack::encodePng(sheet.image()), -3}; }

void writeMarkerPack() {
    Sheet sheet;
    rpack::GobSet markers{6, {}};
    for (int k = 0; k < 14; ++k) markers.gobs.push_back(sheet.tile(20, 20, kMarkerColours[k], -10, -10));
    markers.gobs.push_back(sheet.tile(20, 20, kPlainMarker, -10, -10));
    rpack::GobSet overlays{6, {}};
    for (int i = 0; i < 5; ++i) overlays.gobs.push_back(sheet.tile(20, 20, kOverlayColours[i], 0, 0));
    overlays.gobs.push_back(sheet.tile(20, 20, kClosedOverlay, 0, 0));
    rpack::GobSet cursor{6, {}};
    cursor.gobs.push_back(sheet.tile(30, 40, kCursorColour, 0, 0, true));
    cursor.gobs.push_back(sheet.tile(40, 40, kInfoColour, 0, 0));
    cursor.gobs.push_back(sheet.tile(40, 40, kInfoColour, 0, 0, true));
    cursor.gobs.push_back(sheet.tile(40, 40, kMenuColour, 0, 0));

    rpack::AnimSet markerAnims;
    for (int k = 0; k < 15; ++k) markerAnims.frames.push_back(frameOf({{k, -15, 20, 0}}));
    oneAnimationPerFrame(markerAnims);
    rpack::AnimSet overlayAnims;
    for (int i = 0; i < 6; ++i) overlayAnims.frames.push_back(frameOf({{i, -20, 0, 0}}));
    oneAnimationPerFrame(overlayAnims);
    rpack::AnimSet cursorAnims;
    cursorAnims.frames = {frameOf({{0, -30, 0, 0}}, {{-30, 0, 30, 40, 0, false}, {-30, 0, 30, 40, 1, false}}),
                          frameOf({{1, 0, -40, 0}}, {{0, -40, 40, 40, 0, false}}),
                          frameOf({{2, 0, -40, 0}}, {{0, -40, 40, 40, 0, false}}),
                          frameOf({{3, -40, -40, 0}}, {{-40, -40, 40, 40, 0, false}})};
    oneAnimationPerFrame(cursorAnims);

    rpack::PackContent pack;
    pack.number = 4;
    pack.entries = {animEntry(markerAnims), animEntry(overlayAnims), animEntry(cursorAnims),
                    gobEntry(markers),      gobEntry(overlays),      gobEntry(cursor),
                    pngEntry(sheet)};
    writePack(pack);
}

void writeMapPictures() {
    Sheet sheet;
    // Two cells of a row each (a frame holds at most 255 pieces); the
    // lower half of the map through Gobs drawn 400 further down (a piece
    // moves at most 511).
    rpack::GobSet tiles{2, {sheet.split(30, 80, kMapLight, kMapDark, 0, 0),
                            sheet.split(30, 80, kMapDark, kMapLight, 0, 0)}};
    for (int i = 0; i < 2; ++i) {
        rpack::Gob lower = tiles.gobs[size_t(i)];
        lower.offsetY = 400;
        tiles.gobs.push_back(lower);
    }
    rpack::AnimSet picture;
    std::vector<rpack::AnimPiece> pieces;
    for (int row = 0; row < 13; ++row)
        for (int column = 0; column < 20; column += 2) {
            bool lower = 40 * column >= 400;
            pieces.push_back({row % 2 + (lower ? 2 : 0), -30 * (row + 1), 40 * column - (lower ? 400 : 0), 0});
        }
    picture.frames = {frameOf(pieces)};
    oneAnimationPerFrame(picture);
    rpack::PackContent pack;
    pack.number = 5;
    pack.entries = {animEntry(picture), gobEntry(tiles), pngEntry(sheet)};
    writePack(pack);

    for (int area = 0; area < 3; ++area) {
        Sheet areaSheet;
        rpack::GobSet gobs{2, {areaSheet.tile(20, 20, kAreaColours[area], 0, 0)}};
        rpack::AnimSet overlay;
        overlay.frames = {frameOf({{0, -300 + 100 * area, 100, 0}})};
        oneAnimationPerFrame(overlay);
        rpack::PackContent areaPack;
        areaPack.number = 6 + area;
        areaPack.entries = {animEntry(overlay), gobEntry(gobs), pngEntry(areaSheet)};
        writePack(areaPack);
    }
}

// A 200 x 280 panel at {-100, -140} of 20 x 20 tiles.
std::vector<rpack::AnimPiece> panelPieces(int gob) {
    std::vector<rpack::AnimPiece> pieces;
    for (int y = -140; y < 140; y += 20)
        for (int x = -100; x < 100; x += 20) pieces.push_back({gob, x, y, 0});
    return pieces;
}

void writeDialogPack() {
    Sheet sheet;
    rpack::GobSet gobs{2, {}};
    gobs.gobs.push_back(sheet.tile(20, 20, kPanelColour, 0, 0));                            // 0
    for (uint32_t c : {kHighlight4, kHighlight5, kHighlight6}) gobs.gobs.push_back(sheet.tile(20, 20, c, 0, 0));
    for (uint32_t c : kFlagColours) gobs.gobs.push_back(sheet.tile(20, 20, c, 0, 0));      // 4..8

    rpack::AnimSet dialogs;
    dialogs.frames.resize(12);
    dialogs.frames[1] = frameOf(panelPieces(0), boxesOf(kStageBoxes));
    dialogs.frames[2] = frameOf(panelPieces(0), boxesOf(kMenuBoxes));
    dialogs.frames[3] = frameOf(panelPieces(0), boxesOf(kModeBoxes));
    for (int h = 0; h < 3; ++h) dialogs.frames[4 + h] = frameOf({{1 + h, -10, -10, 0}});
    for (int lang = 0; lang < 5; ++lang) {
        std::vector<rpack::AnimPiece> pieces = panelPieces(0);
        pieces.push_back({4 + lang, 60, 100, 0});
        dialogs.frames[7 + lang] = frameOf(pieces, boxesOf(kSettingsBoxes));
    }
    oneAnimationPerFrame(dialogs);
    rpack::PackContent pack;
    pack.number = 9;
    pack.entries = {animEntry(dialogs), gobEntry(gobs), pngEntry(sheet)};
    writePack(pack);
}

void writeFamilyPack() {
    Sheet sheet;
    std::vector<rpack::GobSet> gobSets;
    for (int f = 0; f < 9; ++f) {
        uint32_t own = 0x204000u + uint32_t(f) * 0x1C0010u;
        gobSets.push_back({18, {sheet.tile(60, 60, 0x909090, 0, 0), sheet.tile(60, 60, own, 0, 0)}});
    }
    rpack::AnimSet family;
    family.durations = {100};
    family.frames = {frameOf({{0, -60, -30, 0}}, {{-45, -15, 30, 30, 0, false}}),
                     frameOf({{1, -60, -30, 0}}, {{-45, -15, 30, 30, 0, false}})};
    family.animations = {{1, {{0, 0, 0, 0, 0, 0}}}, {1, {{1, 0, 0, 0, 0, 0}}}, {-1, {{1, 0, 0, 0, 0, 0}}}};
    rpack::PackContent pack;
    pack.number = 18;
    for (int f = 0; f < 9; ++f) pack.entries.push_back(animEntry(family));
    for (const rpack::GobSet& set : gobSets) pack.entries.push_back(gobEntry(set));
    pack.entries.push_back(pngEntry(sheet));
    writePack(pack);
}

void writeTextPacks() {
    rpack::PackContent fonts;
    fonts.number = 19;
    // Font 2, the tutorial band's, is white ink for the black band.
    for (int i = 0; i < 7; ++i)
        fonts.entries.push_back({rpack::encodeGlyphSet(blockGlyphSet(i == 2 ? 8 : 7)), -1});
    fonts.entries.push_back({rpack::encodePng(blockFontSheet({0x00, 0x00, 0x00, 255})), -3});
    fonts.entries.push_back({rpack::encodePng(blockFontSheet({0xFF, 0xFF, 0xFF, 255})), -3});
    writePack(fonts);

    rpack::PackContent texts;
    texts.number = 20;
    for (int entry = 0; entry < 5; ++entry) {
        std::vector<std::u16string> table;
        for (int id = 0; id < 128; ++id) table.push_back(textOf(entry, id));
        texts.entries.push_back({rpack::encodeTextTable(table), -6});
    }
    writePack(texts);
}

}  // namespace

std::u16string textOf(int entry, int id) {
    std::string s = std::to_string(entry) + ":" + std::to_string(id);
    return std::u16string(s.begin(), s.end());
}

uint32_t markerColour(int k) { return kMarkerColours[k]; }

void installMapPacks() {
    static bool written = false;
    if (!written) {
        writeMarkerPack();
        writeMapPictures();
        writeDialogPack();
        writeFamilyPack();
        writeTextPacks();
        written = true;
    }
    wren::Resources::closePack();
}

}  // namespace wrentest::map
