// The end-to-end runner's own reading of scenario files and its checks: a
// scenario that differs from its run must fail, and a file it cannot follow
// must say where and why, never pass with fewer checks.
#include "scenario.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "program_folder.h"

namespace {

using namespace wrentest::e2e;
using wrentest::Rgb;

TEST(ScenarioFile, DirectivesStepsAndProseAreToldApart) {
    std::string error;
    std::optional<Scenario> s = parseScenario(
        "# A scenario: prose, even with a colon.\n"
        "# the up key, then a dump: prose too\n"
        "# app: MIDlet-1: Probe, , wrentest.e2e.ProbeMIDlet\r\n"
        "#app:Probe-Suppress: true\n"
        "# copy: images/tiles.png rsc/images/tiles.png\n"
        "2 keydown 38   # Up: the arrow\n"
        "# expect: startApp\n"
        "# expect:\n"
        "#   expect:   keyPressed -1 1  \n"
        "# frame: flushGraphics returned\n"
        "# exception: RuntimeException: probe\n"
        "# exit: 3\n"
        "# clock: virtual\n"
        "# probe: shot 1 -2 0x3064c8\n"
        "4 dump shot\n"
        "# probe: shot -1 0 0x000000 0x00003F\n",
        &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->appLines,
              (Lines{"MIDlet-1: Probe, , wrentest.e2e.ProbeMIDlet", "Probe-Suppress: true"}));
    ASSERT_EQ(s->copies.size(), 1u);
    EXPECT_EQ(s->copies[0].fixture, "images/tiles.png");
    EXPECT_EQ(s->copies[0].target, "rsc/images/tiles.png");
    EXPECT_EQ(s->expected, (Lines{"startApp", "", "keyPressed -1 1"}));
    EXPECT_EQ(s->frameLines, (Lines{"flushGraphics returned"}));
    EXPECT_EQ(s->exceptions, (Lines{"RuntimeException: probe"}));
    EXPECT_EQ(s->exitCode, 3);
    ASSERT_EQ(s->probes.size(), 2u);
    EXPECT_TRUE(s->virtualClock);
    EXPECT_EQ(s->probes[0].line, 14);
    EXPECT_EQ(s->probes[0].file, "shot");
    EXPECT_EQ(s->probes[0].x, 1);
    EXPECT_EQ(s->probes[0].y, -2);
    EXPECT_EQ(s->probes[0].colour, (Rgb{0x30, 0x64, 0xC8}));
    EXPECT_EQ(s->probes[0].tolerance, (Rgb{0, 0, 0}));
    EXPECT_EQ(s->probes[1].tolerance, (Rgb{0, 0, 0x3F}));
}

TEST(ScenarioFile, AnEmptyFileExpectsNothingPrintedAndExitZero) {
    std::string error;
    std::optional<Scenario> s = parseScenario("", &error);
    ASSERT_TRUE(s) << error;
    EXPECT_TRUE(s->expected.empty());
    EXPECT_TRUE(s->exceptions.empty());
    EXPECT_EQ(s->exitCode, 0);
    EXPECT_FALSE(s->virtualClock);
}

TEST(ScenarioFile, AFileTheRunnerCannotFollowIsRefusedWithItsLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"# expcet: startApp\n",
         "line 1: unknown directive 'expcet:' (a comment starting with a lowercase word and a "
         "colon is a directive: app, clock, copy, expect, frame, exception, exit or probe)"},
        {"2 keydown 115  # expect: notifyDestroyed\n",
         "line 1: 'expect:' is a directive and needs a line of its own"},
        {"# app: MIDlet-Name: Mine\n",
         "line 1: leave MIDlet-Name out: the runner gives every run a name of its own"},
        {"# app: MIDlet-1 Probe\n", "line 1: 'MIDlet-1 Probe' is no app.prop line (Name: value)"},
        {"# copy: images/tiles.png\n",
         "line 1: copy takes a fixture file and its place in the program folder"},
        {"# copy: images/tiles.png /tmp/tiles.png\n",
         "line 1: '/tmp/tiles.png' is not a relative path that stays inside its folder"},
        {"# copy: ../secret rsc/x\n",
         "line 1: '../secret' is not a relative path that stays inside its folder"},
        {"# frame:\n", "line 1: frame needs the line the frame thread prints"},
        {"# exception:\n", "line 1: exception needs text of the exception's line"},
        {"# exit: 1\n# exit: 0\n", "line 2: a second exit code"},
        {"# exit: one\n", "line 1: 'one' is no exit code from 0 to 255"},
        {"# exit: 256\n", "line 1: '256' is no exit code from 0 to 255"},
        {"# clock: fast\n", "line 1: 'fast' is no clock: virtual or real"},
        {"# clock: virtual\n# clock: real\n", "line 2: a second clock"},
        {"3 dump a.png\n# probe: a.png 1 0x10 0xFFFFFF\n",
         "line 2: '1 0x10' are no pixel coordinates"},
        {"3 dump a.png\n# probe: a.png 1 2 #FFFFFF\n", "line 2: '#FFFFFF' is no colour 0xRRGGBB"},
        {"3 dump a b.png\n# probe: a b.png 1 2 0xFFFFFF\n",
         "line 2: 'b.png 1' are no pixel coordinates"},  // a probed name holds no blank
        {"3 dump a.png\n# probe: a.png 1 2\n",
         "line 2: probe takes a dump file, x, y, 0xRRGGBB and an optional tolerance"},
        {"3 dump a.png\n# probe: a.png 1 2 0xFFFFF\n", "line 2: '0xFFFFF' is no colour 0xRRGGBB"},
        {"3 dump a.png\n# probe: a.png 1 2 0xFFFFFF 3\n", "line 2: '3' is no tolerance 0xRRGGBB"},
        {"# probe: a.png 1 2 0xFFFFFF\n3 dump b.png\n# exit: 0\n",
         "line 1: no dump step writes 'a.png'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(parseScenario(c.text, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(ScenarioOutput, LinesAreSortedIntoTheMIDletsTheFrameThreadsAndExceptions) {
    Outcome o = sortOutput({"startApp", "frame: flushGraphics returned", "keyPressed -6 0",
                            "Exception in thread \"System\" java.lang.RuntimeException: probe",
                            "    at <unknown>", "frame: keyStates 2", "notifyDestroyed"},
                           7);
    EXPECT_EQ(o.exitCode, 7);
    EXPECT_EQ(o.lines, (Lines{"startApp", "keyPressed -6 0", "notifyDestroyed"}));
    EXPECT_EQ(o.frame, (Lines{"flushGraphics returned", "keyStates 2"}));
    EXPECT_EQ(o.exceptions,
              (Lines{"Exception in thread \"System\" java.lang.RuntimeException: probe"}));
}

TEST(ScenarioOutput, EveryWayARunDiffersFromItsScenarioFails) {
    Scenario s;
    s.expected = {"startApp", "showNotify", "notifyDestroyed"};
    s.frameLines = {"flushGraphics returned"};
    s.exceptions = {"RuntimeException: probe"};
    Outcome good;
    good.exitCode = 0;
    good.lines = s.expected;
    good.frame = {"keyStates 2", "flushGraphics returned"};
    good.exceptions = {"Exception in thread \"System\" java.lang.RuntimeException: probe"};
    EXPECT_EQ(checkOutcome(s, good), Lines{});

    struct Case {
        const char* what;
        void (*spoil)(Outcome&);
        const char* failure;  // the start of the one message
    };
    const Case cases[] = {
        {"exit code", [](Outcome& o) { o.exitCode = 1; }, "exit code 1, expected 0"},
        {"a line missing", [](Outcome& o) { o.lines.pop_back(); },
         "the MIDlet's lines differ from the expected ones at line 3"},
        {"a line more", [](Outcome& o) { o.lines.push_back("destroyApp true"); },
         "the MIDlet's lines differ from the expected ones at line 4"},
        {"lines swapped", [](Outcome& o) { std::swap(o.lines[0], o.lines[1]); },
         "the MIDlet's lines differ from the expected ones at line 1"},
        {"no frame line", [](Outcome& o) { o.frame.pop_back(); },
         "the frame thread never printed 'frame: flushGraphics returned'"},
        {"no exception", [](Outcome& o) { o.exceptions.clear(); },
         "the uncaught exceptions differ from the expected ones"},
        {"another exception",
         [](Outcome& o) { o.exceptions[0] = "Exception in thread \"x\" java.lang.Error"; },
         "the uncaught exceptions differ from the expected ones"},
        {"one exception more", [](Outcome& o) { o.exceptions.push_back(o.exceptions[0]); },
         "the uncaught exceptions differ from the expected ones"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = good;
        c.spoil(o);
        Lines failures = checkOutcome(s, o);
        ASSERT_EQ(failures.size(), 1u) << ::testing::PrintToString(failures);
        EXPECT_EQ(failures[0].rfind(c.failure, 0), 0u) << failures[0];
    }
}

TEST(ScenarioOutput, AnExceptionNobodyExpectedFails) {
    Scenario s;
    Outcome o;
    o.exitCode = 0;
    o.exceptions = {"Exception in thread \"System\" java.lang.NullPointerException"};
    Lines failures = checkOutcome(s, o);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("java.lang.NullPointerException"), std::string::npos) << failures[0];
}

class ScenarioProbes : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren-e2e-probe-XXXXXX");
        ASSERT_FALSE(folder_.empty());
        // 3x2: a row of red, green, blue over a row of white, black, grey.
        const uint8_t rgb[] = {0xF8, 0,    0,    0, 0xFC, 0, 0,    0,    0xF8,
                               0xF8, 0xFC, 0xF8, 0, 0,    0, 0x80, 0x80, 0x80};
        write("shot.png", PNG_FORMAT_RGB, rgb);
        const uint8_t rgba[24] = {};
        write("alpha.png", PNG_FORMAT_RGBA, rgba);
    }
    void TearDown() override { wrentest::removeFolder(folder_); }

    void write(const std::string& name, png_uint_32 format, const uint8_t* pixels) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 3;
        image.height = 2;
        image.format = format;
        ASSERT_TRUE(
            png_image_write_to_file(&image, (folder_ + "/" + name).c_str(), 0, pixels, 0, nullptr));
    }

    static PixelProbe probe(const char* file, int x, int y, Rgb colour, Rgb tolerance = {}) {
        PixelProbe p;
        p.line = 9;
        p.file = file;
        p.x = x;
        p.y = y;
        p.colour = colour;
        p.tolerance = tolerance;
        return p;
    }

    std::string folder_;
};

TEST_F(ScenarioProbes, PixelsAreComparedExactlyOrWithinTheirTolerance) {
    struct Case {
        PixelProbe probe;
        const char* failure;  // nullptr: passes
    };
    const Case cases[] = {
        {probe("shot.png", 0, 0, {0xF8, 0, 0}), nullptr},
        {probe("shot.png", 2, 1, {0x80, 0x80, 0x80}), nullptr},
        {probe("shot.png", -1, -2, {0, 0, 0xF8}), nullptr},  // from the far edges
        {probe("shot.png", -3, -1, {0xF8, 0xFC, 0xF8}), nullptr},
        {probe("shot.png", 2, 1, {0x80, 0x80, 0x81}),
         "probe on line 9: shot.png (2, 1) is 0x808080, expected 0x808081 within 0x000000"},
        {probe("shot.png", 2, 1, {0x80, 0x80, 0xBF}, {0, 0, 0x3F}), nullptr},
        {probe("shot.png", 2, 1, {0x80, 0x80, 0xC0}, {0, 0, 0x3F}),
         "probe on line 9: shot.png (2, 1) is 0x808080, expected 0x8080C0 within 0x00003F"},
        {probe("shot.png", 2, 1, {0x81, 0x80, 0x80}, {0, 0, 0x3F}),
         "probe on line 9: shot.png (2, 1) is 0x808080, expected 0x818080 within 0x00003F"},
        {probe("shot.png", 3, 0, {0, 0, 0}),
         "probe on line 9: (3, 0) is outside the 3x2 frame of shot.png"},
        {probe("shot.png", 0, -3, {0, 0, 0}),
         "probe on line 9: (0, -3) is outside the 3x2 frame of shot.png"},
        {probe("gone.png", 0, 0, {0, 0, 0}),
         "probe on line 9: gone.png was not written or is no PNG"},
        {probe("alpha.png", 0, 0, {0, 0, 0}),
         "probe on line 9: alpha.png has 4 channels; a screen dump is RGB, 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.probe.file + " " + std::to_string(c.probe.x) + "," +
                     std::to_string(c.probe.y));
        Scenario s;
        s.probes = {c.probe};
        Lines failures = checkProbes(s, folder_);
        if (!c.failure) {
            EXPECT_EQ(failures, Lines{});
        } else {
            EXPECT_EQ(failures, Lines{c.failure});
        }
    }
}

}  // namespace
