// The sound manager over a recording player (a test double of the media
// player that writes every call to a log and can be told to fail): load
// and set-up, the channel and priority rules of play and run, loops,
// volume per channel, stop and the sound switch, unload and dispose, and a
// manager that never fails the game whatever the players do. Then the
// real player over the sounds of pack 21.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Audio.h"
#include "java_lang_IllegalStateException.h"
#include "javax_microedition_media_MediaException.h"
#include "javax_microedition_media_control_VolumeControl.h"
#include "program_folder.h"
#include "resources_test_support.h"
#include "test_canvas.h"
#include "wren_MediaManagerImpl.h"

using namespace restest;
using java::lang::String;
using javax::microedition::media::Control;
using javax::microedition::media::MediaException;
using MidpPlayer = javax::microedition::media::Player;
using javax::microedition::media::control::VolumeControl;
using wren::MediaManagerImpl;

namespace soundtest {

std::vector<std::string>& log() {
    static std::vector<std::string> lines;
    return lines;
}

// What the player does, step by step, and which steps fail.
class RecordingPlayer : public virtual java::lang::Object,
                        public virtual MidpPlayer,
                        public VolumeControl {
    WREN_CLASS(RecordingPlayer, java::lang::Object)
public:
    std::string name;
    jint state = UNREALIZED;
    jint loops = 1;
    jint level = 100;
    std::set<std::string> failing;

    void ctor(const std::string& n) {
        java::lang::Object::ctor();
        name = n;
    }
    void note(const std::string& what) { log().push_back(name + " " + what); }
    void step(const std::string& what) {
        note(what);
        if (failing.count(what)) MediaException::throwNew(WREN_LIT("refused"));
    }

    void setMute(jboolean) override {}
    jboolean isMuted() override { return false; }
    jint setLevel(jint l) override {
        step("level " + std::to_string(l));
        level = l;
        return l;
    }
    jint getLevel() override { return level; }
    VMPtr<Control> getControl(const VMPtr<String>&) override { return nullptr; }
    VMPtr<VMArray<Control*>> getControls() override {
        VMPtr<VMArray<Control*>> controls = VMArray<Control*>::create(1);
        controls[0] = static_cast<Control*>(this);
        return controls;
    }
    void realize() override {
        step("realize");
        state = REALIZED;
    }
    void prefetch() override {
        step("prefetch");
        state = PREFETCHED;
    }
    void start() override {
        step("start");
        if (state == UNREALIZED) java::lang::IllegalStateException::throwNew();
        state = STARTED;
    }
    void stop() override {
        step("stop");
        if (state == STARTED) state = PREFETCHED;
    }
    void deallocate() override {}
    void close() override {
        step("close");
        state = CLOSED;
    }
    void setTimeBase(const VMPtr<java::lang::Object>&) override {}
    VMPtr<java::lang::Object> getTimeBase() override { return nullptr; }
    jlong setMediaTime(jlong now) override {
        step("time " + std::to_string(now));
        return now;
    }
    jlong getMediaTime() override { return 0; }
    jint getState() override { return state; }
    jlong getDuration() override { return -1; }
    VMPtr<String> getContentType() override { return nullptr; }
    void setLoopCount(jint count) override {
        step("loops " + std::to_string(count));
        loops = count;
    }
    void addPlayerListener(const VMPtr<java::lang::Object>&) override {}
    void removePlayerListener(const VMPtr<java::lang::Object>&) override {}
};

// A manager whose players are recording players named after what they
// play: "wav@<offset>+<length>" or the locator. A byte player of
// "audio/midi" is refused as the real one refuses it; `failNext` makes the
// next player fail at that step, `noDevice` makes creation itself fail.
class TestManager : public MediaManagerImpl {
    WREN_CLASS(TestManager, MediaManagerImpl)
public:
    std::string failNext;
    bool noDevice = false;

    void ctor(const VMPtr<wren::WrenCanvas>& canvas, jint n) { MediaManagerImpl::ctor(canvas, n); }

    VMPtr<MidpPlayer> createPlayer(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
                                   const VMPtr<String>& type) override {
        std::string t = wrentest::text(type);
        log().push_back("create " + t);
        if (t == "audio/midi" || noDevice) MediaException::throwNew();
        return made("wav@" + std::to_string(offset) + "+" + std::to_string(length));
    }
    VMPtr<MidpPlayer> createPlayer(const VMPtr<String>& locator) override {
        log().push_back("create " + wrentest::text(locator));
        if (noDevice) MediaException::throwNew();
        return made(wrentest::text(locator));
    }
    void onPlayer(const VMPtr<MidpPlayer>& player) override {
        log().push_back("hook " + vmCast<RecordingPlayer>(player)->name);
    }

    VMPtr<RecordingPlayer> player(jint sound) { return vmCast<RecordingPlayer>(playerOf(sound)); }

private:
    VMPtr<MidpPlayer> made(const std::string& name) {
        VMPtr<RecordingPlayer> p = RecordingPlayer::make(name);
        if (!failNext.empty()) p->failing.insert(failNext);
        failNext.clear();
        return p;
    }
};

}  // namespace soundtest

WREN_DEFINE_CLASS(soundtest::RecordingPlayer, "soundtest.RecordingPlayer",
                  javax::microedition::media::Player,
                  javax::microedition::media::control::VolumeControl)
WREN_DEFINE_CLASS(soundtest::TestManager, "soundtest.TestManager")

namespace {

using soundtest::log;
using soundtest::RecordingPlayer;
using soundtest::TestManager;
using Lines = std::vector<std::string>;

const bool headless = [] {
    wrentest::forceHeadless();
    return true;
}();

const fs::path kGobPacks = WREN_GOB_PACKS;
constexpr jint kWav = (21 << 10) | 0;
constexpr jint kWav8 = (21 << 10) | 1;
constexpr jint kMidi = (21 << 10) | 2;

class SoundManager : public PackFixture {
protected:
    void SetUp() override {
        PackFixture::SetUp();
        fs::copy(kGobPacks, rscDir(), fs::copy_options::recursive);
        wren::Resources::closePack();
        canvas = TestCanvas::make();
        log().clear();
    }
    void TearDown() override {
        wren::Resources::closePack();
        canvas = nullptr;
        manager = nullptr;
        PackFixture::TearDown();
    }

    // A manager of n channels with sounds 0..loaded-1 loaded from bytes,
    // each sound s at priority priorities[s]; the log starts empty.
    VMPtr<TestManager> make(jint n, std::vector<jint> priorities = {}) {
        manager = TestManager::make(VMPtr<wren::WrenCanvas>(canvas), n);
        for (size_t s = 0; s < priorities.size(); ++s)
            manager->load(jint(s), VMArray<jbyte>::create(jint(s) + 1), 1, -1, priorities[s]);
        log().clear();
        return manager;
    }
    VMPtr<RecordingPlayer> player(jint s) { return manager->player(s); }
    std::vector<jint> pending() {
        VMPtr<VMArray<jint>> p = manager->pending;
        return std::vector<jint>(p->elements(), p->elements() + p->length);
    }
    std::vector<jint> current() {
        VMPtr<VMArray<jint>> p = manager->current;
        return std::vector<jint>(p->elements(), p->elements() + p->length);
    }

    static VMStaticPtr<TestCanvas> canvas;
    static VMStaticPtr<TestManager> manager;
};
VMStaticPtr<TestCanvas> SoundManager::canvas;
VMStaticPtr<TestManager> SoundManager::manager;

TEST_F(SoundManager, ANewManagerBelongsToItsCanvas) {
    VMPtr<TestManager> m = make(4);
    EXPECT_TRUE(canvas->mediaManager == m);
    EXPECT_EQ(m->getChannelCount(), 4);
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1, -1, -1}));
    EXPECT_EQ(current(), (std::vector<jint>{-1, -1, -1, -1}));
    for (jint c = 0; c < 4; ++c) EXPECT_EQ(m->getVolume(c), 100);
    EXPECT_EQ(m->masterVolume, 1025);
    const std::pair<jint, jint> volumes[] = {{100, 100}, {50, 50}, {1, 1}, {0, 0}};
    for (auto [v, effective] : volumes) {
        m->setVolume(0, v);
        EXPECT_EQ(m->effectiveVolume(0), effective) << v;
    }
    EXPECT_FALSE(m->isLoaded(3));
    EXPECT_FALSE(m->isPlaying(-1));
    EXPECT_EQ(m->getSoundLength(0), -1);
}

// A pack entry plays where the pack holds it, with the MIME type its type
// byte picks: WAV for type 1; MIDI (type 0) is refused by the byte player
// and leaves the slot empty. Set-up is hook, realize, loops, prefetch.
TEST_F(SoundManager, SoundsLoadFromThePackInPlace) {
    VMPtr<TestManager> m = make(10);
    m->loadResource(4, kWav, -1, 0);
    jint offset = wren::Resources::getOffset(kWav), size = wren::Resources::getSize(kWav);
    std::string name = "wav@" + std::to_string(offset) + "+" + std::to_string(size);
    EXPECT_EQ(log(), (Lines{"create audio/x-wav", "hook " + name, name + " realize",
                            name + " loops -1", name + " prefetch"}));
    EXPECT_TRUE(m->isLoaded(4));
    EXPECT_EQ(m->getSoundState(4), MediaManagerImpl::SOUND_PREFETCHED);
    log().clear();
    m->loadResource(5, kMidi, 3, 2);
    EXPECT_EQ(log(), (Lines{"create audio/midi"}));
    EXPECT_FALSE(m->isLoaded(5));
    EXPECT_EQ(m->getSoundState(5), MediaManagerImpl::SOUND_NONE);
    EXPECT_EQ(m->priorities[5], 2);
    // From bytes and by name.
    log().clear();
    m->load(1, VMArray<jbyte>::create(9), 1, 2, 0);
    m->load(2, 0, 0, jstr("tune.wav"), 1, 0);
    m->load(3, 0, 0, nullptr, 1, 0);
    EXPECT_EQ(log(),
              (Lines{"create audio/x-wav", "hook wav@0+9", "wav@0+9 realize", "wav@0+9 loops 2",
                     "wav@0+9 prefetch", "create tune.wav", "hook tune.wav", "tune.wav realize",
                     "tune.wav loops 1", "tune.wav prefetch", "create ", "hook ", " realize",
                     " loops 1", " prefetch"}));
}

// One frame's plays on one channel: equal priority replaces, lower is
// dropped (not kept), and run starts the one left at the channel's volume
// from the start, after stopping what the channel played.
TEST_F(SoundManager, PlayQueuesByPriorityAndRunStartsIt) {
    struct Case {
        const char* name;
        std::vector<std::pair<jint, jint>> plays;  // channel, sound
        std::vector<jint> pending;
    } cases[] = {
        {"equal priorities: the second wins", {{0, 0}, {0, 1}}, {1, -1, -1, -1}},
        {"5 then 3: the second is dropped", {{0, 2}, {0, 3}}, {2, -1, -1, -1}},
        {"3 then 5: the second wins", {{0, 3}, {0, 2}}, {2, -1, -1, -1}},
        {"channels are clamped", {{-7, 0}, {9, 1}}, {0, -1, -1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        make(4, {0, 0, 5, 3});
        for (auto [channel, sound] : c.plays) manager->play(channel, sound);
        EXPECT_EQ(pending(), c.pending);
    }
    VMPtr<TestManager> m = make(4, {0, 0, 5, 3});
    m->setVolume(1, 40);
    m->play(1, 2);
    m->run();
    EXPECT_EQ(log(), (Lines{"wav@0+3 level 40", "wav@0+3 time 0", "wav@0+3 start"}));
    EXPECT_EQ(current(), (std::vector<jint>{-1, 2, -1, -1}));
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1, -1, -1}));
    EXPECT_TRUE(m->isPlaying(2));
    EXPECT_TRUE(m->isPlaying(-1));
    EXPECT_EQ(m->getChannelState(1), 1);
    EXPECT_EQ(m->getChannelState(0), 2);
    // A lower priority can't cut the playing sound; an equal one can, and
    // the channel's sound is stopped first.
    m->play(1, 3);
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1, -1, -1}));
    m->priorities[0] = 5;
    m->play(1, 0);
    log().clear();
    m->run();
    EXPECT_EQ(log(),
              (Lines{"wav@0+3 stop", "wav@0+1 level 40", "wav@0+1 time 0", "wav@0+1 start"}));
    // Nothing queued: run does nothing.
    log().clear();
    m->run();
    EXPECT_TRUE(log().empty());
}

// The loop count reaches the player at set-up; a finished clip stops
// counting as playing, and a queued sound of lower priority may then play.
TEST_F(SoundManager, LoopsAndTheEndOfAClip) {
    VMPtr<TestManager> m = make(2);
    m->load(0, VMArray<jbyte>::create(4), 1, -1, 5);
    m->load(1, VMArray<jbyte>::create(4), 1, 3, 0);
    EXPECT_EQ(player(0)->loops, -1);
    EXPECT_EQ(player(1)->loops, 3);
    m->play(0, 0);
    m->run();
    m->play(0, 1);
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1}));
    EXPECT_EQ(m->getPlayingCode(0, 1), -1);
    player(0)->state = MidpPlayer::PREFETCHED;  // the clip ended by itself
    m->play(0, 1);
    EXPECT_EQ(pending(), (std::vector<jint>{1, -1}));
    EXPECT_EQ(m->getPlayingCode(0, 0), 0);
    EXPECT_EQ(m->getPlayingCode(0, 1), 0);
    EXPECT_EQ(m->getBusyCode(1, 0), 0);
    m->run();
    EXPECT_EQ(m->getPlayingCode(1, 1), -1);
    EXPECT_EQ(m->getBusyCode(1, 0), -1);
}

TEST_F(SoundManager, NothingIsQueuedWhileSoundIsOffOrForAnEmptySlot) {
    VMPtr<TestManager> m = make(2, {0});
    m->play(0, 1);  // not loaded
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1}));
    m->play(0, 0);
    m->setSoundEnabled(false);  // clears what is queued
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1}));
    m->play(1, 0);
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1}));
    log().clear();
    m->run();
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(m->getPlayingCode(1, 0), -1);
}

// The switch lives in the canvas: the first question loads the settings
// (all on); a change stops every channel and tells the hook with 1.
TEST_F(SoundManager, TheSoundSwitchGoesThroughTheCanvasHook) {
    VMPtr<TestManager> m = make(2, {0});
    canvas->syncPhases.clear();
    EXPECT_TRUE(m->isSoundEnabled());
    EXPECT_EQ(canvas->syncPhases, (std::vector<jint>{0}));
    m->play(0, 0);
    m->run();
    log().clear();
    canvas->syncPhases.clear();
    m->setSoundEnabled(true);  // no change
    EXPECT_EQ(canvas->syncPhases, (std::vector<jint>{0}));
    EXPECT_TRUE(log().empty());
    canvas->syncPhases.clear();
    m->setSoundEnabled(false);
    EXPECT_FALSE(canvas->soundEnabled);
    EXPECT_EQ(canvas->syncPhases, (std::vector<jint>{0, 1}));
    EXPECT_EQ(log(), (Lines{"wav@0+1 stop"}));
    EXPECT_FALSE(m->isSoundEnabled());
    m->setSoundEnabled(true);
    EXPECT_TRUE(canvas->soundEnabled);
}

// Pausing the game stops every channel: queued sounds are dropped, current
// ones stopped and still recorded.
TEST_F(SoundManager, StoppingEveryChannelDropsTheQueueAndKeepsTheCurrentSounds) {
    VMPtr<TestManager> m = make(3, {0, 0, 0});
    m->play(0, 0);
    m->play(2, 2);
    m->run();
    m->play(1, 1);
    log().clear();
    m->stop(-1);
    EXPECT_EQ(log(), (Lines{"wav@0+1 stop", "wav@0+3 stop"}));
    EXPECT_EQ(pending(), (std::vector<jint>{-1, -1, -1}));
    EXPECT_EQ(current(), (std::vector<jint>{0, -1, 2}));
    EXPECT_FALSE(m->isPlaying(-1));
    EXPECT_EQ(m->getChannelState(0), 2);
    log().clear();
    m->stop(5);  // clamped to the last channel
    EXPECT_EQ(log(), (Lines{"wav@0+3 stop"}));
}

TEST_F(SoundManager, VolumesAreClampedAndAppliedToAPlayingSound) {
    VMPtr<TestManager> m = make(4, {0, 0});
    struct Case {
        jint channel, volume, at, stored;
    } cases[] = {{0, 150, 0, 100}, {0, 0, 0, 0}, {0, -4, 0, 0}, {7, 50, 3, 50}, {-9, 20, 0, 20}};
    for (const Case& c : cases) {
        m->setVolume(c.channel, c.volume);
        EXPECT_EQ(m->getVolume(c.at), c.stored) << c.channel << " " << c.volume;
    }
    m->setVolume(-1, 60);
    for (jint c = 0; c < 4; ++c) EXPECT_EQ(m->getVolume(c), 60);
    // At once on a channel whose current sound plays; not on one that
    // does not.
    m->play(1, 1);
    m->run();
    log().clear();
    m->setVolume(1, 30);
    m->setVolume(2, 30);
    EXPECT_EQ(log(), (Lines{"wav@0+2 level 30"}));
    player(1)->state = MidpPlayer::PREFETCHED;
    log().clear();
    m->setVolume(1, 80);
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(m->getVolume(1), 80);
}

// No audio device, a clip that won't realize, a full channel table (start
// refused), a stop or volume refused: silence for that sound, and every
// other channel goes on.
TEST_F(SoundManager, PlayersThatFailMeanSilenceAndTheGameGoesOn) {
    VMPtr<TestManager> m = make(4);
    m->noDevice = true;
    m->load(0, VMArray<jbyte>::create(1), 1, -1, 0);
    EXPECT_FALSE(m->isLoaded(0));
    m->noDevice = false;
    m->failNext = "realize";
    m->load(1, VMArray<jbyte>::create(2), 1, -1, 0);
    EXPECT_TRUE(m->isLoaded(1));  // the slot keeps its player
    EXPECT_EQ(m->getSoundState(1), MediaManagerImpl::SOUND_UNREALIZED);
    m->failNext = "start";
    m->load(2, VMArray<jbyte>::create(3), 1, -1, 0);
    m->failNext = "level 100";
    m->load(3, VMArray<jbyte>::create(4), 1, -1, 0);
    m->load(0, VMArray<jbyte>::create(5), 1, -1, 0);
    for (jint c = 0; c < 4; ++c) m->play(c, c);
    log().clear();
    m->run();
    EXPECT_EQ(log(),
              (Lines{"wav@0+5 level 100", "wav@0+5 time 0", "wav@0+5 start", "wav@0+2 level 100",
                     "wav@0+2 time 0", "wav@0+2 start", "wav@0+3 level 100", "wav@0+3 time 0",
                     "wav@0+3 start", "wav@0+4 level 100", "wav@0+4 time 0", "wav@0+4 start"}));
    EXPECT_TRUE(m->isPlaying(0));
    EXPECT_FALSE(m->isPlaying(1));
    EXPECT_FALSE(m->isPlaying(2));
    EXPECT_TRUE(m->isPlaying(3));  // its volume was refused, not its start
    player(3)->failing.insert("stop");
    m->stop(-1);
    EXPECT_EQ(current(), (std::vector<jint>{0, 1, 2, 3}));
}

TEST_F(SoundManager, UnloadingDropsQueuedPlaysOfThatSound) {
    VMPtr<TestManager> m = make(3, {0, 0});
    m->play(0, 1);
    m->play(2, 1);
    m->play(1, 0);
    log().clear();
    m->unload(1);
    EXPECT_EQ(log(), (Lines{"hook wav@0+2", "wav@0+2 close"}));
    EXPECT_EQ(pending(), (std::vector<jint>{-1, 0, -1}));
    EXPECT_FALSE(m->isLoaded(1));
    m->unload(1);  // nothing left to unload
    log().clear();
    m->unload(-1);
    EXPECT_EQ(log(), (Lines{"hook wav@0+1", "wav@0+1 close"}));
}

// Dispose (at exit) closes every player once; the manager is then inert.
TEST_F(SoundManager, AfterDisposeEverythingIsInert) {
    VMPtr<TestManager> m = make(2, {0, 0});
    m->play(0, 0);
    m->run();
    log().clear();
    m->dispose();
    EXPECT_EQ(log(), (Lines{"hook wav@0+1", "wav@0+1 close", "hook wav@0+2", "wav@0+2 close"}));
    m->dispose();
    m->load(0, VMArray<jbyte>::create(1), 1, -1, 0);
    m->loadResource(0, kWav, -1, 0);
    m->load(0, 0, 0, jstr("x"), 1, 0);
    EXPECT_EQ(log().size(), 4u);
    EXPECT_FALSE(m->isSoundEnabled());
    EXPECT_FALSE(m->isPlaying(-1));
    EXPECT_FALSE(m->isLoaded(0));
    EXPECT_EQ(m->getSoundState(0), 0);
    m->setVolume(0, 10);
    EXPECT_EQ(m->getVolume(0), 10);
}

TEST_F(SoundManager, TheVideoOperationsAreStubs) {
    VMPtr<TestManager> m = make(4);
    EXPECT_EQ(m->loadVideo(9), -1);
    EXPECT_EQ(m->playVideo(-2), -1);
    EXPECT_EQ(m->getVideoWidth(), -1);
    EXPECT_EQ(m->stopVideo(9), 0);
    EXPECT_EQ(m->pauseVideo(9), 0);
    EXPECT_EQ(m->getVideoSnapshot()->length, 0);
    EXPECT_EQ(m->getVideoHeight(), -1);
    EXPECT_EQ(m->showVideo(9), 3);
    EXPECT_EQ(m->hideVideo(9), 0);
    EXPECT_EQ(m->seekVideo(9), -1);
    EXPECT_EQ(m->setVideoPosition(-5), 0);
    m->releaseVideo();
    EXPECT_EQ(m->setVideoSize(2), 2);
    m->reserved();
}

// The real media player over pack 21: WAV entries load and play on
// whatever device there is (none is silence), the MIDI entry leaves its
// slot empty, and nothing throws.
TEST_F(SoundManager, TheRealPlayerPlaysTheWavEntriesAndRefusesMidi) {
    VMPtr<MediaManagerImpl> m = MediaManagerImpl::make(VMPtr<wren::WrenCanvas>(canvas), 10);
    m->loadResource(4, kWav, -1, 0);
    m->loadResource(5, kWav8, 1, 0);
    m->loadResource(6, kMidi, -1, 0);
    wren::Resources::closePack();
    EXPECT_TRUE(m->isLoaded(4));
    EXPECT_TRUE(m->isLoaded(5));
    EXPECT_FALSE(m->isLoaded(6));
    m->play(2, 4);
    m->play(3, 5);
    m->play(4, 6);
    m->run();
    EXPECT_EQ(m->current[2], 4);
    EXPECT_EQ(m->current[4], -1);
    m->setVolume(-1, 50);
    m->stop(-1);
    EXPECT_FALSE(m->isPlaying(-1));
    m->dispose();
    EXPECT_FALSE(m->isLoaded(4));
}

}  // namespace
