#include "wren_Resources_WRC_Type_WRC_Audio.h"

WREN_DEFINE_INTERFACE(wren::Resources_WRC_Type_WRC_Audio, "wren.Resources$Type$Audio")
