// What the MIDP suites share: the host pieces the Display needs (a headless
// main window and the runtime's post hook, so that showing a displayable
// posts its display event as in the program), a log that probe classes
// write their callbacks to, and posting events as the host does.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "VMTypes.h"
#include "java_lang_RuntimeException.h"
#include "javax_microedition_lcdui_Canvas.h"
#include "javax_microedition_lcdui_CommandListener.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"
#include "javax_microedition_midlet_MIDlet.h"

namespace midptest {

// Once per process: the main window and the post hook.
void ensureHost();

// Callbacks in the order they ran.
std::vector<std::string>& log();

// Posts an event through the runtime's dispatcher as the host does; the
// dispatcher's result (2 when a listener threw).
int post(jint kind, std::initializer_list<intptr_t> args = {});

// Whether the current thread holds the object's monitor.
bool holds(java::lang::Object* monitor);

// Application properties from this text (a fresh temporary program folder).
class AppProperties {
public:
    explicit AppProperties(const std::string& text);
    ~AppProperties();

private:
    std::string folder_;
};

class MidpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureHost();
        log().clear();
    }
};

}  // namespace midptest

// --- probe classes: each callback writes a line to log() -------------------------------

namespace wrentest::midp {

void note(const std::string& line);

class ProbeCanvas : public javax::microedition::lcdui::Canvas {
    WREN_CLASS(ProbeCanvas, javax::microedition::lcdui::Canvas)
public:
    std::string name;
    bool throwOnShow = false;
    bool throwOnKey = false;
    // Which of the Display's monitors the last show or hide ran under.
    bool displayLockHeld = false;
    bool eventLockHeld = false;
    // Whether the Display named this canvas current during its last show.
    bool currentDuringShow = false;
    // Whether setCurrent had recorded this canvas before its show ran.
    bool lastSetDuringShow = false;

    void ctor(const char* label);
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    void keyPressed(jint code) override;
    void keyRepeated(jint code) override;
    void keyReleased(jint code) override;
    void pointerPressed(jint x, jint y) override;
    void pointerReleased(jint x, jint y) override;
    void pointerDragged(jint x, jint y) override;
    void showNotify() override;
    void hideNotify() override;
    void sizeChanged(jint w, jint h) override;

private:
    void locks();
};

class ProbeGameCanvas : public javax::microedition::lcdui::game::GameCanvas {
    WREN_CLASS(ProbeGameCanvas, javax::microedition::lcdui::game::GameCanvas)
public:
    void ctor(jboolean suppress) { GameCanvas::ctor(suppress); }
    void keyPressed(jint code) override;
    void keyReleased(jint code) override;
};

class ProbeListener : public virtual java::lang::Object,
                      public virtual javax::microedition::lcdui::CommandListener {
    WREN_CLASS(ProbeListener, java::lang::Object)
public:
    bool throwInAction = false;
    void ctor() { java::lang::Object::ctor(); }
    void commandAction(const VMPtr<javax::microedition::lcdui::Command>& c,
                       const VMPtr<javax::microedition::lcdui::Displayable>& d) override;
};

// Made by the application manager through its class record.
class ProbeMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(ProbeMIDlet, javax::microedition::midlet::MIDlet)
public:
    // What destroyApp does: 0 returns, 1 throws MIDletStateChangeException,
    // 2 throws RuntimeException.
    static int destroyBehaviour;
    void ctor() { MIDlet::ctor(); }
    void startApp() override { note("startApp"); }
    void pauseApp() override { note("pauseApp"); }
    void destroyApp(jboolean unconditional) override;
};

// A class that exists but is no MIDlet.
class NotAMIDlet : public virtual java::lang::Object {
    WREN_CLASS(NotAMIDlet, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wrentest::midp
