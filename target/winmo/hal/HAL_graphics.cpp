#include "HAL_graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "HAL_fonts.h"
#include "HAL_host.h"
#include "HAL_render.h"
#include "HAL_resources.h"
#include "HAL_status.h"
#include "HAL_threads.h"
#include "ce_imaging.h"

// --- images -------------------------------------------------------------------

void NativeImage::release() {
    if (--references > 0) return;
    delete surface;
    delete this;
}

NativeImage* NativeImage_create(Surface* surface) {
    auto* image = new (std::nothrow) NativeImage;
    if (!image) {
        delete surface;
        return nullptr;
    }
    image->surface = surface;
    image->width = int16_t(surface->width());
    image->height = int16_t(surface->height());
    return image;
}

// --- contexts -----------------------------------------------------------------

NativeGraphics::~NativeGraphics() {
    if (buffer) buffer->removeListener(this);
    if (image) image->release();
}

void NativeGraphics::sizeNotification() {
    if (buffer) target = buffer->surface;
    resetClip();
}

void NativeGraphics::bufferDeleted() {
    buffer = nullptr;
    target = nullptr;
    clip = ClipRect{};
}

void NativeGraphics::setTarget(Surface* surface) {
    target = surface;
    font = nullptr;
    HAL_getFont(&font, FONT_FACE_SYSTEM, FONT_STYLE_PLAIN, FONT_SIZE_MEDIUM);
    stroke = 0;
    setColour(0xFF000000);
    resetClip();
}

void NativeGraphics::setColour(uint32_t c) {
    argb = c;
    alpha = uint8_t(c >> 24);
    rgb565 = argbTo565(c);
}

void NativeGraphics::resetClip() {
    clip = target ? ClipRect{0, 0, target->width(), target->height()} : ClipRect{};
}

void NativeGraphics::intersectClip(int32_t x, int32_t y, int32_t w, int32_t h) {
    int64_t x0 = std::max<int64_t>(clip.x, x), y0 = std::max<int64_t>(clip.y, y);
    int64_t x1 = std::min<int64_t>(int64_t(clip.x) + clip.width, int64_t(x) + w);
    int64_t y1 = std::min<int64_t>(int64_t(clip.y) + clip.height, int64_t(y) + h);
    if (x1 <= x0 || y1 <= y0) {
        clip.width = 0;
        clip.height = 0;
        return;
    }
    clip = ClipRect{int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
}

NativeGraphics* NativeGraphics_createOnSurface(Surface* surface) {
    auto* g = new (std::nothrow) NativeGraphics;
    if (g) g->setTarget(surface);
    return g;
}

int32_t HAL_createGraphicsWithImage(NativeGraphics** out, NativeImage* image) {
    if (!out || !image) return HAL_BAD_ARGUMENT;
    NativeGraphics* g = NativeGraphics_createOnSurface(image->surface);
    if (!g) return HAL_OUT_OF_MEMORY;
    image->addReference();
    g->image = image;
    *out = g;
    return HAL_OK;
}

int32_t HAL_createGraphicsWithScreenBuffer(NativeGraphics** out, ScreenBuffer* buffer) {
    if (!out || !buffer) return HAL_BAD_ARGUMENT;
    NativeGraphics* g = NativeGraphics_createOnSurface(buffer->surface);
    if (!g) return HAL_OUT_OF_MEMORY;
    g->buffer = buffer;
    buffer->addListener(g);
    *out = g;
    return HAL_OK;
}

int32_t HAL_deleteGraphics(NativeGraphics* g) {
    if (!g) return HAL_BAD_ARGUMENT;
    delete g;
    return HAL_OK;
}

void HAL_setColor(NativeGraphics* g, jint argb) {
    if (g) g->setColour(uint32_t(argb));
}

jint HAL_getDisplayColor(NativeGraphics* g, jint argb) {
    if (!g) return -1;
    return jint(rgb565ToRgb(argbTo565(uint32_t(argb))));
}

void HAL_setFont(NativeGraphics* g, FontRecord* font) {
    if (g) g->font = font;
}

void HAL_setStrokeStyle(NativeGraphics* g, jint style) {
    if (g) g->stroke = style == 1 ? 1 : 0;
}

void HAL_setClip(NativeGraphics* g, jint x, jint y, jint w, jint h) {
    if (!g) return;
    g->resetClip();
    g->intersectClip(x, y, w, h);
}

void HAL_clipRect(NativeGraphics* g, jint x, jint y, jint w, jint h) {
    if (g) g->intersectClip(x, y, w, h);
}

void HAL_drawLine(NativeGraphics* g, jint x1, jint y1, jint x2, jint y2) { render::line(g, x1, y1, x2, y2); }
void HAL_fillRect(NativeGraphics* g, jint x, jint y, jint w, jint h) { render::fillRect(g, x, y, w, h); }
void HAL_drawRect(NativeGraphics* g, jint x, jint y, jint w, jint h) { render::drawRect(g, x, y, w, h); }
void HAL_drawRoundRect(NativeGraphics* g, jint x, jint y, jint w, jint h, jint aw, jint ah) {
    render::drawRoundRect(g, x, y, w, h, aw, ah);
}
void HAL_fillRoundRect(NativeGraphics* g, jint x, jint y, jint w, jint h, jint aw, jint ah) {
    render::fillRoundRect(g, x, y, w, h, aw, ah);
}
void HAL_drawArc(NativeGraphics* g, jint x, jint y, jint w, jint h, jint start, jint arc) {
    render::drawArc(g, x, y, w, h, start, arc);
}
void HAL_fillArc(NativeGraphics* g, jint x, jint y, jint w, jint h, jint start, jint arc) {
    render::fillArc(g, x, y, w, h, start, arc);
}
void HAL_fillTriangle(NativeGraphics* g, jint x1, jint y1, jint x2, jint y2, jint x3, jint y3) {
    render::fillTriangle(g, x1, y1, x2, y2, x3, y3);
}
void HAL_drawString(NativeGraphics* g, const jchar* text, jint length, jint x, jint y) {
    render::drawString(g, text, length, x, y);
}

void HAL_drawImage(NativeGraphics* g, NativeImage* image, jint x, jint y) {
    if (!g || !image) return;
    render::blit(g, x, y, image->width, image->height, image->surface, 0, 0, 0);
}

int32_t HAL_drawRegion(NativeGraphics* g, NativeImage* image, jint xSrc, jint ySrc, jint w, jint h,
                       jint transform, jint xDest, jint yDest) {
    if (!g) return HAL_OK;
    if (!image || (transform & ~0x307) != 0) return HAL_BAD_ARGUMENT;
    // Bits 8 and 9 are the renderer's source-format override as they stand.
    return render::blit(g, xDest, yDest, w, h, image->surface, xSrc, ySrc, uint32_t(transform));
}

int32_t HAL_drawMutableRegion(NativeGraphics* g, NativeImage* image, jint xSrc, jint ySrc, jint w,
                              jint h, jint transform, jint xDest, jint yDest) {
    return HAL_drawRegion(g, image, xSrc, ySrc, w, h, transform, xDest, yDest);
}

int32_t HAL_drawRGB(NativeGraphics* g, const jint* pixels, int64_t count, jint scanLength, jint x,
                    jint y, jint w, jint h, jboolean processAlpha) {
    if (!g) return HAL_OK;
    NativeImage* image = nullptr;
    int32_t status = ArgbToNativeImage(&image, pixels, count, w, h, scanLength, processAlpha != 0);
    if (status != HAL_OK) return status;
    render::blit(g, x, y, w, h, image->surface, 0, 0, 0);
    image->release();
    return HAL_OK;
}

int32_t HAL_copyArea(NativeGraphics* g, jint xSrc, jint ySrc, jint w, jint h, jint xDest,
                     jint yDest) {
    if (!g) return 0;
    render::blit(g, xDest, yDest, w, h, g->target, xSrc, ySrc, 0);
    return 1;
}

void HAL_drawScreenBuffer(NativeGraphics* g, ScreenBuffer* buffer, jint x, jint y) {
    if (!g || !buffer || !buffer->surface) return;
    render::blit(g, x, y, buffer->surface->width(), buffer->surface->height(), buffer->surface, 0,
                 0, uint32_t(SURFACE_OPAQUE) << 8);
}

void HAL_fillGradient(NativeGraphics* g, jint x, jint y, jint w, jint h, jint colour1,
                      jint colour2, jboolean byColumns) {
    render::fillGradient(g, x, y, w, h, uint32_t(colour1), uint32_t(colour2), byColumns != 0);
}

// --- ARGB and decoding ------------------------------------------------------------

int32_t ArgbToNativeImage(NativeImage** out, const jint* pixels, int64_t count, jint w, jint h,
                          jint scanLength, bool processAlpha) {
    if (!out || !pixels || w < 1 || h < 1 || w > 32767 || h > 32767 || scanLength < w)
        return HAL_BAD_ARGUMENT;
    if (count < int64_t(h - 1) * scanLength + w) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    uint8_t format = SURFACE_OPAQUE;
    if (processAlpha) {
        bool keyed = false;
        for (jint r = 0; r < h && format != SURFACE_ALPHA; ++r) {
            const jint* row = pixels + int64_t(r) * scanLength;
            for (jint c = 0; c < w; ++c) {
                uint32_t a = uint32_t(row[c]) >> 24;
                if (a < 8) keyed = true;
                else if (a < 248) {
                    format = SURFACE_ALPHA;
                    break;
                }
            }
        }
        if (format != SURFACE_ALPHA && keyed) format = SURFACE_COLOUR_KEYED;
    }
    size_t bytes = SurfacePixels_size(w, h, format);
    auto* block = static_cast<uint16_t*>(SurfacePixels_allocate(bytes));
    if (!block) return HAL_OUT_OF_MEMORY;
    uint8_t* alpha = reinterpret_cast<uint8_t*>(block + size_t(w) * size_t(h));
    for (jint r = 0; r < h; ++r) {
        const jint* row = pixels + int64_t(r) * scanLength;
        uint16_t* dst = block + size_t(r) * size_t(w);
        for (jint c = 0; c < w; ++c) {
            uint32_t p = uint32_t(row[c]);
            if (format == SURFACE_COLOUR_KEYED && (p >> 24) < 8)
                dst[c] = kColourKey;
            else
                dst[c] = argbTo565(p);
            if (format == SURFACE_ALPHA) alpha[size_t(r) * size_t(w) + c] = uint8_t(p >> 24);
        }
    }
    Surface* surface = Surface::wrap(block, w, h, format);
    if (!surface) {
        SurfacePixels_free(block, bytes);
        return HAL_OUT_OF_MEMORY;
    }
    NativeImage* image = NativeImage_create(surface);
    if (!image) return HAL_OUT_OF_MEMORY;
    *out = image;
    return HAL_OK;
}

namespace {

int32_t decodeOnce(NativeImage** out, const uint8_t* bytes, jint length) {
    using namespace ce;
    DecodedImage* decoded = nullptr;
    HRESULT hr = CreateImageFromBuffer(bytes, UINT(length), &decoded);
    if (hr != S_OK) return hr == E_OUTOFMEMORY ? HAL_OUT_OF_MEMORY : hr == E_INVALIDARG ? HAL_MALFORMED : HAL_BAD_ARGUMENT;
    ImageInfo info{};
    hr = GetImageInfo(decoded, &info);
    int32_t status = HAL_OK;
    if (hr != S_OK) {
        status = hr == E_OUTOFMEMORY ? HAL_OUT_OF_MEMORY : HAL_MALFORMED;
    } else {
        RECT rect{0, 0, LONG(info.Width), LONG(info.Height)};
        BitmapData data{};
        if (LockBits(decoded, &rect, &data) != S_OK) {
            status = HAL_BAD_ARGUMENT;
        } else {
            jint scan = data.Stride / 4;
            status = ArgbToNativeImage(out, static_cast<const jint*>(data.Scan0),
                                       int64_t(scan) * (data.Height - 1) + data.Width,
                                       jint(data.Width), jint(data.Height), scan, true);
            UnlockBits(decoded, &data);
        }
    }
    ReleaseImage(decoded);
    return status;
}

}  // namespace

int32_t DecodeImage(NativeImage** out, const uint8_t* bytes, jint length) {
    if (!out || !bytes || length < 1) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    int32_t status = decodeOnce(out, bytes, length);
    if (status != HAL_OUT_OF_MEMORY) return status;
    HAL_enterVMLock();
    HAL_callbacks().enter();
    HAL_callbacks().collect();
    HAL_leaveVMLock();
    return decodeOnce(out, bytes, length);
}

// --- image entry points -----------------------------------------------------------

int32_t HAL_loadResource(const jchar* name, jint length, uint8_t** data, jint* size) {
    if (!data || !size) return HAL_BAD_ARGUMENT;
    *data = nullptr;
    *size = 0;
    HAL_ResourceFile* file = nullptr;
    if (HAL_openResource(&file, name, length) != HAL_OK || !file) return HAL_NOT_FOUND;
    jint total = HAL_getResourceSize(file);
    if (total < 1) {
        HAL_closeResource(file);
        return HAL_IO_ERROR;
    }
    auto* block = static_cast<uint8_t*>(std::malloc(size_t(total)));
    if (!block) {
        HAL_closeResource(file);
        return HAL_OUT_OF_MEMORY;
    }
    jint done = 0;
    int32_t status = HAL_OK;
    while (done < total) {
        jint count = total - done;
        status = HAL_readResource(file, block, done, &count);
        if (status != HAL_OK || count <= 0) break;
        done += count;
    }
    HAL_closeResource(file);
    if (done < total) {
        std::free(block);
        return status != HAL_OK ? status : HAL_IO_ERROR;
    }
    *data = block;
    *size = total;
    return HAL_OK;
}

static void reportSize(NativeImage* image, jint* width, jint* height) {
    if (width) *width = image ? image->width : 0;
    if (height) *height = image ? image->height : 0;
}

int32_t HAL_createImageWithResource(NativeImage** out, const jchar* name, jint length, jint* width,
                                    jint* height) {
    if (!out) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    uint8_t* bytes = nullptr;
    jint size = 0;
    int32_t status = HAL_loadResource(name, length, &bytes, &size);
    if (status != HAL_OK) return status;
    status = DecodeImage(out, bytes, size);
    std::free(bytes);
    reportSize(*out, width, height);
    return status;
}

int32_t HAL_createImageWithData(NativeImage** out, const uint8_t* bytes, jint length, jint* width,
                                jint* height) {
    int32_t status = DecodeImage(out, bytes, length);
    if (out) reportSize(*out, width, height);
    return status;
}

int32_t HAL_createImageWithRGB(NativeImage** out, const jint* pixels, jint count, jint width,
                               jint height, jboolean processAlpha) {
    if (!out || !pixels || count < 1) return HAL_BAD_ARGUMENT;
    return ArgbToNativeImage(out, pixels, count, width, height, width, processAlpha != 0);
}

int32_t HAL_createMutableImage(NativeImage** out, jint width, jint height) {
    if (!out || width < 1 || height < 1) return HAL_BAD_ARGUMENT;
    Surface* s = Surface::createOpaque(width, height);
    if (!s) return width > 32767 || height > 32767 ? HAL_BAD_ARGUMENT : HAL_OUT_OF_MEMORY;
    NativeImage* image = NativeImage_create(s);
    if (!image) return HAL_OUT_OF_MEMORY;
    NativeGraphics* g = NativeGraphics_createOnSurface(s);
    if (!g) {
        image->release();
        return HAL_OUT_OF_MEMORY;
    }
    g->setColour(0xFFFFFFFF);
    render::fillRect(g, 0, 0, width, height);
    delete g;
    *out = image;
    return HAL_OK;
}

int32_t HAL_createTransparentMutableImage(NativeImage** out, jint width, jint height) {
    if (!out || width < 1 || height < 1) return HAL_BAD_ARGUMENT;
    Surface* s = Surface::createAlpha(width, height);
    if (!s) return width > 32767 || height > 32767 ? HAL_BAD_ARGUMENT : HAL_OUT_OF_MEMORY;
    std::memset(s->pixels(), 0, SurfacePixels_size(width, height, SURFACE_ALPHA));
    NativeImage* image = NativeImage_create(s);
    if (!image) return HAL_OUT_OF_MEMORY;
    *out = image;
    return HAL_OK;
}

int32_t HAL_getImmutableRGB(NativeImage* image, jint* destination, int64_t count, jint scanLength,
                            jint x, jint y, jint w, jint h) {
    if (!image || !destination || w < 0 || h < 0 || x < 0 || y < 0 ||
        int64_t(x) + w > image->width || int64_t(y) + h > image->height)
        return HAL_BAD_ARGUMENT;
    if (w == 0 || h == 0) return HAL_OK;
    if (scanLength < w || count < int64_t(h - 1) * scanLength + w) return HAL_BAD_ARGUMENT;
    const Surface* s = image->surface;
    for (jint r = 0; r < h; ++r) {
        jint* dst = destination + int64_t(r) * scanLength;
        const uint16_t* src = s->pixelAt(x, y + r);
        const uint8_t* a = s->alpha() ? s->alphaAt(x, y + r) : nullptr;
        for (jint c = 0; c < w; ++c) {
            uint32_t rgb = rgb565ToRgb(src[c]);
            uint32_t alpha = 0xFF;
            if (s->format() == SURFACE_COLOUR_KEYED && src[c] == kColourKey) alpha = 0;
            if (a) alpha = a[c];
            dst[c] = jint((alpha << 24) | rgb);
        }
    }
    return HAL_OK;
}

int32_t HAL_getMutableRGB(NativeImage* image, jint* destination, int64_t count, jint scanLength,
                          jint x, jint y, jint w, jint h) {
    return HAL_getImmutableRGB(image, destination, count, scanLength, x, y, w, h);
}

int32_t HAL_getImmutableHasAlpha(NativeImage* image, jboolean* hasAlpha) {
    if (!image || !hasAlpha) return HAL_BAD_ARGUMENT;
    *hasAlpha = image->surface->hasTransparency() ? 1 : 0;
    return HAL_OK;
}

int32_t HAL_getMutableHasAlpha(NativeImage* image, jboolean* hasAlpha) {
    return HAL_getImmutableHasAlpha(image, hasAlpha);
}

int32_t HAL_deleteImage(NativeImage* image) {
    if (!image) return HAL_BAD_ARGUMENT;
    image->release();
    return HAL_OK;
}
