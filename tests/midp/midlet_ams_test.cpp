// The MIDlet's life-cycle states and the application manager: finding the
// MIDlet through "MIDlet-1", and turning pause, resume and destroy events
// into its callbacks in order with the Display's notifications.
#include "HAL_window.h"
#include "ce_window.h"
#include "com_nimbault_marl_AMS.h"
#include "javax_microedition_lcdui_Display.h"
#include "midp_test_support.h"
#include "runtime/runtime_test_support.h"

using com::nimbault::marl::AMS;
using javax::microedition::lcdui::Display;
using javax::microedition::midlet::MIDlet;
using midptest::AppProperties;
using midptest::log;
using midptest::post;
using wrentest::thrownBy;
using wrentest::thrownName;
using wrentest::midp::ProbeCanvas;
using wrentest::midp::ProbeMIDlet;
using Lines = std::vector<std::string>;

namespace {

class MIDletTest : public midptest::MidpTest {
protected:
    void SetUp() override {
        MidpTest::SetUp();
        ProbeMIDlet::destroyBehaviour = 0;
        // Whatever earlier tests left: the program in front, showing a
        // canvas of no interest.
        post(2);
        Display::getDisplay(nullptr)->setCurrent(ProbeCanvas::make("idle"));
        log().clear();
    }
    // The log without the idle canvas's lines.
    static Lines midletLog() {
        Lines lines;
        for (const std::string& l : log())
            if (l.rfind("idle ", 0) != 0) lines.push_back(l);
        return lines;
    }
    void TearDown() override { HAL_setWindowDisplayObject(nullptr); }
    // Loads the probe MIDlet as the program would; the log starts empty.
    VMPtr<MIDlet> loaded() {
        AppProperties props("MIDlet-1: Probe, , wrentest.midp.ProbeMIDlet\r\n");
        EXPECT_TRUE(AMS::loadMIDlet(1));
        log().clear();
        return AMS::currentMIDlet();
    }
};

TEST_F(MIDletTest, SetStateRefusesOnlyTheMovesTheLifeCycleForbids) {
    // refused[from] lists the states that a MIDlet in `from` may not move to.
    const std::vector<jint> refused[7] = {
        {4}, {2, 3}, {4}, {}, {}, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4, 5, 6},
    };
    VMPtr<ProbeMIDlet> m = ProbeMIDlet::make();
    EXPECT_EQ(m->state, MIDlet::LOADED);
    for (jint from = 0; from < 7; ++from) {
        for (jint to = 0; to < 7; ++to) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            m->state = from;
            bool refuse =
                std::find(refused[from].begin(), refused[from].end(), to) != refused[from].end();
            EXPECT_EQ(m->setState(to), !refuse);
            EXPECT_EQ(m->state, refuse ? from : to);
        }
    }
}

TEST_F(MIDletTest, TheClassNameIsTheTrimmedTextAfterTheSecondComma) {
    AppProperties props("MIDlet-1: Probe, /icon.png, \t wrentest.midp.ProbeMIDlet \t\r\n");
    EXPECT_TRUE(AMS::loadMIDlet(1));
    VMPtr<MIDlet> m = AMS::currentMIDlet();
    ASSERT_TRUE(m != nullptr);
    EXPECT_STREQ(m->getClass()->name, "wrentest.midp.ProbeMIDlet");
    EXPECT_EQ(m->state, MIDlet::ACTIVE);
    EXPECT_EQ(log(), (Lines{"startApp"}));
}

TEST_F(MIDletTest, PropertiesThatNameNoMIDlet) {
    struct Case {
        const char* props;
        const char* thrown;  // "nothing": loadMIDlet returns false instead
    } cases[] = {
        {"MIDlet-2: Probe, , wrentest.midp.ProbeMIDlet\r\n", "nothing"},
        {"MIDlet-1: \r\n", "nothing"},
        // One comma only: the whole value is taken as the class name.
        {"MIDlet-1: Probe, wrentest.midp.ProbeMIDlet\r\n", "java.lang.ClassNotFoundException"},
        {"MIDlet-1: Probe, , wrentest.midp.NotAMIDlet\r\n", "java.lang.InstantiationException"},
        {"MIDlet-1: Probe, , javax.microedition.midlet.MIDlet\r\n",
         "java.lang.InstantiationException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.props);
        AppProperties props(c.props);
        bool loaded = true;
        EXPECT_EQ(thrownName([&] { loaded = AMS::loadMIDlet(1); }), c.thrown);
        if (std::string(c.thrown) == "nothing") {
            EXPECT_FALSE(loaded);
        }
    }
    AppProperties props("MIDlet-1: Probe, , wrentest.midp.NotAMIDlet\r\n");
    VMPtr<java::lang::Throwable> t = thrownBy([] { AMS::loadMIDlet(1); });
    ASSERT_TRUE(t != nullptr);
    EXPECT_EQ(wrentest::text(t->getMessage()), "Class not a MIDlet");
    EXPECT_TRUE(log().empty());
}

TEST_F(MIDletTest, TheStartUpEntryEndsTheProgramWithoutAMIDlet) {
    AppProperties props("MIDlet-Name: nothing to start\r\n");
    EXPECT_EXIT(AMS::main(nullptr), ::testing::ExitedWithCode(1), "");
}

TEST_F(MIDletTest, EventsBeforeAnyMIDletChangeNothing) {
    if (AMS::currentMIDlet() != nullptr) GTEST_SKIP() << "a MIDlet is loaded already";
    post(2);
    post(1);
    post(3);
    EXPECT_TRUE(midletLog().empty());
}

TEST_F(MIDletTest, PauseResumeAndDestroyDriveTheCallbacksOnce) {
    VMPtr<MIDlet> m = loaded();
    post(1);
    post(1);
    EXPECT_EQ(m->state, MIDlet::PAUSED);
    post(2);
    post(2);
    EXPECT_EQ(m->state, MIDlet::ACTIVE);
    post(3);
    post(3);
    post(2);
    EXPECT_EQ(m->state, MIDlet::DESTROYED);
    EXPECT_EQ(midletLog(), (Lines{"pauseApp", "startApp", "destroyApp true"}));
}

TEST_F(MIDletTest, ADestroyWhilePausedCallsDestroyApp) {
    VMPtr<MIDlet> m = loaded();
    post(1);
    post(3);
    EXPECT_EQ(midletLog(), (Lines{"pauseApp", "destroyApp true"}));
    EXPECT_EQ(m->state, MIDlet::DESTROYED);
}

TEST_F(MIDletTest, NotifyDestroyedAsksTheHostToExitAndTheDestroyEventCallsNothing) {
    VMPtr<MIDlet> m = loaded();
    m->notifyDestroyed();
    EXPECT_EQ(m->state, MIDlet::DESTROYED);
    ce::MSG message{};
    ASSERT_TRUE(ce::PeekMessageW(&message, HAL_getMainWindow(), ce::WM_USER + 1, ce::WM_USER + 1,
                                 ce::PM_REMOVE));
    post(3);
    EXPECT_TRUE(midletLog().empty());
}

TEST_F(MIDletTest, DestroyAppRefusingStillEndsDestroyedButAnotherExceptionDoesNot) {
    VMPtr<MIDlet> m = loaded();
    ProbeMIDlet::destroyBehaviour = 1;
    EXPECT_EQ(post(3), 0);
    EXPECT_EQ(m->state, MIDlet::DESTROYED);

    m = loaded();
    ProbeMIDlet::destroyBehaviour = 2;
    EXPECT_EQ(post(3), 2);
    EXPECT_EQ(m->state, MIDlet::DESTROYING);
    EXPECT_EQ(post(3), 0);  // refused: destroyApp is not run again
    EXPECT_EQ(midletLog(), (Lines{"destroyApp true"}));
}

TEST_F(MIDletTest, ResumeStartsTheMIDletBeforeTheDisplayShowsAndPauseHidesBeforePausing) {
    VMPtr<MIDlet> m = loaded();
    VMPtr<ProbeCanvas> a = ProbeCanvas::make("a");
    Display::getDisplay(nullptr)->setCurrent(a);
    log().clear();
    post(1);
    EXPECT_EQ(log(), (Lines{"a hide", "pauseApp"}));
    log().clear();
    post(2);
    EXPECT_EQ(log(), (Lines{"startApp", "a show"}));
}

TEST_F(MIDletTest, PlatformRequestStoresTheURLAndSaysTheMIDletMustExit) {
    VMPtr<MIDlet> m = ProbeMIDlet::make();
    EXPECT_EQ(thrownName([&] { m->platformRequest(nullptr); }), "java.lang.NullPointerException");
    EXPECT_TRUE(m->platformRequest(WREN_LIT("http://example.com/")));
    EXPECT_TRUE(m->platformRequest(WREN_LIT("")));
}

TEST_F(MIDletTest, AppPropertiesAreReadThroughTheApplicationManager) {
    AppProperties props("MIDlet-Name: Wren\r\nEmpty: \r\n");
    VMPtr<MIDlet> m = ProbeMIDlet::make();
    EXPECT_EQ(wrentest::text(m->getAppProperty(WREN_LIT("MIDlet-Name"))), "Wren");
    EXPECT_EQ(m->getAppProperty(WREN_LIT("Missing")), nullptr);
    EXPECT_EQ(m->getAppProperty(WREN_LIT("Empty")), nullptr);
}

}  // namespace
