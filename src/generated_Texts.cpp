#include "generated_Texts.h"

WREN_DEFINE_INTERFACE(generated::Texts, "generated.Texts")
