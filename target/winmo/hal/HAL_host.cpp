#include "HAL_host.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "HAL_audio.h"
#include "HAL_devicelibs.h"
#include "HAL_memory.h"
#include "HAL_power.h"
#include "HAL_programFolder.h"
#include "HAL_properties.h"
#include "HAL_fonts.h"
#include "HAL_http.h"
#include "HAL_repaint.h"
#include "HAL_status.h"
#include "HAL_strings.h"
#include "HAL_threads.h"
#include "HAL_window.h"
#include "ce_system.h"
#include "ce_text.h"
#include "ce_window.h"

using namespace ce;

namespace {

int noCreate(uint64_t, uint64_t, NativeThread*, const char*, intptr_t) { return 0; }
int noPost(jint, jint, const intptr_t*) { return 0; }
void nothing() {}
void* noEnter() { return nullptr; }

HAL_Callbacks hooks{noCreate, noPost, nothing, noEnter, nothing, nothing};

const char16_t kFallbackName[] = u"_WREN_set_your_MIDlet-Name";
const char kBootClass[] = "com.nimbault.marl.AMS";

// How long the running loop waits for a message before it looks at the
// current frame again: one frame at 60 Hz. A flush posts a message, so a
// flushed frame is presented at once; the limit only bounds how long a frame
// that became pending any other way waits.
constexpr DWORD kFrameWaitMillis = 16;

// Written on the UI thread, read by any thread that posts.
std::atomic<bool> running{true};
std::atomic<bool> active{true};
std::atomic<bool> powerOn{true};
std::atomic<bool> exiting{false};
std::atomic<bool> opticalMouse{false};
// Set when the application reported that it can't go on: the program then
// ends with exit code 1 whichever way its loop ends.
std::atomic<bool> failed{false};
std::atomic<DWORD> uiThread{0};

InstanceLock* instanceLock = nullptr;
NativeString* storedUrl = nullptr;  // guarded by the VM lock
NativeThread* uiRecord = nullptr;
bool ownsUiRecord = false;

std::u16string applicationName() {
    const std::u16string key = u"MIDlet-Name";
    jint n = HAL_getApplicationPropertyLength(key.data(), jint(key.size()));
    if (n < 1) return kFallbackName;
    std::u16string name(size_t(n), u'\0');
    jint copied = n;
    if (HAL_getApplicationProperty(key.data(), jint(key.size()), name.data(), &copied) != HAL_OK)
        return kFallbackName;
    name.resize(size_t(copied));
    return name;
}

// A second instance brings the first one's window to the front.
void bringFirstInstanceForward(const std::u16string& name) {
    HWND first = FindWindowW(name.c_str(), nullptr);
    if (!first) return;
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(first) | 1));
    if (IsWindowEnabled(first)) ShowWindow(first, 13);
}

void bootVM() {
    HAL_enterVMLock();
    MemoryStatus memory = globalMemoryStatus();
    uint64_t least = std::min(memory.availPhys, memory.availVirtual);
    uint64_t first = least / 10;
    uint64_t second = least - least / 10;
    int result = hooks.create(first, second, NativeThread_current(), kBootClass, 0);
    if (result == 0) {
        hooks.collect();
        HAL_leaveVMLock();
        return;
    }
    if (result == 1)
        vmFatalError(
            "init() failed with CALLBACK_INITIALIZATION_FAILED error (probably a bad boot class "
            "name).");
    if (result == 2) vmFatalError("init() failed with CALLBACK_UNCAUGHT_EXCEPTION.");
    vmFatalError("init() failed with an unknown error!");
}

// Undoes what a failed init had taken, so that the process (or the next
// start in the same process) does not find its own lock still held.
void abandonInit() {
    PowerMonitor_stop();
    if (HWND main = HAL_getMainWindow(); IsWindow(main)) DestroyWindow(main);
    HAL_closeStateNotifications();
    if (ownsUiRecord) NativeThread_releaseAdopted(uiRecord);
    uiRecord = nullptr;
    ownsUiRecord = false;
    releaseInstanceLock(instanceLock);
    instanceLock = nullptr;
    PropertyFile_freeAll();
}

void applyPauseRule() {
    bool pause = !active || !powerOn;
    if (pause != running) return;  // already in that state
    if (pause) {
        running = false;
        HAL_stopAllPlayers();
        postHostEvent(VM_EVENT_PAUSE, 0, nullptr, true);
    } else {
        running = true;
        postHostEvent(VM_EVENT_RESUME, 0, nullptr, true);
    }
}

void translateKey(MSG& message) {
    HWND main = HAL_getMainWindow();
    bool composed = message.wParam == VK_PROCESSKEY;
    if (composed) message.wParam = ImmGetVirtualKey(main);
    TranslateMessage(&message);
    MSG typed;
    while (PeekMessageW(&typed, main, WM_CHAR, WM_CHAR, PM_REMOVE)) DispatchMessageW(&typed);
    if (composed) {
        WPARAM real = message.wParam;
        message.wParam = VK_PROCESSKEY;
        TranslateMessage(&message);
        message.wParam = real;
    }
}

// Dispatches everything queued for the main window; true at WM_QUIT, with
// its code.
bool dispatchQueued(HWND main, int* exitCode) {
    MSG message{};
    while (PeekMessageW(&message, main, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *exitCode = int(message.wParam);
            return true;
        }
        hostDispatchMessage(message);
    }
    return false;
}

void presentCurrentDisplay() {
    NativeDisplayable* current = HAL_getCurrentDisplayObject();
    if (current && current->screenListener) current->screenListener->presentPending();
}

}  // namespace

void HAL_registerCallbacks(const HAL_Callbacks* table) {
    if (table) hooks = *table;
    if (!hooks.create) hooks.create = noCreate;
    if (!hooks.post) hooks.post = noPost;
    if (!hooks.leave) hooks.leave = nothing;
    if (!hooks.enter) hooks.enter = noEnter;
    if (!hooks.collect) hooks.collect = nothing;
    if (!hooks.shutdown) hooks.shutdown = nothing;
}

const HAL_Callbacks& HAL_callbacks() { return hooks; }

int runHost(HINSTANCE instance, int showCommand) {
    if (!initHost(instance, showCommand)) return 1;
    int code = runMessageLoop();
    cleanupHost();
    return code;
}

bool initHost(HINSTANCE instance, int showCommand) {
    uiThread = GetCurrentThreadId();
    running = true;
    active = true;
    powerOn = true;
    exiting = false;
    opticalMouse = false;
    failed = false;

    HAL_reserveMemory();
    HAL_initDeviceProperties();
    std::u16string name = applicationName();

    bool alreadyRunning = false;
    instanceLock = acquireInstanceLock(hostProgramFolder(), u"Local\\" + name, &alreadyRunning);
    if (!instanceLock) {
        // Without the lock a second instance could not be told from the
        // first: start-up stops either way.
        if (alreadyRunning) {
            std::fprintf(stderr,
                         "wren: %s is already running: its window is brought to the front\n",
                         toUtf8(name).c_str());
            bringFirstInstanceForward(name);
        } else {
            std::fprintf(stderr, "wren: cannot take the single-instance lock: %s\n",
                         std::strerror(errno));
        }
        PropertyFile_freeAll();
        return false;
    }

    if (!HAL_createMainWindow(instance, name.c_str(), &hostWindowProc)) {
        abandonInit();
        return false;
    }
    ShowWindow(HAL_getMainWindow(), showCommand);

    // No COM on the desktop: image decoding does without it.
    ownsUiRecord = NativeThread_current() == nullptr;
    uiRecord = NativeThread_adoptCurrent();
    if (!uiRecord || !PowerMonitor_start()) {
        abandonInit();
        return false;
    }
    // Record stores join start-up with their own work.
    Rotation_init();
    FontCache_init();
    if (SamsungSdk_load() && SamsungSdk_hasOpticalMouse()) {
        opticalMouse = true;
        SamsungSdk_setOpticalMouseMode(1);
    }
    HtcSensorSdk_load();
    bootVM();
    return true;
}

int runMessageLoop() {
    HWND main = HAL_getMainWindow();
    MSG message{};
    bool quit = false;
    int exitCode = 1;
    while (!quit) {
        if (running) {
            HAL_enterVMLock();
            quit = dispatchQueued(main, &exitCode);
            if (running && !quit) {
                presentCurrentDisplay();
                // The input script's steps of the frame just shown are in
                // the queue; their flusher waits until they have reached
                // the canvas, which they do here, before the lock goes.
                if (HAL_isScriptInputHeld()) {
                    quit = dispatchQueued(main, &exitCode);
                    HAL_releaseScriptInput();
                }
            }
            HAL_leaveVMLock();
            // Idle until there is something to do, outside the lock.
            if (running && !quit)
                MsgWaitForMultipleObjectsEx(0, nullptr, kFrameWaitMillis, QS_ALLINPUT, 0);
        } else if (!GetMessageW(&message, main, 0, 0)) {
            // The quit code counts whichever branch takes it: a close while
            // paused is as clean an exit as one while running.
            quit = true;
            exitCode = int(message.wParam);
        } else {
            HAL_enterVMLock();
            hostDispatchMessage(message);
            HAL_leaveVMLock();
        }
    }
    return failed ? 1 : exitCode;
}

void cleanupHost() {
    HAL_enterVMLock();
    NativeString* url = storedUrl;
    storedUrl = nullptr;
    HAL_leaveVMLock();
    if (url) {
        if (url->length() > 0) openUrl(std::u16string(url->buffer(), size_t(url->length())));
        url->release();
    }
    HAL_setBacklight(false);
    HttpSession_close();
    ConnMgr_release();
    HAL_closeStateNotifications();
    HtcSensorSdk_unload();
    DeviceLibraries_unload();
    PowerMonitor_stop();
    FontCache_free();
    if (ownsUiRecord) NativeThread_releaseAdopted(uiRecord);
    uiRecord = nullptr;
    ownsUiRecord = false;
    releaseInstanceLock(instanceLock);
    instanceLock = nullptr;
    PropertyFile_freeAll();
}

void postHostEvent(jint kind, jint argc, const intptr_t* args, bool takeLock) {
    if (exiting) return;
    if (takeLock) {
        HAL_enterVMLock();
        hooks.enter();
    }
    hooks.post(kind, argc, args);
    if (takeLock) HAL_leaveVMLock();
}

void shutdownHost() {
    exiting = true;
    HAL_releaseRepaintWaits();
    HAL_enterVMLock();
    hooks.enter();
    hooks.post(VM_EVENT_DESTROY, 0, nullptr);
    hooks.shutdown();
    HAL_leaveVMLock();
}

void hostDispatchMessage(MSG& message) {
    if (message.message == WM_KEYDOWN || message.message == WM_KEYUP) translateKey(message);
    DispatchMessageW(&message);
}

void hostWakeLoop() {
    // Any message ends the wait; WM_NULL is one every window procedure ignores.
    if (HWND main = HAL_getMainWindow()) PostMessageW(main, WM_NULL, 0, 0);
}

int32_t HAL_requestExit() {
    PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
    return HAL_OK;
}

void HAL_setExitFailed() { failed = true; }

int32_t HAL_openURL(const jchar* url, jint length, jboolean* mustExit) {
    NativeString* copy = NativeString::fromChars(url, length);
    if (!copy) return HAL_OUT_OF_MEMORY;
    if (storedUrl) storedUrl->release();
    storedUrl = copy;
    if (mustExit) *mustExit = true;
    return HAL_OK;
}

void setForeground(bool foreground) {
    if (active != foreground) active = foreground;
    if (foreground && opticalMouse) SamsungSdk_setOpticalMouseMode(1);
    applyPauseRule();
}

void setPowerOn(bool on) {
    if (powerOn != on) powerOn = on;
    applyPauseRule();
}

bool HAL_isUIThread() { return uiThread != 0 && GetCurrentThreadId() == uiThread; }
bool hostIsExiting() { return exiting; }
bool hostIsRunning() { return running; }
bool hostHasOpticalMouse() { return opticalMouse; }
