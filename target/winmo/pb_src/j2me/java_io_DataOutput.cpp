#include "java_io_DataOutput.h"

WREN_DEFINE_INTERFACE(java::io::DataOutput, "java.io.DataOutput")
