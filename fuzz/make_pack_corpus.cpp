// Writes the seed corpora of the resource-pack fuzz targets, made with the
// pack builder: make_pack_corpus <folder> fills <folder>/<target>/ for
// fuzz_plain_pack, fuzz_chunked_pack, fuzz_chunk_table, fuzz_png_palette,
// fuzz_pack_writer, fuzz_gob_set, fuzz_text_table, fuzz_glyph_set,
// fuzz_anim_set and fuzz_canvas_tables. Valid packs of every form, and the
// builder's malformed variants of them; graphic-object sets of every layout
// cut from the gob target's sheet; text tables of every encoded form and
// spoilt lengths; glyph sets of seven glyphs or more and one too short;
// animation sets; both of the last for the canvas's loaders.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AnimSet.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "TextTable.h"
#include "fuzz_gob_sheet.h"
#include "fuzz_pack_names.h"
#include "fuzz_text_font.h"

namespace fs = std::filesystem;
using rpack::Bytes;

namespace {

fs::path root;
int seeds = 0;

void seed(const std::string& target, const Bytes& bytes) {
    fs::create_directories(root / target);
    fs::path path = root / target / ("seed-" + std::to_string(seeds++));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

rpack::IndexedImage image(int colours, bool transparent) {
    rpack::IndexedImage img;
    img.width = colours;
    img.height = 2;
    for (int i = 0; i < colours; ++i) {
        img.palette.push_back({uint8_t(i * 40), uint8_t(255 - i * 30), uint8_t(i * 7),
                               uint8_t(transparent && i == 0 ? 0 : 255)});
        img.pixels.push_back(uint8_t(i));
        img.pixels.push_back(uint8_t(colours - 1 - i));
    }
    return img;
}

std::vector<rpack::PackEntry> entries() {
    Bytes counting;
    for (int i = 0; i < 300; ++i) counting.push_back(uint8_t(i));
    return {{{}, 0},
            {{0xFF}, -1},
            {counting, 3},
            {rpack::encodeTextTable({u"one", u"two"}), -6},
            {rpack::encodePng(image(3, true)), -3}};
}

// One byte, then the bytes.
Bytes prefixed(uint8_t first, const Bytes& rest) {
    Bytes out{first};
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// A file set as fuzz_chunked_pack reads it: a flags byte, then per file its
// name's index, a 16-bit little-endian length and the bytes.
Bytes asChunkedInput(const rpack::FileSet& files, uint8_t flags) {
    const std::vector<std::string>& names = fuzzpack::chunkedPackNames();
    Bytes out{flags};
    for (const rpack::OutputFile& f : files) {
        size_t index = 0;
        while (index < names.size() && names[index] != f.name) ++index;
        if (index == names.size() || f.data.size() > 0xFFFF) continue;
        out.push_back(uint8_t(index));
        out.push_back(uint8_t(f.data.size()));
        out.push_back(uint8_t(f.data.size() >> 8));
        out.insert(out.end(), f.data.begin(), f.data.end());
    }
    return out;
}

void plainPacks() {
    for (uint8_t flags : {rpack::kFlagsWide, rpack::kFlagsNarrow}) {
        rpack::PlainPackOptions o;
        o.flags = flags;
        seed("fuzz_plain_pack", rpack::encodePlainPack(entries(), o));
        o.dataLength = 10;
        seed("fuzz_plain_pack", rpack::encodePlainPack(entries(), o));
    }
    seed("fuzz_plain_pack", rpack::encodePlainPack({}));
    rpack::PackContent c;
    c.number = 22;
    c.entries = entries();
    c.extensions = {{1, 2}, {}, {3}, {}, {4, 5, 6}};
    seed("fuzz_plain_pack", rpack::buildPlainPackBytes(c));
}

void chunkedPacks() {
    rpack::PackContent c;
    c.number = 3;
    c.entries = entries();
    for (int parts : {1, 3}) {
        c.splitParts = parts;
        rpack::ChunkedPack plan = rpack::planChunkedPack(c);
        seed("fuzz_chunked_pack", asChunkedInput(plan.files(), 0));
        seed("fuzz_chunk_table", prefixed(0, plan.files()[0].data));
        plan.main.chunks[1].declaredLength = 100000;
        seed("fuzz_chunked_pack", asChunkedInput(plan.files(), 0));
    }
    c.layout = rpack::ChunkedLayout::Directory;
    c.placements = {{-1, 1}, {-1, 1}, {0, 1}, {-7, 4}, {-3, 1}};
    rpack::ChunkedPack plan = rpack::planChunkedPack(c);
    seed("fuzz_chunked_pack", asChunkedInput(plan.files(), 1));
    seed("fuzz_chunk_table", prefixed(0, plan.files()[0].data));
    Bytes bare{1};
    for (const rpack::Chunk& chunk : plan.main.chunks) {
        Bytes b = rpack::encodeChunk(chunk);
        bare.insert(bare.end(), b.begin(), b.end());
    }
    seed("fuzz_chunk_table", bare);
}

void palettes() {
    for (int colours : {1, 3, 16}) {
        for (bool transparent : {false, true}) {
            Bytes png = rpack::encodePng(image(colours, transparent));
            Bytes other = rpack::encodePng(image(colours, !transparent));
            size_t n = size_t(colours) * 3 + 4;
            Bytes input{uint8_t(colours), uint8_t(n), uint8_t(n >> 8)};
            input.insert(input.end(), other.begin() + 41, other.begin() + 41 + long(n));
            input.insert(input.end(), png.begin(), png.end());
            seed("fuzz_png_palette", input);
        }
    }
}

void writerEntries() {
    Bytes input;
    for (const rpack::PackEntry& e : entries()) {
        input.push_back(uint8_t(e.type));
        input.push_back(uint8_t(e.data.size()));
        input.push_back(uint8_t(e.data.size() >> 8));
        input.insert(input.end(), e.data.begin(), e.data.end());
    }
    seed("fuzz_pack_writer", input);
    seed("fuzz_pack_writer", Bytes{5, 3, 0, 0xAA, 0xBB, 0xCC, 0xFD, 1, 0, 0xDD});
}

// Sets of every shape the layout word can take: all groups, some left out,
// 1- and 2-byte columns, hints, round boxes, objects of no size, none at
// all, a glyph set in its stored form, and two spoilt ones.
void gobSets() {
    using G = rpack::Gob;
    std::vector<rpack::GobSet> sets;
    sets.push_back(
        {0,
         {G{0, 0, 0, 0, 3, 2, 0, 0, 3, 2, false, 1}, G{-8, 4, 3, 0, 2, 2, 1, 1, 4, 4, true, 2},
          G{0, 0, 5, 1, 4, 3, 0, 0, 0, 0, false, 3}, G{}}});
    sets.push_back({0, {G{-200, 300, 0, 0, 16, 8, -1000, 5, 1000, 600, true, 0}}});
    sets.push_back({0, {G{0, 0, 2, 2, 1, 1}, G{0, 0, 3, 3, 1, 1}, G{0, 0, 4, 4, 1, 1}}});
    sets.push_back({0, {G{}, G{}}});
    sets.push_back({0, {}});
    sets.push_back({0, {G{1, 1, 0, 0, 0, 0, 0, 0, 7, 7}}});
    for (const rpack::GobSet& set : sets) seed("fuzz_gob_set", rpack::encodeGobSet(set));
    rpack::GlyphSet font;
    font.header = {8, 6, 3, 9, 0, true};
    for (int i = 0; i < 8; ++i)
        font.glyphs.push_back({uint16_t(u'A' + i), i * 2, 0, 2, 3, 0, 1, 3, 0});
    seed("fuzz_gob_set", rpack::encodeGlyphSet(font));
    Bytes cut = rpack::encodeGobSet(sets[0]);
    cut.resize(cut.size() - 3);
    seed("fuzz_gob_set", cut);
    Bytes wide = rpack::encodeGobSet(sets[1]);
    wide[4] ^= 0x10;  // a descriptor length that disagrees with the columns
    seed("fuzz_gob_set", wide);
}

void textTables() {
    const std::vector<std::vector<std::u16string>> tables = {
        {},
        {u"", u"Play", u"well-known cost -5 ab@cd"},
        {u"h\u00E9llo \u20AC", std::u16string(u"nul\0in", 6), u"\U0001F600 two units"},
        {u"line\r\nends\rand\n\nmore  \n", std::u16string(300, u'A')},
    };
    for (const auto& texts : tables) seed("fuzz_text_table", rpack::encodeTextTable(texts));
    Bytes negative = rpack::encodeTextTable({u"ab", u"cd"});
    negative[2] = 0xFF;  // the first length negative
    seed("fuzz_text_table", negative);
    Bytes cut = rpack::encodeTextTable({u"\u20AC\u20AC"});
    cut.resize(cut.size() - 1);
    seed("fuzz_text_table", cut);
}

void glyphSets() {
    seed("fuzz_glyph_set", fuzztext::font());
    rpack::GlyphSet small;
    small.header = {4, 3, 2, 5, 0, true};
    for (int i = 0; i < 7; ++i)
        small.glyphs.push_back({uint16_t(u' ' + i * 11), i, 0, 1, 2, 0, 0, 2, 0});
    seed("fuzz_glyph_set", rpack::encodeGlyphSet(small));
    rpack::GobSet six;
    for (int i = 0; i < 6; ++i) six.gobs.push_back(rpack::Gob{0, 1, i, 0, 1, 1});
    seed("fuzz_glyph_set", rpack::encodeGobSet(six));
}

// Animation sets: empty, one walking and interpolated, one with levels,
// escapes in every number form, and a cut one.
void animSets() {
    rpack::AnimSet empty;
    seed("fuzz_anim_set", rpack::encodeAnimSet(empty));
    rpack::AnimSet walk;
    walk.durations = {10, 255, 300};
    walk.frames.resize(2);
    walk.frames[0].pieces = {
        {0, -8, -8, 3}, {1, 300, -300, 1}, {2, 0, 0, 0}, {3, 1, 1, 2}, {1023, 0, 0, 0}};
    walk.frames[0].boxes = {{-1024, 1023, 1023, 255, 31, true}, {0, 0, 4, 4, 0, false}};
    walk.frames[1].pieces = {{4, 0, 0, 0}};
    walk.animations = {{-1, {{0, 0, 0, 0, 0, 1}, {1, 8, -128, 1, 2, 0}, {0, 511, -512, 2, 3, 1}}},
                       {2, {{1, 0, 0, 1, 0, 0}}},
                       {0, {{0, 0, 0, 0, 0, 0}}}};
    Bytes whole = rpack::encodeAnimSet(walk);
    seed("fuzz_anim_set", whole);
    Bytes cut(whole.begin(), whole.begin() + ptrdiff_t(whole.size() / 2));
    seed("fuzz_anim_set", cut);
}

// The canvas's loaders read every input as an animation set and as a text
// table: seeds of both kinds, whole and cut.
void canvasTables() {
    rpack::AnimSet walk;
    walk.durations = {10, 0, 300};
    walk.frames.resize(2);
    walk.frames[0].pieces = {{0, -8, -8, 3}, {1, 300, -300, 1}, {2, 0, 0, 2}};
    walk.frames[0].boxes = {{-1024, 1023, 1023, 255, 31, true}};
    walk.animations = {{-1, {{0, 0, 0, 0, 0, 1}, {1, 8, -128, 2, 2, 3}}}, {1, {{1, 0, 0, 2, 0, 0}}}};
    Bytes whole = rpack::encodeAnimSet(walk);
    seed("fuzz_canvas_tables", whole);
    seed("fuzz_canvas_tables", Bytes(whole.begin(), whole.end() - 4));
    Bytes texts = rpack::encodeTextTable({u"Play", u"", u"h\u00E9llo \u20AC"});
    seed("fuzz_canvas_tables", texts);
    seed("fuzz_canvas_tables", Bytes(texts.begin(), texts.end() - 3));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pack_corpus <folder>\n");
        return 2;
    }
    root = argv[1];
    plainPacks();
    chunkedPacks();
    palettes();
    writerEntries();
    gobSets();
    textTables();
    glyphSets();
    animSets();
    canvasTables();
    std::printf("%d seeds under %s\n", seeds, root.c_str());
    return 0;
}
