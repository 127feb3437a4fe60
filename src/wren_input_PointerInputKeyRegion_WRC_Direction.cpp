#include "wren_input_PointerInputKeyRegion_WRC_Direction.h"

WREN_DEFINE_INTERFACE(wren::input::PointerInputKeyRegion_WRC_Direction,
                      "wren.input.PointerInputKeyRegion$Direction")
