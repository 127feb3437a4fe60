// Font: the accepted faces, styles and sizes, one shared object per
// combination, and metrics and widths that stay the same for the stand-in's
// faces.
#include <gtest/gtest.h>

#include <climits>

#include "graphics_test_support.h"
#include "java_lang_Throwable.h"

using namespace gfxtest;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace {

const char* const kAIOOBE = "java.lang.ArrayIndexOutOfBoundsException";
const char* const kNPE = "java.lang.NullPointerException";

VMPtr<java::lang::String> str(const char* s) { return java::lang::String::make(s); }

TEST(FontGetFont, UnsupportedValuesNameTheirPart) {
    struct Case {
        jint face, style, size;
        const char* message;
    };
    const Case cases[] = {
        {16, 0, 0, "Unsupported face"},  {-1, 0, 0, "Unsupported face"},
        {0, 8, 0, "Unsupported style"},  {0, -1, 0, "Unsupported style"},
        {0, 0, 4, "Unsupported size"},   {0, 0, 24, "Unsupported size"},
        {16, 8, 4, "Unsupported face"},  // checked in this order
    };
    for (const Case& c : cases) {
        VMPtr<java::lang::Throwable> e = thrownBy([&] { Font::getFont(c.face, c.style, c.size); });
        ASSERT_EQ(wrentest::classNameOf(e), "java.lang.IllegalArgumentException") << c.message;
        EXPECT_EQ(text(e->getMessage()), c.message);
    }
}

TEST(FontGetFont, OneObjectPerCombination) {
    VMPtr<Font> a = Font::getFont(Font::FACE_MONOSPACE, Font::STYLE_BOLD, Font::SIZE_LARGE);
    EXPECT_EQ(a, Font::getFont(32, 1, 16));
    EXPECT_NE(a, Font::getFont(32, 1, 0));
    EXPECT_NE(a, Font::getFont(64, 1, 16));
    EXPECT_EQ(a->getFace(), 32);
    EXPECT_EQ(a->getStyle(), 1);
    EXPECT_EQ(a->getSize(), 16);
    // The default font is its own object, with the metrics of (0, 0, 0).
    VMPtr<Font> d = Font::getDefaultFont();
    EXPECT_EQ(d, Font::getDefaultFont());
    VMPtr<Font> zero = Font::getFont(0, 0, 0);
    EXPECT_NE(d, zero);
    EXPECT_EQ(d->getHeight(), zero->getHeight());
    EXPECT_EQ(d->getBaselinePosition(), zero->getBaselinePosition());
    EXPECT_EQ(d->stringWidth(str("Default")), zero->stringWidth(str("Default")));
}

TEST(FontGetFont, StylePredicates) {
    for (jint style = 0; style < 8; ++style) {
        VMPtr<Font> f = Font::getFont(0, style, 0);  // every combination is accepted
        EXPECT_EQ(f->isPlain(), style == 0) << style;
        EXPECT_EQ(f->isBold(), (style & 1) != 0) << style;
        EXPECT_EQ(f->isItalic(), (style & 2) != 0) << style;
        EXPECT_EQ(f->isUnderlined(), (style & 4) != 0) << style;
    }
}

TEST(FontWidths, WidthsAgreeAcrossTheFourCalls) {
    VMPtr<Font> f = Font::getFont(Font::FACE_PROPORTIONAL, Font::STYLE_PLAIN, Font::SIZE_MEDIUM);
    VMPtr<java::lang::String> s = str("Wren, 42!");
    jint whole = f->stringWidth(s);
    EXPECT_GT(whole, 0);
    EXPECT_EQ(f->substringWidth(str(">>Wren, 42!<<"), 2, 9), whole);
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(11);
    for (jint i = 0; i < 9; ++i) (*chars)[i + 1] = s->charAt(i);
    EXPECT_EQ(f->charsWidth(chars, 1, 9), whole);
    EXPECT_EQ(f->charWidth(u'W'), f->stringWidth(str("W")));
    EXPECT_EQ(f->stringWidth(str("")), 0);
    EXPECT_EQ(f->charsWidth(chars, 11, 0), 0);
}

TEST(FontWidths, RangesOutsideTheTextThrow) {
    VMPtr<Font> f = Font::getDefaultFont();
    VMPtr<java::lang::String> abc = str("abc");
    EXPECT_EQ(thrownName([&] { f->substringWidth(abc, 2, 2); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { f->substringWidth(abc, -1, 1); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { f->substringWidth(abc, 1, INT_MAX); }), kAIOOBE);
    EXPECT_EQ(f->substringWidth(abc, 3, 0), 0);
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(3);
    EXPECT_EQ(thrownName([&] { f->charsWidth(chars, 1, INT_MAX); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { f->charsWidth(chars, 0, -1); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { f->charsWidth(nullptr, 0, 0); }), kNPE);
    EXPECT_EQ(thrownName([&] { f->stringWidth(nullptr); }), kNPE);
    EXPECT_EQ(thrownName([&] { f->substringWidth(nullptr, 0, 0); }), kNPE);
}

// The stand-in's faces at 96 dots per inch: these numbers are what the game
// lays its text out with, so a change in them is a change on the screen.
TEST(FontMetrics, StableForTheStandInFaces) {
    struct Case {
        jint face, style, size;
        jint height, baseline, charW, stringW;  // charWidth('W'), stringWidth("Hello, Wren")
    };
    const Case cases[] = {
        // face, style, size: height, baseline, charWidth('W'), stringWidth
        {0, 0, 8, 10, 8, 8, 47},
        {0, 0, 0, 13, 10, 10, 58},
        {0, 0, 16, 17, 13, 14, 83},
        {32, 0, 8, 10, 8, 5, 55},
        {32, 0, 0, 13, 10, 6, 66},
        {32, 0, 16, 17, 13, 8, 88},
        {64, 0, 8, 10, 8, 8, 47},
        {64, 0, 0, 13, 10, 10, 58},
        {64, 0, 16, 17, 13, 14, 83},
        // Bold is a face of its own and wider; italic and underlined keep
        // the plain widths.
        {0, 1, 0, 13, 10, 11, 65},
        {0, 2, 0, 13, 10, 10, 58},
        {0, 4, 0, 13, 10, 10, 58},
        {0, 3, 0, 13, 10, 11, 65},
        {64, 1, 16, 17, 13, 15, 94},
        {64, 3, 8, 10, 8, 9, 54},
        {32, 1, 16, 17, 13, 8, 88},
        {32, 6, 0, 13, 10, 6, 66},
    };
    for (const Case& c : cases) {
        VMPtr<Font> f = Font::getFont(c.face, c.style, c.size);
        SCOPED_TRACE(testing::Message() << "face " << c.face << " style " << c.style << " size "
                                        << c.size);
        EXPECT_EQ(f->getHeight(), c.height);
        EXPECT_EQ(f->getBaselinePosition(), c.baseline);
        EXPECT_EQ(f->charWidth(u'W'), c.charW);
        EXPECT_EQ(f->stringWidth(str("Hello, Wren")), c.stringW);
    }
}

}  // namespace
