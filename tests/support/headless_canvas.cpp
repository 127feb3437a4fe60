#include "headless_canvas.h"

WREN_DEFINE_CLASS(wrentest::IdleMIDlet, "wrentest.IdleMIDlet")
WREN_DEFINE_CLASS(wrentest::HeadlessCanvas, "wrentest.HeadlessCanvas")
