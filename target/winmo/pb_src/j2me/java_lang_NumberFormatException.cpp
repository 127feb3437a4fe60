#include "java_lang_NumberFormatException.h"

WREN_DEFINE_CLASS(java::lang::NumberFormatException, "java.lang.NumberFormatException")
