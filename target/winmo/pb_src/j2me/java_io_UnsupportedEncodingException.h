#pragma once

#include "java_io_IOException.h"

WREN_EXCEPTION_CLASS(java::io, UnsupportedEncodingException, ::java::io::IOException)
