#include "global_GameGlobals.h"

WREN_DEFINE_INTERFACE(global::GameGlobals, "global.GameGlobals")
