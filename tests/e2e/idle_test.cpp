// An idle program sleeps: its CPU time over a few seconds of a MIDlet that
// draws nothing, read from /proc (a figure no scenario file can state).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "program_folder.h"
#include "program_runner.h"

namespace {

using Lines = std::vector<std::string>;

// User plus system CPU seconds a running process has used, from
// /proc/<pid>/stat; -1 when it can't be read.
double cpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(file, text);
    // The command name, in parentheses, may hold blanks: count from the last ')'.
    size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 1));
    std::vector<std::string> fields;  // from field 3, the state
    for (std::string f; rest >> f;) fields.push_back(f);
    if (fields.size() < 13) return -1;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));
}

TEST(IdleProgram, WaitsForInputInsteadOfSpinning) {
    std::string folder = wrentest::makeProgramFolder("/tmp/wren-e2e-idle-XXXXXX");
    ASSERT_FALSE(folder.empty());
    std::ofstream(folder + "/properties/app.prop", std::ios::binary)
        << "MIDlet-Name: Wren E2E idle " << getpid() << "\r\n"
        << "MIDlet-1: Idle, , wrentest.e2e.IdleMIDlet\r\n";
    std::ofstream(folder + "/input.script") << "# no steps: nothing happens\n";
    wrentest::RunningProgram program =
        wrentest::startProgram(WREN_E2E_PROGRAM, folder, folder + "/input.script", 90);
    const Lines boot = {"startApp", "showNotify"};
    Lines lines;
    std::string line;
    while (lines != boot && program.readLine(&line)) lines.push_back(line);
    ASSERT_EQ(lines, boot);

    // The canvas is shown and draws nothing: from here on the program only
    // waits. Its CPU time over a few seconds of that, as a share of one core.
    using Clock = std::chrono::steady_clock;
    double cpuBefore = cpuSeconds(program.pid());
    Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    double cpuAfter = cpuSeconds(program.pid());
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_GE(cpuBefore, 0);
    ASSERT_GE(cpuAfter, 0);
    double share = (cpuAfter - cpuBefore) / wall;
    std::printf("idle program: %.1f%% of a core over %.1f s\n", share * 100, wall);
    RecordProperty("idle_cpu_percent", std::to_string(share * 100));
    EXPECT_LT(share, 0.25);

    // An interrupt from the terminal reaches the waiting loop as a close.
    kill(program.pid(), SIGINT);
    while (program.readLine(&line)) lines.push_back(line);
    EXPECT_EQ(program.finish(), 0);
    EXPECT_EQ(lines, (Lines{"startApp", "showNotify", "destroyApp true"}));
    wrentest::removeFolder(folder);
}

}  // namespace
