// javax.microedition.io.OutputConnection: a connection that can be written.
#pragma once

#include "java_io_DataOutputStream.h"
#include "java_io_OutputStream.h"
#include "javax_microedition_io_Connection.h"

namespace javax::microedition::io {

class OutputConnection : public virtual Connection {
    WREN_INTERFACE(OutputConnection)
public:
    virtual VMPtr<java::io::OutputStream> openOutputStream() = 0;
    virtual VMPtr<java::io::DataOutputStream> openDataOutputStream() = 0;
};

}  // namespace javax::microedition::io
