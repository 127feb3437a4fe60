// The drawing face of the bridge: native images (reference-counted
// surfaces), native graphics contexts that draw into an image, a screen
// buffer or the text surface, the entry points the Graphics and Image
// classes call, and decoding of encoded images into RGB565 surfaces.
#pragma once

#include <cstdint>

#include "HAL_surface.h"
#include "VMTypes.h"

struct FontRecord;

struct ClipRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct NativeImage {
    Surface* surface = nullptr;
    int32_t references = 1;
    int16_t width = 0;
    int16_t height = 0;

    void addReference() { ++references; }
    // Deletes the surface and the record at zero.
    void release();
};

// Made from a surface it takes over; null (the surface deleted) when the
// record cannot be made.
NativeImage* NativeImage_create(Surface* surface);

class NativeGraphics : public ResizeListener {
public:
    ~NativeGraphics() override;
    void sizeNotification() override;
    void bufferDeleted() override;

    // Target, SYSTEM PLAIN MEDIUM font, solid stroke, opaque black, clip the
    // whole target.
    void setTarget(Surface* surface);
    void setColour(uint32_t argb);
    void resetClip();
    // The clip becomes its overlap with the rectangle; with none it keeps its
    // position with width and height 0.
    void intersectClip(int32_t x, int32_t y, int32_t width, int32_t height);

    uint16_t rgb565 = 0;
    uint8_t alpha = 255;
    uint32_t argb = 0xFF000000;
    uint8_t stroke = 0;  // 0 SOLID, 1 DOTTED
    NativeImage* image = nullptr;
    ScreenBuffer* buffer = nullptr;
    Surface* target = nullptr;
    ClipRect clip;
    FontRecord* font = nullptr;
};

// A context on a bare surface (the text context, tests, benchmarks).
NativeGraphics* NativeGraphics_createOnSurface(Surface* surface);

// ARGB ints to a native image: w*h pixels, rows `scanLength` ints apart.
// HAL_BAD_ARGUMENT unless 0 < width, 0 < height, scanLength >= width and
// the array holds (height - 1) * scanLength + width ints; HAL_OUT_OF_MEMORY.
int32_t ArgbToNativeImage(NativeImage** out, const jint* pixels, int64_t count, jint width,
                          jint height, jint scanLength, bool processAlpha);
// Encoded bytes to a native image: HAL_MALFORMED for bytes that do not
// decode, HAL_OUT_OF_MEMORY (after one collection and a retry).
int32_t DecodeImage(NativeImage** out, const uint8_t* bytes, jint length);

int32_t HAL_createGraphicsWithImage(NativeGraphics** out, NativeImage* image);
int32_t HAL_createGraphicsWithScreenBuffer(NativeGraphics** out, ScreenBuffer* buffer);
int32_t HAL_deleteGraphics(NativeGraphics* g);
void HAL_setColor(NativeGraphics* g, jint argb);
jint HAL_getDisplayColor(NativeGraphics* g, jint argb);
void HAL_setFont(NativeGraphics* g, FontRecord* font);
void HAL_setStrokeStyle(NativeGraphics* g, jint style);
void HAL_setClip(NativeGraphics* g, jint x, jint y, jint w, jint h);
void HAL_clipRect(NativeGraphics* g, jint x, jint y, jint w, jint h);
void HAL_drawLine(NativeGraphics* g, jint x1, jint y1, jint x2, jint y2);
void HAL_fillRect(NativeGraphics* g, jint x, jint y, jint w, jint h);
void HAL_drawRect(NativeGraphics* g, jint x, jint y, jint w, jint h);
void HAL_drawRoundRect(NativeGraphics* g, jint x, jint y, jint w, jint h, jint aw, jint ah);
void HAL_fillRoundRect(NativeGraphics* g, jint x, jint y, jint w, jint h, jint aw, jint ah);
void HAL_drawArc(NativeGraphics* g, jint x, jint y, jint w, jint h, jint start, jint arc);
void HAL_fillArc(NativeGraphics* g, jint x, jint y, jint w, jint h, jint start, jint arc);
void HAL_fillTriangle(NativeGraphics* g, jint x1, jint y1, jint x2, jint y2, jint x3, jint y3);
void HAL_drawString(NativeGraphics* g, const jchar* text, jint length, jint x, jint y);
void HAL_drawImage(NativeGraphics* g, NativeImage* image, jint x, jint y);
// `transform` is a MIDP transform (0-7), optionally with bit 8 or 9 (0x100
// draws the source as opaque, 0x200 as colour-keyed, both as with an alpha
// plane). HAL_BAD_ARGUMENT for a null image, any other bit, or a format the
// source can't give.
int32_t HAL_drawRegion(NativeGraphics* g, NativeImage* image, jint xSrc, jint ySrc, jint w, jint h,
                       jint transform, jint xDest, jint yDest);
int32_t HAL_drawMutableRegion(NativeGraphics* g, NativeImage* image, jint xSrc, jint ySrc, jint w,
                              jint h, jint transform, jint xDest, jint yDest);
// `pixels` points at the first pixel and holds `count` ints from there.
// HAL_BAD_ARGUMENT (nothing drawn) when they do not cover the rectangle.
int32_t HAL_drawRGB(NativeGraphics* g, const jint* pixels, int64_t count, jint scanLength, jint x,
                    jint y, jint w, jint h, jboolean processAlpha);
int32_t HAL_copyArea(NativeGraphics* g, jint xSrc, jint ySrc, jint w, jint h, jint xDest,
                     jint yDest);
void HAL_drawScreenBuffer(NativeGraphics* g, ScreenBuffer* buffer, jint x, jint y);
void HAL_fillGradient(NativeGraphics* g, jint x, jint y, jint w, jint h, jint colour1,
                      jint colour2, jboolean byColumns);

int32_t HAL_createImageWithResource(NativeImage** out, const jchar* name, jint length, jint* width,
                                    jint* height);
int32_t HAL_createImageWithData(NativeImage** out, const uint8_t* bytes, jint length, jint* width,
                                jint* height);
int32_t HAL_createImageWithRGB(NativeImage** out, const jint* pixels, jint count, jint width,
                               jint height, jboolean processAlpha);
int32_t HAL_createMutableImage(NativeImage** out, jint width, jint height);
int32_t HAL_createTransparentMutableImage(NativeImage** out, jint width, jint height);
// `destination` is at the offset and holds `count` ints from there;
// HAL_BAD_ARGUMENT when the region is outside the image or the ints don't
// cover it.
int32_t HAL_getImmutableRGB(NativeImage* image, jint* destination, int64_t count, jint scanLength,
                            jint x, jint y, jint w, jint h);
int32_t HAL_getMutableRGB(NativeImage* image, jint* destination, int64_t count, jint scanLength,
                          jint x, jint y, jint w, jint h);
int32_t HAL_getImmutableHasAlpha(NativeImage* image, jboolean* hasAlpha);
int32_t HAL_getMutableHasAlpha(NativeImage* image, jboolean* hasAlpha);
int32_t HAL_deleteImage(NativeImage* image);
// The resource's bytes in a block the caller frees with std::free.
int32_t HAL_loadResource(const jchar* name, jint length, uint8_t** data, jint* size);
