// javax.microedition.io.InputConnection: a connection that can be read.
#pragma once

#include "java_io_DataInputStream.h"
#include "java_io_InputStream.h"
#include "javax_microedition_io_Connection.h"

namespace javax::microedition::io {

class InputConnection : public virtual Connection {
    WREN_INTERFACE(InputConnection)
public:
    virtual VMPtr<java::io::InputStream> openInputStream() = 0;
    virtual VMPtr<java::io::DataInputStream> openDataInputStream() = 0;
};

}  // namespace javax::microedition::io
