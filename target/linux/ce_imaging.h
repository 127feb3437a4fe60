// The imaging factory as the host uses it: encoded bytes in, a 32-bit ARGB
// bitmap out, locked for reading. Our own declarations; the stand-in decodes
// PNG with libpng. Results are HRESULT-shaped.
#pragma once

#include <cstdint>

#include "ce_win32.h"

namespace ce {

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = int32_t(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000E);
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);

// Images wider or higher than this are refused as malformed: a surface's
// sides are 16-bit, and a forged header must not make us allocate gigabytes.
constexpr uint32_t kMaxImageSide = 4096;

struct DecodedImage;

struct ImageInfo {
    UINT Width;
    UINT Height;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    int32_t Stride;  // bytes per row
    void* Scan0;     // 0xAARRGGBB pixels, not premultiplied
};

// E_INVALIDARG for bytes that are not a decodable image (or too large; or
// whose compressed data can't be inflated to its end or fails its check
// value, even when it fills the picture first), E_OUTOFMEMORY when the
// pixels can't be held. A stream that inflates to more than the rows
// need, or bytes after the stream's end, are no fault: the picture decodes
// whole.
HRESULT CreateImageFromBuffer(const void* bytes, UINT length, DecodedImage** image);
HRESULT GetImageInfo(DecodedImage* image, ImageInfo* info);
// Read access to the whole image; the rectangle must be the image's bounds.
HRESULT LockBits(DecodedImage* image, const RECT* rect, BitmapData* data);
HRESULT UnlockBits(DecodedImage* image, BitmapData* data);
void ReleaseImage(DecodedImage* image);

}  // namespace ce
