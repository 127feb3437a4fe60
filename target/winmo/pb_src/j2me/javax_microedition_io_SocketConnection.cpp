#include "javax_microedition_io_SocketConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::SocketConnection,
                      "javax.microedition.io.SocketConnection",
                      javax::microedition::io::StreamConnection)
