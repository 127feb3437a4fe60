#include "javax_microedition_media_Controllable.h"

WREN_DEFINE_INTERFACE(javax::microedition::media::Controllable,
                      "javax.microedition.media.Controllable")
