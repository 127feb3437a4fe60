#pragma once

#include "java_lang_RuntimeException.h"

WREN_EXCEPTION_CLASS(java::lang, ArrayStoreException, ::java::lang::RuntimeException)
