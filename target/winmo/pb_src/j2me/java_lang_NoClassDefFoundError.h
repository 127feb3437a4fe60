#pragma once

#include "java_lang_Error.h"

WREN_EXCEPTION_CLASS(java::lang, NoClassDefFoundError, ::java::lang::Error)
