// Entry formats byte by byte and back: graphic-object sets, glyph sets,
// animation sets, text tables, PNG images, WAV clips and MIDI files, with the
// limits that keep the game's readers from misreading them.
#include <gtest/gtest.h>
#include <png.h>

#include <functional>

#include "AnimSet.h"
#include "Audio.h"
#include "GobSet.h"
#include "Png.h"
#include "TextTable.h"
#include "rpack_test_support.h"

namespace {

using namespace rpack;
using rpack_test::errorOf;

// ---- graphic-object sets

TEST(GobSetBytes, LayoutLeavesOutUnusedGroupsAndNarrowsFields) {
    const struct {
        const char* name;
        GobSet set;
        const char* expected;
    } cases[] = {
        // Every group left out: n = 4, no descriptor data.
        {"all zero", {9, {Gob{}, Gob{}, Gob{}}}, "00 09 00 00 04 00 07 00 03"},
        // Only the offsets, one signed byte each: layout bits 1, 2, 5, 6.
        {"offsets",
         {2, {Gob{.offsetX = -8, .offsetY = 5}, Gob{.offsetX = 3, .offsetY = -2}}},
         "00 02 00 00 08 00 66 00 02 F8 03 05 FE"},
        // A width of 248 still fits one unsigned byte.
        {"unsigned byte",
         {0, {Gob{.width = 248, .height = 1}}},
         "00 00 00 00 08 01 E5 00 01 00 00 F8 01"},
        // The round-box flag is bit 15 of field 8 and needs the 2-byte form.
        {"round box",
         {0, {Gob{.boxWidth = 5, .boxHeight = 1, .roundBox = true}}},
         "00 00 00 00 09 01 63 00 01 00 00 80 05 01"},
        // Hints only: count word 0x2005 and two hint bytes, lowest object in the low bits.
        {"hints",
         {0, {Gob{.hint = 0}, Gob{.hint = 1}, Gob{.hint = 2}, Gob{.hint = 3}, Gob{.hint = 1}}},
         "00 00 00 00 04 00 07 20 05 00 07 00 00 00 00 00 E4 01"},
        // A value outside the 1-byte form widens the whole column.
        {"wide column",
         {1, {Gob{.offsetX = 1, .offsetY = 1}, Gob{.offsetX = -300, .offsetY = 1}}},
         "00 01 00 00 0A 00 46 00 02 00 01 FE D4 01 01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = encodeGobSet(c.set);
        EXPECT_EQ(hex(bytes), c.expected);
        EXPECT_EQ(decodeGobSet(bytes).set, c.set);
    }
}

TEST(GobSetBytes, EveryFieldRoundTripsAtItsExtremes) {
    GobSet set{1023, {}};
    set.gobs.push_back({-32768, 32767, 0, 32767, 32767, 0, -32768, 32767, 32767, -32768, true, 3});
    set.gobs.push_back({-128, 127, 255, 0, 0, 255, 127, -128, 255, 255, false, 0});
    set.gobs.push_back({});
    const DecodedGobSet back = decodeGobSet(encodeGobSet(set));
    EXPECT_EQ(back.set, set);
    EXPECT_EQ(back.fieldWidth, (std::array<int, 10>{2, 2, 1, 2, 2, 1, 2, 2, 2, 2}));
}

TEST(GlyphSetBytes, StoredFormCarriesCodeStepsAndHeader) {
    GlyphSet font;
    font.sheetEntry = 4;
    font.header = {12, 10, 3, 14, -2, true};
    const uint16_t codes[] = {0x20AC, 'A', 'B', 'C', 'D', 'E', 'F', 0xFFFF};
    for (size_t i = 0; i < std::size(codes); ++i) {
        font.glyphs.push_back(
            {codes[i], static_cast<int>(i) * 6, 0, 5, 9, -1, static_cast<int>(i) - 4, 6, 0});
    }
    const GobSet gobs = glyphSetToGobs(font);
    ASSERT_EQ(gobs.gobs.size(), 8u);
    // Sorted by code; each glyph holds the step from the previous code.
    const int steps[][2] = {{0, 65}, {0, 1}, {0, 1},       {0, 1},
                            {0, 1},  {0, 1}, {0x20, 0x66}, {0xDF, 0x53}};
    const int headers[] = {12, 10, 3, 255, 14, -2, 1, 0};
    for (size_t i = 0; i < gobs.gobs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(gobs.gobs[i].offsetX, steps[i][0]);
        EXPECT_EQ(gobs.gobs[i].offsetY, steps[i][1]);
        EXPECT_EQ(gobs.gobs[i].boxHeight, headers[i]);
        EXPECT_EQ(gobs.gobs[i].boxWidth, 6);  // advance
    }
    EXPECT_EQ(gobs.gobs[1].boxY, -2);  // glyph 'B': its real y offset

    const std::optional<GlyphSet> back = glyphSetFromGobs(decodeGobSet(encodeGlyphSet(font)).set);
    ASSERT_TRUE(back.has_value());
    GlyphSet sorted = font;
    std::stable_sort(sorted.glyphs.begin(), sorted.glyphs.end(),
                     [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    EXPECT_EQ(*back, sorted);
}

// ---- animation sets

TEST(AnimSetBytes, VariableLengthEscapes) {
    const struct {
        std::function<void(ByteWriter&)> write;
        const char* expected;
    } cases[] = {
        {[](ByteWriter& w) { writeVarU(w, 254); }, "FE"},
        {[](ByteWriter& w) { writeVarU(w, 255); }, "FF 00 FF"},
        {[](ByteWriter& w) { writeVarU(w, 65535); }, "FF FF FF"},
        {[](ByteWriter& w) { writeVarS(w, 127); }, "7F"},
        {[](ByteWriter& w) { writeVarS(w, -127); }, "81"},
        {[](ByteWriter& w) { writeVarS(w, -128); }, "80 FF 80"},
        {[](ByteWriter& w) { writeVarS(w, 300); }, "80 01 2C"},
    };
    for (const auto& c : cases) {
        ByteWriter w;
        c.write(w);
        EXPECT_EQ(hex(w.data()), c.expected);
    }
}

TEST(AnimSetBytes, ColumnsInSectionOrder) {
    AnimSet set;
    set.leading = 1;
    set.animations = {{-1, {{0, 0, 0, 0, 0, 0}, {0, 1, -1, 0, 3, 1}}}};
    set.frames = {{{{2, -4, 5, 1}}, {{-3, 2, 6, 7, 4, true}}}};
    set.durations = {100};
    const Bytes bytes = encodeAnimSet(set);
    EXPECT_EQ(
        hex(bytes),
        "01 00 01 02 FF "                 // leading byte, 1 animation of 2 steps, loop -1
        "00 FF 01 C0 00 00 00 01 00 FF "  // step flags (level 3, interpolation 1), frames, dx, dy
        "00 01 01 40 02 FC 05 "           // 1 frame of 1 piece: flip bits, gob, dx, dy
        "01 FD 02 06 07 24 "              // 1 box: x, y, width, height, type 4 with the circle flag
        "00 01 64");                      // duration table
    EXPECT_EQ(decodeAnimSet(bytes), set);
    // With no animations, frames or durations only the counts remain.
    EXPECT_EQ(hex(encodeAnimSet({})), "00 00 00 00 00 00 00");
}

TEST(AnimSetBytes, FlipGroupsAndEscapedValuesRoundTrip) {
    AnimSet set;
    set.durations = {1, 65535, 0};
    AnimFrame frame;
    for (int i = 0; i < 6; ++i)
        frame.pieces.push_back({1023 - i, -512 + i, 511 - i, i < 4 ? 3 : i - 3});
    frame.boxes.push_back({-1024, 1023, 1023, 1023, 31, false});
    set.frames = {frame, {}};
    set.animations = {
        {31, {{1, -512, 511, 1, 3, 3}, {0, 0, 0, 2, 0, 0}}}, {-32, {}}, {0, {{0, 0, 0, 0, 0, 0}}}};
    const Bytes bytes = encodeAnimSet(set);
    EXPECT_EQ(decodeAnimSet(bytes), set);
    // The first flip group holds four pieces of flip 3: the byte FF must be escaped.
    const Bytes flipGroup = {0xFF, 0x00, 0xFF, 0x60};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), flipGroup.begin(), flipGroup.end()),
              bytes.end());
}

// ---- text tables

TEST(TextTableBytes, ModifiedUtf8) {
    const struct {
        std::u16string text;
        const char* expected;
    } cases[] = {
        {u"A", "41"},
        {u"\u00E9", "C3 A9"},
        {u"\u20AC", "E2 82 AC"},
        {std::u16string(1, u'\0'), "C0 80"},
        {u"\u07FF\u0800\uFFFF", "DF BF E0 A0 80 EF BF BF"},
        // Beyond U+FFFF: each half of the surrogate pair in three bytes.
        {u"\U0001F600", "ED A0 BD ED B8 80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex(modifiedUtf8(c.text)), c.expected);
        const Bytes b = modifiedUtf8(c.text);
        EXPECT_EQ(decodeModifiedUtf8(b.data(), b.size()), c.text);
    }
}

TEST(TextTableBytes, CountLengthsAndTexts) {
    EXPECT_EQ(hex(encodeTextTable({})), "00 00");
    const std::vector<std::u16string> texts = {u"ab", u"", u"\u00E9"};
    const Bytes bytes = encodeTextTable(texts);
    EXPECT_EQ(hex(bytes), "00 03 00 02 61 62 00 00 00 02 C3 A9");
    EXPECT_EQ(decodeTextTable(bytes), texts);
}

TEST(TextTableBytes, EntriesAroundTheSixteenBitOffsetBoundary) {
    // 2 + 2 * 2 length fields + the texts: 65535 and 65536 bytes.
    for (size_t size : {65535u, 65536u}) {
        const std::vector<std::u16string> texts = {std::u16string(32767, u'x'),
                                                   std::u16string(size - 6 - 32767, u'y')};
        const Bytes bytes = encodeTextTable(texts);
        EXPECT_EQ(bytes.size(), size);
        EXPECT_EQ(decodeTextTable(bytes), texts);
    }
}

// ---- PNG

// Decodes with libpng, as the platform does, into RGBA.
std::vector<uint8_t> rgbaByLibpng(const Bytes& png, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return out;
}

IndexedImage sixteenColours() {
    IndexedImage img;
    img.width = 5;
    img.height = 3;
    for (int i = 0; i < 16; ++i) {
        img.palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i), 7,
                               static_cast<uint8_t>(i == 2 || i == 3 ? 0 : 255)});
    }
    for (int i = 0; i < 15; ++i) img.pixels.push_back(static_cast<uint8_t>(i));
    return img;
}

TEST(PngBytes, PaletteChunkRightAfterTheHeader) {
    const IndexedImage img = sixteenColours();
    const Bytes png = encodePng(img);
    ByteReader r(png);
    r.skip(8);
    EXPECT_EQ(r.u32(), 13u);
    EXPECT_EQ(hex(r.take(4)), "49 48 44 52");  // IHDR
    EXPECT_EQ(hex(r.take(13)), "00 00 00 05 00 00 00 03 08 03 00 00 00");
    r.skip(4);
    // The palette helpers read the length at byte 33 and the palette data from byte 41.
    EXPECT_EQ(r.pos(), 33u);
    EXPECT_EQ(r.u32(), 48u);
    EXPECT_EQ(hex(r.take(4)), "50 4C 54 45");  // PLTE
    EXPECT_EQ(hex(r.take(6)), "00 FF 07 10 FE 07");
    r.skip(42 + 4);
    // tRNS follows PLTE and holds the alphas up to the last colour that is not opaque.
    EXPECT_EQ(r.u32(), 4u);
    EXPECT_EQ(hex(r.take(4)), "74 52 4E 53");
    EXPECT_EQ(hex(r.take(4)), "FF FF 00 00");

    EXPECT_EQ(decodePng(png).image, img);
    int w = 0, h = 0;
    const std::vector<uint8_t> rgba = rgbaByLibpng(png, w, h);
    ASSERT_EQ(rgba.size(), 5u * 3 * 4);
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        const PaletteColour& c = img.palette[img.pixels[i]];
        EXPECT_EQ(hex(rgba.data() + 4 * i, 4), hex(Bytes{c.r, c.g, c.b, c.a})) << "pixel " << i;
    }
}

TEST(PngBytes, OpaquePaletteHasNoTransparencyChunk) {
    IndexedImage img{1, 1, {{1, 2, 3, 255}}, {0}};
    std::vector<std::string> types;
    for (const PngChunkInfo& c : decodePng(encodePng(img)).chunks) types.push_back(c.type);
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
}

// ---- sounds

TEST(WavBytes, CanonicalHeaderAtFixedOffsets) {
    Tone tone;
    tone.frequency = 1000;
    tone.durationMs = 250;
    tone.sampleRate = 8000;
    tone.bitsPerSample = 16;
    const Bytes wav = encodeWav(makeTone(tone));
    ASSERT_EQ(wav.size(), 44u + 2000 * 2);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(hex(wav.data() + 20, 2), "01 00");        // PCM
    EXPECT_EQ(hex(wav.data() + 22, 2), "01 00");        // channels
    EXPECT_EQ(hex(wav.data() + 24, 4), "40 1F 00 00");  // 8000 Hz
    EXPECT_EQ(hex(wav.data() + 28, 4), "80 3E 00 00");  // 16000 bytes a second
    EXPECT_EQ(hex(wav.data() + 34, 2), "10 00");        // 16 bits
    EXPECT_EQ(hex(wav.data() + 40, 4), "A0 0F 00 00");  // 4000 data bytes
    // A quarter period in: the sine's peak at half volume.
    EXPECT_EQ(hex(wav.data() + 44 + 2 * 2, 2), "00 40");

    const Wav eightBit{2, 11025, 8, {0x80, 0x80, 0xFF, 0x00}};
    EXPECT_EQ(decodeWav(encodeWav(eightBit)), eightBit);
}

// The player's conversion: a delta, then a status; 0x9n to 0xDn take two data
// bytes, anything else moves on by one byte.
int eventsThePlayerFinds(const Bytes& midi) {
    size_t at = 22;
    int events = 0;
    while (at < midi.size()) {
        for (int i = 0; i < 4 && at < midi.size(); ++i) {
            if (!(midi[at++] & 0x80)) break;
        }
        if (at >= midi.size()) break;
        const int high = midi[at] & 0xF0;
        if (high >= 0x90 && high <= 0xD0) {
            ++events;
            at += 3;
        } else {
            ++at;
        }
    }
    return events;
}

TEST(MidiBytes, SingleTrackThePlayerReadsEventByEvent) {
    Melody melody;
    melody.channel = 2;
    melody.notes = {{60, 200, 100}, {-1, 300, 0}, {64, 20000, 90}, {-1, 50, 0}};
    const MidiFile midi = melodyToMidi(melody);
    const Bytes bytes = encodeMidi(midi);
    EXPECT_EQ(hex(bytes.data(), 22),
              "4D 54 68 64 00 00 00 06 00 00 00 01 01 F4 4D 54 72 6B 00 00 00 18");
    EXPECT_EQ(hex(bytes.data() + 22, bytes.size() - 22),
              "00 92 3C 64 81 48 92 3C 00 82 2C 92 40 5A 81 9C 20 92 40 00 32 FF 2F 00");
    EXPECT_EQ(eventsThePlayerFinds(bytes), 4);
    EXPECT_EQ(decodeMidi(bytes), midi);
}

// ---- limits

TEST(EntryLimits, RefusedWithTheLimitNamed) {
    const auto gobs = [](size_t n, Gob g) { return GobSet{0, std::vector<Gob>(n, g)}; };
    const Gob wide{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
    const auto fontOf = [](size_t n) {
        GlyphSet f;
        for (size_t i = 0; i < n; ++i) f.glyphs.push_back({static_cast<uint16_t>('a' + i)});
        return f;
    };
    const auto anim = [](std::vector<int> durations, AnimStep step) {
        AnimSet s;
        s.durations = std::move(durations);
        s.frames.resize(1);
        s.animations = {{-1, {step}}};
        return s;
    };
    const struct {
        const char* name;
        std::function<void()> encode;
        const char* message;
    } cases[] = {
        {"gob count", [&] { encodeGobSet(gobs(4096, {})); },
         "number of graphic objects is 4096, limit 0 to 4095"},
        {"descriptor bytes", [&] { encodeGobSet(gobs(1639, wide)); },
         "descriptor data of the graphic objects in bytes is 32780, limit 0 to 32763"},
        {"gob width", [&] { encodeGobSet(gobs(1, Gob{.width = 40000})); },
         "graphic object 0: width is 40000, limit 0 to 32767"},
        {"box width", [&] { encodeGobSet(gobs(1, Gob{.boxWidth = 32768})); },
         "graphic object 0: box width is 32768, limit 0 to 32767"},
        {"sheet entry",
         [&] {
             encodeGobSet({1024, {}});
         },
         "sheet entry is 1024, limit 0 to 1023"},
        {"hint", [&] { encodeGobSet(gobs(1, Gob{.hint = 4})); },
         "graphic object 0: transparency hint is 4, limit 0 to 3"},
        {"glyph count", [&] { encodeGlyphSet(fontOf(6)); },
         "a glyph set has at least 7 glyphs (they carry the font's header values): 6 given"},
        {"glyph twice",
         [&] {
             GlyphSet f = fontOf(7);
             f.glyphs[6].code = 'a';
             encodeGlyphSet(f);
         },
         "glyph U+0061 is given twice"},
        {"zero duration", [&] { encodeAnimSet(anim({0}, {})); },
         "animation 0: its steps last 0 in total; an animation needs a duration above 0"},
        {"zero interpolated step",
         [&] {
             AnimSet s = anim({0, 5}, {0, 0, 0, 0, 0, 1});
             s.animations[0].steps.push_back({0, 0, 0, 1, 0, 0});
             encodeAnimSet(s);
         },
         "animation 0 step 0: an interpolated step needs a duration above 0"},
        {"duration index", [&] { encodeAnimSet(anim({5}, {.durationIndex = 1})); },
         "animation 0 step 0: duration index 1 is beyond the duration table (1 durations)"},
        {"missing frame", [&] { encodeAnimSet(anim({5}, {.frame = 1})); },
         "animation 0 step 0: frame 1 does not exist (1 frames)"},
        {"step dx", [&] { encodeAnimSet(anim({5}, {.dx = 512})); },
         "animation 0 step 0: dx is 512, limit -512 to 511"},
        {"loop count",
         [&] {
             AnimSet s = anim({5}, {});
             s.animations[0].loopCount = 32;
             encodeAnimSet(s);
         },
         "animation 0: loop count is 32, limit -32 to 31"},
        {"steps",
         [&] {
             AnimSet s = anim({5}, {});
             s.animations[0].steps.resize(1024);
             encodeAnimSet(s);
         },
         "animation 0: number of steps is 1024, limit 0 to 1023"},
        {"pieces",
         [&] {
             AnimSet s;
             s.frames = {{std::vector<AnimPiece>(256), {}}};
             encodeAnimSet(s);
         },
         "frame 0: number of pieces is 256, limit 0 to 255"},
        {"box size",
         [&] {
             AnimSet s;
             s.frames = {{{}, {AnimBox{.height = 1024}}}};
             encodeAnimSet(s);
         },
         "frame 0 box 0: height is 1024, limit 0 to 1023"},
        {"text bytes",
         [&] {
             encodeTextTable({u"", std::u16string(10923, u'\u20AC')});
         },
         "text 1 in bytes is 32769, limit 0 to 32767"},
        {"text count", [&] { encodeTextTable(std::vector<std::u16string>(65536)); },
         "number of texts is 65536, limit 0 to 65535"},
        {"palette",
         [&] {
             encodePng({1, 1, std::vector<PaletteColour>(257), {0}});
         },
         "palette size is 257, limit 1 to 256"},
        {"pixel colour",
         [&] {
             encodePng({2, 1, {{}, {}}, {1, 2}});
         },
         "pixel 1,0 uses colour 2 of a 2-colour palette"},
        {"image size",
         [&] {
             encodePng({0, 1, {{}}, {}});
         },
         "image width is 0, limit 1 to 32767"},
        {"wav bits",
         [&] {
             encodeWav({1, 8000, 12, {}});
         },
         "bits per sample is 12, limit 8 or 16"},
        {"tone frequency",
         [&] {
             makeTone({5000, 10, 8000, 16, 50});
         },
         "tone frequency is 5000, limit 0 to 4000"},
        {"midi division",
         [&] {
             encodeMidi({0x8000, {}, 0});
         },
         "MIDI division is 32768, limit 1 to 32767"},
        {"midi note-off",
         [&] {
             encodeMidi({500, {{0, 0x80, 60, 0}}, 0});
         },
         "MIDI event 0: status 128, limit 0x90 to 0xBF (note-on, key pressure, controller): "
         "the player reads no other message"},
        {"midi velocity",
         [&] {
             melodyToMidi({0, {{60, 10, 0}}});
         },
         "note 0: velocity is 0, limit 1 to 127"},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf(c.encode), c.message) << c.name;
}

TEST(EntryLimits, ValuesAtTheLimitsAreAccepted) {
    EXPECT_EQ(encodeGobSet({0, std::vector<Gob>(4095)}).size(), 9u);
    const Gob wide{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
    EXPECT_EQ(encodeGobSet({0, std::vector<Gob>(1638, wide)}).size(), 9u + 32760);
    EXPECT_EQ(encodeTextTable({std::u16string(32767, u'x')}).size(), 4u + 32767);
    AnimSet s;
    s.durations = {0, 7};
    s.frames.resize(1);
    // A step of no time is fine inside an animation that takes some.
    s.animations = {{-1, std::vector<AnimStep>(1023, AnimStep{})}};
    s.animations[0].steps.back().durationIndex = 1;
    EXPECT_EQ(decodeAnimSet(encodeAnimSet(s)), s);
}

TEST(StrictDecoders, RefuseBytesThatDoNotAddUp) {
    const struct {
        const char* name;
        std::function<void()> decode;
    } cases[] = {
        {"text length past the end",
         [] {
             decodeTextTable({0x00, 0x01, 0x00, 0x05, 0x41});
         }},
        {"byte after the texts",
         [] {
             decodeTextTable({0x00, 0x00, 0x41});
         }},
        {"cut-off sequence",
         [] {
             decodeTextTable({0x00, 0x01, 0x00, 0x01, 0xC3});
         }},
        {"gob data shorter than the layout",
         [] {
             decodeGobSet({0, 0, 0, 0, 5, 0, 0x66, 0, 2, 1});
         }},
        {"animation set cut short",
         [] {
             decodeAnimSet({0x01, 0x00, 0x01, 0x02});
         }},
        {"huge counts in a few bytes",
         [] {
             decodeAnimSet({0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
         }},
        {"png with a bad CRC",
         [] {
             Bytes png = encodePng({1, 1, {{}}, {0}});
             png[20] ^= 1;
             decodePng(png);
         }},
        {"wav with a wrong data size",
         [] {
             Bytes wav = encodeWav({1, 8000, 8, {1, 2}});
             wav.pop_back();
             decodeWav(wav);
         }},
    };
    for (const auto& c : cases) EXPECT_NE(errorOf(c.decode), "") << c.name;
}

}  // namespace
