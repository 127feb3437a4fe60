#include "java_lang_VirtualMachineError.h"

WREN_DEFINE_CLASS(java::lang::VirtualMachineError, "java.lang.VirtualMachineError")
