#include "java_lang_SecurityException.h"

WREN_DEFINE_CLASS(java::lang::SecurityException, "java.lang.SecurityException")
