// main.CommonCanvas: the game's canvas. It hands the frame's update and
// paint and the system events to the one main.Main, and does nothing of the
// game from the exit event on, so that a frame still in progress never
// reaches the released game objects.
//
// With tracing on (the MIDlet turns it on from its "Wren-Trace"
// application property) it prints every system event and every change of
// the frame time on System.out, which the headless runs read.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_WrenCanvas.h"

namespace main {

class CommonCanvas : public wren::WrenCanvas {
    WREN_CLASS(CommonCanvas, wren::WrenCanvas)
public:
    static constexpr jint FRAME_TIME = 40;

    // Set by the exit event, cleared by the started event.
    jboolean closing = false;
    jboolean trace = false;
    // The frame time the trace printed last (0: none yet).
    jint tracedFrameTime = 0;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner);

    // The frame's key snapshot, then main.Main's update.
    void update() override;
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // The game's handling of the code, then the framework's.
    void onEvent(jint code) override;
};

}  // namespace main
