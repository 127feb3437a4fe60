// Image decoding, fonts and text, and the screen buffer's present path.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "HAL_fonts.h"
#include "HAL_graphics.h"
#include "HAL_status.h"
#include "HAL_threads.h"
#include "bridge_test_support.h"
#include "png_chunks.h"
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

using Chunk = wrentest::PngChunk;
using wrentest::pngOf;

// The picture's compressed data, its IDAT chunks joined.
std::vector<uint8_t> imageDataOf(const std::vector<uint8_t>& png) {
    std::vector<uint8_t> data;
    for (const Chunk& c : wrentest::pngChunksOf(png))
        if (c.type == "IDAT") data.insert(data.end(), c.data.begin(), c.data.end());
    return data;
}

// The picture with `idats` in place of its IDAT chunks.
std::vector<uint8_t> withImageData(const std::vector<uint8_t>& png,
                                   const std::vector<std::vector<uint8_t>>& idats) {
    std::vector<Chunk> out;
    for (const Chunk& c : wrentest::pngChunksOf(png)) {
        if (c.type != "IDAT") {
            out.push_back(c);
        } else if (out.empty() || out.back().type != "IDAT") {
            for (const std::vector<uint8_t>& data : idats) out.push_back({"IDAT", data});
        }
    }
    return pngOf(out);
}

// The rows a zlib stream holds, as far as it inflates.
std::vector<uint8_t> inflated(const std::vector<uint8_t>& stream) {
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    std::vector<uint8_t> rows;
    for (int result = Z_OK; result == Z_OK;) {
        uint8_t part[4096];
        z.next_out = part;
        z.avail_out = sizeof part;
        result = inflate(&z, Z_NO_FLUSH);
        rows.insert(rows.end(), part, part + (sizeof part - z.avail_out));
        EXPECT_TRUE(result == Z_OK || result == Z_STREAM_END) << result;
    }
    inflateEnd(&z);
    return rows;
}

// `rows` as a zlib stream: whole, or ending with `flush` before the final
// block and the check value (Z_SYNC_FLUSH: byte-aligned, to be continued).
std::vector<uint8_t> deflated(const std::vector<uint8_t>& rows, int flush = Z_FINISH) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
    std::vector<uint8_t> stream(deflateBound(&z, uLong(rows.size())) + 64);
    z.next_in = const_cast<Bytef*>(rows.data());
    z.avail_in = uInt(rows.size());
    z.next_out = stream.data();
    z.avail_out = uInt(stream.size());
    EXPECT_EQ(deflate(&z, flush), flush == Z_FINISH ? Z_STREAM_END : Z_OK);
    stream.resize(z.total_out);
    deflateEnd(&z);
    return stream;
}

// The picture with the last four bytes of its compressed data, the zlib
// stream's check value (Adler-32), inverted or kept, and either left in the
// stream's chunk (`checkChunks` 0) or spread over that many chunks of its
// own. Apart, the rows are filled before the check value comes: libpng
// meets it only while it finishes the stream, and spread over three chunks
// or more it never does.
std::vector<uint8_t> withCheckValue(const std::vector<uint8_t>& png, bool inverted,
                                    size_t checkChunks) {
    const std::vector<uint8_t> data = imageDataOf(png);
    EXPECT_GT(data.size(), 6u);
    std::vector<uint8_t> stream(data.begin(), data.end() - 4);
    std::vector<uint8_t> check(data.end() - 4, data.end());
    if (inverted)
        for (uint8_t& b : check) b = uint8_t(~b);
    if (checkChunks == 0) {
        stream.insert(stream.end(), check.begin(), check.end());
        return withImageData(png, {stream});
    }
    std::vector<std::vector<uint8_t>> idats = {stream};
    for (size_t i = 0, at = 0; i < checkChunks; ++i) {
        const size_t next = i + 1 == checkChunks ? 4 : at + 1;
        idats.emplace_back(check.begin() + long(at), check.begin() + long(next));
        at = next;
    }
    return withImageData(png, idats);
}

size_t idatCount(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks = wrentest::pngChunksOf(png);
    return size_t(std::count_if(chunks.begin(), chunks.end(),
                                [](const Chunk& c) { return c.type == "IDAT"; }));
}

// An 8 x 8 picture of 64 colours, in one IDAT chunk.
std::vector<uint8_t> samplePicture() {
    std::vector<uint32_t> argb(64);
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | uint32_t(i * 0x030507);
    std::vector<uint8_t> png = encodePng(argb, 8, 8);
    EXPECT_EQ(idatCount(png), 1u);
    return png;
}

// The pixels of a picture that decodes, else nothing.
std::vector<jint> decodedPixels(const std::vector<uint8_t>& png) {
    NativeImage* img = nullptr;
    jint w = 0, h = 0;
    if (HAL_createImageWithData(&img, png.data(), jint(png.size()), &w, &h) != HAL_OK) return {};
    std::vector<jint> pixels(size_t(w) * size_t(h));
    EXPECT_EQ(HAL_getImmutableRGB(img, pixels.data(), jint(pixels.size()), w, 0, 0, w, h), HAL_OK);
    HAL_deleteImage(img);
    return pixels;
}

// Compressed data that the rows have no use for, in any chunk, or a check
// value in chunks of its own: libpng draws such a picture whole, and so
// must the decoder, to the same pixels.
TEST(ImageDecoding, DataBeyondWhatTheRowsNeedDecodesWhole) {
    const std::vector<uint8_t> png = samplePicture();
    const std::vector<jint> pixels = decodedPixels(png);
    ASSERT_EQ(pixels.size(), 64u);
    const std::vector<uint8_t> stream = imageDataOf(png);
    std::vector<uint8_t> moreRows = inflated(stream);
    ASSERT_EQ(moreRows.size(), 8u * (1 + 8 * 4));  // a filter byte and RGBA a row
    moreRows.insert(moreRows.end(), 3 * (1 + 8 * 4), 0);
    std::vector<uint8_t> trailed = stream;
    trailed.insert(trailed.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"the stream inflates to three rows more", withImageData(png, {deflated(moreRows)})},
        {"bytes after the stream's end, in its chunk", withImageData(png, {trailed})},
        {"bytes after the stream's end, in a chunk of their own",
         withImageData(png, {stream, {0xDE, 0xAD}})},
        {"the check value in a chunk of its own", withCheckValue(png, false, 1)},
        {"the check value spread over three chunks", withCheckValue(png, false, 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodedPixels(c.bytes), pixels);
    }
}

TEST(ImageDecoding, UndecodableBytesAreACleanFailure) {
    const std::vector<uint8_t> png = samplePicture();
    // The width's last byte flipped: the header chunk's CRC no longer holds.
    std::vector<uint8_t> badCrc = png;
    badCrc[8 + 8 + 3] ^= 0x01;
    // The rows whole, then a block of the reserved type where the stream
    // should end.
    std::vector<uint8_t> badBlock = deflated(inflated(imageDataOf(png)), Z_SYNC_FLUSH);
    badBlock.push_back(0x07);  // final block, type 3
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"not an image", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}},
        {"truncated", std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2))},
        {"a chunk's CRC fails", badCrc},
        {"the compressed data fails its check", withCheckValue(png, true, 0)},
        {"the compressed data fails its check, met after the rows", withCheckValue(png, true, 1)},
        {"the compressed data fails its check, spread over three chunks",
         withCheckValue(png, true, 3)},
        {"the compressed data can't be inflated past the rows", withImageData(png, {badBlock})},
        {"the stream stops short of its end after the rows",
         withImageData(png, {deflated(inflated(imageDataOf(png)), Z_SYNC_FLUSH)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NativeImage* img = reinterpret_cast<NativeImage*>(1);
        const jint status =
            HAL_createImageWithData(&img, c.bytes.data(), jint(c.bytes.size()), nullptr, nullptr);
        EXPECT_EQ(status, HAL_MALFORMED);
        EXPECT_EQ(img, nullptr);
        if (status == HAL_OK) HAL_deleteImage(img);
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
