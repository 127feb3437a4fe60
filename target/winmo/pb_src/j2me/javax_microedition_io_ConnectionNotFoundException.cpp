#include "javax_microedition_io_ConnectionNotFoundException.h"

WREN_DEFINE_CLASS(javax::microedition::io::ConnectionNotFoundException,
                  "javax.microedition.io.ConnectionNotFoundException")
