// The frame timer on a hand clock whose sleeps move the time: the slack
// account and its first sleep, convergence on the target, the limits the
// desired time and the cap give, a clock going backwards, resets; and the
// deferred work a frame delivers.
#include "VMClock.h"
#include "framework_test_support.h"
#include "java_lang_System.h"

namespace wrentest::framework {
namespace {

using wren::WrenCanvas;

class FrameTimerTest : public CanvasTest {
protected:
    struct Frame {
        jint sleep;  // what the timer slept, 0 for nothing
        jint slack;  // the account after the frame
        jint frameTime;
    };
    // A frame whose work took `work` ms on the clock.
    Frame frame(jint work) {
        clock->now += work;
        size_t before = clock->sleeps.size();
        canvas->frameTimer();
        jint slept = clock->sleeps.size() > before ? clock->sleeps.back() : 0;
        return {slept, canvas->frameSlack, canvas->getFrameTime()};
    }
    // Starts the timer afresh, as the first frame after start-up does.
    void restart() {
        canvas->resetFrameTimer();
        Frame first = frame(0);
        ASSERT_EQ(first.sleep, 0);
    }
};

TEST_F(FrameTimerTest, ShortFramesBuildSlackUntilTheSixthFrameSleepsAnEighthOfIt) {
    restart();
    // Defaults: target 10. 2 ms of work owes 8 ms a frame; slack of 40 or
    // less never sleeps.
    const Frame expected[] = {
        {0, 8, 10}, {0, 16, 10}, {0, 24, 10}, {0, 32, 10}, {0, 40, 10},
        // 48 + the 2 ms spent = 50, an eighth of it slept, the 8 ms since the
        // last frame paid off.
        {6, 42, 10},
        {6, 44, 10},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        Frame f = frame(2);
        EXPECT_EQ(f.sleep, expected[i].sleep);
        EXPECT_EQ(f.slack, expected[i].slack);
        EXPECT_EQ(f.frameTime, expected[i].frameTime);
    }
    // It settles on the target: 2 ms of work and 8 ms of sleep a frame.
    for (int i = 0; i < 100; ++i) frame(2);
    for (int i = 0; i < 20; ++i) {
        jlong start = clock->now;
        Frame f = frame(2);
        EXPECT_EQ(f.sleep, 8);
        EXPECT_EQ(clock->now - start, 10);
    }
}

TEST_F(FrameTimerTest, LongFramesNeitherSleepNorReportMoreThanTheMaximum) {
    restart();
    struct Case {
        jint work, sleep, slack, frameTime;
    };
    const Case cases[] = {
        {400, 0, 0, 100},  // owes nothing, reported at the maximum
        {10, 0, 0, 10},
        {37, 0, 0, 37},
        {100, 0, 0, 100},
        {101, 0, 0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.work);
        Frame f = frame(c.work);
        EXPECT_EQ(f.sleep, c.sleep);
        EXPECT_EQ(f.slack, c.slack);
        EXPECT_EQ(f.frameTime, c.frameTime);
    }
}

TEST_F(FrameTimerTest, DesiredTimeAndCapGiveTheTargetAndTheMaximum) {
    struct Case {
        jint desired, cap, target, maximum;
    };
    const Case cases[] = {
        {10, 100, 10, 100}, {40, 100, 40, 100}, {0, 100, 0, 100},  {-5, 100, 0, 100},
        {200, 100, 100, 200}, {100, 200, 100, 200}, {0, 0, 0, 1}, {-5, -7, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.desired) + " capped at " + std::to_string(c.cap));
        canvas->setFrameTimeCap(c.cap);
        canvas->setDesiredFrameTime(c.desired);
        EXPECT_EQ(canvas->desiredFrameTime, c.desired);
        EXPECT_EQ(canvas->frameTimeCap, c.cap);
        EXPECT_EQ(canvas->targetFrameTime, c.target);
        EXPECT_EQ(canvas->maxFrameTime, c.maximum);
    }
}

TEST_F(FrameTimerTest, WithATargetOfZeroTheTimerNeverSleepsAndReportsWhatFramesTook) {
    canvas->setDesiredFrameTime(0);
    restart();
    const jint work[] = {0, 3, 150, 60, 1};
    const jint reported[] = {0, 3, 100, 60, 1};
    for (size_t i = 0; i < std::size(work); ++i) {
        SCOPED_TRACE(work[i]);
        Frame f = frame(work[i]);
        EXPECT_EQ(f.sleep, 0);
        EXPECT_EQ(f.slack, 0);
        EXPECT_EQ(f.frameTime, reported[i]);
    }
    Frame back = frame(-5);
    EXPECT_EQ(back.sleep, 0);
    EXPECT_EQ(back.frameTime, 0);
}

// A clock that runs backwards counts the frame as the target and owes it
// whole, at most 250 ms a frame.
TEST_F(FrameTimerTest, AClockGoingBackwardsOwesTheTarget) {
    restart();
    Frame f = frame(-30);
    EXPECT_EQ(f.sleep, 0);
    EXPECT_EQ(f.slack, 10);
    EXPECT_EQ(f.frameTime, 10);

    canvas->setFrameTimeCap(600);
    canvas->setDesiredFrameTime(300);
    restart();
    f = frame(-30);
    // Owed 300, taken as 250: an eighth of it slept; 31 ms of sleep less the
    // 30 the clock went back is 1 ms since the last frame.
    EXPECT_EQ(f.sleep, 31);
    EXPECT_EQ(f.slack, 249);
    EXPECT_EQ(f.frameTime, 300);
}

TEST_F(FrameTimerTest, AResetReportsTheTargetAtOnceAndTheNextFrameDoesNotSleep) {
    restart();
    for (int i = 0; i < 50; ++i) frame(2);
    ASSERT_GT(canvas->frameSlack, 40);
    canvas->setDesiredFrameTime(40);
    canvas->resetFrameTimer();
    EXPECT_EQ(canvas->getFrameTime(), 40);
    Frame f = frame(2);
    EXPECT_EQ(f.sleep, 0);
    EXPECT_EQ(f.slack, 0);
    EXPECT_EQ(f.frameTime, 40);
}

// On the runtime's clock the frame clock is System.currentTimeMillis, which
// carries the wraps of the device's 32-bit counter: it keeps counting up.
TEST_F(FrameTimerTest, TheRuntimesClockKeepsCountingAcrossTheCountersWrap) {
    static uint32_t ticks;
    VMClockBase saved = vmClockBase();
    vmClockBase() = VMClockBase{};
    VMTickSource previous = vmSetTickSource([] { return ticks; });
    wren::GameClock::set(nullptr);

    ticks = 0xFFFFFFFFu - 3;
    jlong before = WrenCanvas::tickTime();
    canvas->resetFrameTimer();
    canvas->frameTimer();
    ticks += 10;  // wraps to 6
    jlong after = WrenCanvas::tickTime();
    canvas->frameTimer();
    EXPECT_EQ(after - before, 10);
    EXPECT_EQ(canvas->getFrameTime(), 10);
    EXPECT_EQ(canvas->lastFrameStamp, after);
    EXPECT_EQ(after, java::lang::System::currentTimeMillis());

    vmSetTickSource(previous);
    vmClockBase() = saved;
}

// Deferred work: a network result is delivered once per frame, the latest
// one only, an empty array as null.
TEST_F(FrameTimerTest, NetworkResultsAreDeliveredOnceAndTheLatestWins) {
    VMPtr<VMArray<jbyte>> empty = VMArray<jbyte>::create(0);
    VMPtr<VMArray<jbyte>> three = VMArray<jbyte>::create(3);
    canvas->processDeferred();
    EXPECT_TRUE(canvas->networkResults.empty());
    canvas->setNetworkResult(200, three);
    canvas->setNetworkResult(-2, empty);
    canvas->processDeferred();
    canvas->processDeferred();
    EXPECT_EQ(canvas->networkResults, (std::vector<std::pair<jint, jint>>{{-2, -1}}));
    EXPECT_TRUE(canvas->networkResultData == nullptr);

    canvas->setNetworkResult(200, three);
    canvas->clearNetworkResult();
    canvas->processDeferred();
    canvas->setNetworkResult(201, three);
    canvas->processDeferred();
    EXPECT_EQ(canvas->networkResults,
              (std::vector<std::pair<jint, jint>>{{-2, -1}, {201, 3}}));
}

}  // namespace
}  // namespace wrentest::framework
