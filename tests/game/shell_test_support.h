// What the shell suites share: small content built with the pack builder
// into the process's program folder, a game canvas whose game thread is
// already stopped and whose screen size the test sets, and a fixture that
// starts every test with the shell's statics as a fresh start leaves them
// and no saved data.
//
// Content (pack 2 is the shell's own, 19 the fonts, 20 the text tables):
//   0x806  splash: one 40 x 30 green picture centred on its origin
//   0x803  loading panel over 0x808: frame 0 a 60 x 40 blue panel centred
//          on the origin, frame 1 the same in red with boxes of kind 0
//          {-30, -20, 10, 10}, kind 1 {-30, 0, 20, 10}, kind 3
//          {0, -20, 5, 5} and kind 4 {10, 10, 10, 10}; frame 2 a 4 x 4
//          white marker at {0, 0}
//   0x805  value graphics: 0..3, each 4 x 4 at {0, 0} in a colour of its own
//   0x400  logo over 0x403 (pack 1): the splash picture, endlessly
//   0x4C00..0x4C06  seven glyph sets over one sheet (printable ASCII)
//   0x5000 a text table
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "VMClass.h"
#include "game_test_support.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_MediaManager.h"
#include "wren_WrenCanvas.h"
#include "wren_util_FastRandom.h"

namespace wrentest::shell {

// Colours of the content as they read back from an RGB565 surface.
constexpr uint32_t kSplashColour = 0xFF00FC00;  // 0x00FF00
constexpr uint32_t kPanelColour = 0xFF0000F8;   // frame 0, 0x0000FF
constexpr uint32_t kPanelColour1 = 0xFFF80000;  // frame 1, 0xFF0000
constexpr uint32_t kMarkerColour = 0xFFF8FCF8;  // 0xFFFFFF
// Value graphic n.
constexpr uint32_t kValueColours[4] = {0xFFF8FC00, 0xFF00FCF8, 0xFF8000F8, 0xFF808080};

class ShellCanvas : public wren::WrenCanvas {
    WREN_CLASS(ShellCanvas, wren::WrenCanvas)
public:
    jint width = 240;
    jint height = 320;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
    jboolean isShown() override { return true; }
    jint getWidth() override { return width; }
    jint getHeight() override { return height; }
    void flushGraphics() override {}
};

// Hands out the scripted values, then the generator's own.
class ScriptedRandom : public wren::util::FastRandom {
    WREN_CLASS(ScriptedRandom, wren::util::FastRandom)
public:
    std::vector<jint> script;
    size_t next = 0;
    // Every third draw of the generator's own is this value instead.
    std::optional<jint> everyThird;
    size_t own = 0;

    void ctor() { FastRandom::ctor(12345); }
    jint nextInt() override {
        if (next < script.size()) return script[next++];
        if (everyThird && own++ % 3 == 0) return *everyThird;
        return FastRandom::nextInt();
    }
};

// Writes the packs (again) and closes whatever pack the front end had open.
void installShellPacks();

// Content installed, statics reset, saved data deleted, and a 240 x 320
// canvas installed as the framework's instance with its thread stopped.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<ShellCanvas> canvas;
};

}  // namespace wrentest::shell
