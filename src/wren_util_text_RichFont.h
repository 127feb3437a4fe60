// wren.util.text.RichFont: the framework's font, measured and drawn through
// one interface whether it is a MIDP system font picked by a style index
// (0..5) or a bitmap font: a graphic-object set with a glyph per character.
//
// A bitmap font's Gobs carry the font: boxWidth is the advance, boxX the
// character code and offsetX/offsetY where the picture sits from the pen;
// the boxHeight of glyphs 0..6 holds the header (line height, baseline,
// advance of a missing character, conversion state, line step, an
// auxiliary value, the alignment flag). As stored, the glyphs hold code
// differences in their offsets and the offsets in their box position; the
// first font the array is attached to converts it in place and marks it
// converted in glyph 3, so a shared array is converted once.
//
// Every measuring and drawing form copies its characters into one static
// buffer and ends in its char[] form: the class serves the game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_lcdui_Font.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_Gob.h"
#include "wren_util_IntHashtable.h"

namespace wren::util::text {

class RichFont : public virtual java::lang::Object {
    WREN_CLASS(RichFont, java::lang::Object, (glyphs, VMArray<Gob*>), (charMap, IntHashtable),
               (font, javax::microedition::lcdui::Font))
    WREN_PLAIN_OBJECT()
public:
    jint styleIndex = 0;
    jint transform = 0;
    jboolean tightHeight = false;
    jint colour = 0;
    jboolean colourSet = false;

    // The header values' glyphs.
    static constexpr jint HEADER_HEIGHT = 0;
    static constexpr jint HEADER_BASELINE = 1;
    static constexpr jint HEADER_MISSING_ADVANCE = 2;
    static constexpr jint HEADER_CONVERSION = 3;
    static constexpr jint HEADER_LINE_STEP = 4;
    static constexpr jint HEADER_AUX = 5;
    static constexpr jint HEADER_ADVANCE_ALIGNED = 6;
    static constexpr jint MIN_GLYPHS = 7;
    static constexpr jint STORED_FORM = 255;
    static constexpr jint STYLE_COUNT = 6;

    struct Statics {
        // Style index to the getFont byte: face & 0x60, style & 0x07, size & 0x18.
        VMStaticPtr<VMArray<jbyte>> styles;
        VMStaticPtr<VMArray<jchar>> chars;  // grown on demand, never shrunk
        VMStaticPtr<java::lang::StringBuffer> number;
    };
    WREN_STATICS(Statics)

    // A system font of style 1.
    void ctor();
    // The other's system style and colour, or its glyph array (shared, not
    // copied) and transform; not its character map.
    void ctor(const VMPtr<RichFont>& other);

    virtual jboolean isAdvanceAligned();
    virtual jint getHeight();
    virtual jint getBaselinePosition();
    // Header value 4, or the height of a system font.
    virtual jint getLineHeight();
    virtual jint getAuxMetric();
    virtual jboolean isBitmapFont();
    virtual VMPtr<VMArray<Gob*>> getGlyphs();
    virtual void setTransform(jint t);
    virtual jint getTransform();
    // Makes this a system font. An index outside 0..5 is
    // IllegalArgumentException and changes nothing.
    virtual void setSystemFontStyle(jint index);
    virtual jint getSystemFontStyle();
    // Null makes this a system font. An array of fewer than seven glyphs, or
    // with a null one, is IllegalArgumentException and changes nothing: the
    // header is read from the first seven.
    virtual void setBitmapFont(const VMPtr<VMArray<Gob*>>& set);
    virtual void setColor(jint rgb);
    // Turns the glyphs into alpha images (once) and gives them all the
    // opacity; the array is shared, so every holder sees it.
    virtual void setGlyphAlpha(jint alpha);
    virtual jint getGlyphAlpha();
    // One-shot: the next height measurement starts at the highest ink.
    virtual void setTightHeight(jboolean tight);
    virtual void mapChar(jint code, const VMPtr<Gob>& glyph);
    virtual VMPtr<Gob> getGlyph(jchar ch);
    virtual jint getCharAscent(jchar ch);
    virtual jint getCharDescent(jchar ch);

    // Width: the advance sum (a missing glyph advances by header value 2).
    virtual jint charsWidth(const VMPtr<VMArray<jchar>>& data, jint off, jint len);
    virtual jint charWidth(jchar ch);
    virtual jint stringWidth(const VMPtr<java::lang::String>& s);
    virtual jint substringWidth(const VMPtr<java::lang::String>& s, jint off, jint len);
    virtual jint stringWidth(const VMPtr<java::lang::StringBuffer>& sb);

    // Height: the ink height (the system font's height).
    virtual jint charsHeight(const VMPtr<VMArray<jchar>>& data, jint off, jint len);
    virtual jint charHeight(jchar ch);
    virtual jint stringHeight(const VMPtr<java::lang::String>& s);
    virtual jint substringHeight(const VMPtr<java::lang::String>& s, jint off, jint len);
    virtual jint stringHeight(const VMPtr<java::lang::StringBuffer>& sb);

    // out[0..3] = x, y, width and height of the ink anchored at (x, y).
    virtual void charsBounds(const VMPtr<VMArray<jchar>>& data, jint off, jint len, jint x, jint y,
                             const VMPtr<VMArray<jint>>& out, jint anchor);
    virtual void charBounds(jchar ch, jint x, jint y, const VMPtr<VMArray<jint>>& out, jint anchor);
    virtual void stringBounds(const VMPtr<java::lang::String>& s, jint x, jint y,
                              const VMPtr<VMArray<jint>>& out, jint anchor);
    virtual void substringBounds(const VMPtr<java::lang::String>& s, jint off, jint len, jint x,
                                 jint y, const VMPtr<VMArray<jint>>& out, jint anchor);
    virtual void stringBounds(const VMPtr<java::lang::StringBuffer>& sb, jint x, jint y,
                              const VMPtr<VMArray<jint>>& out, jint anchor);

    virtual void drawChars(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                           const VMPtr<VMArray<jchar>>& data, jint off, jint len, jint x, jint y,
                           jint anchor);
    virtual void drawChar(const VMPtr<javax::microedition::lcdui::Graphics>& g, jchar ch, jint x,
                          jint y, jint anchor);
    virtual void drawString(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                            const VMPtr<java::lang::String>& s, jint x, jint y, jint anchor);
    virtual void drawSubstring(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                               const VMPtr<java::lang::String>& s, jint off, jint len, jint x,
                               jint y, jint anchor);
    virtual void drawString(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                            const VMPtr<java::lang::StringBuffer>& sb, jint x, jint y, jint anchor);
    // The decimal value, zero-padded to minDigits, drawn like a String.
    virtual void drawNumber(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint value,
                            jint minDigits, jint x, jint y, jint anchor);

private:
    jint header(jint i) { return glyphs[i]->boxHeight; }
    jint missingAdvance() { return header(HEADER_MISSING_ADVANCE); }
    static VMPtr<VMArray<jchar>> charBuffer(jint n);
    static void checkRange(const VMPtr<VMArray<jchar>>& data, jint off, jint len);
    void fetchSystemFont(jint index);
    jint leftBearing(const VMPtr<VMArray<jchar>>& data, jint off, jint len);
    jint inkWidth(const VMPtr<VMArray<jchar>>& data, jint off, jint len, jint lb);
    jint inkTop(const VMPtr<VMArray<jchar>>& data, jint off, jint len);
    jint inkHeight(const VMPtr<VMArray<jchar>>& data, jint off, jint len, jint top);
};

}  // namespace wren::util::text
