#include "HAL_audioclip.h"

#include <cstring>

#include "HAL_status.h"

namespace {

constexpr size_t kWavHeaderSize = 44;
constexpr size_t kCanonicalFormatOffset = 20;
constexpr size_t kPcmFormatSize = 16;  // tag .. bits per sample
constexpr uint16_t kFormatPcm = 1;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

bool tagAt(const uint8_t* clip, size_t length, size_t at, const char* tag) {
    return length >= at + 4 && std::memcmp(clip + at, tag, 4) == 0;
}

// Walks the RIFF chunks after "WAVE" for the first "fmt " and "data". A chunk
// whose declared size runs past the clip ends the walk; the data chunk may be
// cut short by the clip's end (writers that stream leave its size unset).
bool findChunks(const uint8_t* clip, size_t length, size_t* formatOffset, size_t* dataOffset,
                size_t* dataLength) {
    bool haveFormat = false;
    bool haveData = false;
    size_t pos = 12;
    while (pos <= length && length - pos >= 8 && !(haveFormat && haveData)) {
        const uint8_t* header = clip + pos;
        const uint32_t size = le32(header + 4);
        const size_t body = pos + 8;
        const size_t available = length - body;
        if (!haveFormat && std::memcmp(header, "fmt ", 4) == 0) {
            if (size < kPcmFormatSize || available < kPcmFormatSize) return false;
            *formatOffset = body;
            haveFormat = true;
        } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
            *dataOffset = body;
            *dataLength = size < available ? size : available;
            haveData = true;
        }
        if (size > available) break;
        // Chunks are padded to an even length.
        size_t next = size_t(size) + (size & 1u);
        if (next > available) break;
        pos = body + next;
    }
    return haveFormat && haveData;
}

}  // namespace

int32_t WavClip_parse(const uint8_t* clip, size_t length, WavClipInfo* info) {
    if (!clip || !info) return HAL_BAD_ARGUMENT;
    *info = WavClipInfo{};
    if (length < kWavHeaderSize) return HAL_MALFORMED;

    size_t formatOffset = kCanonicalFormatOffset;
    size_t dataOffset = kWavHeaderSize;
    size_t dataLength = length - kWavHeaderSize;
    if (tagAt(clip, length, 0, "RIFF") && tagAt(clip, length, 8, "WAVE")) {
        if (!findChunks(clip, length, &formatOffset, &dataOffset, &dataLength))
            return HAL_MALFORMED;
    }

    const uint8_t* format = clip + formatOffset;
    if (le16(format) != kFormatPcm) return HAL_MALFORMED;
    const uint16_t channels = le16(format + 2);
    const uint32_t rate = le32(format + 4);
    const uint16_t bits = le16(format + 14);
    if (channels == 0 || rate == 0 || bits == 0 || bits % 8 != 0) return HAL_MALFORMED;
    const uint64_t blockAlign = uint64_t(bits / 8) * channels;
    const uint64_t avgBytes = uint64_t(channels) * bits * rate / 8;
    if (blockAlign > 0xFFFF || avgBytes > 0xFFFFFFFFu) return HAL_MALFORMED;

    info->channels = channels;
    info->samplesPerSec = rate;
    info->bitsPerSample = bits;
    info->blockAlign = uint16_t(blockAlign);
    info->avgBytesPerSec = uint32_t(avgBytes);
    info->dataOffset = dataOffset;
    // A partial frame at the end is no sample: the device never sees it.
    info->dataLength = dataLength - dataLength % blockAlign;
    info->durationMicros = int64_t(uint64_t(info->dataLength) * 1000000u / avgBytes);
    return HAL_OK;
}

int32_t MidiClip_parseHeader(const uint8_t* clip, size_t length, uint16_t* division) {
    if (!clip || !division) return HAL_BAD_ARGUMENT;
    *division = 0;
    if (length < kMidiEventsOffset) return HAL_MALFORMED;
    if (be16(clip + 10) != 1) return HAL_NOT_SUPPORTED;
    const uint16_t ticks = be16(clip + 12);
    // Bit 15 marks an SMPTE division; 0 ticks would make a tick endless.
    if (ticks > 32767 || ticks == 0) return HAL_NOT_SUPPORTED;
    *division = ticks;
    return HAL_OK;
}

size_t MidiClip_convert(const uint8_t* clip, size_t length, MidiStreamEvent* out,
                        size_t capacity) {
    if (!clip) return 0;
    size_t count = 0;
    size_t pos = kMidiEventsOffset;
    while (pos < length) {
        uint32_t delta = 0;
        for (int i = 0; i < 4 && pos < length; ++i) {
            const uint8_t b = clip[pos++];
            delta = delta << 7 | (b & 0x7Fu);
            if (!(b & 0x80)) break;
        }
        if (pos >= length) break;
        const uint8_t status = clip[pos];
        const uint8_t kind = status & 0xF0;
        if (kind < 0x90 || kind > 0xD0) {
            ++pos;
            continue;
        }
        if (length - pos < 3) break;
        if (out && count < capacity)
            out[count] = {delta, uint32_t(status) | uint32_t(clip[pos + 1]) << 8 |
                                     uint32_t(clip[pos + 2]) << 16};
        ++count;
        pos += 3;
    }
    return count;
}
