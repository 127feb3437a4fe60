#include "javax_microedition_media_Player.h"

WREN_DEFINE_INTERFACE(javax::microedition::media::Player, "javax.microedition.media.Player",
                      javax::microedition::media::Controllable)
