#pragma once

#include "java_lang_VirtualMachineError.h"

WREN_EXCEPTION_CLASS(java::lang, OutOfMemoryError, ::java::lang::VirtualMachineError)
