#include "javax_microedition_io_OutputConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::OutputConnection,
                      "javax.microedition.io.OutputConnection", javax::microedition::io::Connection)
