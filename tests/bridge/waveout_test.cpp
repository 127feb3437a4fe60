// Wave output through its Win32-shaped calls: argument and header rules,
// playback the way the host drives it, callbacks on their own thread and
// never after a reset or close, positions, volume, capabilities, MIDI, a
// missing device, and SDL's dummy audio device end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "audio_test_support.h"
#include "ce_waveout.h"

#if defined(__SANITIZE_ADDRESS__)
#define WREN_TEST_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WREN_TEST_LEAK_CHECK 1
#endif
#endif
#if defined(WREN_TEST_LEAK_CHECK)
#include <sanitizer/lsan_interface.h>
#endif

using namespace ce;

namespace {

using audiotest::pcm;

// What the callbacks saw.
struct Heard {
    HWAVEOUT device;
    UINT message;
    DWORD_PTR instance;
    DWORD_PTR param1;
    std::thread::id thread;
};

std::mutex heardMutex;
std::condition_variable heardChanged;
std::vector<Heard> heard;

void CALLBACK_listener(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                       DWORD_PTR) {
    std::lock_guard lock(heardMutex);
    heard.push_back({device, message, instance, param1, std::this_thread::get_id()});
    heardChanged.notify_all();
}

std::vector<Heard> heardFor(HWAVEOUT device) {
    std::lock_guard lock(heardMutex);
    std::vector<Heard> out;
    for (const auto& h : heard)
        if (h.device == device) out.push_back(h);
    return out;
}

std::vector<UINT> messagesFor(HWAVEOUT device) {
    std::vector<UINT> out;
    for (const auto& h : heardFor(device)) out.push_back(h.message);
    return out;
}

struct Buffer {
    std::vector<int16_t> samples;
    WAVEHDR header{};
    explicit Buffer(std::vector<int16_t> s, DWORD flags = 0, DWORD loops = 0)
        : samples(std::move(s)) {
        header.lpData = reinterpret_cast<LPSTR>(samples.data());
        header.dwBufferLength = DWORD(samples.size() * sizeof(int16_t));
        header.dwFlags = flags;
        header.dwLoops = loops;
    }
};

class WaveOut : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fake::useManualAudio(true));
        std::lock_guard lock(heardMutex);
        heard.clear();
    }
    void TearDown() override {
        fake::flushAudioCallbacks();
        EXPECT_EQ(fake::openWaveHandles(), 0);
        fake::failAudioDevice(false);
    }
    HWAVEOUT open(const WAVEFORMATEX& format, DWORD_PTR instance = 0) {
        HWAVEOUT device = nullptr;
        EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format,
                              reinterpret_cast<DWORD_PTR>(&CALLBACK_listener), instance,
                              CALLBACK_FUNCTION),
                  MMSYSERR_NOERROR);
        return device;
    }
    // What the host does to start a clip: prepare, pause, write, restart.
    void play(HWAVEOUT device, WAVEHDR* header) {
        ASSERT_EQ(waveOutPrepareHeader(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    }
    // What the host does to let go of it: reset, unprepare, close.
    void finish(HWAVEOUT device, WAVEHDR* header) {
        EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutUnprepareHeader(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }
    static std::vector<int16_t> render(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        EXPECT_TRUE(fake::renderAudio(out.data(), frames));
        return out;
    }
    static DWORD position(HWAVEOUT device) {
        MMTIME time{};
        time.wType = TIME_MS;  // answered in bytes
        EXPECT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_EQ(time.wType, UINT(TIME_BYTES));
        return time.u.cb;
    }
};

TEST_F(WaveOut, OpenRefusesBadArguments) {
    const WAVEFORMATEX good = pcm(2, 22050, 16);
    WAVEFORMATEX badShape = pcm(1, 22050, 12);
    badShape.nBlockAlign = 2;
    badShape.nAvgBytesPerSec = 44100;
    auto cb = reinterpret_cast<DWORD_PTR>(&CALLBACK_listener);
    struct Case {
        const char* name;
        UINT deviceId;
        const WAVEFORMATEX* format;
        DWORD_PTR callback;
        DWORD flags;
        MMRESULT expected;
    };
    const Case cases[] = {
        {"no format", WAVE_MAPPER, nullptr, cb, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},
        {"device 1", 1, &good, cb, CALLBACK_FUNCTION, MMSYSERR_BADDEVICEID},
        {"window callback", WAVE_MAPPER, &good, cb, 0x00010000, MMSYSERR_INVALFLAG},
        {"function callback without a function", WAVE_MAPPER, &good, 0, CALLBACK_FUNCTION,
         MMSYSERR_INVALPARAM},
        {"12-bit samples", WAVE_MAPPER, &badShape, cb, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWAVEOUT device = reinterpret_cast<HWAVEOUT>(uintptr_t(1));
        EXPECT_EQ(waveOutOpen(&device, c.deviceId, c.format, c.callback, 0, c.flags), c.expected);
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &good, cb, 0, CALLBACK_FUNCTION),
              MMSYSERR_INVALPARAM);

    // Device 0 and no callback are both fine.
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &good, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    std::lock_guard lock(heardMutex);
    EXPECT_TRUE(heard.empty());
}

TEST_F(WaveOut, HeadersFollowThePrepareWriteDoneRules) {
    HWAVEOUT device = open(pcm(2, 44100, 16));
    Buffer buffer(std::vector<int16_t>(64, 100));
    WAVEHDR* h = &buffer.header;
    EXPECT_EQ(waveOutWrite(device, h, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutPrepareHeader(device, h, sizeof(WAVEHDR) - 1), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutPrepareHeader(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, DWORD(WHDR_PREPARED));
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, DWORD(WHDR_PREPARED | WHDR_INQUEUE));

    // Queued: not to be prepared, unprepared, written again, or closed under.
    EXPECT_EQ(waveOutWrite(device, h, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutPrepareHeader(device, h, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(device, h, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);

    // The reset gives it back, its WOM_DONE heard before the call returns.
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    EXPECT_EQ(messagesFor(device), (std::vector<UINT>{WOM_OPEN, WOM_DONE}));
    ASSERT_EQ(waveOutUnprepareHeader(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, DWORD(WHDR_DONE));
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(messagesFor(device), (std::vector<UINT>{WOM_OPEN, WOM_DONE, WOM_CLOSE}));

    // A closed handle is refused everywhere.
    MMTIME time{};
    DWORD volume = 0;
    EXPECT_EQ(waveOutPrepareHeader(device, h, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(device, h, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutPause(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutRestart(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutGetVolume(device, &volume), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutSetVolume(device, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(nullptr), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, PlaysAClipToItsEndAndCountsItsBytes) {
    int instance = 0;
    HWAVEOUT device = open(pcm(1, 22050, 16), reinterpret_cast<DWORD_PTR>(&instance));
    // WOM_OPEN came on the opening thread, before waveOutOpen returned.
    auto opened = heardFor(device);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].message, UINT(WOM_OPEN));
    EXPECT_EQ(opened[0].thread, std::this_thread::get_id());

    Buffer clip(std::vector<int16_t>(1000, 300), WHDR_BEGINLOOP | WHDR_ENDLOOP, 3);
    ASSERT_EQ(waveOutPrepareHeader(device, &clip.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &clip.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    render(100);
    EXPECT_EQ(position(device), 0u);  // paused: the write waits
    ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);

    // 22050 Hz mono: every source frame fills two output frames.
    std::vector<int16_t> out = render(500);
    EXPECT_EQ(out[0], 300);
    EXPECT_EQ(out[1], 300);
    EXPECT_EQ(position(device), 250u * 2);
    render(5499);  // one output frame short of three passes
    EXPECT_EQ(position(device), 2999u * 2);
    fake::flushAudioCallbacks();
    EXPECT_EQ(messagesFor(device), (std::vector<UINT>{WOM_OPEN}));
    render(1);
    EXPECT_EQ(position(device), 3000u * 2);
    fake::flushAudioCallbacks();
    auto done = heardFor(device);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[1].message, UINT(WOM_DONE));
    EXPECT_EQ(done[1].param1, reinterpret_cast<DWORD_PTR>(&clip.header));
    EXPECT_EQ(done[1].instance, reinterpret_cast<DWORD_PTR>(&instance));
    EXPECT_NE(done[1].thread, std::this_thread::get_id());  // the stand-in's callback thread
    EXPECT_TRUE(clip.header.dwFlags & WHDR_DONE);

    // The position stays at the end until a reset.
    render(100);
    EXPECT_EQ(position(device), 3000u * 2);
    finish(device, &clip.header);
}

TEST_F(WaveOut, MixesEveryOpenHandleWithItsOwnVolume) {
    HWAVEOUT a = open(pcm(2, 44100, 16));
    HWAVEOUT b = open(pcm(2, 44100, 16));
    ASSERT_EQ(waveOutSetVolume(b, 0x80008000), MMSYSERR_NOERROR);
    DWORD volume = 0;
    ASSERT_EQ(waveOutGetVolume(b, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0x80008000u);
    ASSERT_EQ(waveOutGetVolume(a, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0xFFFFFFFFu);

    Buffer clipA({30000, -30000, 1000, 2000});
    Buffer clipB({20000, -20000, 1000, 2000});
    play(a, &clipA.header);
    play(b, &clipB.header);
    // b at half: 20000 → 10000; the first frame overflows both ways.
    EXPECT_EQ(render(3), (std::vector<int16_t>{32767, -32768, 1500, 3000, 0, 0}));
    finish(a, &clipA.header);
    finish(b, &clipB.header);
}

TEST_F(WaveOut, ResetDeliversEveryOwedCallbackBeforeItReturns) {
    // The host's restart of a looping clip, again and again, while the mix
    // runs on another thread: no WOM_DONE may arrive for a header after the
    // reset that gave it back, or the host would take it for the end of the
    // next play.
    HWAVEOUT device = open(pcm(2, 44100, 16));
    Buffer clip(std::vector<int16_t>(2 * 8, 5), WHDR_BEGINLOOP | WHDR_ENDLOOP, 4);
    std::atomic<bool> stop{false};
    std::thread mixer([&] {
        std::vector<int16_t> out(2 * 16);
        while (!stop) fake::renderAudio(out.data(), 16);
    });
    for (int round = 1; round <= 200; ++round) {
        play(device, &clip.header);
        if (round % 3 == 0) std::this_thread::yield();
        ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
        size_t count = heardFor(device).size();
        ASSERT_EQ(count, size_t(round) + 1)
            << "round " << round;  // WOM_OPEN and one WOM_DONE per play
        ASSERT_EQ(waveOutUnprepareHeader(device, &clip.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    stop = true;
    mixer.join();
    fake::flushAudioCallbacks();
    EXPECT_EQ(heardFor(device).size(), 201u);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, ReportsCapabilitiesForTheMapperAndForAHandle) {
    WAVEOUTCAPS caps{};
    ASSERT_EQ(waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.dwSupport & (WAVECAPS_VOLUME | WAVECAPS_LRVOLUME),
              DWORD(WAVECAPS_VOLUME | WAVECAPS_LRVOLUME));
    EXPECT_EQ(caps.wChannels, 2);
    EXPECT_NE(caps.szPname[0], u'\0');

    HWAVEOUT device = open(pcm(1, 8000, 8));
    WAVEOUTCAPS byHandle{};
    EXPECT_EQ(waveOutGetDevCaps(reinterpret_cast<UINT_PTR>(device), &byHandle, sizeof byHandle),
              MMSYSERR_NOERROR);
    EXPECT_EQ(byHandle.dwSupport, caps.dwSupport);
    EXPECT_EQ(waveOutGetDevCaps(reinterpret_cast<UINT_PTR>(device), &byHandle, 4),
              MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutGetDevCaps(5, &byHandle, sizeof byHandle), MMSYSERR_BADDEVICEID);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutGetDevCaps(reinterpret_cast<UINT_PTR>(device), &byHandle, sizeof byHandle),
              MMSYSERR_BADDEVICEID);
}

TEST_F(WaveOut, RendersAConvertedMidiStream) {
    // The format and records the host's MIDI conversion writes: a division of
    // 96 gives 96 000 µs per quarter note, one millisecond per tick.
    WAVEFORMAT_MIDI format{};
    format.wfx = {WAVE_FORMAT_MIDI, 1, 32, 32, 8, 16, WAVEFORMAT_MIDI_EXTRASIZE};
    format.USecPerQuarterNote = 96 * 1000;
    format.TicksPerQuarterNote = 96;
    HWAVEOUT device = open(format.wfx);
    ASSERT_NE(device, nullptr);
    const WAVEFORMAT_MIDI_MESSAGE records[] = {
        {0, 0x0000C0 | 19 << 8},          // program 19 (organ)
        {0, 0x90 | 67 << 8 | 100 << 16},  // note on
        {100, 0xB0 | 7 << 8 | 80 << 16},  // channel volume
        {300, 0x90 | 67 << 8 | 0 << 16},  // note off at 400 ms
    };
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<WAVEFORMAT_MIDI_MESSAGE*>(records));
    header.dwBufferLength = sizeof records;
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 1;
    play(device, &header);

    std::vector<int16_t> out = render(4410);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 500);
    EXPECT_EQ(position(device), 16u);
    render(44100 * 4 / 10);
    EXPECT_EQ(position(device), sizeof records);
    fake::flushAudioCallbacks();
    EXPECT_EQ(messagesFor(device), (std::vector<UINT>{WOM_OPEN, WOM_DONE}));
    finish(device, &header);
}

TEST_F(WaveOut, WithoutAnAudioDeviceOpeningFailsAndNothingIsLeft) {
    ASSERT_TRUE(fake::useManualAudio(false));
    fake::failAudioDevice(true);
    WAVEFORMATEX format = pcm(2, 44100, 16);
    HWAVEOUT device = reinterpret_cast<HWAVEOUT>(uintptr_t(1));
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format,
                          reinterpret_cast<DWORD_PTR>(&CALLBACK_listener), 0, CALLBACK_FUNCTION),
              MMSYSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(fake::openWaveHandles(), 0);
    std::lock_guard lock(heardMutex);
    EXPECT_TRUE(heard.empty());
}

TEST_F(WaveOut, SdlDummyDevicePlaysHeadless) {
    // The real path: the SDL device opened on the first waveOutOpen, its
    // audio thread mixing, the callback thread reporting the end.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(fake::useManualAudio(false));
    HWAVEOUT device = open(pcm(2, 44100, 16));
    ASSERT_NE(device, nullptr);
    Buffer clip(std::vector<int16_t>(2 * 2205, 1000));  // 50 ms
    play(device, &clip.header);
    {
        // A liveness bound, not a timing check: the dummy driver consumes
        // audio in real time.
        std::unique_lock lock(heardMutex);
        bool ended = heardChanged.wait_for(lock, std::chrono::seconds(30), [&] {
            return std::any_of(heard.begin(), heard.end(), [&](const Heard& h) {
                return h.device == device && h.message == WOM_DONE;
            });
        });
        ASSERT_TRUE(ended);
    }
    EXPECT_EQ(position(device), clip.header.dwBufferLength);
    finish(device, &clip.header);
    EXPECT_FALSE(fake::renderAudio(nullptr, 1));  // not in manual mode
}

// The end of the process closes SDL's device for good, and nothing SDL
// allocated for it stays behind, also when the device was opened on a
// thread that has ended (as the game's own thread has by then): the leak
// check finds nothing, where the build has one and it is on. Runs in a
// child: no device opens in the process afterwards.
TEST(WaveOutDeathTest, ClosingTheDeviceAtTheEndLeavesNothingBehind) {
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            bool ok = fake::useManualAudio(false);
            std::thread opener([&] {
                HWAVEOUT device = nullptr;
                WAVEFORMATEX format = pcm(2, 44100, 16);
                ok = ok &&
                     waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) ==
                         MMSYSERR_NOERROR &&
                     waveOutClose(device) == MMSYSERR_NOERROR;
            });
            opener.join();
            closeAudioDevice();
            HWAVEOUT late = nullptr;
            WAVEFORMATEX format = pcm(2, 44100, 16);
            if (waveOutOpen(&late, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) !=
                MMSYSERR_NODRIVER) {
                std::fprintf(stderr, "a device opened after the end\n");
                ok = false;
            }
#if defined(WREN_TEST_LEAK_CHECK)
            if (__lsan_do_recoverable_leak_check() != 0) ok = false;
#endif
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
