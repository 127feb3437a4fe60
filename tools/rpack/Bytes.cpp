#include "Bytes.h"

#include <cstdio>

namespace rpack {

void checkRange(std::string_view what, int64_t value, int64_t lo, int64_t hi) {
    if (value >= lo && value <= hi) return;
    throw ContentError(std::string(what) + " is " + std::to_string(value) + ", limit " +
                       std::to_string(lo) + " to " + std::to_string(hi));
}

void ByteWriter::u16(uint32_t v) {
    u8(v >> 8);
    u8(v);
}

void ByteWriter::u32(uint32_t v) {
    u16(v >> 16);
    u16(v);
}

void ByteWriter::u16le(uint32_t v) {
    u8(v);
    u8(v >> 8);
}

void ByteWriter::u32le(uint32_t v) {
    u16le(v);
    u16le(v >> 16);
}

void ByteReader::need(size_t n) const {
    if (n > n_ - pos_) {
        throw FormatError("data ends at byte " + std::to_string(n_) + ", " + std::to_string(n) +
                          " more needed at byte " + std::to_string(pos_));
    }
}

uint8_t ByteReader::u8() {
    need(1);
    return p_[pos_++];
}

uint16_t ByteReader::u16() {
    need(2);
    uint16_t v = static_cast<uint16_t>(p_[pos_] << 8 | p_[pos_ + 1]);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::u32() {
    uint32_t hi = u16();
    return hi << 16 | u16();
}

uint16_t ByteReader::u16le() {
    need(2);
    uint16_t v = static_cast<uint16_t>(p_[pos_] | p_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::u32le() {
    uint32_t lo = u16le();
    return lo | static_cast<uint32_t>(u16le()) << 16;
}

Bytes ByteReader::take(size_t n) {
    need(n);
    Bytes out(p_ + pos_, p_ + pos_ + n);
    pos_ += n;
    return out;
}

void ByteReader::skip(size_t n) {
    need(n);
    pos_ += n;
}

std::string hex(const uint8_t* p, size_t n) {
    std::string out;
    char part[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(part, sizeof part, i ? " %02X" : "%02X", p[i]);
        out += part;
    }
    return out;
}

}  // namespace rpack
