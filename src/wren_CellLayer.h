// wren.CellLayer: a registered class without fields, instances or operations
// of its own; cell layers are drawn by the canvas framework.
#pragma once

#include "VMClass.h"

namespace wren {

class CellLayer : public virtual java::lang::Object {
    WREN_CLASS(CellLayer, java::lang::Object)

private:
    // No instances: the class only carries its record (and no factory).
    void ctor();
};

}  // namespace wren
