#include "java_util_HashtableEntry.h"

WREN_DEFINE_CLASS(java::util::HashtableEntry, "java.util.HashtableEntry")
