#include "java_lang_InterruptedException.h"

WREN_DEFINE_CLASS(java::lang::InterruptedException, "java.lang.InterruptedException")
