#pragma once

#include "java_io_IOException.h"

WREN_EXCEPTION_CLASS(javax::microedition::io, ConnectionNotFoundException, ::java::io::IOException)
