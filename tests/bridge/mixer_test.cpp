// The wave-output mixer without a device: what it renders for known clips,
// how it converts formats and rates, loops, pauses, resets and counts bytes,
// and MIDI streams rendered by FluidSynth against their tick clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "audio_test_support.h"
#include "ce_midisynth.h"
#include "ce_mixer.h"

using namespace ce;

namespace {

constexpr uint32_t kRate = 44100;

using audiotest::pcm;

WAVEFORMAT_MIDI midiFormat(uint32_t usPerQuarter, uint32_t ticksPerQuarter) {
    WAVEFORMAT_MIDI f{};
    f.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    f.wfx.nChannels = 1;
    f.wfx.nSamplesPerSec = 32;
    f.wfx.nAvgBytesPerSec = 32;
    f.wfx.nBlockAlign = 8;
    f.wfx.wBitsPerSample = 16;
    f.wfx.cbSize = WAVEFORMAT_MIDI_EXTRASIZE;
    f.USecPerQuarterNote = usPerQuarter;
    f.TicksPerQuarterNote = ticksPerQuarter;
    return f;
}

// A header over its own bytes.
struct Clip {
    std::vector<uint8_t> bytes;
    WAVEHDR header{};
    explicit Clip(std::vector<uint8_t> data, DWORD flags = 0, DWORD loops = 0)
        : bytes(std::move(data)) {
        header.lpData = reinterpret_cast<LPSTR>(bytes.data());
        header.dwBufferLength = DWORD(bytes.size());
        header.dwFlags = flags | WHDR_PREPARED | WHDR_INQUEUE;
        header.dwLoops = loops;
    }
};

std::vector<uint8_t> bytes16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

// Deterministic full-range samples.
std::vector<int16_t> noise(size_t count, uint32_t seed) {
    std::vector<int16_t> out(count);
    for (auto& s : out) {
        seed = seed * 1664525u + 1013904223u;
        s = int16_t(seed >> 16);
    }
    return out;
}

std::vector<uint8_t> midiRecords(std::initializer_list<WAVEFORMAT_MIDI_MESSAGE> records) {
    std::vector<uint8_t> out(records.size() * sizeof(WAVEFORMAT_MIDI_MESSAGE));
    std::memcpy(out.data(), std::data(records), out.size());
    return out;
}

DWORD noteOn(int key, int velocity, int channel = 0) {
    return DWORD(0x90 | channel) | DWORD(key) << 8 | DWORD(velocity) << 16;
}

class MixerTest : public ::testing::Test {
protected:
    Mixer mixer{kRate};
    std::vector<Mixer::Done> done;

    uint32_t open(const WAVEFORMATEX& format) {
        uint32_t id = 0;
        EXPECT_EQ(mixer.addStream(format, &id), MMSYSERR_NOERROR);
        return id;
    }
    std::vector<int16_t> render(size_t frames) {
        std::vector<int16_t> out(frames * 2, 12345);
        mixer.render(out.data(), frames, &done);
        return out;
    }
    static bool silent(const std::vector<int16_t>& samples, size_t from = 0,
                       size_t to = size_t(-1)) {
        to = std::min(to, samples.size());
        return std::all_of(samples.begin() + from, samples.begin() + to,
                           [](int16_t s) { return s == 0; });
    }
};

TEST_F(MixerTest, TwoStreamsMixToTheirClippedSum) {
    // Full-range noise, so that many frames overflow both ways.
    std::vector<int16_t> a = noise(2 * 700, 1);
    std::vector<int16_t> b = noise(2 * 1000, 2);
    Clip clipA(bytes16(a)), clipB(bytes16(b));
    mixer.write(open(pcm(2, kRate, 16)), &clipA.header);
    mixer.write(open(pcm(2, kRate, 16)), &clipB.header);

    std::vector<int16_t> out = render(1200);
    int clipped = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        int sum = (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        int expected = std::clamp(sum, -32768, 32767);
        clipped += expected != sum;
        ASSERT_EQ(out[i], expected) << "sample " << i;
    }
    EXPECT_GT(clipped, 100);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].header, &clipA.header);
    EXPECT_EQ(done[1].header, &clipB.header);
}

struct Conversion {
    const char* name;
    WAVEFORMATEX format;
    std::vector<uint8_t> data;
    std::vector<int16_t> expected;  // stereo output, then silence
};

TEST_F(MixerTest, ConvertsFormatsAndRates) {
    const Conversion cases[] = {
        {"mono 16-bit", pcm(1, kRate, 16), bytes16({100, -200}), {100, 100, -200, -200}},
        {"mono 8-bit", pcm(1, kRate, 8), {0x80, 0xFF, 0x00}, {0, 0, 32512, 32512, -32768, -32768}},
        {"stereo 8-bit", pcm(2, kRate, 8), {0x81, 0x7F}, {256, -256}},
        // Half the rate: every source frame twice, the second time halfway
        // to the next; the last frame is held.
        {"stereo 16-bit at 22050 Hz",
         pcm(2, kRate / 2, 16),
         bytes16({0, 0, 1000, -1000, 2000, -2000}),
         {0, 0, 500, -500, 1000, -1000, 1500, -1500, 2000, -2000, 2000, -2000}},
        // Twice the rate: every other source frame.
        {"mono 16-bit at 88200 Hz",
         pcm(1, kRate * 2, 16),
         bytes16({10, 20, 30, 40}),
         {10, 10, 30, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mixer m(kRate);
        uint32_t id = 0;
        ASSERT_EQ(m.addStream(c.format, &id), MMSYSERR_NOERROR);
        Clip clip(c.data);
        m.write(id, &clip.header);
        std::vector<Mixer::Done> finished;
        size_t frames = c.expected.size() / 2 + 3;
        std::vector<int16_t> out(frames * 2);
        m.render(out.data(), frames, &finished);
        std::vector<int16_t> expected = c.expected;
        expected.resize(frames * 2, 0);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(m.position(id), c.data.size());
        EXPECT_EQ(finished.size(), 1u);
    }
}

TEST_F(MixerTest, RefusesFormatsItCannotPlay) {
    auto badBlock = pcm(2, kRate, 16);
    badBlock.nBlockAlign = 2;
    auto badRate = pcm(2, kRate, 16);
    badRate.nAvgBytesPerSec = 1000;
    auto other = pcm(2, kRate, 16);
    other.wFormatTag = 2;
    auto shortMidi = midiFormat(480000, 480);
    shortMidi.wfx.cbSize = 8;
    // Each in storage as large as a MIDI format, which has its extra fields
    // after the common ones.
    auto whole = [](const WAVEFORMATEX& f) {
        WAVEFORMAT_MIDI m{};
        m.wfx = f;
        return m;
    };
    const WAVEFORMAT_MIDI formats[] = {whole(pcm(3, kRate, 16)),
                                       whole(pcm(2, kRate, 24)),
                                       whole(pcm(1, 0, 8)),
                                       whole(pcm(1, 400000, 8)),
                                       whole(badBlock),
                                       whole(badRate),
                                       whole(other),
                                       shortMidi,
                                       midiFormat(480000, 0),
                                       midiFormat(0, 480)};
    for (const auto& m : formats) {
        const WAVEFORMATEX& f = m.wfx;
        uint32_t id = 99;
        EXPECT_EQ(mixer.addStream(f, &id), WAVERR_BADFORMAT)
            << "tag " << f.wFormatTag << " channels " << f.nChannels << " bits "
            << f.wBitsPerSample;
        EXPECT_EQ(id, 99u);
    }
}

TEST_F(MixerTest, VolumeScalesEachChannelOfItsOwnStream) {
    Clip loud(bytes16({20000, 20000, -20000, -20000}));
    Clip other(bytes16({100, 100, 100, 100}));
    uint32_t id = open(pcm(2, kRate, 16));
    uint32_t plain = open(pcm(2, kRate, 16));
    mixer.setVolume(id, 0xFFFF8000);  // left half, right full
    EXPECT_EQ(mixer.volume(id), 0xFFFF8000u);
    EXPECT_EQ(mixer.volume(plain), 0xFFFFFFFFu);
    mixer.write(id, &loud.header);
    mixer.write(plain, &other.header);
    EXPECT_EQ(render(2),
              (std::vector<int16_t>{10000 + 100, 20000 + 100, -10000 + 100, -20000 + 100}));

    Clip quiet(bytes16({20000, 20000}));
    mixer.setVolume(id, 0);
    mixer.write(id, &quiet.header);
    EXPECT_TRUE(silent(render(1)));
}

struct LoopCase {
    DWORD loops;
    size_t plays;
};

TEST_F(MixerTest, LoopsPlayExactlyTheirCount) {
    const std::vector<int16_t> frames = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
    for (LoopCase c : {LoopCase{0, 1}, LoopCase{1, 1}, LoopCase{3, 3}, LoopCase{7, 7}}) {
        SCOPED_TRACE(testing::Message() << "dwLoops " << c.loops);
        Mixer m(kRate);
        uint32_t id = 0;
        ASSERT_EQ(m.addStream(pcm(2, kRate, 16), &id), MMSYSERR_NOERROR);
        Clip clip(bytes16(frames), WHDR_BEGINLOOP | WHDR_ENDLOOP, c.loops);
        m.write(id, &clip.header);
        std::vector<Mixer::Done> finished;
        size_t total = c.plays * 5;
        std::vector<int16_t> out((total - 1) * 2);
        m.render(out.data(), total - 1, &finished);
        EXPECT_TRUE(finished.empty());
        EXPECT_FALSE(clip.header.dwFlags & WHDR_DONE);
        std::vector<int16_t> last(2 * 4);
        m.render(last.data(), 4, &finished);
        out.insert(out.end(), last.begin(), last.end());

        std::vector<int16_t> expected;
        for (size_t i = 0; i < c.plays; ++i)
            expected.insert(expected.end(), frames.begin(), frames.end());
        expected.resize(out.size(), 0);
        EXPECT_EQ(out, expected);
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_EQ(clip.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE));
        EXPECT_EQ(m.position(id), c.plays * frames.size() * 2);
    }
}

TEST_F(MixerTest, LoopOverSeveralHeadersReplaysThemAndGivesThemBackTogether) {
    uint32_t id = open(pcm(1, kRate, 16));
    Clip a(bytes16({1})), b(bytes16({2, 3}), WHDR_BEGINLOOP, 2), c(bytes16({4}), WHDR_ENDLOOP),
        d(bytes16({5}));
    for (Clip* clip : {&a, &b, &c, &d}) mixer.write(id, &clip->header);

    std::vector<int16_t> played;
    std::vector<std::pair<size_t, WAVEHDR*>> finishedAt;
    for (size_t frame = 0; frame < 9; ++frame) {
        done.clear();
        played.push_back(render(1)[0]);
        for (auto& f : done) finishedAt.push_back({frame, f.header});
    }
    EXPECT_EQ(played, (std::vector<int16_t>{1, 2, 3, 4, 2, 3, 4, 5, 0}));
    // A header is given back as soon as its last frame is mixed; the loop's
    // headers only with its last pass.
    EXPECT_EQ(finishedAt, (std::vector<std::pair<size_t, WAVEHDR*>>{
                              {0, &a.header}, {6, &b.header}, {6, &c.header}, {7, &d.header}}));
    EXPECT_EQ(mixer.position(id), 8u * 2);
}

TEST_F(MixerTest, EmptyLoopEndsAtOnceWhateverItsCount) {
    uint32_t id = open(pcm(2, kRate, 16));
    std::vector<uint8_t> none;
    Clip empty(none, WHDR_BEGINLOOP | WHDR_ENDLOOP, 1000000);
    empty.header.lpData = reinterpret_cast<LPSTR>(&empty);  // no bytes, but not null
    Clip next(bytes16({7, 8}));
    mixer.write(id, &empty.header);
    mixer.write(id, &next.header);
    EXPECT_EQ(render(2), (std::vector<int16_t>{7, 8, 0, 0}));
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].header, &empty.header);
    EXPECT_EQ(mixer.position(id), 4u);
}

TEST_F(MixerTest, PauseHoldsThePlaceAndRestartGoesOn) {
    uint32_t id = open(pcm(1, kRate, 16));
    Clip clip(bytes16({1, 2, 3, 4, 5}));
    mixer.write(id, &clip.header);
    EXPECT_EQ(render(2), (std::vector<int16_t>{1, 1, 2, 2}));
    mixer.pause(id);
    EXPECT_TRUE(silent(render(4)));
    EXPECT_EQ(mixer.position(id), 4u);
    EXPECT_TRUE(done.empty());
    mixer.restart(id);
    EXPECT_EQ(render(4), (std::vector<int16_t>{3, 3, 4, 4, 5, 5, 0, 0}));
    EXPECT_EQ(done.size(), 1u);
}

TEST_F(MixerTest, ResetGivesBackEveryHeaderAndStartsOver) {
    uint32_t id = open(pcm(1, kRate, 16));
    Clip a(bytes16({1, 2, 3}), WHDR_BEGINLOOP | WHDR_ENDLOOP, 1000000), b(bytes16({9}));
    mixer.write(id, &a.header);
    mixer.write(id, &b.header);
    mixer.pause(id);
    render(2);
    mixer.restart(id);
    render(5);
    EXPECT_EQ(mixer.position(id), 10u);
    std::vector<Mixer::Done> back;
    mixer.reset(id, &back);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].header, &a.header);
    EXPECT_EQ(back[1].header, &b.header);
    EXPECT_EQ(a.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE));
    EXPECT_EQ(mixer.position(id), 0u);
    EXPECT_FALSE(mixer.queued(id));
    EXPECT_TRUE(silent(render(3)));

    // A header written again plays from its start, its loop counted afresh.
    a.header.dwFlags = WHDR_PREPARED | WHDR_INQUEUE | WHDR_BEGINLOOP | WHDR_ENDLOOP;
    a.header.dwLoops = 2;
    mixer.write(id, &a.header);
    std::vector<int16_t> out = render(7);
    EXPECT_EQ(out, (std::vector<int16_t>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 0, 0}));
    EXPECT_EQ(mixer.position(id), 12u);
}

// --- MIDI ----------------------------------------------------------------------

TEST(MidiSynth, RendersNotesAndRefusesAMissingSoundFont) {
    std::string error;
    EXPECT_EQ(MidiSynth::create(kRate, "/nonexistent/none.sf2", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/none.sf2"), std::string::npos) << error;

    auto synth = MidiSynth::create(kRate, kSoundFontPath, &error);
    ASSERT_NE(synth, nullptr) << error;
    std::vector<float> out(2 * 4410);
    EXPECT_FALSE(synth->sounding());
    synth->send(0xC0 | 0 << 8);  // piano
    synth->send(noteOn(60, 100));
    EXPECT_TRUE(synth->sounding());
    synth->render(out.data(), 4410);
    EXPECT_GT(*std::max_element(out.begin(), out.end()), 0.01f);
    synth->reset();
    synth->render(out.data(), 64);
    EXPECT_FALSE(synth->sounding());
}

TEST_F(MixerTest, MidiStreamPlaysItsRecordsOnTheTickClock) {
    // One tick is one millisecond, 44.1 frames.
    uint32_t id = open(midiFormat(480000, 480).wfx);
    Clip clip(midiRecords({{0, 0xC0},                // program 0 on channel 0
                           {250, noteOn(60, 110)},   // at 250 ms
                           {500, noteOn(60, 0)}}));  // off at 750 ms
    mixer.write(id, &clip.header);

    std::vector<int16_t> before = render(11025);
    EXPECT_TRUE(silent(before));
    EXPECT_EQ(mixer.position(id), 8u);
    std::vector<int16_t> note = render(22050);
    EXPECT_FALSE(silent(note, 0, 2 * 2205));  // sounds from its first frames
    EXPECT_EQ(mixer.position(id), 16u);
    EXPECT_TRUE(done.empty());
    render(1);
    EXPECT_EQ(mixer.position(id), 24u);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].header, &clip.header);
}

TEST_F(MixerTest, MidiLoopRepeatsAndAZeroTimeLoopEndsAtOnce) {
    uint32_t id = open(midiFormat(480000, 480).wfx);
    Clip loop(midiRecords({{100, noteOn(64, 90)}, {0, noteOn(64, 0)}}),
              WHDR_BEGINLOOP | WHDR_ENDLOOP, 3);
    mixer.write(id, &loop.header);
    // Three passes of 100 ms; the third pass's records fall on the first
    // frame after these.
    render(3 * 4410);
    EXPECT_TRUE(done.empty());
    EXPECT_EQ(mixer.position(id), 2u * 16);
    render(1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(mixer.position(id), 3u * 16);

    std::vector<uint8_t> records = midiRecords({{0, noteOn(64, 90)}, {0, noteOn(64, 0)}});
    Clip instant(records, WHDR_BEGINLOOP | WHDR_ENDLOOP, 1000000);
    mixer.write(id, &instant.header);
    render(1);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(mixer.position(id), 3u * 16 + 1000000u * 16);
}

TEST(MixerMidi, NoSynthesizerMeansNoDriver) {
    Mixer mixer(kRate, "/nonexistent/none.sf2");
    uint32_t id = 0;
    EXPECT_EQ(mixer.addStream(midiFormat(480000, 480).wfx, &id), MMSYSERR_NODRIVER);
}

}  // namespace
