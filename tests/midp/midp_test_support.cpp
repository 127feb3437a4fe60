#include "midp_test_support.h"

#include <stdlib.h>

#include <fstream>

#include "HAL_host.h"
#include "HAL_properties.h"
#include "HAL_window.h"
#include "VM.h"
#include "VMThread.h"
#include "ce_window.h"
#include "java_lang_Integer.h"
#include "javax_microedition_lcdui_Display.h"
#include "javax_microedition_midlet_MIDletStateChangeException.h"
#include "program_folder.h"

namespace midptest {

namespace {

const bool headless = (wrentest::forceHeadless(), true);

}  // namespace

void ensureHost() {
    (void)headless;
    if (HAL_getMainWindow()) return;
    HAL_Callbacks hooks{};
    hooks.post = &vmPostEvent;
    hooks.enter = &vmEnter;
    HAL_registerCallbacks(&hooks);
    ASSERT_EQ(HAL_createMainWindow(ce::moduleInstance(), u"wren-midp-tests", &hostWindowProc), 1);
}

std::vector<std::string>& log() {
    static std::vector<std::string> lines;
    return lines;
}

int post(jint kind, std::initializer_list<intptr_t> args) {
    std::vector<intptr_t> values(args);
    return HAL_postEvent(kind, jint(values.size()), values.empty() ? nullptr : values.data());
}

bool holds(java::lang::Object* monitor) {
    return monitor && monitor->monitorOwner_ == VMThread::current() && monitor->monitorCount_ > 0;
}

AppProperties::AppProperties(const std::string& text) {
    folder_ = wrentest::makeProgramFolder("/tmp/wren-midp-XXXXXX");
    std::ofstream(folder_ + "/properties/app.prop", std::ios::binary) << text;
    setenv("WREN_MODULE_DIR", folder_.c_str(), 1);
    PropertyFile_freeAll();
    HAL_initDeviceProperties();
}

AppProperties::~AppProperties() {
    PropertyFile_freeAll();
    unsetenv("WREN_MODULE_DIR");
    wrentest::removeFolder(folder_);
}

}  // namespace midptest

// --- probe classes -------------------------------------------------------------------

WREN_DEFINE_CLASS(wrentest::midp::ProbeCanvas, "wrentest.midp.ProbeCanvas")
WREN_DEFINE_CLASS(wrentest::midp::ProbeGameCanvas, "wrentest.midp.ProbeGameCanvas")
WREN_DEFINE_CLASS(wrentest::midp::ProbeListener, "wrentest.midp.ProbeListener",
                  javax::microedition::lcdui::CommandListener)
WREN_DEFINE_CLASS(wrentest::midp::ProbeMIDlet, "wrentest.midp.ProbeMIDlet")
WREN_DEFINE_CLASS(wrentest::midp::NotAMIDlet, "wrentest.midp.NotAMIDlet")

namespace wrentest::midp {

using javax::microedition::lcdui::Display;

void note(const std::string& line) {
    midptest::log().push_back(line);
}

int ProbeMIDlet::destroyBehaviour = 0;

void ProbeCanvas::ctor(const char* label) {
    Canvas::ctor();
    name = label;
}

void ProbeCanvas::locks() {
    displayLockHeld = midptest::holds(Display::displayLock().get());
    eventLockHeld = midptest::holds(Display::eventLock().get());
}

void ProbeCanvas::keyPressed(jint code) {
    note(name + " keyPressed " + std::to_string(code));
    if (throwOnKey) java::lang::RuntimeException::throwNew(WREN_LIT("key probe"));
}
void ProbeCanvas::keyRepeated(jint code) {
    note(name + " keyRepeated " + std::to_string(code));
}
void ProbeCanvas::keyReleased(jint code) {
    note(name + " keyReleased " + std::to_string(code));
}
void ProbeCanvas::pointerPressed(jint x, jint y) {
    note(name + " pointerPressed " + std::to_string(x) + " " + std::to_string(y));
}
void ProbeCanvas::pointerReleased(jint x, jint y) {
    note(name + " pointerReleased " + std::to_string(x) + " " + std::to_string(y));
}
void ProbeCanvas::pointerDragged(jint x, jint y) {
    note(name + " pointerDragged " + std::to_string(x) + " " + std::to_string(y));
}

void ProbeCanvas::paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) {
    note(name + " paint" + (g ? "" : " without graphics"));
}

void ProbeCanvas::showNotify() {
    locks();
    VMPtr<Display> display = Display::getDisplay(nullptr);
    currentDuringShow = display->getCurrent().get() == this;
    lastSetDuringShow = display->lastSet.get() == this && display->hasCurrent;
    note(name + " show");
    if (throwOnShow) java::lang::RuntimeException::throwNew(WREN_LIT("show probe"));
}

void ProbeCanvas::hideNotify() {
    locks();
    note(name + " hide");
}

void ProbeCanvas::sizeChanged(jint w, jint h) {
    note(name + " sizeChanged " + std::to_string(w) + " " + std::to_string(h));
}

void ProbeGameCanvas::keyPressed(jint code) {
    note("game keyPressed " + std::to_string(code));
}
void ProbeGameCanvas::keyReleased(jint code) {
    note("game keyReleased " + std::to_string(code));
}

void ProbeListener::commandAction(const VMPtr<javax::microedition::lcdui::Command>& c,
                                  const VMPtr<javax::microedition::lcdui::Displayable>& d) {
    auto* canvas = vmDowncast<ProbeCanvas>(vmObj(d.get()));
    note("command " + c->getLabel()->toUtf8() + " on " + (canvas ? canvas->name : "?") +
         (midptest::holds(Display::eventLock().get()) ? " under eventLock" : ""));
    if (throwInAction) java::lang::RuntimeException::throwNew(WREN_LIT("command probe"));
}

void ProbeMIDlet::destroyApp(jboolean unconditional) {
    note(std::string("destroyApp ") + (unconditional ? "true" : "false"));
    if (destroyBehaviour == 1) javax::microedition::midlet::MIDletStateChangeException::throwNew();
    if (destroyBehaviour == 2) java::lang::RuntimeException::throwNew();
}

}  // namespace wrentest::midp
