// wren.util.Sorting: registered for the game's class table; it has no
// members here.
#pragma once

#include "VMClass.h"

namespace wren::util {

class Sorting : public virtual java::lang::Object {
    WREN_CLASS(Sorting, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wren::util
