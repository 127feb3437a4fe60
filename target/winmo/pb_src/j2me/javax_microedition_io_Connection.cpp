#include "javax_microedition_io_Connection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::Connection, "javax.microedition.io.Connection")
