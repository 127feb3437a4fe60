#include "java_lang_Runnable.h"

WREN_DEFINE_INTERFACE(java::lang::Runnable, "java.lang.Runnable")
