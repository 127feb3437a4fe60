// javax.microedition.io.Connection: the root of the connection interfaces.
#pragma once

#include "VMClass.h"

namespace javax::microedition::io {

class Connection : public virtual java::lang::Object {
    WREN_INTERFACE(Connection)
public:
    virtual void close() = 0;
};

}  // namespace javax::microedition::io
