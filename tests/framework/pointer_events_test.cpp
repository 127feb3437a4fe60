// The pointer event queue: game-area coordinates, the active rectangle and
// its clamped releases, repaired press/drag/release sequences, the ring of 20
// and what its overflow discards, suspended delivery, and the filters that
// drop events.
#include "framework_test_support.h"
#include "wren_input_PointerInputEventManager.h"

namespace wrentest::framework {
namespace {

using Manager = wren::input::PointerInputEventManager;
using Lines = std::vector<std::string>;

constexpr jbyte P = Manager::PRESSED;
constexpr jbyte D = Manager::DRAGGED;
constexpr jbyte R = Manager::RELEASED;

std::string line(jint kind, jint x, jint y) {
    const char* names[] = {"?", "press", "drag", "release"};
    return std::string(kind >= 1 && kind <= 3 ? names[kind] : names[0]) + " " +
           std::to_string(x) + "," + std::to_string(y);
}

class PointerEventsTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        // Time offsets count from here, as from a start on this clock.
        Manager::S().startTime = clock->now - 5;
        Manager::init();
        Manager::refreshArea();
        Manager::setEnabled(true);
    }
    void event(jbyte kind, jint x, jint y, jlong time = 0) {
        Manager::onPointerEvent(0, x, y, kind, time);
    }
    // Every queued event, taken in order.
    Lines drain() {
        Lines out;
        while (Manager::nextEvent())
            out.push_back(line(Manager::getEventKind(), Manager::getEventX(), Manager::getEventY()));
        return out;
    }
};

// Scripted sequences inside a 100 by 50 rectangle at (10, 20).
TEST_F(PointerEventsTest, SequencesAreRepairedAndKeptInsideTheActiveRectangle) {
    struct Step {
        jbyte kind;
        jint x, y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Lines queued;
    };
    const Case cases[] = {
        {"a touch inside", {{P, 10, 20}, {D, 50, 40}, {R, 109, 69}},
         {"press 10,20", "drag 50,40", "release 109,69"}},
        {"the right and bottom edges are outside", {{P, 110, 30}, {P, 30, 70}}, {}},
        {"released on the right edge: at the last column inside",
         {{P, 60, 30}, {R, 110, 30}},
         {"press 60,30", "release 109,30"}},
        {"dragged out, about, and back in",
         {{P, 60, 30}, {D, 5, 80}, {D, 0, 0}, {D, 200, 30}, {D, 70, 40}, {D, 71, 41}, {R, 71, 41}},
         {"press 60,30", "release 10,69", "press 70,40", "drag 71,41", "release 71,41"}},
        {"a press while down releases the touch before",
         {{P, 20, 30}, {D, 25, 35}, {P, 90, 60}, {R, 90, 60}},
         {"press 20,30", "drag 25,35", "release 25,35", "press 90,60", "release 90,60"}},
        {"a release while up is dropped, a drag while up presses",
         {{R, 30, 30}, {D, 40, 40}, {R, 40, 40}},
         {"press 40,40", "release 40,40"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Manager::setArea(10, 20, 100, 50);
        for (const Step& s : c.steps) event(s.kind, s.x, s.y);
        EXPECT_EQ(drain(), c.queued);
        // Lift the pointer for the next case.
        Manager::releaseAllPointers();
        drain();
    }
}

// Screen coordinates become game-area coordinates; by default the active
// rectangle is the whole game area and follows it.
TEST_F(PointerEventsTest, EventsArriveInGameAreaCoordinates) {
    canvas->setGameAreaSize(176, 208);  // at (32, 56) on the screen
    EXPECT_EQ(Manager::S().areaWidth, 176);
    EXPECT_EQ(Manager::S().areaHeight, 208);
    event(P, 100, 120);
    event(R, 100, 120);
    event(P, 31, 100);   // left of the area
    event(P, 208, 100);  // right of it
    event(P, 32, 56);
    event(D, 300, 300);  // off the area: released at its last pixel
    EXPECT_EQ(drain(), (Lines{"press 68,64", "release 68,64", "press 0,0", "release 175,207"}));
}

// With 20 queued, a 21st event discards from the oldest end, never a lone
// press or release: a drag goes; a press stays and what follows it goes,
// unless that is its release, when both go; a release stays and the rule
// goes on after it.
TEST_F(PointerEventsTest, AFullRingDiscardsNoLonePressOrRelease) {
    struct Case {
        const char* name;
        std::vector<jbyte> oldest;  // the first events; drags follow up to 20
        std::vector<jint> survivors;  // x of the events left, in order
    };
    auto from = [](jint first, std::vector<jint> head) {
        for (jint x = first; x <= 20; ++x) head.push_back(x);
        return head;
    };
    const Case cases[] = {
        {"drag first", {D}, from(1, {})},
        {"press and its release first", {P, R}, from(2, {})},
        {"press and a drag first", {P, D}, from(2, {0})},
        {"release and a drag first", {R, D}, from(2, {0})},
        {"release, then a press and its release", {R, P, R}, from(3, {0})},
        {"release, then a press and a drag", {R, P, D}, from(3, {0, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Manager::reset();
        for (jint x = 0; x < 20; ++x) {
            jbyte kind = x < jint(c.oldest.size()) ? c.oldest[size_t(x)] : D;
            Manager::queueEvent(0, x, 0, kind, 0);
        }
        ASSERT_EQ(Manager::getEventCount(), 20);
        Manager::queueEvent(0, 20, 0, D, 0);
        EXPECT_EQ(Manager::getEventCount(), jint(c.survivors.size()));
        std::vector<jint> left;
        while (Manager::nextEvent()) left.push_back(Manager::getEventX());
        EXPECT_EQ(left, c.survivors);
    }
}

TEST_F(PointerEventsTest, SuspendedDeliveryKeepsTheEventsQueued) {
    event(P, 5, 5);
    Manager::setDeliverySuspended(true);
    EXPECT_EQ(Manager::getEventCount(), 1);
    EXPECT_FALSE(Manager::nextEvent());
    event(R, 5, 5);
    Manager::setDeliverySuspended(false);
    EXPECT_EQ(drain(), (Lines{"press 5,5", "release 5,5"}));
}

TEST_F(PointerEventsTest, AResetClearsTheQueueAndTheCurrentEvent) {
    event(P, 7, 8);
    event(D, 9, 9);
    ASSERT_TRUE(Manager::nextEvent());
    Manager::reset();
    EXPECT_EQ(Manager::getEventCount(), 0);
    EXPECT_EQ(Manager::getEventX(), 0);
    EXPECT_EQ(Manager::getEventY(), 0);
    EXPECT_EQ(Manager::getEventKind(), 0);
    EXPECT_EQ(Manager::S().currentTime, -1);
    event(D, 11, 12);  // the pointer is still down: a drag
    VMPtr<wren::input::PointerInputEventManager_WRC_Event> first = Manager::S().events[0];
    EXPECT_EQ(first->x, 11);
    EXPECT_EQ(first->kind, D);
}

// Times are kept as offsets from the manager's start; the release before a
// second press carries the first touch's last time.
TEST_F(PointerEventsTest, TheRepairReleaseCarriesThePreviousTime) {
    jlong start = Manager::S().startTime;
    event(P, 1, 1, start + 100);
    event(D, 2, 2, start + 150);
    event(P, 3, 3, start + 400);
    std::vector<jlong> times;
    while (Manager::nextEvent()) times.push_back(Manager::S().currentTime - start);
    EXPECT_EQ(times, (std::vector<jlong>{100, 150, 150, 400}));
}

TEST_F(PointerEventsTest, CoordinatesBeyondSixteenBitsWrap) {
    Manager::setArea(0, 0, 100000, 100000);
    event(P, 40000, 70000);
    EXPECT_EQ(drain(), (Lines{"press -25536,4464"}));
}

TEST_F(PointerEventsTest, IgnoredInputOtherPointersAndADisabledQueueDropEvents) {
    Manager::setInputIgnored(true);
    event(P, 5, 5);
    EXPECT_EQ(Manager::getEventCount(), 0);
    Manager::setInputIgnored(false);
    Manager::onPointerEvent(1, 5, 5, P, 0);
    EXPECT_EQ(Manager::getEventCount(), 0);

    // A pause: the held touch gets its release even though input is
    // ignored.
    event(P, 6, 7);
    Manager::setInputIgnored(true);
    event(D, 8, 9);
    Manager::releaseAllPointers();
    EXPECT_EQ(drain(), (Lines{"press 6,7", "release 6,7"}));
    EXPECT_EQ(Manager::S().currentTime, clock->now);

    Manager::setInputIgnored(false);
    EXPECT_TRUE(Manager::setEnabled(false));
    event(P, 1, 1);
    EXPECT_EQ(Manager::getEventCount(), 0);
    EXPECT_FALSE(Manager::nextEvent());
    EXPECT_TRUE(Manager::S().events == nullptr);
    // The disabled queue still follows the pointer: the drag after enabling
    // continues the touch.
    Manager::setEnabled(true);
    event(D, 2, 2);
    EXPECT_EQ(drain(), (Lines{"drag 2,2"}));
}

TEST_F(PointerEventsTest, OnlyTheSinglePointerModeIsOffered) {
    EXPECT_FALSE(Manager::setMultiPointerEnabled(true));
    EXPECT_TRUE(Manager::setMultiPointerEnabled(false));
}

}  // namespace
}  // namespace wrentest::framework
