#include "ce_text.h"

#include <cstdint>

namespace ce {

namespace {

void appendCodePoint(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string toUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        appendCodePoint(out, c);
    }
    return out;
}

std::u16string toUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        uint32_t c = p[i];
        size_t extra;
        uint32_t minimum;
        if (c < 0x80) {
            out += char16_t(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, c &= 0x1F, minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, c &= 0x0F, minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, c &= 0x07, minimum = 0x10000;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool ok = i + extra < n;
        for (size_t k = 1; ok && k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (!ok || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += extra + 1;
    }
    return out;
}

void appendFileNameUtf8(std::string& out, const char16_t* units, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(units[++i]) - 0xDC00);
        appendCodePoint(out, c);
    }
}

}  // namespace ce
