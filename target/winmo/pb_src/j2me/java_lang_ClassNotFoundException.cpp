#include "java_lang_ClassNotFoundException.h"

WREN_DEFINE_CLASS(java::lang::ClassNotFoundException, "java.lang.ClassNotFoundException")
