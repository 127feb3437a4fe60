#include "generated_RP.h"

WREN_DEFINE_INTERFACE(generated::RP, "generated.RP")
