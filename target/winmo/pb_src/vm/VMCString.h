// An owned zero-terminated string on the VM heap: class names and table keys.
#pragma once

#include "VMTypes.h"

class VMCString {
public:
    VMCString() = default;
    explicit VMCString(const char* text) { assign(text); }
    VMCString(const VMCString& other) { assign(other.text_); }
    VMCString& operator=(const VMCString& other) {
        if (this != &other) assign(other.text_);
        return *this;
    }
    ~VMCString();

    // Copies `text` (null clears).
    void assign(const char* text);
    // Copies the first `length` bytes; a null text or length 0 changes nothing.
    void assign(const char* text, size_t length);
    void append(const char* text);
    void append(const char* text, size_t length);

    const char* c_str() const { return text_ ? text_ : ""; }
    const char* get() const { return text_; }
    size_t length() const;
    int compare(const VMCString& other) const;
    bool equals(const char* text) const;
    // Forgets the text without freeing it.
    void clear() { text_ = nullptr; }

private:
    char* text_ = nullptr;
};
