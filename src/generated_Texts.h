// generated.Texts: the text-id constants, registered for the class table; the
// ids live as numbers in the code that shows them.
#pragma once

#include "VMClass.h"

namespace generated {

class Texts : public virtual java::lang::Object {
    WREN_INTERFACE(Texts)
};

}  // namespace generated
