#include "wren_Resources_WRC_Type_WRC_Image.h"

WREN_DEFINE_INTERFACE(wren::Resources_WRC_Type_WRC_Image, "wren.Resources$Type$Image")
