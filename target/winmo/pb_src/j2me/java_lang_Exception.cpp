#include "java_lang_Exception.h"

WREN_DEFINE_CLASS(java::lang::Exception, "java.lang.Exception")
