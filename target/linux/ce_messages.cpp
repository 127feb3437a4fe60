// The message queue and the timers. There is one queue, read by the UI
// thread; other threads only post to it.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "ce_internal.h"

namespace ce {

namespace detail {

State& state() {
    static State* s = new State();  // outlives every static destructor that might post
    return *s;
}

WindowRecord* recordOf(HWND window) {
    auto& windows = state().windows;
    auto it = windows.find(reinterpret_cast<uintptr_t>(window));
    return it == windows.end() ? nullptr : it->second.get();
}

WindowRecord* recordOfSdl(uint32_t id) {
    for (auto& [handle, record] : state().windows)
        if (!record->foreign && record->sdlId == id) return record.get();
    return nullptr;
}

void noteInput() {
    ++state().inputs;
    state().posted.notify_all();
}

void enqueue(const MSG& message) {
    state().queue.push_back(message);
    noteInput();
}

LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign) return 0;
        procedure = r->procedure;
    }
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

DWORD tickNow() {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace detail

using namespace detail;

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
std::atomic<DWORD> waitDelay{0};

bool inRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = tickNow();
    return m;
}

}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

DWORD GetCurrentThreadId() { return DWORD(syscall(SYS_gettid)); }

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> g(state().mutex);
    if (window) {
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign || r->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
    }
    enqueue(makeMessage(window, message, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> g(state().mutex);
    state().quitPosted = true;
    state().quitCode = exitCode;
    noteInput();
}

BOOL PeekMessageW(MSG* out, HWND window, UINT first, UINT last, UINT remove) {
    pumpPlatformEvents();
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    s.inputsSeen = s.inputs;
    s.lastLook = std::chrono::steady_clock::now();
    auto matches = [&](const MSG& m) {
        return (!window || m.hwnd == window) && inRange(m.message, first, last);
    };
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (!matches(*it)) continue;
        *out = *it;
        if (remove & PM_REMOVE) s.queue.erase(it);
        return TRUE;
    }
    if (s.quitPosted && inRange(WM_QUIT, first, last)) {
        *out = makeMessage(nullptr, WM_QUIT, WPARAM(s.quitCode), 0);
        if (remove & PM_REMOVE) s.quitPosted = false;
        return TRUE;
    }
    if (inRange(WM_PAINT, first, last)) {
        for (auto& [handle, r] : s.windows) {
            if (r->foreign || !r->invalid || (window && r->handle != window)) continue;
            // Stays owed until BeginPaint validates the window.
            *out = makeMessage(r->handle, WM_PAINT, 0, 0);
            return TRUE;
        }
    }
    if (inRange(WM_TIMER, first, last)) {
        auto now = std::chrono::steady_clock::now();
        for (Timer& t : s.timers) {
            if (t.due > now || (window && t.window != window)) continue;
            *out = makeMessage(t.window, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.procedure));
            if (remove & PM_REMOVE) t.due = now + std::chrono::milliseconds(t.period);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL GetMessageW(MSG* out, HWND window, UINT first, UINT last) {
    State& s = state();
    for (;;) {
        if (PeekMessageW(out, window, first, last, PM_REMOVE)) return out->message != WM_QUIT;
        // SDL has no wake-up that another thread's post could trigger, so
        // the wait is short: window-system events are seen within 10 ms.
        std::unique_lock<std::mutex> lk(s.mutex);
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
        for (const Timer& t : s.timers)
            if ((!window || t.window == window) && t.due < until) until = t.due;
        s.posted.wait_until(lk, until);
    }
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE*, DWORD millis, DWORD, DWORD flags) {
    if (count != 0 || flags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    using Clock = std::chrono::steady_clock;
    if (DWORD delay = waitDelay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    State& s = state();
    Clock::time_point deadline = millis == INFINITE
                                     ? Clock::time_point::max()
                                     : Clock::now() + std::chrono::milliseconds(millis);
    auto fresh = [&] { return s.inputs != s.inputsSeen; };
    for (;;) {
        // What the platform has for the queue stays there: the next
        // PeekMessageW turns it into messages, in the order it always does.
        if (platformEventsPending()) return WAIT_OBJECT_0;
        std::unique_lock<std::mutex> lk(s.mutex);
        if (fresh()) return WAIT_OBJECT_0;
        Clock::time_point now = Clock::now();
        // As in GetMessageW, the platform is looked at again every 10 ms.
        Clock::time_point until = std::min(deadline, now + std::chrono::milliseconds(10));
        for (const Timer& t : s.timers) {
            if (t.due > s.lastLook && t.due <= now) return WAIT_OBJECT_0;
            if (t.due > now && t.due < until) until = t.due;
        }
        if (now >= deadline) return WAIT_TIMEOUT;
        s.posted.wait_until(lk, until, fresh);
    }
}

BOOL TranslateMessage(const MSG* message) {
    if (!message || message->message != WM_KEYDOWN || !message->typed[0]) return FALSE;
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(message->hwnd);
    if (!r || r->destroying) return FALSE;
    for (char16_t c : message->typed) {
        if (!c) break;
        enqueue(makeMessage(message->hwnd, WM_CHAR, c, message->lParam));
    }
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (!message) return 0;
    if (message->message == WM_TIMER && message->lParam) {
        auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
        procedure(message->hwnd, WM_TIMER, message->wParam, tickNow());
        return 0;
    }
    return callProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return callProcedure(window, message, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMillis, TIMERPROC procedure) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    if (window && !recordOf(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(elapseMillis);
    for (Timer& t : s.timers) {
        if (t.window == window && t.id == id) {
            t = Timer{window, id, elapseMillis, procedure, due};
            return id;
        }
    }
    s.timers.push_back(Timer{window, id, elapseMillis, procedure, due});
    s.posted.notify_all();
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    auto it = std::find_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == s.timers.end()) return FALSE;
    s.timers.erase(it);
    return TRUE;
}

UINT ImmGetVirtualKey(HWND) { return 0; }

void setWaitDelayForTesting(DWORD millis) { waitDelay = millis; }

}  // namespace ce
