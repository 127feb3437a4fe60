// State the stand-in's parts share: the window table, the message queue and
// the timers. One mutex guards all of it; no window procedure is ever called
// with it held.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce_text.h"
#include "ce_screen.h"
#include "ce_script.h"
#include "ce_window.h"

struct SDL_Window;

namespace ce::detail {

struct WindowRecord {
    HWND handle = nullptr;
    std::u16string className;
    std::u16string title;
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    bool visible = false;
    bool invalid = false;  // a WM_PAINT is owed
    bool destroying = false;
    int lastShow = 0;
    int width = 0;
    int height = 0;
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    // Receives other processes' requests to come forward (-1: none).
    int requestSocket = -1;
    // A window of another process, reached only through its request socket.
    bool foreign = false;
    // SDL work asked for on another thread, done by the UI thread's next pump.
    bool sdlResizePending = false;
    bool sdlRaisePending = false;
    int sdlShowPending = -1;  // the show command, or -1
    VirtualScreen screen;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    TIMERPROC procedure;
    std::chrono::steady_clock::time_point due;
};

struct State {
    std::mutex mutex;
    std::condition_variable posted;
    std::map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
    uintptr_t nextHandle = 0x100;
    struct Class {
        WNDCLASSW wc;
        std::u16string name;
    };
    std::map<std::u16string, Class> classes;
    std::deque<MSG> queue;
    // Input counted as it comes (posts, quits, paints owed); what the UI
    // thread had counted, and when, the last time it looked at the queue.
    uint64_t inputs = 0;
    uint64_t inputsSeen = 0;
    std::chrono::steady_clock::time_point lastLook{};
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    HWND foreground = nullptr;
    bool screenChanged = false;  // a rotation asks the windows to take the new screen size
    bool failCreation = false;

    // The input script and the presented frames, bound to the first window
    // made while no other lives.
    HWND scriptWindow = nullptr;
    std::vector<ScriptStep> script;
    size_t nextStep = 0;
    uint64_t frames = 0;
    uint64_t stepsRun = 0;  // never goes back, not even for a new script
    bool scriptKeyDown[256] = {};
};

State& state();

// The record of a handle, or null (mutex held).
WindowRecord* recordOf(HWND window);
// The local window shown by SDL window `id`, or null (mutex held).
WindowRecord* recordOfSdl(uint32_t id);

// UI thread: turns pending SDL events, other processes' requests and due
// script steps into messages. Called by PeekMessageW and GetMessageW.
void pumpPlatformEvents();
// UI thread: whether pumpPlatformEvents would have anything to turn into
// messages (window-system events, requests, a due script step), without
// doing it.
bool platformEventsPending();
// Queues a message (mutex held); wakes a waiting GetMessageW.
void enqueue(const MSG& message);
// Counts new input (mutex held) and wakes whoever waits for it.
void noteInput();
// Calls a window's procedure with no lock held.
LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Milliseconds for MSG::time.
DWORD tickNow();

// The input script: loads WREN_SCRIPT for a new first window (false, with the
// reason printed, for a bad script) and runs the steps that are due.
bool bindScript(HWND window);
void runDueScriptSteps();

// Resizes a window's virtual screen to its client size (UI thread).
void resizeScreen(WindowRecord& record);

using ce::toUtf8;
using ce::toUtf16;

}  // namespace ce::detail
