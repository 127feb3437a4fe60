#pragma once

#include "java_lang_Exception.h"

WREN_EXCEPTION_CLASS(java::lang, InstantiationException, ::java::lang::Exception)
