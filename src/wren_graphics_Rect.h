// wren.graphics.Rect: a collision box of the rectangle kind, the argument
// type of the operations that take a plain rectangle.
#pragma once

#include "wren_graphics_CollisionBox.h"

namespace wren::graphics {

class Rect : public CollisionBox {
    WREN_CLASS(Rect, CollisionBox)
public:
    void ctor() { CollisionBox::ctor(RECTANGLE); }
};

}  // namespace wren::graphics
