#include "HAL_fonts.h"

#include <new>
#include <string>

#include "HAL_render.h"
#include "HAL_status.h"
#include "HAL_window.h"

using namespace ce;

namespace {

// Every combination of the three style bits has a slot of its own, so that
// BOLD | ITALIC never displaces the PLAIN font of the same face and size.
constexpr int kFaces = 3, kSizes = 3, kStyles = 8;
FontRecord* cache[kFaces * kSizes * kStyles] = {};

int faceIndex(jint face) { return face == FONT_FACE_MONOSPACE ? 1 : face == FONT_FACE_PROPORTIONAL ? 2 : 0; }
int sizeIndex(jint size) { return size == FONT_SIZE_MEDIUM ? 1 : size == FONT_SIZE_LARGE ? 2 : 0; }
int styleIndex(jint style) { return style >= 0 && style < kStyles ? style : 0; }
int points(jint size) { return size == FONT_SIZE_MEDIUM ? 9 : size == FONT_SIZE_LARGE ? 12 : 7; }

FontRecord* createRecord(jint face, jint style, jint size) {
    std::u16string name = face == FONT_FACE_MONOSPACE ? u"Courier New" : u"Tahoma";
    if (style & FONT_STYLE_BOLD) name += u" Bold";
    HWND window = HAL_getMainWindow();
    HDC dc = GetDC(window);
    LOGFONTW lf{};
    lf.lfHeight = GetDeviceCaps(dc, LOGPIXELSY) * points(size) / 72;
    lf.lfItalic = (style & FONT_STYLE_ITALIC) ? 1 : 0;
    lf.lfUnderline = (style & FONT_STYLE_UNDERLINED) ? 1 : 0;
    for (size_t i = 0; i < name.size() && i + 1 < size_t(LF_FACESIZE); ++i) lf.lfFaceName[i] = name[i];
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) {
        ReleaseDC(window, dc);
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window, dc);
    auto* record = new (std::nothrow) FontRecord{font, tm.tmHeight + tm.tmExternalLeading, tm.tmAscent, style};
    if (!record) DeleteObject(font);
    return record;
}

}  // namespace

int FontCache_index(jint face, jint style, jint size) {
    return (faceIndex(face) * kSizes + sizeIndex(size)) * kStyles + styleIndex(style);
}

int32_t HAL_getFont(FontRecord** out, jint face, jint style, jint size) {
    if (!out) return HAL_BAD_ARGUMENT;
    int index = FontCache_index(face, style, size);
    if (!cache[index]) cache[index] = createRecord(face, styleIndex(style), size);
    *out = cache[index];
    return *out ? HAL_OK : HAL_BAD_ARGUMENT;
}

jint HAL_getFontHeight(const FontRecord* record) { return record ? record->height : 0; }
jint HAL_getFontBaseline(const FontRecord* record) { return record ? record->baseline : 0; }

jint HAL_getStringWidth(const FontRecord* record, const jchar* text, jint length) {
    if (!record || !text || length <= 0) return 0;
    HWND window = HAL_getMainWindow();
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, record->font);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text, length, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return r.right;
}

void FontCache_init() {
    for (FontRecord*& r : cache) r = nullptr;
}

void FontCache_free() {
    render::releaseTextSurface();
    for (FontRecord*& r : cache) {
        if (r) {
            DeleteObject(r->font);
            delete r;
        }
        r = nullptr;
    }
}
