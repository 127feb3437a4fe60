// Graphics state: colour, gray, alpha, font, stroke and blending mode as the
// object keeps them, and the clip under translation, including sums that
// would overflow 32 bits.
#include <gtest/gtest.h>

#include <climits>

#include "graphics_test_support.h"

using namespace gfxtest;
using wrentest::thrownName;

namespace {

const char* const kIAE = "java.lang.IllegalArgumentException";

struct Clip {
    jint x, y, w, h;
    bool operator==(const Clip&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Clip& c) {
    return out << "(" << c.x << ", " << c.y << ", " << c.w << ", " << c.h << ")";
}
Clip clipOf(const VMPtr<Graphics>& g) {
    return {g->getClipX(), g->getClipY(), g->getClipWidth(), g->getClipHeight()};
}

TEST(GraphicsColour, ColourGrayAndAlphaKeepTheirParts) {
    VMPtr<Graphics> g = blank(4, 4)->getGraphics();
    EXPECT_EQ(g->getColor(), 0);
    EXPECT_EQ(g->getAlpha(), 255);
    g->setColor(0x12345678);
    EXPECT_EQ(g->getColor(), 0x345678);
    EXPECT_EQ(g->getAlpha(), 255);
    EXPECT_EQ(g->getRedComponent(), 0x34);
    EXPECT_EQ(g->getGreenComponent(), 0x56);
    EXPECT_EQ(g->getBlueComponent(), 0x78);
    g->setColor(255, 0, 0);
    EXPECT_EQ(g->getGrayScale(), 75);  // (76 * 255) >> 8
    g->setGrayScale(128);
    EXPECT_EQ(g->getColor(), 0x808080);
    EXPECT_EQ(g->getGrayScale(), 128);
    g->setAlphaColor(int32_t(0x80112233));
    EXPECT_EQ(g->getAlpha(), 0x80);
    EXPECT_EQ(g->getColor(), 0x112233);
    EXPECT_EQ(uint32_t(g->getAlphaColor()), 0x80112233u);
    EXPECT_EQ(g->getGrayScale(), (76 * 0x11 + 150 * 0x22 + 29 * 0x33) >> 8);
    g->setAlphaColor(7, 1, 2, 3);
    EXPECT_EQ(uint32_t(g->getAlphaColor()), 0x07010203u);
    g->setAlpha(200);
    EXPECT_EQ(uint32_t(g->getAlphaColor()), 0xC8010203u);
    // The colour as an RGB565 target shows it.
    EXPECT_EQ(g->getDisplayColor(0x123456), 0x103450);
}

TEST(GraphicsColour, ComponentsOutsideTheirRangeAreRejected) {
    VMPtr<Graphics> g = blank(2, 2)->getGraphics();
    struct Case {
        const char* what;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"red 256", [&] { g->setColor(256, 0, 0); }},
        {"green -1", [&] { g->setColor(0, -1, 0); }},
        {"blue 300", [&] { g->setColor(0, 0, 300); }},
        {"gray 256", [&] { g->setGrayScale(256); }},
        {"gray -1", [&] { g->setGrayScale(-1); }},
        {"alpha 256", [&] { g->setAlpha(256); }},
        {"alpha -1", [&] { g->setAlpha(-1); }},
        {"argb alpha -1", [&] { g->setAlphaColor(-1, 0, 0, 0); }},
        {"argb blue 256", [&] { g->setAlphaColor(0, 0, 0, 256); }},
        {"stroke 2", [&] { g->setStrokeStyle(2); }},
    };
    for (const Case& c : cases) EXPECT_EQ(thrownName(c.call), kIAE) << c.what;
    EXPECT_EQ(g->getColor(), 0);
    EXPECT_EQ(g->getAlpha(), 255);
}

TEST(GraphicsState, FontStrokeAndBlendingMode) {
    VMPtr<Image> opaque = blank(2, 2);
    VMPtr<Graphics> g = opaque->getGraphics();
    EXPECT_EQ(g->getFont(), Font::getDefaultFont());
    VMPtr<Font> mono = Font::getFont(Font::FACE_MONOSPACE, Font::STYLE_BOLD, Font::SIZE_LARGE);
    g->setFont(mono);
    EXPECT_EQ(g->getFont(), mono);
    g->setFont(nullptr);
    EXPECT_EQ(g->getFont(), Font::getDefaultFont());
    g->setStrokeStyle(Graphics::DOTTED);
    EXPECT_EQ(g->getStrokeStyle(), Graphics::DOTTED);

    // SRC blending only where there is an alpha plane to blend into.
    g->setBlendingMode(0);
    EXPECT_EQ(thrownName([&] { g->setBlendingMode(1); }), kIAE);
    EXPECT_EQ(thrownName([&] { g->setBlendingMode(2); }), kIAE);
    VMPtr<Graphics> alpha = Image::createImage(2, 2, true, 0)->getGraphics();
    alpha->setBlendingMode(1);
    EXPECT_EQ(alpha->getBlendingMode(), 1);
}

TEST(GraphicsClip, ClipFollowsTranslationAndStaysInsideTheTarget) {
    VMPtr<Graphics> g = blank(20, 10)->getGraphics();
    EXPECT_EQ(clipOf(g), (Clip{0, 0, 20, 10}));
    EXPECT_FALSE(g->clipNarrowed);
    g->translate(5, 2);
    EXPECT_EQ(clipOf(g), (Clip{-5, -2, 20, 10}));
    g->setClip(0, 0, 30, 30);  // cut at the target's edge
    EXPECT_EQ(clipOf(g), (Clip{0, 0, 15, 8}));
    EXPECT_TRUE(g->clipNarrowed);
    g->clipRect(-3, 1, 6, 20);  // grows x1 and y1 to the corner, x2 to its far side
    EXPECT_EQ(clipOf(g), (Clip{0, 1, 3, 7}));
    g->translate(-5, -2);
    EXPECT_EQ(clipOf(g), (Clip{5, 3, 3, 7}));
    g->setClip(0, 0, 20, 10);
    EXPECT_FALSE(g->clipNarrowed);
    g->setClip(-4, -4, 8, 8);
    EXPECT_EQ(clipOf(g), (Clip{0, 0, 4, 4}));
    // A rectangle beside the clip empties it.
    g->clipRect(10, 0, 2, 2);
    EXPECT_EQ(clipOf(g), (Clip{0, 0, 0, 0}));
}

TEST(GraphicsClip, EmptySizesEmptyTheClip) {
    VMPtr<Graphics> g = blank(20, 10)->getGraphics();
    g->translate(3, 4);
    const Clip empty{-3, -4, 0, 0};  // all four device bounds 0
    g->setClip(0, 0, 0, 10);
    EXPECT_EQ(clipOf(g), empty);
    g->setClip(0, 0, 5, 5);
    g->setClip(0, 0, 5, -1);
    EXPECT_EQ(clipOf(g), empty);
    g->setClip(17, 0, 5, 5);  // corner at the target's right edge
    EXPECT_EQ(clipOf(g), empty);
    g->setClip(0, 0, 5, 5);
    g->clipRect(0, 0, 0, 3);
    EXPECT_EQ(clipOf(g), empty);
}

TEST(GraphicsClip, HugeValuesLandOnTheSideTheyPointTo) {
    struct Case {
        const char* what;
        jint tx, ty;  // translation
        jint x, y, w, h;
        Clip setClip;   // after setClip(x, y, w, h)
    };
    const Case cases[] = {
        {"far side past INT_MAX", 0, 0, 1, 2, INT_MAX, INT_MAX, {1, 2, 19, 8}},
        {"corner past INT_MAX", INT_MAX, 0, 10, 0, 5, 5, {0, 0, 0, 0}},
        {"negative corner, reach -1", 0, 0, INT_MIN, 0, INT_MAX, 5, {0, 0, 0, 5}},
        {"negative translation", INT_MIN, INT_MIN, 5, 5, 5, 5, {0, 0, 0, 0}},
        {"both extremes", 0, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        VMPtr<Graphics> g = blank(20, 10)->getGraphics();
        g->translate(c.tx, c.ty);
        g->setClip(c.x, c.y, c.w, c.h);
        Clip device{g->getClipX() + c.tx, g->getClipY() + c.ty, g->getClipWidth(),
                     g->getClipHeight()};
        EXPECT_EQ(device, c.setClip) << c.what;
    }
    // clipRect's far corner past INT_MAX keeps the far side of the clip.
    VMPtr<Graphics> g = blank(20, 10)->getGraphics();
    g->translate(5, 5);
    g->clipRect(0, 0, INT_MAX, INT_MAX);
    EXPECT_EQ(clipOf(g), (Clip{0, 0, 15, 5}));
}

}  // namespace
