#include "wren_Resources_WRC_Type.h"

WREN_DEFINE_INTERFACE(wren::Resources_WRC_Type, "wren.Resources$Type")
