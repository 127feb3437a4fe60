#include "java_lang_Character.h"

WREN_DEFINE_CLASS(java::lang::Character, "java.lang.Character")

namespace java::lang {

jboolean Character::isLowerCase(jchar ch) {
    clinit();
    return (ch >= 0x61 && ch <= 0x7A) || (ch >= 0xDF && ch <= 0xF6) || (ch >= 0xF8 && ch <= 0xFF);
}

jboolean Character::isUpperCase(jchar ch) {
    clinit();
    return (ch >= 0x41 && ch <= 0x5A) || (ch >= 0xC0 && ch <= 0xD6) || (ch >= 0xD8 && ch <= 0xDE);
}

jboolean Character::isDigit(jchar ch) {
    clinit();
    return ch >= u'0' && ch <= u'9';
}

jchar Character::toLowerCase(jchar ch) {
    clinit();
    return isUpperCase(ch) ? jchar(ch + 32) : ch;
}

// U+00DF and U+00FF have no Latin-1 capital, so they stay.
jchar Character::toUpperCase(jchar ch) {
    clinit();
    if ((ch >= 0x61 && ch <= 0x7A) || (ch >= 0xE0 && ch <= 0xF6) || (ch >= 0xF8 && ch <= 0xFE))
        return jchar(ch - 32);
    return ch;
}

jint Character::digit(jchar ch, jint radix) {
    clinit();
    if (radix < MIN_RADIX || radix > MAX_RADIX) return -1;
    jint value = -1;
    if (isDigit(ch)) value = ch - u'0';
    else if (isUpperCase(ch) || isLowerCase(ch)) value = (ch & 0x1F) + 9;
    return value < radix ? value : -1;
}

}  // namespace java::lang
