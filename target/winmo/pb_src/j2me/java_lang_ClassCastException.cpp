#include "java_lang_ClassCastException.h"

WREN_DEFINE_CLASS(java::lang::ClassCastException, "java.lang.ClassCastException")
