// wren.input.PointerInputKeyRegion$Direction: the movement a slider region
// counts steps for. Any value other than UP, DOWN and LEFT counts as RIGHT.
#pragma once

#include "VMClass.h"

namespace wren::input {

class PointerInputKeyRegion_WRC_Direction : public virtual java::lang::Object {
    WREN_INTERFACE(PointerInputKeyRegion_WRC_Direction)
public:
    enum : jbyte {
        UP = 0,     // along y, toward smaller y
        DOWN = 1,   // along y, toward larger y
        LEFT = 2,   // along x, toward smaller x
        RIGHT = 3,  // along x, toward larger x
    };
};

}  // namespace wren::input
