#include "wren_CellLayer.h"

WREN_DEFINE_CLASS(wren::CellLayer, "wren.CellLayer")
