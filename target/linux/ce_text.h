// Text at the stand-in's edge: the platform's UTF-16 and Linux's UTF-8.
// Surrogate pairs become one four-byte sequence and back; a lone surrogate or
// a malformed sequence becomes U+FFFD.
#pragma once

#include <string>

namespace ce {

std::string toUtf8(const std::u16string& text);
std::u16string toUtf16(const std::string& text);

}  // namespace ce
