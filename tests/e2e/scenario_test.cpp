// The end-to-end runner's own reading of scenario files and its checks: a
// scenario that differs from its run must fail, and a file it cannot follow
// must say where and why, never pass with fewer checks.
#include "scenario.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
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

// Checks after a `run:` line belong to that run; the folder-wide ones
// (app, copy, clock) to the whole scenario, wherever they stand.
TEST(ScenarioFile, LaterRunsTakeTheChecksThatFollowThem) {
    std::string error;
    std::optional<Scenario> s = parseScenario(
        "3 dump a.png\n"
        "# expect: first\n"
        "# store: 0 size 72\n"
        "# exit: 1\n"
        "# run: again, over the same folder\n"
        "# cut-store: 1 6500\n"
        "# app: Wren-Trace: on\n"
        "# expect: second\n"
        "# store: 1 at 6500 bytes 00 0A ff\n"
        "# store: 0 unchanged\n"
        "# probe: a.png 0 0 0x000000\n"
        "# run: a third time\n",
        &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->label, "");
    EXPECT_EQ(s->expected, Lines{"first"});
    EXPECT_EQ(s->exitCode, 1);
    ASSERT_EQ(s->stores.size(), 1u);
    EXPECT_EQ(s->stores[0].kind, StoreCheck::SIZE);
    EXPECT_EQ(s->stores[0].size, 72u);
    EXPECT_TRUE(s->cuts.empty());
    EXPECT_EQ(s->appLines, Lines{"Wren-Trace: on"});
    ASSERT_EQ(s->laterRuns.size(), 2u);
    const RunChecks& second = s->laterRuns[0];
    EXPECT_EQ(second.label, "again, over the same folder");
    EXPECT_EQ(second.expected, Lines{"second"});
    EXPECT_EQ(second.exitCode, 0);
    ASSERT_EQ(second.cuts.size(), 1u);
    EXPECT_EQ(second.cuts[0].id, 1);
    EXPECT_EQ(second.cuts[0].size, 6500u);
    ASSERT_EQ(second.stores.size(), 2u);
    EXPECT_EQ(second.stores[0].kind, StoreCheck::BYTES);
    EXPECT_EQ(second.stores[0].id, 1);
    EXPECT_EQ(second.stores[0].offset, 6500u);
    EXPECT_EQ(second.stores[0].bytes, (Bytes{0x00, 0x0A, 0xFF}));
    EXPECT_EQ(second.stores[1].kind, StoreCheck::UNCHANGED);
    EXPECT_EQ(second.probes.size(), 1u);
    EXPECT_EQ(s->laterRuns[1].label, "a third time");
    EXPECT_TRUE(s->laterRuns[1].expected.empty());
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
         "colon is a directive: app, clock, copy, cut-store, expect, frame, exception, exit, "
         "probe, run or store)"},
        {"# seed-store: 1 x\n",
         "line 1: unknown directive 'seed-store:' (a comment starting with a lowercase word and "
         "a colon is a directive: app, clock, copy, cut-store, expect, frame, exception, exit, "
         "probe, run or store)"},
        {"# run:\n", "line 1: run needs a few words saying what the run is"},
        {"# exit: 1\n# run: again\n# exit: 2\n# exit: 3\n", "line 4: a second exit code"},
        {"# store: one size 72\n", "line 1: store needs a store id (a decimal int from 0) first"},
        {"# store: 0 size -1\n",
         "line 1: store takes '<id> size <n>', '<id> at <offset> bytes <hh>...' or "
         "'<id> unchanged'"},
        {"# store: 0 at 4 bytes\n",
         "line 1: store takes '<id> size <n>', '<id> at <offset> bytes <hh>...' or "
         "'<id> unchanged'"},
        {"# store: 0 at 4 bytes 0g\n", "line 1: '0g' is no byte: two hex digits"},
        {"# store: 0 at 4 bytes 100\n", "line 1: '100' is no byte: two hex digits"},
        {"# cut-store: 1\n", "line 1: cut-store takes a store id and the number of bytes to keep"},
        {"# run: again\n# probe: a.png 1 2 0xFFFFFF\n", "line 2: no dump step writes 'a.png'"},
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
        // A dumped frame nobody looks at: the first dump of it is named.
        {"3 dump a.png\n",
         "line 1: no probe looks at 'a.png': every dumped frame needs a probe line"},
        {"3 dump a.png   # the menu\n5 dump b.png\n7 dump a.png\n# probe: b.png 1 2 0xFFFFFF\n",
         "line 1: no probe looks at 'a.png': every dumped frame needs a probe line"},
        {"3 dump a.png\n5 dump b.png\n# probe: a.png 1 2 0xFFFFFF\n# run: again\n",
         "line 2: no probe looks at 'b.png': every dumped frame needs a probe line"},
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

namespace {

// Saved items as the record-store layer keeps them: records of at most 4096
// bytes, read in record order.
class ScenarioStores : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren-e2e-store-XXXXXX");
        ASSERT_FALSE(folder_.empty());
        Bytes item(6800);
        for (size_t i = 0; i < item.size(); ++i) item[i] = uint8_t(i * 7);
        store_ = folder_ + "/database/store-1";
        std::filesystem::create_directories(store_);
        // Record 10 after record 9: numbers, not names, give the order.
        writeFile("record-9.bin", Bytes(item.begin(), item.begin() + 4096));
        writeFile("record-10.bin", Bytes(item.begin() + 4096, item.end()));
        writeFile("metadata.info", Bytes(20, 1));
        item_ = item;
    }
    void TearDown() override { wrentest::removeFolder(folder_); }

    void writeFile(const std::string& name, const Bytes& bytes) {
        std::ofstream out(store_ + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static StoreCheck check(int id, StoreCheck::Kind kind, size_t n, Bytes bytes = {}) {
        StoreCheck c;
        c.line = 5;
        c.id = id;
        c.kind = kind;
        c.size = c.offset = n;
        c.bytes = std::move(bytes);
        return c;
    }

    std::string folder_;
    std::string store_;
    Bytes item_;
};

TEST_F(ScenarioStores, ChecksReadTheRecordsJoinedInOrder) {
    ASSERT_EQ(readStore(folder_, 1), item_);
    EXPECT_EQ(readStore(folder_, 0), std::nullopt);
    struct Case {
        StoreCheck check;
        const char* failure;  // nullptr: passes
    };
    const Case cases[] = {
        {check(1, StoreCheck::SIZE, 6800), nullptr},
        {check(1, StoreCheck::SIZE, 6799),
         "store check on line 5: store 1 holds 6800 bytes, expected 6799"},
        {check(1, StoreCheck::BYTES, 4095, {uint8_t(4095 * 7), uint8_t(4096 * 7)}), nullptr},
        {check(1, StoreCheck::BYTES, 4095, {uint8_t(4095 * 7), 1}),
         "store check on line 5: store 1 holds 'f9 00' at 4095 of its 6800 bytes, expected "
         "'f9 01'"},
        {check(1, StoreCheck::BYTES, 6799, {uint8_t(6799 * 7), 0}),
         "store check on line 5: store 1 holds 'e9' at 6799 of its 6800 bytes, expected 'e9 00'"},
        {check(0, StoreCheck::SIZE, 72), "store check on line 5: store 0 was not saved"},
        {check(1, StoreCheck::UNCHANGED, 0), nullptr},
        {check(0, StoreCheck::UNCHANGED, 0), nullptr},
    };
    StoreContents before{{1, item_}, {0, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.check.line);
        RunChecks run;
        run.stores = {c.check};
        Lines failures = checkStores(run, folder_, before);
        if (!c.failure)
            EXPECT_EQ(failures, Lines{});
        else
            EXPECT_EQ(failures, Lines{c.failure});
    }
    RunChecks run;
    run.stores = {check(1, StoreCheck::UNCHANGED, 0)};
    before[1]->back() ^= 1;
    EXPECT_EQ(checkStores(run, folder_, before),
              Lines{"store check on line 5: store 1 changed during the run"});
}

TEST_F(ScenarioStores, ACutKeepsTheFirstBytesAndDropsTheSummary) {
    for (size_t keep : {6500u, 4096u, 4000u, 0u}) {
        SCOPED_TRACE(keep);
        SetUp();
        RunChecks run;
        run.cuts = {{3, 1, keep}};
        EXPECT_EQ(applyCuts(run, folder_), Lines{});
        EXPECT_EQ(readStore(folder_, 1), Bytes(item_.begin(), item_.begin() + long(keep)));
        EXPECT_FALSE(std::filesystem::exists(store_ + "/metadata.info"));
        TearDown();
    }
    SetUp();
    RunChecks run;
    run.cuts = {{3, 1, 6801}, {4, 2, 0}};
    EXPECT_EQ(applyCuts(run, folder_),
              (Lines{"cut-store on line 3: store 1 has only 6800 bytes",
                     "cut-store on line 4: store 2 does not exist"}));
    EXPECT_EQ(readStore(folder_, 1), item_);
}

}  // namespace
