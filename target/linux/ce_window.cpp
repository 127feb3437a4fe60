// Windows over SDL2: one SDL window per top-level window, and the pump that
// turns SDL's events into the messages the host expects (keys, typed
// characters, the stylus as the left mouse button, focus, minimising,
// resizing, closing).
#include <SDL.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ce_internal.h"
#include "ce_system.h"

namespace ce {

namespace detail {


void resizeScreen(WindowRecord& record) {
    record.screen.width = record.width;
    record.screen.height = record.height;
    record.screen.pixels.assign(size_t(std::max(record.width, 0)) * size_t(std::max(record.height, 0)),
                                0);
}

}  // namespace detail

using namespace detail;

namespace {

// Changed by the UI thread only; read by any thread to tell whether it is it.
std::atomic<int> videoUsers{0};
std::atomic<DWORD> videoThread{0};  // the thread that made the windows: the only one that pumps

bool startVideo() {
    if (videoUsers++ > 0) return true;
    videoThread = GetCurrentThreadId();
    // The frames are drawn in software: left to itself SDL would show the
    // window surface through OpenGL, whose libraries it unloads again when
    // video stops, leaving what they allocated unreachable (LeakSanitizer's
    // report at exit). SDL_FRAMEBUFFER_ACCELERATION in the environment
    // still decides.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "wren: no video: %s\n", SDL_GetError());
        videoUsers = 0;
        return false;
    }
    return true;
}

// SDL's window calls belong on the thread that made the windows; the others
// leave theirs to its next pump.
bool onVideoThread() { return videoUsers > 0 && GetCurrentThreadId() == videoThread; }

void stopVideo() {
    if (videoUsers > 0 && --videoUsers == 0) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::u16string copyText(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

HWND stripOwnedBit(HWND window) {
    return reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(window) & ~uintptr_t(1));
}

// Other processes find a window by its class through an abstract socket
// named after the class, and send it "front" or "show <command>".
sockaddr_un requestAddress(const std::u16string& className, socklen_t* length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string name = "wren-window:" + std::to_string(getuid()) + ":" + toUtf8(className);
    size_t n = std::min(name.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, name.data(), n);
    *length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + n);
    return address;
}

int bindRequestSocket(const std::u16string& className) {
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    socklen_t length;
    sockaddr_un address = requestAddress(className, &length);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);  // another window of the class owns the name
        return -1;
    }
    return fd;
}

int connectRequestSocket(const std::u16string& className) {
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    socklen_t length;
    sockaddr_un address = requestAddress(className, &length);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void sendRequest(int fd, const std::string& request) {
    if (fd >= 0) (void)send(fd, request.data(), request.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

UINT virtualKeyOf(const SDL_Keysym& key) {
    SDL_Keycode k = key.sym;
    if (k >= SDLK_a && k <= SDLK_z) return UINT('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return UINT('0' + (k - SDLK_0));
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + UINT(k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return VK_F1 + 12 + UINT(k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + UINT(k - SDLK_KP_1);
    switch (k) {
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_CLEAR: return VK_CLEAR;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_CAPSLOCK: return VK_CAPITAL;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_SELECT: return VK_SELECT;
        case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_LGUI:
        case SDLK_RGUI: return VK_LWIN;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        case SDLK_SEMICOLON: return VK_OEM_1;
        case SDLK_EQUALS: return VK_OEM_PLUS;
        case SDLK_COMMA: return VK_OEM_COMMA;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        case SDLK_SLASH: return VK_OEM_2;
        case SDLK_BACKQUOTE: return VK_OEM_3;
        case SDLK_LEFTBRACKET: return VK_OEM_4;
        case SDLK_BACKSLASH: return VK_OEM_5;
        case SDLK_RIGHTBRACKET: return VK_OEM_6;
        case SDLK_QUOTE: return VK_OEM_7;
        default: return 0;
    }
}

MSG message(HWND window, UINT number, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = window;
    m.message = number;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = tickNow();
    return m;
}

// Takes the client size SDL reports now (not the one an event carried: a
// later resize may already have replaced it) and sends WM_SIZE on a change.
void syncSize(HWND window) {
    int w = 0;
    int h = 0;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r || !r->sdl || r->sdlResizePending) return;
        SDL_GetWindowSize(r->sdl, &w, &h);
        if (w == r->width && h == r->height) return;
        r->width = w;
        r->height = h;
        resizeScreen(*r);
    }
    callProcedure(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
}

void translateSdlEvents() {
    if (videoUsers == 0) return;
    State& s = state();
    MSG* lastKeyDown = nullptr;  // the key-down a following text event belongs to
    std::vector<HWND> resized;
    std::vector<HWND> closing;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        std::lock_guard<std::mutex> g(s.mutex);
        switch (e.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                WindowRecord* r = recordOfSdl(e.key.windowID);
                UINT vk = virtualKeyOf(e.key.keysym);
                if (!r || !vk) break;
                bool down = e.type == SDL_KEYDOWN;
                LPARAM lParam = 1 | (LPARAM(e.key.keysym.scancode & 0xFF) << 16);
                if (!down) lParam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
                else if (e.key.repeat) lParam |= LPARAM(1) << 30;
                enqueue(message(r->handle, down ? WM_KEYDOWN : WM_KEYUP, vk, lParam));
                lastKeyDown = down ? &s.queue.back() : nullptr;
                break;
            }
            case SDL_TEXTINPUT: {
                WindowRecord* r = recordOfSdl(e.text.windowID);
                if (!r) break;
                std::u16string typed = toUtf16(e.text.text);
                if (lastKeyDown && lastKeyDown->hwnd == r->handle && typed.size() < 4) {
                    std::memset(lastKeyDown->typed, 0, sizeof lastKeyDown->typed);
                    std::copy(typed.begin(), typed.end(), lastKeyDown->typed);
                } else {
                    for (char16_t c : typed) enqueue(message(r->handle, WM_CHAR, c, 1));
                }
                lastKeyDown = nullptr;
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                WindowRecord* r = recordOfSdl(e.button.windowID);
                if (!r || e.button.button != SDL_BUTTON_LEFT) break;
                bool down = e.type == SDL_MOUSEBUTTONDOWN;
                enqueue(message(r->handle, down ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                                down ? WPARAM(MK_LBUTTON) : WPARAM(0), MAKELPARAM(e.button.x, e.button.y)));
                break;
            }
            case SDL_MOUSEMOTION: {
                // Only a held stylus moves anything on the device.
                WindowRecord* r = recordOfSdl(e.motion.windowID);
                if (!r || !(e.motion.state & SDL_BUTTON_LMASK)) break;
                enqueue(message(r->handle, WM_MOUSEMOVE, MK_LBUTTON,
                                MAKELPARAM(e.motion.x, e.motion.y)));
                break;
            }
            case SDL_WINDOWEVENT: {
                WindowRecord* r = recordOfSdl(e.window.windowID);
                if (!r) break;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        s.foreground = r->handle;
                        enqueue(message(r->handle, WM_ACTIVATE, WA_ACTIVE, 0));
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        if (s.foreground == r->handle) s.foreground = nullptr;
                        enqueue(message(r->handle, WM_ACTIVATE, WA_INACTIVE, 0));
                        break;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        if (s.foreground == r->handle) s.foreground = nullptr;
                        enqueue(message(r->handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0));
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        resized.push_back(r->handle);
                        break;
                    case SDL_WINDOWEVENT_CLOSE:
                        enqueue(message(r->handle, WM_CLOSE, 0, 0));
                        break;
                    default:
                        break;
                }
                break;
            }
            case SDL_QUIT:
                // An interrupt from the terminal: every window is asked to close.
                for (auto& [handle, r] : s.windows)
                    if (!r->foreign) closing.push_back(r->handle);
                for (HWND w : closing) enqueue(message(w, WM_CLOSE, 0, 0));
                closing.clear();
                break;
            default:
                break;
        }
    }
    for (HWND w : resized) syncSize(w);
}

void serveRequests() {
    std::vector<std::pair<HWND, std::string>> requests;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        for (auto& [handle, r] : state().windows) {
            if (r->foreign || r->requestSocket < 0) continue;
            char buffer[64];
            ssize_t n;
            while ((n = recv(r->requestSocket, buffer, sizeof buffer, 0)) > 0)
                requests.emplace_back(r->handle, std::string(buffer, size_t(n)));
        }
    }
    for (auto& [window, request] : requests) {
        if (request == "front") {
            // Posted, not sent: a loop blocked in GetMessageW must wake to it.
            SDL_Window* sdl = nullptr;
            {
                std::lock_guard<std::mutex> g(state().mutex);
                WindowRecord* r = recordOf(window);
                if (!r || state().foreground == window) continue;
                state().foreground = window;
                enqueue(message(window, WM_ACTIVATE, WA_ACTIVE, 0));
                sdl = r->sdl;
            }
            SDL_RaiseWindow(sdl);
        } else if (request.rfind("show ", 0) == 0) {
            ShowWindow(window, std::atoi(request.c_str() + 5));
        }
    }
}

void applyPendingSdlWork() {
    std::lock_guard<std::mutex> g(state().mutex);
    for (auto& [handle, r] : state().windows) {
        if (r->foreign) continue;
        if (r->sdlResizePending) SDL_SetWindowSize(r->sdl, r->width, r->height);
        if (r->sdlShowPending == SW_HIDE) SDL_HideWindow(r->sdl);
        else if (r->sdlShowPending > 0) SDL_ShowWindow(r->sdl);
        if (r->sdlRaisePending) SDL_RaiseWindow(r->sdl);
        r->sdlResizePending = r->sdlRaisePending = false;
        r->sdlShowPending = -1;
    }
}

void takeNewScreen() {
    std::vector<HWND> windows;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        if (!state().screenChanged) return;
        state().screenChanged = false;
        for (auto& [handle, r] : state().windows)
            if (!r->foreign) windows.push_back(r->handle);
    }
    SystemInfo info = systemInfo();
    for (HWND w : windows) MoveWindow(w, 0, 0, info.screenWidth, info.screenHeight, TRUE);
}

}  // namespace

namespace detail {

void pumpPlatformEvents() {
    if (!onVideoThread()) return;
    applyPendingSdlWork();
    translateSdlEvents();
    serveRequests();
    takeNewScreen();
    runDueScriptSteps();
}

bool platformEventsPending() {
    if (!onVideoThread()) return false;
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return true;
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    if (s.screenChanged) return true;
    if (s.scriptWindow && s.nextStep < s.script.size() && s.script[s.nextStep].frame <= s.frames)
        return true;
    for (auto& [handle, r] : s.windows) {
        if (r->foreign) continue;
        if (r->sdlResizePending || r->sdlRaisePending || r->sdlShowPending >= 0) return true;
        char byte;
        if (r->requestSocket >= 0 && recv(r->requestSocket, &byte, 1, MSG_PEEK) >= 0) return true;
    }
    return false;
}

}  // namespace detail

HINSTANCE moduleInstance() {
    static char instance;
    return reinterpret_cast<HINSTANCE>(&instance);
}

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    std::u16string name = windowClass->lpszClassName;
    if (s.classes.count(name)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    State::Class c{*windowClass, name};
    c.wc.lpszClassName = nullptr;
    s.classes.emplace(name, c);
    return ATOM(s.classes.size());
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, void*, HINSTANCE, void* param) {
    State& s = state();
    std::u16string name = copyText(className);
    WNDPROC procedure = nullptr;
    bool first = false;
    {
        std::lock_guard<std::mutex> g(s.mutex);
        auto it = s.classes.find(name);
        if (it == s.classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (s.failCreation) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        procedure = it->second.wc.lpfnWndProc;
        first = std::none_of(s.windows.begin(), s.windows.end(),
                             [](auto& w) { return !w.second->foreign; });
    }
    SystemInfo info = systemInfo();
    if (width == CW_USEDEFAULT) width = info.screenWidth;
    if (height == CW_USEDEFAULT) height = info.screenHeight;
    if (width <= 0 || height <= 0 || !startVideo()) return nullptr;
    bool visible = (style & WS_VISIBLE) != 0;
    SDL_Window* sdl = SDL_CreateWindow(
        toUtf8(copyText(windowName)).c_str(),
        x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x,
        y == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y, width, height,
        SDL_WINDOW_RESIZABLE | (visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN));
    if (!sdl) {
        std::fprintf(stderr, "wren: cannot make a window: %s\n", SDL_GetError());
        stopVideo();
        return nullptr;
    }
    auto record = std::make_unique<WindowRecord>();
    record->className = name;
    record->title = copyText(windowName);
    record->procedure = procedure;
    record->visible = visible;
    record->width = width;
    record->height = height;
    record->sdl = sdl;
    record->sdlId = SDL_GetWindowID(sdl);
    record->requestSocket = bindRequestSocket(name);
    resizeScreen(*record);
    HWND handle;
    {
        std::lock_guard<std::mutex> g(s.mutex);
        handle = reinterpret_cast<HWND>(s.nextHandle);
        s.nextHandle += 0x10;
        record->handle = handle;
        s.windows.emplace(reinterpret_cast<uintptr_t>(handle), std::move(record));
        if (!s.foreground) s.foreground = handle;
    }
    if (first && !bindScript(handle)) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (callProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    callProcedure(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return handle;
}

BOOL DestroyWindow(HWND window) {
    State& s = state();
    {
        std::lock_guard<std::mutex> g(s.mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->destroying) return FALSE;
        if (r->foreign) {
            if (r->requestSocket >= 0) close(r->requestSocket);
            s.windows.erase(reinterpret_cast<uintptr_t>(window));
            return TRUE;
        }
        r->destroying = true;
    }
    callProcedure(window, WM_DESTROY, 0, 0);
    std::unique_ptr<WindowRecord> record;
    {
        std::lock_guard<std::mutex> g(s.mutex);
        auto it = s.windows.find(reinterpret_cast<uintptr_t>(window));
        record = std::move(it->second);
        s.windows.erase(it);
        std::erase_if(s.queue, [&](const MSG& m) { return m.hwnd == window; });
        std::erase_if(s.timers, [&](const Timer& t) { return t.window == window; });
        if (s.foreground == window) s.foreground = nullptr;
        if (s.scriptWindow == window) s.scriptWindow = nullptr;
    }
    if (record->requestSocket >= 0) close(record->requestSocket);
    SDL_DestroyWindow(record->sdl);
    stopVideo();
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    SDL_Window* sdl = nullptr;
    bool wasVisible;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(stripOwnedBit(window));
        if (!r) return FALSE;
        if (r->foreign) {
            sendRequest(r->requestSocket, "show " + std::to_string(command));
            return TRUE;
        }
        wasVisible = r->visible;
        r->lastShow = command;
        r->visible = command != SW_HIDE;
        sdl = r->sdl;
        if (!onVideoThread()) {
            r->sdlShowPending = command;
            return wasVisible ? TRUE : FALSE;
        }
    }
    if (command == SW_HIDE) {
        SDL_HideWindow(sdl);
    } else {
        SDL_ShowWindow(sdl);
        if (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(sdl);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
    bool owed;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign) return FALSE;
        owed = r->invalid;
    }
    if (owed) callProcedure(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign) return FALSE;
    r->invalid = true;
    noteInput();
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
    window = stripOwnedBit(window);
    HWND previous;
    SDL_Window* sdl;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r) return FALSE;
        if (r->foreign) {
            sendRequest(r->requestSocket, "front");
            return TRUE;
        }
        previous = state().foreground;
        if (previous == window) return TRUE;
        state().foreground = window;
        sdl = r->sdl;
        if (!onVideoThread()) {
            r->sdlRaisePending = true;
            sdl = nullptr;
        }
    }
    if (sdl) SDL_RaiseWindow(sdl);
    if (previous) callProcedure(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    callProcedure(window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
    return TRUE;
}

HWND GetForegroundWindow() {
    std::lock_guard<std::mutex> g(state().mutex);
    return state().foreground;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    if (!className) return nullptr;
    std::u16string name = className;
    State& s = state();
    {
        std::lock_guard<std::mutex> g(s.mutex);
        for (auto& [handle, r] : s.windows) {
            if (r->foreign || r->destroying || r->className != name) continue;
            if (windowName && r->title != windowName) continue;
            return r->handle;
        }
        for (auto& [handle, r] : s.windows)
            if (r->foreign && r->className == name) return r->handle;
    }
    int fd = connectRequestSocket(name);
    if (fd < 0) return nullptr;
    auto record = std::make_unique<WindowRecord>();
    record->foreign = true;
    record->className = name;
    record->requestSocket = fd;
    std::lock_guard<std::mutex> g(s.mutex);
    HWND handle = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 0x10;
    record->handle = handle;
    s.windows.emplace(reinterpret_cast<uintptr_t>(handle), std::move(record));
    return handle;
}

BOOL IsWindow(HWND window) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(stripOwnedBit(window));
    return r && !r->destroying;
}

BOOL IsWindowEnabled(HWND window) { return IsWindow(window); }

BOOL IsWindowVisible(HWND window) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    return r && !r->foreign && r->visible;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign || !rect) return FALSE;
    *rect = RECT{0, 0, r->width, r->height};
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    SDL_Window* sdl;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign || width <= 0 || height <= 0) return FALSE;
        sdl = r->sdl;
        if (r->width == width && r->height == height) {
            if (onVideoThread()) SDL_SetWindowPosition(sdl, x, y);
            return TRUE;
        }
        r->width = width;
        r->height = height;
        resizeScreen(*r);
        if (!onVideoThread()) {
            r->sdlResizePending = true;
            sdl = nullptr;
        }
    }
    if (sdl) {
        SDL_SetWindowSize(sdl, width, height);
        SDL_SetWindowPosition(sdl, x, y);
    }
    callProcedure(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return TRUE;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign || index != GWL_USERDATA) return 0;
    LONG_PTR old = r->userData;
    r->userData = value;
    return old;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign || index != GWL_USERDATA) return 0;
    return r->userData;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return 0;
    }
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign || !paint) return nullptr;
    *paint = PAINTSTRUCT{nullptr, FALSE, RECT{0, 0, r->width, r->height}};
    r->invalid = false;
    return nullptr;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

void activateWindow(HWND window, bool active) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.mutex);
    WindowRecord* r = recordOf(window);
    if (!r || r->foreign) return;
    if (active) {
        s.foreground = window;
    } else if (s.foreground == window) {
        s.foreground = nullptr;
    }
    enqueue(message(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0));
}

int lastShowCommand(HWND window) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    return r ? r->lastShow : 0;
}

int windowCount() {
    std::lock_guard<std::mutex> g(state().mutex);
    int n = 0;
    for (auto& [handle, r] : state().windows)
        if (!r->foreign) ++n;
    return n;
}

}  // namespace ce
