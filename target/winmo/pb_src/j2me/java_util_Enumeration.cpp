#include "java_util_Enumeration.h"

WREN_DEFINE_INTERFACE(java::util::Enumeration, "java.util.Enumeration")
