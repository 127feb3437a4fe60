#include "java_lang_Float.h"

#include <bit>

#include "java_lang_Double.h"

WREN_DEFINE_CLASS(java::lang::Float, "java.lang.Float")

namespace java::lang {

void Float::staticInit() {
    Statics& s = wrenStatics_();
    s.MAX_VALUE = std::bit_cast<jfloat>(uint32_t(0x7F7FFFFF));
    s.MIN_VALUE = std::bit_cast<jfloat>(uint32_t(1));
    s.NaN = std::bit_cast<jfloat>(uint32_t(0x7FC00000));
    s.POSITIVE_INFINITY = std::bit_cast<jfloat>(uint32_t(0x7F800000));
    s.NEGATIVE_INFINITY = -s.POSITIVE_INFINITY;
}

VMPtr<String> Float::toString(jfloat f) {
    clinit();
    return Double::toString(jdouble(f));
}

}  // namespace java::lang
