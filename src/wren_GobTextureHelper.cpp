#include "wren_GobTextureHelper.h"

WREN_DEFINE_CLASS(wren::GobTextureHelper, "wren.GobTextureHelper")
