// wren.graphics.Color: a registered class without fields or operations
// besides its public constructor.
#pragma once

#include "VMClass.h"

namespace wren::graphics {

class Color : public virtual java::lang::Object {
    WREN_CLASS(Color, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wren::graphics
