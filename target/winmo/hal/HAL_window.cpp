#include "HAL_window.h"

#include "HAL_host.h"
#include "HAL_power.h"
#include "HAL_status.h"
#include "ce_system.h"
#include "ce_window.h"

using namespace ce;

namespace {

HWND mainWindow = nullptr;
RegistryNotification* stateNotifications[2] = {};

// The screen less the task bar. The desktop has no task bar over the
// window, so the work area is the whole screen.
RECT workArea() {
    SystemInfo info = systemInfo();
    return RECT{0, 0, info.screenWidth, info.screenHeight};
}

int16_t xOf(LPARAM lParam) { return int16_t(LOWORD(uintptr_t(lParam))); }
int16_t yOf(LPARAM lParam) { return int16_t(HIWORD(uintptr_t(lParam))); }

}  // namespace

// --- displayables -------------------------------------------------------------------

NativeDisplayable::NativeDisplayable(intptr_t displayId) : id(displayId) {
    RECT r{};
    GetClientRect(mainWindow, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
}

NativeDisplayable::~NativeDisplayable() = default;

jint NativeDisplayable::getWidth() { return width; }
jint NativeDisplayable::getHeight() { return height; }
bool NativeDisplayable::isShown() { return IsWindowVisible(mainWindow); }
void NativeDisplayable::setFullScreenMode(bool on) { fullScreen = on; }
void NativeDisplayable::setTitle(const jchar*, jint) {}
void NativeDisplayable::setTicker(const jchar*, jint) {}
void NativeDisplayable::addCommand(NativeCommand*) {}
void NativeDisplayable::removeCommand(NativeCommand*) {}

LRESULT NativeDisplayable::handleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultHandler(message, wParam, lParam);
}

void NativeDisplayable::checkSize() {
    RECT r{};
    GetClientRect(mainWindow, &r);
    jint w = r.right - r.left;
    jint h = r.bottom - r.top;
    if (w == width && h == height) return;
    width = w;
    height = h;
    if (screenListener) screenListener->sizeChanged();
    intptr_t args[3] = {id, w, h};
    postHostEvent(VM_EVENT_SIZE_CHANGED, 3, args, true);
}

LRESULT NativeDisplayable::defaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            // The shell's activation record would be cleared here; the
            // desktop shell keeps none.
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            Rotation_reapply();
            checkSize();
            return 0;
        case WM_ACTIVATE:
            if (HIWORD(wParam) == 0 && (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE)) {
                setForeground(true);
                setFullScreenMode(fullScreen);
            } else {
                setForeground(false);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(mainWindow, &paint);
            EndPaint(mainWindow, &paint);
            return 0;
        }
        case WM_CLOSE:
        case WM_USER + 1:
            shutdownHost();
            DestroyWindow(mainWindow);
            return 0;
        case WM_ERASEBKGND:
            return -1;
        case WM_SETTINGCHANGE:
            if (wParam == SETTINGCHANGE_RESET) {
                Rotation_reapply();
                checkSize();
            }
            return 0;
        case WM_USER - 1:
            HAL_callbacks().collect();
            return 0;
        case WM_USER + 2:
        case WM_USER + 5:
            return 0;  // phone and message state: nothing to do
        case WM_USER + 3:
            setPowerOn(wParam == 1);
            return 0;
        case WM_USER + 4:
            setDisplayOrientation(int(wParam));
            return 0;
        default:
            return DefWindowProcW(mainWindow, message, wParam, lParam);
    }
}

NativeCanvas::NativeCanvas(intptr_t displayId) : NativeDisplayable(displayId), keys(mainWindow) {
    pointer.readIgnoreList();
}

NativeCanvas::~NativeCanvas() = default;

void NativeCanvas::setFullScreenMode(bool on) {
    fullScreen = on;
    SetForegroundWindow(mainWindow);
    SystemInfo info = systemInfo();
    RECT r = on ? RECT{0, 0, info.screenWidth, info.screenHeight} : workArea();
    MoveWindow(mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    checkSize();
}

LRESULT NativeCanvas::handleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            keys.keyDown(wParam, lParam);
            return 0;
        case WM_KEYUP:
            keys.keyUp(wParam, lParam);
            return 0;
        case WM_CHAR:
            keys.character(uint32_t(wParam));
            return 0;
        case WM_MOUSEMOVE:
            if (wParam & MK_LBUTTON) {
                pointer.move(xOf(lParam), yOf(lParam));
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            pointer.down(xOf(lParam), yOf(lParam));
            return 0;
        case WM_LBUTTONUP:
            pointer.up(xOf(lParam), yOf(lParam));
            return 0;
        default:
            break;
    }
    return defaultHandler(message, wParam, lParam);
}

// --- the main window ---------------------------------------------------------------

int HAL_createMainWindow(HINSTANCE instance, const char16_t* name, WNDPROC procedure) {
    if (!instance) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = nullptr;  // the desktop build carries no icon resource
    wc.lpszClassName = name;
    if (!RegisterClassW(&wc)) return 0;
    mainWindow = CreateWindowExW(0, name, name, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!mainWindow) return 0;
    stateNotifications[0] = registryNotifyWindow(RegistryRoot::LocalMachine, u"System\\State\\Phone",
                                                 u"Status", mainWindow, WM_USER + 2, 1);
    stateNotifications[1] =
        registryNotifyWindow(RegistryRoot::CurrentUser, u"System\\State\\Messages\\SMS\\Unread",
                             u"Count", mainWindow, WM_USER + 5, 2);
    return 1;
}

void HAL_closeStateNotifications() {
    for (RegistryNotification*& n : stateNotifications) {
        registryCloseNotification(n);
        n = nullptr;
    }
}

HWND HAL_getMainWindow() { return mainWindow; }

LRESULT hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == mainWindow) {
        if (NativeDisplayable* current = HAL_getCurrentDisplayObject())
            return current->handleWindowMessage(message, wParam, lParam);
        // Before anything is shown the exit path still has to work: closing
        // would otherwise destroy the window without ending the loop.
        switch (message) {
            case WM_CLOSE:
            case WM_USER + 1:
                shutdownHost();
                DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void HAL_setWindowDisplayObject(NativeDisplayable* object) {
    SetWindowLongPtrW(mainWindow, GWL_USERDATA, reinterpret_cast<LONG_PTR>(object));
    HAL_displayChanged();
    InvalidateRect(mainWindow, nullptr, TRUE);
    UpdateWindow(mainWindow);
}

NativeDisplayable* HAL_getCurrentDisplayObject() {
    return reinterpret_cast<NativeDisplayable*>(GetWindowLongPtrW(mainWindow, GWL_USERDATA));
}

int32_t HAL_setCurrent(NativeDisplayable* object) {
    HAL_setWindowDisplayObject(object);
    intptr_t args[1] = {object ? object->id : 0};
    postHostEvent(VM_EVENT_DISPLAY, 1, args, false);
    return HAL_OK;
}

// --- canvases and displayable operations ----------------------------------------------

int32_t HAL_createCanvas(NativeCanvas** out, intptr_t id) {
    if (!out) return HAL_BAD_ARGUMENT;
    *out = new NativeCanvas(id);
    return HAL_OK;
}

int32_t HAL_deleteCanvas(NativeCanvas* canvas) {
    if (!canvas) return HAL_OK;
    if (HAL_getCurrentDisplayObject() == canvas) {
        SetWindowLongPtrW(mainWindow, GWL_USERDATA, 0);
        HAL_displayChanged();
    }
    delete canvas;
    return HAL_OK;
}

int32_t HAL_getDisplayableSize(NativeDisplayable* object, jint* width, jint* height) {
    if (!object) return HAL_BAD_ARGUMENT;
    if (width) *width = object->getWidth();
    if (height) *height = object->getHeight();
    return HAL_OK;
}

void HAL_setTitle(NativeDisplayable* object, const jchar* text, jint length) {
    if (object && text) object->setTitle(text, length);
}

void HAL_setTicker(NativeDisplayable* object, const jchar* text, jint length) {
    if (object && text) object->setTicker(text, length);
}

void HAL_addCommand(NativeDisplayable* object, NativeCommand* command) {
    if (object && command) object->addCommand(command);
}

void HAL_removeCommand(NativeDisplayable* object, NativeCommand* command) {
    if (object && command) object->removeCommand(command);
}

void HAL_setFullScreenMode(NativeDisplayable* object, jint flag) {
    if (object) object->setFullScreenMode(flag != 0);
}

int32_t HAL_getCanvasCapabilities(jboolean* first, jboolean* second, jboolean* third) {
    if (first) *first = false;
    if (second) *second = false;
    if (third) *third = true;
    return HAL_OK;
}
