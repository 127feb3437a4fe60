#include "wren_input_PointerInputEventManager_WRC_Event.h"

WREN_DEFINE_CLASS(wren::input::PointerInputEventManager_WRC_Event,
                  "wren.input.PointerInputEventManager$Event")
