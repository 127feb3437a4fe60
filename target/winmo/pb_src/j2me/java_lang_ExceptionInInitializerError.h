#pragma once

#include "java_lang_Error.h"

namespace java::lang {

// Wraps what a static initialiser threw, when that was not an Error.
class ExceptionInInitializerError : public Error {
    WREN_THROWABLE(ExceptionInInitializerError, Error, (exception, Throwable))
public:
    void ctor() {}
    void ctor(const VMPtr<Throwable>& thrown) { exception = thrown; }
    virtual VMPtr<Throwable> getException() { return exception; }
};

}  // namespace java::lang
