// What the fuzz targets over the runtime share: how a finding is reported,
// and the runtime started once per fuzzing process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HAL_threads.h"
#include "VM.h"
#include "VMHeap.h"

// A broken promise of the code under test: named on stderr, then a crash the
// fuzzer keeps the input for.
[[noreturn]] inline void finding(const std::string& what) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

// Declared first in LLVMFuzzerTestOneInput, so that it goes last, after
// every reference the input held: a full collection then frees what the
// input made, and the native memory its objects hold, before libFuzzer
// counts the run's allocations against its frees. Left to the heap's limit,
// the garbage of many inputs piles up; each run then ends with more
// allocations than frees, libFuzzer takes it for a possible leak and runs
// its leak check again over an ever-larger heap, and the target slows to a
// crawl as its memory grows. (The runtime is started with a small heap
// quarantine for the same reason: see startFuzzedRuntime.)
class CollectAfterInput {
public:
    CollectAfterInput() = default;
    CollectAfterInput(const CollectAfterInput&) = delete;
    CollectAfterInput& operator=(const CollectAfterInput&) = delete;
    ~CollectAfterInput() { VM::collect(); }
};

// Boots the runtime on the fuzzing thread, without a boot class: start-up
// then stops short of running one, with the heap and classes ready.
//
// The heap's quarantine of freed cells is cut to 4 MB, a few thousand
// inputs' garbage: every collection sweeps the chunks the held cells keep,
// so with a collection after each input the default 64 MB, filling slowly
// over hundreds of thousands of small inputs, made each input slower than
// the one before for the whole of a long run. A stale reference into what
// the last inputs freed is still caught.
inline void startFuzzedRuntime() {
    HAL_enterVMLock();
    if (VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0) !=
        VM::INITIALIZATION_FAILED)
        finding("the runtime did not start");
    vmSetHeapQuarantine(uint64_t(4) << 20);
}
