// The two clip formats the native players take, read without a device: PCM
// WAV files and single-track standard MIDI files, the latter converted to
// the wave-output MIDI stream (8-byte records of delta ticks and message).
// Every reader stays inside the bytes it is given, whatever they hold.
#pragma once

#include <cstddef>
#include <cstdint>

// Where a WAV clip's samples lie and how they are laid out.
struct WavClipInfo {
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;       // (bits / 8) × channels
    uint32_t avgBytesPerSec = 0;   // channels × bits × rate / 8, never 0
    size_t dataOffset = 0;         // of the first sample byte in the clip
    size_t dataLength = 0;         // whole frames only
    int64_t durationMicros = 0;    // dataLength / avgBytesPerSec, truncated
};

// Reads the format and finds the samples. A clip that opens with the RIFF
// and WAVE tags is read by its chunks ("fmt " and "data" wherever they lie;
// the data runs to its declared size or the clip's end, whichever comes
// first); one without them is read at the canonical offsets (format at 20,
// samples from 44 to the end). HAL_MALFORMED for a clip shorter than the
// 44-byte header, a missing or short chunk, a format other than PCM (tag 1),
// no channels, a zero rate, a sample size that is not whole bytes, or a byte
// rate that does not fit 32 bits; HAL_BAD_ARGUMENT for null pointers.
int32_t WavClip_parse(const uint8_t* clip, size_t length, WavClipInfo* info);

// One record of the MIDI stream format.
struct MidiStreamEvent {
    uint32_t deltaTicks;
    uint32_t message;  // status | data1 << 8 | data2 << 16
};
static_assert(sizeof(MidiStreamEvent) == 8);

// Offset of the first event: the 14-byte file header and the 8-byte track
// header.
constexpr size_t kMidiEventsOffset = 22;

// Checks the file header and gives its division (ticks per quarter note).
// HAL_MALFORMED when the clip is shorter than the two headers;
// HAL_NOT_SUPPORTED for a track count other than 1, an SMPTE division
// (above 32767) or a division of 0; HAL_BAD_ARGUMENT for null pointers.
int32_t MidiClip_parseHeader(const uint8_t* clip, size_t length, uint16_t* division);

// Scans the track from kMidiEventsOffset to the clip's end: a variable-length
// delta (at most 4 bytes), then a status byte. Note-on, key pressure,
// controller, program change and channel pressure statuses (0x90 to 0xD0)
// are events with two data bytes each; any other byte is skipped and the scan
// goes on one byte after it. An event whose bytes run past the end ends the
// scan, as does a delta with no status after it. Writes the first `capacity`
// events to `out` (null just counts) and returns how many events there are.
size_t MidiClip_convert(const uint8_t* clip, size_t length, MidiStreamEvent* out,
                        size_t capacity);
