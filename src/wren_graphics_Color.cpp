#include "wren_graphics_Color.h"

WREN_DEFINE_CLASS(wren::graphics::Color, "wren.graphics.Color")
