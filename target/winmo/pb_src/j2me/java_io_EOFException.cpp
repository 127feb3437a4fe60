#include "java_io_EOFException.h"

WREN_DEFINE_CLASS(java::io::EOFException, "java.io.EOFException")
