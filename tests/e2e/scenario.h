// An end-to-end scenario read from its file under tests/e2e/scenarios (the
// format is described in that folder's README.md), and the checks of a run
// against it. Nothing here starts the program: scenario_main.cpp does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "png_frame.h"

namespace wrentest::e2e {

using Lines = std::vector<std::string>;

struct FileCopy {
    std::string fixture;  // relative to tests/fixtures
    std::string target;   // relative to the program folder
};

struct PixelProbe {
    int line = 0;  // in the scenario file, for messages
    std::string file;
    int x = 0, y = 0;  // negative: from the right or bottom edge
    Rgb colour{};
    Rgb tolerance{};  // per channel
};

struct Scenario {
    Lines appLines;  // app.prop lines after the runner's own MIDlet-Name
    std::vector<FileCopy> copies;
    Lines expected;    // the MIDlet's lines, all of them, in order
    Lines frameLines;  // frame-thread lines that must appear, "frame: " removed
    Lines exceptions;  // each uncaught exception's line holds the matching text
    int exitCode = 0;
    std::vector<PixelProbe> probes;
    bool virtualClock = false;  // the run gets WREN_CLOCK=virtual
};

// The scenario in `text`, or nothing with `*error` as "line N: why".
std::optional<Scenario> parseScenario(const std::string& text, std::string* error);

// What a run printed, sorted the way the probe MIDlets print it.
struct Outcome {
    int exitCode = -1;
    Lines lines;       // the MIDlet's callbacks and its UI thread's lines
    Lines frame;       // the frame thread's lines, "frame: " removed
    Lines exceptions;  // the "Exception in thread" line of each uncaught exception
};
Outcome sortOutput(const Lines& printed, int exitCode);

// One message per way the run differs from the scenario; empty when it
// matches.
Lines checkOutcome(const Scenario& scenario, const Outcome& outcome);

// One message per probe that fails on the dumps in `folder`.
Lines checkProbes(const Scenario& scenario, const std::string& folder);

}  // namespace wrentest::e2e
