#include "java_lang_String.h"

#include <cstring>

#include <new>

#include "HAL_status.h"
#include "HAL_strings.h"
#include "VMCString.h"
#include "VMHeap.h"
#include "VMUtf8.h"
#include "java_io_UnsupportedEncodingException.h"
#include "java_lang_Character.h"
#include "java_lang_Double.h"
#include "java_lang_Float.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_Integer.h"
#include "java_lang_Long.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_StringIndexOutOfBoundsException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::lang::String, "java.lang.String")

namespace java::lang {

namespace {

[[noreturn]] void throwBadRange(jint number) {
    IndexOutOfBoundsException::throwNew(String::valueOf(number));
}

const uint8_t* byteData(const VMPtr<VMArray<jbyte>>& bytes, jint off) {
    return reinterpret_cast<const uint8_t*>(bytes->elements()) + off;
}

}  // namespace

void String::ctor() { value = VMArray<jchar>::create(0); }

void String::ctor(const char* utf8) {
    if (!utf8) vmThrowNullPointer();
    size_t n = std::strlen(utf8);
    // No char array holds more chars than this; one byte is at most one char.
    if (n > size_t(0x7fffffff)) vmCheckedArrayBytes(int64_t(n), sizeof(jchar));
    ctor(utf8, jint(n));
}

void String::ctor(const char* utf8, jint n) {
    if (n < 0) StringIndexOutOfBoundsException::throwNew(n);
    if (!utf8 && n > 0) vmThrowNullPointer();
    auto bytes = reinterpret_cast<const uint8_t*>(utf8);
    bool ok = true;
    size_t chars = vmUtf8CharCount(bytes, size_t(n), ok);
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(jint(chars));
    vmDecodeUtf8(a->elements(), chars, bytes, size_t(n), ok);
    value = a;
    offset = 0;
    count = a->length;
}

void String::ctor(const jchar* chars, jint n) {
    if (n < 0) StringIndexOutOfBoundsException::throwNew(n);
    if (!chars && n > 0) vmThrowNullPointer();
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(n);
    if (n > 0) std::memcpy(a->elements(), chars, size_t(n) * sizeof(jchar));
    value = a;
    offset = 0;
    count = n;
}

void String::ctor(jint off, jint n, const VMPtr<VMArray<jchar>>& chars) {
    value = chars;
    offset = off;
    count = n;
}

void String::ctor(const VMPtr<VMArray<jchar>>& chars, jint off, jint n) {
    if (!chars) vmThrowNullPointer();
    if (off < 0) StringIndexOutOfBoundsException::throwNew(off);
    if (n < 0) StringIndexOutOfBoundsException::throwNew(n);
    if (off > chars->length - n) StringIndexOutOfBoundsException::throwNew(off + n);
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(n);
    System::arraycopy(chars, off, a, 0, n);
    value = a;
    offset = 0;
    count = n;
}

void String::ctor(const VMPtr<VMArray<jbyte>>& bytes, jint off, jint len,
                  const VMPtr<String>& enc) {
    jint length = bytes->length;
    if (off < 0) throwBadRange(off);
    if (len < 0) throwBadRange(len);
    if (off > length - len) throwBadRange(off + len);
    if (!enc) vmThrowNullPointer();
    offset = 0;
    if (enc->equals("UTF-8") || enc->equals("UTF8")) {
        bool ok = true;
        size_t chars = vmUtf8CharCount(byteData(bytes, off), size_t(len), ok);
        if (!ok) RuntimeException::throwNew(WREN_LIT("Improperly formatted UTF-8 string."));
        VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(jint(chars));
        vmDecodeUtf8(a->elements(), chars, byteData(bytes, off), size_t(len), ok);
        if (!ok) RuntimeException::throwNew(WREN_LIT("Improperly formatted UTF-8 string."));
        value = a;
        count = a->length;
    } else if (enc->equals("ISO-8859-1") || enc->equals("ISO8859_1") ||
               enc->equals("US-ASCII") || enc->equals("ASCII")) {
        VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(len);
        const uint8_t* in = byteData(bytes, off);
        jchar* out = a->elements();
        for (jint i = 0; i < len; ++i) out[i] = jchar(in[i]);
        value = a;
        count = len;
    } else {
        java::io::UnsupportedEncodingException::throwNew(enc);
    }
}

void String::ctor(const VMPtr<VMArray<jbyte>>& bytes, jint off, jint len) {
    ctor(bytes, off, len, VMPtr<String>(WREN_LIT("UTF-8")));
}

void String::ctor(const VMPtr<VMArray<jbyte>>& bytes, const VMPtr<String>& enc) {
    ctor(bytes, 0, bytes->length, enc);
}

void String::ctor(const VMPtr<VMArray<jbyte>>& bytes) {
    ctor(bytes, 0, bytes->length, VMPtr<String>(WREN_LIT("UTF-8")));
}

void String::ctor(const VMPtr<StringBuffer>& buffer) {
    VMSynchronized guard(buffer);
    buffer->shared = true;
    value = buffer->value;
    offset = 0;
    count = buffer->count;
}

void String::ctor(NativeString* handle) {
    jint n = 0;
    if (HAL_getStringLength(handle, &n) != HAL_OK)
        vmFatalError("HAL_getStringLength() failed in String::_VM_init().");
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(n);
    // An empty handle may have no buffer to read from, and nothing to give.
    if (n > 0 && HAL_getStringCharacters(handle, a->elements()) != HAL_OK)
        vmFatalError("HAL_getStringCharacters() failed in String::_VM_init().");
    value = a;
    offset = 0;
    count = n;
}

jchar String::charAt(jint index) {
    if (index < 0 || index >= count) StringIndexOutOfBoundsException::throwNew(index);
    return value->elements()[offset + index];
}

jboolean String::equals(const VMPtr<Object>& other) {
    if (vmObj(this) == vmObj(other.get())) return true;
    // String is final: the cast alone tells whether `other` is one.
    String* s = vmDowncast<String>(other.get());
    if (!s || s->count != count) return false;
    return count == 0 || std::memcmp(value->elements() + offset, s->value->elements() + s->offset,
                                     size_t(count) * sizeof(jchar)) == 0;
}

jboolean String::equals(const char* utf8) {
    if (!utf8) return false;
    return vmUtf8Equals(reinterpret_cast<const uint8_t*>(utf8), std::strlen(utf8),
                        value->elements() + offset, count);
}

jint String::hashCode() {
    jint h = 0;
    const jchar* c = value->elements() + offset;
    for (jint i = 0; i < count; ++i) h = 31 * h + jint(c[i]);
    return h;
}

VMPtr<String> String::toString() { return this; }

jboolean String::equalsIgnoreCase(const VMPtr<String>& other) {
    if (!other || other->count != count) return false;
    return regionMatches(true, 0, other, 0, count);
}

jboolean String::regionMatches(jboolean ignoreCase, jint toffset, const VMPtr<String>& other,
                               jint ooffset, jint len) {
    jint otherCount = other->count;
    if (toffset < 0 || ooffset < 0 || int64_t(toffset) > int64_t(count) - len ||
        int64_t(ooffset) > int64_t(otherCount) - len)
        return false;
    const jchar* a = value->elements() + offset + toffset;
    const jchar* b = other->value->elements() + other->offset + ooffset;
    for (jint i = 0; i < len; ++i) {
        if (a[i] == b[i]) continue;
        if (ignoreCase && Character::toUpperCase(a[i]) == Character::toUpperCase(b[i])) continue;
        return false;
    }
    return true;
}

jboolean String::startsWith(const VMPtr<String>& prefix, jint toffset) {
    jint n = prefix->count;
    if (toffset < 0 || toffset > count - n) return false;
    return n == 0 || std::memcmp(value->elements() + offset + toffset,
                                 prefix->value->elements() + prefix->offset,
                                 size_t(n) * sizeof(jchar)) == 0;
}

jboolean String::startsWith(const VMPtr<String>& prefix) { return startsWith(prefix, 0); }

jint String::indexOf(jint ch, jint fromIndex) {
    if (fromIndex < 0) fromIndex = 0;
    const jchar* c = value->elements() + offset;
    for (jint i = fromIndex; i < count; ++i)
        if (c[i] == ch) return i;
    return -1;
}

jint String::indexOf(jint ch) { return indexOf(ch, 0); }

jint String::lastIndexOf(jint ch, jint fromIndex) {
    jint start = fromIndex < count - 1 ? fromIndex : count - 1;
    const jchar* c = value->elements() + offset;
    for (jint i = start; i >= 0; --i)
        if (c[i] == ch) return i;
    return -1;
}

jint String::lastIndexOf(jint ch) { return lastIndexOf(ch, count - 1); }

VMPtr<String> String::substring(jint beginIndex, jint endIndex) {
    if (beginIndex < 0) StringIndexOutOfBoundsException::throwNew(beginIndex);
    if (endIndex > count) StringIndexOutOfBoundsException::throwNew(endIndex);
    if (beginIndex > endIndex) StringIndexOutOfBoundsException::throwNew(endIndex - beginIndex);
    if (beginIndex == 0 && endIndex == count) return this;
    return String::make(offset + beginIndex, endIndex - beginIndex, VMPtr<VMArray<jchar>>(value));
}

VMPtr<String> String::substring(jint beginIndex) { return substring(beginIndex, count); }

void String::getChars(jint srcBegin, jint srcEnd, const VMPtr<VMArray<jchar>>& dst, jint dstBegin) {
    if (srcBegin < 0) StringIndexOutOfBoundsException::throwNew(String::valueOf(srcBegin));
    if (srcEnd > count) StringIndexOutOfBoundsException::throwNew(String::valueOf(srcEnd));
    if (srcBegin > srcEnd)
        StringIndexOutOfBoundsException::throwNew(String::valueOf(srcEnd - srcBegin));
    System::arraycopy(value, offset + srcBegin, dst, dstBegin, srcEnd - srcBegin);
}

VMPtr<String> String::replace(jchar oldChar, jchar newChar) {
    if (oldChar == newChar) return this;
    jint first = indexOf(oldChar);
    if (first < 0) return this;
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(count);
    const jchar* in = value->elements() + offset;
    jchar* out = a->elements();
    std::memcpy(out, in, size_t(first) * sizeof(jchar));
    for (jint i = first; i < count; ++i) out[i] = in[i] == oldChar ? newChar : in[i];
    return String::make(0, count, a);
}

VMPtr<String> String::toLowerCase() {
    const jchar* in = value->elements() + offset;
    jint first = 0;
    while (first < count && Character::toLowerCase(in[first]) == in[first]) ++first;
    if (first == count) return this;
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(count);
    in = value->elements() + offset;
    jchar* out = a->elements();
    std::memcpy(out, in, size_t(first) * sizeof(jchar));
    for (jint i = first; i < count; ++i) out[i] = Character::toLowerCase(in[i]);
    return String::make(0, count, a);
}

VMPtr<String> String::trim() {
    const jchar* c = value->elements() + offset;
    jint st = 0;
    jint len = count;
    while (st < len && c[st] <= u' ') ++st;
    while (st < len && c[len - 1] <= u' ') --len;
    if (st == 0 && len == count) return this;
    return substring(st, len);
}

VMPtr<String> String::valueOf(const VMPtr<Object>& obj) {
    clinit();
    if (!obj) return WREN_LIT("null");
    return obj->toString();
}

VMPtr<String> String::valueOf(jboolean b) {
    clinit();
    return b ? WREN_LIT("true") : WREN_LIT("false");
}

VMPtr<String> String::valueOf(jchar c) {
    clinit();
    return String::make(&c, 1);
}

VMPtr<String> String::valueOf(jint i) {
    clinit();
    return Integer::toString(i, 10);
}

VMPtr<String> String::valueOf(jlong l) {
    clinit();
    return Long::toString(l, 10);
}

VMPtr<String> String::valueOf(jfloat f) {
    clinit();
    return Float::toString(f);
}

VMPtr<String> String::valueOf(jdouble d) {
    clinit();
    return Double::toString(d);
}

std::string String::toUtf8() {
    const jchar* c = value->elements() + offset;
    std::string out(vmUtf8Length(c, count, true), '\0');
    size_t capacity = out.size();
    vmEncodeUtf8(out.data(), capacity, c, count, true, false);
    out.resize(capacity);
    return out;
}

}  // namespace java::lang

namespace {

VMHashtable* internTable() {
    static VMHashtable* table = nullptr;
    if (!table) table = new (vmAllocateOrThrow(sizeof(VMHashtable))) VMHashtable();
    return table;
}

// The modified UTF-8 of a String in a VM heap block, NUL-terminated (the
// modified form has no other zero byte); freed when the holder goes.
class EncodedText {
public:
    explicit EncodedText(const VMPtr<java::lang::String>& s) {
        const jchar* c = s->value->elements() + s->offset;
        size_t capacity = vmUtf8Length(c, s->count, true) + 1;
        bytes_ = static_cast<char*>(vmAllocateOrThrow(capacity));
        vmEncodeUtf8(bytes_, capacity, s->value->elements() + s->offset, s->count, true, true);
        length_ = capacity;
    }
    ~EncodedText() { vmFree(bytes_); }
    EncodedText(const EncodedText&) = delete;
    EncodedText& operator=(const EncodedText&) = delete;
    const char* bytes() const { return bytes_; }
    size_t length() const { return length_; }

private:
    char* bytes_ = nullptr;
    size_t length_ = 0;
};

}  // namespace

VMPtr<java::lang::String> vmStringLiteral(const char* text) {
    if (!text) return nullptr;
    intptr_t found = 0;
    if (internTable()->get(text, &found)) return reinterpret_cast<java::lang::String*>(found);
    VMPtr<java::lang::String> s = java::lang::String::make(text);
    // Interned literals stay alive for the rest of the run.
    new (vmAllocateOrThrow(sizeof(VMNativePtr<java::lang::String>)))
        VMNativePtr<java::lang::String>(s);
    internTable()->put(text, reinterpret_cast<intptr_t>(s.get()));
    return s;
}

void vmCStringAssign(VMCString& out, const VMPtr<java::lang::String>& s) {
    EncodedText text(s);
    out.assign(text.bytes());
}

void vmCStringAppend(VMCString& out, const VMPtr<java::lang::String>& s) {
    EncodedText text(s);
    out.append(text.bytes(), text.length());
}
