#include "javax_microedition_io_ContentConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::ContentConnection,
                      "javax.microedition.io.ContentConnection",
                      javax::microedition::io::StreamConnection)
