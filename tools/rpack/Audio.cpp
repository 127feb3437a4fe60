#include "Audio.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace rpack {

namespace {

constexpr uint32_t kMaxDelta = 0x0FFFFFFF;  // four bytes of a variable-length number

bool startsWith(const Bytes& b, size_t at, const char* tag) {
    const size_t n = std::strlen(tag);
    return b.size() >= at + n && std::memcmp(b.data() + at, tag, n) == 0;
}

void checkWavFormat(const Wav& wav) {
    checkRange("channels", wav.channels, 1, 2);
    if (wav.bitsPerSample != 8 && wav.bitsPerSample != 16) {
        throw ContentError("bits per sample is " + std::to_string(wav.bitsPerSample) +
                           ", limit 8 or 16");
    }
    // The player computes channels * bits * rate / 8 in 32 bits.
    checkRange("sample rate", wav.sampleRate, 1, 192000);
}

}  // namespace

Bytes encodeWav(const Wav& wav) {
    checkWavFormat(wav);
    const size_t block = static_cast<size_t>(wav.channels * wav.bitsPerSample / 8);
    if (wav.samples.size() % block) {
        throw ContentError("sample data of " + std::to_string(wav.samples.size()) +
                           " bytes is not whole frames of " + std::to_string(block) + " bytes");
    }
    checkRange("sample data in bytes", static_cast<int64_t>(wav.samples.size()), 0,
               INT32_MAX - static_cast<int64_t>(kWavHeaderSize));
    ByteWriter w;
    w.ascii("RIFF");
    w.u32le(static_cast<uint32_t>(36 + wav.samples.size()));
    w.ascii("WAVE");
    w.ascii("fmt ");
    w.u32le(16);
    w.u16le(1);  // PCM
    w.u16le(static_cast<uint32_t>(wav.channels));
    w.u32le(static_cast<uint32_t>(wav.sampleRate));
    w.u32le(static_cast<uint32_t>(wav.sampleRate) * static_cast<uint32_t>(block));
    w.u16le(static_cast<uint32_t>(block));
    w.u16le(static_cast<uint32_t>(wav.bitsPerSample));
    w.ascii("data");
    w.u32le(static_cast<uint32_t>(wav.samples.size()));
    w.bytes(wav.samples);
    return w.take();
}

bool looksLikeWav(const Bytes& bytes) {
    return startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "WAVE");
}

Wav decodeWav(const Bytes& bytes) {
    if (!looksLikeWav(bytes) || !startsWith(bytes, 12, "fmt ") || !startsWith(bytes, 36, "data")) {
        throw FormatError("not a canonical WAV header (RIFF, WAVE, fmt and data at 0, 8, 12, 36)");
    }
    ByteReader r(bytes);
    r.skip(4);
    const uint32_t riffSize = r.u32le();
    r.skip(8);
    const uint32_t fmtSize = r.u32le();
    const uint16_t format = r.u16le();
    Wav wav;
    wav.channels = r.u16le();
    wav.sampleRate = static_cast<int>(r.u32le());
    const uint32_t byteRate = r.u32le();
    const uint16_t blockAlign = r.u16le();
    wav.bitsPerSample = r.u16le();
    r.skip(4);
    const uint32_t dataSize = r.u32le();
    if (fmtSize != 16 || format != 1) throw FormatError("not 16-byte PCM format");
    if (dataSize != r.remaining() || riffSize != 36 + dataSize) {
        throw FormatError("size fields disagree with the " + std::to_string(bytes.size()) +
                          "-byte clip");
    }
    try {
        checkWavFormat(wav);
    } catch (const ContentError& e) {
        throw FormatError(e.what());
    }
    const uint32_t block = static_cast<uint32_t>(wav.channels * wav.bitsPerSample / 8);
    if (blockAlign != block || byteRate != block * static_cast<uint32_t>(wav.sampleRate)) {
        throw FormatError("block alignment or byte rate disagree with the format");
    }
    wav.samples = r.take(dataSize);
    return wav;
}

Wav makeTone(const Tone& tone) {
    Wav wav;
    wav.sampleRate = tone.sampleRate;
    wav.bitsPerSample = tone.bitsPerSample;
    checkWavFormat(wav);
    checkRange("tone frequency", tone.frequency, 0, tone.sampleRate / 2);
    checkRange("tone duration in ms", tone.durationMs, 0, 3600000);
    checkRange("tone volume", tone.volume, 0, 100);
    const int64_t count = static_cast<int64_t>(tone.sampleRate) * tone.durationMs / 1000;
    checkRange("tone sample data in bytes", count * (tone.bitsPerSample / 8), 0,
               INT32_MAX - static_cast<int64_t>(kWavHeaderSize));
    const double amplitude = tone.volume / 100.0;
    const double step = 2.0 * M_PI * tone.frequency / tone.sampleRate;
    for (int64_t i = 0; i < count; ++i) {
        const double v = amplitude * std::sin(step * static_cast<double>(i));
        if (tone.bitsPerSample == 8) {
            wav.samples.push_back(static_cast<uint8_t>(std::lround(128 + 127 * v)));
        } else {
            const auto s = static_cast<int16_t>(std::lround(32767 * v));
            wav.samples.push_back(static_cast<uint8_t>(s & 0xFF));
            wav.samples.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
        }
    }
    return wav;
}

MidiFile melodyToMidi(const Melody& melody) {
    checkRange("MIDI channel", melody.channel, 0, 15);
    MidiFile midi;
    const uint8_t noteOn = static_cast<uint8_t>(0x90 | melody.channel);
    uint64_t pending = 0;
    for (size_t i = 0; i < melody.notes.size(); ++i) {
        const MidiNote& n = melody.notes[i];
        const std::string at = "note " + std::to_string(i);
        checkRange(at + ": duration in ms", n.durationMs, 0, kMaxDelta);
        if (n.key == -1) {
            pending += static_cast<uint64_t>(n.durationMs);
            checkRange(at + ": rest before the next note in ms", static_cast<int64_t>(pending), 0,
                       kMaxDelta);
            continue;
        }
        checkRange(at + ": key", n.key, 0, 127);
        // A velocity of 0 would be read as the end of the note.
        checkRange(at + ": velocity", n.velocity, 1, 127);
        midi.events.push_back({static_cast<uint32_t>(pending), noteOn, static_cast<uint8_t>(n.key),
                               static_cast<uint8_t>(n.velocity)});
        midi.events.push_back(
            {static_cast<uint32_t>(n.durationMs), noteOn, static_cast<uint8_t>(n.key), 0});
        pending = 0;
    }
    midi.endDelta = static_cast<uint32_t>(pending);
    return midi;
}

namespace {

void writeVarLen(ByteWriter& w, uint32_t v) {
    uint8_t bytes[4];
    int n = 0;
    do {
        bytes[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n > 1) w.u8(bytes[--n] | 0x80u);
    w.u8(bytes[0]);
}

uint32_t readVarLen(ByteReader& r) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t b = r.u8();
        v = v << 7 | (b & 0x7Fu);
        if (!(b & 0x80)) return v;
    }
    throw FormatError("variable-length number longer than four bytes");
}

}  // namespace

Bytes encodeMidi(const MidiFile& midi) {
    // The player refuses SMPTE divisions (bit 15 set).
    checkRange("MIDI division", midi.division, 1, 32767);
    checkRange("MIDI end-of-track delta", midi.endDelta, 0, kMaxDelta);
    ByteWriter track;
    for (size_t i = 0; i < midi.events.size(); ++i) {
        const MidiEvent& e = midi.events[i];
        const std::string at = "MIDI event " + std::to_string(i);
        checkRange(at + ": delta", e.delta, 0, kMaxDelta);
        if (e.status < 0x90 || e.status > 0xBF) {
            throw ContentError(at + ": status " + std::to_string(e.status) +
                               ", limit 0x90 to 0xBF (note-on, key pressure, controller): "
                               "the player reads no other message");
        }
        checkRange(at + ": first data byte", e.data1, 0, 127);
        checkRange(at + ": second data byte", e.data2, 0, 127);
        writeVarLen(track, e.delta);
        track.u8(e.status);
        track.u8(e.data1);
        track.u8(e.data2);
    }
    writeVarLen(track, midi.endDelta);
    track.u8(0xFF);
    track.u8(0x2F);
    track.u8(0x00);

    ByteWriter w;
    w.ascii("MThd");
    w.u32(6);
    w.u16(0);  // one track
    w.u16(1);
    w.u16(midi.division);
    w.ascii("MTrk");
    w.u32(static_cast<uint32_t>(track.size()));
    w.bytes(track.data());
    return w.take();
}

bool looksLikeMidi(const Bytes& bytes) {
    return startsWith(bytes, 0, "MThd");
}

MidiFile decodeMidi(const Bytes& bytes) {
    if (!looksLikeMidi(bytes)) throw FormatError("no MThd header");
    ByteReader r(bytes);
    r.skip(4);
    if (r.u32() != 6) throw FormatError("header length is not 6");
    const uint16_t format = r.u16();
    const uint16_t tracks = r.u16();
    MidiFile midi;
    midi.division = r.u16();
    if (format != 0 || tracks != 1) {
        throw FormatError("format " + std::to_string(format) + " with " + std::to_string(tracks) +
                          " tracks; the player takes one track");
    }
    if (midi.division & 0x8000)
        throw FormatError("SMPTE division; the player takes ticks per quarter");
    const Bytes tag = r.take(4);
    if (std::memcmp(tag.data(), "MTrk", 4) != 0) throw FormatError("no MTrk at byte 14");
    const uint32_t trackLength = r.u32();
    if (trackLength != r.remaining()) throw FormatError("track length disagrees with the file");
    for (;;) {
        const uint32_t delta = readVarLen(r);
        const size_t at = r.pos();
        const uint8_t status = r.u8();
        if (status == 0xFF) {
            if (r.u8() != 0x2F || r.u8() != 0x00 || !r.atEnd()) {
                throw FormatError("meta event at byte " + std::to_string(at) +
                                  " other than a final end of track");
            }
            midi.endDelta = delta;
            return midi;
        }
        if (status < 0x90 || status > 0xBF) {
            throw FormatError("status " + hex(&status, 1) + " at byte " + std::to_string(at) +
                              ": the player reads only 0x90 to 0xBF");
        }
        MidiEvent e{delta, status, r.u8(), r.u8()};
        if ((e.data1 | e.data2) & 0x80)
            throw FormatError("data byte above 127 at " + std::to_string(at));
        midi.events.push_back(e);
    }
}

}  // namespace rpack
