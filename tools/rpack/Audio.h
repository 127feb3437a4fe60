// Sounds: PCM WAV clips in the canonical 44-byte layout (the player reads its
// fields at fixed offsets) and single-track MIDI files.
#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"

namespace rpack {

struct Wav {
    int channels = 1;
    int sampleRate = 8000;
    int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed, little-endian)
    Bytes samples;

    bool operator==(const Wav&) const = default;
};

constexpr size_t kWavHeaderSize = 44;

Bytes encodeWav(const Wav& wav);
bool looksLikeWav(const Bytes& bytes);
// Strict: the canonical header with consistent fields.
Wav decodeWav(const Bytes& bytes);

struct Tone {
    int frequency = 440;  // Hz; 0 gives silence
    int durationMs = 200;
    int sampleRate = 8000;
    int bitsPerSample = 16;
    int volume = 50;  // percent of full scale
};
// A mono sine wave.
Wav makeTone(const Tone& tone);

// A channel message with two data bytes. The player's converter reads only
// note-on (0x9n), key pressure (0xAn) and controller (0xBn) messages as
// events, each with two data bytes; a note ends with a note-on of velocity 0.
struct MidiEvent {
    uint32_t delta = 0;  // ticks since the previous event
    uint8_t status = 0x90;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    bool operator==(const MidiEvent&) const = default;
};

struct MidiFile {
    // 500 ticks per quarter note: a tick is 1 ms at the default tempo, and
    // the player's converter makes every tick 1 ms whatever the division.
    uint16_t division = 500;
    std::vector<MidiEvent> events;
    uint32_t endDelta = 0;  // ticks before the end-of-track event

    bool operator==(const MidiFile&) const = default;
};

struct MidiNote {
    int key = 60;  // 0..127; -1 is a rest
    int durationMs = 0;
    int velocity = 100;
};

struct Melody {
    int channel = 0;
    std::vector<MidiNote> notes;  // one after the other
};

MidiFile melodyToMidi(const Melody& melody);
// Format 0, one track, events without running status, then end of track.
Bytes encodeMidi(const MidiFile& midi);
bool looksLikeMidi(const Bytes& bytes);
// Strict: one track of the events encodeMidi writes.
MidiFile decodeMidi(const Bytes& bytes);

}  // namespace rpack
