#include "java_lang_IllegalThreadStateException.h"

WREN_DEFINE_CLASS(java::lang::IllegalThreadStateException, "java.lang.IllegalThreadStateException")
