// The runtime's UTF-8 codec: the modified UTF-8 of class files (U+0000 as
// C0 80, at most three bytes per UTF-16 unit). Surrogates are encoded and
// decoded as ordinary units. Decoding is lenient in the way stored texts rely
// on: overlong forms are accepted and a broken sequence becomes U+0080; only a
// stray continuation byte or a four-byte lead is malformed.
#pragma once

#include "VMTypes.h"

// Bytes needed for `n` chars; U+0000 takes two bytes when `modified`.
size_t vmUtf8Length(const jchar* chars, jint n, bool modified);
// Writes one char at `cursor` if it fits in `remaining`; returns the new
// remaining capacity, or the negative shortfall (writing nothing).
int64_t vmUtf8EncodeChar(jchar c, int64_t remaining, char*& cursor, bool modified);
// Encodes chars until one does not fit. With `terminate`, one byte of the
// capacity is kept for a NUL. `capacity` becomes the bytes written (NUL not
// counted); returns the chars encoded.
jint vmEncodeUtf8(char* out, size_t& capacity, const jchar* chars, jint n, bool modified,
                  bool terminate);
// Decodes one char; `ok` turns false (and nothing is consumed) at a malformed
// lead byte.
jchar vmUtf8DecodeChar(size_t& remaining, const uint8_t*& cursor, bool& ok);
// Decodes into `out` while bytes and capacity remain and the input is well
// formed. `capacity` becomes the chars stored; returns the bytes consumed.
size_t vmDecodeUtf8(jchar* out, size_t& capacity, const uint8_t* bytes, size_t nbytes, bool& ok);
// Counts chars by their lead bytes; stops with `ok` false at a malformed lead.
size_t vmUtf8CharCount(const uint8_t* bytes, size_t n, bool& ok);
bool vmUtf8Equals(const uint8_t* bytes, size_t nbytes, const jchar* chars, jint nchars);
