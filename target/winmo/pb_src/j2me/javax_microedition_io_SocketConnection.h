// javax.microedition.io.SocketConnection: a raw stream socket that
// Connector.open("socket://host:port") returns.
#pragma once

#include "javax_microedition_io_StreamConnection.h"

namespace javax::microedition::io {

class SocketConnection : public virtual StreamConnection {
    WREN_INTERFACE(SocketConnection)
public:
    // The remote port the connection was opened to.
    virtual jint getPort() = 0;
};

}  // namespace javax::microedition::io
