// wren.util.Sorting$Comparator: registered for the game's class table; it
// has no members here.
#pragma once

#include "VMClass.h"

namespace wren::util {

class Sorting_WRC_Comparator : public virtual java::lang::Object {
    WREN_INTERFACE(Sorting_WRC_Comparator)
};

}  // namespace wren::util
