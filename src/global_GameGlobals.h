// global.GameGlobals: the game-wide constants, registered for the class table;
// the values live in the code that uses them.
#pragma once

#include "VMClass.h"

namespace global {

class GameGlobals : public virtual java::lang::Object {
    WREN_INTERFACE(GameGlobals)
};

}  // namespace global
