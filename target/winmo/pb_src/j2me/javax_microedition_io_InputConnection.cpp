#include "javax_microedition_io_InputConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::InputConnection,
                      "javax.microedition.io.InputConnection", javax::microedition::io::Connection)
