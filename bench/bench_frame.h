// The scene frame benchmark's body, run by bench_frame.cpp's main once
// the runtime is up: its exit status (an uncaught exception is reported and
// gives 1).
#pragma once

namespace benchframe {

int runGuarded();

}  // namespace benchframe
