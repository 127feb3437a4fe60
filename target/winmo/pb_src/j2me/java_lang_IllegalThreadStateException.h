#pragma once

#include "java_lang_IllegalArgumentException.h"

WREN_EXCEPTION_CLASS(java::lang, IllegalThreadStateException, ::java::lang::IllegalArgumentException)
