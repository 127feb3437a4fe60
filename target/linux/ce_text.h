// Text at the stand-in's edge: the platform's UTF-16 and Linux's UTF-8.
// Surrogate pairs become one four-byte sequence and back; a lone surrogate or
// a malformed sequence becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>

namespace ce {

std::string toUtf8(const std::u16string& text);
std::u16string toUtf16(const std::string& text);

// File names: UTF-16 units to UTF-8, a surrogate pair as one four-byte
// sequence; a lone surrogate keeps its three-byte form, so that every name
// maps to its own file and comes back unchanged.
void appendFileNameUtf8(std::string& out, const char16_t* units, int32_t count);

}  // namespace ce
