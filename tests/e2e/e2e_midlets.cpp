// The MIDlets of the end-to-end program. The probe MIDlet shows a game canvas
// that reports every callback as a line on System.out, and a thread that
// fills and flushes a frame every 10 ms (its own lines start "frame:"), so
// that the input script's frame counts advance. The End key (VK_F4, code
// -11) ends a scenario through notifyDestroyed; pressing F1 (code -6)
// makes keyPressed throw. "Probe-Suppress: true" in
// the application properties makes the canvas suppress game-action keys.
// The idle MIDlet shows a canvas that draws nothing, and does nothing else.
#include <string>

#include "VMClass.h"
#include "java_io_PrintStream.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Runnable.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"
#include "javax_microedition_lcdui_Canvas.h"
#include "javax_microedition_lcdui_Display.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"
#include "javax_microedition_midlet_MIDlet.h"

namespace wrentest::e2e {

using javax::microedition::lcdui::Display;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::game::GameCanvas;
using javax::microedition::midlet::MIDlet;

constexpr jint kFrameColour = 0x3366CC;
constexpr jint kEndKey = -11;
constexpr jint kThrowKey = -6;  // F1: keyPressed throws

void say(const std::string& line) {
    java::lang::System::S().out->println(line.c_str());
}

class ProbeCanvas : public GameCanvas {
    WREN_CLASS(ProbeCanvas, GameCanvas, (midlet, MIDlet))
public:
    void ctor(const VMPtr<MIDlet>& owner, jboolean suppress) {
        GameCanvas::ctor(suppress);
        midlet = owner;
    }
    void key(const char* what, jint code) {
        say(std::string(what) + " " + std::to_string(code) + " " +
            std::to_string(getGameAction(code)));
    }
    void keyPressed(jint code) override {
        key("keyPressed", code);
        if (code == kThrowKey) java::lang::RuntimeException::throwNew(WREN_LIT("probe"));
        if (code == kEndKey) {
            say("notifyDestroyed");
            midlet->notifyDestroyed();
        }
    }
    void keyRepeated(jint code) override { key("keyRepeated", code); }
    void keyReleased(jint code) override { key("keyReleased", code); }
    void pointerPressed(jint x, jint y) override { point("pointerPressed", x, y); }
    void pointerDragged(jint x, jint y) override { point("pointerDragged", x, y); }
    void pointerReleased(jint x, jint y) override { point("pointerReleased", x, y); }
    void showNotify() override { say("showNotify"); }
    void hideNotify() override { say("hideNotify"); }

private:
    void point(const char* what, jint x, jint y) {
        say(std::string(what) + " " + std::to_string(x) + " " + std::to_string(y));
    }
};

class Frames : public virtual java::lang::Object, public virtual java::lang::Runnable {
    WREN_CLASS(Frames, java::lang::Object, (canvas, ProbeCanvas), (midlet, MIDlet))
public:
    void ctor(const VMPtr<ProbeCanvas>& c, const VMPtr<MIDlet>& m) {
        java::lang::Object::ctor();
        canvas = c;
        midlet = m;
    }
    void run() override {
        bool reported = false;
        try {
            while (midlet->state != MIDlet::DESTROYED) {
                VMPtr<Graphics> g = canvas->getGraphics();
                g->setColor(kFrameColour);
                g->fillRect(0, 0, canvas->getWidth(), canvas->getHeight());
                canvas->flushGraphics();
                if (!reported) say("frame: flushGraphics returned");
                reported = true;
                jint states = canvas->getKeyStates();
                if (states != 0) say("frame: keyStates " + std::to_string(states));
                java::lang::Thread::sleep(10);
            }
        } catch (java::lang::InterruptedException* caught) {
            VMPtr<java::lang::InterruptedException> stopped = caught;  // the program is ending
        }
    }
};

class ProbeMIDlet : public MIDlet {
    WREN_CLASS(ProbeMIDlet, MIDlet, (canvas, ProbeCanvas))
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {
        say("startApp");
        if (!canvas) {
            VMPtr<java::lang::String> suppress = getAppProperty(WREN_LIT("Probe-Suppress"));
            canvas = ProbeCanvas::make(VMPtr<MIDlet>(this), suppress && suppress->equals("true"));
            Display::getDisplay(this)->setCurrent(canvas);
            java::lang::Thread::make(Frames::make(canvas, VMPtr<MIDlet>(this)))->start();
        } else {
            Display::getDisplay(this)->setCurrent(canvas);
        }
    }
    void pauseApp() override { say("pauseApp"); }
    void destroyApp(jboolean unconditional) override {
        say(std::string("destroyApp ") + (unconditional ? "true" : "false"));
    }
};

// A canvas that paints nothing, shown by a MIDlet that starts no thread: the
// program has nothing to do but wait for input.
class IdleCanvas : public javax::microedition::lcdui::Canvas {
    WREN_CLASS(IdleCanvas, javax::microedition::lcdui::Canvas)
public:
    void ctor() { Canvas::ctor(); }
    void paint(const VMPtr<Graphics>&) override {}
    void showNotify() override { say("showNotify"); }
};

class IdleMIDlet : public MIDlet {
    WREN_CLASS(IdleMIDlet, MIDlet, (canvas, IdleCanvas))
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {
        say("startApp");
        if (!canvas) canvas = IdleCanvas::make();
        Display::getDisplay(this)->setCurrent(canvas);
    }
    void pauseApp() override { say("pauseApp"); }
    void destroyApp(jboolean unconditional) override {
        say(std::string("destroyApp ") + (unconditional ? "true" : "false"));
    }
};

// A class the application properties may name that is no MIDlet.
class NotAMIDlet : public virtual java::lang::Object {
    WREN_CLASS(NotAMIDlet, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wrentest::e2e

WREN_DEFINE_CLASS(wrentest::e2e::ProbeCanvas, "wrentest.e2e.ProbeCanvas")
WREN_DEFINE_CLASS(wrentest::e2e::Frames, "wrentest.e2e.Frames", java::lang::Runnable)
WREN_DEFINE_CLASS(wrentest::e2e::ProbeMIDlet, "wrentest.e2e.ProbeMIDlet")
WREN_DEFINE_CLASS(wrentest::e2e::IdleCanvas, "wrentest.e2e.IdleCanvas")
WREN_DEFINE_CLASS(wrentest::e2e::IdleMIDlet, "wrentest.e2e.IdleMIDlet")
WREN_DEFINE_CLASS(wrentest::e2e::NotAMIDlet, "wrentest.e2e.NotAMIDlet")
