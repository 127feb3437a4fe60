#include "wren_graphics_Rect.h"

WREN_DEFINE_CLASS(wren::graphics::Rect, "wren.graphics.Rect")
