// A MIDlet that is never started and a game canvas without a window, for
// the programs that run the game's frames themselves: the game suites and
// the frame benchmark.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_WrenCanvas.h"

namespace wrentest {

// The MIDlet a canvas belongs to: it is never started.
class IdleMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(IdleMIDlet, javax::microedition::midlet::MIDlet)
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {}
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

// A game canvas on a 240 x 320 screen, shown, that draws and flushes
// nothing of its own: its owner runs the frames.
class HeadlessCanvas : public wren::WrenCanvas {
    WREN_CLASS(HeadlessCanvas, wren::WrenCanvas)
public:
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
    jboolean isShown() override { return true; }
    jint getWidth() override { return 240; }
    jint getHeight() override { return 320; }
    void flushGraphics() override {}
};

}  // namespace wrentest
