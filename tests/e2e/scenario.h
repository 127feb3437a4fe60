// An end-to-end scenario read from its file under tests/e2e/scenarios (the
// format is described in that folder's README.md), and the checks of a run
// against it. Nothing here starts the program: scenario_main.cpp does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
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

// A saved item to check after a run: the record files of the record store
// named by the id's decimal text (database/store-<id>/record-<n>.bin),
// joined in record order, have `size` bytes, hold `bytes` at `offset`, or
// are what they were before the run.
struct StoreCheck {
    enum Kind { SIZE, BYTES, UNCHANGED };
    int line = 0;  // in the scenario file, for messages
    int id = 0;
    Kind kind = SIZE;
    size_t size = 0;
    size_t offset = 0;
    std::vector<uint8_t> bytes;
};

// Before a run: the saved item of the id is cut to its first `size` bytes.
struct StoreCut {
    int line = 0;
    int id = 0;
    size_t size = 0;
};

// What one run of the program must show.
struct RunChecks {
    std::string label;  // the `run:` text; empty for the first run
    std::vector<StoreCut> cuts;
    Lines expected;    // the MIDlet's lines, all of them, in order
    Lines frameLines;  // frame-thread lines that must appear, "frame: " removed
    Lines exceptions;  // each uncaught exception's line holds the matching text
    int exitCode = 0;
    std::vector<PixelProbe> probes;
    std::vector<StoreCheck> stores;
};

// The first run's checks, and those of every later run over the same
// program folder.
struct Scenario : RunChecks {
    Lines appLines;  // app.prop lines after the runner's own MIDlet-Name
    std::vector<FileCopy> copies;
    bool virtualClock = false;  // the run gets WREN_CLOCK=virtual
    std::vector<RunChecks> laterRuns;
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
Lines checkOutcome(const RunChecks& run, const Outcome& outcome);

// One message per probe that fails on the dumps in `folder`.
Lines checkProbes(const RunChecks& run, const std::string& folder);

using Bytes = std::vector<uint8_t>;
using StoreContents = std::map<int, std::optional<Bytes>>;

// The saved item of the id in the program folder, or nothing when its
// store does not exist.
std::optional<Bytes> readStore(const std::string& folder, int id);

// The items the run's checks name, as they are now.
StoreContents storesOf(const RunChecks& run, const std::string& folder);

// One message per store check that fails on the saved data in `folder`;
// `before` holds the items as they were before the run.
Lines checkStores(const RunChecks& run, const std::string& folder, const StoreContents& before);

// Cuts the saved items as the run asks, before it starts; one message per
// cut that could not be made.
Lines applyCuts(const RunChecks& run, const std::string& folder);

}  // namespace wrentest::e2e
