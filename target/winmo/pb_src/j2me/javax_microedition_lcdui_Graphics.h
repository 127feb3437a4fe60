// javax.microedition.lcdui.Graphics: MIDP drawing over one native graphics
// context that draws into a mutable Image or into a game canvas's screen
// buffer. Translation, the clip as the application sees it, the colour, the
// font and the stroke live here; every drawing call checks its arguments,
// adds the translation and hands device coordinates to the native context.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Font.h"
#include "javax_microedition_lcdui_Image.h"

class NativeGraphics;
class ScreenBuffer;

namespace javax::microedition::lcdui {

class Graphics : public virtual java::lang::Object {
    WREN_CLASS(Graphics, java::lang::Object, (font, Font), (targetImage, Image))
public:
    static constexpr jint HCENTER = 1;
    static constexpr jint VCENTER = 2;
    static constexpr jint LEFT = 4;
    static constexpr jint RIGHT = 8;
    static constexpr jint TOP = 16;
    static constexpr jint BOTTOM = 32;
    static constexpr jint BASELINE = 64;
    static constexpr jint SOLID = 0;
    static constexpr jint DOTTED = 1;

    // The clip in device coordinates, x2 and y2 exclusive.
    jshort clipX1 = 0;
    jshort clipY1 = 0;
    jshort clipX2 = 0;
    jshort clipY2 = 0;
    jboolean clipNarrowed = false;  // the clip is anything but the whole target
    jshort targetWidth = 0;
    jshort targetHeight = 0;
    jint translateX = 0;
    jint translateY = 0;
    jint rgb = 0;
    jint alpha = 255;
    jint gray = 0;
    jboolean grayValid = true;
    jint strokeStyle = SOLID;
    jint blendingMode = 0;
    // Null once disposed: every later draw is then a no-op.
    NativeGraphics* native = nullptr;

    ~Graphics() override;

    // A Graphics drawing into a mutable image (Image.getGraphics).
    static VMPtr<Graphics> createForImage(const VMPtr<Image>& image);
    // A Graphics drawing into a game canvas's screen buffer.
    static VMPtr<Graphics> createForScreenBuffer(ScreenBuffer* buffer);
    // A paint event's context: the Graphics owns it from here on.
    static VMPtr<Graphics> createForNativeContext(NativeGraphics* context);
    // A game canvas's later getGraphics: translation 0, the clip the whole
    // buffer at its current size, and the default state pushed to the
    // native context.
    void resetForScreenBuffer(ScreenBuffer* buffer);
    // The whole buffer, top-left at the translation (a canvas's paint).
    void drawScreenBuffer(ScreenBuffer* buffer);
    // Deletes the native context now; later draws do nothing.
    void dispose();

    virtual void translate(jint x, jint y);
    virtual jint getTranslateX();
    virtual jint getTranslateY();
    virtual jint getColor();
    virtual jint getRedComponent();
    virtual jint getGreenComponent();
    virtual jint getBlueComponent();
    virtual jint getGrayScale();
    virtual void setColor(jint rgb);
    virtual void setColor(jint red, jint green, jint blue);
    virtual void setGrayScale(jint value);
    virtual VMPtr<Font> getFont();
    virtual void setFont(const VMPtr<Font>& font);
    virtual jint getStrokeStyle();
    virtual void setStrokeStyle(jint style);
    virtual jint getClipX();
    virtual jint getClipY();
    virtual jint getClipWidth();
    virtual jint getClipHeight();
    virtual void clipRect(jint x, jint y, jint width, jint height);
    virtual void setClip(jint x, jint y, jint width, jint height);
    virtual void drawLine(jint x1, jint y1, jint x2, jint y2);
    virtual void fillRect(jint x, jint y, jint width, jint height);
    virtual void drawRect(jint x, jint y, jint width, jint height);
    virtual void drawRoundRect(jint x, jint y, jint width, jint height, jint arcWidth,
                               jint arcHeight);
    virtual void fillRoundRect(jint x, jint y, jint width, jint height, jint arcWidth,
                               jint arcHeight);
    virtual void fillArc(jint x, jint y, jint width, jint height, jint startAngle, jint arcAngle);
    virtual void drawArc(jint x, jint y, jint width, jint height, jint startAngle, jint arcAngle);
    virtual void drawString(const VMPtr<java::lang::String>& str, jint x, jint y, jint anchor);
    virtual void drawSubstring(const VMPtr<java::lang::String>& str, jint offset, jint len, jint x,
                               jint y, jint anchor);
    virtual void drawChar(jchar character, jint x, jint y, jint anchor);
    virtual void drawChars(const VMPtr<VMArray<jchar>>& data, jint offset, jint length, jint x,
                           jint y, jint anchor);
    virtual void drawImage(const VMPtr<Image>& img, jint x, jint y, jint anchor);
    // Transform bits 8 and 9 override the source's format (0x100 opaque,
    // 0x200 colour-keyed).
    virtual void drawRegion(const VMPtr<Image>& src, jint xSrc, jint ySrc, jint width, jint height,
                            jint transform, jint xDest, jint yDest, jint anchor);
    virtual void copyArea(jint xSrc, jint ySrc, jint width, jint height, jint xDest, jint yDest,
                          jint anchor);
    virtual void fillTriangle(jint x1, jint y1, jint x2, jint y2, jint x3, jint y3);
    virtual void drawRGB(const VMPtr<VMArray<jint>>& rgbData, jint offset, jint scanlength, jint x,
                         jint y, jint width, jint height, jboolean processAlpha);
    virtual jint getDisplayColor(jint color);
    virtual jint getAlphaColor();
    virtual void setAlphaColor(jint alpha, jint red, jint green, jint blue);
    virtual void setAlphaColor(jint argb);
    virtual jint getAlpha();
    virtual void setAlpha(jint alpha);
    virtual jint getBlendingMode();
    virtual void setBlendingMode(jint mode);
    virtual void fillGradient(jint x, jint y, jint width, jint height, jint color1, jint color2,
                              jboolean byColumns);
    // The platform's reserved drawing operation: this platform draws
    // nothing with it.
    virtual void reservedDraw(jint a, jint b, jint c, jint d, jint e);

private:
    // Target size stored, translation 0, the clip the whole target, the
    // default state (not pushed).
    void reset(jint width, jint height);
    void pushColour();
    void drawText(const jchar* chars, jint length, jint x, jint y, jint anchor);
    // Clip bounds and drawing coordinates: the value plus the translation.
    jint deviceX(jint x) const;
    jint deviceY(jint y) const;
};

}  // namespace javax::microedition::lcdui
