// javax.microedition.media.control.VolumeControl: a player's level (0 to
// 100) and mute switch.
#pragma once

#include "javax_microedition_media_Control.h"

namespace javax::microedition::media::control {

class VolumeControl : public virtual javax::microedition::media::Control {
    WREN_INTERFACE(VolumeControl)
public:
    virtual void setMute(jboolean mute) = 0;
    virtual jboolean isMuted() = 0;
    // Returns the level in effect.
    virtual jint setLevel(jint level) = 0;
    virtual jint getLevel() = 0;
};

}  // namespace javax::microedition::media::control
