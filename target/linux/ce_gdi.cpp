#include "ce_gdi.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "ce_screen.h"

namespace ce {

struct HGDIOBJ__ {
    enum Kind { Bitmap, Font } kind;
    explicit HGDIOBJ__(Kind k) : kind(k) {}
    virtual ~HGDIOBJ__() = default;
};

struct HDC__ {
    HWND window = nullptr;
    bool memory = false;
    HGDIOBJ__* bitmap = nullptr;
    HGDIOBJ__* font = nullptr;
    COLORREF textColour = 0;
    int bkMode = OPAQUE;
};

namespace {

struct BitmapObject : HGDIOBJ__ {
    BitmapObject() : HGDIOBJ__(Bitmap) {}
    int width = 0;
    int height = 0;
    int strideBytes = 0;
    bool bottomUp = false;
    std::vector<uint8_t> bits;

    // The 16-bit pixel at GDI row y (top row 0).
    uint16_t* row(int y) {
        int r = bottomUp ? height - 1 - y : y;
        return reinterpret_cast<uint16_t*>(bits.data() + size_t(r) * size_t(strideBytes));
    }
};

// The whole FreeType library is used under one lock: fonts are made and
// drawn from the UI thread and the game thread alike.
std::mutex ftLock;
FT_Library library = nullptr;

struct FontObject : HGDIOBJ__ {
    FontObject() : HGDIOBJ__(Font) {}
    ~FontObject() override {
        std::lock_guard<std::mutex> g(ftLock);
        if (face) FT_Done_Face(face);
    }
    FT_Face face = nullptr;
    bool underline = false;
    int ascent = 0;
    int descent = 0;
};

FontObject* defaultFont();

FontObject* fontOf(HDC dc) {
    if (dc && dc->font) return static_cast<FontObject*>(dc->font);
    return defaultFont();
}

// Each of the eight faces is looked up once; fontconfig is shut down after
// every lookup so that it holds nothing between them.
std::string findFace(bool mono, bool bold, bool italic) {
    static std::mutex lock;
    static std::string found[8];
    static bool looked[8] = {};
    int key = (mono ? 4 : 0) | (bold ? 2 : 0) | (italic ? 1 : 0);
    std::lock_guard<std::mutex> g(lock);
    if (looked[key]) return found[key];
    if (!FcInit()) return std::string();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(mono ? "DejaVu Sans Mono" : "DejaVu Sans"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_OBLIQUE : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string path;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        path = reinterpret_cast<const char*>(file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcFini();
    looked[key] = true;
    found[key] = path;
    return path;
}

FontObject* makeFont(bool mono, bool bold, bool italic, bool underline, int cellHeight) {
    std::string path = findFace(mono, bold, italic);
    if (path.empty() || cellHeight < 1) return nullptr;
    std::lock_guard<std::mutex> g(ftLock);
    if (!library && FT_Init_FreeType(&library) != 0) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return nullptr;
    FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, FT_Long(cellHeight) << 6, 0, 0};
    if (FT_Request_Size(face, &request) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    auto* font = new FontObject;
    font->face = face;
    font->underline = underline;
    font->ascent = int((face->size->metrics.ascender + 63) >> 6);
    font->descent = int((-face->size->metrics.descender + 63) >> 6);
    return font;
}

FontObject* defaultFont() {
    static FontObject* font = makeFont(false, false, false, false, 12);
    return font;
}

std::u16string stripPrefixes(const char16_t* text, int count, UINT format) {
    std::u16string out;
    for (int i = 0; i < count; ++i) {
        if (!(format & DT_NOPREFIX) && text[i] == u'&') {
            if (i + 1 < count && text[i + 1] == u'&') out += u'&';
            ++i;
            if (i < count && text[i] != u'&') out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

char32_t codePointAt(const std::u16string& s, size_t& i) {
    char32_t c = s[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    return c;
}

// Lays the line out from pen x 0; with a target, draws each glyph. Returns
// the advance width in pixels. Caller holds ftLock.
int layout(FontObject* font, const std::u16string& text, BitmapObject* target, int x, int baseline,
           const RECT& clip, COLORREF colour) {
    FT_Face face = font->face;
    long pen = 0;
    int r = colour & 0xFF, gr = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    for (size_t i = 0; i < text.size();) {
        char32_t c = codePointAt(text, i);
        if (FT_Load_Char(face, c, target ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        if (target && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bm = slot->bitmap;
            int gx = x + int(pen >> 6) + slot->bitmap_left;
            int gy = baseline - slot->bitmap_top;
            for (int row = 0; row < int(bm.rows); ++row) {
                int py = gy + row;
                if (py < clip.top || py >= clip.bottom) continue;
                const uint8_t* src = bm.buffer + row * bm.pitch;
                uint16_t* dst = target->row(py);
                for (int col = 0; col < int(bm.width); ++col) {
                    int px = gx + col;
                    int cov = src[col];
                    if (px < clip.left || px >= clip.right || cov == 0) continue;
                    uint16_t d = dst[px];
                    int dr = ((d >> 11) & 0x1F) << 3, dg = ((d >> 5) & 0x3F) << 2, db = (d & 0x1F) << 3;
                    dr += (r - dr) * cov / 255;
                    dg += (gr - dg) * cov / 255;
                    db += (b - db) * cov / 255;
                    dst[px] = uint16_t(((dr >> 3) << 11) | ((dg >> 2) << 5) | (db >> 3));
                }
            }
        }
        pen += slot->advance.x;
    }
    int width = int((pen + 32) >> 6);
    if (target && font->underline) {
        int uy = baseline + 1;
        if (uy >= clip.top && uy < clip.bottom) {
            uint16_t c565 = uint16_t(((r >> 3) << 11) | ((gr >> 2) << 5) | (b >> 3));
            uint16_t* dst = target->row(uy);
            for (int px = std::max<int>(x, clip.left); px < std::min<int>(x + width, clip.right); ++px)
                dst[px] = c565;
        }
    }
    return width;
}

}  // namespace

HDC GetDC(HWND window) {
    auto* dc = new HDC__;
    dc->window = window;
    return dc;
}

int ReleaseDC(HWND, HDC dc) {
    if (!dc || dc->memory) return 0;
    delete dc;
    return 1;
}

HDC CreateCompatibleDC(HDC) {
    auto* dc = new HDC__;
    dc->memory = true;
    return dc;
}

BOOL DeleteDC(HDC dc) {
    if (!dc) return FALSE;
    delete dc;
    return TRUE;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width < 1 || height < 1 || planes != 1 || bitsPerPixel != 16) return nullptr;
    auto* bm = new BitmapObject;
    bm->width = width;
    bm->height = height;
    bm->strideBytes = width * 2;
    bm->bits.assign(size_t(bm->strideBytes) * size_t(height), 0);
    if (bits) std::memcpy(bm->bits.data(), bits, bm->bits.size());
    return bm;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD) {
    if (bits) *bits = nullptr;
    if (!info) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 16 || h.biPlanes != 1 ||
        h.biCompression != BI_BITFIELDS || info->bmiColors[0] != 0xF800 ||
        info->bmiColors[1] != 0x07E0 || info->bmiColors[2] != 0x001F || h.biWidth < 1 ||
        h.biHeight == 0 || h.biWidth > 32767 || h.biHeight > 32767 || h.biHeight < -32767)
        return nullptr;
    auto* bm = new BitmapObject;
    bm->width = h.biWidth;
    bm->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    bm->bottomUp = h.biHeight > 0;
    bm->strideBytes = ((h.biWidth * 2) + 3) & ~3;
    bm->bits.assign(size_t(bm->strideBytes) * size_t(bm->height), 0);
    if (bits) *bits = bm->bits.data();
    return bm;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return nullptr;
    HGDIOBJ__*& slot = object->kind == HGDIOBJ__::Bitmap ? dc->bitmap : dc->font;
    HGDIOBJ__* previous = slot;
    slot = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return FALSE;
    delete object;
    return TRUE;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
            int ySource, DWORD rop) {
    if (!destination || !source || !source->bitmap || rop != SRCCOPY || destination->memory ||
        !destination->window)
        return FALSE;
    auto* bm = static_cast<BitmapObject*>(source->bitmap);
    VirtualScreen* screen = virtualScreen(destination->window);
    if (!screen) return FALSE;
    // Clip against both the source bitmap and the screen.
    int x0 = std::max({x, 0, x - xSource});
    int y0 = std::max({y, 0, y - ySource});
    int x1 = std::min({x + width, screen->width, x - xSource + bm->width});
    int y1 = std::min({y + height, screen->height, y - ySource + bm->height});
    for (int dy = y0; dy < y1; ++dy) {
        const uint16_t* src = bm->row(dy - y + ySource) + (xSource - x);
        uint32_t* dst = screen->pixels.data() + size_t(dy) * size_t(screen->width);
        for (int dx = x0; dx < x1; ++dx) {
            uint32_t p = src[dx];
            dst[dx] = ((p & 0xF800) << 8) | ((p & 0x07E0) << 5) | ((p & 0x001F) << 3);
        }
    }
    presentWindow(destination->window);
    return TRUE;
}

int SetBkMode(HDC dc, int mode) {
    if (!dc) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    if (!dc) return 0;
    COLORREF previous = dc->textColour;
    dc->textColour = colour;
    return previous;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
    if (!dc || !rect || (!text && count != 0)) return 0;
    FontObject* font = fontOf(dc);
    if (!font) return 0;
    if (count < 0) {
        count = 0;
        while (text[count]) ++count;
    }
    std::u16string line = stripPrefixes(text, count, format);
    int lineHeight = font->ascent + font->descent;
    std::lock_guard<std::mutex> g(ftLock);
    if (format & DT_CALCRECT) {
        rect->right = rect->left + (line.empty() ? 0 : layout(font, line, nullptr, 0, 0, *rect, 0));
        rect->bottom = rect->top + lineHeight;
        return lineHeight;
    }
    auto* bm = static_cast<BitmapObject*>(dc->bitmap);
    if (!bm) return 0;
    RECT clip{0, 0, bm->width, bm->height};
    if (!(format & DT_NOCLIP)) {
        clip.left = std::max(clip.left, rect->left);
        clip.top = std::max(clip.top, rect->top);
        clip.right = std::min(clip.right, rect->right);
        clip.bottom = std::min(clip.bottom, rect->bottom);
    }
    if (clip.left < clip.right && clip.top < clip.bottom)
        layout(font, line, bm, rect->left, rect->top + font->ascent, clip, dc->textColour);
    return lineHeight;
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
    if (!logFont || logFont->lfHeight <= 0) return nullptr;
    std::u16string name;
    for (int i = 0; i < LF_FACESIZE && logFont->lfFaceName[i]; ++i) name += logFont->lfFaceName[i];
    bool mono = name.find(u"Courier") != std::u16string::npos;
    static const std::u16string boldSuffix = u" Bold";
    bool bold = name.size() >= boldSuffix.size() &&
                name.compare(name.size() - boldSuffix.size(), boldSuffix.size(), boldSuffix) == 0;
    return makeFont(mono, bold || logFont->lfWeight >= 700, logFont->lfItalic != 0,
                    logFont->lfUnderline != 0, logFont->lfHeight);
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    FontObject* font = fontOf(dc);
    if (!font || !metrics) return FALSE;
    *metrics = TEXTMETRICW{};
    metrics->tmAscent = font->ascent;
    metrics->tmDescent = font->descent;
    metrics->tmHeight = font->ascent + font->descent;
    std::lock_guard<std::mutex> g(ftLock);
    metrics->tmMaxCharWidth = LONG((font->face->size->metrics.max_advance + 63) >> 6);
    metrics->tmAveCharWidth = metrics->tmMaxCharWidth / 2;
    return TRUE;
}

int GetDeviceCaps(HDC, int index) { return index == LOGPIXELSY ? 96 : 0; }

}  // namespace ce
