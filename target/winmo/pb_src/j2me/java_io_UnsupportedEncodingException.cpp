#include "java_io_UnsupportedEncodingException.h"

WREN_DEFINE_CLASS(java::io::UnsupportedEncodingException, "java.io.UnsupportedEncodingException")
