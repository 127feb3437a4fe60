// The stand-in under the host: the message queue, SDL's events as window
// messages, the input script, the screen dump and the instance lock.
#include <SDL.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bridge_test_support.h"
#include "ce_screen.h"
#include "ce_script.h"

using namespace ce;

namespace {

class StandIn : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        unsetenv("WREN_SCRIPT");
        char pattern[] = "/tmp/wren-standin-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        WNDCLASSW wc{};
        wc.lpszClassName = u"Stand-in Test";
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            received().push_back({w, m, wp, lp, 0, {}, {}});
            return DefWindowProcW(w, m, wp, lp);
        };
        ASSERT_TRUE(RegisterClassW(&wc));
        received().clear();
    }
    void TearDown() override {
        unsetenv("WREN_SCRIPT");
        fake::reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    static std::vector<MSG>& received() {
        static std::vector<MSG> messages;
        return messages;
    }
    HWND makeWindow() {
        return CreateWindowExW(0, u"Stand-in Test", u"Stand-in Test", WS_VISIBLE, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               moduleInstance(), nullptr);
    }
    // Every queued message, in order.
    static std::vector<std::tuple<UINT, WPARAM, LPARAM>> drain(HWND window) {
        std::vector<std::tuple<UINT, WPARAM, LPARAM>> out;
        MSG m;
        while (PeekMessageW(&m, window, 0, 0, PM_REMOVE)) out.emplace_back(m.message, m.wParam, m.lParam);
        return out;
    }
    // The SDL window behind ours (found by its title).
    static uint32_t sdlWindowId() {
        for (uint32_t id = 1; id < 100000; ++id)
            if (SDL_Window* w = SDL_GetWindowFromID(id); w && std::string(SDL_GetWindowTitle(w)) == "Stand-in Test")
                return id;
        return 0;
    }
    std::string folder_;
};

TEST_F(StandIn, APostFromAnotherThreadWakesTheWaitingUIThread) {
    HWND w = makeWindow();
    std::thread poster([w] { PostMessageW(w, WM_USER + 7, 1, 2); });
    MSG m;
    ASSERT_TRUE(GetMessageW(&m, w, 0, 0));
    poster.join();
    while (m.message != WM_USER + 7) ASSERT_TRUE(GetMessageW(&m, w, 0, 0));
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.lParam, 2);
    DestroyWindow(w);
}

TEST_F(StandIn, QuitComesAfterTheQueuedMessagesWhateverTheWindowFilter) {
    HWND w = makeWindow();
    drain(w);
    PostMessageW(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, w, WM_CHAR, WM_CHAR, PM_REMOVE));  // out of range
    ASSERT_TRUE(PeekMessageW(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER));
    ASSERT_TRUE(PeekMessageW(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&m, w, 0, 0, PM_REMOVE));
    // GetMessageW reports it as 0.
    PostQuitMessage(4);
    EXPECT_FALSE(GetMessageW(&m, w, 0, 0));
    DestroyWindow(w);
}

TEST_F(StandIn, ADestroyedWindowLosesItsMessagesAndTakesNoMore) {
    HWND w = makeWindow();
    HWND other = makeWindow();
    drain(nullptr);
    PostMessageW(w, WM_USER + 1, 0, 0);
    PostMessageW(other, WM_USER + 2, 0, 0);
    DestroyWindow(w);
    EXPECT_FALSE(PostMessageW(w, WM_USER + 3, 0, 0));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(drain(nullptr), (std::vector<std::tuple<UINT, WPARAM, LPARAM>>{{WM_USER + 2, 0, 0}}));
    EXPECT_EQ(received().back().message, UINT(WM_DESTROY));
    DestroyWindow(other);
}

TEST_F(StandIn, ATimerComesAsWMTimerAndDispatchRunsItsProcedure) {
    HWND w = makeWindow();
    static std::vector<UINT_PTR> ticks;
    ticks.clear();
    SetTimer(w, 5, 1, [](HWND, UINT, UINT_PTR id, DWORD) { ticks.push_back(id); });
    MSG m;
    do ASSERT_TRUE(GetMessageW(&m, w, 0, 0));
    while (m.message != WM_TIMER);
    EXPECT_EQ(m.wParam, 5u);
    DispatchMessageW(&m);
    EXPECT_EQ(ticks, std::vector<UINT_PTR>{5});
    EXPECT_TRUE(KillTimer(w, 5));
    EXPECT_FALSE(KillTimer(w, 5));
    DestroyWindow(w);
}

TEST_F(StandIn, SdlEventsBecomeTheMessagesTheHostExpects) {
    HWND w = makeWindow();
    uint32_t id = sdlWindowId();
    ASSERT_NE(id, 0u);
    drain(w);
    auto push = [](SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); };
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym.sym = SDLK_a;
    e.key.keysym.scancode = SDL_SCANCODE_A;
    push(e);
    SDL_Event t{};
    t.type = SDL_TEXTINPUT;
    t.text.windowID = id;
    std::strcpy(t.text.text, "\xC3\xA0");  // à
    push(t);
    e.type = SDL_KEYUP;
    push(e);
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_UP;
    e.key.keysym.scancode = SDL_SCANCODE_UP;
    e.key.repeat = 1;
    push(e);
    SDL_Event b{};
    b.type = SDL_MOUSEBUTTONDOWN;
    b.button.windowID = id;
    b.button.button = SDL_BUTTON_LEFT;
    b.button.x = 12;
    b.button.y = 34;
    push(b);
    SDL_Event mv{};
    mv.type = SDL_MOUSEMOTION;
    mv.motion.windowID = id;
    mv.motion.state = SDL_BUTTON_LMASK;
    mv.motion.x = 15;
    mv.motion.y = 36;
    push(mv);
    mv.motion.state = 0;  // the stylus lifted: a hover is nothing
    push(mv);
    b.type = SDL_MOUSEBUTTONUP;
    push(b);
    SDL_Event win{};
    win.type = SDL_WINDOWEVENT;
    win.window.windowID = id;
    for (auto kind : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED,
                      SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_CLOSE}) {
        win.window.event = uint8_t(kind);
        push(win);
    }

    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_KEYDOWN));
    EXPECT_EQ(m.wParam, WPARAM('A'));
    TranslateMessage(&m);  // posts the typed character
    using Msgs = std::vector<std::tuple<UINT, WPARAM, LPARAM>>;
    Msgs rest = drain(w);
    const LPARAM scan = LPARAM(SDL_SCANCODE_A) << 16;
    const LPARAM upScan = LPARAM(SDL_SCANCODE_UP) << 16;
    EXPECT_EQ(rest, (Msgs{
                        {WM_KEYUP, 'A', 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31)},
                        {WM_KEYDOWN, VK_UP, 1 | upScan | (LPARAM(1) << 30)},
                        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34)},
                        {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(15, 36)},
                        {WM_LBUTTONUP, 0, MAKELPARAM(12, 34)},
                        {WM_ACTIVATE, WA_INACTIVE, 0},
                        {WM_ACTIVATE, WA_ACTIVE, 0},
                        {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0},
                        {WM_CLOSE, 0, 0},
                        {WM_CHAR, 0xE0, 1 | scan},
                    }));
    DestroyWindow(w);
}

TEST_F(StandIn, AResizeFromAnotherThreadReachesSdlThroughTheUIThread) {
    HWND w = makeWindow();
    SDL_Window* sdl = SDL_GetWindowFromID(sdlWindowId());
    ASSERT_NE(sdl, nullptr);
    drain(w);
    received().clear();
    std::thread([w] { MoveWindow(w, 0, 0, 100, 50, TRUE); }).join();
    // The window knows its new size at once and has been told of it ...
    RECT r{};
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.bottom, 50);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].message, UINT(WM_SIZE));
    EXPECT_EQ(received()[0].lParam, MAKELPARAM(100, 50));
    // ... and SDL learns it from the UI thread's next pump, with no second
    // WM_SIZE.
    drain(w);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdl, &width, &height);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 50);
    EXPECT_EQ(received().size(), 1u);
    DestroyWindow(w);
}

TEST(Script, ParsesStepsAndNamesTheFirstBadLine) {
    std::vector<ScriptStep> steps;
    std::string error;
    ASSERT_TRUE(parseScript("# comment\n\n0 keydown 38  # up\n1 char 97\n1 tap 10 -20\n"
                            "2 drag 1 2 3 4\n2 drag 1 2 3 4 8\n3 dump out dir/shot 1.png\n4 close\n"
                            "5 press 7 8\n9 release 7 8\n",
                            &steps, &error))
        << error;
    ASSERT_EQ(steps.size(), 9u);
    EXPECT_EQ(steps[7].kind, ScriptStep::Press);
    EXPECT_EQ(steps[7].args[1], 8);
    EXPECT_EQ(steps[8].kind, ScriptStep::Release);
    EXPECT_EQ(steps[8].frame, 9u);
    EXPECT_EQ(steps[0].kind, ScriptStep::KeyDown);
    EXPECT_EQ(steps[0].args[0], 38);
    EXPECT_EQ(steps[2].args[1], -20);
    EXPECT_EQ(steps[3].args[4], 4);  // a drag moves in four steps unless told
    EXPECT_EQ(steps[4].args[4], 8);
    EXPECT_EQ(steps[5].path, "out dir/shot 1.png");
    EXPECT_EQ(steps[6].frame, 4u);

    const std::pair<const char*, const char*> bad[] = {
        {"x close", "line 1: 'x' is not a frame number"},
        {"1 close\n-1 close", "line 2: '-1' is not a frame number"},
        {"\n1 jump", "line 2: unknown step 'jump'"},
        {"1", "line 1: no step after the frame number"},
        {"2 close\n1 close", "line 2: frame 1 comes before frame 2 of the step above"},
        {"1 tap 5", "line 1: tap takes 2 numbers, not 1"},
        {"1 drag 1 2 3", "line 1: drag takes 4 to 5 numbers, not 3"},
        {"1 press 1", "line 1: press takes 2 numbers, not 1"},
        {"1 close now", "line 1: close takes 0 numbers, not 1"},
        {"1 keydown 300", "line 1: '300' is not a number from 1 to 255"},
        {"1 char x", "line 1: 'x' is not a number from 1 to 65535"},
        {"1 dump", "line 1: dump needs a file name"},
    };
    for (auto [text, message] : bad) {
        steps.assign(1, ScriptStep{});
        EXPECT_FALSE(parseScript(text, &steps, &error)) << text;
        EXPECT_EQ(error, message);
        EXPECT_EQ(steps.size(), 1u);  // untouched
    }
    // A NUL byte makes its line bad, even where the rest would read.
    const std::pair<std::string, const char*> withNul[] = {
        {std::string("1 keydown 38\0 junk", 18), "line 1: a NUL byte: not a text line"},
        {std::string("1 close\n2 close # \0", 20), "line 2: a NUL byte: not a text line"},
    };
    for (const auto& [text, message] : withNul) {
        EXPECT_FALSE(parseScript(text, &steps, &error));
        EXPECT_EQ(error, message);
    }
    // No steps at all is a script too.
    steps.assign(1, ScriptStep{});
    EXPECT_TRUE(parseScript("", &steps, &error));
    EXPECT_TRUE(steps.empty());
}

TEST_F(StandIn, TheScriptRunsItsStepsAtTheirFrameCounts) {
    std::string shot = folder_ + "/shot.png";
    std::ofstream(folder_ + "/script") << "0 keydown 38\n0 keydown 38\n1 tap 5 6\n1 keyup 38\n"
                                          "1 press 9 10\n2 release 11 12\n"
                                          "2 dump " + shot + "\n2 close\n";
    setenv("WREN_SCRIPT", (folder_ + "/script").c_str(), 1);
    HWND w = makeWindow();
    ASSERT_NE(w, nullptr);
    using Msgs = std::vector<std::tuple<UINT, WPARAM, LPARAM>>;
    const LPARAM repeat = LPARAM(1) << 30;
    const LPARAM up = repeat | (LPARAM(1) << 31);
    EXPECT_EQ(drain(w), (Msgs{{WM_KEYDOWN, 38, 1}, {WM_KEYDOWN, 38, 1 | repeat}}));
    VirtualScreen* screen = virtualScreen(w);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->width, 240);
    EXPECT_EQ(screen->height, 320);
    for (uint32_t& p : screen->pixels) p = 0x102030;
    screen->pixels[0] = 0xFF8000;
    presentWindow(w);
    EXPECT_EQ(presentedFrames(), 1u);
    EXPECT_EQ(drain(w), (Msgs{{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)},
                              {WM_LBUTTONUP, 0, MAKELPARAM(5, 6)},
                              {WM_KEYUP, 38, 1 | up},
                              {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, 10)}}));
    EXPECT_FALSE(std::filesystem::exists(shot));
    presentWindow(w);
    // The stylus pressed at frame 1 comes up a frame later.
    EXPECT_EQ(drain(w), (Msgs{{WM_LBUTTONUP, 0, MAKELPARAM(11, 12)}, {WM_CLOSE, 0, 0}}));

    // The dump reads back as the screen was.
    FILE* file = std::fopen(shot.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    EXPECT_EQ(png_get_image_width(png, info), 240u);
    EXPECT_EQ(png_get_image_height(png, info), 320u);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGB);
    std::vector<uint8_t> row(240 * 3);
    png_read_row(png, row.data(), nullptr);
    EXPECT_EQ((std::vector<uint8_t>(row.begin(), row.begin() + 6)),
              (std::vector<uint8_t>{0xFF, 0x80, 0x00, 0x10, 0x20, 0x30}));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    DestroyWindow(w);
}

TEST_F(StandIn, ABadScriptKeepsTheWindowFromBeingMade) {
    std::ofstream(folder_ + "/script") << "1 keydown 38\n1 fly\n";
    // The path, and what standard error is to name.
    const std::pair<std::string, std::string> cases[] = {
        {folder_ + "/script", "line 2: unknown step 'fly'"},
        {folder_ + "/missing", "cannot read it: No such file or directory"},
        {folder_, "cannot read it: Is a directory"},
    };
    for (const auto& [path, reason] : cases) {
        setenv("WREN_SCRIPT", path.c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(makeWindow(), nullptr) << path;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "wren: WREN_SCRIPT " + path + ": " + reason + "\n");
    }
    EXPECT_EQ(windowCount(), 0);
}

// An empty file is a script of no steps: the window is made and nothing is
// posted to it.
TEST_F(StandIn, AnEmptyScriptPostsNothing) {
    std::ofstream(folder_ + "/script").close();
    setenv("WREN_SCRIPT", (folder_ + "/script").c_str(), 1);
    errno = EBADF;  // what a stale error number would have said
    HWND w = makeWindow();
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < 3; ++i) presentWindow(w);
    EXPECT_TRUE(drain(w).empty());
    DestroyWindow(w);
}

TEST_F(StandIn, TheInstanceLockIsHeldUntilReleased) {
    bool running = true;
    InstanceLock* first = acquireInstanceLock(folder_, u"Local\\Wren/Lock", &running);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(running);
    EXPECT_EQ(acquireInstanceLock(folder_, u"Local\\Wren/Lock", &running), nullptr);
    EXPECT_TRUE(running);
    // The same folder named another way is the same program.
    EXPECT_EQ(acquireInstanceLock(folder_ + "/.", u"Local\\Wren/Lock", &running), nullptr);
    EXPECT_TRUE(running);
    // Another name, or the same name in another folder, is another program.
    InstanceLock* otherName = acquireInstanceLock(folder_, u"Local\\Wren/Other", &running);
    EXPECT_NE(otherName, nullptr);
    InstanceLock* otherFolder =
        acquireInstanceLock(folder_ + "/elsewhere", u"Local\\Wren/Lock", &running);
    EXPECT_NE(otherFolder, nullptr);
    releaseInstanceLock(otherName);
    releaseInstanceLock(otherFolder);
    releaseInstanceLock(first);
    InstanceLock* again = acquireInstanceLock(folder_, u"Local\\Wren/Lock", &running);
    EXPECT_NE(again, nullptr);
    EXPECT_FALSE(running);
    releaseInstanceLock(again);
    // Nothing is written into the folder: one that can't be written to is
    // guarded all the same.
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
    fake::refuseInstanceLock(true);
    EXPECT_EQ(acquireInstanceLock(folder_, u"Local\\Wren/Lock", &running), nullptr);
    EXPECT_FALSE(running) << "not another instance: no lock at all";
}

// The lock goes with the process, however it ends: a process killed while
// holding it does not keep the next start out.
TEST_F(StandIn, TheInstanceLockEndsWithItsProcess) {
    int held[2];
    ASSERT_EQ(pipe(held), 0);
    pid_t child = fork();
    if (child == 0) {
        bool running = false;
        char taken = acquireInstanceLock(folder_, u"Local\\Wren Killed", &running) ? 1 : 0;
        (void)!write(held[1], &taken, 1);
        pause();
        _exit(0);
    }
    ASSERT_GT(child, 0);
    char taken = 0;
    EXPECT_EQ(read(held[0], &taken, 1), 1);
    EXPECT_EQ(taken, 1);
    bool running = false;
    EXPECT_EQ(acquireInstanceLock(folder_, u"Local\\Wren Killed", &running), nullptr);
    EXPECT_TRUE(running);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(held[0]);
    close(held[1]);
    InstanceLock* after = acquireInstanceLock(folder_, u"Local\\Wren Killed", &running);
    EXPECT_NE(after, nullptr);
    EXPECT_FALSE(running);
    releaseInstanceLock(after);
}

}  // namespace
