// java.lang.String: immutable UTF-16 text over a char array that substrings
// and string buffers may share.
#pragma once

#include <string>

#include "VMArray.h"
#include "VMClass.h"

class NativeString;
class VMCString;

namespace java::lang {

class StringBuffer;

class String : public virtual Object {
    WREN_CLASS(String, Object, (value, VMArray<jchar>))
    WREN_PLAIN_OBJECT()
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
    // Shares `chars` without copying or checking: for substrings and buffers
    // that already hold the characters.
    void ctor(jint offset, jint count, const VMPtr<VMArray<jchar>>& chars);
    // new String(char[] value, int offset, int count): a copy of the range.
    void ctor(const VMPtr<VMArray<jchar>>& chars, jint offset, jint count);
    // new String(byte[] bytes, int off, int len, String enc): "UTF-8"/"UTF8"
    // (modified UTF-8 accepted; a malformed lead byte throws RuntimeException)
    // or the one-byte encodings "ISO-8859-1", "ISO8859_1", "US-ASCII", "ASCII".
    void ctor(const VMPtr<VMArray<jbyte>>& bytes, jint off, jint len, const VMPtr<String>& enc);
    void ctor(const VMPtr<VMArray<jbyte>>& bytes, jint off, jint len);
    void ctor(const VMPtr<VMArray<jbyte>>& bytes, const VMPtr<String>& enc);
    void ctor(const VMPtr<VMArray<jbyte>>& bytes);
    // Shares the buffer's array; the buffer copies before it next changes
    // characters this String can see.
    void ctor(const VMPtr<StringBuffer>& buffer);
    // The text of a bridge string handle. A handle the bridge can't read is
    // fatal.
    void ctor(NativeString* handle);

    jint length() { return count; }
    jchar charAt(jint index);
    jboolean equals(const VMPtr<Object>& other) override;
    // True when the text equals the decoding of the NUL-terminated UTF-8 text.
    jboolean equals(const char* utf8);
    jint hashCode() override;
    VMPtr<String> toString() override;

    jboolean equalsIgnoreCase(const VMPtr<String>& other);
    jboolean regionMatches(jboolean ignoreCase, jint toffset, const VMPtr<String>& other,
                           jint ooffset, jint len);
    jboolean startsWith(const VMPtr<String>& prefix, jint toffset);
    jboolean startsWith(const VMPtr<String>& prefix);
    jint indexOf(jint ch, jint fromIndex);
    jint indexOf(jint ch);
    jint lastIndexOf(jint ch, jint fromIndex);
    jint lastIndexOf(jint ch);
    VMPtr<String> substring(jint beginIndex, jint endIndex);
    VMPtr<String> substring(jint beginIndex);
    void getChars(jint srcBegin, jint srcEnd, const VMPtr<VMArray<jchar>>& dst, jint dstBegin);
    VMPtr<String> replace(jchar oldChar, jchar newChar);
    VMPtr<String> toLowerCase();
    VMPtr<String> trim();

    // String.valueOf. A reference of any kind (field, static, raw pointer)
    // goes to valueOf(Object), never to valueOf(boolean), and a C++ `char` is
    // a Java char.
    static VMPtr<String> valueOf(const VMPtr<Object>& obj);
    static VMPtr<String> valueOf(Object* obj) { return valueOf(VMPtr<Object>(obj)); }
    template <class R>
        requires VMRefLike<R>
    static VMPtr<String> valueOf(const R& ref) {
        return valueOf(VMPtr<Object>(vmObj(ref.get())));
    }
    static VMPtr<String> valueOf(jboolean b);
    static VMPtr<String> valueOf(jchar c);
    static VMPtr<String> valueOf(char c) { return valueOf(jchar(static_cast<unsigned char>(c))); }
    static VMPtr<String> valueOf(jint i);
    static VMPtr<String> valueOf(jlong l);
    static VMPtr<String> valueOf(jfloat f);
    static VMPtr<String> valueOf(jdouble d);

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

// Sets `out` to the modified UTF-8 of `s` (an empty String gives the empty
// text), or appends it. A null String throws NullPointerException.
void vmCStringAssign(VMCString& out, const VMPtr<java::lang::String>& s);
void vmCStringAppend(VMCString& out, const VMPtr<java::lang::String>& s);
