// The real program, started as a process under SDL's dummy driver with a
// fixture folder and an input script. The application manager starts the
// fixture MIDlet, which prints every event the host posts, one line each.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "png_frame.h"
#include "program_runner.h"

namespace {

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren-program-XXXXXX");
        ASSERT_FALSE(folder_.empty());
        // A name of its own: windows are found across processes by name.
        std::ofstream(folder_ + "/properties/app.prop")
            << "MIDlet-Name: Wren Program " << getpid() << "\r\nMIDlet-1: Fixture, , wrentest.host.FixtureMIDlet\r\n";
    }
    void TearDown() override { wrentest::removeFolder(folder_); }

    struct Running {
        wrentest::RunningProgram program;
        std::vector<std::string> lines;
        // Reads lines until one equals `line` (true) or the output ends.
        bool readUntil(const std::string& line) {
            std::string l;
            while (program.readLine(&l)) {
                lines.push_back(l);
                if (l == line) return true;
            }
            return false;
        }
        int wait() {
            readUntil("\x01");  // to the end
            return program.finish();
        }
    };

    Running start(const std::string& script, bool withStandardError = false) {
        return Running{wrentest::startProgram(WREN_HOSTTEST_PROGRAM, folder_,
                                              std::string(WREN_HOST_FIXTURES) + "/" + script, 0, {},
                                              withStandardError),
                       {}};
    }

    std::string folder_;
};

TEST_F(Program, RunsItsScriptPostsTheEventsAndExitsWithZeroOnClose) {
    Running program = start("session.script");
    EXPECT_EQ(program.wait(), 0);
    EXPECT_EQ(program.lines, (std::vector<std::string>{
                                 "event 5 canvas",                                 // shown
                                 "event 8 -1", "event 9 -1",                       // up
                                 "event 8 97", "event 9 97",                       // typed a
                                 "event 11 100 120", "event 12 100 120",           // tap
                                 "event 11 10 10", "event 13 50 50", "event 13 90 90",
                                 "event 12 90 90",                                 // drag
                                 "event 1", "event 2",                             // to the back and forward
                                 "event 1", "event 2",                             // power off and on
                                 "event 3",                                        // closed
                             }));
    // The dump shows the frame the boot class drew.
    wrentest::Frame f;
    ASSERT_TRUE(wrentest::readPng(folder_ + "/shot.png", &f));
    EXPECT_EQ(f.width, 240);
    EXPECT_EQ(f.height, 320);
    EXPECT_EQ(f.at(0, 0), (wrentest::Rgb{0x33, 0x66, 0xCC}));
}

TEST_F(Program, ASecondStartExitsWithOneAndBringsTheFirstForward) {
    Running first = start("paused.script");
    // The first instance sits in the back, presenting nothing, until
    // something brings it forward; only then does its script reach the close.
    ASSERT_TRUE(first.readUntil("event 1"));
    Running second = start("paused.script");
    EXPECT_EQ(second.wait(), 1);
    EXPECT_TRUE(second.lines.empty());
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(first.lines, (std::vector<std::string>{"event 5 canvas", "event 1", "event 2", "event 3"}));
}

// The input script's steps at frame N reach the game before it starts
// frame N + 1, never later, however late the UI thread wakes: the game loop
// sleeps not at all, and its thread runs on while the loop waits. The
// dumps show the frame presented at their step, the one before the press
// and the one after.
TEST_F(Program, ScriptedInputReachesTheGameInTheFrameAfterItsStep) {
    const std::vector<std::string> arrivals = {
        "frame 3: event 11 10 20",     // press at 2
        "frame 4: event 12 10 20",     // release at 3: held for one frame
        "frame 7: event 11 30 40",     // tap at 6
        "frame 7: event 12 30 40",
        "frame 9: event 11 50 60",     // press at 8
        "frame 11: event 12 50 60",    // release at 10
        "frame 13: event 8 -1",        // key down at 12
        "frame 14: event 9 -1",        // key up at 13
        "frame 16: event 11 100 100",  // drag at 15
        "frame 16: event 13 120 130",
        "frame 16: event 13 140 160",
        "frame 16: event 12 140 160",
        "frame 18: event 8 65",        // key down and up at 17
        "frame 18: event 9 65",
    };
    for (int delay : {0, 40}) {
        SCOPED_TRACE("the UI thread's waits " + std::to_string(delay) + " ms longer");
        std::ofstream(folder_ + "/properties/app.prop")
            << "MIDlet-Name: Wren Program " << getpid()
            << "\r\nMIDlet-1: Arrival, , wrentest.host.ArrivalMIDlet\r\nArrival-Wait-Delay: " << delay
            << "\r\n";
        std::remove((folder_ + "/before.png").c_str());
        std::remove((folder_ + "/after.png").c_str());
        Running program = start("arrival.script");
        EXPECT_EQ(program.wait(), 0);
        EXPECT_EQ(program.lines, arrivals);
        wrentest::Frame before;
        wrentest::Frame after;
        ASSERT_TRUE(wrentest::readPng(folder_ + "/before.png", &before));
        ASSERT_TRUE(wrentest::readPng(folder_ + "/after.png", &after));
        EXPECT_EQ(before.at(0, 0), (wrentest::Rgb{0x33, 0x66, 0xCC}));
        EXPECT_EQ(after.at(0, 0), (wrentest::Rgb{0xCC, 0x66, 0x33}));
    }
}

// A start that finds no MIDlet to run stops with exit code 1 and says why
// in one line on standard error; a class that does not exist is named
// before the runtime's report of its exception.
TEST_F(Program, AStartWithNoMIDletToRunSaysWhy) {
    const std::string file = folder_ + "/properties/app.prop";
    struct Case {
        const char* appProp;  // null: none
        std::string said;
    };
    const Case cases[] = {
        {nullptr, "wren: no MIDlet to start: " + file + ": no such file"},
        {"MIDlet-Name: Wren Nameless\n",
         "wren: no MIDlet to start: " + file + ": no \"MIDlet-1\" value"},
        {"MIDlet-1: Gone, , no.such.Midlet\n",
         "wren: no MIDlet to start: " + file +
             ": the class \"no.such.Midlet\" of \"MIDlet-1\" does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        std::remove(file.c_str());
        if (c.appProp) std::ofstream(file) << c.appProp;
        Running program = start("session.script", true);
        EXPECT_EQ(program.wait(), 1);
        ASSERT_FALSE(program.lines.empty());
        EXPECT_EQ(program.lines[0], c.said);
    }
}

}  // namespace
