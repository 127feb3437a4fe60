#include "java_io_UTFDataFormatException.h"

WREN_DEFINE_CLASS(java::io::UTFDataFormatException, "java.io.UTFDataFormatException")
