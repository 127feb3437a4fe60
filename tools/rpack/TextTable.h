// Text tables: a count, then each text as a 16-bit length and its bytes in
// modified UTF-8 (U+0000 as C0 80, every UTF-16 unit in at most three bytes).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Bytes.h"

namespace rpack {

constexpr int kMaxTexts = 0xFFFF;
constexpr int kMaxTextBytes = 0x7FFF;  // the length field is read signed

Bytes modifiedUtf8(std::u16string_view text);
// Strict: a malformed or cut-off sequence throws FormatError.
std::u16string decodeModifiedUtf8(const uint8_t* p, size_t n);

// Standard UTF-8 (what source files hold) to UTF-16, characters above U+FFFF
// as surrogate pairs; malformed UTF-8 throws ContentError.
std::u16string utf8ToUtf16(std::string_view text);
// UTF-16 to standard UTF-8 for printing; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

Bytes encodeTextTable(const std::vector<std::u16string>& texts);
// Strict: the lengths must add up to the entry and no byte may follow.
std::vector<std::u16string> decodeTextTable(const Bytes& bytes);

}  // namespace rpack
