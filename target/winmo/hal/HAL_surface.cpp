#include "HAL_surface.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "HAL_status.h"
#include "HAL_window.h"

using namespace ce;

namespace {

bool sizeInRange(int32_t width, int32_t height) {
    return width >= 0 && height >= 0 && width <= 32767 && height <= 32767;
}

}  // namespace

// Pixel blocks come from the C heap until the native allocator offers a
// pair for them; every block goes through these two so the switch is one
// place.
void* SurfacePixels_allocate(size_t bytes) { return std::malloc(bytes ? bytes : 1); }
void SurfacePixels_free(void* block, size_t) { std::free(block); }

size_t SurfacePixels_size(int32_t width, int32_t height, uint8_t format) {
    size_t area = size_t(width) * size_t(height);
    return area * 2 + (format == SURFACE_ALPHA ? area : 0);
}

Surface::Surface(uint16_t* pixels, int32_t width, int32_t height, int32_t pitch, uint8_t format,
                 bool owns)
    : pixels_(pixels), width_(int16_t(width)), height_(int16_t(height)), pitch_(pitch),
      format_(format), ownsPixels_(owns) {}

Surface::~Surface() {
    if (ownsPixels_ && pixels_) SurfacePixels_free(pixels_, SurfacePixels_size(width_, height_, format_));
}

bool Surface::resize(int32_t width, int32_t height) {
    if (!ownsPixels_ || !sizeInRange(width, height)) return false;
    if (width == width_ && height == height_ && (pixels_ || width * height == 0)) return true;
    if (pixels_) SurfacePixels_free(pixels_, SurfacePixels_size(width_, height_, format_));
    pixels_ = nullptr;
    width_ = height_ = 0;
    pitch_ = 0;
    size_t bytes = SurfacePixels_size(width, height, format_);
    if (bytes == 0) {
        width_ = int16_t(width);
        height_ = int16_t(height);
        pitch_ = width;
        return true;
    }
    auto* block = static_cast<uint16_t*>(SurfacePixels_allocate(bytes));
    if (!block) return false;
    pixels_ = block;
    width_ = int16_t(width);
    height_ = int16_t(height);
    pitch_ = width;
    return true;
}

static Surface* createOwned(int32_t width, int32_t height, uint8_t format);

Surface* Surface::createOpaque(int32_t width, int32_t height) {
    return createOwned(width, height, SURFACE_OPAQUE);
}

Surface* Surface::createAlpha(int32_t width, int32_t height) {
    return createOwned(width, height, SURFACE_ALPHA);
}

namespace {
// Surface's constructor is protected; this is how the factories reach it.
struct OwnedSurface : Surface {
    OwnedSurface(uint16_t* p, int32_t w, int32_t h, uint8_t f) : Surface(p, w, h, w, f, true) {}
};
}  // namespace

static Surface* createOwned(int32_t width, int32_t height, uint8_t format) {
    if (!sizeInRange(width, height)) return nullptr;
    size_t bytes = SurfacePixels_size(width, height, format);
    uint16_t* block = nullptr;
    if (bytes) {
        block = static_cast<uint16_t*>(SurfacePixels_allocate(bytes));
        if (!block) return nullptr;
    }
    auto* s = new (std::nothrow) OwnedSurface(block, width, height, format);
    if (!s && block) SurfacePixels_free(block, bytes);
    return s;
}

Surface* Surface::wrap(uint16_t* pixels, int32_t width, int32_t height, uint8_t format) {
    if (!pixels || !sizeInRange(width, height) || format < SURFACE_OPAQUE || format > SURFACE_ALPHA)
        return nullptr;
    return new (std::nothrow) OwnedSurface(pixels, width, height, format);
}

TextSurface::TextSurface(uint16_t* pixels, int32_t width, int32_t height, int32_t pitch,
                         HBITMAP bitmap, HDC dc)
    : Surface(pixels, width, height, pitch, SURFACE_OPAQUE, false), bitmap_(bitmap), dc_(dc),
      previous_(SelectObject(dc, bitmap)) {}

TextSurface::~TextSurface() {
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

TextSurface* TextSurface::create(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || !sizeInRange(width, height)) return nullptr;
    int32_t pitch = (width + 1) & ~1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 16;
    info.bmiHeader.biCompression = BI_BITFIELDS;
    info.bmiHeader.biSizeImage = DWORD(pitch * height * 2);
    info.bmiColors[0] = 0xF800;
    info.bmiColors[1] = 0x07E0;
    info.bmiColors[2] = 0x001F;
    HDC window = GetDC(HAL_getMainWindow());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = bitmap ? CreateCompatibleDC(window) : nullptr;
    ReleaseDC(HAL_getMainWindow(), window);
    if (!bitmap || !dc) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    auto* s = new (std::nothrow)
        TextSurface(static_cast<uint16_t*>(bits), width, height, pitch, bitmap, dc);
    if (!s) {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    return s;
}

// --- the screen buffer --------------------------------------------------------

ScreenBuffer::ScreenBuffer(NativeDisplayable* owner) : canvas(owner) {}

ScreenBuffer::~ScreenBuffer() {
    std::vector<ResizeListener*> left;
    left.swap(listeners);
    for (ResizeListener* l : left) l->bufferDeleted();
    delete surface;
    if (canvas && canvas->screenListener == this) canvas->screenListener = nullptr;
}

void ScreenBuffer::sizeChanged() {
    jint w = canvas->getWidth();
    jint h = canvas->getHeight();
    if (w == width && h == height) return;
    if (!surface) {
        surface = Surface::createOpaque(std::max(w, 0), std::max(h, 0));
    } else {
        surface->resize(std::max(w, 0), std::max(h, 0));
    }
    width = w;
    height = h;
    for (size_t i = 0; i < listeners.size(); ++i) listeners[i]->sizeNotification();
}

void ScreenBuffer::present() {
    if (!surface || !surface->pixels() || surface->width() < 1 || surface->height() < 1) return;
    HWND window = HAL_getMainWindow();
    HDC windowDc = GetDC(window);
    HBITMAP bitmap = CreateBitmap(surface->width(), surface->height(), 1, 16, surface->pixels());
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BitBlt(windowDc, 0, 0, surface->width(), surface->height(), memoryDc, 0, 0, SRCCOPY);
    if (previous) SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    ReleaseDC(window, windowDc);
}

static void presentBuffer(void* argument) { static_cast<ScreenBuffer*>(argument)->present(); }

void ScreenBuffer::presentPending() { HAL_presentIfPending(&handshake, &presentBuffer, this); }

void ScreenBuffer::addListener(ResizeListener* listener) { listeners.push_back(listener); }

void ScreenBuffer::removeListener(ResizeListener* listener) {
    auto it = std::find(listeners.begin(), listeners.end(), listener);
    if (it != listeners.end()) listeners.erase(it);
}

int32_t HAL_createScreenBuffer(NativeDisplayable* canvas, ScreenBuffer** out) {
    if (!canvas || !out) return HAL_BAD_ARGUMENT;
    auto* buffer = new (std::nothrow) ScreenBuffer(canvas);
    if (!buffer) return HAL_OUT_OF_MEMORY;
    buffer->listeners.reserve(8);
    canvas->screenListener = buffer;
    buffer->sizeChanged();
    *out = buffer;
    return HAL_OK;
}

int32_t HAL_getScreenBufferSize(ScreenBuffer* buffer, jint* width, jint* height) {
    if (!buffer || (!width && !height)) return HAL_BAD_ARGUMENT;
    if (width) *width = buffer->width;
    if (height) *height = buffer->height;
    return HAL_OK;
}

int32_t HAL_flushScreenBuffer(ScreenBuffer* buffer) {
    if (!buffer) return HAL_BAD_ARGUMENT;
    HAL_flushAndWait(buffer, &buffer->handshake, &presentBuffer, buffer);
    return HAL_OK;
}

int32_t HAL_flushScreenBufferRegion(ScreenBuffer* buffer, jint, jint, jint, jint) {
    return HAL_flushScreenBuffer(buffer);
}

int32_t HAL_deleteScreenBuffer(ScreenBuffer* buffer) {
    if (!buffer) return HAL_BAD_ARGUMENT;
    delete buffer;
    return HAL_OK;
}
