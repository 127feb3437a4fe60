// The entry of the scene frame benchmark (bench_frame_run.cpp): a
// program folder of its own, the runtime started, the benchmark run. Kept
// apart because the game's namespace `main` and the function main can't
// share a source file.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "HAL_threads.h"
#include "VM.h"
#include "bench_args.h"
#include "bench_frame.h"

namespace {

// It takes no options: any argument, --help included, gets this line.
constexpr const char* kUsage = "bench_frame";

std::string programFolder;

// A folder of our own for the saved data, with the build's content linked
// in.
bool makeProgramFolder() {
    std::string pattern = "/tmp/wren_bench_frame_XXXXXX";
    if (!mkdtemp(pattern.data())) return false;
    programFolder = pattern;
    std::error_code ec;
    std::filesystem::create_directories(programFolder + "/properties", ec);
    std::filesystem::create_directory_symlink(std::string(WREN_GAME_DIR) + "/rsc",
                                              programFolder + "/rsc", ec);
    if (ec) return false;
    setenv("WREN_MODULE_DIR", programFolder.c_str(), 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    (void)argv;
    if (argc > 1) benchargs::usage(kUsage);
    if (!makeProgramFolder()) {
        std::fprintf(stderr, "bench_frame: no program folder\n");
        return 1;
    }
    HAL_enterVMLock();
    int booted = VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_frame: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    int status = benchframe::runGuarded();
    std::error_code ec;
    std::filesystem::remove_all(programFolder, ec);
    return status;
}
