#pragma once

#include "java_lang_IndexOutOfBoundsException.h"

namespace java::lang {

class ArrayIndexOutOfBoundsException : public IndexOutOfBoundsException {
    WREN_THROWABLE(ArrayIndexOutOfBoundsException, IndexOutOfBoundsException)
public:
    using IndexOutOfBoundsException::ctor;
    // The message is "Array index out of range: " and the index.
    void ctor(jint index);
};

}  // namespace java::lang
