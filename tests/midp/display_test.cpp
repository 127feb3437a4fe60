// The Display: switching displayables (the order of hide and show, the locks
// they run under, alerts), and turning the host's events into the current
// displayable's callbacks.
#include <memory>

#include "HAL_graphics.h"
#include "HAL_surface.h"
#include "HAL_window.h"
#include "java_lang_Runnable.h"
#include "javax_microedition_lcdui_Alert.h"
#include "javax_microedition_lcdui_Display.h"
#include "midp_test_support.h"
#include "runtime/runtime_test_support.h"

using javax::microedition::lcdui::Alert;
using javax::microedition::lcdui::Command;
using javax::microedition::lcdui::Display;
using javax::microedition::lcdui::Displayable;
using midptest::log;
using midptest::post;
using wrentest::thrownName;
using wrentest::midp::ProbeCanvas;
using wrentest::midp::ProbeListener;
using Lines = std::vector<std::string>;

namespace {

class DisplayTest : public midptest::MidpTest {
protected:
    void SetUp() override {
        MidpTest::SetUp();
        display = Display::getDisplay(nullptr);
        post(2);  // in front, whatever an earlier test left
        log().clear();
    }
    void TearDown() override {
        // The window must not keep a display object the test frees.
        HAL_setWindowDisplayObject(nullptr);
        for (NativeDisplayable* n : natives) delete n;
    }
    VMPtr<ProbeCanvas> shown(const char* name) {
        VMPtr<ProbeCanvas> c = ProbeCanvas::make(name);
        display->setCurrent(c);
        log().clear();
        return c;
    }
    VMPtr<Alert> alert() {
        auto* native = new NativeDisplayable(0);
        natives.push_back(native);
        VMPtr<Alert> a = Alert::make(native);
        native->id = a->displayId();
        return a;
    }

    VMPtr<Display> display;
    std::vector<NativeDisplayable*> natives;
};

TEST_F(DisplayTest, SetCurrentCompletesTheSwitchBeforeItReturns) {
    VMPtr<ProbeCanvas> a = ProbeCanvas::make("a");
    VMPtr<ProbeCanvas> b = ProbeCanvas::make("b");
    display->setCurrent(a);
    EXPECT_EQ(log(), (Lines{"a show"}));
    EXPECT_TRUE(display->getCurrent() == a);
    display->setCurrent(b);
    EXPECT_EQ(log(), (Lines{"a show", "a hide", "b show"}));
    EXPECT_TRUE(display->getCurrent() == b);
    EXPECT_TRUE(b->isShown());
    EXPECT_FALSE(a->isShown());
    // Both notifications ran outside displayLock, as application callbacks.
    EXPECT_FALSE(a->displayLockHeld);
    EXPECT_TRUE(a->eventLockHeld);
    EXPECT_FALSE(b->displayLockHeld);
    EXPECT_TRUE(b->eventLockHeld);
    // The Display's fields were updated before the host was handed the
    // displayable; during the switch it names the one it switches to.
    EXPECT_TRUE(b->lastSetDuringShow);
    EXPECT_TRUE(b->currentDuringShow);
    EXPECT_EQ(HAL_getCurrentDisplayObject(), b->nativeDisplayable);
}

TEST_F(DisplayTest, TheCurrentDisplayableAgainNeitherHidesNorShows) {
    VMPtr<ProbeCanvas> a = shown("a");
    display->setCurrent(a);
    EXPECT_TRUE(log().empty());
    EXPECT_TRUE(display->getCurrent() == a);
}

TEST_F(DisplayTest, SetCurrentNullKeepsTheScreenAndClearsHasCurrent) {
    VMPtr<ProbeCanvas> a = shown("a");
    EXPECT_TRUE(display->hasCurrent);
    display->setCurrent(VMPtr<Displayable>(nullptr));
    EXPECT_FALSE(display->hasCurrent);
    EXPECT_TRUE(log().empty());
    EXPECT_TRUE(display->getCurrent() == a);
    EXPECT_EQ(HAL_getCurrentDisplayObject(), a->nativeDisplayable);
}

TEST_F(DisplayTest, AShowNotifyThatThrowsStillLeavesTheNewDisplayableCurrent) {
    shown("a");
    VMPtr<ProbeCanvas> b = ProbeCanvas::make("b");
    b->throwOnShow = true;
    display->setCurrent(b);  // the post reports the exception; nothing unwinds here
    EXPECT_TRUE(display->getCurrent() == b);
    EXPECT_EQ(display->pending, nullptr);
    log().clear();
    EXPECT_EQ(post(8, {-1}), 0);
    EXPECT_EQ(log(), (Lines{"b keyPressed -1"}));
}

TEST_F(DisplayTest, AnAlertRemembersWhatToShowAfterIt) {
    VMPtr<ProbeCanvas> a = shown("a");
    VMPtr<Alert> first = alert();
    display->setCurrent(first);
    EXPECT_TRUE(first->getNextDisplayable() == a);
    EXPECT_TRUE(display->getCurrent() == first);
    EXPECT_EQ(log(), (Lines{"a hide"}));
    // The same alert again is fine; another alert after an alert is not.
    EXPECT_EQ(thrownName([&] { display->setCurrent(first); }), "nothing");
    VMPtr<Alert> second = alert();
    EXPECT_EQ(thrownName([&] { display->setCurrent(second); }),
              "java.lang.IllegalArgumentException");
    EXPECT_TRUE(display->getCurrent() == first);
}

TEST_F(DisplayTest, SetCurrentWithAlertAndNextChecksBothArguments) {
    VMPtr<ProbeCanvas> a = ProbeCanvas::make("a");
    VMPtr<Alert> first = alert();
    VMPtr<Alert> other = alert();
    EXPECT_EQ(thrownName([&] { display->setCurrent(VMPtr<Alert>(nullptr), a); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { display->setCurrent(first, VMPtr<Displayable>(nullptr)); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { display->setCurrent(first, other); }),
              "java.lang.IllegalArgumentException");
    display->setCurrent(first, a);
    EXPECT_TRUE(first->getNextDisplayable() == a);
    EXPECT_TRUE(display->getCurrent() == first);
}

TEST_F(DisplayTest, PauseHidesAndResumeShowsTheCurrentDisplayableOnce) {
    VMPtr<ProbeCanvas> a = shown("a");
    post(1);
    EXPECT_FALSE(a->isShown());
    post(1);
    post(2);
    EXPECT_TRUE(a->isShown());
    post(2);
    EXPECT_EQ(log(), (Lines{"a hide", "a show"}));
}

TEST_F(DisplayTest, KeyAndPointerEventsReachTheCurrentDisplayable) {
    VMPtr<ProbeCanvas> a = shown("a");
    struct Case {
        jint kind;
        std::initializer_list<intptr_t> args;
        const char* line;
    } cases[] = {
        {8, {-1}, "a keyPressed -1"},
        {9, {-1}, "a keyReleased -1"},
        {10, {-5}, "a keyRepeated -5"},
        {11, {100, 120}, "a pointerPressed 100 120"},
        {13, {50, 60}, "a pointerDragged 50 60"},
        {12, {90, 91}, "a pointerReleased 90 91"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        log().clear();
        EXPECT_EQ(post(c.kind, c.args), 0);
        EXPECT_EQ(log(), (Lines{c.line}));
    }
    // An event without its arguments is dropped.
    log().clear();
    post(8);
    post(11, {5});
    EXPECT_TRUE(log().empty());
}

TEST_F(DisplayTest, AKeyEventWithNothingCurrentIsDropped) {
    if (display->getCurrent() != nullptr) GTEST_SKIP() << "a displayable is current already";
    EXPECT_EQ(post(8, {-1}), 0);
    EXPECT_EQ(post(11, {1, 2}), 0);
    EXPECT_TRUE(log().empty());
}

TEST_F(DisplayTest, AThrowingCallbackIsReportedToThePosterAndTheNextEventStillArrives) {
    VMPtr<ProbeCanvas> a = shown("a");
    a->throwOnKey = true;
    EXPECT_EQ(post(8, {-1}), 2);
    EXPECT_EQ(post(9, {-1}), 0);
    EXPECT_EQ(log(), (Lines{"a keyPressed -1", "a keyReleased -1"}));
    // The failed callback left eventLock free.
    EXPECT_FALSE(midptest::holds(Display::eventLock().get()));
}

TEST_F(DisplayTest, ASizeEventReachesTheDisplayableItNames) {
    VMPtr<ProbeCanvas> a = shown("a");
    VMPtr<ProbeCanvas> stranger = ProbeCanvas::make("stranger");
    post(6, {a->displayId(), 200, 100});
    post(6, {stranger->displayId(), 1, 1});  // not a displayable the Display holds
    post(6, {12345, 1, 1});
    EXPECT_EQ(log(), (Lines{"a sizeChanged 200 100"}));
}

TEST_F(DisplayTest, APaintEventPaintsThroughAGraphicsOverTheHostsContext) {
    VMPtr<ProbeCanvas> a = shown("a");
    std::unique_ptr<Surface> surface(Surface::createOpaque(8, 8));
    NativeGraphics* context = NativeGraphics_createOnSurface(surface.get());
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(post(7, {reinterpret_cast<intptr_t>(context), a->displayId()}), 0);
    EXPECT_EQ(log(), (Lines{"a paint"}));
    // A context for a displayable the Display does not hold is released
    // unpainted (the sanitizer build sees a leak or a double release).
    NativeGraphics* orphan = NativeGraphics_createOnSurface(surface.get());
    EXPECT_EQ(post(7, {reinterpret_cast<intptr_t>(orphan), 12345}), 0);
    EXPECT_EQ(log(), (Lines{"a paint"}));
}

TEST_F(DisplayTest, ACommandEventRunsTheListenerOfTheCurrentDisplayable) {
    VMPtr<ProbeCanvas> a = shown("a");
    VMPtr<Command> back = Command::make(WREN_LIT("Back"), Command::BACK, 1);
    VMPtr<Command> other = Command::make(WREN_LIT("Other"), Command::OK, 1);
    a->addCommand(back);
    post(15, {back->id()});  // no listener yet
    a->setCommandListener(ProbeListener::make());
    post(15, {back->id()});
    post(15, {other->id()});  // not among the displayable's commands
    a->removeCommand(back);
    post(15, {back->id()});
    EXPECT_EQ(log(), (Lines{"command Back on a under eventLock"}));
}

TEST_F(DisplayTest, AnExceptionFromCommandActionEndsTheProcess) {
    VMPtr<ProbeCanvas> a = shown("a");
    VMPtr<Command> back = Command::make(WREN_LIT("Back"), Command::BACK, 1);
    a->addCommand(back);
    VMPtr<ProbeListener> listener = ProbeListener::make();
    listener->throwInAction = true;
    a->setCommandListener(listener);
    EXPECT_EXIT(post(15, {back->id()}), ::testing::ExitedWithCode(1), "");
}

TEST_F(DisplayTest, ColoursBordersAndCapabilities) {
    const std::pair<jint, jint> colours[] = {{0, 0xFFFFFF}, {1, 0x000000}, {2, 0xFFFFFF},
                                             {3, 0x000000}, {4, 0xAFAFAF}, {5, 0x606060}};
    for (auto [specifier, colour] : colours) EXPECT_EQ(display->getColor(specifier), colour);
    EXPECT_EQ(thrownName([&] { display->getColor(6); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { display->getColor(-1); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(display->getBorderStyle(true), 0);
    EXPECT_EQ(display->getBorderStyle(false), 1);
    EXPECT_TRUE(display->isColor());
    EXPECT_EQ(display->numColors(), 65536);
    EXPECT_EQ(display->numAlphaLevels(), 32);
}

TEST_F(DisplayTest, VibrateAndFlashRefuseANegativeDurationAndOtherwiseAnswerNo) {
    EXPECT_EQ(thrownName([&] { display->vibrate(-1); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { display->flashBacklight(-1); }),
              "java.lang.IllegalArgumentException");
    EXPECT_FALSE(display->vibrate(0));
    EXPECT_FALSE(display->flashBacklight(100));
    post(1);  // in the background
    EXPECT_FALSE(display->vibrate(0));
    post(2);
}

class CountingRunnable : public virtual java::lang::Object, public virtual java::lang::Runnable {
    WREN_CLASS(CountingRunnable, java::lang::Object)
public:
    int runs = 0;
    void ctor() { java::lang::Object::ctor(); }
    void run() override { ++runs; }
};

TEST_F(DisplayTest, CallSeriallyAcceptsARunnableThatThisHostNeverRuns) {
    EXPECT_EQ(thrownName([&] { display->callSerially(nullptr); }),
              "java.lang.NullPointerException");
    VMPtr<CountingRunnable> r = CountingRunnable::make();
    display->callSerially(r);
    post(2);
    EXPECT_EQ(r->runs, 0);
}

TEST_F(DisplayTest, GetDisplayGivesTheOneDisplay) {
    EXPECT_TRUE(Display::getDisplay(nullptr) == display);
    EXPECT_EQ(
        thrownName([] {
            java::lang::Class::forName(WREN_LIT("javax.microedition.lcdui.Display"))->newInstance();
        }),
        "java.lang.IllegalAccessException");
}

}  // namespace

WREN_DEFINE_CLASS(CountingRunnable, "wrentest.midp.CountingRunnable", java::lang::Runnable)
