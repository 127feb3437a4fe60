#include "java_io_IOException.h"

WREN_DEFINE_CLASS(java::io::IOException, "java.io.IOException")
