#include "javax_microedition_lcdui_Graphics.h"

#include <algorithm>
#include <vector>

#include "HAL_fonts.h"
#include "HAL_graphics.h"
#include "HAL_status.h"
#include "HAL_surface.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_StringIndexOutOfBoundsException.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Graphics, "javax.microedition.lcdui.Graphics")

namespace javax::microedition::lcdui {

using java::lang::IllegalArgumentException;

namespace {

// A translated coordinate as a clip bound: below 0 it is 0, past the target
// it is the target's size. Summed in 64 bits, so a huge value or
// translation lands on the side it points to instead of wrapping.
jint clampedBound(jint value, jint translation, jint limit) {
    int64_t d = int64_t(value) + translation;
    return jint(std::clamp<int64_t>(d, 0, limit));
}

// Exactly one bit of `group` set in `anchor`.
bool oneOf(jint anchor, jint group) {
    jint bits = anchor & group;
    return bits != 0 && (bits & (bits - 1)) == 0;
}

// TOP or LEFT alone and 0 always pass; otherwise 1..127 without the
// forbidden bit, with exactly one horizontal and one vertical position.
bool anchorValid(jint anchor, jint forbidden) {
    if (anchor == 0 || anchor == Graphics::TOP || anchor == Graphics::LEFT) return true;
    if (anchor < 1 || anchor > 127 || (anchor & forbidden)) return false;
    return oneOf(anchor, Graphics::LEFT | Graphics::HCENTER | Graphics::RIGHT) &&
           oneOf(anchor, Graphics::TOP | Graphics::VCENTER | Graphics::BOTTOM | Graphics::BASELINE);
}

bool textAnchorValid(jint anchor) { return anchorValid(anchor, Graphics::VCENTER); }
bool imageAnchorValid(jint anchor) { return anchorValid(anchor, Graphics::BASELINE); }

// Moves (x, y) from the anchor point to the top-left corner of a w by h box.
void offsetByAnchor(jint anchor, jint w, jint h, jint& x, jint& y) {
    if (anchor & Graphics::HCENTER) x -= w >> 1;
    else if (anchor & Graphics::RIGHT) x -= w;
    if (anchor & Graphics::VCENTER) y -= h >> 1;
    else if (anchor & Graphics::BOTTOM) y -= h;
}

// offset, length and offset + length each within 0..size.
bool rangeValid(jint offset, jint length, jint size) {
    return offset >= 0 && length >= 0 && int64_t(offset) + length <= size;
}

}  // namespace

Graphics::~Graphics() {
    if (native) HAL_deleteGraphics(native);
    native = nullptr;
}

// --- creation -------------------------------------------------------------------

VMPtr<Graphics> Graphics::createForImage(const VMPtr<Image>& image) {
    clinit();
    VMPtr<Graphics> g = make();
    if (HAL_createGraphicsWithImage(&g->native, image->handle) != HAL_OK)
        vmFatalError("HAL_createGraphicsWithImage() failed.");
    g->reset(image->width, image->height);
    g->targetImage = image;
    return g;
}

VMPtr<Graphics> Graphics::createForScreenBuffer(ScreenBuffer* buffer) {
    clinit();
    VMPtr<Graphics> g = make();
    if (HAL_createGraphicsWithScreenBuffer(&g->native, buffer) != HAL_OK)
        vmFatalError("HAL_createGraphicsWithScreenBuffer() failed.");
    jint w = 0, h = 0;
    if (HAL_getScreenBufferSize(buffer, &w, &h) != HAL_OK)
        vmFatalError("HAL_getScreenBufferSize() failed.");
    g->reset(w, h);
    return g;
}

VMPtr<Graphics> Graphics::createForNativeContext(NativeGraphics* context) {
    clinit();
    VMPtr<Graphics> g = make();
    g->native = context;
    const Surface* target = context ? context->target : nullptr;
    g->reset(target ? target->width() : 0, target ? target->height() : 0);
    return g;
}

void Graphics::resetForScreenBuffer(ScreenBuffer* buffer) {
    jint w = 0, h = 0;
    if (HAL_getScreenBufferSize(buffer, &w, &h) != HAL_OK)
        vmFatalError("HAL_getScreenBufferSize() failed.");
    reset(w, h);
    // The context may carry a colour, font or stroke from the last frame.
    HAL_setColor(native, jint(0xFF000000u));
    HAL_setFont(native, font->record);
    HAL_setStrokeStyle(native, SOLID);
}

void Graphics::reset(jint width, jint height) {
    targetWidth = jshort(width & 0x7FFF);
    targetHeight = jshort(height & 0x7FFF);
    translateX = 0;
    translateY = 0;
    setClip(0, 0, targetWidth, targetHeight);
    font = Font::getDefaultFont();
    gray = 0;
    grayValid = true;
    alpha = 255;
    strokeStyle = SOLID;
    rgb = 0;
    blendingMode = 0;
}

void Graphics::drawScreenBuffer(ScreenBuffer* buffer) {
    HAL_drawScreenBuffer(native, buffer, translateX, translateY);
}

void Graphics::dispose() {
    if (native) HAL_deleteGraphics(native);
    native = nullptr;
}

jint Graphics::deviceX(jint x) const { return x + translateX; }
jint Graphics::deviceY(jint y) const { return y + translateY; }

// --- translation and colour -----------------------------------------------------

void Graphics::translate(jint x, jint y) {
    translateX += x;
    translateY += y;
}

jint Graphics::getTranslateX() { return translateX; }
jint Graphics::getTranslateY() { return translateY; }
jint Graphics::getColor() { return rgb; }
jint Graphics::getRedComponent() { return (rgb >> 16) & 0xFF; }
jint Graphics::getGreenComponent() { return (rgb >> 8) & 0xFF; }
jint Graphics::getBlueComponent() { return rgb & 0xFF; }

jint Graphics::getGrayScale() {
    if (!grayValid) {
        gray = (76 * getRedComponent() + 150 * getGreenComponent() + 29 * getBlueComponent()) >> 8;
        grayValid = true;
    }
    return gray;
}

void Graphics::pushColour() { HAL_setColor(native, jint((uint32_t(alpha) << 24) | uint32_t(rgb))); }

void Graphics::setColor(jint value) {
    jint c = value & 0xFFFFFF;
    if (c == rgb) return;
    rgb = c;
    grayValid = false;
    pushColour();
}

void Graphics::setColor(jint red, jint green, jint blue) {
    if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255)
        IllegalArgumentException::throwNew();
    rgb = (red << 16) | (green << 8) | blue;
    grayValid = false;
    pushColour();
}

void Graphics::setGrayScale(jint value) {
    if (value < 0 || value > 255) IllegalArgumentException::throwNew();
    if (grayValid && gray == value) return;
    rgb = (value << 16) | (value << 8) | value;
    gray = value;
    grayValid = true;
    pushColour();
}

jint Graphics::getAlphaColor() { return rgb | jint(uint32_t(alpha) << 24); }

void Graphics::setAlphaColor(jint argb) {
    jint c = argb & 0xFFFFFF;
    jint a = jint(uint32_t(argb) >> 24);
    if (c == rgb && a == alpha) return;
    if (c != rgb) grayValid = false;
    rgb = c;
    alpha = a;
    pushColour();
}

void Graphics::setAlphaColor(jint a, jint red, jint green, jint blue) {
    if (a < 0 || a > 255 || red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 ||
        blue > 255)
        IllegalArgumentException::throwNew();
    setAlphaColor(jint((uint32_t(a) << 24) | uint32_t(red << 16) | uint32_t(green << 8) |
                       uint32_t(blue)));
}

jint Graphics::getAlpha() { return alpha; }

void Graphics::setAlpha(jint a) {
    if (a < 0 || a > 255) IllegalArgumentException::throwNew();
    if (a == alpha) return;
    alpha = a;
    pushColour();
}

jint Graphics::getBlendingMode() { return blendingMode; }

void Graphics::setBlendingMode(jint mode) {
    bool accepted = mode == 0 || (mode == 1 && targetImage != nullptr && targetImage->hasAlpha());
    if (!accepted) IllegalArgumentException::throwNew();
    blendingMode = mode;
}

jint Graphics::getDisplayColor(jint color) { return HAL_getDisplayColor(native, color); }

// --- font and stroke -----------------------------------------------------------------

VMPtr<Font> Graphics::getFont() { return font; }

void Graphics::setFont(const VMPtr<Font>& f) {
    font = f != nullptr ? f : Font::getDefaultFont();
    HAL_setFont(native, font->record);
}

jint Graphics::getStrokeStyle() { return strokeStyle; }

void Graphics::setStrokeStyle(jint style) {
    if (style != SOLID && style != DOTTED) IllegalArgumentException::throwNew();
    strokeStyle = style;
    HAL_setStrokeStyle(native, style);
}

// --- clip ------------------------------------------------------------------------------

jint Graphics::getClipX() { return clipX1 - translateX; }
jint Graphics::getClipY() { return clipY1 - translateY; }
jint Graphics::getClipWidth() { return clipX2 - clipX1; }
jint Graphics::getClipHeight() { return clipY2 - clipY1; }

namespace {
void emptyClip(Graphics* g) {
    g->clipX1 = g->clipY1 = g->clipX2 = g->clipY2 = 0;
    g->clipNarrowed = true;
    HAL_setClip(g->native, 0, 0, 0, 0);
}
}  // namespace

void Graphics::setClip(jint x, jint y, jint width, jint height) {
    if (width < 1 || height < 1) {
        emptyClip(this);
        return;
    }
    jint x1 = clampedBound(x, translateX, targetWidth);
    jint y1 = clampedBound(y, translateY, targetHeight);
    if (x1 >= targetWidth || y1 >= targetHeight) {
        emptyClip(this);
        return;
    }
    jint x2 = jint(std::clamp<int64_t>(int64_t(x) + translateX + width, x1, targetWidth));
    jint y2 = jint(std::clamp<int64_t>(int64_t(y) + translateY + height, y1, targetHeight));
    clipX1 = jshort(x1);
    clipY1 = jshort(y1);
    clipX2 = jshort(x2);
    clipY2 = jshort(y2);
    clipNarrowed = !(x1 == 0 && y1 == 0 && x2 == targetWidth && y2 == targetHeight);
    HAL_setClip(native, x1, y1, x2 - x1, y2 - y1);
}

void Graphics::clipRect(jint x, jint y, jint width, jint height) {
    if (width < 1 || height < 1) {
        emptyClip(this);
        return;
    }
    jint cx = clampedBound(x, translateX, targetWidth);
    jint cy = clampedBound(y, translateY, targetHeight);
    if (cx > clipX2 || cy > clipY2) {
        emptyClip(this);
        return;
    }
    jint fx = jint(std::clamp<int64_t>(int64_t(x) + translateX + width, 0, targetWidth));
    jint fy = jint(std::clamp<int64_t>(int64_t(y) + translateY + height, 0, targetHeight));
    jint x1 = std::max<jint>(clipX1, cx), y1 = std::max<jint>(clipY1, cy);
    if (fx < x1 || fy < y1) {
        emptyClip(this);
        return;
    }
    clipX1 = jshort(x1);
    clipY1 = jshort(y1);
    clipX2 = jshort(std::min<jint>(clipX2, fx));
    clipY2 = jshort(std::min<jint>(clipY2, fy));
    clipNarrowed = !(clipX1 == 0 && clipY1 == 0 && clipX2 == targetWidth && clipY2 == targetHeight);
    HAL_clipRect(native, cx, cy, fx - cx, fy - cy);
}

// --- shapes ------------------------------------------------------------------------------

void Graphics::drawLine(jint x1, jint y1, jint x2, jint y2) {
    HAL_drawLine(native, deviceX(x1), deviceY(y1), deviceX(x2), deviceY(y2));
}

void Graphics::fillRect(jint x, jint y, jint width, jint height) {
    HAL_fillRect(native, deviceX(x), deviceY(y), width, height);
}

void Graphics::drawRect(jint x, jint y, jint width, jint height) {
    HAL_drawRect(native, deviceX(x), deviceY(y), width, height);
}

namespace {
// A negative arc is 0; one past half the side is half the side.
jint limitArc(jint arc, jint side) { return arc < 0 ? 0 : std::min(arc, side >> 1); }
}  // namespace

void Graphics::drawRoundRect(jint x, jint y, jint width, jint height, jint arcWidth,
                             jint arcHeight) {
    jint aw = limitArc(arcWidth, width), ah = limitArc(arcHeight, height);
    if (aw == 0 || ah == 0)
        HAL_drawRect(native, deviceX(x), deviceY(y), width, height);
    else
        HAL_drawRoundRect(native, deviceX(x), deviceY(y), width, height, aw, ah);
}

void Graphics::fillRoundRect(jint x, jint y, jint width, jint height, jint arcWidth,
                             jint arcHeight) {
    jint aw = limitArc(arcWidth, width), ah = limitArc(arcHeight, height);
    if (aw == 0 || ah == 0)
        HAL_fillRect(native, deviceX(x), deviceY(y), width, height);
    else
        HAL_fillRoundRect(native, deviceX(x), deviceY(y), width, height, aw, ah);
}

void Graphics::fillArc(jint x, jint y, jint width, jint height, jint startAngle, jint arcAngle) {
    HAL_fillArc(native, deviceX(x), deviceY(y), width, height, startAngle, arcAngle);
}

void Graphics::drawArc(jint x, jint y, jint width, jint height, jint startAngle, jint arcAngle) {
    HAL_drawArc(native, deviceX(x), deviceY(y), width, height, startAngle, arcAngle);
}

void Graphics::fillTriangle(jint x1, jint y1, jint x2, jint y2, jint x3, jint y3) {
    HAL_fillTriangle(native, deviceX(x1), deviceY(y1), deviceX(x2), deviceY(y2), deviceX(x3),
                     deviceY(y3));
}

void Graphics::fillGradient(jint x, jint y, jint width, jint height, jint color1, jint color2,
                            jboolean byColumns) {
    HAL_fillGradient(native, deviceX(x), deviceY(y), width, height, color1, color2, byColumns);
}

void Graphics::reservedDraw(jint a, jint b, jint c, jint d, jint e) {}

// --- text ----------------------------------------------------------------------------------

void Graphics::drawText(const jchar* chars, jint length, jint x, jint y, jint anchor) {
    x = deviceX(x);
    y = deviceY(y);
    if (!(anchor & LEFT)) {
        jint width = HAL_getStringWidth(font->record, chars, length);
        if (anchor & RIGHT) x -= width;
        else if (anchor & HCENTER) x -= width / 2;
    }
    if (!(anchor & TOP)) {
        if (anchor & BASELINE) y -= font->getBaselinePosition();
        else if (anchor & BOTTOM) y -= font->getHeight();
    }
    HAL_drawString(native, chars, length, x, y);
}

void Graphics::drawString(const VMPtr<java::lang::String>& str, jint x, jint y, jint anchor) {
    if (str == nullptr) vmThrowNullPointer();
    if (anchor == 0) anchor = TOP | LEFT;
    if (!textAnchorValid(anchor)) IllegalArgumentException::throwNew();
    jint n = str->length();
    drawText(n ? str->value->elements() + str->offset : nullptr, n, x, y, anchor);
}

void Graphics::drawSubstring(const VMPtr<java::lang::String>& str, jint offset, jint len, jint x,
                             jint y, jint anchor) {
    if (str == nullptr) vmThrowNullPointer();
    if (!rangeValid(offset, len, str->length()))
        java::lang::StringIndexOutOfBoundsException::throwNew();
    drawText(len ? str->value->elements() + str->offset + offset : nullptr, len, x, y, anchor);
}

void Graphics::drawChar(jchar character, jint x, jint y, jint anchor) {
    drawText(&character, 1, x, y, anchor);
}

void Graphics::drawChars(const VMPtr<VMArray<jchar>>& data, jint offset, jint length, jint x,
                         jint y, jint anchor) {
    if (data == nullptr) vmThrowNullPointer();
    if (!rangeValid(offset, length, data->length))
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    drawText(length ? data->elements() + offset : nullptr, length, x, y, anchor);
}

// --- images ----------------------------------------------------------------------------------

void Graphics::drawImage(const VMPtr<Image>& img, jint x, jint y, jint anchor) {
    if (img == nullptr) vmThrowNullPointer();
    if (!imageAnchorValid(anchor)) IllegalArgumentException::throwNew();
    offsetByAnchor(anchor, img->width, img->height, x, y);
    HAL_drawImage(native, img->handle, deviceX(x), deviceY(y));
}

void Graphics::drawRegion(const VMPtr<Image>& src, jint xSrc, jint ySrc, jint width, jint height,
                          jint transform, jint xDest, jint yDest, jint anchor) {
    if (src == nullptr) vmThrowNullPointer();
    if ((transform & ~0x307) != 0 || !imageAnchorValid(anchor) || src == targetImage ||
        width < 0 || height < 0 || xSrc < 0 || ySrc < 0 ||
        int64_t(xSrc) + width > src->width || int64_t(ySrc) + height > src->height)
        IllegalArgumentException::throwNew();
    bool swapped = (transform & 4) != 0;
    offsetByAnchor(anchor, swapped ? height : width, swapped ? width : height, xDest, yDest);
    auto draw = [&](jint t) {
        return src->isMutable() ? HAL_drawMutableRegion(native, src->handle, xSrc, ySrc, width,
                                                        height, t, deviceX(xDest), deviceY(yDest))
                                : HAL_drawRegion(native, src->handle, xSrc, ySrc, width, height, t,
                                                 deviceX(xDest), deviceY(yDest));
    };
    // The region was checked above, so a refusal is the per-pixel-alpha hint
    // on an image without an alpha plane: that hint can't be honoured, but
    // the pixels can, in the image's own format.
    if (draw(transform) == HAL_BAD_ARGUMENT && (transform >> 8) == 3) draw(transform & 7);
}

void Graphics::copyArea(jint xSrc, jint ySrc, jint width, jint height, jint xDest, jint yDest,
                        jint anchor) {
    if (targetImage == nullptr) java::lang::IllegalStateException::throwNew();
    int64_t sx = int64_t(xSrc) + translateX, sy = int64_t(ySrc) + translateY;
    if (width < 0 || height < 0 || sx < 0 || sy < 0 || sx + width > targetWidth ||
        sy + height > targetHeight || !imageAnchorValid(anchor))
        IllegalArgumentException::throwNew();
    offsetByAnchor(anchor, width, height, xDest, yDest);
    if (HAL_copyArea(native, jint(sx), jint(sy), width, height, deviceX(xDest), deviceY(yDest)) == 0)
        IllegalArgumentException::throwNew();
}

void Graphics::drawRGB(const VMPtr<VMArray<jint>>& rgbData, jint offset, jint scanlength, jint x,
                       jint y, jint width, jint height, jboolean processAlpha) {
    if (rgbData == nullptr) vmThrowNullPointer();
    int64_t length = rgbData->length;
    int64_t last = height == 0 ? 0 : (int64_t(height) - 1) * scanlength;
    int64_t span = width == 0 ? 0 : int64_t(width) - 1;
    int64_t far = int64_t(offset) + span + (scanlength >= 0 ? last : 0);
    int64_t near = int64_t(offset) + (scanlength < 0 ? last : 0);
    if (far < 0 || far >= length || near < 0 || near >= length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    if (width <= 0 || height <= 0 || !native) return;
    // Only the part inside the clip is handed over: the rest would not show,
    // and a huge rectangle of few distinct rows (a scanlength of 0) stays
    // small.
    int64_t dx = int64_t(x) + translateX, dy = int64_t(y) + translateY;
    int64_t x0 = std::max<int64_t>(dx, clipX1), y0 = std::max<int64_t>(dy, clipY1);
    int64_t x1 = std::min<int64_t>(dx + width, clipX2), y1 = std::min<int64_t>(dy + height, clipY2);
    if (x0 >= x1 || y0 >= y1) return;
    jint w = jint(x1 - x0), h = jint(y1 - y0);
    int64_t first = int64_t(offset) + (y0 - dy) * scanlength + (x0 - dx);
    const jint* pixels = rgbData->elements();
    if (scanlength >= w) {
        HAL_drawRGB(native, pixels + first, length - first, scanlength, jint(x0), jint(y0), w, h,
                    processAlpha);
        return;
    }
    // Rows that run backwards or overlap: gathered into rows of their own.
    std::vector<jint> rows(size_t(w) * size_t(h));
    for (jint r = 0; r < h; ++r)
        std::copy_n(pixels + first + int64_t(r) * scanlength, w, rows.begin() + int64_t(r) * w);
    HAL_drawRGB(native, rows.data(), int64_t(rows.size()), w, jint(x0), jint(y0), w, h,
                processAlpha);
}

}  // namespace javax::microedition::lcdui
