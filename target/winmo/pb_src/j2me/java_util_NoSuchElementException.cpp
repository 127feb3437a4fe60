#include "java_util_NoSuchElementException.h"

WREN_DEFINE_CLASS(java::util::NoSuchElementException, "java.util.NoSuchElementException")
