#include "javax_microedition_media_MediaException.h"

WREN_DEFINE_CLASS(javax::microedition::media::MediaException,
                  "javax.microedition.media.MediaException")
