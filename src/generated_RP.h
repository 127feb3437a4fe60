// generated.RP: the resource-id constants, registered for the class table; the
// ids live as numbers in the code that loads them.
#pragma once

#include "VMClass.h"

namespace generated {

class RP : public virtual java::lang::Object {
    WREN_INTERFACE(RP)
};

}  // namespace generated
