#pragma once

#include "VMException.h"
#include "java_lang_String.h"

namespace java::lang {

class Throwable : public VMException {
    WREN_THROWABLE(Throwable, Object, (message, String))
public:
    void ctor() {}
    void ctor(const VMPtr<String>& text) { message = text; }
    virtual VMPtr<String> getMessage();
    virtual void printStackTrace();
    VMPtr<String> toString() override;
};

}  // namespace java::lang

// The one-line declaration of an exception class that adds nothing to its
// superclass but its name: its constructors are the superclass's.
#define WREN_EXCEPTION_CLASS(ns, Name, Super)   \
    namespace ns {                              \
    class Name : public Super {                 \
        WREN_THROWABLE(Name, Super)             \
    public:                                     \
        using Super::ctor;                      \
    };                                          \
    }
