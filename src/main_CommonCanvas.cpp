#include "main_CommonCanvas.h"

#include "java_io_PrintStream.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "main_Main.h"

WREN_DEFINE_CLASS(main::CommonCanvas, "main.CommonCanvas")

namespace main {

namespace {

void traceLine(const char* text, jint value, const char* tail) {
    VMPtr<java::lang::StringBuffer> line = java::lang::StringBuffer::make();
    line->append(java::lang::String::make(text));
    line->append(value);
    if (*tail) line->append(java::lang::String::make(tail));
    java::lang::System::S().out->println(line->toString());
}

}  // namespace

void CommonCanvas::ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) {
    WrenCanvas::ctor(owner);
    closing = false;
}

void CommonCanvas::update() {
    if (closing) return;
    updateKeys();
    if (trace && getFrameTime() != tracedFrameTime) {
        tracedFrameTime = getFrameTime();
        traceLine("frame time ", tracedFrameTime, " ms");
    }
    Main::S().instance->update();
}

void CommonCanvas::paintGame(const VMPtr<javax::microedition::lcdui::Graphics>& g) {
    if (!closing) Main::S().instance->paint(g);
}

void CommonCanvas::onEvent(jint code) {
    if (trace) traceLine("onEvent ", code, "");
    Main::Statics& m = Main::S();
    switch (code) {
        case EVENT_STARTED:
            setDesiredFrameTime(FRAME_TIME);
            closing = false;
            break;
        case EVENT_PAUSED:
            m.instance->onPause();
            break;
        case EVENT_RESUMED:
            m.redrawBackground = true;
            m.instance->onResume();
            break;
        case EVENT_EXIT:
            closing = true;
            // A main object whose construction failed leaves none.
            if (m.instance != nullptr) m.instance->releaseSound();
            Main::cleanUp();
            break;
        case EVENT_SIZE_CHANGED:
            m.redrawBackground = true;
            break;
        case EVENT_RESUME_COMPLETE:
            m.instance->onResumeComplete();
            break;
        default:
            break;
    }
    WrenCanvas::onEvent(code);
}

}  // namespace main
