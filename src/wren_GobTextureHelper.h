// wren.GobTextureHelper: a registered class without fields, instances or
// operations. The two-dimensional graphic-object arrays the game keeps are
// the runtime's Gob[][] (VMArray<Gob*, 2>).
#pragma once

#include "VMClass.h"

namespace wren {

class GobTextureHelper : public virtual java::lang::Object {
    WREN_CLASS(GobTextureHelper, java::lang::Object)

private:
    // No instances: the class only carries its record (and no factory).
    void ctor();
};

}  // namespace wren
