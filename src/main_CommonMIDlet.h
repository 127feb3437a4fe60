// main.CommonMIDlet: the game's MIDlet, which "MIDlet-1" names. Its first
// start makes the game canvas (whose game thread waits to be shown) and the
// main object, and shows the canvas; a later start only resumes the canvas.
#pragma once

#include "VMClass.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Main.h"
#include "wren_WrenCanvas.h"

namespace main {

class CommonMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(CommonMIDlet, javax::microedition::midlet::MIDlet, (canvas, wren::WrenCanvas),
               (main, Main))
public:
    WREN_PLAIN_OBJECT()

    void ctor();

    void startApp() override;
    void pauseApp() override;
    // Releases the sound and the game's objects, then ends the application
    // through the canvas. The argument is not used.
    void destroyApp(jboolean unconditional) override;
};

}  // namespace main
