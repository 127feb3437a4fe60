// wren.util.text.StringHelper: static string helpers for the text classes.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace wren::util::text {

class StringHelper : public virtual java::lang::Object {
    WREN_CLASS(StringHelper, java::lang::Object)
    WREN_PLAIN_OBJECT()
public:
    void ctor() { java::lang::Object::ctor(); }

    // The largest i with from <= i <= to and s[i] == c, or -1. Reads from
    // `to` downwards, so a `to` past the end fails at once as charAt does;
    // an empty range (to < from) reads nothing.
    static jint lastIndexOf(const VMPtr<java::lang::String>& s, jchar c, jint from, jint to);
};

}  // namespace wren::util::text
