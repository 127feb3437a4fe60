// wren.MediaManager: what the game sees of the sound manager. Sound
// arguments are slot numbers, taken as they are; channel arguments are
// clamped into the channels there are.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "wren_MediaManagerVideo.h"

namespace wren {

class MediaManager : public virtual MediaManagerVideo {
    WREN_INTERFACE(MediaManager)
public:
    // Does nothing.
    virtual void reserved() = 0;
    virtual jboolean isLoaded(jint sound) = 0;
    virtual jboolean isSoundEnabled() = 0;
    // A negative channel stops every channel.
    virtual void stop(jint channel) = 0;
    virtual jint getPlayingCode(jint sound, jint flag) = 0;
    virtual jint getBusyCode(jint sound, jint ignored) = 0;
    virtual void setSoundEnabled(jboolean enabled) = 0;
    // -1 unloads every slot.
    virtual void unload(jint sound) = 0;
    // A player over the whole array, of the MIME type that the entry type
    // `type` selects.
    virtual void load(jint sound, const VMPtr<VMArray<jbyte>>& bytes, jint type, jint loopCount,
                      jint priority) = 0;
    // A player over the locator made of the prefix of `prefixKind` and the
    // name.
    virtual void load(jint sound, jint prefixKind, jint ignored,
                      const VMPtr<java::lang::String>& name, jint loopCount, jint priority) = 0;
    // A player over the resource entry, read in place.
    virtual void loadResource(jint sound, jint id, jint loopCount, jint priority) = 0;
    // Queues the sound on the channel, unless a sound of higher priority is
    // waiting or playing there; run starts it.
    virtual void play(jint channel, jint sound) = 0;
    virtual jint getChannelCount() = 0;
    // 0 to 100; channel -1 sets every channel.
    virtual void setVolume(jint channel, jint volume) = 0;
    virtual jint getVolume(jint channel) = 0;
    // Once: unloads every slot and makes the manager inert.
    virtual void dispose() = 0;
    virtual jint getSoundLength(jint sound) = 0;
    // Sound -1: whether any slot plays.
    virtual jboolean isPlaying(jint sound) = 0;
};

}  // namespace wren
