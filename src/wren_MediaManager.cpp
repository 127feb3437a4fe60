#include "wren_MediaManager.h"

WREN_DEFINE_INTERFACE(wren::MediaManager, "wren.MediaManager", wren::MediaManagerVideo)
