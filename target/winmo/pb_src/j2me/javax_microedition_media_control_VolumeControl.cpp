#include "javax_microedition_media_control_VolumeControl.h"

WREN_DEFINE_INTERFACE(javax::microedition::media::control::VolumeControl,
                      "javax.microedition.media.control.VolumeControl",
                      javax::microedition::media::Control)
