// java.lang.String: immutable UTF-16 text over a char array that substrings
// and string buffers may share.
#pragma once

#include <string>

#include "VMArray.h"
#include "VMClass.h"

namespace java::lang {

class String : public virtual Object {
    WREN_CLASS(String, Object, (value, VMArray<jchar>))
public:
    jint offset = 0;
    jint count = 0;

    void ctor();
    // From UTF-8 (NUL-terminated, or `n` bytes). Malformed input is not an
    // error: the text ends before a malformed lead byte and a broken sequence
    // gives U+0080.
    void ctor(const char* utf8);
    void ctor(const char* utf8, jint n);
    void ctor(const jchar* chars, jint n);
    // Shares `chars` without copying or checking.
    void ctor(jint offset, jint count, const VMPtr<VMArray<jchar>>& chars);

    jint length() { return count; }
    jchar charAt(jint index);
    jboolean equals(const VMPtr<Object>& other) override;
    // True when the text equals the decoding of the NUL-terminated UTF-8 text.
    jboolean equals(const char* utf8);
    jint hashCode() override;
    VMPtr<String> toString() override;

    // The text as (modified) UTF-8, for the runtime's own use.
    std::string toUtf8();
};

}  // namespace java::lang

// The interned String of a NUL-terminated UTF-8 literal; null for null. The
// same text always gives the same object, which lives until the process ends.
VMPtr<java::lang::String> vmStringLiteral(const char* text);

// A string literal in translated code: looked up once per call site.
#define WREN_LIT(text)                                                              \
    ([]() -> ::java::lang::String* {                                                \
        static ::java::lang::String* const literal_ = ::vmStringLiteral(text).get(); \
        return literal_;                                                            \
    }())
