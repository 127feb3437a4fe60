#include "java_lang_IllegalAccessException.h"

WREN_DEFINE_CLASS(java::lang::IllegalAccessException, "java.lang.IllegalAccessException")
