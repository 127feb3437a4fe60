// The game thread on the hand clock: it starts with the first show, runs
// frames only while shown, turns pause and resume requests into the events
// 1, 2 and 5 with the resume held back 750 ms, and ends on exit from
// wherever it waits.
#include "framework_test_support.h"
#include "runtime/wren_test_Task.h"
#include "java_lang_Runnable.h"
#include "java_lang_Thread.h"
#include "wren_input_PointerInputEventManager.h"

namespace wrentest::framework {
namespace {

using java::lang::Thread;
using wren::test::Task;
using javax::microedition::midlet::MIDlet;
using wren::WrenCanvas;
using Codes = std::vector<jint>;

class GameLoopTest : public RunningCanvasTest {
protected:
    // Moves the clock `total` ms on in steps of `step`, settling after each.
    void advanceBy(jlong total, jlong step) {
        for (jlong done = 0; done < total; done += step) advance(step);
    }
    // Starts the game: shown, then the start-up poll ends.
    void start() {
        show();
        advance(50);
        ASSERT_EQ(canvas->eventCodes(), Codes{0});
    }
    jlong timeOf(jint code) {
        for (const Event& e : canvas->events)
            if (e.code == code) return e.time;
        return -1;
    }
};

TEST_F(GameLoopTest, NothingRunsBeforeTheFirstShowThenEventZeroAndFramesFollow) {
    advanceBy(1000, 50);
    EXPECT_TRUE(canvas->events.empty());
    EXPECT_EQ(canvas->updates, 0);
    EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_CONSTRUCTED);

    // The show that releases the game is no resume request.
    show();
    EXPECT_TRUE(canvas->events.empty());
    advance(50);
    EXPECT_EQ(canvas->events, (std::vector<Event>{{0, 2050}}));
    EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_RUNNING);
    // Frames run until the frame timer sleeps on the hand clock.
    EXPECT_GT(canvas->updates, 0);
    EXPECT_EQ(canvas->paints, canvas->updates);
    EXPECT_EQ(canvas->flushes, canvas->updates);
    int updates = canvas->updates;
    advanceBy(200, 10);
    EXPECT_GT(canvas->updates, updates);
    EXPECT_EQ(canvas->eventCodes(), Codes{0});
}

// Every pause and resume request is answered with 1, then 2 and 5 once the
// canvas is shown and at least 750 ms have passed since the last request,
// checked every 250 ms.
struct ResumeCase {
    const char* name;
    bool hideFirst;  // a pause request before the resume request
    jlong gap;       // ms between the two
};

class ResumeRule : public GameLoopTest, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(ResumeRule, ResumeComesNoSoonerThan750MsAfterTheRequest) {
    const ResumeCase& c = GetParam();
    start();
    if (c.hideFirst) {
        hide();
        advanceBy(c.gap, 10);
        EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1}));
    }
    show();
    jlong request = clock->now;
    // Step by step up to just before the rule allows the resume.
    while (clock->now + 10 < request + WrenCanvas::RESUME_SETTLE_MS) {
        advance(10);
        ASSERT_EQ(canvas->eventCodes(), (Codes{0, 1})) << "at +" << clock->now - request;
    }
    advanceBy(300, 10);
    ASSERT_EQ(canvas->eventCodes(), (Codes{0, 1, 2, 5}));
    jlong resumed = timeOf(2);
    EXPECT_GE(resumed - request, WrenCanvas::RESUME_SETTLE_MS);
    EXPECT_LT(resumed - request, WrenCanvas::RESUME_SETTLE_MS + 250);
    EXPECT_EQ(timeOf(5), resumed);
    EXPECT_EQ(canvas->lifecycleState, WrenCanvas::LIFECYCLE_RUNNING);
    // Frames go on after it.
    int updates = canvas->updates;
    advanceBy(50, 10);
    EXPECT_GT(canvas->updates, updates);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ResumeRule,
    ::testing::Values(ResumeCase{"HideThenShowWithin100Ms", true, 50},
                      ResumeCase{"ShowWithNoHideBeforeIt", false, 0},
                      ResumeCase{"HideAndShowASecondLater", true, 1000}),
    [](const ::testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

TEST_F(GameLoopTest, AHiddenCanvasRunsNoFramesAndStartsTheTimerAfreshWhenShown) {
    start();
    std::vector<jint> frameTimes;
    canvas->onUpdate = [&](TestCanvas& c) { frameTimes.push_back(c.getFrameTime()); };
    hide();
    advance(10);
    int updates = canvas->updates;
    int paints = canvas->paints;
    advanceBy(2000, 50);
    EXPECT_EQ(canvas->updates, updates);
    EXPECT_EQ(canvas->paints, paints);
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1}));  // once, and nothing after it

    frameTimes.clear();
    show();
    advanceBy(1000, 50);
    ASSERT_EQ(canvas->eventCodes(), (Codes{0, 1, 2, 5}));
    ASSERT_FALSE(frameTimes.empty());
    // Two seconds hidden do not make a long frame: the first frame after it
    // reports the target.
    EXPECT_EQ(frameTimes.front(), canvas->targetFrameTime);
}

// A resume requested while the canvas is hidden waits for the show; the
// 750 ms run from the request, so a long hidden spell resumes at once.
TEST_F(GameLoopTest, AResumeRequestedWhileHiddenWaitsForTheShow) {
    start();
    hide();
    advance(10);
    canvas->showNotify();  // the request, the canvas still hidden
    advanceBy(1000, 50);
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1}));
    EXPECT_EQ(clock->sleeps.back(), 50);  // polling for the show
    canvas->visible = true;
    advance(50);
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1, 2, 5}));
}

// An exit that comes while the game waits hidden for a resume ends the game
// thread instead of leaving it waiting for a show that never comes.
TEST_F(GameLoopTest, AnExitWhileHiddenWithAResumePendingEndsTheGameThread) {
    start();
    hide();
    advance(10);
    canvas->showNotify();  // resume pending, still hidden
    advanceBy(200, 50);
    ASSERT_EQ(clock->sleeps.back(), 50);
    canvas->interrupt(WrenCanvas::EVENT_EXIT);  // as the MIDlet's destroyApp does
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1, 3}));
    EXPECT_EQ(midlet->getState(), MIDlet::DESTROYED);
    // The wait ends at its next poll; the pass it was in sleeps its hidden
    // spell out, and the next one leaves.
    advance(50);
    EXPECT_EQ(clock->sleeps.back(), 100);
    advance(100);
    EXPECT_FALSE(gameThreadAlive());
    // It left through the loop's shutdown.
    EXPECT_TRUE(WrenCanvas::S().instance == nullptr);
    EXPECT_FALSE(wren::input::PointerInputEventManager::isEnabled());
}

TEST_F(GameLoopTest, AnExitWhileWaitingOutTheSettleTimeEndsTheGameThread) {
    start();
    show();
    advance(10);
    ASSERT_EQ(clock->sleeps.back(), 250);
    canvas->interrupt(WrenCanvas::EVENT_EXIT);
    advance(250);
    EXPECT_FALSE(gameThreadAlive());
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 1, 3}));
}

TEST_F(GameLoopTest, AnExitBeforeTheFirstShowEndsTheGameThread) {
    canvas->interrupt(WrenCanvas::EVENT_EXIT);
    advance(50);
    EXPECT_FALSE(gameThreadAlive());
    EXPECT_EQ(canvas->eventCodes(), Codes{3});
    EXPECT_EQ(canvas->updates, 0);
}

TEST_F(GameLoopTest, AnExitDuringUpdateEndsTheThreadBeforeThatFramePaints) {
    start();
    canvas->onUpdate = [](TestCanvas& c) { c.interrupt(WrenCanvas::EVENT_EXIT); };
    int paints = canvas->paints;
    advanceBy(20, 10);
    EXPECT_FALSE(gameThreadAlive());
    EXPECT_EQ(canvas->paints, paints);
    EXPECT_EQ(canvas->flushes, paints);
    EXPECT_EQ(midlet->getState(), MIDlet::DESTROYED);
    // This way out skips the loop's shutdown.
    EXPECT_TRUE(WrenCanvas::S().instance == canvas);
}

TEST_F(GameLoopTest, ASecondExitRequestDoesNothing) {
    start();
    canvas->interrupt(WrenCanvas::EVENT_EXIT);
    canvas->interrupt(WrenCanvas::EVENT_EXIT);
    canvas->onEvent(WrenCanvas::EVENT_EXIT);
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 3, 3}));  // the direct call only
    EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_EXITING);
    EXPECT_TRUE(WrenCanvas::S().gameThread == nullptr);
    advance(10);
    EXPECT_FALSE(gameThreadAlive());
}

// The bridge asks the application to end before it opens a URL: the
// request exits the game. A refused request (no URL) is false and leaves
// the game running.
TEST_F(GameLoopTest, APlatformRequestExitsWhenThePlatformNeedsTheAppGone) {
    start();
    EXPECT_FALSE(canvas->platformRequest(nullptr));
    EXPECT_EQ(canvas->eventCodes(), (Codes{0}));
    EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_RUNNING);
    EXPECT_TRUE(canvas->platformRequest(WREN_LIT("http://example.invalid/")));
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 3}));
    EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_EXITING);
}

TEST_F(GameLoopTest, ASizeChangeWhileHiddenIsReportedBeforeThePause) {
    start();
    hide();
    canvas->width = 320;
    canvas->height = 240;
    canvas->sizeChanged(320, 240);
    advance(10);
    EXPECT_EQ(canvas->eventCodes(), (Codes{0, 4, 1}));
    EXPECT_EQ(canvas->getScreenWidth(), 320);
    EXPECT_EQ(canvas->getScreenHeight(), 240);
    EXPECT_EQ(canvas->getGameAreaWidth(), 320);
}

TEST_F(GameLoopTest, OtherRequestKindsReachOnEventOnTheCallersThread) {
    canvas->interrupt(42);
    EXPECT_EQ(canvas->eventCodes(), Codes{42});
    show();
    advance(50);
    canvas->interrupt(-1);
    EXPECT_EQ(canvas->eventCodes(), (Codes{42, 0, -1}));
}

TEST_F(GameLoopTest, QueuedWorkRunsOnTheGameThreadAtItsNextFrame) {
    start();
    std::vector<std::string> ran;
    VMPtr<Task> inner = Task::make([&] { ran.push_back("queued by queued work"); });
    VMPtr<Task> outer = Task::make([&] {
        ran.push_back(Thread::currentThread() == gameThread ? "on the game thread"
                                                                  : "elsewhere");
        canvas->queueRunnable(inner);
    });
    canvas->queueRunnable(outer);
    EXPECT_TRUE(ran.empty());
    int updates = canvas->updates;
    advance(10);
    // Both ran before the next update, the second in the same pass.
    EXPECT_EQ(ran, (std::vector<std::string>{"on the game thread", "queued by queued work"}));
    EXPECT_GT(canvas->updates, updates);
    EXPECT_FALSE(canvas->runnablesPending);
}

}  // namespace
}  // namespace wrentest::framework
