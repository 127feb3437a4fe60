// A PNG file taken apart into its chunks, and put together again with each
// chunk's CRC made to fit, for tests that change what a picture holds.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wrentest {

struct PngChunk {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks after the signature, up to the first one that runs past the end.
inline std::vector<PngChunk> pngChunksOf(const std::vector<uint8_t>& png) {
    std::vector<PngChunk> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 |
                              size_t(png[at + 2]) << 8 | png[at + 3];
        if (at + 12 + length > png.size()) break;
        chunks.push_back({std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                          std::vector<uint8_t>(png.begin() + long(at) + 8,
                                               png.begin() + long(at + 8 + length))});
        at += 12 + length;
    }
    return chunks;
}

inline std::vector<uint8_t> pngOf(const std::vector<PngChunk>& chunks) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(v >> shift));
    };
    for (const PngChunk& c : chunks) {
        put(uint32_t(c.data.size()));
        const size_t typeAt = png.size();
        png.insert(png.end(), c.type.begin(), c.type.end());
        png.insert(png.end(), c.data.begin(), c.data.end());
        put(uint32_t(crc32(0, png.data() + typeAt, uInt(png.size() - typeAt))));
    }
    return png;
}

}  // namespace wrentest
