#include "java_lang_IllegalStateException.h"

WREN_DEFINE_CLASS(java::lang::IllegalStateException, "java.lang.IllegalStateException")
