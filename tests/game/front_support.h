// What the scene-manager, logo, menu and story suites share: the sample
// content copied into the process's program folder with small packs of our
// own for the logo and menu pictures (pack 1), the story background (pack
// 17) and the story figures (pack 18); a canvas whose game thread has ended
// and whose frame time the test sets; a main object that writes down what
// the scenes ask of it and keeps sound off the audio device; and frames run
// as the game runs them (key snapshot, main.Main's update).
//
// Fixture pictures (anchor-relative, box i has type i):
//   1024 / 1027  logo: one red picture `logoWidth` x `logoHeight` at
//                {-w, 0}, endless animation 0
//   1025 / 1028  menu backdrop: 240 x 320 blue at {-120, -160}; box 0 the
//                whole of it (the list area)
//   1026 / 1029  title: a 20 x 200 green strip at {-120, -100}, endless
//   17408 / 17409  frame 0: an empty lane; frame 1: 160 x 320 grey at
//                {-160, 0}, box 0 {-160, storyBoxY, 160, 320}
//   18432+f / 18441+f  families 0..8: frames 0..2 60 x 60 at {-60, -30}
//                (yellow, orange, purple), box 0 {-45, -15, 30, 30};
//                animations 0, 1 once, 2 and 3 endless
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "VMClass.h"
#include "game_test_support.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "wren_WrenCanvas.h"

namespace wrentest::front {

using Calls = std::vector<std::string>;

struct FixtureShape {
    int logoWidth = 100;
    int logoHeight = 40;
    int storyBoxY = 0;
    // Pack 1 as the sample content has it (logo, menu backdrop and its list
    // area, title) instead of the fixture's.
    bool sampleMenu = false;
};

// Copies the sample content (once per process) and writes packs 1 (unless
// the shape keeps the sample one), 17 and 18 of the given shape over it;
// the resource reader is left closed.
void installContent(const FixtureShape& shape = {});

// Colours of the fixture as they read back from an RGB565 surface.
constexpr uint32_t kLogoColour = 0xFFC80000;      // 0xCC0000
constexpr uint32_t kBackdropColour = 0xFF3060C0;  // 0x3060C0
constexpr uint32_t kWhite = 0xFFF8FCF8;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kStoryColour = 0xFF808080;     // 0x808080

// A 240 x 320 canvas whose frames last `frameMs`; an interrupt is only
// written down ("interrupt K"), so that a quit answer ends no test.
class FrontCanvas : public HeadlessCanvas {
    WREN_CLASS(FrontCanvas, HeadlessCanvas)
public:
    jint frameMs = 40;
    Calls interrupts;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { HeadlessCanvas::ctor(owner); }
    jint getFrameTime() override { return frameMs; }
    void interrupt(jint kind) override {
        interrupts.push_back("interrupt " + std::to_string(kind));
    }
};

// main.Main with the calls the scenes make of it written down ("font 1",
// "release font 1", "language 20480", "sound set 5", "init sound 5",
// "disable sound", "cue", "stop sounds"); sound is only a flag here.
class RecordingMain : public main::Main {
    WREN_CLASS(RecordingMain, main::Main)
public:
    Calls calls;

    void ctor(const VMPtr<wren::WrenCanvas>& c) { Main::ctor(c); }
    void note(const std::string& call) { calls.push_back(call); }
    void selectFont(jint index) override {
        note("font " + std::to_string(index));
        Main::selectFont(index);
    }
    void releaseFont(jint index) override {
        note("release font " + std::to_string(index));
        Main::releaseFont(index);
    }
    void loadResources(jint index) override {
        note("load font " + std::to_string(index));
        Main::loadResources(index);
    }
    void loadLanguage(jint id) override {
        note("language " + std::to_string(id));
        Main::loadLanguage(id);
    }
    void changeSoundSet(jint set) override { note("sound set " + std::to_string(set)); }
    void initSound(jint set) override {
        note("init sound " + std::to_string(set));
        S().soundOn = true;
    }
    void disableSound() override {
        note("disable sound");
        S().soundOn = false;
    }
    void playCueSound() override { note("cue"); }
    void stopSounds() override { note("stop sounds"); }
};

// Content installed, the game's statics as a fresh start leaves them, no
// saved data, the canvas installed as the framework's instance with touch
// input on, and the main object made (as the MIDlet makes it). The scene
// manager comes with the first frame.
class FrontTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The fixture shape this test's content has.
    virtual FixtureShape shape() { return {}; }

    // One game frame: the key snapshot, then main.Main's update (the
    // first one makes the scene manager).
    void frame();
    // Frames until the current scene has finished loading (at most 50);
    // the number run.
    int frameUntilLoaded();
    // Stylus events in game-area coordinates, queued for the next frame's
    // touch pass.
    void press(jint x, jint y) { canvas->callPointerPressed(x, y); }
    void lift(jint x, jint y) { canvas->callPointerReleased(x, y); }
    // Press and lift queued together, then the frame that takes them in
    // and the frame whose update sees the release.
    void tap(jint x, jint y);
    // The centre of box `type` of a layer of the current scene's screen.
    std::pair<jint, jint> boxCentre(jint layer, jint type);
    // The calls written down since the last look.
    Calls calls();

    VMPtr<scene::SceneManager> manager() { return main::Main::S().sceneManager; }
    VMPtr<ui::Scene> current() { return scene::SceneManager::S().currentScene; }
    // The current scene painted on a black 240 x 320 picture.
    VMPtr<javax::microedition::lcdui::Image> paint();
    static uint32_t pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
    // The saved record, or null.
    VMPtr<VMArray<jbyte>> record(jint id) { return canvas->loadData(id); }
    static jint intAt(const VMPtr<VMArray<jbyte>>& bytes, jint at);

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<FrontCanvas> canvas;
    VMNativePtr<RecordingMain> mainObject;
};

}  // namespace wrentest::front
