#include "wren_MediaManagerVideo.h"

WREN_DEFINE_INTERFACE(wren::MediaManagerVideo, "wren.MediaManagerVideo")
