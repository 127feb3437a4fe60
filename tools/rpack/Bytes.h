// Byte buffers, the big- and little-endian writer and the bounds-checked
// reader that every format of the builder is written and decoded with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rpack {

using Bytes = std::vector<uint8_t>;

// Content that the game's readers could not read back (a count, a range or a
// size beyond what a field or a reader takes). The message names the limit;
// the build adds the name of the source it came from.
class ContentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes that do not follow the format they are decoded as.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ContentError "<what> is <value>, <limit text>" unless lo <= value <= hi.
void checkRange(std::string_view what, int64_t value, int64_t lo, int64_t hi);

class ByteWriter {
public:
    void u8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v);
    void u32(uint32_t v);
    void s32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u16le(uint32_t v);
    void u32le(uint32_t v);
    void bytes(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
    void ascii(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }

    size_t size() const { return out_.size(); }
    Bytes& data() { return out_; }
    Bytes take() { return std::move(out_); }

private:
    Bytes out_;
};

// Reads a byte range front to back; running past its end throws FormatError.
class ByteReader {
public:
    explicit ByteReader(const Bytes& b) : ByteReader(b.data(), b.size()) {}
    ByteReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}

    uint8_t u8();
    int8_t s8() { return static_cast<int8_t>(u8()); }
    uint16_t u16();
    int16_t s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32();
    int32_t s32() { return static_cast<int32_t>(u32()); }
    uint16_t u16le();
    uint32_t u32le();
    Bytes take(size_t n);
    void skip(size_t n);

    size_t pos() const { return pos_; }
    size_t remaining() const { return n_ - pos_; }
    bool atEnd() const { return pos_ == n_; }
    const uint8_t* here() const { return p_ + pos_; }

private:
    void need(size_t n) const;

    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

// "AA BB CC" for review output and test messages.
std::string hex(const uint8_t* p, size_t n);
inline std::string hex(const Bytes& b) {
    return hex(b.data(), b.size());
}

}  // namespace rpack
