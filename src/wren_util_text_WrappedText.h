// wren.util.text.WrappedText: a String broken into lines that fit a pixel
// width in a rich font, kept as (start, length) pairs into the string, and
// painted one line step apart, only the lines that fall in the clip.
//
// Lines break before a character that does not fit, preferably at the last
// space (which is dropped), '@' or '-' (kept on the line; a '-' before a
// digit reads as a minus sign) after the line's first character; CR LF, CR
// and LF end a line. Starts and lengths are 16-bit, so texts are limited to
// 32767 characters.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_WrenCanvas.h"
#include "wren_util_text_RichFont.h"

namespace wren::util::text {

class WrappedText : public virtual java::lang::Object {
    WREN_CLASS(WrappedText, java::lang::Object, (breakChars, VMArray<jchar>),
               (text, java::lang::String), (lines, VMArray<jshort>), (font, RichFont),
               (canvas, WrenCanvas))
    WREN_PLAIN_OBJECT()
public:
    jint width = 0;
    jint lineSpacing = 0;
    jint fontHeight = 0;
    jint glyphAlpha = 255;

    static constexpr jint MAX_TEXT = 0x7FFF;

    struct Statics {
        // {' ', '@', '-'}, shared by every instance.
        VMStaticPtr<VMArray<jchar>> defaultBreakChars;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor(const VMPtr<WrenCanvas>& owner);

    virtual jint getTextHeight();
    virtual VMPtr<VMArray<java::lang::String*>> getLines();
    // With a copy of the canvas's default font.
    virtual jint wrap(const VMPtr<java::lang::String>& s, jint w);
    // The line count. A line holds at least one character, so a character
    // wider than the width, or a width of 0 or below, gives a line per
    // character rather than no progress. A text over 32767 characters is
    // IllegalArgumentException and leaves the last wrap as it was.
    virtual jint wrap(const VMPtr<RichFont>& f, const VMPtr<java::lang::String>& s, jint w);
    virtual void setLineSpacing(jint spacing);
    virtual void setGlyphAlpha(jint alpha);
    virtual VMPtr<java::lang::String> getText();
    virtual jint getLineCount();
    virtual VMPtr<VMArray<jchar>> getBreakChars();
    virtual void reset();
    // Each line with the caller's anchor; HCENTER centres on x + width / 2,
    // RIGHT aligns to x + width. With a line step of 0 or below, every line
    // is drawn from y on (none is skipped as above the clip).
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                       jint anchor);
    virtual jint getLineSpacing();
    virtual jint getLineStart(jint line);
    virtual jint getLineStep();
    virtual jint getGlyphAlpha();
    virtual jint getWidth();
    virtual void setBreakChars(const VMPtr<VMArray<jchar>>& chars);

private:
    // One pass over the text: counts the lines, and records them when
    // `out` is given.
    jint breakLines(const VMPtr<RichFont>& f, const VMPtr<java::lang::String>& s, jint w,
                    const VMPtr<VMArray<jshort>>& out);
};

}  // namespace wren::util::text
