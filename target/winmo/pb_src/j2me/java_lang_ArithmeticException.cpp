#include "java_lang_ArithmeticException.h"

WREN_DEFINE_CLASS(java::lang::ArithmeticException, "java.lang.ArithmeticException")
