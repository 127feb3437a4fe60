#include "generated_Build.h"

WREN_DEFINE_INTERFACE(generated::Build, "generated.Build")
