#include "wren_ResourcesExt.h"

WREN_DEFINE_CLASS(wren::ResourcesExt, "wren.ResourcesExt")
