// wren.input.PointerInputKeyManager$KeyState: the touch state of one key
// that touch key regions drive, recycled once the key is released.
#pragma once

#include "VMClass.h"

namespace wren::input {

class PointerInputKeyManager_WRC_KeyState : public virtual java::lang::Object {
    WREN_CLASS(PointerInputKeyManager_WRC_KeyState, java::lang::Object)
    WREN_PLAIN_OBJECT()
public:
    // During the current event: the key must be released.
    jboolean released = false;
    // During the current event: some region wants the key down; once
    // settled, true only on the event that puts it down.
    jboolean held = false;
    // The key is down for the current touch.
    jboolean active = false;
    jbyte keyCode = 0;

    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wren::input
