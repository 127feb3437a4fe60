// javax.microedition.io.StreamConnection: both readable and writable.
#pragma once

#include "javax_microedition_io_InputConnection.h"
#include "javax_microedition_io_OutputConnection.h"

namespace javax::microedition::io {

class StreamConnection : public virtual InputConnection, public virtual OutputConnection {
    WREN_INTERFACE(StreamConnection)
};

}  // namespace javax::microedition::io
