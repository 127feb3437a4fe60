#include "widgets_test_support.h"

#include "java_lang_Thread.h"
#include "runtime/wren_test_Task.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

WREN_DEFINE_CLASS(wrentest::widgets::WidgetMIDlet, "wrentest.widgets.WidgetMIDlet")
WREN_DEFINE_CLASS(wrentest::widgets::WidgetCanvas, "wrentest.widgets.WidgetCanvas")

namespace wrentest::widgets {

using wren::WrenCanvas;
using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;

void resetTouchInput() {
    PointerInputKeyManager::removeRegions(0);
    PointerInputKeyManager::Statics& keys = PointerInputKeyManager::S();
    keys.keyStates = nullptr;
    keys.keyStateIndex = nullptr;
    keys.keyStateCount = 0;
    keys.originX = keys.originY = 0;
    PointerInputEventManager::setEnabled(false);
    PointerInputEventManager::reset();
    PointerInputEventManager::setInputIgnored(false);
    PointerInputEventManager::setDeliverySuspended(false);
    PointerInputEventManager::Statics& events = PointerInputEventManager::S();
    events.areaX = events.areaY = events.areaWidth = events.areaHeight = 0;
    events.requestedWidth = events.requestedHeight = 0;
    events.originX = events.originY = 0;
    events.pointerDown = nullptr;
}

void WidgetTest::SetUp() {
    resetTouchInput();
    midlet = WidgetMIDlet::make();
    canvas = WidgetCanvas::make(midlet);
    // The canvas is never shown: its game thread waits for that, and ends
    // when told the application is exiting. The tests run its frames.
    VMPtr<java::lang::Thread> gameThread = WrenCanvas::S().gameThread;
    WrenCanvas::S().appState = WrenCanvas::APP_EXITING;
    wren::test::join(gameThread);
    WrenCanvas::S().instance = canvas.get();
    WrenCanvas::S().appState = WrenCanvas::APP_RUNNING;
    canvas->initTouchInput();
}

void WidgetTest::TearDown() { resetTouchInput(); }

std::vector<std::string> WidgetTest::keyCalls() {
    std::vector<std::string> calls = canvas->keyCalls;
    canvas->keyCalls.clear();
    return calls;
}

}  // namespace wrentest::widgets
