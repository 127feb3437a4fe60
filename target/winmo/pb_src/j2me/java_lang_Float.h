// java.lang.Float: the float constants and the text form of a float.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class Float : public virtual Object {
    WREN_CLASS(Float, Object)
public:
    struct Statics {
        jfloat MAX_VALUE = 0;
        jfloat MIN_VALUE = 0;
        jfloat NaN = 0;
        jfloat NEGATIVE_INFINITY = 0;
        jfloat POSITIVE_INFINITY = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // Double.toString of the value widened to double.
    static VMPtr<String> toString(jfloat f);

private:
    void ctor() {}  // no instances
};

}  // namespace java::lang
