#include "main_CommonMIDlet.h"

#include "java_io_PrintStream.h"
#include "java_lang_System.h"
#include "javax_microedition_lcdui_Display.h"
#include "main_CommonCanvas.h"

WREN_DEFINE_CLASS(main::CommonMIDlet, "main.CommonMIDlet")

namespace main {

void CommonMIDlet::ctor() { MIDlet::ctor(); }

void CommonMIDlet::startApp() {
    if (canvas != nullptr) {
        canvas->showNotify();
        return;
    }
    VMPtr<CommonCanvas> gameCanvas = CommonCanvas::make(this);
    VMPtr<java::lang::String> trace = getAppProperty(WREN_LIT("Wren-Trace"));
    gameCanvas->trace = trace != nullptr && trace->equals("on");
    if (gameCanvas->trace) java::lang::System::S().out->println("startApp");
    canvas = gameCanvas;
    main = Main::make(gameCanvas);
    javax::microedition::lcdui::Display::getDisplay(this)->setCurrent(gameCanvas);
}

void CommonMIDlet::pauseApp() { canvas->hideNotify(); }

void CommonMIDlet::destroyApp(jboolean unconditional) {
    VMPtr<Main> mainObject = Main::S().instance;
    if (mainObject != nullptr) mainObject->releaseSound();
    Main::cleanUp();
    main = nullptr;
    canvas->interrupt(wren::WrenCanvas::EVENT_EXIT);
}

}  // namespace main
