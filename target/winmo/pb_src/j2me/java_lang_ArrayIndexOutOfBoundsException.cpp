#include "java_lang_ArrayIndexOutOfBoundsException.h"

#include <cstdio>

WREN_DEFINE_CLASS(java::lang::ArrayIndexOutOfBoundsException,
                  "java.lang.ArrayIndexOutOfBoundsException")

void java::lang::ArrayIndexOutOfBoundsException::ctor(jint index) {
    char text[48];
    std::snprintf(text, sizeof text, "Array index out of range: %d", int(index));
    IndexOutOfBoundsException::ctor(String::make(text));
}
