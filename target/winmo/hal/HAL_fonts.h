// MIDP fonts as GDI fonts: each face, style and size becomes one font with
// its measured height and baseline, made on first use and kept until
// shutdown.
#pragma once

#include <cstdint>

#include "VMTypes.h"
#include "ce_gdi.h"

struct FontRecord {
    ce::HFONT font = nullptr;
    int32_t height = 0;    // ascent + descent + external leading
    int32_t baseline = 0;  // ascent
    int32_t style = 0;
};

enum : jint {
    FONT_FACE_SYSTEM = 0,
    FONT_FACE_MONOSPACE = 32,
    FONT_FACE_PROPORTIONAL = 64,
    FONT_STYLE_PLAIN = 0,
    FONT_STYLE_BOLD = 1,
    FONT_STYLE_ITALIC = 2,
    FONT_STYLE_UNDERLINED = 4,
    FONT_SIZE_MEDIUM = 0,
    FONT_SIZE_SMALL = 8,
    FONT_SIZE_LARGE = 16,
};

// HAL_BAD_ARGUMENT (record null) when the font cannot be made.
int32_t HAL_getFont(FontRecord** out, jint face, jint style, jint size);
jint HAL_getFontHeight(const FontRecord* record);
jint HAL_getFontBaseline(const FontRecord* record);
// '&' is measured like any other character.
jint HAL_getStringWidth(const FontRecord* record, const jchar* text, jint length);
void FontCache_init();
void FontCache_free();
// The cache slot of a face, style and size (tests).
int FontCache_index(jint face, jint style, jint size);
