// What the framework suites share: a clock the test moves by hand, a game
// canvas whose screen, visibility and flushes the test controls and whose
// hooks write what they saw, and fixtures that make one canvas per test with
// its game thread either running on the hand clock or already stopped.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VMClass.h"
#include "java_lang_Thread.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_GameClock.h"
#include "wren_WrenCanvas.h"
#include "touch_input.h"

namespace wrentest::framework {

// A clock that moves only when told. A blocking clock holds a sleeper until
// the test has moved the time past its wake-up; otherwise a sleep moves the
// time itself. Every sleep is written down.
class ManualClock : public wren::GameClock {
    WREN_CLASS(ManualClock, wren::GameClock)
public:
    jlong now = 0;
    jboolean blocking = false;
    // The wake-up of the thread blocked in sleep, or -1.
    jlong sleepingUntil = 0;
    std::vector<jint> sleeps;

    void ctor(jlong start, jboolean blocks);
    jlong currentTimeMillis() override;
    void sleep(jint millis) override;
    // Moves the time on and wakes a sleeper that is due.
    void advance(jlong millis);
};

class TestMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(TestMIDlet, javax::microedition::midlet::MIDlet)
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {}
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

struct Event {
    jint code;
    jlong time;  // on the game clock
    bool operator==(const Event& o) const { return code == o.code && time == o.time; }
};

// A game canvas on a 240 by 320 screen (changeable) that counts its updates,
// paints and flushes, and writes down every event with its time.
class TestCanvas : public wren::WrenCanvas {
    WREN_CLASS(TestCanvas, wren::WrenCanvas)
public:
    jint width = 240;
    jint height = 320;
    bool visible = false;
    int updates = 0;
    int paints = 0;
    int flushes = 0;
    std::vector<Event> events;
    // Every pressKey and releaseKey: "press K", "release K".
    std::vector<std::string> keyCalls;
    // Each delivered network result: its code and data length (-1: null).
    std::vector<std::pair<jint, jint>> networkResults;
    // Runs inside update(), on the game thread.
    std::function<void(TestCanvas&)> onUpdate;
    // Runs inside paintGame(g).
    std::function<void(const VMPtr<javax::microedition::lcdui::Graphics>&)> onPaint;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    void update() override;
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    void onEvent(jint code) override;
    jboolean isShown() override { return visible; }
    jint getWidth() override { return width; }
    jint getHeight() override { return height; }
    void flushGraphics() override { ++flushes; }
    void pressKey(jint key) override {
        keyCalls.push_back("press " + std::to_string(key));
        WrenCanvas::pressKey(key);
    }
    void releaseKey(jint key) override {
        keyCalls.push_back("release " + std::to_string(key));
        WrenCanvas::releaseKey(key);
    }
    void onNetworkTransferComplete(jint code, const VMPtr<VMArray<jbyte>>& data) override {
        networkResults.push_back({code, data ? data->length : -1});
        networkBodies.push_back(data ? std::string(reinterpret_cast<const char*>(data->elements()),
                                                   size_t(data->length))
                                     : std::string());
    }
    // The bodies of the delivered network results ("" for null).
    std::vector<std::string> networkBodies;
    // Every byte handed to onSocketData, in order, and the blocks' count.
    std::string socketData;
    int socketBlocks = 0;
    void onSocketData(const VMPtr<VMArray<jbyte>>& data, jint length) override {
        socketData.append(reinterpret_cast<const char*>(data->elements()), size_t(length));
        ++socketBlocks;
    }

    std::vector<jint> eventCodes() const;
};

// One canvas per test on a blocking hand clock that starts at 1000 ms; the
// game thread runs and waits for its first show.
class RunningCanvasTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets the game thread run until it sleeps on the hand clock again, or
    // ends.
    void settle();
    // Moves the hand clock on, then settles.
    void advance(jlong millis);
    // The canvas comes to the front, as the Display shows it.
    void show();
    void hide();
    // Ends the game thread whatever it is doing, and waits for it.
    void stopGameThread();
    bool gameThreadAlive() { return gameThread->isAlive(); }
    // The canvas SetUp makes; a suite whose canvas overrides more makes its own.
    virtual VMPtr<TestCanvas> makeCanvas(const VMPtr<TestMIDlet>& owner) {
        return TestCanvas::make(owner);
    }

    VMNativePtr<ManualClock> clock;
    VMNativePtr<TestMIDlet> midlet;
    VMNativePtr<TestCanvas> canvas;
    VMNativePtr<java::lang::Thread> gameThread;
};

// The same canvas with its game thread already stopped and the canvas
// installed as the framework's instance again, for tests that call its
// operations themselves on a clock whose sleeps move the time.
class CanvasTest : public RunningCanvasTest {
protected:
    void SetUp() override;
};

}  // namespace wrentest::framework
