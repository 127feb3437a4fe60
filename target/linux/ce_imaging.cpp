#include "ce_imaging.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <new>
#include <vector>

namespace ce {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Whether the image data (the IDAT chunks in a row, taken as one zlib
// stream) inflates to the stream's end with its Adler-32 right. libpng
// can't be asked: once the rows are filled it reads the rest of the stream
// only as a check, tells of a failure there by a warning in words alone,
// much like its warnings about data the picture has no use for (a stream
// that inflates to more than the rows take, bytes after the stream's end),
// and when the stream's last bytes are spread over chunks it may stop short
// of the check value altogether. Data of no use is no fault: libpng decodes
// such a picture whole, and the bytes after the stream's end are not read.
bool imageDataInflates(const uint8_t* bytes, size_t length) {
    if (length < sizeof kPngSignature) return false;
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) return false;
    uint8_t scratch[16 * 1024];
    int result = Z_OK;
    bool inData = false;
    for (size_t at = sizeof kPngSignature; result == Z_OK && length - at >= 12;) {
        const uint32_t size = bigEndian32(bytes + at);
        if (size > length - at - 12) break;
        const bool idat = std::memcmp(bytes + at + 4, "IDAT", 4) == 0;
        if (inData && !idat) break;
        if (idat) {
            inData = true;
            z.next_in = const_cast<Bytef*>(bytes + at + 8);
            z.avail_in = uInt(size);
            // On until the chunk is taken and nothing more is held back for
            // want of room.
            do {
                z.next_out = scratch;
                z.avail_out = sizeof scratch;
                result = inflate(&z, Z_NO_FLUSH);
            } while (result == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
            // Nothing left to do with what it was given: the stream goes on
            // in the next chunk.
            if (result == Z_BUF_ERROR && z.avail_in == 0) result = Z_OK;
        }
        at += 12 + size_t(size);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END;
}

}  // namespace

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
        image.height > kMaxImageSide ||
        !imageDataInflates(static_cast<const uint8_t*>(bytes), length)) {
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
    // Its warnings are libpng's to weigh: the image data was checked above.
    if (!png_image_finish_read(&image, nullptr, decoded->pixels.data(), 0, nullptr)) {
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
