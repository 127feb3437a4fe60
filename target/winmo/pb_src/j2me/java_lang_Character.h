// java.lang.Character: the Latin-1 letter and digit classes.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class Character : public virtual Object {
    WREN_CLASS(Character, Object)
public:
    static constexpr jint MIN_RADIX = 2;
    static constexpr jint MAX_RADIX = 36;

    static jboolean isLowerCase(jchar ch);
    static jboolean isUpperCase(jchar ch);
    static jboolean isDigit(jchar ch);
    static jchar toLowerCase(jchar ch);
    static jchar toUpperCase(jchar ch);
    // The value of `ch` as a digit in `radix`, or -1. Letters, Latin-1 ones
    // included, count from 10 by their low five bits.
    static jint digit(jchar ch, jint radix);

private:
    void ctor() {}  // no instances
};

}  // namespace java::lang
