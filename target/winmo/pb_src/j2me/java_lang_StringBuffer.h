// java.lang.StringBuffer: the growable text behind concatenation. Strings made
// from it share its array; it copies only before changing characters that
// such a String can see.
#pragma once

#include "java_lang_String.h"

namespace java::lang {

class StringBuffer : public virtual Object {
    WREN_CLASS(StringBuffer, Object, (value, VMArray<jchar>))
    WREN_PLAIN_OBJECT()
public:
    jint count = 0;
    // A String made by toString (or new String(buffer)) may share `value`.
    jboolean shared = false;
    // Set by the constructors; appending to a buffer that none of them ran
    // on is a fatal error.
    jboolean initialised = false;

    void ctor();
    void ctor(jint capacity);
    void ctor(const VMPtr<String>& str);
    // From NUL-terminated UTF-8 text, with no intermediate String.
    void ctor(const char* utf8);

    jint length() { return count; }

    // Every mutator holds the buffer's monitor and returns this buffer.
    VMPtr<StringBuffer> append(const VMPtr<String>& str);
    VMPtr<StringBuffer> append(String* str) { return append(VMPtr<String>(str)); }
    VMPtr<StringBuffer> append(jchar c);
    VMPtr<StringBuffer> append(char c) { return append(jchar(static_cast<unsigned char>(c))); }
    // `n` bytes of UTF-8; the text ends before a malformed lead byte.
    VMPtr<StringBuffer> append(const char* utf8, jint n);
    VMPtr<StringBuffer> append(const char* utf8);
    VMPtr<StringBuffer> append(jint i);
    VMPtr<StringBuffer> append(const VMPtr<Object>& obj);
    VMPtr<StringBuffer> append(Object* obj) { return append(VMPtr<Object>(obj)); }
    // A field, static or other reference goes to the overload its static
    // type names, as in Java.
    template <class R>
        requires VMRefLike<R>
    VMPtr<StringBuffer> append(const R& ref) {
        return append(ref.get());
    }
    // No append(boolean) here: keep a bool from turning into append(int).
    VMPtr<StringBuffer> append(jboolean) = delete;

    VMPtr<StringBuffer> insert(jint offset, const VMPtr<String>& str);
    VMPtr<StringBuffer> insert(jint offset, jchar c);
    VMPtr<StringBuffer> insert(jint offset, char c) {
        return insert(offset, jchar(static_cast<unsigned char>(c)));
    }
    VMPtr<StringBuffer> insert(jint offset, jint i);
    VMPtr<StringBuffer> insert(jint offset, jboolean) = delete;

    void setLength(jint newLength);
    void getChars(jint srcBegin, jint srcEnd, const VMPtr<VMArray<jchar>>& dst, jint dstBegin);
    // A String sharing this buffer's array; not synchronized.
    VMPtr<String> toString() override;

private:
    void checkInitialised();
    // Grows to (capacity + 1) * 2 chars, or `minimumCapacity` when that is
    // more; a capacity that no char array can hold raises OutOfMemoryError.
    void expandCapacity(int64_t minimumCapacity);
    // Gives the buffer an array of its own, of the same capacity.
    void copy();
};

}  // namespace java::lang
