// The native players over the wave-output stand-in, with its mix rendered by
// hand: creation and refusals, the life cycle and end of media, loops, media
// time, volume, several players at once, the background pause, MIDI through
// the synthesizer, and clips read from files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "Audio.h"
#include "HAL_audio.h"
#include "HAL_host.h"
#include "HAL_status.h"

namespace {

using rpack::Bytes;

struct Posted {
    NativePlayer* player;
    jint event;
};

class AudioPlayers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ce::fake::useManualAudio(true));
        rate = ce::fake::mixRate();
        HAL_setPlayerEventHook(this, &AudioPlayers::record);
    }

    void TearDown() override {
        HAL_setPlayerEventHook(nullptr, nullptr);
        for (NativePlayer* p : made)
            if (HAL_isPlayerListed(p)) {
                EXPECT_EQ(HAL_closePlayer(p), HAL_OK);
            }
        EXPECT_EQ(HAL_getPlayerCount(), 0u);
        EXPECT_EQ(ce::fake::openWaveHandles(), 0);
        ce::fake::useManualAudio(false);
    }

    // A mono 16-bit sine at the mixer's own rate, so that one clip frame is
    // one mixed frame.
    Bytes tone(int ms, int frequency = 440, int sampleRate = 0) {
        rpack::Tone t;
        t.durationMs = ms;
        t.frequency = frequency;
        t.sampleRate = sampleRate ? sampleRate : int(rate);
        t.volume = 50;
        return rpack::encodeWav(rpack::makeTone(t));
    }

    NativePlayer* create(const Bytes& clip, jint type = HAL_CONTENT_WAV, jint loops = 0) {
        NativePlayer* p = nullptr;
        int32_t status = HAL_createPlayerWithData(&p, clip.data(), jint(clip.size()), type, loops);
        EXPECT_EQ(status, HAL_OK);
        if (p) made.push_back(p);
        return p;
    }

    // Mixes `frames` frames and delivers the callbacks they made due.
    std::vector<int16_t> render(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        EXPECT_TRUE(ce::fake::renderAudio(out.data(), frames));
        ce::fake::flushAudioCallbacks();
        return out;
    }

    static bool silent(const std::vector<int16_t>& samples) {
        return std::all_of(samples.begin(), samples.end(), [](int16_t s) { return s == 0; });
    }

    size_t framesOf(int ms) const { return size_t(rate) * size_t(ms) / 1000; }

    jint stateOf(NativePlayer* p) {
        jint s = -1;
        EXPECT_EQ(HAL_getPlayerState(p, &s), HAL_OK);
        return s;
    }

    std::vector<jint> eventsOf(NativePlayer* p) {
        std::lock_guard<std::mutex> guard(eventsLock);
        std::vector<jint> out;
        for (const Posted& e : events)
            if (e.player == p) out.push_back(e.event);
        return out;
    }

    static void record(void* context, NativePlayer* player, jint event, jlong, jint) {
        auto* self = static_cast<AudioPlayers*>(context);
        std::lock_guard<std::mutex> guard(self->eventsLock);
        self->events.push_back({player, event});
    }

    uint32_t rate = 0;
    std::vector<NativePlayer*> made;
    std::mutex eventsLock;
    std::vector<Posted> events;
};

Bytes midiHeaderWith(uint16_t tracks, uint16_t division) {
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0,
                  uint8_t(tracks >> 8), uint8_t(tracks), uint8_t(division >> 8), uint8_t(division),
                  'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00};
    return file;
}

Bytes melody() {
    rpack::Melody m;
    m.notes = {{60, 200, 110}, {67, 200, 110}};
    return rpack::encodeMidi(rpack::melodyToMidi(m));
}

TEST_F(AudioPlayers, CreationGivesARealizedListedPlayer) {
    Bytes clip = tone(250);
    NativePlayer* p = create(clip, HAL_CONTENT_NONE);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(HAL_isPlayerListed(p));
    EXPECT_EQ(stateOf(p), 0);
    jint type = 0;
    EXPECT_EQ(HAL_getPlayerContentType(p, &type), HAL_OK);
    EXPECT_EQ(type, HAL_CONTENT_WAV);
    jlong duration = 0;
    EXPECT_EQ(HAL_getPlayerDuration(p, &duration), HAL_OK);
    EXPECT_EQ(duration, 250000);  // microseconds
    // The player holds its own copy.
    EXPECT_NE(p->clip, clip.data());
    EXPECT_EQ(p->savedHeader.dwBufferLength, clip.size() - 44);
}

TEST_F(AudioPlayers, RefusedClipsLeaveNothingBehind) {
    Bytes shortWav = tone(10);
    shortWav.resize(43);
    Bytes floatWav = tone(10);
    floatWav[20] = 3;
    Bytes threeChannels = tone(10);
    threeChannels[22] = 3;
    threeChannels[32] = 6;  // block align
    Bytes cutMidi = midiHeaderWith(1, 96);
    cutMidi.resize(20);
    struct Case {
        const char* what;
        Bytes clip;
        jint type;
        jint loops;
        int32_t status;
    };
    const Case cases[] = {
        {"content type mpeg", tone(10), 4, 0, HAL_NOT_SUPPORTED},
        {"unknown content type", tone(10), 0, 0, HAL_NOT_SUPPORTED},
        {"MIDI with two tracks", midiHeaderWith(2, 96), HAL_CONTENT_MIDI, 0, HAL_NOT_SUPPORTED},
        {"MIDI with an SMPTE division", midiHeaderWith(1, 0xE728), HAL_CONTENT_MIDI, 0,
         HAL_NOT_SUPPORTED},
        {"MIDI cut inside its header", cutMidi, HAL_CONTENT_MIDI, 0, HAL_MALFORMED},
        {"WAV shorter than its header", shortWav, HAL_CONTENT_WAV, 0, HAL_MALFORMED},
        {"WAV not PCM", floatWav, HAL_CONTENT_WAV, 0, HAL_MALFORMED},
        {"WAV the device can't play", threeChannels, HAL_CONTENT_WAV, 0, HAL_MALFORMED},
        {"loops below -1", tone(10), HAL_CONTENT_WAV, -2, HAL_BAD_ARGUMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NativePlayer* p = reinterpret_cast<NativePlayer*>(1);
        EXPECT_EQ(HAL_createPlayerWithData(&p, c.clip.data(), jint(c.clip.size()), c.type, c.loops),
                  c.status);
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(HAL_getPlayerCount(), 0u);
        EXPECT_EQ(ce::fake::openWaveHandles(), 0);
    }
    EXPECT_EQ(HAL_createPlayerWithData(nullptr, shortWav.data(), 43, HAL_CONTENT_WAV, 0),
              HAL_BAD_ARGUMENT);
}

TEST_F(AudioPlayers, LoopCountsBecomeTheHeadersPlayCount) {
    struct Case {
        jint loops;
        ce::DWORD plays;
    };
    const Case cases[] = {{-1, 1000000}, {0, 1}, {1, 2}, {4, 5}};
    Bytes clip = tone(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loops);
        NativePlayer* p = create(clip, HAL_CONTENT_WAV, c.loops);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->savedHeader.dwLoops, c.plays);
        EXPECT_EQ(p->savedHeader.dwFlags, ce::DWORD(ce::WHDR_BEGINLOOP | ce::WHDR_ENDLOOP));
        EXPECT_EQ(HAL_setPlayerLoopCount(p, 2), HAL_OK);
        EXPECT_EQ(p->savedHeader.dwLoops, 3u);
        EXPECT_EQ(HAL_setPlayerLoopCount(p, -2), HAL_BAD_ARGUMENT);
        EXPECT_EQ(p->savedHeader.dwLoops, 3u);
    }
}

TEST_F(AudioPlayers, LifeCycleStatesAndEvents) {
    NativePlayer* p = create(tone(500));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(HAL_prefetchPlayer(p), HAL_OK);
    EXPECT_EQ(stateOf(p), 1);
    EXPECT_TRUE(silent(render(256)));  // written paused

    EXPECT_EQ(HAL_startPlayer(p), HAL_OK);
    EXPECT_EQ(stateOf(p), 2);
    EXPECT_FALSE(silent(render(1024)));
    // Prefetching a playing player leaves it playing, and a stop still stops.
    EXPECT_EQ(HAL_prefetchPlayer(p), HAL_OK);
    EXPECT_EQ(stateOf(p), 2);

    EXPECT_EQ(HAL_stopPlayer(p), HAL_OK);
    EXPECT_EQ(p->state.load(), NativePlayer::STOPPED);
    EXPECT_EQ(stateOf(p), 1);
    EXPECT_TRUE(silent(render(1024)));

    EXPECT_EQ(HAL_deallocatePlayer(p), HAL_OK);
    EXPECT_EQ(stateOf(p), 0);
    EXPECT_EQ(HAL_startPlayer(p), HAL_OK);
    EXPECT_EQ(stateOf(p), 2);

    EXPECT_EQ(HAL_closePlayer(p), HAL_OK);
    EXPECT_FALSE(HAL_isPlayerListed(p));
    std::vector<jint> got = eventsOf(p);
    // Every start goes back to the beginning through a deallocation first.
    const std::vector<jint> expected = {HAL_PLAYER_DEALLOCATED, HAL_PLAYER_STARTED,
                                        HAL_PLAYER_STOPPED,     HAL_PLAYER_DEALLOCATED,
                                        HAL_PLAYER_DEALLOCATED, HAL_PLAYER_STARTED,
                                        HAL_PLAYER_DEALLOCATED, HAL_PLAYER_CLOSED};
    EXPECT_EQ(got, expected);
}

TEST_F(AudioPlayers, EndOfMediaReturnsThePlayerToPrefetched) {
    NativePlayer* p = create(tone(50));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    render(framesOf(50) / 2);
    EXPECT_EQ(stateOf(p), 2);
    render(framesOf(50));
    EXPECT_EQ(p->state.load(), NativePlayer::ENDED);
    EXPECT_EQ(stateOf(p), 1);
    std::vector<jint> got = eventsOf(p);
    EXPECT_EQ(std::count(got.begin(), got.end(), HAL_PLAYER_END_OF_MEDIA), 1);
    // The time stays at the end.
    jlong time = -1;
    EXPECT_EQ(HAL_getPlayerMediaTime(p, &time), HAL_OK);
    EXPECT_EQ(time, 50000);
    // Started again, it plays again from the beginning.
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    EXPECT_FALSE(silent(render(256)));
    EXPECT_EQ(stateOf(p), 2);
}

TEST_F(AudioPlayers, LoopsReplayTheClip) {
    struct Case {
        jint loops;
        int plays;
    };
    for (const Case& c : {Case{0, 1}, Case{2, 3}}) {
        SCOPED_TRACE(c.loops);
        NativePlayer* p = create(tone(40), HAL_CONTENT_WAV, c.loops);
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
        render(framesOf(40) * c.plays - framesOf(10));
        EXPECT_EQ(stateOf(p), 2) << "ended early";
        render(framesOf(20));
        EXPECT_EQ(stateOf(p), 1) << "still playing";
        EXPECT_EQ(HAL_closePlayer(p), HAL_OK);
    }
}

TEST_F(AudioPlayers, EndlessLoopKeepsPlaying) {
    NativePlayer* p = create(tone(20), HAL_CONTENT_WAV, -1);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    render(framesOf(20) * 12);
    EXPECT_EQ(stateOf(p), 2);
    // The media time wraps round with the clip.
    jlong time = -1;
    render(framesOf(5));
    EXPECT_EQ(HAL_getPlayerMediaTime(p, &time), HAL_OK);
    EXPECT_GE(time, 0);
    EXPECT_LT(time, 20000);
}

TEST_F(AudioPlayers, MediaTimeStartsAtWholeSeconds) {
    // 8000 Hz mono 16-bit: 16000 bytes a second, 3 s.
    NativePlayer* p = create(tone(3000, 440, 8000));
    ASSERT_NE(p, nullptr);
    jlong duration = 0;
    ASSERT_EQ(HAL_getPlayerDuration(p, &duration), HAL_OK);
    ASSERT_EQ(duration, 3000000);

    EXPECT_EQ(HAL_setPlayerMediaTime(p, -1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setPlayerMediaTime(p, duration + 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setPlayerMediaTime(p, 1500000), HAL_OK);
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    EXPECT_EQ(p->liveHeader.lpData, p->savedHeader.lpData + 16000);
    EXPECT_EQ(p->liveHeader.dwBufferLength, p->savedHeader.dwBufferLength - 16000);
    jlong time = -1;
    EXPECT_EQ(HAL_getPlayerMediaTime(p, &time), HAL_OK);
    EXPECT_EQ(time, 1500000);
    EXPECT_EQ(HAL_setPlayerMediaTime(p, duration), HAL_OK);
}

TEST_F(AudioPlayers, MediaTimeOfClipsWithoutLengthDividesByNothing) {
    NativePlayer* midi = create(melody(), HAL_CONTENT_MIDI);
    NativePlayer* empty = create(tone(0));
    ASSERT_NE(midi, nullptr);
    ASSERT_NE(empty, nullptr);
    jlong duration = -1;
    EXPECT_EQ(HAL_getPlayerDuration(midi, &duration), HAL_OK);
    EXPECT_EQ(duration, 0);
    ASSERT_EQ(HAL_startPlayer(midi), HAL_OK);
    ASSERT_EQ(HAL_startPlayer(empty), HAL_OK);
    render(framesOf(300));
    jlong time = -1;
    EXPECT_EQ(HAL_getPlayerMediaTime(midi, &time), HAL_OK);
    EXPECT_GE(time, 0);
    EXPECT_EQ(HAL_getPlayerMediaTime(empty, &time), HAL_OK);
    EXPECT_EQ(time, 0);
    EXPECT_EQ(stateOf(empty), 1);  // nothing to play: ended at once
}

TEST_F(AudioPlayers, VolumeIsClampedAndReadBack) {
    NativePlayer* p = create(tone(20));
    ASSERT_NE(p, nullptr);
    jint level = -1;
    EXPECT_EQ(HAL_getPlayerVolume(p, &level), HAL_OK);
    EXPECT_EQ(level, 100);
    for (auto [set, got] : {std::pair{150, 100}, {-5, 0}, {50, 50}, {1, 1}, {99, 99}}) {
        SCOPED_TRACE(set);
        EXPECT_EQ(HAL_setPlayerVolume(p, set), HAL_OK);
        EXPECT_EQ(HAL_getPlayerVolume(p, &level), HAL_OK);
        EXPECT_EQ(level, got);
    }
    std::vector<jint> got = eventsOf(p);
    EXPECT_EQ(std::count(got.begin(), got.end(), HAL_PLAYER_VOLUME_CHANGED), 5);
}

TEST_F(AudioPlayers, TwoPlayersSoundAtOnce) {
    NativePlayer* a = create(tone(300, 440));
    NativePlayer* b = create(tone(300, 660));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(HAL_startPlayer(a), HAL_OK);
    ASSERT_EQ(HAL_startPlayer(b), HAL_OK);
    EXPECT_FALSE(silent(render(framesOf(50))));
    EXPECT_EQ(stateOf(a), 2);
    EXPECT_EQ(stateOf(b), 2);
    jlong ta = 0, tb = 0;
    EXPECT_EQ(HAL_getPlayerMediaTime(a, &ta), HAL_OK);
    EXPECT_EQ(HAL_getPlayerMediaTime(b, &tb), HAL_OK);
    EXPECT_GT(ta, 0);
    EXPECT_EQ(ta, tb);
    // Muting one leaves the other audible.
    ASSERT_EQ(HAL_setPlayerVolume(a, 0), HAL_OK);
    EXPECT_FALSE(silent(render(framesOf(20))));
    ASSERT_EQ(HAL_stopPlayer(b), HAL_OK);
    EXPECT_TRUE(silent(render(framesOf(20))));
}

TEST_F(AudioPlayers, GoingToTheBackgroundStopsEveryPlayer) {
    // The host must be running for the pause to be a change.
    setPowerOn(true);
    setForeground(true);
    ASSERT_TRUE(hostIsRunning());
    NativePlayer* a = create(tone(400, 440));
    NativePlayer* b = create(tone(400, 550));
    NativePlayer* closed = create(tone(400, 660));
    ASSERT_TRUE(a && b && closed);
    ASSERT_EQ(HAL_startPlayer(a), HAL_OK);
    ASSERT_EQ(HAL_startPlayer(b), HAL_OK);
    ASSERT_EQ(HAL_closePlayer(closed), HAL_OK);
    ASSERT_EQ(HAL_getPlayerCount(), 2u);
    EXPECT_FALSE(silent(render(framesOf(20))));

    setForeground(false);
    EXPECT_FALSE(hostIsRunning());
    EXPECT_EQ(a->state.load(), NativePlayer::STOPPED);
    EXPECT_EQ(b->state.load(), NativePlayer::STOPPED);
    EXPECT_TRUE(silent(render(framesOf(50))));

    // Coming back does not restart them: the game does that.
    setForeground(true);
    EXPECT_TRUE(hostIsRunning());
    EXPECT_EQ(stateOf(a), 1);
    EXPECT_TRUE(silent(render(framesOf(20))));
}

TEST_F(AudioPlayers, SingleTrackMidiIsSynthesized) {
    ASSERT_EQ(access(ce::kSoundFontPath, R_OK), 0)
        << "no General MIDI soundfont (scripts/setup.sh installs it)";
    Bytes file = melody();
    NativePlayer* p = create(file, HAL_CONTENT_MIDI);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->format.wfx.wFormatTag, ce::WAVE_FORMAT_MIDI);
    EXPECT_EQ(p->format.wfx.cbSize, ce::WAVEFORMAT_MIDI_EXTRASIZE);
    EXPECT_EQ(p->format.USecPerQuarterNote, 500u * 1000u);
    EXPECT_EQ(p->format.TicksPerQuarterNote, 500u);
    // Four note-ons (two of them ending notes), 8 bytes each.
    EXPECT_EQ(p->savedHeader.dwBufferLength, 4u * 8u);
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    std::vector<int16_t> pcm = render(framesOf(300));
    EXPECT_FALSE(silent(pcm));
}

TEST_F(AudioPlayers, MidiOfNoteOffsOnlyPlaysNothingAndEnds) {
    ASSERT_EQ(access(ce::kSoundFontPath, R_OK), 0)
        << "no General MIDI soundfont (scripts/setup.sh installs it)";
    Bytes file = midiHeaderWith(1, 96);
    file.resize(22);
    for (int k = 0; k < 4; ++k) file.insert(file.end(), {0x10, 0x80, uint8_t(60 + k), 0x40});
    file[21] = 16;  // track length
    NativePlayer* p = create(file, HAL_CONTENT_MIDI);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->savedHeader.dwBufferLength, 0u);
    ASSERT_EQ(HAL_startPlayer(p), HAL_OK);
    EXPECT_TRUE(silent(render(framesOf(50))));
    EXPECT_EQ(stateOf(p), 1);
}

TEST_F(AudioPlayers, FileLocatorReadsTheWholeFile) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("wren-audio-" + std::to_string(getpid()));
    fs::create_directories(dir);
    Bytes clip = tone(100);
    auto write = [&](const char* name, const Bytes& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        std::string path = "//" + (dir / name).string();
        return std::u16string(path.begin(), path.end());
    };
    std::u16string good = write("tone.wav", clip);
    std::u16string empty = write("empty.wav", {});
    std::u16string missing = u"//" + std::u16string(u"/no/such/file.wav");

    NativePlayer* p = nullptr;
    ASSERT_EQ(HAL_createPlayerWithLocator(&p, HAL_PROTOCOL_FILE, good.data(), jint(good.size()),
                                          HAL_CONTENT_NONE, 0),
              HAL_OK);
    made.push_back(p);
    jlong duration = 0;
    EXPECT_EQ(HAL_getPlayerDuration(p, &duration), HAL_OK);
    EXPECT_EQ(duration, 100000);

    struct Case {
        const char* what;
        jint protocol;
        std::u16string locator;
        jint type;
        int32_t status;
    };
    const Case cases[] = {
        {"missing file", HAL_PROTOCOL_FILE, missing, HAL_CONTENT_NONE, HAL_NOT_FOUND},
        {"empty file", HAL_PROTOCOL_FILE, empty, HAL_CONTENT_NONE, HAL_IO_ERROR},
        {"a folder", HAL_PROTOCOL_FILE, u"//" + std::u16string(u"/tmp"), HAL_CONTENT_NONE,
         HAL_IO_ERROR},
        {"MIDI content", HAL_PROTOCOL_FILE, good, HAL_CONTENT_MIDI, HAL_NOT_SUPPORTED},
        {"http", 3, good, HAL_CONTENT_NONE, HAL_BAD_ARGUMENT},
        {"missing resource", HAL_PROTOCOL_JAR, u"/no-such-sound.wav", HAL_CONTENT_NONE,
         HAL_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NativePlayer* q = nullptr;
        EXPECT_EQ(HAL_createPlayerWithLocator(&q, c.protocol, c.locator.data(),
                                              jint(c.locator.size()), c.type, 0),
                  c.status);
        EXPECT_EQ(q, nullptr);
    }
    EXPECT_EQ(HAL_getPlayerCount(), 1u);
    fs::remove_all(dir);
}

TEST_F(AudioPlayers, EveryOperationRefusesANullPlayer) {
    jint i = 0;
    jlong l = 0;
    EXPECT_EQ(HAL_prefetchPlayer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_startPlayer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_stopPlayer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_deallocatePlayer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_closePlayer(nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setPlayerLoopCount(nullptr, 1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setPlayerMediaTime(nullptr, 0), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getPlayerMediaTime(nullptr, &l), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getPlayerDuration(nullptr, &l), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getPlayerState(nullptr, &i), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getPlayerContentType(nullptr, &i), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getPlayerVolume(nullptr, &i), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_setPlayerVolume(nullptr, 50), HAL_BAD_ARGUMENT);
}

TEST(AudioSupport, ContentTypesAndProtocols) {
    for (jint code = -1; code <= 12; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(HAL_isContentTypeSupported(code), code == 2);
        EXPECT_EQ(HAL_isProtocolSupported(code), code == 4 || code == 5);
    }
}

}  // namespace
