// The game canvas's drawing and image services over MIDP, text over the rich
// font, fills over the platform extension.

#include "wren_WrenCanvas.h"

#include "VMTry.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_RuntimeException.h"
#include "wren_platform_ExtendedGraphics.h"
#include "wren_util_text_RichFont.h"

namespace wren {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

// --- drawing and image services over MIDP ---------------------------------------------------

void WrenCanvas::fillTriangle(const VMPtr<Graphics>& g, jint x1, jint y1, jint x2, jint y2, jint x3,
                              jint y3) {
    g->fillTriangle(x1, y1, x2, y2, x3, y3);
}

VMPtr<Image> WrenCanvas::createImage(jint width, jint height, jboolean withAlpha,
                                     jint fillColour) {
    return Image::createImage(width, height, withAlpha, fillColour);
}

void WrenCanvas::drawRGB(const VMPtr<Graphics>& g, const VMPtr<VMArray<jint>>& rgb, jint offset,
                         jint scanLength, jint x, jint y, jint width, jint height,
                         jboolean processAlpha) {
    clinit();
    jint tx = g->getTranslateX();
    jint ty = g->getTranslateY();
    if (tx == 0 && ty == 0) {
        g->drawRGB(rgb, offset, scanLength, x, y, width, height, processAlpha);
        return;
    }
    g->translate(-tx, -ty);
    vmTryFinally(
        [&] { g->drawRGB(rgb, offset, scanLength, x + tx, y + ty, width, height, processAlpha); },
        [&] { g->translate(tx, ty); });
}

void WrenCanvas::drawImageRegion(const VMPtr<Image>& image, jint xSrc, jint ySrc, jint width,
                                 jint height, const VMPtr<Graphics>& g, jint x, jint y) {
    clinit();
    g->drawRegion(image, xSrc, ySrc, width, height, 0, x, y, Graphics::TOP | Graphics::LEFT);
}

VMPtr<Image> WrenCanvas::createRGBImage(const VMPtr<VMArray<jint>>& rgb, jint width, jint height,
                                        jboolean processAlpha) {
    clinit();
    return Image::createRGBImage(rgb, width, height, processAlpha);
}

void WrenCanvas::getRGB(const VMPtr<Image>& image, const VMPtr<VMArray<jint>>& rgb, jint offset,
                        jint scanLength, jint x, jint y, jint width, jint height) {
    clinit();
    image->getRGB(rgb, offset, scanLength, x, y, width, height);
}

VMPtr<VMArray<jbyte>> WrenCanvas::toIndexedPixels(const VMPtr<Image>& image,
                                                  const VMPtr<VMArray<jint>>& palette) {
    clinit();
    jint w = image->getWidth();
    jint h = image->getHeight();
    VMPtr<VMArray<jint>> pixels = VMArray<jint>::create(w * h);
    image->getRGB(pixels, 0, w, 0, 0, w, h);
    VMPtr<VMArray<jbyte>> out = VMArray<jbyte>::create(w * h);
    jint n = 0;
    jint keyIndex = -1;
    for (jint i = 0; i < pixels->length; ++i) {
        jint pixel = pixels[i];
        jint j = 0;
        while (j < n && palette[j] != pixel) ++j;
        if (j == n) {
            if (n == palette->length)
                java::lang::IllegalArgumentException::throwNew(
                    WREN_LIT("the image has more colours than the palette holds"));
            palette[n] = pixel;
            if ((pixel & 0xF0F0F0) == 0xF000F0) keyIndex = n;
            n += 1;
        }
        out[i] = jbyte(j);
    }
    if (keyIndex != -1) {
        jint t = palette[0];
        palette[0] = palette[keyIndex];
        palette[keyIndex] = t;
        for (jint i = 0; i < out->length; ++i) {
            jint index = out[i] & 0xFF;
            if (index == 0) out[i] = jbyte(keyIndex);
            else if (index == keyIndex) out[i] = 0;
        }
    }
    return out;
}

VMPtr<String> WrenCanvas::decodeUtf8(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(length);
    jint i = 0;
    jint k = 0;
    while (i < length && (data[offset + i] & 0x80) == 0) chars[k++] = jchar(data[offset + i++]);
    while (i < length) {
        jint b = data[offset + i] & 0xFF;
        jint size = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 0;
        if (size == 0) {
            // Starts no character: one U+0000 for it, and on.
            chars[k++] = 0;
            i += 1;
            continue;
        }
        if (i + size > length) {
            // Cut off by the end.
            chars[k++] = 0;
            break;
        }
        jint c = size == 1   ? b
                 : size == 2 ? ((b & 0x1F) << 6) | (data[offset + i + 1] & 0x3F)
                             : ((b & 0x0F) << 12) | ((data[offset + i + 1] & 0x3F) << 6) |
                                   (data[offset + i + 2] & 0x3F);
        chars[k++] = jchar(c);
        i += size;
    }
    return String::make(chars, 0, k);
}

// --- text over the rich font -----------------------------------------------------------------

using util::text::RichFont;

VMPtr<RichFont> WrenCanvas::getFont() {
    if (defaultFont == nullptr) defaultFont = RichFont::make();
    return defaultFont;
}

jint WrenCanvas::charWidth(jchar ch) { return getFont()->charWidth(ch); }
jint WrenCanvas::charsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length) {
    return getFont()->charsWidth(data, offset, length);
}
jint WrenCanvas::stringWidth(const VMPtr<String>& s) {
    return getFont()->substringWidth(s, 0, s->length());
}
jint WrenCanvas::substringWidth(const VMPtr<String>& s, jint offset, jint length) {
    return getFont()->substringWidth(s, offset, length);
}
jint WrenCanvas::stringBufferWidth(const VMPtr<StringBuffer>& sb) {
    return getFont()->stringWidth(sb);
}
jint WrenCanvas::plainCharWidth(jchar ch) { return getFont()->charWidth(ch); }
jint WrenCanvas::plainCharsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length) {
    return getFont()->charsWidth(data, offset, length);
}
jint WrenCanvas::plainStringWidth(const VMPtr<String>& s) {
    return plainSubstringWidth(s, 0, s->length());
}
jint WrenCanvas::plainSubstringWidth(const VMPtr<String>& s, jint offset, jint length) {
    return getFont()->substringWidth(s, offset, length);
}
jint WrenCanvas::plainStringBufferWidth(const VMPtr<StringBuffer>& sb) {
    return getFont()->stringWidth(sb);
}
jint WrenCanvas::getFontHeight() { return getFont()->getHeight(); }
jint WrenCanvas::getFontBaseline() { return getFont()->getBaselinePosition(); }

void WrenCanvas::getStringBounds(const VMPtr<String>& s, jint x, jint y,
                                 const VMPtr<VMArray<jint>>& bounds, jint anchor) {
    getFont()->stringBounds(s, x, y, bounds, anchor);
}
void WrenCanvas::getStringBufferBounds(const VMPtr<StringBuffer>& sb, jint x, jint y,
                                       const VMPtr<VMArray<jint>>& bounds, jint anchor) {
    getFont()->stringBounds(sb, x, y, bounds, anchor);
}

void WrenCanvas::drawChar(const VMPtr<Graphics>& g, jchar ch, jint x, jint y, jint anchor) {
    getFont()->drawChar(g, ch, x, y, anchor);
}
void WrenCanvas::drawChars(const VMPtr<Graphics>& g, const VMPtr<VMArray<jchar>>& data,
                           jint offset, jint length, jint x, jint y, jint anchor) {
    getFont()->drawChars(g, data, offset, length, x, y, anchor);
}
void WrenCanvas::drawString(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint x, jint y,
                            jint anchor) {
    getFont()->drawString(g, s, x, y, anchor);
}
void WrenCanvas::drawSubstring(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint offset,
                               jint length, jint x, jint y, jint anchor) {
    getFont()->drawSubstring(g, s, offset, length, x, y, anchor);
}
void WrenCanvas::drawStringBuffer(const VMPtr<Graphics>& g, const VMPtr<StringBuffer>& sb, jint x,
                                  jint y, jint anchor) {
    getFont()->drawString(g, sb, x, y, anchor);
}
void WrenCanvas::drawNumber(const VMPtr<Graphics>& g, jint value, jint minDigits, jint x, jint y,
                            jint anchor) {
    getFont()->drawNumber(g, value, minDigits, x, y, anchor);
}

jint WrenCanvas::getFontStyle() { return getFont()->getSystemFontStyle(); }
void WrenCanvas::setFontStyle(jint index) { getFont()->setSystemFontStyle(index); }
VMPtr<VMArray<Gob*>> WrenCanvas::getBitmapFont() { return getFont()->getGlyphs(); }
void WrenCanvas::setBitmapFont(const VMPtr<VMArray<Gob*>>& glyphs) {
    getFont()->setBitmapFont(glyphs);
}
VMPtr<Gob> WrenCanvas::getGlyph(jchar ch) { return getFont()->getGlyph(ch); }

VMPtr<String> WrenCanvas::getText(jint index) {
    if (textCache != nullptr) return textCache[index];
    jint start = textOffsets[index];
    jint length = textOffsets[index + 1] - start;
    return vmTryCatch([&] { return decodeUtf8(textData, start, length); },
                      [](const VMPtr<java::lang::RuntimeException>&) { return VMPtr<String>(); });
}

// --- fills over the platform extension -----------------------------------------------------

VMPtr<platform::ExtendedGraphics> WrenCanvas::getExtendedGraphics() {
    clinit();
    if (S().extendedGraphics == nullptr) S().extendedGraphics = platform::ExtendedGraphics::make();
    return S().extendedGraphics;
}

void WrenCanvas::fillGradientAcrossStatic(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                          jint height, jint colour1, jint colour2) {
    getExtendedGraphics()->fillGradient(g, x, y, width, height, colour1, colour2, true);
}
void WrenCanvas::fillGradientDownStatic(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                        jint height, jint colour1, jint colour2) {
    getExtendedGraphics()->fillGradient(g, x, y, width, height, colour1, colour2, false);
}
void WrenCanvas::fillGradientAcross(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                    jint height, jint colour1, jint colour2) {
    fillGradientAcrossStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientDown(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                  jint height, jint colour1, jint colour2) {
    fillGradientDownStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientAcrossAlias(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                         jint height, jint colour1, jint colour2) {
    fillGradientAcrossStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientDownAlias(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                       jint height, jint colour1, jint colour2) {
    fillGradientDownStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientDownInImage(const VMPtr<Image>& image, jint x, jint y, jint width,
                                         jint height, jint colour1, jint colour2) {
    fillGradientDown(image->getGraphics(), x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillTriangleAlpha(const VMPtr<Graphics>& g, jint x1, jint y1, jint x2, jint y2,
                                   jint x3, jint y3, jint alpha) {
    getExtendedGraphics()->fillTriangle(g, x1, y1, x2, y2, x3, y3, alpha);
}
void WrenCanvas::fillRectAlpha(const VMPtr<Graphics>& g, jint x, jint y, jint width, jint height,
                               jint alpha) {
    getExtendedGraphics()->fillRect(g, x, y, width, height, alpha);
}
void WrenCanvas::setTransform(const VMPtr<Graphics>& g, jint a, jint b, jint c, jint d, jint e) {
    getExtendedGraphics()->reservedDraw(g, a, b, c, d, e);
}
void WrenCanvas::resetTransform(const VMPtr<Graphics>& g) { setTransform(g, 0, 0, 0, 1, 1); }

// --- virtual entries of the static image helpers -------------------------------------------

void WrenCanvas::drawImageRegionEntry(const VMPtr<Image>& image, jint xSrc, jint ySrc, jint width,
                                      jint height, const VMPtr<Graphics>& g, jint x, jint y) {
    drawImageRegion(image, xSrc, ySrc, width, height, g, x, y);
}
void WrenCanvas::drawImageRegionEntry(const VMPtr<Graphics>& g, const VMPtr<Image>& image,
                                      jint xSrc, jint ySrc, jint width, jint height, jint x,
                                      jint y) {
    drawImageRegion(image, xSrc, ySrc, width, height, g, x, y);
}
void WrenCanvas::drawRGBEntry(const VMPtr<Graphics>& g, const VMPtr<VMArray<jint>>& rgb,
                              jint offset, jint scanLength, jint x, jint y, jint width, jint height,
                              jboolean processAlpha) {
    drawRGB(g, rgb, offset, scanLength, x, y, width, height, processAlpha);
}
VMPtr<Image> WrenCanvas::createRGBImageEntry(const VMPtr<VMArray<jint>>& rgb, jint width,
                                             jint height, jboolean processAlpha) {
    return createRGBImage(rgb, width, height, processAlpha);
}
void WrenCanvas::getRGBEntry(const VMPtr<Image>& image, const VMPtr<VMArray<jint>>& rgb,
                             jint offset, jint scanLength, jint x, jint y, jint width,
                             jint height) {
    getRGB(image, rgb, offset, scanLength, x, y, width, height);
}
void WrenCanvas::updatePaletteCrcEntry(const VMPtr<VMArray<jbyte>>& palette) {
    updatePaletteCrc(palette);
}

}  // namespace wren
