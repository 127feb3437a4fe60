#include "framework_test_support.h"

#include "runtime/wren_test_Task.h"
#include "touch_input.h"

WREN_DEFINE_CLASS(wrentest::framework::ManualClock, "wrentest.framework.ManualClock")
WREN_DEFINE_CLASS(wrentest::framework::TestMIDlet, "wrentest.framework.TestMIDlet")
WREN_DEFINE_CLASS(wrentest::framework::TestCanvas, "wrentest.framework.TestCanvas")

namespace wrentest::framework {

using java::lang::Thread;
using javax::microedition::lcdui::Graphics;
using wren::WrenCanvas;

void ManualClock::ctor(jlong start, jboolean blocks) {
    GameClock::ctor();
    now = start;
    blocking = blocks;
    sleepingUntil = -1;
}

jlong ManualClock::currentTimeMillis() { return now; }

void ManualClock::sleep(jint millis) {
    VMSynchronized guard(this);
    sleeps.push_back(millis);
    if (!blocking) {
        now += millis;
        return;
    }
    jlong wake = now + millis;
    sleepingUntil = wake;
    while (blocking && now < wake) wait();
    sleepingUntil = -1;
}

void ManualClock::advance(jlong millis) {
    VMSynchronized guard(this);
    now += millis;
    notifyAll();
}

void TestCanvas::update() {
    ++updates;
    if (onUpdate) onUpdate(*this);
}

void TestCanvas::paintGame(const VMPtr<Graphics>& g) {
    ++paints;
    if (onPaint) onPaint(g);
}

void TestCanvas::onEvent(jint code) {
    events.push_back({code, wren::GameClock::get()->currentTimeMillis()});
    WrenCanvas::onEvent(code);
}

std::vector<jint> TestCanvas::eventCodes() const {
    std::vector<jint> codes;
    for (const Event& e : events) codes.push_back(e.code);
    return codes;
}

void RunningCanvasTest::SetUp() {
    resetTouchInput();
    clock = ManualClock::make(1000, true);
    wren::GameClock::set(clock);
    midlet = TestMIDlet::make();
    canvas = makeCanvas(midlet);
    gameThread = WrenCanvas::S().gameThread;
    settle();
}

void RunningCanvasTest::TearDown() {
    stopGameThread();
    wren::GameClock::set(nullptr);
    resetTouchInput();
}

void RunningCanvasTest::settle() {
    wren::test::yieldUntil(
        [&] { return clock->sleepingUntil > clock->now || !gameThread->isAlive(); });
}

void RunningCanvasTest::advance(jlong millis) {
    clock->advance(millis);
    settle();
}

void RunningCanvasTest::show() {
    canvas->visible = true;
    canvas->showNotify();
}

void RunningCanvasTest::hide() {
    canvas->visible = false;
    canvas->hideNotify();
}

void RunningCanvasTest::stopGameThread() {
    // The hooks may hold what a test body had: the frame in progress must not
    // reach it once the body has ended.
    canvas->onUpdate = nullptr;
    canvas->onPaint = nullptr;
    if (!gameThread->isAlive()) return;
    WrenCanvas::S().appState = WrenCanvas::APP_EXITING;
    {
        VMSynchronized guard(clock);
        clock->blocking = false;
        clock->notifyAll();
    }
    wren::test::join(gameThread);
}

void CanvasTest::SetUp() {
    RunningCanvasTest::SetUp();
    stopGameThread();
    WrenCanvas::S().instance = canvas.get();
    clock->sleeps.clear();
}

}  // namespace wrentest::framework
