// wren.Resources$Type$Video: a constant interface without members at
// run time (see wren.Resources$Type).
#pragma once

#include "VMClass.h"

namespace wren {

class Resources_WRC_Type_WRC_Video : public virtual java::lang::Object {
    WREN_INTERFACE(Resources_WRC_Type_WRC_Video)
};

}  // namespace wren
