// GDI as the host uses it: device contexts, bitmaps, DIB sections, the blit
// that puts a frame on the window, and text. Our own declarations of the
// platform's names and values; bitmaps live in memory, a blit to a window
// lands in its virtual screen and shows it, and text is rendered with
// FreeType from the DejaVu faces that fontconfig finds.
#pragma once

#include <cstdint>

#include "ce_win32.h"

namespace ce {

struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HGDIOBJ;
using HFONT = HGDIOBJ;
using COLORREF = DWORD;

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(uint8_t(r)) | (COLORREF(uint8_t(g)) << 8) | (COLORREF(uint8_t(b)) << 16);
}

enum : DWORD { SRCCOPY = 0x00CC0020 };
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { LOGPIXELSY = 90 };
enum : UINT { DIB_RGB_COLORS = 0 };
enum : DWORD { BI_RGB = 0, BI_BITFIELDS = 3 };
// DrawTextW formats the stand-in honours; the others are accepted and ignored.
enum : UINT {
    DT_LEFT = 0x0000,
    DT_SINGLELINE = 0x0020,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: bottom-up rows
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    DWORD bmiColors[3];  // the red, green and blue masks with BI_BITFIELDS
};

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    LONG lfHeight;  // positive: the cell height in pixels
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
};

// A window's DC (null: the screen's, for measuring only).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Rows of `bits` are top-down and word-aligned; only 16 bits per pixel
// (RGB565) is supported. The bits are copied.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// 16-bit BI_BITFIELDS (RGB565) sections only; rows are DWORD-aligned and run
// bottom-up for a positive height. The bits belong to the bitmap.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
// Bitmaps and fonts; returns the object of that kind selected before.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// From a memory DC's bitmap to a window DC: the pixels go to the window's
// virtual screen, which is then shown. SRCCOPY only.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
            int ySource, DWORD rop);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF colour);
// One line of text, left-aligned at the rectangle's top-left, clipped to the
// rectangle and the selected bitmap (DT_NOCLIP: the bitmap only). Without
// DT_NOPREFIX '&' marks the next character as a mnemonic and is not drawn
// ("&&" draws one '&'). DT_CALCRECT measures: right and bottom are set and
// nothing is drawn. Returns the text's height, 0 on failure.
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
// The face is chosen by name: a name with "Courier" gives the monospaced
// face, any other the proportional one; a name ending in " Bold" the bold
// one. Null when no face can be loaded.
HFONT CreateFontIndirectW(const LOGFONTW* font);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
int GetDeviceCaps(HDC dc, int index);

}  // namespace ce
