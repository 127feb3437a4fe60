#include "wren_util_text_RichFont.h"

#include "VMMath.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "wren_GobAlphaImage.h"
#include "wren_WrenCanvas.h"

WREN_DEFINE_CLASS(wren::util::text::RichFont, "wren.util.text.RichFont")

namespace wren::util::text {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Font;
using javax::microedition::lcdui::Graphics;
using CharArray = VMArray<jchar>;

namespace {

constexpr jint HCENTER = 1;
constexpr jint LEFT = 4;
constexpr jint RIGHT = 8;
constexpr jint TOP = 16;
constexpr jint BOTTOM = 32;
constexpr jint BASELINE = 64;

// The turns whose layout runs backwards along x (3, 6) or y (3, 5).
bool backwardsX(jint t) {
    return t == 3 || t == 6;
}
bool backwardsY(jint t) {
    return t == 3 || t == 5;
}

}  // namespace

// --- construction and attributes ---------------------------------------------

void RichFont::ctor() {
    java::lang::Object::ctor();
    font = Font::getFont(0, 0, 0);
    styleIndex = 1;
}

void RichFont::ctor(const VMPtr<RichFont>& other) {
    ctor();
    if (!other->isBitmapFont()) {
        setSystemFontStyle(other->styleIndex);
        if (other->colourSet) setColor(other->colour);
    } else {
        setBitmapFont(other->getGlyphs());
        setTransform(other->getTransform());
    }
}

void RichFont::setSystemFontStyle(jint index) {
    if (index < 0 || index >= STYLE_COUNT)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("font style outside 0..5"));
    glyphs = nullptr;
    if (index == styleIndex) return;
    styleIndex = index;
    fetchSystemFont(index);
}

void RichFont::fetchSystemFont(jint index) {
    Statics& s = S();
    if (s.styles == nullptr) s.styles = VMArray<jbyte>::of({8, 0, 16, 9, 1, 17});
    jint b = s.styles[index];
    jint face = b & 0x60, style = b & 0x07, size = b & 0x18;
    VMPtr<Font> f = Font::getFont(face, style, size);
    static constexpr jint kFaces[] = {0, 32, 64};
    for (jint other : kFaces) {
        if (f != nullptr) break;
        if (other != face) f = Font::getFont(other, style, size);
    }
    font = f;
}

jint RichFont::getSystemFontStyle() {
    return styleIndex;
}

void RichFont::setBitmapFont(const VMPtr<VMArray<Gob*>>& set) {
    if (set == nullptr) {
        glyphs = nullptr;
        return;
    }
    // Checked here rather than met as a bad read while drawing.
    if (set->length < MIN_GLYPHS)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("glyph set of fewer than 7 glyphs: its header needs 7"));
    for (jint i = 0; i < set->length; ++i)
        if (set[i] == nullptr)
            java::lang::IllegalArgumentException::throwNew(WREN_LIT("glyph set with a null glyph"));
    glyphs = set;
    if (set[HEADER_CONVERSION]->boxHeight != STORED_FORM) return;
    set[HEADER_CONVERSION]->boxHeight = 0;
    jint code = 0;
    for (jint i = 0; i < set->length; ++i) {
        VMPtr<Gob> g = set[i];
        code = (code + (jint(g->offsetX) << 8) + (g->offsetY & 0xFF)) & 0xFFFF;
        g->offsetX = g->boxX;
        g->offsetY = g->boxY;
        g->boxX = jshort(code);
    }
}

jboolean RichFont::isBitmapFont() {
    return glyphs != nullptr;
}

VMPtr<VMArray<Gob*>> RichFont::getGlyphs() {
    return glyphs;
}

void RichFont::setTransform(jint t) {
    transform = t;
}

jint RichFont::getTransform() {
    return transform;
}

void RichFont::setColor(jint rgb) {
    colour = rgb & 0xFFFFFF;
    colourSet = true;
}

void RichFont::setGlyphAlpha(jint alpha) {
    if (glyphs == nullptr || glyphs[0]->getAlpha() == alpha) return;
    VMPtr<VMArray<Gob*>> set = glyphs;
    for (jint i = 0; i < set->length; ++i)
        if (!set[i]->isAlphaImage()) set[i] = set[i]->toAlphaImage();
    for (jint i = 0; i < set->length; ++i) set[i]->setAlpha(alpha);
}

jint RichFont::getGlyphAlpha() {
    return glyphs == nullptr ? 255 : glyphs[0]->getAlpha();
}

void RichFont::setTightHeight(jboolean tight) {
    tightHeight = tight;
}

void RichFont::mapChar(jint code, const VMPtr<Gob>& glyph) {
    if (charMap == nullptr) charMap = IntHashtable::make(128);
    charMap->put(code, glyph);
}

// --- metrics -------------------------------------------------------------------

jboolean RichFont::isAdvanceAligned() {
    return glyphs != nullptr && header(HEADER_ADVANCE_ALIGNED) != 0;
}

jint RichFont::getHeight() {
    if (glyphs != nullptr) return header(HEADER_HEIGHT);
    return font == nullptr ? 0 : font->getHeight();
}

jint RichFont::getBaselinePosition() {
    if (glyphs != nullptr) return header(HEADER_BASELINE);
    return font == nullptr ? 0 : font->getBaselinePosition();
}

jint RichFont::getLineHeight() {
    return glyphs != nullptr ? header(HEADER_LINE_STEP) : getHeight();
}

jint RichFont::getAuxMetric() {
    return glyphs != nullptr ? header(HEADER_AUX) : 0;
}

VMPtr<Gob> RichFont::getGlyph(jchar ch) {
    if (glyphs == nullptr) return nullptr;
    if (charMap != nullptr) {
        VMPtr<Gob> mapped = vmCast<Gob>(charMap->get(ch));
        if (mapped != nullptr) return mapped;
    }
    VMPtr<VMArray<Gob*>> set = glyphs;
    jint lo = 0, hi = set->length - 1;
    while (lo <= hi) {
        jint mid = (lo + hi) >> 1;
        jint code = set[mid]->boxX & 0xFFFF;
        if (code < ch)
            lo = mid + 1;
        else if (code > ch)
            hi = mid - 1;
        else
            return set[mid];
    }
    return nullptr;
}

jint RichFont::getCharAscent(jchar ch) {
    VMPtr<Gob> g = getGlyph(ch);
    return g == nullptr ? 0 : getBaselinePosition() - g->offsetY;
}

jint RichFont::getCharDescent(jchar ch) {
    VMPtr<Gob> g = getGlyph(ch);
    if (g == nullptr) return 0;
    jint d = g->height - (getBaselinePosition() - g->offsetY);
    return d < 1 ? 0 : d;
}

// --- the shared buffer -----------------------------------------------------------

VMPtr<CharArray> RichFont::charBuffer(jint n) {
    Statics& s = S();
    if (s.chars == nullptr || s.chars->length < n) s.chars = CharArray::create(n < 16 ? 16 : n);
    return s.chars;
}

void RichFont::checkRange(const VMPtr<CharArray>& data, jint off, jint len) {
    // Checked once here, so the loops below stay inside the array.
    if (off < 0 || off > data->length) java::lang::ArrayIndexOutOfBoundsException::throwNew(off);
    if (len < 0 || len > data->length - off)
        java::lang::ArrayIndexOutOfBoundsException::throwNew(off + len);
}

// --- ink measures (bitmap fonts) ------------------------------------------------

jint RichFont::leftBearing(const VMPtr<CharArray>& data, jint off, jint len) {
    // An empty text has no first glyph to take the bearing of.
    if (glyphs == nullptr || len <= 0) return 0;
    VMPtr<Gob> g = getGlyph(data[off]);
    return g == nullptr ? 0 : g->offsetX;
}

jint RichFont::inkWidth(const VMPtr<CharArray>& data, jint off, jint len, jint lb) {
    if (glyphs == nullptr) return charsWidth(data, off, len);
    jint pen = 0, result = 0;
    jint missing = missingAdvance();
    const jchar* p = data->elements();
    for (jint i = off; i < off + len; ++i) {
        VMPtr<Gob> g = getGlyph(p[i]);
        if (g != nullptr) {
            result = pen + g->offsetX + g->width;
            pen += g->boxWidth;
        } else {
            pen += missing;
        }
    }
    if (lb < 0) result -= lb;
    return result;
}

jint RichFont::inkTop(const VMPtr<CharArray>& data, jint off, jint len) {
    if (glyphs == nullptr) return 0;
    bool any = false;
    jint top = 0;
    const jchar* p = data->elements();
    for (jint i = off; i < off + len; ++i) {
        VMPtr<Gob> g = getGlyph(p[i]);
        if (g == nullptr) continue;
        if (!any || g->offsetY < top) top = g->offsetY;
        any = true;
    }
    return top;
}

jint RichFont::inkHeight(const VMPtr<CharArray>& data, jint off, jint len, jint top) {
    if (glyphs == nullptr) return font == nullptr ? 0 : font->getHeight();
    jint bottom = 0;
    const jchar* p = data->elements();
    for (jint i = off; i < off + len; ++i) {
        VMPtr<Gob> g = getGlyph(p[i]);
        if (g != nullptr && g->height + g->offsetY > bottom) bottom = g->height + g->offsetY;
    }
    return bottom - top;
}

// --- width ------------------------------------------------------------------------

jint RichFont::charsWidth(const VMPtr<CharArray>& data, jint off, jint len) {
    checkRange(data, off, len);
    if (glyphs == nullptr)
        return (len != 0 && font != nullptr) ? font->charsWidth(data, off, len) : 0;
    jint sum = 0;
    jint missing = missingAdvance();
    const jchar* p = data->elements();
    for (jint i = off; i < off + len; ++i) {
        VMPtr<Gob> g = getGlyph(p[i]);
        sum += g == nullptr ? missing : jint(g->boxWidth);
    }
    return sum;
}

jint RichFont::charWidth(jchar ch) {
    VMPtr<CharArray> buf = charBuffer(1);
    buf[0] = ch;
    return charsWidth(buf, 0, 1);
}

jint RichFont::stringWidth(const VMPtr<String>& s) {
    jint n = s->length();
    VMPtr<CharArray> buf = charBuffer(n);
    s->getChars(0, n, buf, 0);
    return charsWidth(buf, 0, n);
}

jint RichFont::substringWidth(const VMPtr<String>& s, jint off, jint len) {
    VMPtr<CharArray> buf = charBuffer(len);
    s->getChars(off, off + len, buf, 0);
    return charsWidth(buf, 0, len);
}

jint RichFont::stringWidth(const VMPtr<StringBuffer>& sb) {
    jint n = sb->length();
    VMPtr<CharArray> buf = charBuffer(n);
    sb->getChars(0, n, buf, 0);
    return charsWidth(buf, 0, n);
}

// --- height -----------------------------------------------------------------------

jint RichFont::charsHeight(const VMPtr<CharArray>& data, jint off, jint len) {
    checkRange(data, off, len);
    jint top = 0;
    if (tightHeight) {
        tightHeight = false;
        top = inkTop(data, off, len);
    }
    return inkHeight(data, off, len, top);
}

jint RichFont::charHeight(jchar ch) {
    VMPtr<CharArray> buf = charBuffer(1);
    buf[0] = ch;
    return charsHeight(buf, 0, 1);
}

jint RichFont::stringHeight(const VMPtr<String>& s) {
    jint n = s->length();
    VMPtr<CharArray> buf = charBuffer(n);
    s->getChars(0, n, buf, 0);
    return charsHeight(buf, 0, n);
}

jint RichFont::substringHeight(const VMPtr<String>& s, jint off, jint len) {
    VMPtr<CharArray> buf = charBuffer(len);
    s->getChars(off, off + len, buf, 0);
    return charsHeight(buf, 0, len);
}

jint RichFont::stringHeight(const VMPtr<StringBuffer>& sb) {
    jint n = sb->length();
    VMPtr<CharArray> buf = charBuffer(n);
    sb->getChars(0, n, buf, 0);
    return charsHeight(buf, 0, n);
}

// --- ink box ----------------------------------------------------------------------

void RichFont::charsBounds(const VMPtr<CharArray>& data, jint off, jint len, jint x, jint y,
                           const VMPtr<VMArray<jint>>& out, jint a) {
    checkRange(data, off, len);
    jint t = transform;
    jint lb = leftBearing(data, off, len);
    jint w = inkWidth(data, off, len, lb);
    jint top = inkTop(data, off, len);
    jint h = inkHeight(data, off, len, top);
    jint dx = lb;
    if (a & (HCENTER | RIGHT)) dx = lb - vmShr(w, a & 1);
    if (backwardsX(t)) {
        dx = (a & LEFT) ? dx - 2 * lb : -dx;
        dx -= w;
    }
    jint dy = top;
    if (a & BASELINE)
        dy = top - getBaselinePosition();
    else if (a & BOTTOM)
        dy = top - getHeight();
    if (backwardsY(t)) {
        dy = (a & TOP) ? dy - 2 * top : -dy;
        dy -= h;
    }
    if (Gob::swapsAxes(t)) {
        out[0] = x + dy;
        out[1] = y + dx;
        out[2] = h;
        out[3] = w;
    } else {
        out[0] = x + dx;
        out[1] = y + dy;
        out[2] = w;
        out[3] = h;
    }
}

void RichFont::charBounds(jchar ch, jint x, jint y, const VMPtr<VMArray<jint>>& out, jint anchor) {
    VMPtr<CharArray> buf = charBuffer(1);
    buf[0] = ch;
    charsBounds(buf, 0, 1, x, y, out, anchor);
}

void RichFont::stringBounds(const VMPtr<String>& s, jint x, jint y, const VMPtr<VMArray<jint>>& out,
                            jint anchor) {
    jint n = s->length();
    VMPtr<CharArray> buf = charBuffer(n);
    s->getChars(0, n, buf, 0);
    charsBounds(buf, 0, n, x, y, out, anchor);
}

void RichFont::substringBounds(const VMPtr<String>& s, jint off, jint len, jint x, jint y,
                               const VMPtr<VMArray<jint>>& out, jint anchor) {
    VMPtr<CharArray> buf = charBuffer(len);
    s->getChars(off, off + len, buf, 0);
    charsBounds(buf, 0, len, x, y, out, anchor);
}

void RichFont::stringBounds(const VMPtr<StringBuffer>& sb, jint x, jint y,
                            const VMPtr<VMArray<jint>>& out, jint anchor) {
    jint n = sb->length();
    VMPtr<CharArray> buf = charBuffer(n);
    sb->getChars(0, n, buf, 0);
    charsBounds(buf, 0, n, x, y, out, anchor);
}

// --- drawing ------------------------------------------------------------------------

void RichFont::drawChars(const VMPtr<Graphics>& g, const VMPtr<CharArray>& data, jint off, jint len,
                         jint x, jint y, jint a) {
    checkRange(data, off, len);
    bool bitmap = glyphs != nullptr;
    jint t = bitmap ? transform : 0;
    bool swap = Gob::swapsAxes(t);
    jint d = (a & BASELINE) ? getBaselinePosition() : (a & BOTTOM) ? getHeight() : 0;
    if (t == 3)
        y += d;
    else if (t == 5)
        x += d;
    else if (t == 6)
        x -= d;
    else
        y -= d;
    if (a & (HCENTER | RIGHT)) {
        jint lb = leftBearing(data, off, len);
        jint w = isAdvanceAligned() ? charsWidth(data, off, len) : inkWidth(data, off, len, lb);
        jint s = vmShr(w, a & 1);
        if (backwardsX(t)) s = -(s + ((a & 1) & w));
        if (swap)
            y -= s;
        else
            x -= s;
    }
    if (!bitmap) {
        if (len == 0 || font == nullptr) return;
        if (g->getFont() != font) g->setFont(font);
        bool recoloured = false;
        jint old = 0;
        if (colourSet) {
            old = g->getColor() & 0xFFFFFF;
            if (old != colour) {
                g->setColor(colour);
                recoloured = true;
            }
        }
        g->drawChars(data, off, len, x, y, TOP | LEFT);
        if (recoloured) g->setColor(old);
        return;
    }
    jint missing = missingAdvance();
    const jchar* p = data->elements();
    for (jint i = off; i < off + len; ++i) {
        VMPtr<Gob> glyph = getGlyph(p[i]);
        jint step = missing;
        if (glyph != nullptr) {
            glyph->paint(g, x, y, t);
            step = glyph->boxWidth;
        }
        if (backwardsX(t)) step = -step;
        if (swap)
            y += step;
        else
            x += step;
    }
}

void RichFont::drawChar(const VMPtr<Graphics>& g, jchar ch, jint x, jint y, jint anchor) {
    VMPtr<CharArray> buf = charBuffer(1);
    buf[0] = ch;
    drawChars(g, buf, 0, 1, x, y, anchor);
}

void RichFont::drawString(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint x, jint y,
                          jint anchor) {
    jint n = s->length();
    VMPtr<CharArray> buf = charBuffer(n);
    s->getChars(0, n, buf, 0);
    drawChars(g, buf, 0, n, x, y, anchor);
}

void RichFont::drawSubstring(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint off, jint len,
                             jint x, jint y, jint anchor) {
    VMPtr<CharArray> buf = charBuffer(len);
    s->getChars(off, off + len, buf, 0);
    drawChars(g, buf, 0, len, x, y, anchor);
}

void RichFont::drawString(const VMPtr<Graphics>& g, const VMPtr<StringBuffer>& sb, jint x, jint y,
                          jint anchor) {
    jint n = sb->length();
    VMPtr<CharArray> buf = charBuffer(n);
    sb->getChars(0, n, buf, 0);
    drawChars(g, buf, 0, n, x, y, anchor);
}

void RichFont::drawNumber(const VMPtr<Graphics>& g, jint value, jint minDigits, jint x, jint y,
                          jint anchor) {
    Statics& s = S();
    if (s.number == nullptr) s.number = StringBuffer::make(8);
    VMPtr<StringBuffer> sb = s.number;
    sb->setLength(0);
    WrenCanvas::insertNumber(sb, value, minDigits, 0);
    drawString(g, sb, x, y, anchor);
}

}  // namespace wren::util::text
