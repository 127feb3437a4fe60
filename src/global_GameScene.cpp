#include "global_GameScene.h"

WREN_DEFINE_INTERFACE(global::GameScene, "global.GameScene")
