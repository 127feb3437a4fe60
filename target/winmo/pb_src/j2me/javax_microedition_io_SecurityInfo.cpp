#include "javax_microedition_io_SecurityInfo.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::SecurityInfo, "javax.microedition.io.SecurityInfo")
