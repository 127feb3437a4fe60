// What Graphics draws, read back from mutable images: colours and alpha,
// clip and translation together, the anchors of text, images and regions,
// the eight region transforms, copyArea and drawRGB, and the checks that
// guard them (huge values included).
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "graphics_test_support.h"

using namespace gfxtest;
using wrentest::thrownName;

namespace {

using Rows = std::vector<std::string>;
const char* const kIAE = "java.lang.IllegalArgumentException";
const char* const kAIOOBE = "java.lang.ArrayIndexOutOfBoundsException";
const char* const kNPE = "java.lang.NullPointerException";

TEST(GraphicsDraw, FillColourAndTheAlphaThresholds) {
    struct Case {
        uint32_t argb;
        uint32_t expected;  // over white
    };
    const Case cases[] = {
        {0xFF123456, 0xFF103450},  // RGB565 truncation
        {0x07000000, kWhite},      // below 8: nothing
        {0xF8FF0000, kRed},        // from 248: solid
        {0x00FF0000, kWhite},
    };
    for (const Case& c : cases) {
        VMPtr<Image> img = blank(3, 2);
        VMPtr<Graphics> g = img->getGraphics();
        g->setAlphaColor(jint(c.argb));
        g->fillRect(0, 0, 3, 2);
        for (uint32_t p : pixels(img)) EXPECT_EQ(p, c.expected) << std::hex << c.argb;
    }
    // Half black over white lands between the two.
    VMPtr<Image> img = blank(1, 1);
    VMPtr<Graphics> g = img->getGraphics();
    g->setAlphaColor(int32_t(0x80000000));
    g->fillRect(0, 0, 1, 1);
    uint32_t p = pixels(img)[0];
    EXPECT_GT(p & 0xFF0000, 0x600000u);
    EXPECT_LT(p & 0xFF0000, 0xA00000u);
}

TEST(GraphicsDraw, ClipAndTranslateTogether) {
    VMPtr<Image> img = blank(8, 6);
    VMPtr<Graphics> g = img->getGraphics();
    g->translate(2, 1);
    g->setClip(0, 0, 4, 3);
    g->fillRect(-100, -100, 1000, 1000);  // only the clip fills
    g->clipRect(1, 1, 10, 10);
    g->setColor(0xFF0000);
    g->fillRect(0, 0, 100, 100);
    g->translate(-2, -1);
    g->setClip(0, 5, 8, 1);
    g->setColor(0x0000FF);
    g->drawLine(-5, 5, 100, 5);
    EXPECT_EQ(picture(img), (Rows{
                                "........",
                                "..####..",
                                "..#rrr..",
                                "..#rrr..",
                                "........",
                                "bbbbbbbb",
                            }));
}

TEST(GraphicsDraw, TranslatedLineStartsAtTheTranslation) {
    VMPtr<Image> img = blank(8, 8);
    VMPtr<Graphics> g = img->getGraphics();
    g->translate(2, 2);
    g->drawLine(0, 0, 3, 3);
    EXPECT_EQ(picture(img), (Rows{
                                "........",
                                "........",
                                "..#.....",
                                "...#....",
                                "....#...",
                                ".....#..",
                                "........",
                                "........",
                            }));
}

TEST(GraphicsDraw, RoundedCornersLimitedToHalfTheSide) {
    // A negative or zero arc is a plain rectangle; an arc past half the side
    // is half the side.
    auto draw = [](std::function<void(const VMPtr<Graphics>&)> f) {
        VMPtr<Image> img = blank(12, 10);
        VMPtr<Graphics> g = img->getGraphics();
        f(g);
        return pixels(img);
    };
    EXPECT_EQ(draw([](auto g) { g->drawRoundRect(1, 1, 9, 7, -4, 6); }),
              draw([](auto g) { g->drawRect(1, 1, 9, 7); }));
    EXPECT_EQ(draw([](auto g) { g->fillRoundRect(1, 1, 9, 7, 6, 0); }),
              draw([](auto g) { g->fillRect(1, 1, 9, 7); }));
    EXPECT_EQ(draw([](auto g) { g->fillRoundRect(1, 1, 9, 7, 100, 100); }),
              draw([](auto g) { g->fillRoundRect(1, 1, 9, 7, 4, 3); }));
    EXPECT_NE(draw([](auto g) { g->fillRoundRect(1, 1, 9, 7, 4, 3); }),
              draw([](auto g) { g->fillRect(1, 1, 9, 7); }));
}

// --- text anchors --------------------------------------------------------------

// Every valid anchor, drawn at the point where it should put the text's box
// at (20, 10), gives exactly the picture of TOP | LEFT at (20, 10).
TEST(GraphicsText, EveryAnchorPlacesTheSameBox) {
    VMPtr<Font> font = Font::getDefaultFont();
    VMPtr<java::lang::String> text = java::lang::String::make("Wren 42");
    jint width = font->stringWidth(text);
    ASSERT_GT(width, 10);
    auto draw = [&](jint x, jint y, jint anchor) {
        VMPtr<Image> img = blank(100, 40);
        VMPtr<Graphics> g = img->getGraphics();
        g->drawString(text, x, y, anchor);
        return pixels(img);
    };
    std::vector<uint32_t> reference = draw(20, 10, Graphics::TOP | Graphics::LEFT);
    ASSERT_NE(reference, pixels(blank(100, 40))) << "nothing drawn";
    struct H {
        jint bit, dx;
    };
    struct V {
        jint bit, dy;
    };
    const H hs[] = {{Graphics::LEFT, 0}, {Graphics::HCENTER, width / 2}, {Graphics::RIGHT, width}};
    const V vs[] = {{Graphics::TOP, 0},
                    {Graphics::BASELINE, font->getBaselinePosition()},
                    {Graphics::BOTTOM, font->getHeight()}};
    for (const H& h : hs)
        for (const V& v : vs)
            EXPECT_EQ(draw(20 + h.dx, 10 + v.dy, h.bit | v.bit), reference)
                << "anchor " << (h.bit | v.bit);
    EXPECT_EQ(draw(20, 10, 0), reference);
    EXPECT_EQ(draw(20, 10, Graphics::TOP), reference);
    EXPECT_EQ(draw(20, 10, Graphics::LEFT), reference);

    // The same characters through the other three text calls.
    auto drawWith = [&](std::function<void(const VMPtr<Graphics>&)> f) {
        VMPtr<Image> img = blank(100, 40);
        f(img->getGraphics());
        return pixels(img);
    };
    VMPtr<java::lang::String> longer = java::lang::String::make(">>Wren 42<<");
    EXPECT_EQ(drawWith([&](auto g) {
                  g->drawSubstring(longer, 2, 7, 20 + width, 10 + font->getHeight(),
                                   Graphics::RIGHT | Graphics::BOTTOM);
              }),
              reference);
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(9);
    for (jint i = 0; i < 7; ++i) (*chars)[i + 1] = text->charAt(i);
    EXPECT_EQ(drawWith([&](auto g) { g->drawChars(chars, 1, 7, 20, 10, 0); }), reference);
    EXPECT_NE(drawWith([&](auto g) { g->drawChar(u'W', 20, 10, 0); }), pixels(blank(100, 40)));
}

TEST(GraphicsText, IllegalAnchorsAndRanges) {
    VMPtr<Graphics> g = blank(10, 10)->getGraphics();
    VMPtr<java::lang::String> s = java::lang::String::make("abc");
    const jint badAnchors[] = {
        Graphics::TOP | Graphics::VCENTER,           // VCENTER is not for text
        Graphics::LEFT | Graphics::VCENTER,
        Graphics::HCENTER,                           // no vertical position
        Graphics::BOTTOM,                            // no horizontal position
        Graphics::LEFT | Graphics::RIGHT | Graphics::TOP,
        Graphics::TOP | Graphics::BOTTOM | Graphics::LEFT,
        128 | Graphics::TOP | Graphics::LEFT,
        -1,
    };
    for (jint a : badAnchors) EXPECT_EQ(thrownName([&] { g->drawString(s, 0, 0, a); }), kIAE) << a;
    EXPECT_EQ(thrownName([&] { g->drawString(nullptr, 0, 0, 0); }), kNPE);

    const char* const kSIOOBE = "java.lang.StringIndexOutOfBoundsException";
    EXPECT_EQ(thrownName([&] { g->drawSubstring(s, 2, 2, 0, 0, 0); }), kSIOOBE);
    EXPECT_EQ(thrownName([&] { g->drawSubstring(s, -1, 1, 0, 0, 0); }), kSIOOBE);
    EXPECT_EQ(thrownName([&] { g->drawSubstring(s, 1, INT_MAX, 0, 0, 0); }), kSIOOBE);
    EXPECT_EQ(thrownName([&] { g->drawSubstring(s, 3, 0, 0, 0, 0); }), "nothing");
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(3);
    EXPECT_EQ(thrownName([&] { g->drawChars(chars, 1, INT_MAX, 0, 0, 0); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { g->drawChars(chars, 0, 4, 0, 0, 0); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { g->drawChars(nullptr, 0, 0, 0, 0, 0); }), kNPE);
}

// --- images and regions ------------------------------------------------------------

const Rows kSource = {
    "rgb",
    "#y ",
};

TEST(GraphicsImage, EveryAnchorOfDrawImage) {
    VMPtr<Image> src = imageOf(kSource);
    struct Case {
        jint anchor;
        jint x, y;  // anchor point for a top-left corner at (2, 1)
    };
    const Case cases[] = {
        {0, 2, 1},
        {Graphics::TOP | Graphics::LEFT, 2, 1},
        {Graphics::TOP | Graphics::HCENTER, 3, 1},  // 3 >> 1
        {Graphics::TOP | Graphics::RIGHT, 5, 1},
        {Graphics::VCENTER | Graphics::LEFT, 2, 2},
        {Graphics::VCENTER | Graphics::HCENTER, 3, 2},
        {Graphics::VCENTER | Graphics::RIGHT, 5, 2},
        {Graphics::BOTTOM | Graphics::LEFT, 2, 3},
        {Graphics::BOTTOM | Graphics::HCENTER, 3, 3},
        {Graphics::BOTTOM | Graphics::RIGHT, 5, 3},
    };
    const Rows expected = {
        ".......",
        "..rgb..",
        "..#y...",
        ".......",
    };
    for (const Case& c : cases) {
        VMPtr<Image> img = blank(7, 4);
        img->getGraphics()->drawImage(src, c.x, c.y, c.anchor);
        EXPECT_EQ(picture(img), expected) << "anchor " << c.anchor;
    }
    VMPtr<Graphics> g = blank(7, 4)->getGraphics();
    for (jint a : {Graphics::BASELINE | Graphics::LEFT, Graphics::HCENTER, Graphics::TOP | 256})
        EXPECT_EQ(thrownName([&] { g->drawImage(src, 0, 0, a); }), kIAE) << a;
    EXPECT_EQ(thrownName([&] { g->drawImage(nullptr, 0, 0, 0); }), kNPE);
}

TEST(GraphicsImage, DrawRegionUnderEachTransform) {
    VMPtr<Image> src = imageOf(kSource);
    struct Case {
        jint transform;
        Rows expected;  // the region drawn at (1, 1) of a 5 by 5 white image
    };
    const Case cases[] = {
        {0, {".....", ".rgb.", ".#y..", ".....", "....."}},  // TRANS_NONE
        {1, {".....", ".#y..", ".rgb.", ".....", "....."}},  // TRANS_MIRROR_ROT180
        {2, {".....", ".bgr.", "..y#.", ".....", "....."}},  // TRANS_MIRROR
        {3, {".....", "..y#.", ".bgr.", ".....", "....."}},  // TRANS_ROT180
        {4, {".....", ".r#..", ".gy..", ".b...", "....."}},  // TRANS_MIRROR_ROT270
        {5, {".....", ".#r..", ".yg..", "..b..", "....."}},  // TRANS_ROT90
        {6, {".....", ".b...", ".gy..", ".r#..", "....."}},  // TRANS_ROT270
        {7, {".....", "..b..", ".yg..", ".#r..", "....."}},  // TRANS_MIRROR_ROT90
    };
    for (const Case& c : cases) {
        VMPtr<Image> img = blank(5, 5);
        img->getGraphics()->drawRegion(src, 0, 0, 3, 2, c.transform, 1, 1, 0);
        EXPECT_EQ(picture(img), c.expected) << "transform " << c.transform;
    }
}

TEST(GraphicsImage, DrawRegionAnchorsUseTheTransformedSize) {
    VMPtr<Image> src = imageOf(kSource);
    // A 2 by 1 region turned by TRANS_ROT90 is 1 wide and 2 high: RIGHT moves
    // it by 1 (its height before turning), BOTTOM by 2.
    VMPtr<Image> img = blank(4, 4);
    img->getGraphics()->drawRegion(src, 0, 0, 2, 1, 5, 3, 3, Graphics::RIGHT | Graphics::BOTTOM);
    EXPECT_EQ(picture(img), (Rows{"....", "..r.", "..g.", "...."}));

    // Every anchor of the whole source turned by TRANS_ROT90 (2 wide, 3
    // high), given the point that puts its top-left corner at (2, 1).
    const Rows expected = {
        "......",
        "..#r..",
        "..yg..",
        "...b..",
        "......",
    };
    struct H {
        jint bit, dx;
    };
    struct V {
        jint bit, dy;
    };
    const H hs[] = {{Graphics::LEFT, 0}, {Graphics::HCENTER, 1}, {Graphics::RIGHT, 2}};
    const V vs[] = {{Graphics::TOP, 0}, {Graphics::VCENTER, 1}, {Graphics::BOTTOM, 3}};
    for (const H& h : hs)
        for (const V& v : vs) {
            img = blank(6, 5);
            img->getGraphics()->drawRegion(src, 0, 0, 3, 2, 5, 2 + h.dx, 1 + v.dy, h.bit | v.bit);
            EXPECT_EQ(picture(img), expected) << "anchor " << (h.bit | v.bit);
        }
    img = blank(6, 5);
    img->getGraphics()->drawRegion(src, 0, 0, 3, 2, 5, 2, 1, 0);
    EXPECT_EQ(picture(img), expected) << "anchor 0";
    VMPtr<Graphics> g = img->getGraphics();
    for (jint a : {Graphics::BASELINE | Graphics::HCENTER, Graphics::VCENTER, Graphics::RIGHT,
                   Graphics::TOP | Graphics::LEFT | Graphics::RIGHT, 128})
        EXPECT_EQ(thrownName([&] { g->drawRegion(src, 0, 0, 1, 1, 0, 0, 0, a); }), kIAE) << a;
}

TEST(GraphicsImage, DrawRegionFormatOverride) {
    // An opaque image whose middle pixel is the colour key: drawn as it is,
    // and skipped when bit 9 asks for a colour-keyed source.
    VMPtr<VMArray<jint>> argb = VMArray<jint>::of({jint(0xFFFF0000), jint(0xFFFF00FF), jint(0xFF0000FF)});
    VMPtr<Image> src = Image::createRGBImage(argb, 3, 1, false);
    VMPtr<Image> img = blank(3, 1);
    img->getGraphics()->drawRegion(src, 0, 0, 3, 1, 0, 0, 0, 0);
    EXPECT_EQ(picture(img), (Rows{"rmb"}));
    img = blank(3, 1);
    img->getGraphics()->drawRegion(src, 0, 0, 3, 1, 0x200, 0, 0, 0);
    EXPECT_EQ(picture(img), (Rows{"r.b"}));
    img = blank(3, 1);
    img->getGraphics()->drawRegion(src, 0, 0, 3, 1, 0x100 | 2, 0, 0, 0);
    EXPECT_EQ(picture(img), (Rows{"bmr"}));
}

TEST(GraphicsImage, ThePerPixelAlphaHintOnAnImageWithoutAnAlphaPlaneDrawsItsOwnFormat) {
    // Red, opaque magenta (the colour key once in RGB565), blue, and green
    // at the given alpha: opaque, colour-keyed and alpha images of one row.
    auto row = [](uint32_t lastAlpha, bool processAlpha) {
        VMPtr<VMArray<jint>> argb = VMArray<jint>::of(
            {jint(0xFFFF0000), jint(0xFFFF00FF), jint(0xFF0000FF), jint((lastAlpha << 24) | 0x00FF00)});
        return Image::createRGBImage(argb, 4, 1, processAlpha);
    };
    VMPtr<Image> mutableRed = blank(4, 1, 0xFFFF0000);
    struct Case {
        const char* name;
        VMPtr<Image> src;
        jint transform;
        Rows expected;  // drawn at (0, 0) of a 4 by 1 white image
    };
    const Case cases[] = {
        {"opaque", row(0xFF, false), 0x300, {"rmbg"}},
        {"opaque, mirrored", row(0xFF, false), 0x300 | 2, {"gbmr"}},
        {"colour-keyed", row(0x00, true), 0x300, {"r.b."}},
        {"colour-keyed, mirrored", row(0x00, true), 0x300 | 2, {".b.r"}},
        {"mutable", mutableRed, 0x300, {"rrrr"}},
        // With an alpha plane the hint is honoured: the half-transparent
        // pixel is blended.
        {"alpha", row(0x80, true), 0x300, {"rmb?"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<Image> img = blank(4, 1);
        img->getGraphics()->drawRegion(c.src, 0, 0, 4, 1, c.transform, 0, 0, 0);
        EXPECT_EQ(picture(img), c.expected);
    }
}

TEST(GraphicsImage, DrawRegionRejectsBadRegions) {
    VMPtr<Image> src = imageOf(kSource);
    VMPtr<Image> target = blank(4, 4);
    VMPtr<Graphics> g = target->getGraphics();
    struct Case {
        const char* what;
        jint xSrc, ySrc, w, h, transform, anchor;
    };
    const Case cases[] = {
        {"transform 8", 0, 0, 1, 1, 8, 0},
        {"transform bit 3", 0, 0, 1, 1, 0x308 | 1, 0},
        {"baseline anchor", 0, 0, 1, 1, 0, Graphics::BASELINE | Graphics::LEFT},
        {"negative width", 0, 0, -1, 1, 0, 0},
        {"negative y", 0, -1, 1, 1, 0, 0},
        {"past the right edge", 1, 0, 3, 1, 0, 0},
        {"past the bottom", 0, 1, 1, 2, 0, 0},
        {"width past INT_MAX", 1, 0, INT_MAX, 1, 0, 0},
        {"height past INT_MAX", 0, 1, 1, INT_MAX, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrownName([&] {
                      g->drawRegion(src, c.xSrc, c.ySrc, c.w, c.h, c.transform, 0, 0, c.anchor);
                  }),
                  kIAE)
            << c.what;
    EXPECT_EQ(thrownName([&] { g->drawRegion(target, 0, 0, 1, 1, 0, 0, 0, 0); }), kIAE)
        << "drawing an image into itself";
    EXPECT_EQ(thrownName([&] { g->drawRegion(nullptr, 0, 0, 1, 1, 0, 0, 0, 0); }), kNPE);
    EXPECT_EQ(picture(target), (Rows{"....", "....", "....", "...."}));
}

TEST(GraphicsImage, CopyAreaWithinTheTarget) {
    VMPtr<Image> img = blank(6, 3);
    VMPtr<Graphics> g = img->getGraphics();
    g->drawImage(imageOf(kSource), 0, 0, 0);
    g->translate(1, 0);
    // (0, 0) is device (1, 0): "gb" over "y"; anchored at its bottom right.
    g->copyArea(0, 0, 2, 2, 5, 2, Graphics::BOTTOM | Graphics::RIGHT);
    EXPECT_EQ(picture(img), (Rows{"rgb.gb", "#y..y.", "......"}));
    struct Case {
        const char* what;
        jint x, y, w, h, anchor;
    };
    const Case cases[] = {
        {"negative width", 0, 0, -1, 1, 0},
        {"translated x negative", -2, 0, 1, 1, 0},
        {"past the right edge", 1, 0, 5, 1, 0},
        {"width past INT_MAX", 1, 0, INT_MAX, 1, 0},
        {"height past INT_MAX", 0, 1, 1, INT_MAX, 0},
        {"baseline anchor", 0, 0, 1, 1, Graphics::BASELINE | Graphics::LEFT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrownName([&] { g->copyArea(c.x, c.y, c.w, c.h, 0, 0, c.anchor); }), kIAE)
            << c.what;
    // A graphics whose native context is gone copies nothing and says so.
    g->dispose();
    EXPECT_EQ(thrownName([&] { g->copyArea(0, 0, 1, 1, 0, 0, 0); }), kIAE);
}

// --- drawRGB -------------------------------------------------------------------------

TEST(GraphicsRGB, RowsForwardBackwardAndRepeated) {
    const jint R = jint(0xFFFF0000), G = jint(0xFF00FF00), B = jint(0xFF0000FF), K = jint(0xFF000000);
    VMPtr<VMArray<jint>> data = VMArray<jint>::of({0, R, G, B, K, 0});
    struct Case {
        const char* what;
        jint offset, scan, w, h;
        Rows expected;
    };
    const Case cases[] = {
        {"forward", 1, 2, 2, 2, {"rg..", "b#..", "...."}},
        {"backward", 3, -2, 2, 2, {"b#..", "rg..", "...."}},
        {"repeated row", 1, 0, 3, 3, {"rgb.", "rgb.", "rgb."}},
        {"overlapping rows", 1, 1, 2, 3, {"rg..", "gb..", "b#.."}},
    };
    for (const Case& c : cases) {
        VMPtr<Image> img = blank(4, 3);
        img->getGraphics()->drawRGB(data, c.offset, c.scan, 0, 0, c.w, c.h, false);
        EXPECT_EQ(picture(img), c.expected) << c.what;
    }
    // A scanlength of 0 repeats one row over a huge height: only the rows
    // inside the clip are made.
    VMPtr<Image> img = blank(4, 3);
    VMPtr<Graphics> g = img->getGraphics();
    g->translate(1, -1000000);
    g->drawRGB(data, 1, 0, 0, 0, 2, INT_MAX, false);
    EXPECT_EQ(picture(img), (Rows{".rg.", ".rg.", ".rg."}));
}

TEST(GraphicsRGB, AlphaIsUsedOnlyWhenAsked) {
    VMPtr<VMArray<jint>> data = VMArray<jint>::of({jint(0x00FF0000), jint(0xFF0000FF)});
    VMPtr<Image> img = blank(2, 1);
    img->getGraphics()->drawRGB(data, 0, 2, 0, 0, 2, 1, true);
    EXPECT_EQ(picture(img), (Rows{".b"}));
    img = blank(2, 1);
    img->getGraphics()->drawRGB(data, 0, 2, 0, 0, 2, 1, false);
    EXPECT_EQ(picture(img), (Rows{"rb"}));
}

TEST(GraphicsRGB, IndexesOutsideTheArrayThrow) {
    VMPtr<Graphics> g = blank(4, 4)->getGraphics();
    VMPtr<VMArray<jint>> data = VMArray<jint>::create(6);
    struct Case {
        const char* what;
        jint offset, scan, w, h;
    };
    const Case cases[] = {
        {"negative offset", -1, 2, 2, 2},
        {"last row past the end", 1, 4, 2, 2},
        {"backward rows before the start", 1, -2, 2, 2},
        {"first row past the end (backward)", 5, -2, 2, 2},
        {"offset past INT_MAX with the span", INT_MAX, 1, 2, 1},
        {"rows past INT_MAX", 0, INT_MAX, 1, 3},
        {"rows before INT_MIN", 5, INT_MIN, 1, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrownName([&] { g->drawRGB(data, c.offset, c.scan, 0, 0, c.w, c.h, false); }),
                  kAIOOBE)
            << c.what;
    EXPECT_EQ(thrownName([&] { g->drawRGB(nullptr, 0, 0, 0, 0, 1, 1, false); }), kNPE);
    EXPECT_EQ(thrownName([&] { g->drawRGB(data, 0, 2, 0, 0, 0, 0, false); }), "nothing");
}

}  // namespace
