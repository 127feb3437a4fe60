#include "VMCString.h"

#include <cstring>

#include "VMHeap.h"

VMCString::~VMCString() {
    vmFree(text_);
    text_ = nullptr;
}

void VMCString::assign(const char* text) {
    if (text == text_) return;
    char* copy = nullptr;
    if (text) {
        size_t n = std::strlen(text);
        copy = static_cast<char*>(vmAllocateOrThrow(n + 1));
        std::memcpy(copy, text, n);
    }
    vmFree(text_);
    text_ = copy;
}

void VMCString::assign(const char* text, size_t length) {
    if (!text || length == 0) return;
    char* copy = static_cast<char*>(vmAllocateOrThrow(length + 1));
    std::memcpy(copy, text, length);
    vmFree(text_);
    text_ = copy;
}

void VMCString::append(const char* text) {
    if (text) append(text, std::strlen(text));
}

void VMCString::append(const char* text, size_t length) {
    if (!text || length == 0) return;
    size_t old = this->length();
    char* joined = static_cast<char*>(vmAllocateOrThrow(old + length + 1));
    if (old) std::memcpy(joined, text_, old);
    std::memcpy(joined + old, text, length);
    vmFree(text_);
    text_ = joined;
}

size_t VMCString::length() const { return text_ ? std::strlen(text_) : 0; }

int VMCString::compare(const VMCString& other) const { return std::strcmp(c_str(), other.c_str()); }

bool VMCString::equals(const char* text) const {
    return text != nullptr && std::strcmp(c_str(), text) == 0;
}
