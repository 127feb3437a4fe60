// wren.MediaManagerImpl: the framework's sound manager. A fixed number of
// sound slots, each holding at most one MIDP player, and as many channels,
// each playing at most one sound at a time. A play request only queues its
// sound on a channel, filtered by the sounds' priorities; the canvas's game
// thread calls run once a frame, which starts what is queued. Volume is
// kept per channel; the sound switch lives in the canvas.
//
// The manager never fails the game: a player that can't be made (no audio
// device, a MIDI clip, which the byte player refuses), realized, started,
// stopped or given a volume means silence for that sound, and the call goes
// on. A slot whose set-up failed keeps its player, which never starts.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "javax_microedition_media_Player.h"
#include "wren_MediaManager.h"
#include "wren_WrenCanvas.h"

namespace wren {

class MediaManagerImpl : public virtual java::lang::Object,
                         public virtual MediaManager,
                         public virtual java::lang::Runnable {
    WREN_CLASS(MediaManagerImpl, java::lang::Object, (canvas, WrenCanvas),
               (players, VMArray<java::lang::Object*>), (pending, VMArray<jint>),
               (current, VMArray<jint>), (volumes, VMArray<jint>), (priorities, VMArray<jint>))
public:
    // Sound states of getSoundState.
    static constexpr jint SOUND_NONE = 0;
    static constexpr jint SOUND_STARTED = 1;
    static constexpr jint SOUND_CLOSED = 2;
    static constexpr jint SOUND_PREFETCHED = 3;
    static constexpr jint SOUND_REALIZED = 4;
    static constexpr jint SOUND_UNREALIZED = 6;

    jint channelCount = 0;
    // The effective volume of a channel is its volume times this, in
    // 1/1024: 1025 leaves 100 at 100 and 1 at 1.
    jint masterVolume = 0;
    jboolean disposed = false;

    // n slots and n channels; the manager becomes the canvas's, whose game
    // thread runs it.
    void ctor(const VMPtr<WrenCanvas>& owner, jint n);

    // MediaManager.
    void reserved() override;
    jboolean isLoaded(jint sound) override;
    // Loads the settings through the canvas's hook first.
    jboolean isSoundEnabled() override;
    // The channel's queued sound is dropped and its current sound stopped;
    // the current sound stays recorded.
    void stop(jint channel) override;
    jint getPlayingCode(jint sound, jint flag) override;
    jint getBusyCode(jint sound, jint ignored) override;
    // A change stops every channel and goes through the canvas's hook.
    void setSoundEnabled(jboolean enabled) override;
    void unload(jint sound) override;
    void load(jint sound, const VMPtr<VMArray<jbyte>>& bytes, jint type, jint loopCount,
              jint priority) override;
    void load(jint sound, jint prefixKind, jint ignored, const VMPtr<java::lang::String>& name,
              jint loopCount, jint priority) override;
    // The entry's bytes are played where the pack holds them. A pack or
    // entry that can't be read throws as the resource front end does.
    void loadResource(jint sound, jint id, jint loopCount, jint priority) override;
    // Nothing while sound is off or the sound is not loaded; a sound of
    // equal priority replaces a queued one and cuts a playing one, one of
    // lower priority is dropped.
    void play(jint channel, jint sound) override;
    jint getChannelCount() override;
    // Below 1 is 0, above 100 is 100; applied at once to the channel's
    // current sound when it plays.
    void setVolume(jint channel, jint volume) override;
    jint getVolume(jint channel) override;
    void dispose() override;
    jint getSoundLength(jint sound) override;
    jboolean isPlaying(jint sound) override;

    // MediaManagerVideo: stubs.
    jint loadVideo(jint channel) override;
    jint playVideo(jint channel) override;
    jint getVideoWidth() override;
    jint stopVideo(jint channel) override;
    jint pauseVideo(jint channel) override;
    VMPtr<VMArray<jbyte>> getVideoSnapshot() override;
    jint getVideoHeight() override;
    jint showVideo(jint channel) override;
    jint hideVideo(jint channel) override;
    jint seekVideo(jint channel) override;
    jint setVideoPosition(jint channel) override;
    void releaseVideo() override;
    jint setVideoSize(jint channel) override;

    // Starts the queued sound of every channel, from channel 0 up: the
    // channel is stopped, the sound gets the channel's volume and plays
    // from its start. Nothing while sound is off.
    void run() override;

    // The manager's own steps, each a slot a subclass may replace.
    // "audio/x-wav" for entry type 1, "audio/midi" for any other.
    virtual VMPtr<java::lang::String> getMimeType(jint type);
    virtual jint effectiveVolume(jint channel);
    // The channel's effective volume on the sound's player, through the
    // last volume control among its controls.
    virtual void applyVolume(jint sound, jint channel);
    // From the start.
    virtual void restart(jint sound);
    virtual void stopPlayer(jint sound);
    // Closed, and the slot emptied.
    virtual void releasePlayer(jint sound);
    virtual jboolean isPlayerStarted(jint sound);
    virtual void setPriority(jint sound, jint priority);
    virtual jint getSoundState(jint sound);
    // 1 when the channel's current sound plays, else 2.
    virtual jint getChannelState(jint channel);
    // The locator prefix of a kind: empty for every kind.
    virtual VMPtr<java::lang::String> getResourcePrefix(jint kind);
    // Called with each new player before it is realized and with each
    // player before it is closed; does nothing here.
    virtual void onPlayer(const VMPtr<javax::microedition::media::Player>& player);
    // The players: over data[offset .. offset + length) without a copy, and
    // by locator.
    virtual VMPtr<javax::microedition::media::Player> createPlayer(
        const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
        const VMPtr<java::lang::String>& contentType);
    virtual VMPtr<javax::microedition::media::Player> createPlayer(
        const VMPtr<java::lang::String>& locator);
    virtual void createFromPack(jint sound, const VMPtr<VMArray<jbyte>>& data, jint offset,
                                jint length, jint type, jint loopCount);
    virtual void createFromBytes(jint sound, const VMPtr<VMArray<jbyte>>& bytes, jint type,
                                 jint loopCount);
    virtual void createFromName(jint sound, jint prefixKind, const VMPtr<java::lang::String>& name,
                                jint loopCount);
    virtual void createFromLocator(jint sound, const VMPtr<java::lang::String>& locator,
                                   jint loopCount);
    // realize, setLoopCount, prefetch.
    virtual void setupPlayer(const VMPtr<javax::microedition::media::Player>& player,
                             jint loopCount);

    jint clampChannel(jint channel);
    // The slot's player, or null.
    VMPtr<javax::microedition::media::Player> playerOf(jint sound);
};

}  // namespace wren
