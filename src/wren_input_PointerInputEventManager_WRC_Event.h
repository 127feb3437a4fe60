// wren.input.PointerInputEventManager$Event: one queued stylus event, a
// record of the manager's ring that is overwritten in place.
#pragma once

#include "VMClass.h"

namespace wren::input {

class PointerInputEventManager_WRC_Event : public virtual java::lang::Object {
    WREN_CLASS(PointerInputEventManager_WRC_Event, java::lang::Object)
    WREN_PLAIN_OBJECT()
public:
    // The event's time less the manager's start time, cut to 32 bits.
    jint timeOffset = 0;
    jbyte pointer = 0;
    // Game-area coordinates, cut to 16 bits.
    jshort x = 0;
    jbyte kind = 0;
    jshort y = 0;

    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wren::input
