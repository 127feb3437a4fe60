#include "java_lang_Integer.h"

#include "VMMath.h"
#include "java_lang_Character.h"
#include "java_lang_NumberFormatException.h"

WREN_DEFINE_CLASS(java::lang::Integer, "java.lang.Integer")

namespace java::lang {

namespace {
constexpr char16_t kDigits[] = u"0123456789abcdefghijklmnopqrstuvwxyz";
}

void Integer::ctor(jint v) {
    Object::ctor();
    value = v;
}

// Integer is final: an object of exactly this class is the only match, and
// the cast checks just that.
jboolean Integer::equals(const VMPtr<Object>& other) {
    Integer* i = vmDowncast<Integer>(other.get());
    return i && i->value == value;
}

VMPtr<String> Integer::toString() { return toString(value, 10); }

VMPtr<String> Integer::toString(jint i, jint radix) {
    clinit();
    if (radix < Character::MIN_RADIX || radix > Character::MAX_RADIX) radix = 10;
    jchar buf[33];
    jint pos = 32;
    // Digits of the negative value, so that the most negative int needs no
    // special case.
    jint n = i < 0 ? i : -i;
    while (n <= -radix) {
        buf[pos--] = kDigits[-vmRem(n, radix)];
        n = vmDiv(n, radix);
    }
    buf[pos] = kDigits[-n];
    if (i < 0) buf[--pos] = u'-';
    return String::make(buf + pos, 33 - pos);
}

VMPtr<String> Integer::toHexString(jint i) {
    clinit();
    jchar buf[32];
    jint pos = 32;
    do {
        buf[--pos] = kDigits[i & 15];
        i = vmUshr(i, 4);
    } while (i != 0);
    return String::make(buf + pos, 32 - pos);
}

jint Integer::parseInt(const VMPtr<String>& s, jint radix) {
    clinit();
    return parse(s, radix, true, 0);
}

jint Integer::parseInt(const VMPtr<String>& s) { return parseInt(s, 10); }

jint Integer::parse(const VMPtr<String>& s, jint radix, bool throwing, jint fallback) {
    auto fail = [&]() -> jint {
        if (throwing) NumberFormatException::throwNew(s);
        return fallback;
    };
    if (!s) {
        if (throwing) vmThrowNullPointer();
        return fallback;
    }
    jint length = s->length();
    if (length == 0) {
        if (throwing) NumberFormatException::throwNew(WREN_LIT("empty String"));
        return fallback;
    }
    if (radix < Character::MIN_RADIX) {
        if (throwing)
            NumberFormatException::throwNew(WREN_LIT("radix less than Character.MIN_RADIX"));
        return fallback;
    }
    if (radix > Character::MAX_RADIX) {
        if (throwing)
            NumberFormatException::throwNew(WREN_LIT("radix greater than Character.MAX_RADIX"));
        return fallback;
    }
    // Accumulate negatively: the negative range holds one more value.
    bool negative = s->charAt(0) == u'-';
    jint i = negative ? 1 : 0;
    jint limit = negative ? jint(-2147483647 - 1) : jint(-2147483647);
    jint multmin = vmDiv(limit, radix);
    jint result = 0;
    if (i < length) {
        jint digit = Character::digit(s->charAt(i++), radix);
        if (digit < 0) return fail();
        result = -digit;
    }
    while (i < length) {
        jint digit = Character::digit(s->charAt(i++), radix);
        if (digit < 0 || result < multmin) return fail();
        result *= radix;
        if (result < limit + digit) return fail();
        result -= digit;
    }
    if (negative) return i > 1 ? result : fail();
    return -result;
}

}  // namespace java::lang
