// The canvas's static helpers and services: the byte-buffer serializer,
// decimal text, lenient parsing, checksums, the sort and search, alpha
// classification, text decoding, palette conversion, and the settings and
// device services.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "framework_test_support.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "javax_microedition_io_PushRegistry.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"
#include "support/java_bytes.h"

namespace {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Image;
using wren::WrenCanvas;
using wrentest::bytesOf;
using wrentest::jbytes;
using wrentest::thrownName;
using wrentest::framework::CanvasTest;
using Bytes = std::vector<uint8_t>;

std::u16string textOf(const VMPtr<String>& s) {
    std::u16string out;
    for (jint i = 0; i < s->length(); ++i) out += s->charAt(i);
    return out;
}

std::u16string u16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

VMPtr<VMArray<jint>> ints(const std::vector<jint>& v) {
    VMPtr<VMArray<jint>> a = VMArray<jint>::create(jint(v.size()));
    for (size_t i = 0; i < v.size(); ++i) a[jint(i)] = v[i];
    return a;
}

class CanvasServices : public ::testing::Test {};

TEST_F(CanvasServices, SerializerWritesAndReadsInItsByteOrders) {
    WrenCanvas::S().outBuffer = VMArray<jbyte>::create(32);
    WrenCanvas::S().outPosition = 0;
    WrenCanvas::writeInt(0x01020304);
    WrenCanvas::writeIntLE(0x01020304);
    WrenCanvas::writeShort(0xA1B2C3);  // only the low 16 bits
    WrenCanvas::writeShortLE(0x0506);
    WrenCanvas::writeByte(0x1FF);
    WrenCanvas::writeBoolean(true);
    WrenCanvas::writeBoolean(false);
    EXPECT_EQ(WrenCanvas::S().outPosition, 15);
    Bytes written = bytesOf(WrenCanvas::S().outBuffer.get());
    written.resize(15);
    EXPECT_EQ(written, (Bytes{1, 2, 3, 4, 4, 3, 2, 1, 0xB2, 0xC3, 6, 5, 0xFF, 1, 0}));

    WrenCanvas::S().inBuffer = jbytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x80, 0x7F, 0, 2});
    WrenCanvas::S().inPosition = 0;
    EXPECT_EQ(WrenCanvas::readByte(), -1);
    WrenCanvas::S().inPosition = 1;
    EXPECT_EQ(WrenCanvas::readInt(), -2);
    EXPECT_EQ(WrenCanvas::readByte(), -128);
    EXPECT_EQ(WrenCanvas::readByte(), 127);
    EXPECT_FALSE(WrenCanvas::readBoolean());
    EXPECT_TRUE(WrenCanvas::readBoolean());
    EXPECT_EQ(WrenCanvas::S().inPosition, 9);
    // Past the end the array's own check stops it.
    EXPECT_EQ(thrownName([] { WrenCanvas::readByte(); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

TEST_F(CanvasServices, NumberText) {
    struct Case {
        jint value, minDigits;
        const char* text;
    };
    for (const Case& c : {Case{7, 3, "007"}, Case{-42, 0, "-42"}, Case{123456, 8, "123456"},
                          Case{-5, 3, "-005"}, Case{0, 0, "0"}, Case{0, 2, "00"},
                          Case{65535, 7, "0065535"}, Case{65536, 7, "65536"},
                          Case{-65535, 6, "-065535"}, Case{INT_MAX, 0, "2147483647"},
                          Case{INT_MIN, 0, "-2147483648"}, Case{INT_MIN, 12, "-2147483648"}}) {
        SCOPED_TRACE(c.text);
        VMPtr<StringBuffer> sb = StringBuffer::make(String::make("x="));
        WrenCanvas::appendNumber(sb, c.value, c.minDigits);
        EXPECT_EQ(textOf(sb->toString()), u16(std::string("x=") + c.text));
    }
    VMPtr<StringBuffer> sb = StringBuffer::make(String::make("ab"));
    WrenCanvas::insertNumber(sb, -12, 3, 1);
    WrenCanvas::appendNumber(sb, 9);
    EXPECT_EQ(textOf(sb->toString()), u"a-012b9");
}

TEST_F(CanvasServices, ParseIntFallsBackToTheDefault) {
    struct Case {
        const char* text;  // null: a null string
        jint defaultValue, radix, expected;
    };
    for (const Case& c : {Case{"12", 5, 10, 12}, Case{"12x", 5, 10, 5}, Case{"ff", 0, 16, 255},
                          Case{"", 7, 10, 7}, Case{nullptr, 7, 10, 7}, Case{"-2147483648", 0, 10, INT_MIN},
                          Case{"2147483648", -1, 10, -1}}) {
        SCOPED_TRACE(c.text ? c.text : "null");
        VMPtr<String> s = c.text ? String::make(c.text) : nullptr;
        EXPECT_EQ(WrenCanvas::parseInt(s, c.defaultValue, c.radix), c.expected);
        if (c.radix == 10) EXPECT_EQ(WrenCanvas::parseInt(s, c.defaultValue), c.expected);
    }
}

TEST_F(CanvasServices, ChecksumsAgreeWithThePublishedOnes) {
    EXPECT_EQ(WrenCanvas::adler32(1, jbytes({}), 0, 0), 1);
    EXPECT_EQ(WrenCanvas::adler32(1, jbytes({'x', 'a', 'b', 'c'}), 1, 3), 0x024D0127);
    // Long runs of 0xFF need the sums reduced in time; compare with a
    // reduction after every byte.
    Bytes ff(100000, 0xFF);
    uint32_t s1 = 1, s2 = 0;
    for (uint8_t b : ff) {
        s1 = (s1 + b) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    EXPECT_EQ(uint32_t(WrenCanvas::adler32(1, jbytes(ff), 0, jint(ff.size()))), s1 | s2 << 16);
    // Continuing over two halves is the same as one pass.
    jint half = WrenCanvas::adler32(1, jbytes(ff), 0, 40000);
    EXPECT_EQ(uint32_t(WrenCanvas::adler32(half, jbytes(ff), 40000, 60000)), s1 | s2 << 16);

    const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(uint32_t(~WrenCanvas::crc32(-1, jbytes(check), 0, 9)), 0xCBF43926u);
    jint first = WrenCanvas::crc32(-1, jbytes(check), 0, 4);
    EXPECT_EQ(uint32_t(~WrenCanvas::crc32(first, jbytes(check), 4, 5)), 0xCBF43926u);
}

TEST_F(CanvasServices, SortAndSearch) {
    std::mt19937 rng(7);
    for (jint n : {0, 1, 2, 3, 10, 257}) {
        SCOPED_TRACE(n);
        std::vector<jint> v(size_t(n) + 3);
        for (auto& x : v) x = jint(rng() % 50) - 25;
        VMPtr<VMArray<jint>> a = ints(v);
        WrenCanvas::sortInts(a, n);
        std::sort(v.begin(), v.begin() + n);  // the tail stays as it was
        std::vector<jint> sorted(a->elements(), a->elements() + a->length);
        EXPECT_EQ(sorted, v);
    }
    struct Case {
        jint key, expected;
    };
    VMPtr<VMArray<jint>> a = ints({1, 3, 5});
    for (const Case& c : {Case{4, 2}, Case{0, 0}, Case{9, 3}, Case{1, 0}, Case{5, 2}})
        EXPECT_EQ(WrenCanvas::binarySearch(a, 2, c.key), c.expected) << c.key;
    EXPECT_EQ(WrenCanvas::binarySearch(a, -1, 3), 0);
}

TEST_F(CanvasServices, AlphaClassification) {
    struct Case {
        std::vector<jint> pixels;
        jboolean hasAlpha;
        jint kind;
    };
    for (const Case& c :
         {Case{{jint(0xFF000000), jint(0xF0123456)}, false, 1},
          Case{{jint(0xFF000000), 0x00FFFFFF}, true, 2},
          Case{{jint(0xFF000000), 0x0FFFFFFF, jint(0x80FFFFFF)}, true, 3},
          Case{{jint(0xEFFFFFFF)}, true, 3}}) {
        VMPtr<VMArray<jint>> a = ints(c.pixels);
        EXPECT_EQ(WrenCanvas::hasAlpha(a), c.hasAlpha);
        EXPECT_EQ(WrenCanvas::getAlphaKind(a, 0, a->length, 0, 0, a->length, 1), c.kind);
    }
    // Only the rectangle counts: a 3 by 2 grid whose clear and partly clear
    // pixels lie outside the 2 by 1 rectangle at (1, 1).
    VMPtr<VMArray<jint>> grid =
        ints({0, jint(0x80000000), 0, 0, 0, jint(0xFF000000), jint(0xFF000000)});
    EXPECT_EQ(WrenCanvas::getAlphaKind(grid, 1, 3, 1, 1, 2, 1), 1);
    EXPECT_EQ(WrenCanvas::getAlphaKind(grid, 1, 3, 0, 0, 2, 1), 3);
}

TEST_F(CanvasServices, DecodeUtf8EndsAndNeverReadsPastItsLength) {
    struct Case {
        Bytes bytes;
        jint offset, length;
        std::u16string text;
    };
    for (const Case& c : {
             Case{{'a', 'b'}, 0, 2, u"ab"},
             Case{{0xC3, 0xA9}, 0, 2, u"\u00E9"},
             Case{{0xE2, 0x82, 0xAC}, 0, 3, u"\u20AC"},
             Case{{'x', 'A', 0xE2, 0x82, 0xAC, 'B'}, 1, 5, u"A\u20ACB"},
             Case{{0xC0, 0x80}, 0, 2, std::u16string(1, u'\0')},  // modified UTF-8's NUL
             Case{{}, 0, 0, u""},
             // A byte that starts no character: U+0000, and on.
             Case{{'A', 0x80, 'B'}, 0, 3, std::u16string(u"A\0B", 3)},
             Case{{0xFF, 0xF0, 'C'}, 0, 3, std::u16string(u"\0\0C", 3)},
             // A character cut by the length: U+0000, and the end, though
             // the array holds the rest of it.
             Case{{'A', 0xE2, 0x82, 0xAC}, 0, 3, std::u16string(u"A\0", 2)},
             Case{{0xC3, 0xA9}, 0, 1, std::u16string(1, u'\0')},
             Case{{'A', 0xE2}, 0, 2, std::u16string(u"A\0", 2)},
         }) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(textOf(WrenCanvas::decodeUtf8(jbytes(c.bytes), c.offset, c.length)), c.text);
    }
}

VMPtr<Image> imageOf(const std::vector<jint>& pixels, jint width) {
    return Image::createRGBImage(ints(pixels), width, jint(pixels.size()) / width, true);
}

TEST_F(CanvasServices, IndexedPixelsMoveTheKeyColourToIndexZero) {
    const jint black = jint(0xFF000000), magenta = jint(0xFFFF00FF), red = jint(0xFFFF0000);
    VMPtr<VMArray<jint>> palette = VMArray<jint>::create(4);
    palette[3] = 77;
    VMPtr<Image> image = imageOf({black, magenta, red, black}, 2);
    Bytes out = bytesOf(WrenCanvas::toIndexedPixels(image, palette));
    EXPECT_EQ(out, (Bytes{1, 0, 2, 1}));
    // The colours as the image keeps them.
    VMPtr<VMArray<jint>> kept = VMArray<jint>::create(4);
    image->getRGB(kept, 0, 2, 0, 0, 2, 2);
    EXPECT_EQ(std::vector<jint>(palette->elements(), palette->elements() + 4),
              (std::vector<jint>{kept[1], kept[0], kept[2], 77}));

    // Near-magenta counts, alpha and low nibbles aside; 0xE000F0 does not.
    struct Case {
        jint colour;
        bool key;
    };
    for (const Case& c : {Case{jint(0xFFF808F8), true}, Case{jint(0xFFE000F0), false}}) {
        VMPtr<VMArray<jint>> p = VMArray<jint>::create(2);
        Bytes o = bytesOf(WrenCanvas::toIndexedPixels(imageOf({black, c.colour}, 2), p));
        EXPECT_EQ(o, c.key ? (Bytes{1, 0}) : (Bytes{0, 1})) << std::hex << c.colour;
    }

    // More colours than the palette holds: refused, nothing written past it.
    VMPtr<VMArray<jint>> small = VMArray<jint>::create(2);
    EXPECT_EQ(thrownName([&] { WrenCanvas::toIndexedPixels(imageOf({black, red, magenta}, 3), small); }),
              "java.lang.IllegalArgumentException");
}

class CanvasPlatformServices : public CanvasTest {};

TEST_F(CanvasPlatformServices, SettingsStartOnAtTheFirstLookAndChangeOnlyBySetters) {
    EXPECT_FALSE(canvas->settingsLoaded);
    EXPECT_TRUE(canvas->isVibrationEnabled());
    EXPECT_TRUE(canvas->settingsLoaded && canvas->soundEnabled && canvas->backlightEnabled);
    canvas->setVibrationEnabled(false);
    EXPECT_FALSE(canvas->isVibrationEnabled());
    EXPECT_TRUE(canvas->isBacklightEnabled());
    canvas->setBacklightEnabled(false);
    EXPECT_FALSE(canvas->isBacklightEnabled());
}

// An effect with its setting on reaches the Display (which refuses a
// negative duration, the one answer it shows here); with it off it does
// nothing at all. The first effect on a new canvas finds its setting on.
TEST_F(CanvasPlatformServices, EffectsReachTheDisplayOnlyWhileTheirSettingIsOn) {
    EXPECT_EQ(thrownName([&] { canvas->vibrate(-1); }), "java.lang.IllegalArgumentException");
    EXPECT_TRUE(canvas->settingsLoaded);
    EXPECT_EQ(thrownName([&] { canvas->flashBacklight(-1); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { canvas->vibrate(100); }), "nothing");
    EXPECT_EQ(thrownName([&] { canvas->flashBacklight(100); }), "nothing");

    canvas->setVibrationEnabled(false);
    EXPECT_EQ(thrownName([&] { canvas->vibrate(-1); }), "nothing");
    EXPECT_EQ(thrownName([&] { canvas->flashBacklight(-1); }),
              "java.lang.IllegalArgumentException");
    canvas->setBacklightEnabled(false);
    EXPECT_EQ(thrownName([&] { canvas->flashBacklight(-1); }), "nothing");
    canvas->setVibrationEnabled(true);
    EXPECT_EQ(thrownName([&] { canvas->vibrate(-1); }), "java.lang.IllegalArgumentException");
}

// The alarm asked of the push registry: the MIDlet's class and a time of 0
// for no delay, else the delay in milliseconds (an int product, so that it
// wraps as the device's did) after now. The registry refuses every alarm.
TEST_F(CanvasPlatformServices, AlarmsAreRefusedAndOrientationSettles) {
    using javax::microedition::io::PushRegistry;
    struct Case {
        jint seconds;
        bool now;  // the time is 0
        jlong delay;
    } cases[] = {{0, true, 0}, {-5, true, 0}, {60, false, 60000}, {3000000, false, -1294967296}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        PushRegistry::S().lastMidlet = nullptr;
        PushRegistry::S().lastTime = -7;
        const jlong before = java::lang::System::currentTimeMillis();
        EXPECT_FALSE(canvas->registerAlarm(c.seconds));
        const jlong after = java::lang::System::currentTimeMillis();
        ASSERT_NE(PushRegistry::S().lastMidlet, nullptr);
        EXPECT_EQ(textOf(PushRegistry::S().lastMidlet), u"wrentest.framework.TestMIDlet");
        if (c.now) {
            EXPECT_EQ(PushRegistry::S().lastTime, 0);
        } else {
            EXPECT_GE(PushRegistry::S().lastTime, before + c.delay);
            EXPECT_LE(PushRegistry::S().lastTime, after + c.delay);
        }
    }
    clock->sleeps.clear();
    EXPECT_FALSE(canvas->setOrientation(7));
    EXPECT_EQ(clock->sleeps, std::vector<jint>{20});
    EXPECT_TRUE(canvas->setOrientation(0));
}

}  // namespace
