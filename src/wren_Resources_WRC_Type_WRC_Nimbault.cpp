#include "wren_Resources_WRC_Type_WRC_Nimbault.h"

WREN_DEFINE_INTERFACE(wren::Resources_WRC_Type_WRC_Nimbault, "wren.Resources$Type$Nimbault")
