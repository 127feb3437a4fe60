#include "java_lang_OutOfMemoryError.h"

WREN_DEFINE_CLASS(java::lang::OutOfMemoryError, "java.lang.OutOfMemoryError")
