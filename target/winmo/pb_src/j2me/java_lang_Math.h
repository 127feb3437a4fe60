// java.lang.Math: its class record, with no members.
#pragma once

#include "VMClass.h"

namespace java::lang {

class Math : public virtual Object {
    WREN_CLASS(Math, Object)

private:
    void ctor() {}  // no instances
};

}  // namespace java::lang
