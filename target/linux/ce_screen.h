// The virtual screen: what a window shows. The present path copies frames
// into it; SDL shows it; tests and the input script read it back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ce_win32.h"

namespace ce {

struct VirtualScreen {
    int32_t width = 0;
    int32_t height = 0;
    // 0x00RRGGBB, row-major, top row first; the window's client size. A
    // resize clears it.
    std::vector<uint32_t> pixels;
};

// The window's screen, or null for a window that does not exist. Valid
// until the window is resized or destroyed; UI thread only.
VirtualScreen* virtualScreen(HWND window);
// Shows the screen, counts one presented frame and runs the input script's
// steps that are due (UI thread).
void presentWindow(HWND window);
// Frames presented since the first window of the process was made.
uint64_t presentedFrames();
// Input-script steps run since the process started. A present that changes
// it ran the steps due at its frame, whose messages are then in the queue.
uint64_t scriptStepsRun();
// Writes the screen as an 8-bit RGB PNG; false with a reason when it can't.
bool writeScreenPng(HWND window, const std::string& path, std::string* error);

}  // namespace ce
