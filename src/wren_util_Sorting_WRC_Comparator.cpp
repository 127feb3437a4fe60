#include "wren_util_Sorting_WRC_Comparator.h"

WREN_DEFINE_INTERFACE(wren::util::Sorting_WRC_Comparator, "wren.util.Sorting$Comparator")
