#include "java_lang_ArrayStoreException.h"

WREN_DEFINE_CLASS(java::lang::ArrayStoreException, "java.lang.ArrayStoreException")
