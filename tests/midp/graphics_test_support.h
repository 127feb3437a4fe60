// Helpers shared by the drawing, image and font suites: mutable images to
// draw into and their pixels read back through getRGB, as numbers or as a
// small picture of one character per pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"

namespace gfxtest {

using javax::microedition::lcdui::Font;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

// Colours as they read back from an RGB565 surface.
constexpr uint32_t kWhite = 0xFFF8FCF8;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFF80000;
constexpr uint32_t kGreen = 0xFF00FC00;
constexpr uint32_t kBlue = 0xFF0000F8;
constexpr uint32_t kYellow = 0xFFF8FC00;
constexpr uint32_t kMagenta = 0xFFF800F8;

// An opaque mutable image filled with `fill`.
inline VMPtr<Image> blank(jint w, jint h, uint32_t fill = 0xFFFFFFFF) {
    return Image::createImage(w, h, false, jint(fill));
}

inline std::vector<uint32_t> pixels(const VMPtr<Image>& img) {
    jint w = img->getWidth(), h = img->getHeight();
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(w * h);
    img->getRGB(out, 0, w, 0, 0, w, h);
    return std::vector<uint32_t>(reinterpret_cast<uint32_t*>(out->elements()),
                                 reinterpret_cast<uint32_t*>(out->elements()) + w * h);
}

// '.' white, '#' black, 'r' 'g' 'b' 'y' 'm' the full colours, ' ' fully
// transparent, '?' anything else.
inline char glyph(uint32_t p) {
    if ((p >> 24) == 0) return ' ';
    switch (p) {
        case kWhite: return '.';
        case kBlack: return '#';
        case kRed: return 'r';
        case kGreen: return 'g';
        case kBlue: return 'b';
        case kYellow: return 'y';
        case kMagenta: return 'm';
        default: return '?';
    }
}

inline std::vector<std::string> picture(const VMPtr<Image>& img) {
    std::vector<uint32_t> p = pixels(img);
    jint w = img->getWidth();
    std::vector<std::string> rows;
    for (size_t i = 0; i < p.size(); i += size_t(w)) {
        std::string row;
        for (jint c = 0; c < w; ++c) row += glyph(p[i + size_t(c)]);
        rows.push_back(row);
    }
    return rows;
}

// An immutable image from rows of glyphs (the colours above; ' ' is
// transparent), decoded with processAlpha.
inline VMPtr<Image> imageOf(const std::vector<std::string>& rows) {
    jint h = jint(rows.size()), w = jint(rows[0].size());
    VMPtr<VMArray<jint>> argb = VMArray<jint>::create(w * h);
    for (jint r = 0; r < h; ++r)
        for (jint c = 0; c < w; ++c) {
            uint32_t p = 0;
            switch (rows[size_t(r)][size_t(c)]) {
                case '.': p = 0xFFFFFFFF; break;
                case '#': p = 0xFF000000; break;
                case 'r': p = 0xFFFF0000; break;
                case 'g': p = 0xFF00FF00; break;
                case 'b': p = 0xFF0000FF; break;
                case 'y': p = 0xFFFFFF00; break;
                case 'm': p = 0xFFFF00FF; break;
                default: p = 0; break;
            }
            (*argb)[r * w + c] = jint(p);
        }
    return Image::createRGBImage(argb, w, h, true);
}

}  // namespace gfxtest
