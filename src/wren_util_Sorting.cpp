#include "wren_util_Sorting.h"

WREN_DEFINE_CLASS(wren::util::Sorting, "wren.util.Sorting")
