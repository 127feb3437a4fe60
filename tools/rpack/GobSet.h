// Graphic-object sets, and bitmap-font glyph sets in their stored form (a
// graphic-object set whose fields carry character codes, offsets, advances
// and the font's header values).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "Bytes.h"

namespace rpack {

struct Gob {
    int offsetX = 0;
    int offsetY = 0;
    int x = 0;  // picture rectangle in the sheet image
    int y = 0;
    int width = 0;
    int height = 0;
    int boxX = 0;  // collision box, relative to the picture's top-left corner
    int boxY = 0;
    int boxWidth = 0;
    int boxHeight = 0;
    bool roundBox = false;
    int hint = 0;  // transparency hint 0..3; 0 = none given

    bool operator==(const Gob&) const = default;
};

struct GobSet {
    int sheetEntry = 0;  // entry number of the sheet image in the same pack
    std::vector<Gob> gobs;

    bool operator==(const GobSet&) const = default;
};

constexpr int kMaxGobs = 4095;
// The descriptor data length is written as n - 4 in a signed 16-bit field.
constexpr int kMaxDescriptorBytes = 32767 - 4;

// Chooses the stored field groups (a group all of whose values are 0 is left
// out), each field's width (1 byte when every value fits the 1-byte form) and
// whether a hint section is needed (any hint not 0).
Bytes encodeGobSet(const GobSet& set);

struct DecodedGobSet {
    GobSet set;
    uint16_t layout = 0;
    uint16_t countWord = 0;
    std::array<int, 10> fieldWidth{};  // 0 = not stored
};
// Strict: the lengths must agree and no byte may follow.
DecodedGobSet decodeGobSet(const Bytes& bytes);

struct Glyph {
    uint16_t code = 0;
    int x = 0;  // picture rectangle in the sheet image
    int y = 0;
    int width = 0;
    int height = 0;
    int offsetX = 0;  // where the picture is drawn relative to the pen
    int offsetY = 0;
    int advance = 0;
    int hint = 0;

    bool operator==(const Glyph&) const = default;
};

struct FontHeader {
    int lineHeight = 0;
    int baseline = 0;
    int missingAdvance = 0;  // advance of a character without a glyph
    int lineStep = 0;
    int aux = 0;
    bool advanceAligned = false;  // centre and right alignment use the advance sum

    bool operator==(const FontHeader&) const = default;
};

struct GlyphSet {
    int sheetEntry = 0;
    FontHeader header;
    std::vector<Glyph> glyphs;  // any order; stored sorted by code

    bool operator==(const GlyphSet&) const = default;
};

// The header rides on the first seven glyphs.
constexpr int kMinGlyphs = 7;
// Marks a glyph set that has not been converted yet (glyph 3's header value).
constexpr int kStoredFormMark = 255;

GobSet glyphSetToGobs(const GlyphSet& font);
Bytes encodeGlyphSet(const GlyphSet& font);
// The glyph set when the graphic-object set is a font in its stored form.
std::optional<GlyphSet> glyphSetFromGobs(const GobSet& set);

}  // namespace rpack
