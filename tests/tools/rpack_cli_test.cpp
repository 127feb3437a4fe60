// The rpack command: building packs from manifests and sources, refusing bad
// content without writing anything, and dumping packs (malformed ones too)
// for review.
#include <gtest/gtest.h>

#include <functional>

#include "Pack.h"
#include "rpack_test_support.h"

namespace {

using namespace rpack_test;
using rpack::FileSet;
using rpack::PackContent;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

#define EXPECT_CONTAINS(text, part) \
    EXPECT_TRUE(contains(text, part)) << "missing: " << (part) << "\nin:\n" << (text)

// A content folder with one source of every kind.
void writeSources(const ScratchDir& dir) {
    dir.write("content/src/sheet.img",
              "# four pictures of 4 by 2\n"
              "colour . FF00FF 0\n"
              "colour # 102030\n"
              "colour o FFFFFF 128\n"
              "pixels\n"
              "..##oo##........\n"
              ".#oo##oo.#######\n");
    dir.write("content/src/ui.gobs",
              "sheet 0\n"
              "gob 0 0 4 2 offset -2 -1 box 0 0 4 2 hint 2\n"
              "gob 4 0 4 2 box 1 1 2 1 round\n");
    dir.write("content/src/small.font",
              "sheet 0\nheight 2\nbaseline 2\nmissing-advance 3\naux 7\nadvance-aligned 1\n"
              "glyph A 0 0 1 2\nglyph B 1 0 1 2\nglyph C 2 0 1 2\nglyph D 3 0 1 2\n"
              "glyph U+0020 0 0 0 0 advance 3\nglyph \xC3\xA9 4 0 1 2 offset 0 -1\nglyph # 5 0 1 2 "
              "advance 2\n");
    dir.write("content/src/hero.anim",
              "leading 1\n"
              "durations 100 255\n"
              "frame\n"
              "piece 0 -8 -8 flip 3\n"
              "box -8 -8 16 16 type 1 circle\n"
              "frame\n"
              "piece 1 0 0\n"
              "animation loop -1\n"
              "step 0 0 0 duration 0\n"
              "step 1 2 0 duration 1 level 3 interpolate 1\n");
    dir.write("content/src/en.txt", "Start\nCaf\xC3\xA9 \\u20AC\\n\\\\\n\n");
    dir.write("content/src/theme.notes",
              "channel 1\nnote 60 200\nrest 50\nnote 64 100 velocity 90\n");
    dir.write("content/src/table.bin", std::string("\x01\x02\x03", 3));
}

TEST(RpackBuild, EveryKindRoundTripsThroughDump) {
    ScratchDir dir;
    writeSources(dir);
    const std::string entries =
        "png src/sheet.img\n"
        "gobs src/ui.gobs\n"
        "font src/small.font\n"
        "anim src/hero.anim\n"
        "text src/en.txt\n"
        "tone 1000 5 rate 8000 bits 8 volume 100\n"
        "midi src/theme.notes\n"
        "raw src/table.bin type 7\n";
    dir.write("content/directory.pack",
              "# every kind, one file each\npack 5\nlayout directory\n" + entries);
    dir.write("content/split.pack", "pack 21\nlayout split 3\n" + entries);
    dir.write("content/plain.pack", "pack 22\nsizes 2\n" + entries);
    dir.write("content/saved.pack", "store 4\n" + entries);

    const CliResult built =
        run({"build", (dir / "content").string(), "--out", (dir / "rsc").string()});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_CONTAINS(built.out, "pack 5 (chunked, directory over 8 part file(s), 8 entries)");
    EXPECT_EQ(listFiles(dir / "rsc"),
              (std::vector<std::string>{"RP21part0.rp", "RP21part1.rp", "RP21part2.rp",
                                        "RP21part3.rp", "RP22.rp", "RP5part0.rp", "RP5part1.png",
                                        "RP5part2.rp", "RP5part3.rp", "RP5part4.rp", "RP5part5.utf",
                                        "RP5part6.wav", "RP5part7.mid", "RP5part8.rp"}));
    EXPECT_EQ(listFiles(dir / "database"),
              (std::vector<std::string>{"store-4/metadata.info", "store-4/record-1.bin"}));

    // What every pack must show of its entries, whichever way it is stored.
    const std::vector<std::string> decoded = {
        "PNG image 16x2, bit depth 8, colour type 3, chunks IHDR PLTE tRNS IDAT IEND",
        "colour 2: FFFFFF alpha 128",
        "  0011221100000000\n",
        "  0122112201111111\n",
        "graphic-object set: sheet entry 0, 2 objects",
        "gob 0: sheet 0,0 4x2 offset -2,-1 box 0,0 4x2 hint 2",
        "gob 1: sheet 4,0 4x2 offset 0,0 box 1,1 2x1 round",
        "glyph set (stored form): sheet entry 0, 7 glyphs",
        "height 2, baseline 2, missing advance 3, line step 2, aux 7, aligned by advances",
        "glyph U+0020: sheet 0,0 0x0 offset 0,0 advance 3",
        "glyph U+0023 '#': sheet 5,0 1x2 offset 0,0 advance 2",
        "glyph U+00E9 '\xC3\xA9': sheet 4,0 1x2 offset 0,-1 advance 1",
        "animation set: leading byte 1, 1 animations, 2 frames, 2 durations",
        "durations: 100 255",
        "piece gob 0 at -8,-8 flip 3",
        "box -8,-8 16x16 type 1 circle",
        "animation 0: loop -1, 2 steps",
        "step frame 1 at 2,0 duration 1 level 3 interpolate 1",
        "text table: 3 texts",
        "[0] \"Start\"",
        "[1] \"Caf\xC3\xA9 \xE2\x82\xAC\\n\\\\\"",
        "[2] \"\"",
        "WAV clip: PCM, 1 channel(s), 8000 Hz, 8-bit, 40 sample frames, 5 ms",
        "MIDI file: one track, 500 ticks per quarter note, 4 events, end of track after 0 ticks",
        "+50 91 64 90",
        "raw bytes, 3: 01 02 03",
    };
    const struct {
        std::string file;
        std::vector<std::string> layout;
    } packs[] = {
        {"rsc/RP5part0.rp",
         {"RP5part0.rp: chunked pack main file", "directory: header value 0, 8 entries",
          "entry 0 (id 5120, 0x1400): ",
          " bytes, type -3, file type -3, part 1, offset 0, value 0: RP5part1.png",
          "entry 7 (id 5127, 0x1407): 3 bytes, type 7, file type -1, part 8, offset 0, value 0: "
          "RP5part8.rp"}},
        {"rsc/RP21part0.rp",
         {"split map: total ", " over 3 part files", "part 3: RP21part3.rp",
          "entry 1 (id 21505, 0x5401)"}},
        {"rsc/RP22.rp",
         {"RP22.rp: plain pack", "flags 0x00 (2-byte sizes), 8 entries", "entry 7 (id 22535"}},
        {"database/store-4",
         {"store-4: record store, 1 records", "next id 2", "records, read back to back (pack 0)",
          "entry 7 (id 7, 0x7): 3 bytes, type 7"}},
    };
    for (const auto& p : packs) {
        SCOPED_TRACE(p.file);
        const CliResult listing = dump(dir / p.file);
        ASSERT_EQ(listing.status, 0) << listing.err;
        EXPECT_FALSE(contains(listing.out, "problem:")) << listing.out;
        for (const std::string& part : p.layout) EXPECT_CONTAINS(listing.out, part);
        for (const std::string& part : decoded) EXPECT_CONTAINS(listing.out, part);
    }

    // A directory entry file alone decodes as its kind.
    EXPECT_CONTAINS(dump(dir / "rsc/RP5part4.rp").out, "RP5part4.rp: part file, ");
    EXPECT_CONTAINS(dump(dir / "rsc/RP5part4.rp").out, "animation set: leading byte 1");

    // Building again gives the same bytes.
    const Bytes first = readFile(dir / "rsc/RP5part0.rp");
    ASSERT_EQ(run({"build", (dir / "content").string(), "--out", (dir / "rsc").string()}).status,
              0);
    EXPECT_EQ(readFile(dir / "rsc/RP5part0.rp"), first);
}

TEST(RpackBuild, DirectoryPartsAndPlainExtensions) {
    ScratchDir dir;
    writeSources(dir);
    dir.write("content/shared.pack",
              "pack 7\nlayout directory\n"
              "raw src/table.bin part 3\n"
              "raw src/table.bin part 3 type 9\n"
              "text src/en.txt part 3 file-type -1\n"
              "raw src/table.bin part 3 file-type -7\n");
    dir.write("content/plain.pack",
              "pack 30\nraw src/table.bin extension src/table.bin\nraw src/table.bin\n");
    const CliResult built =
        run({"build", (dir / "content").string(), "--out", (dir / "rsc").string()});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(listFiles(dir / "rsc"),
              (std::vector<std::string>{"RP30.rp", "RP7part0.rp", "RP7part3.rp", "RP7part3.txt"}));
    // Two raw entries and the 24-byte text table, back to back.
    EXPECT_EQ(readFile(dir / "rsc/RP7part3.rp").size(), 3u + 3u + 24u);
    const std::string listing = dump(dir / "rsc/RP7part0.rp").out;
    EXPECT_CONTAINS(listing, "file type -1, part 3, offset 3, value 0: RP7part3.rp");
    EXPECT_CONTAINS(listing, "file type -1, part 3, offset 6, value 0: RP7part3.rp");
    EXPECT_CONTAINS(listing, "file type -7, part 3, offset 0, value 0: RP7part3.txt");
    const std::string plain = dump(dir / "rsc/RP30.rp").out;
    EXPECT_CONTAINS(plain, "extension table: 2 sizes, 3 bytes");
    EXPECT_CONTAINS(plain, "entry 0: 3 bytes: 01 02 03");
    EXPECT_CONTAINS(plain, "entry 1: 0 bytes");
}

TEST(RpackBuild, RefusedContentNamesFileLineAndLimitAndWritesNothing) {
    const struct {
        const char* name;
        std::string manifest;
        std::vector<std::pair<std::string, std::string>> sources;
        std::vector<std::string> message;
    } cases[] = {
        {"unknown keyword",
         "pack 5\npicture a.img\n",
         {},
         {"bad.pack: line 2: unknown keyword 'picture'"}},
        {"no pack line", "png a.img\n", {}, {"bad.pack: no 'pack' or 'store' line"}},
        {"pack 0", "pack 0\n", {}, {"bad.pack: line 1: pack number is 0, limit 1 to 2097151"}},
        {"layout on a plain pack",
         "pack 20\nlayout split 2\n",
         {},
         {"bad.pack: line 2: 'layout' is for chunked packs (1 to 19 and 21); pack 20 is plain"}},
        {"part without a directory",
         "pack 5\nraw a.bin part 2\n",
         {{"a.bin", "x"}},
         {"bad.pack: line 2: 'part' and 'file-type' are for packs with 'layout directory'"}},
        {"missing source", "pack 5\nraw nothing.bin\n", {}, {"nothing.bin: cannot be read"}},
        {"source syntax",
         "pack 5\nanim a.anim\n",
         {{"a.anim", "durations 1\nframe\npiece 0 x 0\n"}},
         {"a.anim: line 3: dx 'x' is not a number"}},
        {"zero duration",
         "pack 5\nanim a.anim\n",
         {{"a.anim", "durations 0\nframe\nanimation\nstep 0 0 0\n"}},
         {"a.anim: animation 0: its steps last 0 in total; an animation needs a duration above 0"}},
        {"gob limit",
         "pack 5\npng s.img\ngobs a.gobs\n",
         {{"s.img", "colour . 000000\npixels\n..\n"},
          {"a.gobs", "sheet 0\ngob 0 0 1 1 offset 40000 0\n"}},
         {"a.gobs: graphic object 0: offset x is 40000, limit -32768 to 32767"}},
        {"sheet too small",
         "pack 5\npng s.img\ngobs a.gobs\n",
         {{"s.img", "colour . 000000\npixels\n..\n"}, {"a.gobs", "sheet 0\ngob 1 0 2 1\n"}},
         {"a.gobs: graphic object 0 (1,0 2x1) reaches beyond the 2x1 sheet image (entry 0)"}},
        {"sheet not an image",
         "pack 5\ntext t.txt\ngobs a.gobs\n",
         {{"t.txt", "x\n"}, {"a.gobs", "sheet 0\n"}},
         {"a.gobs: sheet entry 0 is a text entry, not an image"}},
        {"sheet beyond the pack",
         "pack 5\ngobs a.gobs\n",
         {{"a.gobs", "sheet 3\n"}},
         {"a.gobs: sheet entry 3 is not in the pack (1 entries)"}},
        {"set in pack 64",
         "pack 64\npng s.img\ngobs a.gobs\n",
         {{"s.img", "colour . 000000\npixels\n.\n"}, {"a.gobs", "sheet 0\n"}},
         {"bad.pack: line 3: a gobs entry in pack 64 cannot reach its sheet"}},
        {"two-byte size",
         "pack 20\nsizes 2\nraw big.bin\n",
         {{"big.bin", std::string(65536, 'x')}},
         {"bad.pack: size of entry 0 with 2-byte sizes is 65536, limit 0 to 65535"}},
        {"font too small",
         "pack 5\nfont f.font\n",
         {{"f.font", "sheet 0\nheight 1\nbaseline 1\nmissing-advance 1\nglyph A 0 0 0 0\n"}},
         {"f.font: a glyph set has at least 7 glyphs"}},
        {"text escape",
         "pack 5\ntext t.txt\n",
         {{"t.txt", "ok\nbad \\q\n"}},
         {"t.txt: line 2: unknown escape '\\q'"}},
        {"tone",
         "pack 5\ntone 440 100 bits 12\n",
         {},
         {"bad.pack: line 2: bits per sample is 12, limit 8 or 16"}},
        {"image row",
         "pack 5\npng s.img\n",
         {{"s.img", "colour . 000000\npixels\n..\n...\n"}},
         {"s.img: line 4: row is 3 pixels wide, the first is 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.write("content/good.pack", "pack 6\ntone 440 10\n");
        dir.write("content/bad.pack", c.manifest);
        for (const auto& [name, text] : c.sources) dir.write("content/" + name, text);
        const CliResult r =
            run({"build", (dir / "content").string(), "--out", (dir / "rsc").string()});
        EXPECT_EQ(r.status, 1);
        for (const std::string& part : c.message) EXPECT_CONTAINS(r.err, part);
        EXPECT_CONTAINS(r.err, "nothing written");
        EXPECT_FALSE(fs::exists(dir / "rsc"));
    }
}

TEST(RpackBuild, TwoManifestsForOnePackAreRefused) {
    ScratchDir dir;
    dir.write("content/a.pack", "pack 6\ntone 440 10\n");
    dir.write("content/b.pack", "pack 6\ntone 440 10\n");
    dir.write("content/c.pack", "store 6\ntone 440 10\n");
    const CliResult r = run({"build", (dir / "content").string(), "--out", (dir / "rsc").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_CONTAINS(r.err, "b.pack: pack 6 is also built by ");
    EXPECT_FALSE(contains(r.err, "c.pack"));
}

TEST(RpackCommand, UsageErrors) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"build", "x"},
                                                 {"build", "x", "--to", "y"},
                                                 {"pack"},
                                                 {"dump"}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_CONTAINS(r.err, "usage: rpack build <content-dir> --out <rsc-dir>");
    }
    EXPECT_EQ(run({"--help"}).status, 0);
    ScratchDir dir;
    EXPECT_CONTAINS(run({"build", (dir / "none").string(), "--out", (dir / "rsc").string()}).err,
                    "is not a folder");
    EXPECT_CONTAINS(run({"build", dir.path().string(), "--out", (dir / "rsc").string()}).err,
                    "no *.pack manifests");
    EXPECT_EQ(dump(dir / "none.rp").status, 1);
}

// ---- malformed packs made with the library, and what dump says of them

PackContent threeEntries(int number) {
    PackContent content;
    content.number = number;
    content.entries = {{{0x00, 0x00}, 0}, {{0x41, 0x42, 0x43}, 1}, {{0x44}, 2}};
    content.splitParts = 2;
    return content;
}

TEST(RpackDump, MalformedVariantsAreListedAsProblems) {
    using rpack::ChunkedPack;
    const struct {
        const char* name;
        std::function<FileSet()> make;
        const char* file;
        const char* problem;
    } cases[] = {
        {"wrong marker",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.marker = rpack::chunkId("%RQ%");
             return p.files();
         },
         "RP5part0.rp",
         "problem: wrong marker %RQ% (the readers report '%QR%' where they expect '%PR%')"},
        {"wrong version",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.version = 3;
             return p.files();
         },
         "RP5part0.rp", "problem: the readers take only version 4"},
        {"unknown chunk",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks.push_back({rpack::chunkId("WXYZ"), 0, {1, 2}, {}});
             return p.files();
         },
         "RP5part0.rp",
         "problem: unknown chunk id (the readers report 'ZYXW' and refuse the file)"},
        {"duplicate chunk",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks.push_back(p.main.chunks[0]);
             return p.files();
         },
         "RP5part0.rp", "problem: a second RPHe chunk; the readers use the first"},
        {"payload length too large",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks[1].declaredLength = 1000;
             return p.files();
         },
         "RP5part0.rp", "problem: the payload length is larger than the 16 bytes that follow"},
        {"chunk count too large",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.declaredCount = 3;
             return p.files();
         },
         "RP5part0.rp", "problem: the file ends at byte 66 before chunk 2"},
        {"split map total below its parts",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks[1].payload = rpack::encodeSplitMap({2, {3, 3}});
             return p.files();
         },
         "RP5part0.rp", "problem: the parts do not fit into the total"},
        {"no split map",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks.pop_back();
             return p.files();
         },
         "RP5part0.rp",
         "problem: neither VFSO nor FSLM (the readers report 'Missing RP chunk 'MLSF'')"},
        {"no index",
         [] {
             ChunkedPack p = rpack::planChunkedPack(threeEntries(5));
             p.main.chunks.erase(p.main.chunks.begin());
             return p.files();
         },
         "RP5part0.rp", "problem: no RPHe chunk (the readers report 'Missing RP chunk 'eHPR'')"},
        {"missing split part",
         [] {
             FileSet f = rpack::buildPack(threeEntries(5));
             rpack::removeFile(f, "RP5part2.rp");
             return f;
         },
         "RP5part0.rp", "problem: RP5part2.rp is missing"},
        {"truncated split part",
         [] {
             FileSet f = rpack::buildPack(threeEntries(5));
             rpack::truncateFile(f, "RP5part1.rp", 1);
             return f;
         },
         "RP5part0.rp", "problem: RP5part1.rp holds 1 bytes"},
        {"missing directory part",
         [] {
             PackContent content = threeEntries(5);
             content.layout = rpack::ChunkedLayout::Directory;
             FileSet f = rpack::buildPack(content);
             rpack::removeFile(f, "RP5part2.wav");
             return f;
         },
         "RP5part0.rp", "problem: RP5part2.wav is missing"},
        {"truncated directory part",
         [] {
             PackContent content = threeEntries(5);
             content.layout = rpack::ChunkedLayout::Directory;
             FileSet f = rpack::buildPack(content);
             rpack::truncateFile(f, "RP5part1.mid", 1);
             return f;
         },
         "RP5part0.rp", "problem: RP5part1.mid holds 1 bytes"},
        {"truncated main file",
         [] {
             FileSet f = rpack::buildPack(threeEntries(5));
             rpack::truncateFile(f, "RP5part0.rp", 6);
             return f;
         },
         "RP5part0.rp", "problem: the file ends inside the header"},
        {"plain data length too large",
         [] {
             rpack::PlainPackOptions o;
             o.dataLength = 50;
             return FileSet{{"RP20.rp", rpack::encodePlainPack(threeEntries(20).entries, o)}};
         },
         "RP20.rp", "problem: the data length is larger than the 6 bytes that follow"},
        {"plain entry beyond the data",
         [] {
             std::vector<rpack::PackEntry> entries = threeEntries(20).entries;
             rpack::PlainPackOptions o;
             o.dataLength = 5;
             Bytes b = rpack::encodePlainPack(entries, o);
             b.pop_back();
             return FileSet{{"RP20.rp", b}};
         },
         "RP20.rp", "problem: runs past the 5-byte data block"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        rpack::writeFiles(dir.path(), c.make());
        const CliResult r = dump(dir / c.file);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_CONTAINS(r.out, c.problem);
    }
}

}  // namespace
