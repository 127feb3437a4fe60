// The host's start-up, message loop and shutdown, driven by a stub hook
// table and literal window messages.
#include <atomic>
#include <filesystem>
#include <thread>

#include "HAL_properties.h"
#include "HAL_repaint.h"
#include "HAL_threads.h"
#include "bridge_test_support.h"

using namespace ce;
using bridgetest::ev;
using bridgetest::Event;

namespace {

class Host : public bridgetest::HostTest {};

TEST_F(Host, StartsInOrderBootsWithTheMemoryFiguresAndShutsDownOnExitRequest) {
    writeProperties("app.prop", "MIDlet-Name: Wren Bridge\r\nMIDlet-1: Game, , main.CommonMIDlet\r\n");
    fake::setMemoryStatus({1'000'000'000, 50'000'003});
    int collectsAtBoot = -1;
    HWND found = nullptr;
    int code = run([&] {
        collectsAtBoot = recorded.collects;
        found = FindWindowW(u"Wren Bridge", u"Wren Bridge");
        showCanvas(7);
        post(WM_USER + 1);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(recorded.creates, 1);
    EXPECT_EQ(recorded.bootClass, "com.nimbault.marl.AMS");
    EXPECT_EQ(recorded.firstFigure, 5'000'000u);
    EXPECT_EQ(recorded.secondFigure, 45'000'003u);
    EXPECT_EQ(recorded.bootThread, NativeThread_current());
    // The window, the properties and the power thread come before the boot;
    // the collection right after it.
    EXPECT_TRUE(recorded.windowExisted);
    EXPECT_EQ(found, HAL_getMainWindow());
    EXPECT_EQ(recorded.powerQueuesAtBoot, 1);
    EXPECT_EQ(collectsAtBoot, 0);
    EXPECT_EQ(recorded.collects, 1);
    EXPECT_EQ(recorded.events, ev({{5, {7}}, {3, {}}}));
    EXPECT_EQ(recorded.shutdowns, 1);
    // Cleanup let go of everything.
    EXPECT_EQ(windowCount(), 0);
    EXPECT_EQ(fake::openPowerQueues(), 0);
    EXPECT_EQ(fake::openRegistryNotifications(), 0);
    bool running = true;
    InstanceLock* lock = acquireInstanceLock(folder_, u"Local\\Wren Bridge", &running);
    EXPECT_NE(lock, nullptr);
    EXPECT_FALSE(running);
    releaseInstanceLock(lock);
    // Nothing was left in the program's folder.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"properties"});
}

TEST_F(Host, WithoutAnApplicationNameUsesTheFallbackForClassTitleAndLock) {
    const char* const kAppProps[] = {nullptr, "MIDlet-Name:", "MIDlet-Name: \r\n",
                                     "Other: x\nMIDlet-Name:\n"};
    for (const char* appProp : kAppProps) {
        SCOPED_TRACE(appProp ? appProp : "no app.prop");
        std::filesystem::remove(folder_ + "/properties/app.prop");
        if (appProp) writeProperties("app.prop", appProp);
        HWND found = nullptr;
        bool lockHeld = false;
        int code = run([&] {
            found = FindWindowW(u"_WREN_set_your_MIDlet-Name", u"_WREN_set_your_MIDlet-Name");
            InstanceLock* second =
                acquireInstanceLock(folder_, u"Local\\_WREN_set_your_MIDlet-Name", &lockHeld);
            releaseInstanceLock(second);
            post(WM_USER + 1);
        });
        EXPECT_EQ(code, 0);
        EXPECT_NE(found, nullptr);
        EXPECT_TRUE(lockHeld);
        fake::reset();
    }
}

TEST_F(Host, SecondInstanceBringsTheFirstWindowForwardAndExitsWithOne) {
    writeProperties("app.prop", "MIDlet-Name: Wren Twice\n");
    // The first instance: its lock and its window, which is not in front.
    bool running = false;
    InstanceLock* first = acquireInstanceLock(folder_, u"Local\\Wren Twice", &running);
    ASSERT_NE(first, nullptr);
    static std::vector<UINT> firstWindowGot;
    firstWindowGot.clear();
    WNDCLASSW wc{};
    wc.lpszClassName = u"Wren Twice";
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_ACTIVATE && LOWORD(wp) == WA_ACTIVE) firstWindowGot.push_back(m);
        return DefWindowProcW(w, m, wp, lp);
    };
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND firstWindow = CreateWindowExW(0, u"Wren Twice", u"Wren Twice", WS_VISIBLE, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                       nullptr, moduleInstance(), nullptr);
    ASSERT_NE(firstWindow, nullptr);
    activateWindow(firstWindow, false);

    EXPECT_EQ(run(nullptr), 1);
    EXPECT_EQ(recorded.creates, 0);
    EXPECT_EQ(windowCount(), 1);  // no window of its own
    EXPECT_EQ(GetForegroundWindow(), firstWindow);
    EXPECT_EQ(firstWindowGot.size(), 1u);
    EXPECT_EQ(lastShowCommand(firstWindow), 13);
    releaseInstanceLock(first);
}

// Without the lock a second instance could not be told from the first:
// start-up stops, and says why.
TEST_F(Host, ALockThatCannotBeTakenStopsStartUpWithOne) {
    writeProperties("app.prop", "MIDlet-Name: Wren Unguarded\n");
    fake::refuseInstanceLock(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "wren: cannot take the single-instance lock: Too many open files\n");
    EXPECT_EQ(recorded.creates, 0);
    EXPECT_EQ(windowCount(), 0);
}

TEST_F(Host, FailedWindowCreationExitsWithOneAndLeavesNothingHeld) {
    writeProperties("app.prop", "MIDlet-Name: Wren Windowless\n");
    fake::failWindowCreation(true);
    EXPECT_EQ(run(nullptr), 1);
    EXPECT_EQ(recorded.creates, 0);
    EXPECT_EQ(fake::openPowerQueues(), 0);
    bool running = true;
    InstanceLock* lock = acquireInstanceLock(folder_, u"Local\\Wren Windowless", &running);
    EXPECT_NE(lock, nullptr);
    releaseInstanceLock(lock);
}

TEST_F(Host, FailedBootEndsTheProcessWithOne) {
    // 1: no boot class, 2: uncaught exception, anything else: unknown.
    for (int result : {1, 2, 7}) {
        SCOPED_TRACE(result);
        bootResult = result;
        EXPECT_EXIT(run(nullptr), ::testing::ExitedWithCode(1), "");
    }
}

TEST_F(Host, MissingHooksGetDefaults) {
    static std::vector<jint> kinds;
    kinds.clear();
    HAL_Callbacks table{};
    table.create = [](uint64_t, uint64_t, NativeThread*, const char*, intptr_t) {
        NativeCanvas* canvas;
        HAL_createCanvas(&canvas, 1);
        canvases.push_back(canvas);
        HAL_setCurrent(canvas);
        PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
        return 0;
    };
    table.post = [](jint kind, jint, const intptr_t*) {
        kinds.push_back(kind);
        return 0;
    };
    HAL_registerCallbacks(&table);
    EXPECT_EQ(HAL_callbacks().enter(), nullptr);
    EXPECT_EQ(runHost(moduleInstance(), SW_SHOW), 0);
    EXPECT_EQ(kinds, (std::vector<jint>{5, 3}));

    HAL_registerCallbacks(nullptr);  // keeps the table
    EXPECT_EQ(HAL_callbacks().post, table.post);
}

TEST_F(Host, ActivationAndPowerPauseAndResumeOnlyOnAChangeOfState) {
    struct Case {
        const char* name;
        std::vector<std::tuple<UINT, WPARAM>> messages;
        std::vector<Event> events;
    };
    const Case cases[] = {
        {"deactivate, power off, power on, activate",
         {{WM_ACTIVATE, WA_INACTIVE}, {WM_USER + 3, 0}, {WM_USER + 3, 1}, {WM_ACTIVATE, WA_ACTIVE}},
         ev({{1, {}}, {2, {}}, {3, {}}})},
        {"power off and on",
         {{WM_USER + 3, 0}, {WM_USER + 3, 1}},
         ev({{1, {}}, {2, {}}, {3, {}}})},
        {"click activation resumes",
         {{WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATE, WA_CLICKACTIVE}},
         ev({{1, {}}, {2, {}}, {3, {}}})},
        {"an active but minimised window is not in front",
         {{WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1)}},
         ev({{1, {}}, {3, {}}})},
        {"activation while active posts nothing",
         {{WM_ACTIVATE, WA_ACTIVE}, {WM_USER + 3, 1}},
         ev({{3, {}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeProperties("app.prop", "MIDlet-Name: Wren Pause\n");
        recorded = bridgetest::Recorded{};
        EXPECT_EQ(run([&] {
                      showCanvas();
                      for (auto [message, wParam] : c.messages) post(message, wParam);
                      post(WM_USER + 1);
                  }),
                  0);
        EXPECT_EQ(eventsAfterShow(), c.events);
        fake::reset();
    }
}

TEST_F(Host, PowerNotificationsReachTheLoopThroughThePowerThread) {
    writeProperties("app.prop", "MIDlet-Name: Wren Power\n");
    onPost = [](const Event& e) {
        if (e.kind == 2) PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
    };
    EXPECT_EQ(run([&] {
                  showCanvas();
                  broadcastPowerChange(false);
                  broadcastPowerChange(true);
              }),
              0);
    EXPECT_EQ(eventsAfterShow(), ev({{1, {}}, {2, {}}, {3, {}}}));
}

TEST_F(Host, AfterTheExitRequestOnlyTheDestroyEventReachesTheRuntime) {
    writeProperties("app.prop", "MIDlet-Name: Wren Exit\n");
    int postsDuringShutdown = 0;
    onPost = [&](const Event& e) {
        if (e.kind != 3) return;
        // Posts from anywhere once the program is exiting are dropped.
        intptr_t code = -1;
        postHostEvent(8, 1, &code, true);
        postHostEvent(2, 0, nullptr, false);
        ++postsDuringShutdown;
    };
    EXPECT_EQ(run([&] {
                  showCanvas();
                  post(WM_USER + 1);
                  post(WM_KEYDOWN, VK_UP);
                  post(WM_ACTIVATE, WA_INACTIVE);
                  post(WM_USER + 3, 0);
                  post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                  post(WM_CLOSE);
              }),
              0);
    EXPECT_EQ(eventsAfterShow(), ev({{3, {}}}));
    EXPECT_EQ(postsDuringShutdown, 1);
    EXPECT_EQ(recorded.shutdowns, 1);
}

TEST_F(Host, ClosingBeforeAnythingIsShownStillEndsTheLoop) {
    writeProperties("app.prop", "MIDlet-Name: Wren Early\n");
    EXPECT_EQ(run([&] { post(WM_CLOSE); }), 0);
    EXPECT_EQ(recorded.events, ev({{3, {}}}));
    EXPECT_EQ(recorded.shutdowns, 1);
}

TEST_F(Host, CloseWhilePausedExitsWithZero) {
    writeProperties("app.prop", "MIDlet-Name: Wren Paused\n");
    // The close comes from a timer well after the pause, so that the loop
    // meets it in its blocking wait rather than in the drain.
    onPost = [](const Event& e) {
        if (e.kind == 1)
            SetTimer(HAL_getMainWindow(), 99, 100, [](HWND w, UINT, UINT_PTR id, DWORD) {
                KillTimer(w, id);
                PostMessageW(w, WM_CLOSE, 0, 0);
            });
    };
    EXPECT_EQ(run([&] {
                  showCanvas();
                  post(WM_ACTIVATE, WA_INACTIVE);
              }),
              0);
    EXPECT_EQ(eventsAfterShow(), ev({{1, {}}, {3, {}}}));
}

struct CountingScreen : ScreenListener {
    RepaintHandshake handshake;
    std::atomic<int> presents{0};
    static void present(void* self) { ++static_cast<CountingScreen*>(self)->presents; }
    void sizeChanged() override {}
    void presentPending() override { HAL_presentIfPending(&handshake, &present, this); }
};

TEST_F(Host, AFlushWaitsForTheUIThreadsPresentAndOnlyThere) {
    writeProperties("app.prop", "MIDlet-Name: Wren Flush\n");
    CountingScreen screen;
    std::thread flusher;
    bool pendingAfterUiFlush = true;
    EXPECT_EQ(run([&] {
                  showCanvas()->screenListener = &screen;
                  // On the UI thread a flush presents at once.
                  HAL_flushAndWait(&screen, &screen.handshake, &CountingScreen::present, &screen);
                  pendingAfterUiFlush = HAL_isRepaintPending(&screen.handshake);
                  flusher = std::thread([&] {
                      HAL_flushAndWait(&screen, &screen.handshake, &CountingScreen::present,
                                       &screen);
                      PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
                  });
              }),
              0);
    flusher.join();
    EXPECT_FALSE(pendingAfterUiFlush);
    EXPECT_EQ(screen.presents, 2);
}

TEST_F(Host, AFlushWaitingWhilePausedReturnsWhenTheProgramExits) {
    writeProperties("app.prop", "MIDlet-Name: Wren Stuck\n");
    static CountingScreen screen;
    screen.presents = 0;
    screen.handshake.pending = false;
    static std::atomic<bool> returned{false};
    returned = false;
    static std::thread flusher;
    onPost = [](const Event& e) {
        if (e.kind != 1) return;
        // Paused: nothing presents. A flush starts waiting; then the user closes.
        flusher = std::thread([] {
            HAL_flushAndWait(&screen, &screen.handshake, &CountingScreen::present, &screen);
            returned = true;
        });
        while (!HAL_isRepaintPending(&screen.handshake)) std::this_thread::yield();
        PostMessageW(HAL_getMainWindow(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(run([&] {
                  showCanvas()->screenListener = &screen;
                  post(WM_ACTIVATE, WA_INACTIVE);
              }),
              0);
    flusher.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(screen.presents, 0);
}

// The host presents only the current display object's screen. A flush of
// any other screen returns at once, and a flush waiting on a screen that
// stops being shown returns when it does; neither presents. A timer ends a
// program whose flush never came back, which the test sees as a return
// during the exit.
TEST_F(Host, AFlushOfAScreenTheHostDoesNotPresentReturnsWithoutIt) {
    struct Case {
        const char* name;
        bool showFirst;  // the screen is the current canvas's when the flush starts
    };
    const Case cases[] = {{"never shown", false}, {"replaced while it waits", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeProperties("app.prop", "MIDlet-Name: Wren Hidden\n");
        CountingScreen screen;
        std::atomic<bool> returned{false};
        std::atomic<bool> returnedWhileExiting{false};
        std::thread flusher;
        EXPECT_EQ(
            run([&] {
                NativeCanvas* canvas = showCanvas(1);
                if (c.showFirst) canvas->screenListener = &screen;
                SetTimer(HAL_getMainWindow(), 98, 10000, [](HWND w, UINT, UINT_PTR id, DWORD) {
                    KillTimer(w, id);
                    PostMessageW(w, WM_CLOSE, 0, 0);
                });
                flusher = std::thread([&] {
                    HAL_flushAndWait(&screen, &screen.handshake, &CountingScreen::present, &screen);
                    returnedWhileExiting = hostIsExiting();
                    returned = true;
                    PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
                });
                if (c.showFirst) {
                    // Still in the boot, so the loop has presented nothing.
                    while (!HAL_isRepaintPending(&screen.handshake)) std::this_thread::yield();
                    showCanvas(2);
                }
            }),
            0);
        flusher.join();
        EXPECT_TRUE(returned);
        EXPECT_FALSE(returnedWhileExiting) << "the flush waited for the exit";
        EXPECT_EQ(screen.presents, 0);
        EXPECT_FALSE(HAL_isRepaintPending(&screen.handshake)) << "the frame is dropped";
        fake::reset();
    }
}

TEST_F(Host, APlatformRequestOpensTheLastStoredURLAfterTheLoop) {
    struct Case {
        std::vector<std::u16string> requests;
        std::vector<std::u16string> opened;
    };
    const Case cases[] = {
        {{u"http://example.com/a", u"http://example.com/b"}, {u"http://example.com/b"}},
        {{u"http://example.com/a", u""}, {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        writeProperties("app.prop", "MIDlet-Name: Wren Request\n");
        std::vector<jboolean> mustExit;
        size_t openedDuringRun = 99;
        EXPECT_EQ(run([&] {
                      for (const std::u16string& url : c.requests) {
                          jboolean flag = false;
                          EXPECT_EQ(HAL_openURL(url.data(), jint(url.size()), &flag), 0);
                          mustExit.push_back(flag);
                      }
                      openedDuringRun = fake::openedUrls().size();
                      post(WM_USER + 1);
                  }),
                  0);
        EXPECT_EQ(openedDuringRun, 0u);
        EXPECT_EQ(fake::openedUrls(), c.opened);
        EXPECT_EQ(mustExit, std::vector<jboolean>(c.requests.size(), true));
        fake::reset();
    }
}

TEST_F(Host, ASizeChangeOfTheWindowPostsTheSizeEvent) {
    writeProperties("app.prop", "MIDlet-Name: Wren Size\n");
    jint widthBefore = 0;
    jint heightBefore = 0;
    EXPECT_EQ(run([&] {
                  NativeCanvas* canvas = showCanvas(9);
                  HAL_getDisplayableSize(canvas, &widthBefore, &heightBefore);
                  MoveWindow(HAL_getMainWindow(), 0, 0, 200, 100, TRUE);
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_EQ(widthBefore, 240);
    EXPECT_EQ(heightBefore, 320);
    EXPECT_EQ(eventsAfterShow(), ev({{6, {9, 200, 100}}, {3, {}}}));
}

TEST_F(Host, ADeletedCanvasStopsBeingTheCurrentDisplayObject) {
    writeProperties("app.prop", "MIDlet-Name: Wren Delete\n");
    NativeDisplayable* after = reinterpret_cast<NativeDisplayable*>(1);
    EXPECT_EQ(run([&] {
                  NativeCanvas* canvas = showCanvas();
                  canvases.clear();
                  HAL_deleteCanvas(canvas);
                  after = HAL_getCurrentDisplayObject();
                  post(WM_KEYDOWN, VK_UP);  // reaches no freed canvas
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_EQ(after, nullptr);
    EXPECT_EQ(eventsAfterShow(), ev({{3, {}}}));
}

}  // namespace
