// The input script of headless runs: WREN_SCRIPT names a text file of steps
// (keys, characters, taps, drags, a held stylus, activation, power, close, screen dumps),
// each run once the program has presented a given number of frames. The
// format is described in the README.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ce {

struct ScriptStep {
    enum Kind {
        KeyDown,
        KeyUp,
        Char,
        Tap,
        Drag,
        Press,
        Release,
        Activate,
        Deactivate,
        PowerOff,
        PowerOn,
        Close,
        Dump,
    };
    uint64_t frame = 0;
    Kind kind = Close;
    int32_t args[5] = {};
    std::string path;  // Dump
    int line = 0;
};

// Reads a script's text; false with "line N: reason" on the first bad line.
bool parseScript(const std::string& text, std::vector<ScriptStep>* steps, std::string* error);

}  // namespace ce
