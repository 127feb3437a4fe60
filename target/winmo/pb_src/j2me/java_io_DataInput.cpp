#include "java_io_DataInput.h"

WREN_DEFINE_INTERFACE(java::io::DataInput, "java.io.DataInput")
