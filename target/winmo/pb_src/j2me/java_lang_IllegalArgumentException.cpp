#include "java_lang_IllegalArgumentException.h"

WREN_DEFINE_CLASS(java::lang::IllegalArgumentException, "java.lang.IllegalArgumentException")
