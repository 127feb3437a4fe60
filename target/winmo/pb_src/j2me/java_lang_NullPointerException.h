#pragma once

#include "java_lang_RuntimeException.h"

WREN_EXCEPTION_CLASS(java::lang, NullPointerException, ::java::lang::RuntimeException)
