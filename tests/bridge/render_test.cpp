// The software renderer, checked pixel by pixel against the drawing rules:
// RGB565 truncation, the alpha thresholds and weights, the colour key.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HAL_graphics.h"
#include "HAL_render.h"
#include "HAL_status.h"

namespace {

constexpr uint16_t kBg = 0x0000;

struct Canvas {
    std::unique_ptr<Surface> surface;
    std::unique_ptr<NativeGraphics> g;
    Canvas(int w, int h, uint16_t fill = kBg)
        : surface(Surface::createOpaque(w, h)), g(NativeGraphics_createOnSurface(surface.get())) {
        std::fill_n(surface->pixels(), w * h, fill);
    }
    uint16_t at(int x, int y) const { return *surface->pixelAt(x, y); }
    // '#' for pixels that are not the background, '.' for those that are.
    std::vector<std::string> picture(uint16_t bg = kBg) const {
        std::vector<std::string> rows;
        for (int y = 0; y < surface->height(); ++y) {
            std::string row;
            for (int x = 0; x < surface->width(); ++x) row += at(x, y) == bg ? '.' : '#';
            rows.push_back(row);
        }
        return rows;
    }
    int count(uint16_t colour) const {
        int n = 0;
        for (int i = 0; i < surface->width() * surface->height(); ++i) n += surface->pixels()[i] == colour;
        return n;
    }
};

using Rows = std::vector<std::string>;

TEST(RenderColour, ArgbTruncatesToRgb565AndExpandsWithLowBitsZero) {
    EXPECT_EQ(argbTo565(0xFFFFFFFF), 0xFFFF);
    EXPECT_EQ(argbTo565(0x00FF00FF), kColourKey);
    EXPECT_EQ(argbTo565(0xFF070307), 0x0000);  // below each channel's step
    EXPECT_EQ(argbTo565(0xFF123456), ((0x12 >> 3) << 11) | ((0x34 >> 2) << 5) | (0x56 >> 3));
    EXPECT_EQ(rgb565ToRgb(0xFFFF), 0xF8FCF8u);
}

TEST(RenderFill, AlphaBelowEightDrawsNothingFromEightBlendsFrom248Solid) {
    struct Case {
        uint32_t alpha;
        uint16_t expected;
    };
    // Blending white over black with weight (a + 1) >> 3 of 32 per channel.
    auto blended = [](uint32_t a5) {
        return uint16_t(((31 * a5 >> 5) << 11) | ((63 * a5 >> 5) << 5) | (31 * a5 >> 5));
    };
    const Case cases[] = {
        {0, kBg}, {7, kBg}, {8, blended(1)}, {127, blended(16)}, {247, blended(31)},
        {248, 0xFFFF}, {255, 0xFFFF},
    };
    for (const Case& c : cases) {
        Canvas cv(4, 4);
        cv.g->setColour((c.alpha << 24) | 0xFFFFFF);
        render::fillRect(cv.g.get(), 0, 0, 4, 4);
        EXPECT_EQ(cv.at(0, 0), c.expected) << "alpha " << c.alpha;
        EXPECT_EQ(cv.at(3, 3), c.expected) << "alpha " << c.alpha;
    }
}

TEST(RenderFill, ClipCutsEveryEdge) {
    Canvas cv(8, 6);
    cv.g->setColour(0xFFFFFFFF);
    cv.g->intersectClip(2, 1, 4, 3);
    render::fillRect(cv.g.get(), -100, -100, 1000, 1000);
    EXPECT_EQ(cv.picture(), (Rows{"........", "..####..", "..####..", "..####..", "........",
                                  "........"}));
    // A clip that misses keeps its place with no size, and nothing is drawn.
    cv.g->intersectClip(100, 100, 5, 5);
    EXPECT_EQ(cv.g->clip.width, 0);
    EXPECT_EQ(cv.g->clip.x, 2);
}

TEST(RenderLine, LinesAndOutlines) {
    Canvas cv(7, 5);
    cv.g->setColour(0xFFFFFFFF);
    render::line(cv.g.get(), 0, 0, 6, 4);
    EXPECT_EQ(cv.picture(), (Rows{"#......", ".##....", "...#...", "....##.", "......#"}));

    Canvas rect(6, 5);
    rect.g->setColour(0xFFFFFFFF);
    render::drawRect(rect.g.get(), 1, 1, 3, 2);  // w + 1 by h + 1 pixels
    EXPECT_EQ(rect.picture(), (Rows{"......", ".####.", ".#..#.", ".####.", "......"}));

    // The same line drawn either way round covers the same pixels.
    Canvas a(9, 4), b(9, 4);
    a.g->setColour(0xFFFFFFFF);
    b.g->setColour(0xFFFFFFFF);
    render::line(a.g.get(), 0, 0, 8, 3);
    render::line(b.g.get(), 8, 3, 0, 0);
    EXPECT_EQ(a.picture(), b.picture());
}

TEST(RenderLine, DottedSpansRunFourOnFourOff) {
    Canvas cv(16, 2);
    cv.g->setColour(0xFFFFFFFF);
    cv.g->stroke = 1;
    render::line(cv.g.get(), 0, 0, 15, 0);
    EXPECT_EQ(cv.picture()[0], "####....####....");
}

TEST(RenderLine, LinesClipAtEveryEdge) {
    Canvas cv(5, 5);
    cv.g->setColour(0xFFFFFFFF);
    cv.g->intersectClip(1, 1, 3, 3);
    render::line(cv.g.get(), -10, 2, 10, 2);
    render::line(cv.g.get(), 2, -10, 2, 10);
    EXPECT_EQ(cv.picture(), (Rows{".....", "..#..", ".###.", "..#..", "....."}));
}

TEST(RenderTriangle, FlatEdgesAndAlpha) {
    Canvas cv(5, 4);
    cv.g->setColour(0xFFFFFFFF);
    // Flat top: two vertices share the top row; no edge may divide by zero.
    render::fillTriangle(cv.g.get(), 0, 0, 4, 0, 0, 3);
    EXPECT_EQ(cv.at(0, 0), 0xFFFF);
    EXPECT_EQ(cv.at(4, 0), 0xFFFF);
    EXPECT_EQ(cv.at(0, 3), 0xFFFF);
    EXPECT_EQ(cv.at(4, 3), kBg);

    // All three on one row: one span.
    Canvas flat(6, 3);
    flat.g->setColour(0xFFFFFFFF);
    render::fillTriangle(flat.g.get(), 1, 1, 4, 1, 2, 1);
    EXPECT_EQ(flat.picture(), (Rows{"......", ".####.", "......"}));

    // Flat bottom, and alpha 7 draws nothing.
    Canvas bottom(5, 4);
    bottom.g->setColour(0x07FFFFFF);
    render::fillTriangle(bottom.g.get(), 2, 0, 0, 3, 4, 3);
    EXPECT_EQ(bottom.count(kBg), 20);
    bottom.g->setColour(0xFFFFFFFF);
    render::fillTriangle(bottom.g.get(), 2, 0, 0, 3, 4, 3);
    EXPECT_EQ(bottom.picture()[3], "#####");
    EXPECT_EQ(bottom.at(2, 0), 0xFFFF);

    // Far off-surface vertices finish at once and stay inside the clip.
    Canvas huge(4, 4);
    huge.g->setColour(0xFFFFFFFF);
    render::fillTriangle(huge.g.get(), -2000000000, -2000000000, 2000000000, -2000000000, 0,
                         2000000000);
    EXPECT_GT(huge.count(0xFFFF), 0);
}

TEST(RenderArc, AnglesThinBoxesAndFullTurns) {
    auto arc = [](bool fill, int w, int h, int start, int sweep) {
        Canvas cv(9, 9);
        cv.g->setColour(0xFFFFFFFF);
        if (fill) render::fillArc(cv.g.get(), 0, 0, w, h, start, sweep);
        else render::drawArc(cv.g.get(), 0, 0, w, h, start, sweep);
        return cv.picture();
    };
    Rows full = arc(false, 9, 9, 0, 360);
    EXPECT_EQ(arc(false, 9, 9, 0, 400), full);
    EXPECT_EQ(arc(false, 9, 9, 90, 360), full);
    EXPECT_EQ(full[0], "....#....");
    EXPECT_EQ(full[4], "#.......#");
    EXPECT_EQ(arc(false, 9, 9, 0, -90), arc(true, 9, 9, 0, 0));
    EXPECT_EQ(arc(false, 9, 9, 0, -90)[4], ".........");
    // A box one pixel high is a one-row span whatever the angles.
    Rows thin = arc(true, 6, 1, 45, 10);
    EXPECT_EQ(thin[0], "######...");
    // Fills: a full disc is symmetric; a quarter pie sits in its quadrant.
    Rows disc = arc(true, 9, 9, 0, 360);
    EXPECT_EQ(disc[4], "#########");
    Rows quarter = arc(true, 9, 9, 0, 90);
    EXPECT_EQ(quarter[2].substr(0, 4), "....");
    EXPECT_EQ(quarter[2].substr(4), "####.");
    EXPECT_EQ(quarter[6], ".........");
}

TEST(RenderArc, HugeRadiiDoNotOverflow) {
    Canvas cv(10, 10);
    cv.g->setColour(0xFFFFFFFF);
    // The disc's centre is far away; the surface lies wholly inside it.
    render::fillArc(cv.g.get(), -1000000000, -1000000000, 2000000000, 2000000000, 0, 360);
    EXPECT_EQ(cv.count(0xFFFF), 100);
    Canvas outside(10, 10);
    outside.g->setColour(0xFFFFFFFF);
    // Only the corner region of this disc's box is outside the disc.
    render::fillArc(outside.g.get(), 0, 0, 2000000000, 2000000000, 0, 360);
    EXPECT_EQ(outside.count(0xFFFF), 0);
}

TEST(RenderRoundRect, CornersAreCutAndOutlineCoversTheBox) {
    Canvas cv(8, 6);
    cv.g->setColour(0xFFFFFFFF);
    render::fillRoundRect(cv.g.get(), 0, 0, 8, 6, 4, 4);
    Rows p = cv.picture();
    EXPECT_EQ(p[0][0], '.');
    EXPECT_EQ(p[0][7], '.');
    EXPECT_EQ(p[5][0], '.');
    EXPECT_EQ(p[2], "########");
    EXPECT_EQ(p[0].substr(2, 4), "####");

    Canvas out(9, 7);
    out.g->setColour(0xFFFFFFFF);
    render::drawRoundRect(out.g.get(), 0, 0, 8, 6, 4, 4);
    Rows o = out.picture();
    EXPECT_EQ(o[3], "#.......#");
    EXPECT_EQ(o[0].substr(2, 5), "#####");
    EXPECT_EQ(o[6].substr(2, 5), "#####");
    EXPECT_EQ(o[0][0], '.');
}

// A 3 by 2 source with distinct pixels 1..6, row-major.
std::unique_ptr<Surface> numbered() {
    std::unique_ptr<Surface> s(Surface::createOpaque(3, 2));
    for (int i = 0; i < 6; ++i) s->pixels()[i] = uint16_t(i + 1);
    return s;
}

TEST(RenderBlit, EightTransforms) {
    struct Case {
        uint32_t transform;
        int w, h;
        std::vector<uint16_t> expected;  // row-major destination
    };
    // Source:  1 2 3
    //          4 5 6
    const Case cases[] = {
        {0, 3, 2, {1, 2, 3, 4, 5, 6}},
        {1, 3, 2, {4, 5, 6, 1, 2, 3}},  // MIRROR_ROT180: rows reversed
        {2, 3, 2, {3, 2, 1, 6, 5, 4}},  // MIRROR
        {3, 3, 2, {6, 5, 4, 3, 2, 1}},  // ROT180
        {4, 2, 3, {1, 4, 2, 5, 3, 6}},  // MIRROR_ROT270: transposed
        {5, 2, 3, {4, 1, 5, 2, 6, 3}},  // ROT90
        {6, 2, 3, {3, 6, 2, 5, 1, 4}},  // ROT270
        {7, 2, 3, {6, 3, 5, 2, 4, 1}},  // MIRROR_ROT90
    };
    auto src = numbered();
    for (const Case& c : cases) {
        Canvas cv(c.w, c.h);
        ASSERT_EQ(render::blit(cv.g.get(), 0, 0, 3, 2, src.get(), 0, 0, c.transform), HAL_OK);
        std::vector<uint16_t> got(cv.surface->pixels(), cv.surface->pixels() + 6);
        EXPECT_EQ(got, c.expected) << "transform " << c.transform;
        // Clipped: the first destination column is cut away, the rest stays.
        Canvas clipped(c.w, c.h);
        clipped.g->intersectClip(1, 0, c.w - 1, c.h);
        render::blit(clipped.g.get(), 0, 0, 3, 2, src.get(), 0, 0, c.transform);
        for (int y = 0; y < c.h; ++y) {
            EXPECT_EQ(clipped.at(0, y), kBg);
            for (int x = 1; x < c.w; ++x)
                EXPECT_EQ(clipped.at(x, y), c.expected[y * c.w + x]) << "transform " << c.transform;
        }
    }
}

TEST(RenderBlit, ColourKeyAndAlphaPlane) {
    NativeImage* keyed = nullptr;
    const jint keyedPixels[] = {jint(0x00123456), jint(0xFFFFFFFF)};
    ASSERT_EQ(ArgbToNativeImage(&keyed, keyedPixels, 2, 2, 1, 2, true), HAL_OK);
    EXPECT_EQ(keyed->surface->format(), SURFACE_COLOUR_KEYED);
    Canvas cv(2, 1, 0x1234);
    render::blit(cv.g.get(), 0, 0, 2, 1, keyed->surface, 0, 0, 0);
    EXPECT_EQ(cv.at(0, 0), 0x1234);
    EXPECT_EQ(cv.at(1, 0), 0xFFFF);
    keyed->release();

    // Per-pixel alpha: 7 skips, 127 blends with 16/32, 248 copies; a context
    // alpha of 127 scales them.
    NativeImage* alpha = nullptr;
    const jint alphaPixels[] = {jint(0x07FFFFFF), jint(0x7FFFFFFF), jint(0xF8FFFFFF)};
    ASSERT_EQ(ArgbToNativeImage(&alpha, alphaPixels, 3, 3, 1, 3, true), HAL_OK);
    ASSERT_EQ(alpha->surface->format(), SURFACE_ALPHA);
    Canvas a(3, 1);
    render::blit(a.g.get(), 0, 0, 3, 1, alpha->surface, 0, 0, 0);
    EXPECT_EQ(a.at(0, 0), kBg);
    EXPECT_EQ(a.at(1, 0), blend565(0, 0xFFFF, 16));
    EXPECT_EQ(a.at(2, 0), 0xFFFF);
    Canvas half(3, 1);
    half.g->setColour(0x7F000000);
    render::blit(half.g.get(), 0, 0, 3, 1, alpha->surface, 0, 0, 0);
    EXPECT_EQ(half.at(1, 0), blend565(0, 0xFFFF, ((128 * 128) >> 8) >> 3));
    EXPECT_EQ(half.at(2, 0), blend565(0, 0xFFFF, ((249 * 128) >> 8) >> 3));
    alpha->release();
}

TEST(RenderBlit, BadSourcesAreRefusedWithoutReading) {
    auto src = numbered();
    Canvas cv(4, 4);
    // Asking an opaque surface for its alpha plane: it has none.
    EXPECT_EQ(render::blit(cv.g.get(), 0, 0, 3, 2, src.get(), 0, 0, uint32_t(SURFACE_ALPHA) << 8),
              HAL_BAD_ARGUMENT);
    // A region reaching past the source.
    EXPECT_EQ(render::blit(cv.g.get(), 0, 0, 3, 2, src.get(), 1, 0, 0), HAL_BAD_ARGUMENT);
    EXPECT_EQ(cv.count(kBg), 16);
}

TEST(RenderBlit, OverlappingCopyAreaDoesNotSmear) {
    Canvas cv(5, 1);
    for (int i = 0; i < 5; ++i) cv.surface->pixels()[i] = uint16_t(i + 1);
    EXPECT_EQ(HAL_copyArea(cv.g.get(), 0, 0, 4, 1, 1, 0), 1);
    std::vector<uint16_t> got(cv.surface->pixels(), cv.surface->pixels() + 5);
    EXPECT_EQ(got, (std::vector<uint16_t>{1, 1, 2, 3, 4}));
}

TEST(RenderRgb, DrawRgbWithAndWithoutAlphaAndBadArguments) {
    const jint px[] = {jint(0x00FFFFFF), jint(0xFF00FF00), 0, jint(0x80FFFFFF), jint(0xFFFF0000), 0};
    Canvas cv(2, 2, 0x1111);
    // Scan length 3: the third int of each row is skipped.
    EXPECT_EQ(HAL_drawRGB(cv.g.get(), px, 6, 3, 0, 0, 2, 2, true), HAL_OK);
    EXPECT_EQ(cv.at(0, 0), 0x1111);
    EXPECT_EQ(cv.at(1, 0), 0x07E0);
    EXPECT_EQ(cv.at(0, 1), blend565(0x1111, 0xFFFF, 0x81 >> 3));
    EXPECT_EQ(cv.at(1, 1), 0xF800);
    Canvas opaque(2, 2);
    EXPECT_EQ(HAL_drawRGB(opaque.g.get(), px, 6, 3, 0, 0, 2, 2, false), HAL_OK);
    EXPECT_EQ(opaque.at(0, 0), 0xFFFF);
    EXPECT_EQ(opaque.at(0, 1), 0xFFFF);

    Canvas bad(2, 2, 0x1111);
    EXPECT_EQ(HAL_drawRGB(bad.g.get(), px, 4, 3, 0, 0, 2, 2, true), HAL_BAD_ARGUMENT);  // short
    EXPECT_EQ(HAL_drawRGB(bad.g.get(), px, 6, 1, 0, 0, 2, 2, true), HAL_BAD_ARGUMENT);  // scan < w
    EXPECT_EQ(HAL_drawRGB(bad.g.get(), px, 6, 3, 0, 0, 0, 2, true), HAL_BAD_ARGUMENT);
    EXPECT_EQ(bad.count(0x1111), 4);
    NativeImage* img = nullptr;
    EXPECT_EQ(HAL_createImageWithRGB(&img, px, 3, 2, 2, false), HAL_BAD_ARGUMENT);
    EXPECT_EQ(img, nullptr);
}

TEST(RenderImages, ClassificationAndReadBack) {
    NativeImage* img = nullptr;
    const jint px[] = {jint(0xFFFF00FF), jint(0x00000000), jint(0xFF123456), jint(0x80FFFFFF)};
    // Alphas of 0 and 255 only: colour-keyed; an opaque pixel that converts
    // to the key reads back transparent.
    ASSERT_EQ(HAL_createImageWithRGB(&img, px, 3, 3, 1, true), HAL_OK);
    EXPECT_EQ(img->surface->format(), SURFACE_COLOUR_KEYED);
    jint back[3];
    ASSERT_EQ(HAL_getImmutableRGB(img, back, 3, 3, 0, 0, 3, 1), HAL_OK);
    EXPECT_EQ(uint32_t(back[0]), 0x00F800F8u);
    EXPECT_EQ(uint32_t(back[1]) >> 24, 0u);
    EXPECT_EQ(uint32_t(back[2]), 0xFF000000u | rgb565ToRgb(argbTo565(0x123456)));
    EXPECT_EQ(HAL_getImmutableRGB(img, back, 2, 3, 0, 0, 3, 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getImmutableRGB(img, back, 3, 3, 1, 0, 3, 1), HAL_BAD_ARGUMENT);
    img->release();
    // One pixel of alpha 128 makes the whole image format 3.
    ASSERT_EQ(HAL_createImageWithRGB(&img, px, 4, 4, 1, true), HAL_OK);
    EXPECT_EQ(img->surface->format(), SURFACE_ALPHA);
    ASSERT_EQ(HAL_getImmutableRGB(img, back, 1, 1, 3, 0, 1, 1), HAL_OK);
    EXPECT_EQ(uint32_t(back[0]), 0x80F8FCF8u);
    img->release();

    ASSERT_EQ(HAL_createMutableImage(&img, 2, 2), HAL_OK);
    ASSERT_EQ(HAL_getMutableRGB(img, back, 1, 1, 1, 1, 1, 1), HAL_OK);
    EXPECT_EQ(uint32_t(back[0]), 0xFFF8FCF8u);
    jboolean has = true;
    EXPECT_EQ(HAL_getMutableHasAlpha(img, &has), HAL_OK);
    EXPECT_FALSE(has);
    HAL_deleteImage(img);
    ASSERT_EQ(HAL_createTransparentMutableImage(&img, 2, 2), HAL_OK);
    ASSERT_EQ(HAL_getMutableRGB(img, back, 1, 1, 0, 0, 1, 1), HAL_OK);
    EXPECT_EQ(back[0], 0);
    HAL_deleteImage(img);
}

TEST(RenderGradient, RowsStepFromOneColourToward) {
    Canvas cv(1, 4);
    render::fillGradient(cv.g.get(), 0, 0, 1, 4, 0x000000, 0xFF0000, false);
    EXPECT_EQ(cv.at(0, 0), argbTo565(0x000000));
    EXPECT_EQ(cv.at(0, 2), argbTo565(0x7F0000));
    EXPECT_EQ(cv.at(0, 3), argbTo565(0xBF0000));
    EXPECT_EQ(cv.g->rgb565, 0);  // the context's colour is back
}

}  // namespace
