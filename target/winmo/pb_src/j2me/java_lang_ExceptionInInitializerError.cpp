#include "java_lang_ExceptionInInitializerError.h"

WREN_DEFINE_CLASS(java::lang::ExceptionInInitializerError, "java.lang.ExceptionInInitializerError")
