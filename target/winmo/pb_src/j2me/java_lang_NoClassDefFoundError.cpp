#include "java_lang_NoClassDefFoundError.h"

WREN_DEFINE_CLASS(java::lang::NoClassDefFoundError, "java.lang.NoClassDefFoundError")
