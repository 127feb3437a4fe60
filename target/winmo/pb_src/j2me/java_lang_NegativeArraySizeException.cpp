#include "java_lang_NegativeArraySizeException.h"

WREN_DEFINE_CLASS(java::lang::NegativeArraySizeException, "java.lang.NegativeArraySizeException")
