// java.lang.Integer: the boxed int, radix formatting and parsing.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class Integer : public virtual Object {
    WREN_CLASS(Integer, Object)
    WREN_PLAIN_OBJECT()
public:
    jint value = 0;

    void ctor(jint v);

    jint hashCode() override { return value; }
    jboolean equals(const VMPtr<Object>& other) override;
    VMPtr<String> toString() override;

    // The text of `i` in `radix` (lower-case letters); a radix outside 2..36
    // gives decimal.
    static VMPtr<String> toString(jint i, jint radix);
    // Unsigned hexadecimal, lower-case, no leading zeros.
    static VMPtr<String> toHexString(jint i);
    // Throws NumberFormatException with the text itself as message when it is
    // not a number in the radix; a leading '+' is not accepted.
    static jint parseInt(const VMPtr<String>& s, jint radix);
    static jint parseInt(const VMPtr<String>& s);

private:
    // The one parser: on a malformed text it throws when `throwing`, else
    // gives `fallback`.
    static jint parse(const VMPtr<String>& s, jint radix, bool throwing, jint fallback);
};

}  // namespace java::lang
