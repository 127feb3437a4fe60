#include "ce_imaging.h"

#include <png.h>

#include <cstring>
#include <new>
#include <vector>

namespace ce {

struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
    bool locked = false;
};

HRESULT CreateImageFromBuffer(const void* bytes, UINT length, DecodedImage** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!bytes || length == 0) return E_INVALIDARG;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, length)) return E_INVALIDARG;
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
        image.height > kMaxImageSide) {
        png_image_free(&image);
        return E_INVALIDARG;
    }
    // BGRA bytes in memory read back as 0xAARRGGBB words on this
    // little-endian machine.
    image.format = PNG_FORMAT_BGRA;
    auto* decoded = new (std::nothrow) DecodedImage;
    if (!decoded) {
        png_image_free(&image);
        return E_OUTOFMEMORY;
    }
    try {
        decoded->pixels.resize(size_t(image.width) * image.height);
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        delete decoded;
        return E_OUTOFMEMORY;
    }
    // Warnings about the chunks before the image data stay libpng's to
    // weigh. While the rows are read a warning can only be about the
    // compressed data: once the rows are filled libpng reads the rest of the
    // stream just to check it, and there a failing Adler-32 (the data is not
    // what was written) or data past the picture is a warning, not an error.
    // It keeps only the first warning, hence the reset.
    image.warning_or_error = 0;
    if (!png_image_finish_read(&image, nullptr, decoded->pixels.data(), 0, nullptr) ||
        image.warning_or_error != 0) {
        png_image_free(&image);
        delete decoded;
        return E_INVALIDARG;
    }
    decoded->width = image.width;
    decoded->height = image.height;
    *out = decoded;
    return S_OK;
}

HRESULT GetImageInfo(DecodedImage* image, ImageInfo* info) {
    if (!image || !info) return E_INVALIDARG;
    info->Width = image->width;
    info->Height = image->height;
    return S_OK;
}

HRESULT LockBits(DecodedImage* image, const RECT* rect, BitmapData* data) {
    if (!image || !rect || !data || image->locked || rect->left != 0 || rect->top != 0 ||
        rect->right != LONG(image->width) || rect->bottom != LONG(image->height))
        return E_INVALIDARG;
    image->locked = true;
    data->Width = image->width;
    data->Height = image->height;
    data->Stride = int32_t(image->width * 4);
    data->Scan0 = image->pixels.data();
    return S_OK;
}

HRESULT UnlockBits(DecodedImage* image, BitmapData*) {
    if (!image || !image->locked) return E_FAIL;
    image->locked = false;
    return S_OK;
}

void ReleaseImage(DecodedImage* image) { delete image; }

}  // namespace ce
