#include "VMUtf8.h"

size_t vmUtf8Length(const jchar* chars, jint n, bool modified) {
    size_t bytes = 0;
    for (jint i = 0; i < n; ++i) {
        jchar c = chars[i];
        if (c == 0) bytes += modified ? 2 : 1;
        else if (c < 0x80) bytes += 1;
        else if (c < 0x800) bytes += 2;
        else bytes += 3;
    }
    return bytes;
}

int64_t vmUtf8EncodeChar(jchar c, int64_t remaining, char*& cursor, bool modified) {
    if (remaining <= 0) return remaining;
    int need = (c == 0 && modified) ? 2 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (need > remaining) return remaining - need;
    auto put = [&](unsigned v) { *cursor++ = char(uint8_t(v)); };
    if (need == 1) {
        put(c);
    } else if (need == 2) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
    return remaining - need;
}

jint vmEncodeUtf8(char* out, size_t& capacity, const jchar* chars, jint n, bool modified,
                  bool terminate) {
    int64_t room = int64_t(capacity) - (terminate ? 1 : 0);
    char* cursor = out;
    jint done = 0;
    for (; done < n; ++done) {
        int64_t left = vmUtf8EncodeChar(chars[done], room, cursor, modified);
        if (left < 0 || (left == room)) break;
        room = left;
    }
    if (terminate && capacity > 0) *cursor = 0;
    capacity = size_t(cursor - out);
    return done;
}

jchar vmUtf8DecodeChar(size_t& remaining, const uint8_t*& cursor, bool& ok) {
    if (remaining == 0) return 0x80;
    uint8_t lead = *cursor;
    if ((lead & 0xC0) == 0x80 || (lead & 0xF0) == 0xF0) {
        ok = false;
        return 0;
    }
    ++cursor;
    --remaining;
    if (lead < 0x80) return lead;
    int extra = (lead & 0xE0) == 0xC0 ? 1 : 2;
    unsigned value = extra == 1 ? (lead & 0x1F) : (lead & 0x0F);
    bool broken = false;
    for (int i = 0; i < extra; ++i) {
        if (remaining == 0) return 0x80;  // cut short by the end of the input
        uint8_t b = *cursor++;
        --remaining;
        if ((b & 0xC0) != 0x80) broken = true;
        value = (value << 6) | (b & 0x3F);
    }
    return broken ? jchar(0x80) : jchar(value);
}

size_t vmDecodeUtf8(jchar* out, size_t& capacity, const uint8_t* bytes, size_t nbytes, bool& ok) {
    ok = true;
    size_t remaining = nbytes, stored = 0;
    const uint8_t* cursor = bytes;
    while (remaining > 0 && stored < capacity && ok) out[stored++] = vmUtf8DecodeChar(remaining, cursor, ok);
    capacity = stored;
    return size_t(cursor - bytes);
}

size_t vmUtf8CharCount(const uint8_t* bytes, size_t n, bool& ok) {
    ok = true;
    size_t count = 0;
    for (size_t i = 0; i < n; ++count) {
        uint8_t lead = bytes[i];
        if (lead < 0x80) i += 1;
        else if ((lead & 0xE0) == 0xC0) i += 2;
        else if ((lead & 0xF0) == 0xE0) i += 3;
        else {
            ok = false;
            break;
        }
    }
    return count;
}

bool vmUtf8Equals(const uint8_t* bytes, size_t nbytes, const jchar* chars, jint nchars) {
    size_t remaining = nbytes;
    const uint8_t* cursor = bytes;
    bool ok = true;
    jint i = 0;
    while (remaining > 0) {
        if (i >= nchars) return false;
        jchar c = vmUtf8DecodeChar(remaining, cursor, ok);
        if (!ok || c != chars[i++]) return false;
    }
    return i == nchars;
}
