// The clip readers without a device: where a WAV clip's samples lie and how
// long it plays, which MIDI headers are taken, and what the MIDI conversion
// makes of a track. Every clip is copied into a block of exactly its size,
// so a read past its end stops the run under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Audio.h"
#include "HAL_audioclip.h"
#include "HAL_status.h"

// Found by argument-dependent lookup, so in the records' own (global) namespace.
static bool operator==(const MidiStreamEvent& a, const MidiStreamEvent& b) {
    return a.deltaTicks == b.deltaTicks && a.message == b.message;
}
static std::ostream& operator<<(std::ostream& out, const MidiStreamEvent& e) {
    return out << "{" << e.deltaTicks << ", 0x" << std::hex << e.message << std::dec << "}";
}

namespace {

using rpack::Bytes;

// An exact-size heap copy.
struct Exact {
    explicit Exact(const Bytes& b) : size(b.size()), data(new uint8_t[b.size() ? b.size() : 1]) {
        if (!b.empty()) std::memcpy(data.get(), b.data(), b.size());
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

int32_t parseWav(const Bytes& clip, WavClipInfo* info) {
    Exact exact(clip);
    return WavClip_parse(exact.data.get(), exact.size, info);
}

Bytes samples(size_t n) {
    Bytes s(n);
    for (size_t i = 0; i < n; ++i) s[i] = uint8_t(i * 7);
    return s;
}

Bytes canonicalWav(int channels, int rate, int bits, size_t sampleBytes) {
    rpack::Wav wav;
    wav.channels = channels;
    wav.sampleRate = rate;
    wav.bitsPerSample = bits;
    wav.samples = samples(sampleBytes);
    return rpack::encodeWav(wav);
}

void putLe16(Bytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void putLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

void appendChunk(Bytes& out, const char* tag, const Bytes& body) {
    out.insert(out.end(), tag, tag + 4);
    Bytes size(4);
    putLe32(size, 0, uint32_t(body.size()));
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
}

// A RIFF file built from chunks in the given order.
Bytes riff(const std::vector<std::pair<const char*, Bytes>>& chunks) {
    Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [tag, body] : chunks) appendChunk(out, tag, body);
    putLe32(out, 4, uint32_t(out.size() - 8));
    return out;
}

Bytes pcmFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t size = 16) {
    Bytes f(size, 0);
    putLe16(f, 0, tag);
    putLe16(f, 2, channels);
    putLe32(f, 4, rate);
    putLe32(f, 8, rate * channels * bits / 8);
    putLe16(f, 12, uint16_t(channels * bits / 8));
    putLe16(f, 14, bits);
    return f;
}

TEST(WavClip, CanonicalClipIsReadAtItsFixedOffsets) {
    WavClipInfo info;
    ASSERT_EQ(parseWav(canonicalWav(2, 22050, 16, 22050 * 4), &info), HAL_OK);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplesPerSec, 22050u);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.blockAlign, 4);
    EXPECT_EQ(info.avgBytesPerSec, 88200u);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataLength, size_t(22050 * 4));
    EXPECT_EQ(info.durationMicros, 1000000);
}

TEST(WavClip, DurationIsInMicroseconds) {
    WavClipInfo info;
    // 8000 Hz mono 8-bit: 1500 bytes are 187.5 ms.
    ASSERT_EQ(parseWav(canonicalWav(1, 8000, 8, 1500), &info), HAL_OK);
    EXPECT_EQ(info.durationMicros, 187500);
}

TEST(WavClip, HeaderAloneIsAnEmptyClip) {
    WavClipInfo info;
    ASSERT_EQ(parseWav(canonicalWav(1, 8000, 16, 0), &info), HAL_OK);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataLength, 0u);
    EXPECT_EQ(info.durationMicros, 0);
}

TEST(WavClip, ClipWithoutTagsIsReadCanonically) {
    Bytes clip = canonicalWav(1, 8000, 16, 800);
    std::memset(clip.data(), 'x', 16);  // RIFF, size, WAVE, "fmt " gone
    std::memset(clip.data() + 36, 'x', 8);
    WavClipInfo info;
    ASSERT_EQ(parseWav(clip, &info), HAL_OK);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataLength, 800u);
    EXPECT_EQ(info.durationMicros, 50000);
}

TEST(WavClip, DataChunkIsFoundWhereverItLies) {
    Bytes data = samples(400);
    // An extended format block and a list chunk push the data past byte 44.
    Bytes clip = riff({{"fmt ", pcmFormat(1, 1, 8000, 16, 18)},
                       {"LIST", Bytes(9, 'i')},
                       {"data", data},
                       {"note", Bytes(6, 'n')}});
    WavClipInfo info;
    ASSERT_EQ(parseWav(clip, &info), HAL_OK);
    const size_t expected = 12 + 8 + 18 + 8 + 10 + 8;
    EXPECT_EQ(info.dataOffset, expected);
    EXPECT_EQ(info.dataLength, 400u);
    EXPECT_EQ(std::memcmp(clip.data() + info.dataOffset, data.data(), data.size()), 0);
    EXPECT_EQ(info.durationMicros, 25000);
}

TEST(WavClip, DataSizeBeyondTheClipStopsAtItsEnd) {
    Bytes clip = canonicalWav(1, 8000, 16, 100);
    putLe32(clip, 40, 0xFFFFFFFFu);  // a streaming writer's unset size
    WavClipInfo info;
    ASSERT_EQ(parseWav(clip, &info), HAL_OK);
    EXPECT_EQ(info.dataLength, 100u);
}

TEST(WavClip, PartialFrameAtTheEndIsLeftOut) {
    Bytes clip = canonicalWav(2, 8000, 16, 400);
    clip.push_back(1);
    clip.push_back(2);
    putLe32(clip, 40, 402);
    WavClipInfo info;
    ASSERT_EQ(parseWav(clip, &info), HAL_OK);
    EXPECT_EQ(info.dataLength, 400u);
}

TEST(WavClip, RefusedClips) {
    struct Case {
        const char* what;
        Bytes clip;
    };
    Bytes shortClip = canonicalWav(1, 8000, 16, 0);
    shortClip.resize(43);
    auto withFormatField = [](size_t at, uint32_t value, int width) {
        Bytes c = canonicalWav(1, 8000, 16, 64);
        if (width == 2) putLe16(c, at, uint16_t(value));
        else putLe32(c, at, value);
        return c;
    };
    Bytes noData = riff({{"fmt ", pcmFormat(1, 1, 8000, 16)}, {"LIST", Bytes(40, 0)}});
    Bytes noFormat = riff({{"data", samples(64)}});
    Bytes shortFormat = riff({{"fmt ", Bytes(14, 1)}, {"data", samples(64)}});
    Bytes truncatedFormat = riff({{"LIST", Bytes(20, 0)}, {"fmt ", pcmFormat(1, 1, 8000, 16)}});
    truncatedFormat.resize(truncatedFormat.size() - 6);
    const Case cases[] = {
        {"empty", {}},
        {"shorter than the header", shortClip},
        {"IEEE float samples", withFormatField(20, 3, 2)},
        {"extensible format", withFormatField(20, 0xFFFE, 2)},
        {"no channels", withFormatField(22, 0, 2)},
        {"zero sample rate", withFormatField(24, 0, 4)},
        {"zero bits per sample", withFormatField(34, 0, 2)},
        {"12 bits per sample", withFormatField(34, 12, 2)},
        {"byte rate beyond 32 bits", [&] {
             Bytes c = withFormatField(22, 0xFFFF, 2);
             putLe32(c, 24, 0xFFFFFFFFu);
             return c;
         }()},
        {"no data chunk", noData},
        {"no format chunk", noFormat},
        {"format chunk too short", shortFormat},
        {"format chunk cut by the clip's end", truncatedFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WavClipInfo info;
        info.dataLength = 99;
        EXPECT_EQ(parseWav(c.clip, &info), HAL_MALFORMED);
        EXPECT_EQ(info.dataLength, 0u);
    }
}

// --- MIDI ---------------------------------------------------------------------------

Bytes midiHeader(uint16_t tracks, uint16_t division, uint32_t trackLength = 0) {
    Bytes h = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0};
    h.push_back(uint8_t(tracks >> 8));
    h.push_back(uint8_t(tracks));
    h.push_back(uint8_t(division >> 8));
    h.push_back(uint8_t(division));
    const uint8_t track[] = {'M', 'T', 'r', 'k', uint8_t(trackLength >> 24),
                             uint8_t(trackLength >> 16), uint8_t(trackLength >> 8),
                             uint8_t(trackLength)};
    h.insert(h.end(), track, track + 8);
    return h;
}

Bytes midiFile(const Bytes& track, uint16_t tracks = 1, uint16_t division = 480) {
    Bytes file = midiHeader(tracks, division, uint32_t(track.size()));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

std::vector<MidiStreamEvent> convert(const Bytes& file) {
    Exact exact(file);
    size_t n = MidiClip_convert(exact.data.get(), exact.size, nullptr, 0);
    std::vector<MidiStreamEvent> events(n);
    EXPECT_EQ(MidiClip_convert(exact.data.get(), exact.size, events.data(), n), n);
    return events;
}

TEST(MidiClip, HeaderChecks) {
    struct Case {
        const char* what;
        Bytes file;
        int32_t status;
        uint16_t division;
    };
    Bytes cut = midiHeader(1, 96);
    cut.resize(21);
    const Case cases[] = {
        {"one track", midiHeader(1, 96), HAL_OK, 96},
        {"largest division", midiHeader(1, 32767), HAL_OK, 32767},
        {"two tracks", midiHeader(2, 96), HAL_NOT_SUPPORTED, 0},
        {"no track", midiHeader(0, 96), HAL_NOT_SUPPORTED, 0},
        {"SMPTE division (25 fps, 40 ticks)", midiHeader(1, 0xE728), HAL_NOT_SUPPORTED, 0},
        {"zero division", midiHeader(1, 0), HAL_NOT_SUPPORTED, 0},
        {"cut inside the track header", cut, HAL_MALFORMED, 0},
        {"nothing", {}, HAL_MALFORMED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exact exact(c.file);
        uint16_t division = 7;
        EXPECT_EQ(MidiClip_parseHeader(exact.data.get(), exact.size, &division), c.status);
        EXPECT_EQ(division, c.division);
    }
}

TEST(MidiClip, ChannelMessagesBecomeRecordsOthersAreSkipped) {
    Bytes t;
    auto add = [&](std::initializer_list<uint8_t> bytes) { t.insert(t.end(), bytes); };
    add({0x00, 0x90, 60, 100});        // note-on at 0
    add({0x87, 0x68, 0xB1, 7, 90});    // controller, delta 1000
    add({0x05, 0xC2, 12, 0x00});       // program change takes two data bytes here
    add({0x00, 0xD3, 40, 0x00});       // channel pressure likewise
    add({0x10, 0xA4, 61, 20});         // key pressure
    add({0x20, 0xFF, 0x2F, 0x00});     // end of track: not an event
    std::vector<MidiStreamEvent> events = convert(midiFile(t));
    const std::vector<MidiStreamEvent> expected = {
        {0, 0x90 | 60 << 8 | 100 << 16},
        {1000, 0xB1 | 7 << 8 | 90 << 16},
        {5, 0xC2 | 12 << 8},
        {0, 0xD3 | 40 << 8},
        {0x10, 0xA4 | 61 << 8 | 20 << 16},
    };
    EXPECT_EQ(events, expected);
}

TEST(MidiClip, SkippedMessagesResumeOneByteOn) {
    // A note-off's key and velocity bytes are read as a delta and a status
    // in turn, and skipped too; the note-on after them is found.
    Bytes t = {0x00, 0x80, 60, 0x00, 0x00, 0x90, 62, 80};
    std::vector<MidiStreamEvent> events = convert(midiFile(t));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, uint32_t(0x90 | 62 << 8 | 80 << 16));
}

TEST(MidiClip, OnlyNoteOffsGiveNoEvents) {
    Bytes t;
    for (int k = 0; k < 8; ++k) t.insert(t.end(), {0x10, 0x80, uint8_t(60 + k), 0x40});
    EXPECT_TRUE(convert(midiFile(t)).empty());
}

TEST(MidiClip, ConversionMatchesWhatTheBuilderWrote) {
    rpack::Melody melody;
    melody.channel = 2;
    melody.notes = {{60, 250, 100}, {-1, 100, 0}, {64, 300, 90}};
    rpack::MidiFile midi = rpack::melodyToMidi(melody);
    std::vector<MidiStreamEvent> events = convert(rpack::encodeMidi(midi));
    ASSERT_EQ(events.size(), midi.events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const rpack::MidiEvent& e = midi.events[i];
        EXPECT_EQ(events[i].deltaTicks, e.delta) << i;
        EXPECT_EQ(events[i].message, uint32_t(e.status | e.data1 << 8 | e.data2 << 16)) << i;
    }
}

TEST(MidiClip, EveryCutOfATrackStaysInsideTheClip) {
    Bytes t = {0x00, 0x90, 60, 100, 0x8F, 0xFF, 0xFF, 0x7F, 0xB0, 7, 64, 0x81, 0x00, 0xA0, 1, 2};
    Bytes whole = midiFile(t);
    size_t previous = 0;
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes part(whole.begin(), whole.begin() + cut);
        std::vector<MidiStreamEvent> events = convert(part);
        // An event counts only once its last data byte is in.
        EXPECT_GE(events.size(), previous);
        previous = events.size();
    }
    EXPECT_EQ(previous, 3u);
    // A cut just short of the last data byte drops that event alone.
    EXPECT_EQ(convert(Bytes(whole.begin(), whole.end() - 1)).size(), 2u);
}

TEST(MidiClip, LongDeltaStopsAfterFourBytes) {
    // Four continuation bytes: the fifth byte is the status.
    Bytes t = {0xFF, 0xFF, 0xFF, 0xFF, 0x90, 1, 2};
    std::vector<MidiStreamEvent> events = convert(midiFile(t));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].deltaTicks, 0x0FFFFFFFu);
}

}  // namespace
