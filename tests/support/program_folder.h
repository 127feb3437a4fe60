// The program folder a test makes for the code under test (the folder that
// WREN_MODULE_DIR names, with its "properties" folder), and the headless
// set-up every suite that opens windows or audio runs under.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace wrentest {

// SDL's dummy drivers, whatever the environment says, and no input script
// from outside; call before the first window or audio device is made.
inline void forceHeadless() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("WREN_SCRIPT");
}

// A fresh folder named from `pattern` (ending in XXXXXX), holding an empty
// "properties" folder; empty when no folder could be made.
//
// A death test's child process (the "threadsafe" style runs the test again
// from its start) ends without its TearDown or destructors: it takes the
// folder of the test that started it, which the WREN_MODULE_DIR it
// inherited names, so that it leaves no folder of its own behind.
inline std::string makeProgramFolder(std::string pattern) {
    if (::testing::internal::InDeathTestChild()) {
        const char* inherited = std::getenv("WREN_MODULE_DIR");
        std::error_code ec;
        if (inherited && *inherited && std::filesystem::is_directory(inherited, ec)) {
            std::filesystem::create_directories(std::string(inherited) + "/properties", ec);
            return inherited;
        }
    }
    if (!mkdtemp(pattern.data())) return "";
    std::filesystem::create_directories(pattern + "/properties");
    return pattern;
}

// Removes the folder and all it holds; a folder that is gone already is no
// error. A death test's child leaves its parent's folder to the parent.
inline void removeFolder(const std::string& folder) {
    if (folder.empty() || ::testing::internal::InDeathTestChild()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// Gives the program folder `folder` the game's content from `content` (its
// "rsc" folder and its properties) under a MIDlet name of its own, `name`
// and this process's id: the single-instance check goes by the name, and
// other runs of the game may be going on.
inline void copyGameContent(const std::filesystem::path& content, const std::filesystem::path& folder,
                            const std::string& name) {
    namespace fs = std::filesystem;
    fs::copy(content / "rsc", folder / "rsc", fs::copy_options::recursive);
    fs::copy(content / "properties" / "sys.prop", folder / "properties");
    std::ofstream app(folder / "properties" / "app.prop");
    app << "MIDlet-Name: " << name << " " << getpid() << "\n";
    std::ifstream given(content / "properties" / "app.prop");
    for (std::string line; std::getline(given, line);)
        if (line.rfind("MIDlet-Name:", 0) != 0) app << line << "\n";
}

// A program folder of the test process's own, for suites whose code reads
// WREN_MODULE_DIR once per process: made as a global, before main, unless
// another suite of the process has named one already; removed when the
// process ends.
class ProcessProgramFolder {
public:
    explicit ProcessProgramFolder(const char* pattern) {
        if (const char* dir = std::getenv("WREN_MODULE_DIR"); dir && *dir) return;
        std::string folder = pattern;
        if (!mkdtemp(folder.data())) std::abort();
        made_ = folder;
        setenv("WREN_MODULE_DIR", made_.c_str(), 1);
    }
    ~ProcessProgramFolder() { removeFolder(made_); }
    ProcessProgramFolder(const ProcessProgramFolder&) = delete;
    ProcessProgramFolder& operator=(const ProcessProgramFolder&) = delete;

private:
    std::string made_;  // empty when another suite's folder is used
};

}  // namespace wrentest
