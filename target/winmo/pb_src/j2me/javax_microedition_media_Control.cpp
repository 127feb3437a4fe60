#include "javax_microedition_media_Control.h"

WREN_DEFINE_INTERFACE(javax::microedition::media::Control, "javax.microedition.media.Control")
