#include "java_lang_RuntimeException.h"

WREN_DEFINE_CLASS(java::lang::RuntimeException, "java.lang.RuntimeException")
