// Surfaces: blocks of RGB565 pixels (optionally followed by an 8-bit alpha
// plane) that every image, frame and text scratch bitmap lives in; and the
// screen buffer, the frame of a game canvas that the game thread draws and
// the UI thread presents to the window with one GDI blit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "HAL_repaint.h"
#include "VMTypes.h"
#include "ce_gdi.h"

class NativeDisplayable;

constexpr uint16_t kColourKey = 0xF81F;

// ARGB to RGB565 by truncation, and back with the low bits zero.
constexpr uint16_t argbTo565(uint32_t c) {
    return uint16_t(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
}
constexpr uint32_t rgb565ToRgb(uint32_t p) {
    return ((p & 0xF800) << 8) | ((p & 0x07E0) << 5) | ((p & 0x001F) << 3);
}

enum SurfaceFormat : uint8_t {
    SURFACE_OPAQUE = 1,
    SURFACE_COLOUR_KEYED = 2,  // pixels equal to kColourKey are transparent
    SURFACE_ALPHA = 3,         // an alpha byte per pixel after the pixel plane
};

// The one allocator of pixel blocks (pixel plane, then the alpha plane).
void* SurfacePixels_allocate(size_t bytes);
void SurfacePixels_free(void* block, size_t bytes);
// Bytes of a block for a surface of this size and format.
size_t SurfacePixels_size(int32_t width, int32_t height, uint8_t format);

class Surface {
public:
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    uint16_t* pixels() const { return pixels_; }
    uint16_t* pixelAt(int32_t x, int32_t y) const { return pixels_ + x + pitch_ * y; }
    // The alpha plane, or null when the surface has none (not format 3).
    uint8_t* alpha() const {
        return format_ == SURFACE_ALPHA && pixels_
                   ? reinterpret_cast<uint8_t*>(pixels_ + size_t(width_) * size_t(height_))
                   : nullptr;
    }
    uint8_t* alphaAt(int32_t x, int32_t y) const {
        uint8_t* a = alpha();
        return a ? a + x + width_ * y : nullptr;
    }
    bool hasTransparency() const { return format_ != SURFACE_OPAQUE; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t pitch() const { return pitch_; }
    uint8_t format() const { return format_; }
    bool ownsPixels() const { return ownsPixels_; }

    // Owned surfaces only: a new block when the size differs (contents are
    // not kept). False when the block cannot be had (the surface is then
    // 0 by 0 with no pixels) or the surface does not own its pixels.
    bool resize(int32_t width, int32_t height);

    // Null when the size is out of range (1..32767) or memory runs out.
    static Surface* createOpaque(int32_t width, int32_t height);
    static Surface* createAlpha(int32_t width, int32_t height);
    // Takes over a block from SurfacePixels_allocate of the size that
    // SurfacePixels_size gives; null (the block untouched) for a bad size or
    // format.
    static Surface* wrap(uint16_t* pixels, int32_t width, int32_t height, uint8_t format);

protected:
    Surface(uint16_t* pixels, int32_t width, int32_t height, int32_t pitch, uint8_t format,
            bool owns);
    uint16_t* pixels_;
    int16_t width_;
    int16_t height_;
    int32_t pitch_;
    uint8_t format_;
    bool ownsPixels_;
};

// The scratch surface GDI renders text into: its pixels are a bottom-up
// DIB section selected into a memory DC, so GDI's top row is the surface's
// last one.
class TextSurface : public Surface {
public:
    ~TextSurface() override;
    // Null when the section cannot be made.
    static TextSurface* create(int32_t width, int32_t height);
    ce::HDC dc() const { return dc_; }

private:
    TextSurface(uint16_t* pixels, int32_t width, int32_t height, int32_t pitch, ce::HBITMAP bitmap,
                ce::HDC dc);
    ce::HBITMAP bitmap_;
    ce::HDC dc_;
    ce::HGDIOBJ previous_;
};

// Told when the screen buffer's surface changes size.
class ResizeListener {
public:
    virtual ~ResizeListener() = default;
    virtual void sizeNotification() = 0;
    // The buffer is going away: stop drawing into it.
    virtual void bufferDeleted() = 0;
};

class ScreenBuffer : public ScreenListener {
public:
    explicit ScreenBuffer(NativeDisplayable* canvas);
    ~ScreenBuffer() override;

    void sizeChanged() override;
    void presentPending() override;
    // One GDI blit of the whole frame to the main window (UI thread).
    void present();
    void addListener(ResizeListener* listener);
    void removeListener(ResizeListener* listener);

    jint width = -1;
    jint height = -1;
    RepaintHandshake handshake;
    NativeDisplayable* canvas;
    Surface* surface = nullptr;
    std::vector<ResizeListener*> listeners;
};

int32_t HAL_createScreenBuffer(NativeDisplayable* canvas, ScreenBuffer** out);
int32_t HAL_getScreenBufferSize(ScreenBuffer* buffer, jint* width, jint* height);
int32_t HAL_flushScreenBuffer(ScreenBuffer* buffer);
// The whole frame is presented, whatever the region.
int32_t HAL_flushScreenBufferRegion(ScreenBuffer* buffer, jint x, jint y, jint width, jint height);
int32_t HAL_deleteScreenBuffer(ScreenBuffer* buffer);
