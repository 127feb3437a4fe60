// Indexed PNG images as the game's palette helpers expect them: IHDR, then
// PLTE right after it, then tRNS (when any colour is not opaque), IDAT, IEND.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace rpack {

struct PaletteColour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    bool operator==(const PaletteColour&) const = default;
};

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<PaletteColour> palette;  // 1..256 colours
    std::vector<uint8_t> pixels;         // width * height palette indices, rows from the top

    bool operator==(const IndexedImage&) const = default;
};

constexpr int kMaxImageSide = 32767;  // graphic objects address sheets with 16-bit fields

// 8 bits per pixel, one zlib stream in one IDAT chunk, filter 0 on every row.
Bytes encodePng(const IndexedImage& image);

struct PngChunkInfo {
    std::string type;
    uint32_t length = 0;
};

struct DecodedPng {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    std::vector<PngChunkInfo> chunks;  // in file order
    // Set, with the palette (tRNS alphas applied) and the pixels, for what
    // encodePng writes: 8-bit indexed, not interlaced, at most 64 MB of rows.
    bool indexed8 = false;
    IndexedImage image;
};

bool looksLikePng(const Bytes& bytes);
// Checks the signature, every chunk's CRC, IHDR first and IEND last.
DecodedPng decodePng(const Bytes& bytes);

}  // namespace rpack
