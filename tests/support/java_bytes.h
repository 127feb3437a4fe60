// Byte arrays between the tests' byte vectors and Java's byte[].
#pragma once

#include <cstdint>
#include <vector>

#include "VMArray.h"

namespace wrentest {

using Bytes = std::vector<uint8_t>;

// A new byte[] holding the bytes.
inline VMPtr<VMArray<jbyte>> jbytes(const Bytes& b) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(b.size()));
    for (size_t i = 0; i < b.size(); ++i) a[jint(i)] = jbyte(b[i]);
    return a;
}

// The bytes of a byte[]; none for null.
inline Bytes bytesOf(const VMPtr<VMArray<jbyte>>& a) {
    Bytes b;
    if (a == nullptr) return b;
    for (jint i = 0; i < a->length; ++i) b.push_back(uint8_t(a[i]));
    return b;
}

}  // namespace wrentest
