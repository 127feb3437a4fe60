#include "java_lang_IndexOutOfBoundsException.h"

WREN_DEFINE_CLASS(java::lang::IndexOutOfBoundsException, "java.lang.IndexOutOfBoundsException")
