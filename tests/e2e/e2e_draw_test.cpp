// End-to-end text: the real program runs the drawing MIDlet, the input
// script dumps the presented frame, and the dump shows the text "Wren" in
// one box whichever anchor placed it. This stays C++ beside the scenario
// files: the box is as big as the font makes it, which the MIDlet learns and
// prints only at run time, and the check covers every pixel in and around
// the box, comparing the two boxes with each other.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_frame.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

using wrentest::Frame;
using wrentest::readPng;
using wrentest::Rgb;

constexpr Rgb kWhite{0xF8, 0xFC, 0xF8};

class DrawScenario : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren-e2e-draw-XXXXXX");
        ASSERT_FALSE(folder_.empty());
        fs::create_directories(folder_ + "/rsc/images");
        fs::copy_file(fs::path(WREN_TEST_FIXTURES) / "images" / "tiles.png",
                      folder_ + "/rsc/images/tiles.png");
        std::ofstream(folder_ + "/properties/app.prop", std::ios::binary)
            << "MIDlet-Name: Wren E2E draw " << getpid() << "\r\n"
            << "MIDlet-1: Draw, , wrentest.e2e.DrawMIDlet\r\n";
    }
    void TearDown() override { wrentest::removeFolder(folder_); }

    // Runs the program with this script; its exit code, and what it printed.
    int run(const std::string& script, std::vector<std::string>* lines) {
        std::ofstream(folder_ + "/input.script") << script;
        // A scenario that hangs is killed, and fails.
        wrentest::RunningProgram program =
            wrentest::startProgram(WREN_E2E_PROGRAM, folder_, folder_ + "/input.script", 90);
        std::string line;
        while (program.readLine(&line)) lines->push_back(line);
        return program.finish();
    }

    std::string folder_;
};

TEST_F(DrawScenario, TheTextLandsInOneBoxWhicheverAnchorPlacedIt) {
    std::vector<std::string> lines;
    ASSERT_EQ(run("3 dump shot.png\n4 keydown 115\n", &lines), 0)
        << ::testing::PrintToString(lines);
    int textW = 0, textH = 0;
    for (const std::string& line : lines)
        if (line.rfind("frame: text ", 0) == 0)
            std::istringstream(line.substr(12)) >> textW >> textH;
    ASSERT_GT(textW, 0) << ::testing::PrintToString(lines);
    ASSERT_GT(textH, 0);

    Frame f;
    ASSERT_TRUE(readPng(folder_ + "/shot.png", &f));
    ASSERT_GE(f.width, 110 + textW);
    ASSERT_GE(f.height, 40 + textH);

    // Dark pixels inside the box at (10, 40), the same box at (100, 40), and
    // nothing drawn around them.
    int dark = 0;
    for (int y = 40; y < 40 + textH; ++y)
        for (int x = 10; x < 10 + textW; ++x) {
            Rgb p = f.at(x, y);
            if (p.r < 0x40 && p.g < 0x40 && p.b < 0x40) ++dark;
            EXPECT_EQ(p, f.at(x + 90, y)) << x << "," << y;
        }
    EXPECT_GT(dark, 10);
    for (int y = 30; y < 40 + textH + 10; ++y)
        for (int x = 0; x < f.width; ++x) {
            bool inBox = y >= 40 && y < 40 + textH &&
                         ((x >= 10 && x < 10 + textW) || (x >= 100 && x < 100 + textW));
            if (!inBox) {
                EXPECT_EQ(f.at(x, y), kWhite) << x << "," << y;
            }
        }
}

}  // namespace
