// global.GameScene: the scene constants, registered for the class table; the
// scene ids live as numbers in the scene manager and the scenes.
#pragma once

#include "VMClass.h"

namespace global {

class GameScene : public virtual java::lang::Object {
    WREN_INTERFACE(GameScene)
};

}  // namespace global
