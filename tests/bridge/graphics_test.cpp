// Image decoding, fonts and text, and the screen buffer's present path.
#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "HAL_fonts.h"
#include "HAL_graphics.h"
#include "HAL_status.h"
#include "HAL_threads.h"
#include "bridge_test_support.h"
#include "ce_screen.h"

namespace {

std::vector<uint8_t> encodePng(const std::vector<uint32_t>& argb, int w, int h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, argb.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, argb.data(), 0, nullptr));
    out.resize(size);
    return out;
}

TEST(ImageDecoding, APngDecodesToKnownPixels) {
    const std::vector<uint32_t> argb = {0xFFFF0000, 0xFF00FF00, 0x00000000, 0x800000FF};
    std::vector<uint8_t> png = encodePng(argb, 2, 2);
    NativeImage* img = nullptr;
    jint w = 0, h = 0;
    ASSERT_EQ(HAL_createImageWithData(&img, png.data(), jint(png.size()), &w, &h), HAL_OK);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(img->surface->format(), SURFACE_ALPHA);
    jint back[4];
    ASSERT_EQ(HAL_getImmutableRGB(img, back, 4, 2, 0, 0, 2, 2), HAL_OK);
    EXPECT_EQ(uint32_t(back[0]), 0xFFF80000u);
    EXPECT_EQ(uint32_t(back[1]), 0xFF00FC00u);
    EXPECT_EQ(uint32_t(back[2]) >> 24, 0u);
    EXPECT_EQ(uint32_t(back[3]), 0x800000F8u);
    HAL_deleteImage(img);
}

TEST(ImageDecoding, UndecodableBytesAreACleanFailure) {
    std::vector<uint8_t> png = encodePng({0xFFFFFFFF}, 1, 1);
    std::vector<std::vector<uint8_t>> bad = {
        {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'},
        std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)),  // truncated
    };
    for (const auto& bytes : bad) {
        NativeImage* img = reinterpret_cast<NativeImage*>(1);
        EXPECT_EQ(HAL_createImageWithData(&img, bytes.data(), jint(bytes.size()), nullptr, nullptr),
                  HAL_MALFORMED);
        EXPECT_EQ(img, nullptr);
    }
    NativeImage* img = nullptr;
    EXPECT_EQ(HAL_createImageWithData(&img, png.data(), 0, nullptr, nullptr), HAL_BAD_ARGUMENT);
}

TEST(Fonts, CacheSlotsMetricsAndWidths) {
    FontCache_init();
    FontRecord *a = nullptr, *b = nullptr;
    ASSERT_EQ(HAL_getFont(&a, FONT_FACE_SYSTEM, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM), HAL_OK);
    ASSERT_EQ(HAL_getFont(&b, FONT_FACE_SYSTEM, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM), HAL_OK);
    EXPECT_EQ(a, b);
    // 9 points at 96 dpi: a 12-pixel cell, ascent and descent each rounded up.
    EXPECT_EQ(HAL_getFontHeight(a), 13);
    EXPECT_GT(HAL_getFontBaseline(a), 6);
    EXPECT_LT(HAL_getFontBaseline(a), 12);
    // SYSTEM and PROPORTIONAL share a face but not a slot; odd sizes are SMALL.
    FontRecord* p = nullptr;
    HAL_getFont(&p, FONT_FACE_PROPORTIONAL, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM);
    EXPECT_NE(p, a);
    EXPECT_EQ(FontCache_index(FONT_FACE_SYSTEM, 0, 99), FontCache_index(FONT_FACE_SYSTEM, 0, FONT_SIZE_SMALL));
    // BOLD | ITALIC has its own slot and leaves PLAIN alone.
    FontRecord* bi = nullptr;
    ASSERT_EQ(HAL_getFont(&bi, FONT_FACE_SYSTEM, FONT_STYLE_BOLD | FONT_STYLE_ITALIC, FONT_SIZE_MEDIUM), HAL_OK);
    EXPECT_NE(bi, a);
    EXPECT_EQ(bi->style, FONT_STYLE_BOLD | FONT_STYLE_ITALIC);
    HAL_getFont(&b, FONT_FACE_SYSTEM, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM);
    EXPECT_EQ(b, a);

    EXPECT_EQ(HAL_getStringWidth(a, u"", 0), 0);
    EXPECT_EQ(HAL_getStringWidth(nullptr, u"x", 1), 0);
    jint wA = HAL_getStringWidth(a, u"A", 1), wAmp = HAL_getStringWidth(a, u"&", 1);
    EXPECT_GT(wA, 0);
    EXPECT_GT(wAmp, 0);
    // '&' is text, not a mnemonic prefix.
    EXPECT_EQ(HAL_getStringWidth(a, u"A&A", 3), 2 * wA + wAmp);
    FontRecord* mono = nullptr;
    HAL_getFont(&mono, FONT_FACE_MONOSPACE, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM);
    EXPECT_EQ(HAL_getStringWidth(mono, u"iiii", 4), HAL_getStringWidth(mono, u"WWWW", 4));
    FontCache_free();
}

TEST(Text, DrawnInsideTheClipOverTheBackground) {
    FontCache_init();
    std::unique_ptr<Surface> s(Surface::createOpaque(40, 20));
    std::fill_n(s->pixels(), 40 * 20, uint16_t(0x001F));
    std::unique_ptr<NativeGraphics> g(NativeGraphics_createOnSurface(s.get()));
    g->setColour(0xFFFFFFFF);
    g->intersectClip(0, 0, 40, 8);  // cuts the text's lower part
    HAL_drawString(g.get(), u"&&&&", 4, 2, 2);
    int inkInside = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            uint16_t p = *s->pixelAt(x, y);
            if (p == 0x001F) continue;
            (y < 8 ? inkInside : outside)++;
        }
    EXPECT_GT(inkInside, 0);
    EXPECT_EQ(outside, 0);
    // The background around the glyphs is kept.
    EXPECT_EQ(*s->pixelAt(0, 0), 0x001F);
    g.reset();
    FontCache_free();
}

class ScreenBufferTest : public bridgetest::HostTest {};

TEST_F(ScreenBufferTest, AFlushFromTheGameThreadReturnsAfterThePresentWithTheSurfacesPixels) {
    writeProperties("app.prop", "MIDlet-Name: Wren Frame\n");
    ScreenBuffer* buffer = nullptr;
    NativeGraphics* g = nullptr;
    std::thread game;
    std::atomic<bool> matched{false};
    std::atomic<bool> pendingAfterFlush{true};
    uint64_t framesBefore = 0;
    std::atomic<uint64_t> framesAfter{0};
    EXPECT_EQ(run([&] {
                  NativeCanvas* canvas = showCanvas();
                  ASSERT_EQ(HAL_createScreenBuffer(canvas, &buffer), HAL_OK);
                  jint w = 0;
                  EXPECT_EQ(HAL_getScreenBufferSize(buffer, &w, nullptr), HAL_OK);
                  EXPECT_EQ(w, canvas->getWidth());
                  ASSERT_EQ(HAL_createGraphicsWithScreenBuffer(&g, buffer), HAL_OK);
                  HAL_setColor(g, jint(0xFF336699));
                  HAL_fillRect(g, 0, 0, 10000, 10000);
                  HAL_setColor(g, jint(0xFFFFFFFF));
                  HAL_drawLine(g, 0, 0, 50, 30);
                  framesBefore = ce::presentedFrames();
                  game = std::thread([&] {
                      HAL_flushScreenBuffer(buffer);
                      pendingAfterFlush = HAL_isRepaintPending(&buffer->handshake);
                      framesAfter = ce::presentedFrames();
                      // The UI thread is idle between frames: the screen holds the frame.
                      ce::VirtualScreen* screen = ce::virtualScreen(HAL_getMainWindow());
                      Surface* s = buffer->surface;
                      bool same = screen && screen->width >= s->width() && s->width() > 0;
                      for (int y = 0; same && y < std::min<int>(s->height(), screen->height); ++y)
                          for (int x = 0; same && x < s->width(); ++x)
                              same = screen->pixels[size_t(y) * size_t(screen->width) + size_t(x)] ==
                                     rgb565ToRgb(*s->pixelAt(x, y));
                      matched = same;
                      ce::PostMessageW(HAL_getMainWindow(), ce::WM_USER + 1, 0, 0);
                  });
              }),
              0);
    game.join();
    EXPECT_FALSE(pendingAfterFlush);
    EXPECT_GT(framesAfter.load(), framesBefore);
    EXPECT_TRUE(matched);
    HAL_deleteGraphics(g);
    EXPECT_EQ(HAL_deleteScreenBuffer(buffer), HAL_OK);
    EXPECT_EQ(HAL_flushScreenBuffer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getScreenBufferSize(nullptr, nullptr, nullptr), HAL_BAD_ARGUMENT);
}

}  // namespace
