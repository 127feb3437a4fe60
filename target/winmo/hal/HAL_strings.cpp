#include "HAL_strings.h"

#include <cstring>
#include <new>

#include "HAL_status.h"

namespace {

jint unitCount(const jchar* text) {
    jint n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

NativeString::~NativeString() { delete[] buffer_; }

bool NativeString::assign(const jchar* chars, jint length) {
    jchar* b = new (std::nothrow) jchar[size_t(length) + 1];
    if (!b) return false;
    if (length > 0) std::memcpy(b, chars, size_t(length) * sizeof(jchar));
    b[length] = 0;
    delete[] buffer_;
    buffer_ = b;
    length_ = length;
    return true;
}

NativeString* NativeString::fromCString(const jchar* text) {
    return fromChars(text ? text : u"", text ? unitCount(text) : 0);
}

NativeString* NativeString::fromChars(const jchar* chars, jint length) {
    NativeString* s = new (std::nothrow) NativeString();
    if (!s) return nullptr;
    if (chars && !s->assign(chars, length > 0 ? length : 0)) {
        delete s;
        return nullptr;
    }
    return s;
}

NativeString* NativeString::copyOf(const NativeString& other) {
    return fromChars(other.buffer_, other.length());
}

NativeString* NativeString::substringOf(const NativeString& other, jint begin, jint end) {
    jint n = other.length();
    if (begin < 0) begin = 0;
    if (end > n) end = n;
    if (begin > end) begin = end;
    return fromChars(other.buffer_ ? other.buffer_ + begin : u"", end - begin);
}

void NativeString::release() {
    if (--refCount_ < 1) delete this;
}

bool NativeString::getChars(jchar* out) const {
    if (!buffer_ || !out) return false;
    if (length_ > 0) std::memcpy(out, buffer_, size_t(length_) * sizeof(jchar));
    return true;
}

jchar NativeString::charAt(jint index) const {
    return index >= 0 && index < length() ? buffer_[index] : jchar(0);
}

jint NativeString::indexOf(jchar c, jint from) const {
    for (jint i = from < 0 ? 0 : from; i < length(); ++i)
        if (buffer_[i] == c) return i;
    return -1;
}

jint NativeString::lastIndexOf(jchar c) const {
    for (jint i = length() - 1; i >= 0; --i)
        if (buffer_[i] == c) return i;
    return -1;
}

bool NativeString::equals(const NativeString* other) const {
    if (!other) return false;
    if (other == this) return true;
    jint n = length();
    if (other->length() != n) return false;
    return n == 0 || std::memcmp(buffer_, other->buffer_, size_t(n) * sizeof(jchar)) == 0;
}

bool NativeString::appendChars(const jchar* chars, jint length) {
    if (!chars || length <= 0) return true;
    jint n = this->length();
    jchar* b = new (std::nothrow) jchar[size_t(n) + size_t(length) + 1];
    if (!b) return false;
    if (n > 0) std::memcpy(b, buffer_, size_t(n) * sizeof(jchar));
    std::memcpy(b + n, chars, size_t(length) * sizeof(jchar));
    b[n + length] = 0;
    delete[] buffer_;
    buffer_ = b;
    length_ = n + length;
    return true;
}

bool NativeString::append(const jchar* text) { return !text || appendChars(text, unitCount(text)); }

bool NativeString::append(const NativeString* other) {
    if (!other) return true;
    // Appending a string to itself reads the old buffer before it is replaced.
    return appendChars(other->buffer_, other->length());
}

int32_t HAL_releaseString(NativeString* string) {
    if (!string) return HAL_BAD_ARGUMENT;
    string->release();
    return HAL_OK;
}

int32_t HAL_getStringLength(NativeString* string, jint* length) {
    if (!string || !length) return HAL_BAD_ARGUMENT;
    *length = string->length();
    return HAL_OK;
}

int32_t HAL_getStringCharacters(NativeString* string, jchar* buffer) {
    if (!string || !buffer || !string->buffer()) return HAL_BAD_ARGUMENT;
    string->getChars(buffer);
    return HAL_OK;
}
