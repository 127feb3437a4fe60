#include "java_lang_StringBuffer.h"

#include <cstring>

#include "VMUtf8.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_StringIndexOutOfBoundsException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::lang::StringBuffer, "java.lang.StringBuffer")

namespace java::lang {

namespace {

constexpr int64_t kMaxChars = 0x7fffffff;

// The length of a NUL-terminated text as a char count that an array can
// hold (one byte is at most one char).
jint textLength(const char* utf8) {
    if (!utf8) vmThrowNullPointer();
    size_t n = std::strlen(utf8);
    if (n > size_t(kMaxChars - 16)) OutOfMemoryError::throwNew();
    return jint(n);
}

}  // namespace

void StringBuffer::ctor() { ctor(16); }

void StringBuffer::ctor(jint capacity) {
    Object::ctor();
    value = VMArray<jchar>::create(capacity);
    count = 0;
    shared = false;
    initialised = true;
}

void StringBuffer::ctor(const VMPtr<String>& str) {
    ctor(str->length() + 16);
    append(str);
}

void StringBuffer::ctor(const char* utf8) {
    jint n = textLength(utf8);
    ctor(n + 16);
    append(utf8, n);
}

void StringBuffer::checkInitialised() {
    if (!initialised) vmFatalError("Using StringBuffer without initialization!");
}

void StringBuffer::expandCapacity(int64_t minimumCapacity) {
    if (minimumCapacity > kMaxChars) OutOfMemoryError::throwNew();
    int64_t newCapacity = (int64_t(value->length) + 1) * 2;
    if (newCapacity > kMaxChars) newCapacity = kMaxChars;
    else if (minimumCapacity > newCapacity) newCapacity = minimumCapacity;
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(jint(newCapacity));
    vmArrayCopyElements(a.get(), value.get(), 0, 0, count);
    value = a;
    shared = false;
}

void StringBuffer::copy() {
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(value->length);
    vmArrayCopyElements(a.get(), value.get(), 0, 0, count);
    value = a;
    shared = false;
}

VMPtr<StringBuffer> StringBuffer::append(const VMPtr<String>& str) {
    VMSynchronized guard(this);
    checkInitialised();
    VMPtr<String> s = str;
    if (!s) s = WREN_LIT("null");
    jint len = s->length();
    int64_t newCount = int64_t(count) + len;
    if (newCount > value->length) expandCapacity(newCount);
    s->getChars(0, len, VMPtr<VMArray<jchar>>(value), count);
    count = jint(newCount);
    return this;
}

VMPtr<StringBuffer> StringBuffer::append(jchar c) {
    VMSynchronized guard(this);
    checkInitialised();
    if (int64_t(count) + 1 > value->length) expandCapacity(int64_t(count) + 1);
    value->elements()[count++] = c;
    return this;
}

VMPtr<StringBuffer> StringBuffer::append(const char* utf8, jint n) {
    VMSynchronized guard(this);
    checkInitialised();
    if (n < 0) StringIndexOutOfBoundsException::throwNew(n);
    if (!utf8 && n > 0) vmThrowNullPointer();
    auto bytes = reinterpret_cast<const uint8_t*>(utf8);
    bool ok = true;
    size_t chars = vmUtf8CharCount(bytes, size_t(n), ok);
    int64_t newCount = int64_t(count) + int64_t(chars);
    if (newCount > value->length) expandCapacity(newCount);
    // The text ends before a malformed lead byte, as the count does; the
    // decoder may store one char past it, which stays outside the text.
    size_t room = size_t(value->length - count);
    vmDecodeUtf8(value->elements() + count, room, bytes, size_t(n), ok);
    count = jint(newCount);
    return this;
}

VMPtr<StringBuffer> StringBuffer::append(const char* utf8) {
    return append(utf8, textLength(utf8));
}

VMPtr<StringBuffer> StringBuffer::append(jint i) { return append(String::valueOf(i)); }

VMPtr<StringBuffer> StringBuffer::append(const VMPtr<Object>& obj) {
    return append(String::valueOf(obj));
}

VMPtr<StringBuffer> StringBuffer::insert(jint offset, const VMPtr<String>& str) {
    VMSynchronized guard(this);
    if (offset < 0 || offset > count) StringIndexOutOfBoundsException::throwNew();
    VMPtr<String> s = str;
    if (!s) s = WREN_LIT("null");
    jint len = s->length();
    int64_t newCount = int64_t(count) + len;
    if (newCount > value->length) expandCapacity(newCount);
    else if (shared) copy();
    System::arraycopy(value, offset, value, offset + len, count - offset);
    s->getChars(0, len, VMPtr<VMArray<jchar>>(value), offset);
    count = jint(newCount);
    return this;
}

VMPtr<StringBuffer> StringBuffer::insert(jint offset, jchar c) {
    VMSynchronized guard(this);
    if (offset < 0 || offset > count) StringIndexOutOfBoundsException::throwNew();
    if (int64_t(count) + 1 > value->length) expandCapacity(int64_t(count) + 1);
    else if (shared) copy();
    System::arraycopy(value, offset, value, offset + 1, count - offset);
    value->elements()[offset] = c;
    ++count;
    return this;
}

VMPtr<StringBuffer> StringBuffer::insert(jint offset, jint i) {
    return insert(offset, String::valueOf(i));
}

void StringBuffer::setLength(jint newLength) {
    VMSynchronized guard(this);
    if (newLength < 0) StringIndexOutOfBoundsException::throwNew(newLength);
    if (newLength > value->length) expandCapacity(newLength);
    if (count < newLength) {
        if (shared) copy();
        jchar* c = value->elements();
        for (jint i = count; i < newLength; ++i) c[i] = 0;
        count = newLength;
    } else {
        count = newLength;
        if (shared) {
            if (newLength > 0) {
                copy();
            } else {
                value = VMArray<jchar>::create(16);
                shared = false;
            }
        }
    }
}

void StringBuffer::getChars(jint srcBegin, jint srcEnd, const VMPtr<VMArray<jchar>>& dst,
                            jint dstBegin) {
    if (srcBegin < 0) StringIndexOutOfBoundsException::throwNew(srcBegin);
    if (srcEnd < 0 || srcEnd > count) StringIndexOutOfBoundsException::throwNew(srcEnd);
    if (srcBegin > srcEnd) StringIndexOutOfBoundsException::throwNew(WREN_LIT("srcBegin > srcEnd"));
    System::arraycopy(value, srcBegin, dst, dstBegin, srcEnd - srcBegin);
}

VMPtr<String> StringBuffer::toString() {
    VMPtr<String> s = String::make(0, count, VMPtr<VMArray<jchar>>(value));
    shared = true;
    return s;
}

}  // namespace java::lang
