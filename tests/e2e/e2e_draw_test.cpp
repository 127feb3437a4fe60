// End-to-end drawing: the real program runs the drawing MIDlet over a
// program folder holding the resource image, the input script dumps the
// presented frame, and the dump shows the image's exact pixels, the image
// turned, and the text in one box whichever anchor placed it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
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

constexpr Rgb kWhite{0xF8, 0xFC, 0xF8};

TEST_F(DrawScenario, TextAndAResourceImageReachTheScreen) {
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
    EXPECT_EQ(f.at(0, 0), kWhite);
    EXPECT_EQ(f.at(f.width - 1, f.height - 1), kWhite);

    // The image at (10, 10), through RGB565: its transparent pixel shows the
    // white beneath; the half-transparent yellow lands between.
    const Rgb row0[] = {{0xF8, 0, 0}, {0, 0xFC, 0}, {0, 0, 0xF8}, kWhite};
    const Rgb row1[] = {kWhite, {0, 0, 0}, {0, 0, 0}, {0x10, 0x34, 0x50}};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(f.at(10 + x, 10), row0[x]) << "x " << x;
        if (x != 2) {
            EXPECT_EQ(f.at(10 + x, 11), row1[x]) << "x " << x;
        }
    }
    Rgb half = f.at(12, 11);
    EXPECT_EQ(half.r, 0xF8);
    EXPECT_EQ(half.g, 0xFC);
    EXPECT_GT(half.b, 0x40);
    EXPECT_LT(half.b, 0xC0);

    // Turned clockwise at (30, 10): 2 wide, 4 high, the bottom row first.
    EXPECT_EQ(f.at(30, 10), kWhite);             // was (0, 1), white
    EXPECT_EQ(f.at(31, 10), (Rgb{0xF8, 0, 0}));  // was (0, 0), red
    EXPECT_EQ(f.at(30, 13), (Rgb{0x10, 0x34, 0x50}));
    EXPECT_EQ(f.at(31, 13), kWhite);  // was (3, 0), transparent

    // The text: dark pixels inside its box, the same box both times, and
    // nothing drawn around it.
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

TEST_F(DrawScenario, AMissingResourceImageIsAnIOException) {
    fs::remove(folder_ + "/rsc/images/tiles.png");
    std::vector<std::string> lines;
    EXPECT_EQ(run("2 keydown 115\n", &lines), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "startApp", "createImage: HAL_createImageWithResource() error: 4"}));
}

}  // namespace
