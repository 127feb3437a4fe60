// wren.MediaManagerVideo: the video side of the sound manager's interface.
// Nothing in the game calls it and the sound manager answers every
// operation with a stub; the names and arguments here are ours, the
// answers are the stubs': a clamped channel, -1, 0 or an empty array.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace wren {

class MediaManagerVideo : public virtual java::lang::Object {
    WREN_INTERFACE(MediaManagerVideo)
public:
    virtual jint loadVideo(jint channel) = 0;
    virtual jint playVideo(jint channel) = 0;
    virtual jint getVideoWidth() = 0;
    virtual jint stopVideo(jint channel) = 0;
    virtual jint pauseVideo(jint channel) = 0;
    virtual VMPtr<VMArray<jbyte>> getVideoSnapshot() = 0;
    virtual jint getVideoHeight() = 0;
    virtual jint showVideo(jint channel) = 0;
    virtual jint hideVideo(jint channel) = 0;
    virtual jint seekVideo(jint channel) = 0;
    virtual jint setVideoPosition(jint channel) = 0;
    virtual void releaseVideo() = 0;
    virtual jint setVideoSize(jint channel) = 0;
};

}  // namespace wren
