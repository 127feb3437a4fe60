// Drawing into a mutable image with an alpha plane: what is drawn becomes as
// opaque as it was drawn, and what is not drawn stays transparent, so such an
// image can be drawn elsewhere afterwards.
#include <gtest/gtest.h>

#include "graphics_test_support.h"

using namespace gfxtest;

namespace {

using Rows = std::vector<std::string>;

TEST(GraphicsAlphaTarget, FillsLinesAndImagesCoverWhatTheyDraw) {
    VMPtr<Image> img = Image::createImage(4, 4, true, 0);
    VMPtr<Graphics> g = img->getGraphics();
    g->setColor(0xFF0000);
    g->fillRect(0, 0, 2, 1);
    g->setAlphaColor(int32_t(0x800000FF));
    g->fillRect(1, 0, 2, 1);  // half over red, half over nothing
    g->setAlphaColor(int32_t(0x0700FF00));
    g->fillRect(0, 0, 4, 4);  // below 8: nothing, alpha plane included
    g->setColor(0x00FF00);
    g->drawLine(0, 1, 3, 1);  // lines are solid whatever the alpha
    g->setAlpha(255);  // images are drawn at the context's alpha
    g->drawImage(imageOf({"b ", " y"}), 1, 2, 0);

    std::vector<uint32_t> p = pixels(img);
    EXPECT_EQ(p[0], kRed);
    EXPECT_EQ(p[1] >> 24, 0xFFu);  // blended over red: opaque
    EXPECT_NE(p[1], kRed);
    EXPECT_NE(p[1], kBlue);
    EXPECT_EQ(p[2], 0x800000F8u);  // over nothing: the colour at its own alpha
    EXPECT_EQ(p[3], 0u);
    EXPECT_EQ(picture(img), (Rows{
                                "r?? ",
                                "gggg",
                                " b  ",
                                "  y ",
                            }));
}

TEST(GraphicsAlphaTarget, HalfTransparentPixelsCarryTheirAlpha) {
    VMPtr<VMArray<jint>> argb = VMArray<jint>::of({jint(0x80FF0000), jint(0xFF00FF00)});
    VMPtr<Image> src = Image::createRGBImage(argb, 2, 1, true);
    VMPtr<Image> img = Image::createImage(2, 1, true, 0);
    img->getGraphics()->drawImage(src, 0, 0, 0);
    EXPECT_EQ(pixels(img), (std::vector<uint32_t>{0x80F80000, kGreen}));
}

TEST(GraphicsAlphaTarget, TextCoversItsGlyphsOnly) {
    VMPtr<Image> img = Image::createImage(60, 20, true, 0);
    VMPtr<Graphics> g = img->getGraphics();
    g->setColor(0xFF0000);
    g->drawString(java::lang::String::make("Wren"), 2, 2, 0);
    int opaque = 0, clear = 0;  // opaque: at least half covered
    for (uint32_t p : pixels(img)) {
        if ((p >> 24) == 0) {
            ++clear;
            continue;
        }
        EXPECT_EQ(p & 0xFFFFFF, 0xF80000u) << std::hex << p;  // the text's own colour
        if ((p >> 24) >= 0x80) ++opaque;
    }
    EXPECT_GT(opaque, 10);
    EXPECT_GT(clear, 60 * 20 / 2);  // no box around the text

    // Drawn onto white, the text shows and the rest stays white.
    VMPtr<Image> onWhite = blank(60, 20);
    onWhite->getGraphics()->drawImage(img, 0, 0, 0);
    std::vector<uint32_t> shown = pixels(onWhite);
    EXPECT_NE(std::count(shown.begin(), shown.end(), kWhite), long(shown.size()));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), kWhite), long(clear));
}

}  // namespace
