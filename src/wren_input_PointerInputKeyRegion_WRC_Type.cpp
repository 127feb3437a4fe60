#include "wren_input_PointerInputKeyRegion_WRC_Type.h"

WREN_DEFINE_INTERFACE(wren::input::PointerInputKeyRegion_WRC_Type,
                      "wren.input.PointerInputKeyRegion$Type")
