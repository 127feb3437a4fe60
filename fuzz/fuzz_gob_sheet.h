// The sheet the graphic-object set fuzz target cuts its objects from, shared
// with the corpus maker: 16 by 8 pixels of the magenta key, opaque colours
// and a half-transparent white (no opaque magenta, which a keyed picture
// would turn into the key).
#pragma once

#include "Png.h"

namespace fuzzgob {

constexpr int kSheetWidth = 16;
constexpr int kSheetHeight = 8;

inline rpack::IndexedImage sheet() {
    rpack::IndexedImage img;
    img.width = kSheetWidth;
    img.height = kSheetHeight;
    img.palette = {{255, 0, 255, 0}, {255, 0, 0, 255},     {0, 255, 0, 255},   {0, 0, 255, 255},
                   {0, 0, 0, 255},   {255, 255, 255, 128}, {255, 255, 0, 255}, {10, 20, 30, 255}};
    for (int y = 0; y < kSheetHeight; ++y)
        for (int x = 0; x < kSheetWidth; ++x)
            img.pixels.push_back(uint8_t((x * 7 + y * 3 + (x * y) % 5) % 8));
    return img;
}

}  // namespace fuzzgob
