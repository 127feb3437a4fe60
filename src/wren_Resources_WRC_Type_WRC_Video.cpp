#include "wren_Resources_WRC_Type_WRC_Video.h"

WREN_DEFINE_INTERFACE(wren::Resources_WRC_Type_WRC_Video, "wren.Resources$Type$Video")
