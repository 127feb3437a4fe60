#include "java_lang_InstantiationException.h"

WREN_DEFINE_CLASS(java::lang::InstantiationException, "java.lang.InstantiationException")
