#include "javax_microedition_lcdui_Font.h"

#include "HAL_fonts.h"
#include "HAL_status.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_Integer.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Font, "javax.microedition.lcdui.Font")

namespace javax::microedition::lcdui {

using java::lang::IllegalArgumentException;

namespace {
bool rangeValid(jint offset, jint length, jint size) {
    return offset >= 0 && length >= 0 && int64_t(offset) + length <= size;
}
}  // namespace

void Font::staticInit() { S().cache = java::util::Hashtable::make(4); }

void Font::ctor(jint f, jint st, jint sz) {
    java::lang::Object::ctor();
    if (HAL_getFont(&record, f, st, sz) != HAL_OK) vmFatalError("HAL_getFont() failed.");
    face = f;
    style = st;
    size = sz;
    height = HAL_getFontHeight(record);
    baseline = HAL_getFontBaseline(record);
}

VMPtr<Font> Font::getFont(jint face, jint style, jint size) {
    clinit();
    if (face != FACE_SYSTEM && face != FACE_MONOSPACE && face != FACE_PROPORTIONAL)
        IllegalArgumentException::throwNew(WREN_LIT("Unsupported face"));
    if ((style & ~7) != 0) IllegalArgumentException::throwNew(WREN_LIT("Unsupported style"));
    if (size != SIZE_SMALL && size != SIZE_MEDIUM && size != SIZE_LARGE)
        IllegalArgumentException::throwNew(WREN_LIT("Unsupported size"));
    VMSynchronized guard(classRecord());
    VMPtr<java::lang::Integer> key = java::lang::Integer::make(face | style | size);
    VMPtr<Font> font = vmCast<Font>(S().cache->get(key));
    if (font == nullptr) {
        font = make(face, style, size);
        S().cache->put(key, font);
    }
    return font;
}

VMPtr<Font> Font::getDefaultFont() {
    clinit();
    VMSynchronized guard(classRecord());
    if (S().defaultFont == nullptr) S().defaultFont = make(FACE_SYSTEM, STYLE_PLAIN, SIZE_MEDIUM);
    return S().defaultFont;
}

jint Font::getStyle() { return style; }
jint Font::getSize() { return size; }
jint Font::getFace() { return face; }
jboolean Font::isPlain() { return style == STYLE_PLAIN; }
jboolean Font::isBold() { return (style & STYLE_BOLD) != 0; }
jboolean Font::isItalic() { return (style & STYLE_ITALIC) != 0; }
jboolean Font::isUnderlined() { return (style & STYLE_UNDERLINED) != 0; }
jint Font::getHeight() { return height; }
jint Font::getBaselinePosition() { return baseline; }

jint Font::charWidth(jchar ch) { return HAL_getStringWidth(record, &ch, 1); }

jint Font::charsWidth(const VMPtr<VMArray<jchar>>& ch, jint offset, jint length) {
    if (ch == nullptr) vmThrowNullPointer();
    if (!rangeValid(offset, length, ch->length))
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    if (length == 0) return 0;
    return HAL_getStringWidth(record, ch->elements() + offset, length);
}

jint Font::substringWidth(const VMPtr<java::lang::String>& str, jint offset, jint len) {
    if (str == nullptr) vmThrowNullPointer();
    if (!rangeValid(offset, len, str->length()))
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    if (len == 0) return 0;
    return HAL_getStringWidth(record, str->value->elements() + str->offset + offset, len);
}

jint Font::stringWidth(const VMPtr<java::lang::String>& str) {
    if (str == nullptr) vmThrowNullPointer();
    return substringWidth(str, 0, str->length());
}

}  // namespace javax::microedition::lcdui
