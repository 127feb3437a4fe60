#pragma once

#include "java_lang_IndexOutOfBoundsException.h"

namespace java::lang {

class StringIndexOutOfBoundsException : public IndexOutOfBoundsException {
    WREN_THROWABLE(StringIndexOutOfBoundsException, IndexOutOfBoundsException)
public:
    using IndexOutOfBoundsException::ctor;
    // The message is "String index out of range: " and the index.
    void ctor(jint index);
};

}  // namespace java::lang
