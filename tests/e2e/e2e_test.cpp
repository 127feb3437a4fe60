// End-to-end scenarios: the real program (its entry, the host, the runtime
// and the stand-in) with the probe MIDlet, started headless in a fresh
// program folder whose app.prop names the MIDlet, driven by an input script
// through the stand-in's SDL-to-message path. The MIDlet reports on
// standard output; each scenario ends with notifyDestroyed and exit code 0.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "png_frame.h"
#include "program_runner.h"

namespace {

using Lines = std::vector<std::string>;

// A scenario that runs longer than this is killed (and fails).
constexpr unsigned kWatchdogSeconds = 90;

struct Outcome {
    int exitCode = -1;
    Lines lines;   // the MIDlet's callbacks and the UI thread's lines
    Lines frame;   // the frame thread's lines, "frame: " removed
    Lines traces;  // stack traces of uncaught exceptions
};

class Scenario : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren-e2e-XXXXXX");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override { wrentest::removeFolder(folder_); }

    // app.prop with a name of its own (the single-instance check goes by
    // name) and these further lines.
    void appProperties(const std::string& more) {
        static std::atomic<int> counter{0};
        std::ofstream(folder_ + "/properties/app.prop", std::ios::binary)
            << "MIDlet-Name: Wren E2E " << getpid() << "-" << counter++ << "\r\n"
            << more;
    }
    void probe(const std::string& more = "") {
        appProperties("MIDlet-1: Probe, , wrentest.e2e.ProbeMIDlet\r\n" + more);
    }

    Outcome run(const std::string& script) {
        std::ofstream(folder_ + "/input.script") << script;
        wrentest::RunningProgram program = wrentest::startProgram(
            WREN_E2E_PROGRAM, folder_, folder_ + "/input.script", kWatchdogSeconds);
        Outcome r;
        std::string line;
        while (program.readLine(&line)) {
            if (line.rfind("frame: ", 0) == 0)
                r.frame.push_back(line.substr(7));
            else if (line.rfind("Exception in thread ", 0) == 0 || line.rfind("    at ", 0) == 0)
                r.traces.push_back(line);
            else
                r.lines.push_back(line);
        }
        r.exitCode = program.finish();
        return r;
    }

    static bool has(const Lines& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::string folder_;
};

const Lines kBoot = {"startApp", "showNotify"};
const Lines kEnd = {"keyPressed -11 0", "notifyDestroyed"};
const char kEndStep[] = "keydown 115\n";

Lines framed(Lines middle) {
    Lines all = kBoot;
    all.insert(all.end(), middle.begin(), middle.end());
    all.insert(all.end(), kEnd.begin(), kEnd.end());
    return all;
}

TEST_F(Scenario, BootStartsTheMIDletThenShowsItsCanvasAndNotifyDestroyedEndsWithZero) {
    probe();
    Outcome r = run(std::string("2 ") + kEndStep);
    EXPECT_EQ(r.exitCode, 0);
    // The destroy event after notifyDestroyed calls no destroyApp.
    EXPECT_EQ(r.lines, framed({}));
    EXPECT_TRUE(has(r.frame, "flushGraphics returned"));
}

TEST_F(Scenario, LosingTheFrontOrPowerPausesAndComingBackResumes) {
    probe();
    Outcome r =
        run("2 deactivate\n"
            "2 activate\n"
            "3 poweroff\n"
            "3 poweron\n"
            "4 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, framed({"hideNotify", "pauseApp", "startApp", "showNotify",     // window
                               "hideNotify", "pauseApp", "startApp", "showNotify"}));  // power
}

TEST_F(Scenario, KeysArriveWithTheirMidpCodesAndGameActions) {
    probe();
    Outcome r =
        run("2 keydown 38\n"  // up
            "2 keyup 38\n"
            "3 keydown 13\n"  // Enter
            "3 keyup 13\n"
            "4 keydown 65\n"  // 'A' typing 'a'
            "4 char 97\n"
            "4 keyup 65\n"
            "5 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, framed({"keyPressed -1 1", "keyReleased -1 1",  // UP
                               "keyPressed -5 8", "keyReleased -5 8",  // FIRE
                               "keyPressed 97 0", "keyReleased 97 0"}));
}

TEST_F(Scenario, AnExceptionFromACallbackIsPrintedAndTheProgramCarriesOn) {
    probe();
    Outcome r =
        run("2 keydown 112\n"  // F1: keyPressed throws
            "2 keyup 112\n"
            "3 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, framed({"keyPressed -6 0", "keyReleased -6 0"}));
    ASSERT_FALSE(r.traces.empty());
    EXPECT_NE(r.traces[0].find("java.lang.RuntimeException: probe"), std::string::npos)
        << r.traces[0];
}

TEST_F(Scenario, AHeldKeyRepeatsButRepeatsSoonAfterTheFirstAreDropped) {
    probe();
    // Frames are at least 10 ms apart: frame 20 comes well over 100 ms after
    // frame 3, whose three repeats are dispatched together.
    Outcome r =
        run("2 keydown 38\n"
            "3 keydown 38\n"
            "3 keydown 38\n"
            "3 keydown 38\n"
            "20 keydown 38\n"
            "20 keyup 38\n"
            "21 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, framed({"keyPressed -1 1", "keyRepeated -1 1", "keyRepeated -1 1",
                               "keyReleased -1 1"}));
}

TEST_F(Scenario, ACanvasThatSuppressesGameKeysStillReportsThemInItsKeyStates) {
    probe("Probe-Suppress: true\r\n");
    Outcome r =
        run("2 keydown 38\n"
            "2 keyup 38\n"
            "4 keydown 49\n"  // '1': no game action, delivered
            "4 keyup 49\n"
            "6 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, framed({"keyPressed 49 0", "keyReleased 49 0"}));
    EXPECT_TRUE(has(r.frame, "keyStates 2")) << ::testing::PrintToString(r.frame);
}

TEST_F(Scenario, PointerPressDragAndReleaseArriveWithTheirCoordinates) {
    probe();
    Outcome r =
        run("2 tap 100 120\n"
            "3 drag 10 10 90 90 2\n"
            "4 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines,
              framed({"pointerPressed 100 120", "pointerReleased 100 120", "pointerPressed 10 10",
                      "pointerDragged 50 50", "pointerDragged 90 90", "pointerReleased 90 90"}));
}

TEST_F(Scenario, AFrameFilledAndFlushedFromAJavaThreadReachesTheScreen) {
    probe();
    Outcome r =
        run("3 dump shot.png\n"
            "4 " +
            std::string(kEndStep));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(has(r.frame, "flushGraphics returned"));
    wrentest::Frame f;
    ASSERT_TRUE(wrentest::readPng(folder_ + "/shot.png", &f));
    ASSERT_GT(f.width, 0);
    ASSERT_EQ(f.fileChannels, 3);
    // 0x3366CC through RGB565 and back: the low bits of each channel are gone.
    const wrentest::Rgb expected{0x30, 0x64, 0xC8};
    for (int y : {0, f.height / 2, f.height - 1}) {
        for (int x : {0, f.width / 2, f.width - 1}) {
            SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(f.at(x, y), expected);
        }
    }
}

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

TEST_F(Scenario, AnIdleProgramWaitsForInputInsteadOfSpinning) {
    appProperties("MIDlet-1: Idle, , wrentest.e2e.IdleMIDlet\r\n");
    std::ofstream(folder_ + "/input.script") << "# no steps: nothing happens\n";
    wrentest::RunningProgram program = wrentest::startProgram(
        WREN_E2E_PROGRAM, folder_, folder_ + "/input.script", kWatchdogSeconds);
    Lines lines;
    std::string line;
    while (lines != kBoot && program.readLine(&line)) lines.push_back(line);
    ASSERT_EQ(lines, kBoot);

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
}

TEST_F(Scenario, WithoutAFirstMIDletPropertyTheProgramExitsWithOne) {
    appProperties("MIDlet-2: Probe, , wrentest.e2e.ProbeMIDlet\r\n");
    Outcome r = run(std::string("2 ") + kEndStep);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.lines.empty()) << ::testing::PrintToString(r.lines);
}

TEST_F(Scenario, AFirstMIDletPropertyNamingNoMIDletExitsWithOne) {
    appProperties("MIDlet-1: Probe, , wrentest.e2e.NotAMIDlet\r\n");
    Outcome r = run(std::string("2 ") + kEndStep);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.lines.empty()) << ::testing::PrintToString(r.lines);
    ASSERT_FALSE(r.traces.empty());
    EXPECT_NE(r.traces[0].find("java.lang.InstantiationException: Class not a MIDlet"),
              std::string::npos)
        << r.traces[0];
}

}  // namespace
