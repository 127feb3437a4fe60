// wren.input.PointerInputKeyRegion$Type: how a touch key region drives its
// key.
#pragma once

#include "VMClass.h"

namespace wren::input {

class PointerInputKeyRegion_WRC_Type : public virtual java::lang::Object {
    WREN_INTERFACE(PointerInputKeyRegion_WRC_Type)
public:
    enum : jbyte {
        // Down while a pointer is inside, however it got there.
        BUTTON = 0,
        // Down from a press inside until that pointer lifts, wherever it goes.
        CAPTURE = 1,
        // A tap per step of movement along the region's direction.
        SLIDER = 2,
    };
};

}  // namespace wren::input
