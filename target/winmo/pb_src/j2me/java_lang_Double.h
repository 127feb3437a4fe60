// java.lang.Double: the double constants and the text form of a double.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class Double : public virtual Object {
    WREN_CLASS(Double, Object)
public:
    struct Statics {
        jdouble MAX_VALUE = 0;
        jdouble MIN_VALUE = 0;
        jdouble NaN = 0;
        jdouble NEGATIVE_INFINITY = 0;
        jdouble POSITIVE_INFINITY = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // printf's "%G": at most six significant digits, no trailing zeros, the
    // exponent form (1.23457E+06) below 1E-4 and from 1E+6 on. NaN and the
    // infinities are "NaN", "Infinity" and "-Infinity".
    static VMPtr<String> toString(jdouble d);

private:
    void ctor() {}  // no instances
};

}  // namespace java::lang
