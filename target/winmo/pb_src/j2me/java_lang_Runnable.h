#pragma once

#include "VMClass.h"

namespace java::lang {

class Runnable : public virtual Object {
    WREN_INTERFACE(Runnable)
public:
    virtual void run() = 0;
};

}  // namespace java::lang
