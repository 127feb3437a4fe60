#include "javax_microedition_lcdui_Image.h"

#include <algorithm>
#include <string>
#include <vector>

#include "HAL_graphics.h"
#include "HAL_status.h"
#include "VMTry.h"
#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_OutOfMemoryError.h"
#include "javax_microedition_lcdui_Graphics.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Image, "javax.microedition.lcdui.Image")

namespace javax::microedition::lcdui {

using java::lang::IllegalArgumentException;

Image::~Image() {
    if (handle) HAL_deleteImage(handle);
    handle = nullptr;
}

VMPtr<Image> Image::wrap(NativeImage* native, jint w, jint h, jboolean isMutable) {
    VMPtr<Image> image;
    vmTryCatch([&] { image = make(); },
               [&](const VMPtr<VMException>& e) {
                   // The native image would be lost with nobody to release it.
                   HAL_deleteImage(native);
                   e->throwSelf();
               });
    image->handle = native;
    image->width = w;
    image->height = h;
    image->mutable_ = isMutable;
    return image;
}

VMPtr<Image> Image::createImage(const VMPtr<java::lang::String>& name) {
    clinit();
    if (name == nullptr) vmThrowNullPointer();
    VMPtr<java::lang::String> resolved = classRecord()->resolveResourceName(name);
    jint n = resolved->length();
    const jchar* chars = n ? resolved->value->elements() + resolved->offset : nullptr;
    NativeImage* native = nullptr;
    jint w = 0, h = 0;
    int32_t status = HAL_createImageWithResource(&native, chars, n, &w, &h);
    switch (status) {
        case HAL_OK:
            return wrap(native, w, h, false);
        // Bytes the decoder rejects as no image at all come back as a bad
        // argument: they are as corrupt as malformed ones.
        case HAL_BAD_ARGUMENT:
        case HAL_NOT_FOUND:
        case HAL_MALFORMED:
        case HAL_IO_ERROR: {
            std::string text = "HAL_createImageWithResource() error: " + std::to_string(status);
            java::io::IOException::throwNew(java::lang::String::make(text.c_str()));
        }
        case HAL_OUT_OF_MEMORY:
            java::lang::OutOfMemoryError::throwNew();
        default:
            vmFatalError("HAL_createImageWithResource() failed.");
    }
}

VMPtr<Image> Image::createImage(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    if (data == nullptr) vmThrowNullPointer();
    if (offset < 0 || offset >= data->length || length < 0 ||
        int64_t(offset) + length > data->length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    NativeImage* native = nullptr;
    jint w = 0, h = 0;
    int32_t status = HAL_createImageWithData(
        &native, reinterpret_cast<const uint8_t*>(data->elements() + offset), length, &w, &h);
    switch (status) {
        case HAL_OK:
            return wrap(native, w, h, false);
        // No bytes, or bytes the decoder can't make an image of, are bad
        // data like malformed ones, never a reason to stop.
        case HAL_BAD_ARGUMENT:
        case HAL_MALFORMED:
            IllegalArgumentException::throwNew(
                WREN_LIT("HAL_createImageWithData() error: HAL_BAD_FORMAT_ERR"));
        case HAL_OUT_OF_MEMORY:
            java::lang::OutOfMemoryError::throwNew();
        default:
            vmFatalError("HAL_createImageWithData() failed.");
    }
}

VMPtr<Image> Image::createRGBImage(const VMPtr<VMArray<jint>>& rgb, jint width, jint height,
                                   jboolean processAlpha) {
    clinit();
    if (rgb == nullptr) vmThrowNullPointer();
    if (width < 1 || height < 1) IllegalArgumentException::throwNew();
    if (int64_t(width) * height > rgb->length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    NativeImage* native = nullptr;
    int32_t status =
        HAL_createImageWithRGB(&native, rgb->elements(), rgb->length, width, height, processAlpha);
    switch (status) {
        case HAL_OK:
            return wrap(native, width, height, false);
        // A side past what a surface can hold: the caller's size is at fault.
        case HAL_BAD_ARGUMENT:
            IllegalArgumentException::throwNew();
        case HAL_OUT_OF_MEMORY:
            java::lang::OutOfMemoryError::throwNew();
        default:
            vmFatalError("HAL_createImageWithRGB() failed.");
    }
}

VMPtr<Image> Image::createImage(const VMPtr<Image>& source, jint x, jint y, jint w, jint h,
                                jint transform) {
    clinit();
    if (source == nullptr) vmThrowNullPointer();
    if (x < 0 || y < 0 || w < 1 || h < 1 || int64_t(x) + w > source->width ||
        int64_t(y) + h > source->height || transform < 0 || transform > 7)
        IllegalArgumentException::throwNew();
    std::vector<jint> region(size_t(w) * size_t(h));
    if (HAL_getImmutableRGB(source->handle, region.data(), int64_t(region.size()), w, x, y, w, h) !=
        HAL_OK)
        vmFatalError("HAL_getImmutableRGB() failed.");
    // Bit 0 reverses the rows, bit 1 the columns, bit 2 swaps the axes: the
    // renderer's reading of the eight transforms.
    bool revRows = transform & 1, revCols = transform & 2, swap = transform & 4;
    jint tw = swap ? h : w, th = swap ? w : h;
    std::vector<jint> turned(region.size());
    for (jint ty = 0; ty < th; ++ty)
        for (jint tx = 0; tx < tw; ++tx) {
            jint sx = swap ? ty : tx, sy = swap ? tx : ty;
            if (revCols) sx = w - 1 - sx;
            if (revRows) sy = h - 1 - sy;
            turned[size_t(ty) * size_t(tw) + size_t(tx)] = region[size_t(sy) * size_t(w) + size_t(sx)];
        }
    NativeImage* native = nullptr;
    int32_t status = HAL_createImageWithRGB(&native, turned.data(), jint(turned.size()), tw, th,
                                            source->hasAlpha());
    if (status == HAL_OUT_OF_MEMORY) java::lang::OutOfMemoryError::throwNew();
    if (status != HAL_OK) vmFatalError("HAL_createImageWithRGB() failed.");
    return wrap(native, tw, th, false);
}

VMPtr<Image> Image::createImage(jint width, jint height, jboolean withAlpha, jint fillColor) {
    clinit();
    if (width < 0 || height < 0) IllegalArgumentException::throwNew();
    NativeImage* native = nullptr;
    int32_t status = withAlpha ? HAL_createTransparentMutableImage(&native, width, height)
                               : HAL_createMutableImage(&native, width, height);
    if (status == HAL_BAD_ARGUMENT) IllegalArgumentException::throwNew();
    if (status == HAL_OUT_OF_MEMORY) java::lang::OutOfMemoryError::throwNew();
    if (status != HAL_OK)
        vmFatalError(withAlpha ? "HAL_createTransparentMutableImage() failed."
                               : "HAL_createMutableImage() failed.");
    VMPtr<Image> image = wrap(native, width, height, true);
    VMPtr<Graphics> g = Graphics::createForImage(image);
    g->setAlphaColor(withAlpha ? fillColor : jint(uint32_t(fillColor) | 0xFF000000u));
    g->fillRect(0, 0, width, height);
    g->dispose();
    return image;
}

VMPtr<Graphics> Image::getGraphics() {
    if (!mutable_) java::lang::IllegalStateException::throwNew();
    return Graphics::createForImage(this);
}

jint Image::getWidth() { return width; }
jint Image::getHeight() { return height; }
jboolean Image::isMutable() { return mutable_; }

jboolean Image::hasAlpha() {
    if (!hasAlphaCached) {
        jboolean answer = false;
        int32_t status = mutable_ ? HAL_getMutableHasAlpha(handle, &answer)
                                  : HAL_getImmutableHasAlpha(handle, &answer);
        if (status != 0 && status != 1)
            vmFatalError(mutable_ ? "HAL_getMutableHasAlpha() failed."
                                  : "HAL_getImmutableHasAlpha() failed.");
        hasAlphaValue = answer;
        hasAlphaCached = true;
    }
    return hasAlphaValue;
}

void Image::getRGB(const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanlength, jint x, jint y,
                   jint w, jint h) {
    if (x < 0 || y < 0 || int64_t(x) + w > width || int64_t(y) + h > height)
        IllegalArgumentException::throwNew();
    if ((scanlength < 0 ? -int64_t(scanlength) : int64_t(scanlength)) < w)
        IllegalArgumentException::throwNew();
    if (w < 1 || h < 1) return;
    if (rgb == nullptr) vmThrowNullPointer();
    // Both the first and the last row must lie in the array, whichever way
    // the rows run.
    int64_t last = int64_t(h - 1) * scanlength;
    int64_t lowest = int64_t(offset) + std::min<int64_t>(0, last);
    int64_t highest = int64_t(offset) + std::max<int64_t>(0, last) + w;
    if (offset < 0 || lowest < 0 || highest > rgb->length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    jint* out = rgb->elements();
    int32_t status;
    if (scanlength >= w) {
        status = mutable_ ? HAL_getMutableRGB(handle, out + offset, rgb->length - offset,
                                              scanlength, x, y, w, h)
                          : HAL_getImmutableRGB(handle, out + offset, rgb->length - offset,
                                                scanlength, x, y, w, h);
    } else {
        // Rows running backwards: read into rows of their own, then place.
        std::vector<jint> rows(size_t(w) * size_t(h));
        status = mutable_
                     ? HAL_getMutableRGB(handle, rows.data(), int64_t(rows.size()), w, x, y, w, h)
                     : HAL_getImmutableRGB(handle, rows.data(), int64_t(rows.size()), w, x, y, w, h);
        if (status == HAL_OK)
            for (jint r = 0; r < h; ++r)
                std::copy_n(rows.begin() + int64_t(r) * w, w,
                            out + offset + int64_t(r) * scanlength);
    }
    if (status != HAL_OK)
        vmFatalError(mutable_ ? "HAL_getMutableRGB() failed." : "HAL_getImmutableRGB() failed.");
}

}  // namespace javax::microedition::lcdui
