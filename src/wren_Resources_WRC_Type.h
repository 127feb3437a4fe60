// wren.Resources$Type: a constant interface of the resource front end.
// It carries no members at run time: the values of its constants (entry
// type codes among them) belong to the code that uses them.
#pragma once

#include "VMClass.h"

namespace wren {

class Resources_WRC_Type : public virtual java::lang::Object {
    WREN_INTERFACE(Resources_WRC_Type)
};

}  // namespace wren
