#include "java_lang_Double.h"

#include <bit>
#include <cmath>
#include <cstdio>

WREN_DEFINE_CLASS(java::lang::Double, "java.lang.Double")

namespace java::lang {

void Double::staticInit() {
    Statics& s = wrenStatics_();
    s.MAX_VALUE = std::bit_cast<jdouble>(uint64_t(0x7FEFFFFFFFFFFFFF));
    s.MIN_VALUE = std::bit_cast<jdouble>(uint64_t(1));
    s.NaN = std::bit_cast<jdouble>(uint64_t(0x7FF8000000000000));
    s.POSITIVE_INFINITY = std::bit_cast<jdouble>(uint64_t(0x7FF0000000000000));
    s.NEGATIVE_INFINITY = -s.POSITIVE_INFINITY;
}

VMPtr<String> Double::toString(jdouble d) {
    clinit();
    // The formatter's own texts for these depend on the sign bit of a NaN;
    // one fixed text each keeps them stable.
    if (std::isnan(d)) return WREN_LIT("NaN");
    if (std::isinf(d)) return d > 0 ? WREN_LIT("Infinity") : WREN_LIT("-Infinity");
    char buf[32];
    std::snprintf(buf, sizeof buf, "%G", d);
    return String::make(buf);
}

}  // namespace java::lang
