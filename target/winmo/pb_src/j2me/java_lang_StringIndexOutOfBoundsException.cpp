#include "java_lang_StringIndexOutOfBoundsException.h"

#include <cstdio>

WREN_DEFINE_CLASS(java::lang::StringIndexOutOfBoundsException,
                  "java.lang.StringIndexOutOfBoundsException")

void java::lang::StringIndexOutOfBoundsException::ctor(jint index) {
    char text[48];
    std::snprintf(text, sizeof text, "String index out of range: %d", int(index));
    IndexOutOfBoundsException::ctor(String::make(text));
}
