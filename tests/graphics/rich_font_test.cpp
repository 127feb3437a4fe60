// Rich fonts over the fixture's bitmap font (fixtures/gobs/src/font.font):
// the stored form converted once, sets the font can't use refused when
// attached, widths and ink boxes, and golden pixels of text drawn under
// the turning transforms, whose ink must lie where the ink box says.
#include "java_lang_IllegalArgumentException.h"
#include "javax_microedition_lcdui_Font.h"
#include "text_support.h"

using namespace gfxfw;
using namespace textfw;
using wren::Gob;
using wren::util::text::RichFont;
using Rows = std::vector<std::string>;

namespace {

constexpr jint HCENTER = 1, VCENTER = 2, LEFT = 4, RIGHT = 8, TOP = 16, BOTTOM = 32, BASELINE = 64;

TEST(RichFont, ConvertsTheStoredFormOnceAndFindsGlyphsByCode) {
    VMPtr<VMArray<Gob*>> glyphs = fontGlyphs();
    ASSERT_TRUE(glyphs != nullptr);
    ASSERT_EQ(glyphs->length, 7);
    EXPECT_EQ(glyphs[3]->boxHeight, RichFont::STORED_FORM);
    VMPtr<RichFont> f = RichFont::make();
    f->setBitmapFont(glyphs);
    EXPECT_EQ(glyphs[3]->boxHeight, 0);
    // Sorted by code: ' ' '-' '@' 'A' 'B' 'C' 'W'.
    const char16_t codes[] = u" -@ABCW";
    for (jint i = 0; i < 7; ++i) EXPECT_EQ(glyphs[i]->boxX, codes[i]);
    // '-' is drawn one row down, '@' two.
    EXPECT_EQ(f->getGlyph(u'-')->offsetY, 1);
    EXPECT_EQ(f->getGlyph(u'@')->offsetY, 2);

    // A second font takes the converted array as it is.
    VMPtr<RichFont> second = RichFont::make();
    second->setBitmapFont(glyphs);
    for (jint i = 0; i < 7; ++i) EXPECT_EQ(glyphs[i]->boxX, codes[i]);
    EXPECT_TRUE(second->getGlyph(u'A') == f->getGlyph(u'A'));
    EXPECT_TRUE(second->getGlyph(u'x') == nullptr);
    EXPECT_EQ(second->getHeight(), 4);
    EXPECT_EQ(second->getBaselinePosition(), 3);
    EXPECT_EQ(second->getLineHeight(), 5);
    EXPECT_EQ(second->getAuxMetric(), 9);
    EXPECT_FALSE(second->isAdvanceAligned());

    // A copy shares the glyphs and the transform; a mapped character wins
    // over the search.
    second->setTransform(5);
    VMPtr<RichFont> copy = RichFont::make(second);
    EXPECT_TRUE(copy->getGlyphs() == glyphs);
    EXPECT_EQ(copy->getTransform(), 5);
    copy->mapChar(u'A', f->getGlyph(u'W'));
    EXPECT_TRUE(copy->getGlyph(u'A') == f->getGlyph(u'W'));
    EXPECT_TRUE(second->getGlyph(u'A') != f->getGlyph(u'W'));
}

// Differences 65, 1, 1 in the offsets give 'A', 'B', 'C'.
TEST(RichFont, CodesAddUpFromTheirDifferences) {
    VMPtr<VMArray<Gob*>> glyphs = VMArray<Gob*>::create(7);
    const jint diffs[] = {65, 1, 1, 1, 1, 0x100 + 2, 1};
    for (jint i = 0; i < 7; ++i) {
        VMPtr<Gob> g = Gob::make();
        g->offsetX = jshort(diffs[i] >> 8);
        g->offsetY = jshort(diffs[i] & 0xFF);
        g->boxX = jshort(i);  // the real x offset
        glyphs[i] = g;
    }
    glyphs[3]->boxHeight = RichFont::STORED_FORM;
    VMPtr<RichFont> f = RichFont::make();
    f->setBitmapFont(glyphs);
    const jchar codes[] = {u'A', u'B', u'C', u'D', u'E', jchar(0x147), jchar(0x148)};
    for (jint i = 0; i < 7; ++i) {
        EXPECT_EQ(glyphs[i]->boxX & 0xFFFF, codes[i]);
        EXPECT_EQ(glyphs[i]->offsetX, i);
        EXPECT_TRUE(f->getGlyph(codes[i]) == glyphs[i]);
    }
}

TEST(RichFont, RefusesSetsAndStylesItCannotUse) {
    VMPtr<RichFont> f = fixtureFont();
    VMPtr<VMArray<Gob*>> kept = f->getGlyphs();
    VMPtr<VMArray<Gob*>> six = VMArray<Gob*>::create(6);
    for (jint i = 0; i < 6; ++i) six[i] = Gob::make();
    VMPtr<VMArray<Gob*>> holed = VMArray<Gob*>::create(8);
    for (jint i = 0; i < 8; ++i)
        if (i != 5) holed[i] = Gob::make();
    for (auto set : {six, VMArray<Gob*>::create(0), holed}) {
        EXPECT_EQ(thrownName([&] { f->setBitmapFont(set); }), "java.lang.IllegalArgumentException");
        EXPECT_TRUE(f->getGlyphs() == kept);
    }
    for (jint style : {-1, 6}) {
        EXPECT_EQ(thrownName([&] { f->setSystemFontStyle(style); }),
                  "java.lang.IllegalArgumentException");
        EXPECT_TRUE(f->isBitmapFont());
    }
    // Style 1, the one it starts with, still makes it a system font.
    f->setSystemFontStyle(1);
    EXPECT_FALSE(f->isBitmapFont());
    EXPECT_EQ(f->getSystemFontStyle(), 1);
    EXPECT_EQ(f->getHeight(), javax::microedition::lcdui::Font::getFont(0, 0, 0)->getHeight());
    f->setSystemFontStyle(5);
    EXPECT_EQ(f->getHeight(), javax::microedition::lcdui::Font::getFont(0, 1, 16)->getHeight());
}

TEST(RichFont, WidthsHeightsAndCharacterMetrics) {
    VMPtr<RichFont> f = fixtureFont();
    struct Case {
        const char16_t* s;
        jint width;
    } cases[] = {{u"", 0}, {u"A", 3}, {u"AxB", 7}, {u"W-@ ", 16}, {u"\u00E9", 2}};
    for (const Case& c : cases) EXPECT_EQ(f->stringWidth(jstr(c.s)), c.width);
    EXPECT_EQ(f->substringWidth(jstr(u"xxAB"), 2, 2), 5);
    EXPECT_EQ(f->charWidth(u'W'), 9);
    EXPECT_EQ(f->stringWidth(java::lang::StringBuffer::make(WREN_LIT("CC"))), 6);
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::of({u'A', u'B'});
    EXPECT_EQ(thrownName([&] { f->charsWidth(chars, 1, 2); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { f->substringWidth(jstr(u"AB"), 1, 2); }),
              "java.lang.StringIndexOutOfBoundsException");

    // Height from the pen's top; tight from the highest ink, once.
    EXPECT_EQ(f->stringHeight(jstr(u"-@")), 3);
    f->setTightHeight(true);
    EXPECT_EQ(f->stringHeight(jstr(u"-@")), 2);
    EXPECT_EQ(f->stringHeight(jstr(u"-@")), 3);
    EXPECT_EQ(f->getCharAscent(u'A'), 3);
    EXPECT_EQ(f->getCharAscent(u'@'), 1);
    EXPECT_EQ(f->getCharDescent(u'@'), 0);
    EXPECT_EQ(f->getCharDescent(u'x'), 0);
}

// "AB" at (x, y), TOP | LEFT: 'A' is "rg" / "r " / "rr" (its middle right
// pixel is keyed), 'B' one column "b" / "b" / "g", three pixels on. The
// other vertical anchors draw the same pixels from a point moved by the
// font's baseline (3) or height (4) along the transform's up direction;
// VCENTER draws as TOP.
TEST(RichFont, GoldenPixelsUnderTheTurningTransforms) {
    struct Case {
        jint t, x, y;
        jint atX, atY;
        Rows drawn;
    } cases[] = {
        {0, 2, 2, 2, 2, {"rg b", "r  b", "rr g"}},
        // 180°: backwards along x, each glyph turned about the pen.
        {3, 8, 6, 4, 3, {"g rr", "b  r", "b gr"}},
        // 90°: down the column, the glyphs' tops to the right.
        {5, 6, 2, 3, 2, {"rrr", "r g", "   ", "gbb"}},
        // 270°: up the column.
        {6, 6, 8, 6, 4, {"bbg", "   ", "g r", "rrr"}},
    };
    struct Anchor {
        jint bits, lift;
    } anchors[] = {{TOP, 0}, {VCENTER, 0}, {BASELINE, 3}, {BOTTOM, 4}};
    VMPtr<RichFont> f = fixtureFont();
    for (const Case& c : cases)
        for (const Anchor& a : anchors) {
            SCOPED_TRACE("transform " + std::to_string(c.t) + " anchor " + std::to_string(a.bits));
            // Where the text's top edge would be with TOP, pushed down the
            // glyphs' columns by the anchor's lift.
            jint x = c.x, y = c.y;
            switch (c.t) {
            case 3: y -= a.lift; break;
            case 5: x -= a.lift; break;
            case 6: x += a.lift; break;
            default: y += a.lift; break;
            }
            f->setTransform(c.t);
            Target target(12, 12);
            f->drawString(target.g, jstr(u"AB"), x, y, a.bits | LEFT);
            EXPECT_EQ(picture(target), expected(12, 12, c.atX, c.atY, c.drawn));
        }
}

// Where the ink lands against where the ink box says it is, for the
// transforms the layout turns with and every vertical anchor.
TEST(RichFont, InkLandsInItsInkBox) {
    VMPtr<RichFont> f = fixtureFont();
    VMPtr<VMArray<jint>> box = VMArray<jint>::create(4);
    for (jint t : {0, 3, 5, 6})
        for (jint h : {LEFT, RIGHT, HCENTER, 0})
            for (jint v : {TOP, BASELINE, BOTTOM, VCENTER, 0}) {
                jint anchor = h | v;
                SCOPED_TRACE("transform " + std::to_string(t) + " anchor " +
                             std::to_string(anchor));
                f->setTransform(t);
                Target target(40, 40);
                // 10 pixels of ink, from 'A' to 'C'.
                f->drawString(target.g, jstr(u"AB-C"), 20, 20, anchor);
                f->stringBounds(jstr(u"AB-C"), 20, 20, box, anchor);
                jint minX = 99, minY = 99, maxX = -1, maxY = -1;
                Rows rows = picture(target);
                for (jint y = 0; y < 40; ++y)
                    for (jint x = 0; x < 40; ++x)
                        if (rows[size_t(y)][size_t(x)] != '_') {
                            minX = std::min(minX, x), maxX = std::max(maxX, x);
                            minY = std::min(minY, y), maxY = std::max(maxY, y);
                        }
                EXPECT_EQ((std::vector<jint>{box[0], box[1], box[2], box[3]}),
                          (std::vector<jint>{minX, minY, maxX - minX + 1, maxY - minY + 1}));
            }
}

// Right alignment by the ink (the flag 0) or by the advances (set), and the
// extra pixel of centring an odd width under 180°.
TEST(RichFont, AlignmentByInkOrAdvance) {
    VMPtr<RichFont> f = fixtureFont();
    auto leftmost = [&](jint t, jint anchor) {
        f->setTransform(t);
        Target target(20, 6);
        f->drawString(target.g, jstr(u"A"), 10, 1, anchor | TOP);
        Rows rows = picture(target);
        for (jint x = 0; x < 20; ++x)
            for (const std::string& r : rows)
                if (r[size_t(x)] != '_') return x;
        return -1;
    };
    EXPECT_EQ(leftmost(0, RIGHT), 8);  // ink 2 wide ends at 10
    f->getGlyphs()[6]->boxHeight = 1;
    EXPECT_TRUE(f->isAdvanceAligned());
    EXPECT_EQ(leftmost(0, RIGHT), 7);  // advance 3
    // "A" is 3 wide by advance under 180°: the start moves 3/2 + 1 = 2 on,
    // to 12, and the ink runs back from there.
    EXPECT_EQ(leftmost(3, HCENTER), 10);
    f->getGlyphs()[6]->boxHeight = 0;
}

TEST(RichFont, NumbersAndSystemFontColour) {
    VMPtr<RichFont> f = fixtureFont();
    f->mapChar(u'0', f->getGlyph(u'A'));
    f->mapChar(u'7', f->getGlyph(u'B'));
    Target numbers(12, 5), letters(12, 5);
    f->drawNumber(numbers.g, 7, 3, 1, 1, TOP | LEFT);
    f->drawString(letters.g, jstr(u"AAB"), 1, 1, TOP | LEFT);
    EXPECT_EQ(picture(numbers), picture(letters));

    VMPtr<RichFont> sys = RichFont::make();
    sys->setColor(0xFF0000);
    Target target(40, 20);
    target.g->setColor(0x00FF00);
    sys->drawString(target.g, jstr(u"W"), 2, 2, TOP | LEFT);
    EXPECT_EQ(target.g->getColor() & 0xFFFFFF, 0x00FF00);
    bool red = false;
    for (uint32_t p : target.pixels())
        red = red || (((p >> 16) & 0xFF) >= 0xC0 && ((p >> 8) & 0xFF) < 0x40);
    EXPECT_TRUE(red);
    VMPtr<RichFont> copy = RichFont::make(sys);
    EXPECT_TRUE(copy->colourSet);
    EXPECT_EQ(copy->colour, 0xFF0000);
}

TEST(RichFont, GlyphOpacityReachesEveryHolder) {
    VMPtr<RichFont> f = fixtureFont();
    VMPtr<RichFont> other = RichFont::make(f);
    EXPECT_EQ(f->getGlyphAlpha(), 255);
    f->setGlyphAlpha(128);
    EXPECT_EQ(other->getGlyphAlpha(), 128);
    EXPECT_TRUE(other->getGlyph(u'W')->isAlphaImage());
    Target target(6, 6, kWhite);
    f->drawChar(target.g, u'A', 1, 1, TOP | LEFT);
    uint32_t p = target.at(1, 1);  // red at half over white
    EXPECT_NEAR(double((p >> 8) & 0xFF), 128.0, 12.0);
    EXPECT_GE((p >> 16) & 0xFF, 0xF0u);
    EXPECT_EQ(RichFont::make()->getGlyphAlpha(), 255);
}

}  // namespace
