// java.util.Enumeration: hands out a collection's elements one at a time.
#pragma once

#include "VMClass.h"

namespace java::util {

class Enumeration : public virtual java::lang::Object {
    WREN_INTERFACE(Enumeration)
public:
    virtual jboolean hasMoreElements() = 0;
    virtual VMPtr<java::lang::Object> nextElement() = 0;
};

}  // namespace java::util
