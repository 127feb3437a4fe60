// The game suite's clock. Scenes count some things in wall-clock time (their
// screens' animations step by the time between two updates), so a test that
// let the real clock run would see more of an animation on a busy machine
// than on an idle one. Every test of the suite starts on the virtual clock,
// which stands still until a test's frame moves it by the frame time.
#pragma once

#include <cstdint>

#include "VMClock.h"

inline void advanceGameClock(int32_t millis) {
    if (millis > 0) vmAdvanceVirtualClock(uint32_t(millis));
}
