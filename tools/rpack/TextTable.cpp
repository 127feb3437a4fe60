#include "TextTable.h"

namespace rpack {

Bytes modifiedUtf8(std::u16string_view text) {
    Bytes out;
    for (char16_t c : text) {
        if (c >= 0x01 && c <= 0x7F) {
            out.push_back(static_cast<uint8_t>(c));
        } else if (c <= 0x7FF) {  // U+0000 included: no zero byte in the text
            out.push_back(static_cast<uint8_t>(0xC0 | c >> 6));
            out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<uint8_t>(0xE0 | c >> 12));
            out.push_back(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string decodeModifiedUtf8(const uint8_t* p, size_t n) {
    std::u16string out;
    auto continuation = [&](size_t at) -> unsigned {
        if (at >= n || (p[at] & 0xC0) != 0x80) {
            throw FormatError("malformed modified UTF-8 at byte " + std::to_string(at));
        }
        return p[at] & 0x3Fu;
    };
    for (size_t i = 0; i < n;) {
        const uint8_t b = p[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            i += 1;
        } else if ((b & 0xE0) == 0xC0) {
            out += static_cast<char16_t>((b & 0x1Fu) << 6 | continuation(i + 1));
            i += 2;
        } else if ((b & 0xF0) == 0xE0) {
            out += static_cast<char16_t>((b & 0x0Fu) << 12 | continuation(i + 1) << 6 |
                                         continuation(i + 2));
            i += 3;
        } else {
            throw FormatError("malformed modified UTF-8 at byte " + std::to_string(i));
        }
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const uint8_t b = p[i];
        int extra;
        uint32_t c;
        if (b < 0x80) {
            extra = 0;
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1Fu;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0Fu;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07u;
        } else {
            throw ContentError("malformed UTF-8 at byte " + std::to_string(i));
        }
        if (i + static_cast<size_t>(extra) >= n) {
            throw ContentError("UTF-8 sequence cut off at byte " + std::to_string(i));
        }
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + static_cast<size_t>(k)] & 0xC0) != 0x80) {
                throw ContentError("malformed UTF-8 at byte " + std::to_string(i));
            }
            c = c << 6 | (p[i + static_cast<size_t>(k)] & 0x3Fu);
        }
        static constexpr uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            throw ContentError("malformed UTF-8 at byte " + std::to_string(i));
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 | c >> 10);
            out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    auto put = [&](uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            put(0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            put(0xFFFD);
        } else {
            put(c);
        }
    }
    return out;
}

Bytes encodeTextTable(const std::vector<std::u16string>& texts) {
    checkRange("number of texts", static_cast<int64_t>(texts.size()), 0, kMaxTexts);
    ByteWriter w;
    w.u16(static_cast<uint32_t>(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i) {
        const Bytes b = modifiedUtf8(texts[i]);
        checkRange("text " + std::to_string(i) + " in bytes", static_cast<int64_t>(b.size()), 0,
                   kMaxTextBytes);
        w.u16(static_cast<uint32_t>(b.size()));
        w.bytes(b);
    }
    return w.take();
}

std::vector<std::u16string> decodeTextTable(const Bytes& bytes) {
    ByteReader r(bytes);
    const size_t count = r.u16();
    if (count * 2 > r.remaining()) throw FormatError("more texts than the data can hold");
    std::vector<std::u16string> texts;
    for (size_t i = 0; i < count; ++i) {
        const int len = r.s16();
        if (len < 0)
            throw FormatError("text " + std::to_string(i) + " has length " + std::to_string(len));
        const size_t at = r.pos();
        r.skip(static_cast<size_t>(len));
        try {
            texts.push_back(decodeModifiedUtf8(bytes.data() + at, static_cast<size_t>(len)));
        } catch (const FormatError& e) {
            throw FormatError("text " + std::to_string(i) + ": " + e.what());
        }
    }
    if (!r.atEnd()) throw FormatError(std::to_string(r.remaining()) + " bytes after the last text");
    return texts;
}

}  // namespace rpack
