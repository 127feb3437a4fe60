#include "java_lang_Math.h"

WREN_DEFINE_CLASS(java::lang::Math, "java.lang.Math")
