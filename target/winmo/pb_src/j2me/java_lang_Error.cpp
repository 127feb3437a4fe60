#include "java_lang_Error.h"

WREN_DEFINE_CLASS(java::lang::Error, "java.lang.Error")
