// The software renderer: every pixel drawn into an RGB565 surface, on the
// calling thread, within the context's clip. Filled primitives and blits
// draw nothing below alpha 8, blend with weight (alpha + 1) >> 3 of 32 from
// 8 to 247 and write solid from 248; lines and outlines are solid.
#pragma once

#include <cstdint>

#include "HAL_graphics.h"

// Blends d toward s with weight a5 of 32, all three channels in one multiply.
inline uint16_t blend565(uint16_t d, uint16_t s, uint32_t a5) {
    uint32_t vd = (d & 0xF81Fu) | (uint32_t(d & 0x07E0u) << 16);
    uint32_t vs = (s & 0xF81Fu) | (uint32_t(s & 0x07E0u) << 16);
    uint32_t r = vd + (((vs - vd) * a5) >> 5);
    return uint16_t((((r ^ (r >> 16)) & 0x07E0u) ^ r) & 0xFFFFu);
}

// Bits 0-2 of blit flags: the MIDP transform. Bits 8-15: a source format
// overriding the surface's own (0: its own).
enum : uint32_t {
    BLIT_REVERSE_ROWS = 1,
    BLIT_REVERSE_COLUMNS = 2,
    BLIT_SWAP_AXES = 4,
};

namespace render {

void span(NativeGraphics* g, int32_t x1, int32_t x2, int32_t y, bool dotted, bool blend);
void line(NativeGraphics* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void fillRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h);
void drawRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h);
void fillArc(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
             int32_t arc);
void drawArc(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
             int32_t arc);
void fillRoundRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t aw,
                   int32_t ah);
void drawRoundRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t aw,
                   int32_t ah);
void fillTriangle(NativeGraphics* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                  int32_t y3);
void fillGradient(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t c1,
                  uint32_t c2, bool byColumns);
// HAL_BAD_ARGUMENT when the flags ask for a format the source cannot give
// (an alpha plane it lacks) or the source rectangle leaves the source.
int32_t blit(NativeGraphics* g, int32_t xDest, int32_t yDest, int32_t w, int32_t h,
             const Surface* source, int32_t xSrc, int32_t ySrc, uint32_t flags);
// Blits normally take the vector rows of the widest unit the CPU has; with
// this on, every blit takes the scalar reference rows instead (tests and the
// benchmark compare the two).
void useScalarBlits(bool on);
// The vector unit the blit rows run on: "AVX2", "SSE4", "SCALAR", ...
const char* blitVectorTarget();
void drawString(NativeGraphics* g, const char16_t* text, int32_t length, int32_t x, int32_t y);
// Drops the text surface and its context (font cache shutdown).
void releaseTextSurface();

}  // namespace render
