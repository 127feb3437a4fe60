// wren.ResourcesExt: an empty class registered beside the resource front
// end.
#pragma once

#include "VMClass.h"

namespace wren {

class ResourcesExt : public virtual java::lang::Object {
    WREN_CLASS(ResourcesExt, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wren
