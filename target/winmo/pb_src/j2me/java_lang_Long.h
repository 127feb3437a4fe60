// java.lang.Long: the boxed long and its radix formatting.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class Long : public virtual Object {
    WREN_CLASS(Long, Object)
public:
    jlong value = 0;

    void ctor(jlong v);

    // The low word XOR the high word.
    jint hashCode() override;
    jboolean equals(const VMPtr<Object>& other) override;
    VMPtr<String> toString() override;

    // The text of `l` in `radix`; a radix outside 2..36 gives decimal.
    static VMPtr<String> toString(jlong l, jint radix);
};

}  // namespace java::lang
