#include "test_canvas.h"

WREN_DEFINE_CLASS(restest::TestCanvas, "restest.TestCanvas")
