#pragma once

#include "java_lang_Throwable.h"

WREN_EXCEPTION_CLASS(java::lang, Exception, ::java::lang::Throwable)
