// The MIDP player over the host's native players, with the wave-output mix
// rendered by hand: the state table and its exceptions, loops, end of media,
// media time and duration in microseconds, volume and mute, controls,
// several players at once and the background pause.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Audio.h"
#include "HAL_audio.h"
#include "HAL_host.h"
#include "HAL_status.h"
#include "com_nimbault_marl_media_Player.h"
#include "java_lang_Runtime.h"
#include "javax_microedition_media_Manager.h"
#include "javax_microedition_media_control_VolumeControl.h"
#include "runtime/runtime_test_support.h"

namespace {

const bool headlessAudio = [] {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return true;
}();

using java::lang::String;
using MidpPlayer = javax::microedition::media::Player;
using Player = com::nimbault::marl::media::Player;
using javax::microedition::media::Manager;
using javax::microedition::media::control::VolumeControl;
using rpack::Bytes;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

VMPtr<String> str(const char* s) { return s ? String::make(s) : VMPtr<String>(nullptr); }

class MediaPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ce::fake::useManualAudio(true));
        rate = ce::fake::mixRate();
        held = VMArray<Player*>::create(16);
    }

    void TearDown() override {
        for (jint i = 0; i < count; ++i) held[i]->close();
        held = nullptr;
        EXPECT_EQ(HAL_getPlayerCount(), 0u);
        ce::fake::useManualAudio(false);
    }

    void keep(const VMPtr<Player>& p) {
        ASSERT_LT(count, held->length);
        held[count++] = p.get();
    }

    VMPtr<VMArray<jbyte>> bytes(const Bytes& b) {
        VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(b.size()));
        if (!b.empty()) std::memcpy(a->elements(), b.data(), b.size());
        return a;
    }

    Bytes wav(int ms, int sampleRate = 0, int frequency = 440) {
        rpack::Tone t;
        t.durationMs = ms;
        t.frequency = frequency;
        t.sampleRate = sampleRate ? sampleRate : int(rate);
        return rpack::encodeWav(rpack::makeTone(t));
    }

    // A player over the clip; kept so that the test's end closes it.
    VMPtr<Player> player(const Bytes& clip, const char* type = "audio/x-wav") {
        VMPtr<Player> p = Player::make(bytes(clip), 0, jint(clip.size()), str(type));
        keep(p);
        return p;
    }

    void render(size_t frames) {
        ASSERT_TRUE(ce::fake::renderAudio(nullptr, frames));
        ce::fake::flushAudioCallbacks();
    }
    size_t framesOf(int ms) const { return size_t(rate) * size_t(ms) / 1000; }

    uint32_t rate = 0;
    // Every player a test makes, closed when it ends.
    VMPtr<VMArray<Player*>> held;
    jint count = 0;
};

std::string messageOf(const VMPtr<java::lang::Throwable>& t) {
    return t ? text(t->getMessage()) : std::string("nothing thrown");
}

TEST_F(MediaPlayer, StatesFromUnrealizedToClosed) {
    VMPtr<Player> p = player(wav(100));
    EXPECT_EQ(p->getState(), MidpPlayer::UNREALIZED);
    // No implicit realize.
    p->prefetch();
    p->start();
    p->stop();
    p->deallocate();
    p->close();
    EXPECT_EQ(p->getState(), MidpPlayer::UNREALIZED);
    EXPECT_EQ(p->getMediaTime(), -11);
    EXPECT_EQ(p->getDuration(), -11);

    p->realize();
    EXPECT_EQ(p->getState(), MidpPlayer::REALIZED);
    p->realize();  // again: nothing
    EXPECT_EQ(p->getState(), MidpPlayer::REALIZED);
    p->prefetch();
    EXPECT_EQ(p->getState(), MidpPlayer::PREFETCHED);
    p->start();
    EXPECT_EQ(p->getState(), MidpPlayer::STARTED);
    p->stop();
    EXPECT_EQ(p->getState(), MidpPlayer::PREFETCHED);
    p->start();
    p->deallocate();
    EXPECT_EQ(p->getState(), MidpPlayer::REALIZED);
    p->close();
    EXPECT_EQ(p->getState(), MidpPlayer::CLOSED);
    EXPECT_EQ(HAL_getPlayerCount(), 0u);
    p->close();  // again: nothing
}

TEST_F(MediaPlayer, ExceptionsOfUnrealizedAndClosedPlayers) {
    struct Case {
        const char* what;
        std::function<void(Player*)> call;
        const char* unrealized;  // message, "<null>" for none, null when nothing is thrown
        const char* closed;
    };
    const Case cases[] = {
        {"realize", [](Player* p) { p->realize(); }, nullptr,
         "Attempting to realize closed player"},
        {"prefetch", [](Player* p) { p->prefetch(); }, nullptr,
         "Attempting to prefetch closed player"},
        {"start", [](Player* p) { p->start(); }, nullptr, "Attempting to start closed player"},
        {"stop", [](Player* p) { p->stop(); }, nullptr, "<null>"},
        {"deallocate", [](Player* p) { p->deallocate(); }, nullptr,
         "Attempting to deallocate closed player"},
        {"setMediaTime", [](Player* p) { p->setMediaTime(0); },
         "Attempting to call setMediaTime on an unrealized player",
         "Attempting to call setMediaTime on a closed player"},
        {"getMediaTime", [](Player* p) { p->getMediaTime(); }, nullptr, "<null>"},
        {"getDuration", [](Player* p) { p->getDuration(); }, nullptr, "<null>"},
        {"getContentType", [](Player* p) { p->getContentType(); },
         "Player.getContentType called on an unrealized player",
         "Player.getContentType called on a closed player"},
        {"setLoopCount", [](Player* p) { p->setLoopCount(2); }, nullptr,
         "Player.setLoopCount called on a closed player"},
        {"getControl", [](Player* p) { p->getControl(str("VolumeControl")); },
         "Attempting to get controls for an unrealized player",
         "Attempting to get controls for a closed player"},
        {"getControls", [](Player* p) { p->getControls(); },
         "Attempting to get controls for an unrealized player",
         "Attempting to get controls for a closed player"},
    };
    Bytes clip = wav(20);
    VMPtr<Player> closed = player(clip);
    closed->realize();
    closed->close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<Player> unrealized = player(clip);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { c.call(unrealized.get()); });
        if (c.unrealized) {
            EXPECT_EQ(classNameOf(t), "java.lang.IllegalStateException");
            EXPECT_EQ(messageOf(t), c.unrealized);
        } else {
            EXPECT_EQ(classNameOf(t), "nothing");
        }
        // Only realize leaves the unrealized state.
        if (std::string(c.what) != "realize") {
            EXPECT_EQ(unrealized->getState(), MidpPlayer::UNREALIZED);
        }
        t = thrownBy([&] { c.call(closed.get()); });
        EXPECT_EQ(classNameOf(t), "java.lang.IllegalStateException");
        EXPECT_EQ(messageOf(t), c.closed);
        EXPECT_EQ(closed->getState(), MidpPlayer::CLOSED);
    }
}

TEST_F(MediaPlayer, RealizeHandsTheBytesOver) {
    Bytes clip = wav(100);
    VMPtr<Player> p = player(clip);
    p->setLoopCount(3);
    p->realize();
    EXPECT_TRUE(p->data == nullptr);
    EXPECT_TRUE(p->locator == nullptr);
    EXPECT_EQ(text(p->getContentType()), "audio/x-wav");
    ASSERT_NE(p->nativePlayer, nullptr);
    EXPECT_EQ(p->nativePlayer->savedHeader.dwLoops, 3u);  // two extra plays
    EXPECT_EQ(p->nativePlayer->savedHeader.dwBufferLength, clip.size() - 44);
    // Without a type given, the host's code names it.
    VMPtr<Player> untyped = player(clip, nullptr);
    untyped->realize();
    EXPECT_EQ(text(untyped->getContentType()), "audio/x-wav");
}

TEST_F(MediaPlayer, BadClipsAreRefusedAtRealize) {
    Bytes notPcm = wav(50);
    notPcm[20] = 3;
    Bytes cut = wav(50);
    cut.resize(40);
    for (const Bytes& clip : {notPcm, cut}) {
        VMPtr<Player> p = player(clip);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { p->realize(); });
        EXPECT_EQ(classNameOf(t), "javax.microedition.media.MediaException");
        EXPECT_EQ(messageOf(t), "Unable to realize player");
        EXPECT_EQ(p->getState(), MidpPlayer::UNREALIZED);
        EXPECT_TRUE(p->data != nullptr);
    }
    EXPECT_EQ(HAL_getPlayerCount(), 0u);
}

TEST_F(MediaPlayer, LoopCounts) {
    VMPtr<Player> p = player(wav(40));
    for (int stage = 0; stage < 3; ++stage) {
        SCOPED_TRACE(stage);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { p->setLoopCount(0); });
        EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
        EXPECT_EQ(messageOf(t), "Player.setLoopCount with an invalid count.");
        if (stage == 0) p->realize();
        if (stage == 1) p->close();
    }

    struct Case {
        jint count;
        ce::DWORD plays;  // in the native header
    };
    for (const Case& c : {Case{-1, 1000000}, Case{1, 1}, Case{3, 3}, Case{-7, 1000000}}) {
        SCOPED_TRACE(c.count);
        VMPtr<Player> q = player(wav(20));
        q->realize();
        q->setLoopCount(c.count);
        EXPECT_EQ(q->nativePlayer->savedHeader.dwLoops, c.plays);
        q->close();
    }
}

TEST_F(MediaPlayer, LoopedClipEndsAfterItsPlaysAndReturnsToPrefetched) {
    struct Case {
        jint count;
        int plays;
    };
    for (const Case& c : {Case{1, 1}, Case{3, 3}}) {
        SCOPED_TRACE(c.count);
        VMPtr<Player> p = player(wav(40));
        p->realize();
        p->setLoopCount(c.count);
        p->prefetch();
        p->start();
        render(framesOf(40) * c.plays - framesOf(10));
        EXPECT_EQ(p->getState(), MidpPlayer::STARTED);
        render(framesOf(20));
        EXPECT_EQ(p->getState(), MidpPlayer::PREFETCHED);
        EXPECT_EQ(p->getMediaTime(), 40000);
        p->close();
    }
    VMPtr<Player> endless = player(wav(20));
    endless->setLoopCount(-1);
    endless->realize();
    endless->start();
    render(framesOf(20) * 10);
    EXPECT_EQ(endless->getState(), MidpPlayer::STARTED);
}

TEST_F(MediaPlayer, MediaTimeAndDurationInMicroseconds) {
    // 8000 Hz mono 16-bit: 16000 bytes a second.
    VMPtr<Player> p = player(wav(3000, 8000));
    p->realize();
    EXPECT_EQ(p->getDuration(), 3000000);
    EXPECT_EQ(p->getMediaTime(), 0);
    EXPECT_EQ(p->setMediaTime(1500000), 1500000);
    p->start();
    // The device starts at the whole second.
    NativePlayer* native = p->nativePlayer;
    EXPECT_EQ(native->liveHeader.lpData, native->savedHeader.lpData + 16000);
    EXPECT_EQ(p->setMediaTime(-40), 0);

    VMPtr<java::lang::Throwable> t = thrownBy([&] { p->setMediaTime(3000001); });
    EXPECT_EQ(classNameOf(t), "javax.microedition.media.MediaException");
    EXPECT_EQ(messageOf(t), "Unable to set the media time for the player");
}

TEST_F(MediaPlayer, VolumeLevelsAndMute) {
    VMPtr<Player> p = player(wav(100));
    EXPECT_EQ(p->getLevel(), -1);
    // Before realize a level is only stored.
    EXPECT_EQ(p->setLevel(30), 30);
    p->realize();
    p->prefetch();
    EXPECT_EQ(p->getLevel(), 30);
    jint device = -1;
    ASSERT_EQ(HAL_getPlayerVolume(p->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 100);

    for (auto [set, got] : {std::pair{150, 100}, {-5, 0}, {70, 70}}) {
        SCOPED_TRACE(set);
        EXPECT_EQ(p->setLevel(set), got);
        EXPECT_EQ(p->getLevel(), got);
        ASSERT_EQ(HAL_getPlayerVolume(p->nativePlayer, &device), HAL_OK);
        EXPECT_EQ(device, got);
    }

    p->setMute(true);
    EXPECT_TRUE(p->isMuted());
    ASSERT_EQ(HAL_getPlayerVolume(p->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 0);
    EXPECT_EQ(p->getLevel(), 70);
    EXPECT_EQ(p->setLevel(40), 70);  // muted: nothing stored or applied
    ASSERT_EQ(HAL_getPlayerVolume(p->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 0);
    p->setMute(false);
    EXPECT_FALSE(p->isMuted());
    ASSERT_EQ(HAL_getPlayerVolume(p->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 70);

    // Muting and unmuting a player that was realized but never prefetched
    // gives the device its own level back, not silence.
    VMPtr<Player> r = player(wav(20));
    r->realize();
    ASSERT_EQ(HAL_setPlayerVolume(r->nativePlayer, 60), HAL_OK);
    r->setMute(true);
    ASSERT_EQ(HAL_getPlayerVolume(r->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 0);
    r->setMute(false);
    ASSERT_EQ(HAL_getPlayerVolume(r->nativePlayer, &device), HAL_OK);
    EXPECT_EQ(device, 60);
    EXPECT_EQ(r->getLevel(), 60);

    // A fresh player learns the device's level at prefetch.
    VMPtr<Player> q = player(wav(20));
    q->realize();
    EXPECT_EQ(q->getLevel(), -1);
    q->prefetch();
    EXPECT_EQ(q->getLevel(), 100);
}

TEST_F(MediaPlayer, ThePlayerIsItsOwnVolumeControl) {
    VMPtr<Player> p = player(wav(20));
    p->realize();
    VMPtr<javax::microedition::media::Control> byShortName = p->getControl(str("VolumeControl"));
    VMPtr<javax::microedition::media::Control> byFullName =
        p->getControl(str("javax.microedition.media.control.VolumeControl"));
    EXPECT_TRUE(byShortName != nullptr);
    EXPECT_TRUE(byShortName == p);
    EXPECT_TRUE(byFullName == p);
    EXPECT_TRUE(p->getControl(str("ToneControl")) == nullptr);
    EXPECT_TRUE(p->getControl(str("javax.microedition.media.control.ToneControl")) == nullptr);
    EXPECT_TRUE(p->getControl(str("com.example.VolumeControl")) == nullptr);

    VMPtr<VMArray<javax::microedition::media::Control*>> controls = p->getControls();
    ASSERT_EQ(controls->length, 1);
    EXPECT_TRUE(vmIsInstanceOf(controls[0], VolumeControl::classRecord()));
    VMPtr<VolumeControl> volume = vmCast<VolumeControl>(VMPtr<java::lang::Object>(controls[0]));
    ASSERT_TRUE(volume != nullptr);
    EXPECT_EQ(volume->setLevel(55), 55);

    p->close();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { p->getControl(nullptr); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
    EXPECT_EQ(messageOf(t), "Invalid control type passed to Player.getControl");
}

TEST_F(MediaPlayer, TwoPlayersAtOnceAndTheBackgroundPause) {
    setPowerOn(true);
    setForeground(true);
    ASSERT_TRUE(hostIsRunning());
    VMPtr<MidpPlayer> a =
        Manager::createPlayer(bytes(wav(500, 0, 440)), 0, jint(wav(500).size()), nullptr);
    VMPtr<MidpPlayer> b =
        Manager::createPlayer(bytes(wav(500, 0, 660)), 0, jint(wav(500).size()), nullptr);
    keep(vmCast<Player>(VMPtr<java::lang::Object>(a)));
    keep(vmCast<Player>(VMPtr<java::lang::Object>(b)));
    a->realize();
    b->realize();
    a->start();
    b->start();
    std::vector<int16_t> mix(framesOf(50) * 2);
    ASSERT_TRUE(ce::fake::renderAudio(mix.data(), framesOf(50)));
    EXPECT_EQ(a->getState(), MidpPlayer::STARTED);
    EXPECT_EQ(b->getState(), MidpPlayer::STARTED);
    EXPECT_GT(a->getMediaTime(), 0);
    EXPECT_EQ(a->getMediaTime(), b->getMediaTime());

    setForeground(false);
    EXPECT_EQ(a->getState(), MidpPlayer::PREFETCHED);
    EXPECT_EQ(b->getState(), MidpPlayer::PREFETCHED);
    ASSERT_TRUE(ce::fake::renderAudio(mix.data(), framesOf(50)));
    for (int16_t s : mix) ASSERT_EQ(s, 0);
    setForeground(true);
}

TEST_F(MediaPlayer, ADroppedPlayerClosesItsNativePlayer) {
    {
        VMPtr<Player> p = Player::make(bytes(wav(20)), 0, jint(wav(20).size()), nullptr);
        p->realize();
        p->start();
        EXPECT_EQ(HAL_getPlayerCount(), 1u);
    }
    java::lang::Runtime::getRuntime()->gc();
    EXPECT_EQ(HAL_getPlayerCount(), 0u);
    EXPECT_EQ(ce::fake::openWaveHandles(), 0);
}

}  // namespace
