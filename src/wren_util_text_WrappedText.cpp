#include "wren_util_text_WrappedText.h"

#include "VMMath.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "wren_util_text_StringHelper.h"

WREN_DEFINE_CLASS(wren::util::text::WrappedText, "wren.util.text.WrappedText")

namespace wren::util::text {

using java::lang::String;
using javax::microedition::lcdui::Graphics;

void WrappedText::staticInit() {
    wrenStatics_().defaultBreakChars = VMArray<jchar>::of({u' ', u'@', u'-'});
}

void WrappedText::ctor(const VMPtr<WrenCanvas>& owner) {
    java::lang::Object::ctor();
    canvas = owner;
    glyphAlpha = 255;
    reset();
}

void WrappedText::reset() {
    text = nullptr;
    lineSpacing = 0;
    fontHeight = 0;
    width = 0;
    font = nullptr;
    lines = VMArray<jshort>::create(0);
    breakChars = S().defaultBreakChars;
}

jint WrappedText::wrap(const VMPtr<String>& s, jint w) {
    return wrap(RichFont::make(canvas->getDefaultFont()), s, w);
}

jint WrappedText::wrap(const VMPtr<RichFont>& f, const VMPtr<String>& s, jint w) {
    if (s->length() > MAX_TEXT)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("text too long to wrap: lines are 16-bit"));
    jint height = f->getHeight();
    jint count = breakLines(f, s, w, nullptr);
    VMPtr<VMArray<jshort>> table = VMArray<jshort>::create(2 * count);
    breakLines(f, s, w, table);
    text = s;
    width = w;
    font = f;
    fontHeight = height;
    lines = table;
    return count;
}

jint WrappedText::breakLines(const VMPtr<RichFont>& f, const VMPtr<String>& s, jint w,
                             const VMPtr<VMArray<jshort>>& out) {
    VMPtr<VMArray<jchar>> breaks = breakChars;
    jint n = s->length();
    jint count = 0;
    jint i = 0;
    while (i < n) {
        jint start = i;
        jint adv = 1;
        bool hard = false;
        jint sum = 0;
        // Also below width 0: a negative width still skips the leading
        // space and ends lines at line ends, then fits nothing.
        while (i < n) {
            jchar ch = s->charAt(i);
            if (i == start && ch == u' ') {
                ++i;
                ++start;
                if (i >= n) break;
                ch = s->charAt(i);
            }
            if (ch == u'\n' || ch == u'\r') {
                hard = true;
                adv = (ch == u'\r' && i + 1 < n && s->charAt(i + 1) == u'\n') ? 2 : 1;
                break;
            }
            sum += f->charWidth(ch);
            if (sum > w) break;
            ++i;
        }
        bool spaceBreak = false;
        if (!hard && i < n) {
            jint best = -1;
            for (jint b = 0; b < breaks->length; ++b) {
                jchar bc = breaks[b];
                jint k = StringHelper::lastIndexOf(s, bc, start + 1, i);
                if (k <= best) continue;
                if (bc == u'-' && k + 1 < n) {
                    jchar next = s->charAt(k + 1);
                    if (next >= u'0' && next <= u'9') continue;
                }
                best = k;
            }
            if (best != -1 && start < best && best < i) {
                if (s->charAt(best) == u' ') {
                    i = best;
                    spaceBreak = true;
                } else {
                    i = best + 1;
                }
            } else if (i == start) {
                // Not even one character fits: it takes a line of its own,
                // or the scan would stand still; a line end right after it
                // ends that line, as it would have ended a fitting one.
                i = start + 1;
                jchar next = i < n ? s->charAt(i) : u'\0';
                if (next == u'\n' || next == u'\r') {
                    hard = true;
                    adv = (next == u'\r' && i + 1 < n && s->charAt(i + 1) == u'\n') ? 2 : 1;
                }
            }
        }
        if (out != nullptr) {
            out[2 * count] = jshort(start);
            out[2 * count + 1] = jshort(i - start);
        }
        ++count;
        if (hard || spaceBreak) i += adv;
    }
    return count;
}

void WrappedText::paint(const VMPtr<Graphics>& g, jint x, jint y, jint anchor) {
    if (text == nullptr) return;
    if (font->isBitmapFont() && glyphAlpha != 255) {
        VMPtr<VMArray<Gob*>> set = font->getGlyphs();
        Gob::toAlphaImages(set);
        for (jint i = 0; i < set->length; ++i) set[i]->setAlpha(glyphAlpha);
    }
    if (anchor & 1)
        x += vmShr(width, 1);
    else if (anchor & 8)
        x += width;
    jint top = g->getClipY();
    jint bottom = top + g->getClipHeight();
    jint step = getLineStep();
    jint count = getLineCount();
    jint line = 0;
    // Skipping lines above the clip needs a step that moves down.
    if (y < top && step > 0) {
        line = vmDiv(top - y, step);
        y += line * step;
    }
    VMPtr<VMArray<jshort>> table = lines;
    for (; line < count && y <= bottom; ++line) {
        jint length = table[2 * line + 1];
        if (length > 0) font->drawSubstring(g, text, table[2 * line], length, x, y, anchor);
        y += step;
    }
}

jint WrappedText::getTextHeight() {
    return getLineStep() * getLineCount();
}

VMPtr<VMArray<String*>> WrappedText::getLines() {
    jint count = getLineCount();
    VMPtr<VMArray<String*>> result = VMArray<String*>::create(count);
    for (jint i = 0; i < count; ++i) {
        jint start = lines[2 * i];
        result[i] = text->substring(start, start + lines[2 * i + 1]);
    }
    return result;
}

void WrappedText::setLineSpacing(jint spacing) {
    lineSpacing = spacing;
}

jint WrappedText::getLineSpacing() {
    return lineSpacing;
}

jint WrappedText::getLineStep() {
    return fontHeight + lineSpacing;
}

void WrappedText::setGlyphAlpha(jint alpha) {
    glyphAlpha = alpha;
}

jint WrappedText::getGlyphAlpha() {
    return glyphAlpha;
}

VMPtr<String> WrappedText::getText() {
    return text;
}

jint WrappedText::getLineCount() {
    return lines->length / 2;
}

jint WrappedText::getLineStart(jint line) {
    // Checked by line: 2 * line alone would reach the length entries.
    if (line < 0 || line >= getLineCount())
        java::lang::ArrayIndexOutOfBoundsException::throwNew(line);
    return lines[2 * line];
}

jint WrappedText::getWidth() {
    return width;
}

VMPtr<VMArray<jchar>> WrappedText::getBreakChars() {
    return breakChars;
}

void WrappedText::setBreakChars(const VMPtr<VMArray<jchar>>& chars) {
    breakChars = chars;
}

}  // namespace wren::util::text
