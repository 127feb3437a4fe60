#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(java::lang::NullPointerException, "java.lang.NullPointerException")
