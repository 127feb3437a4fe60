// The one media player of this platform: it wraps a native player of the
// host, made from a locator ("file" or "x-jar") or over a region of a byte
// array, and is its own volume control.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_media_Player.h"
#include "javax_microedition_media_control_VolumeControl.h"

struct NativePlayer;

namespace com::nimbault::marl::media {

class Player : public virtual java::lang::Object,
               public virtual javax::microedition::media::Player,
               public javax::microedition::media::control::VolumeControl {
    WREN_CLASS(Player, java::lang::Object, (data, VMArray<jbyte>), (locator, java::lang::String),
               (contentType, java::lang::String))
public:
    // Set by the first successful realize, never cleared: without a native
    // player it tells closed from unrealized.
    jboolean realized = false;
    jint dataOffset = 0;
    jint dataLength = 0;
    jint locatorKind = 0;
    NativePlayer* nativePlayer = nullptr;
    jint loopCount = 0;  // 1 once constructed
    jint level = 0;      // -1 once constructed, until known
    jboolean muted = false;

    // MediaException when the host can't read the locator's protocol.
    void ctor(const VMPtr<java::lang::String>& locator);
    // NullPointerException for null data, ArrayIndexOutOfBoundsException for
    // a region outside it (an empty array never fits), MediaException for a
    // content type other than none and "audio/x-wav".
    void ctor(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
              const VMPtr<java::lang::String>& contentType);
    // A player dropped while open closes its native player here.
    ~Player() override;

    // VolumeControl.
    void setMute(jboolean mute) override;
    jboolean isMuted() override;
    jint setLevel(jint level) override;
    jint getLevel() override;
    // Applies a level to the native player; the level read back, or `v`
    // when there is nothing to apply it to or no volume control.
    virtual jint setVolume(jint v);

    // Controllable: the player itself is its only control.
    VMPtr<javax::microedition::media::Control> getControl(
        const VMPtr<java::lang::String>& controlType) override;
    VMPtr<VMArray<javax::microedition::media::Control*>> getControls() override;

    // Player.
    void realize() override;
    void prefetch() override;
    void start() override;
    void stop() override;
    void deallocate() override;
    void close() override;
    void setTimeBase(const VMPtr<java::lang::Object>& master) override;
    VMPtr<java::lang::Object> getTimeBase() override;
    jlong setMediaTime(jlong now) override;
    // µs; -11 before realize.
    jlong getMediaTime() override;
    jint getState() override;
    // µs; -11 before realize.
    jlong getDuration() override;
    VMPtr<java::lang::String> getContentType() override;
    void setLoopCount(jint count) override;
    // Listeners are not kept: no events are delivered.
    void addPlayerListener(const VMPtr<java::lang::Object>& listener) override;
    void removePlayerListener(const VMPtr<java::lang::Object>& listener) override;

private:
    // The device's level, 0 to 100; 100 when it can't be read.
    jint deviceLevel();
    // Whether there is a native player to use: false before realize; after
    // close, IllegalStateException with `closedMessage` (none when null).
    bool hasNativePlayer(const char* closedMessage);
    // As hasNativePlayer, and IllegalStateException `unrealizedMessage`
    // before realize.
    void requireNativePlayer(const char* closedMessage, const char* unrealizedMessage);
    // The loop count as the host takes it: extra plays, -1 endless.
    jint hostLoops() const { return loopCount > 0 ? loopCount - 1 : -1; }
};

}  // namespace com::nimbault::marl::media
