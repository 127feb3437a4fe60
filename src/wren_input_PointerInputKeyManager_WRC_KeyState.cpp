#include "wren_input_PointerInputKeyManager_WRC_KeyState.h"

WREN_DEFINE_CLASS(wren::input::PointerInputKeyManager_WRC_KeyState,
                  "wren.input.PointerInputKeyManager$KeyState")
