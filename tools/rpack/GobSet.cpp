#include "GobSet.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace rpack {

namespace {

constexpr int kFieldGroup[10] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
// Fields whose 1-byte form is signed; the others read it unsigned.
constexpr bool kSignedField[10] = {true,  true, false, false, false,
                                   false, true, true,  false, false};
constexpr uint16_t kHintBit = 0x2000;

std::array<int, 10> fieldsOf(const Gob& g) {
    return {g.offsetX,  g.offsetY, g.x,
            g.y,        g.width,   g.height,
            g.boxX,     g.boxY,    g.boxWidth | (g.roundBox ? 0x8000 : 0),
            g.boxHeight};
}

bool fitsOneByte(int field, int v) {
    return kSignedField[field] ? (v >= -128 && v <= 127) : (v >= 0 && v <= 255);
}

void checkGob(size_t i, const Gob& g) {
    const std::string at = "graphic object " + std::to_string(i) + ": ";
    // Two-byte values reach the object as signed 16-bit numbers.
    checkRange(at + "offset x", g.offsetX, -32768, 32767);
    checkRange(at + "offset y", g.offsetY, -32768, 32767);
    checkRange(at + "sheet x", g.x, 0, 32767);
    checkRange(at + "sheet y", g.y, 0, 32767);
    checkRange(at + "width", g.width, 0, 32767);
    checkRange(at + "height", g.height, 0, 32767);
    checkRange(at + "box x", g.boxX, -32768, 32767);
    checkRange(at + "box y", g.boxY, -32768, 32767);
    // Bit 15 of the box width field is the round-box flag.
    checkRange(at + "box width", g.boxWidth, 0, 32767);
    checkRange(at + "box height", g.boxHeight, -32768, 32767);
    checkRange(at + "transparency hint", g.hint, 0, 3);
}

}  // namespace

Bytes encodeGobSet(const GobSet& set) {
    checkRange("sheet entry", set.sheetEntry, 0, 1023);
    checkRange("number of graphic objects", static_cast<int64_t>(set.gobs.size()), 0, kMaxGobs);
    for (size_t i = 0; i < set.gobs.size(); ++i) checkGob(i, set.gobs[i]);

    const size_t n = set.gobs.size();
    std::vector<std::array<int, 10>> values;
    values.reserve(n);
    for (const Gob& g : set.gobs) values.push_back(fieldsOf(g));

    bool groupUsed[3] = {false, false, false};
    for (const auto& v : values) {
        for (int f = 0; f < 10; ++f) groupUsed[kFieldGroup[f]] |= v[f] != 0;
    }
    uint16_t layout = 0;
    for (int g = 0; g < 3; ++g) {
        if (!groupUsed[g]) layout |= static_cast<uint16_t>(1u << g);
    }
    int width[10] = {};
    int bit = 5;
    size_t dataBytes = 0;
    for (int f = 0; f < 10; ++f) {
        if (!groupUsed[kFieldGroup[f]]) continue;
        bool narrow = true;
        for (const auto& v : values) narrow &= fitsOneByte(f, v[f]);
        width[f] = narrow ? 1 : 2;
        if (narrow) layout |= static_cast<uint16_t>(1u << bit);
        ++bit;
        dataBytes += n * static_cast<size_t>(width[f]);
    }
    checkRange("descriptor data of the graphic objects in bytes", static_cast<int64_t>(dataBytes),
               0, kMaxDescriptorBytes);

    const bool hints =
        std::any_of(set.gobs.begin(), set.gobs.end(), [](const Gob& g) { return g.hint != 0; });

    ByteWriter w;
    w.u16(static_cast<uint32_t>(set.sheetEntry));
    w.u8(0);
    w.u16(static_cast<uint32_t>(dataBytes + 4));
    w.u16(layout);
    w.u16(static_cast<uint32_t>(n) | (hints ? kHintBit : 0));
    for (int f = 0; f < 10; ++f) {
        for (const auto& v : values) {
            if (width[f] == 1) w.u8(static_cast<uint32_t>(v[f]));
            if (width[f] == 2) w.u16(static_cast<uint32_t>(v[f]));
        }
    }
    if (hints) {
        const size_t hintBytes = (n + 3) / 4;
        w.u16(static_cast<uint32_t>(hintBytes + 5));
        w.s32(0);
        w.u8(0);
        Bytes packed(hintBytes, 0);
        for (size_t i = 0; i < n; ++i) {
            packed[i / 4] |= static_cast<uint8_t>(set.gobs[i].hint << (2 * (i % 4)));
        }
        w.bytes(packed);
    }
    return w.take();
}

DecodedGobSet decodeGobSet(const Bytes& bytes) {
    ByteReader r(bytes);
    DecodedGobSet out;
    out.set.sheetEntry = r.u16();
    r.u8();
    const int n = r.s16();
    out.layout = r.u16();
    out.countWord = r.u16();
    if (n < 4) throw FormatError("descriptor length field " + std::to_string(n) + " is below 4");
    const Bytes data = r.take(static_cast<size_t>(n - 4));
    const size_t count = out.countWord & 0xFFF;
    Bytes hints;
    if (out.countWord & kHintBit) {
        const int m = r.s16();
        if (m < 5)
            throw FormatError("hint section length field " + std::to_string(m) + " is below 5");
        r.s32();
        r.u8();
        hints = r.take(static_cast<size_t>(m - 5));
        if (hints.size() < (count + 3) / 4) {
            throw FormatError(std::to_string(hints.size()) + " hint bytes for " +
                              std::to_string(count) + " graphic objects");
        }
    }
    if (!r.atEnd()) throw FormatError(std::to_string(r.remaining()) + " bytes after the set");

    int bit = 5;
    size_t need = 0;
    for (int f = 0; f < 10; ++f) {
        if (out.layout & (1u << kFieldGroup[f])) continue;
        out.fieldWidth[f] = (out.layout & (1u << bit)) ? 1 : 2;
        ++bit;
        need += count * static_cast<size_t>(out.fieldWidth[f]);
    }
    if (need != data.size()) {
        throw FormatError("descriptor data holds " + std::to_string(data.size()) +
                          " bytes, the layout needs " + std::to_string(need));
    }
    std::vector<std::array<int, 10>> values(count, std::array<int, 10>{});
    size_t pos = 0;
    for (int f = 0; f < 10; ++f) {
        for (size_t i = 0; i < count; ++i) {
            if (out.fieldWidth[f] == 1) {
                const uint8_t b = data[pos++];
                values[i][f] = kSignedField[f] ? static_cast<int8_t>(b) : b;
            } else if (out.fieldWidth[f] == 2) {
                values[i][f] = static_cast<int16_t>(data[pos] << 8 | data[pos + 1]);
                pos += 2;
            }
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const auto& v = values[i];
        Gob g;
        g.offsetX = v[0];
        g.offsetY = v[1];
        g.x = v[2];
        g.y = v[3];
        g.width = v[4];
        g.height = v[5];
        g.boxX = v[6];
        g.boxY = v[7];
        g.boxWidth = v[8] & 0x7FFF;
        g.roundBox = (v[8] & 0x8000) != 0;
        g.boxHeight = v[9];
        if (!hints.empty()) g.hint = (hints[i / 4] >> (2 * (i % 4))) & 3;
        out.set.gobs.push_back(g);
    }
    return out;
}

GobSet glyphSetToGobs(const GlyphSet& font) {
    if (font.glyphs.size() < kMinGlyphs) {
        throw ContentError("a glyph set has at least " + std::to_string(kMinGlyphs) +
                           " glyphs (they carry the font's header values): " +
                           std::to_string(font.glyphs.size()) + " given");
    }
    const FontHeader& h = font.header;
    const int header[kMinGlyphs] = {
        h.lineHeight, h.baseline, h.missingAdvance,        kStoredFormMark,
        h.lineStep,   h.aux,      h.advanceAligned ? 1 : 0};
    const char* headerName[kMinGlyphs] = {
        "line height", "baseline", "missing-glyph advance", "", "line step", "auxiliary value", ""};
    for (int i = 0; i < kMinGlyphs; ++i) {
        if (*headerName[i])
            checkRange(std::string("font ") + headerName[i], header[i], -32768, 32767);
    }
    std::vector<Glyph> glyphs = font.glyphs;
    std::stable_sort(glyphs.begin(), glyphs.end(),
                     [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    GobSet set;
    set.sheetEntry = font.sheetEntry;
    int previous = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        if (i > 0 && g.code == glyphs[i - 1].code) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", g.code);
            throw ContentError(std::string("glyph ") + code + " is given twice");
        }
        const std::string at = "glyph " + std::to_string(i) + ": ";
        checkRange(at + "advance", g.advance, 0, 32767);
        const int step = g.code - previous;
        previous = g.code;
        Gob gob;
        gob.offsetX = step >> 8;
        gob.offsetY = step & 0xFF;
        gob.x = g.x;
        gob.y = g.y;
        gob.width = g.width;
        gob.height = g.height;
        gob.boxX = g.offsetX;
        gob.boxY = g.offsetY;
        gob.boxWidth = g.advance;
        gob.boxHeight = i < kMinGlyphs ? header[i] : 0;
        gob.hint = g.hint;
        set.gobs.push_back(gob);
    }
    return set;
}

Bytes encodeGlyphSet(const GlyphSet& font) {
    return encodeGobSet(glyphSetToGobs(font));
}

std::optional<GlyphSet> glyphSetFromGobs(const GobSet& set) {
    if (set.gobs.size() < kMinGlyphs || set.gobs[3].boxHeight != kStoredFormMark)
        return std::nullopt;
    GlyphSet font;
    font.sheetEntry = set.sheetEntry;
    const auto& g = set.gobs;
    font.header = {g[0].boxHeight, g[1].boxHeight, g[2].boxHeight,
                   g[4].boxHeight, g[5].boxHeight, g[6].boxHeight != 0};
    uint16_t code = 0;
    for (const Gob& gob : set.gobs) {
        code = static_cast<uint16_t>(code + (gob.offsetX << 8) + (gob.offsetY & 0xFF));
        Glyph glyph;
        glyph.code = code;
        glyph.x = gob.x;
        glyph.y = gob.y;
        glyph.width = gob.width;
        glyph.height = gob.height;
        glyph.offsetX = gob.boxX;
        glyph.offsetY = gob.boxY;
        glyph.advance = gob.boxWidth;
        glyph.hint = gob.hint;
        font.glyphs.push_back(glyph);
    }
    return font;
}

}  // namespace rpack
