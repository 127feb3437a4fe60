#include "java_lang_Long.h"

#include "VMMath.h"
#include "java_lang_Character.h"

WREN_DEFINE_CLASS(java::lang::Long, "java.lang.Long")

namespace java::lang {

namespace {
constexpr char16_t kDigits[] = u"0123456789abcdefghijklmnopqrstuvwxyz";
}

void Long::ctor(jlong v) {
    Object::ctor();
    value = v;
}

jint Long::hashCode() { return jint(value ^ vmUshr(value, 32)); }

jboolean Long::equals(const VMPtr<Object>& other) {
    if (!vmIsInstanceOf(other, classRecord())) return false;
    return vmDowncast<Long>(other.get())->value == value;
}

VMPtr<String> Long::toString() { return toString(value, 10); }

VMPtr<String> Long::toString(jlong l, jint radix) {
    clinit();
    if (radix < Character::MIN_RADIX || radix > Character::MAX_RADIX) radix = 10;
    jchar buf[65];
    jint pos = 64;
    // Digits of the negative value, so that the most negative long needs no
    // special case.
    jlong n = l < 0 ? l : -l;
    while (n <= -jlong(radix)) {
        buf[pos--] = kDigits[-vmRem(n, jlong(radix))];
        n = vmDiv(n, jlong(radix));
    }
    buf[pos] = kDigits[-n];
    if (l < 0) buf[--pos] = u'-';
    return String::make(buf + pos, 65 - pos);
}

}  // namespace java::lang
