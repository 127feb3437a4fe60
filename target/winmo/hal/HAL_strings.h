// Native strings: the reference-counted UTF-16 text in which the bridge
// hands text to the runtime, and the operations the runtime reads them with.
#pragma once

#include <cstdint>

#include "VMTypes.h"

class NativeString {
public:
    // Each factory makes an own NUL-terminated copy with one reference, or
    // gives null when memory runs out.
    // From NUL-terminated text; null gives an empty string.
    static NativeString* fromCString(const jchar* text);
    // From `length` units; null characters (or a length below 1) give an
    // empty string, with no buffer when the characters are null.
    static NativeString* fromChars(const jchar* chars, jint length);
    static NativeString* copyOf(const NativeString& other);
    // Units begin .. end-1 of `other`, the range clamped to the string.
    static NativeString* substringOf(const NativeString& other, jint begin, jint end);

    NativeString(const NativeString&) = delete;
    NativeString& operator=(const NativeString&) = delete;

    void addRef() { ++refCount_; }
    // Drops one reference; the last one frees the string.
    void release();

    jint length() const { return buffer_ ? length_ : 0; }
    // The NUL-terminated units, or null for an empty string made from nothing.
    const jchar* buffer() const { return buffer_; }
    // Copies the units without a terminator; false when there is no buffer.
    bool getChars(jchar* out) const;
    // 0 when the index is not inside the string.
    jchar charAt(jint index) const;
    // Index of `c` at or after `from` (a negative start counts as 0), or -1.
    jint indexOf(jchar c, jint from) const;
    jint lastIndexOf(jchar c) const;
    // Same text, unit for unit; false for null.
    bool equals(const NativeString* other) const;
    // Appends NUL-terminated text or another string; empty or null text
    // changes nothing. False when memory runs out (the string is unchanged).
    bool append(const jchar* text);
    bool append(const NativeString* other);

private:
    NativeString() = default;
    ~NativeString();
    bool assign(const jchar* chars, jint length);
    bool appendChars(const jchar* chars, jint length);

    int32_t refCount_ = 1;
    jchar* buffer_ = nullptr;
    jint length_ = 0;
};

// Status-returning access for the runtime (HAL_OK or HAL_BAD_ARGUMENT).
// Drops the caller's reference.
int32_t HAL_releaseString(NativeString* string);
int32_t HAL_getStringLength(NativeString* string, jint* length);
// Copies the units, no terminator; a string without a buffer is a bad argument.
int32_t HAL_getStringCharacters(NativeString* string, jchar* buffer);
