// The program's one window: its creation, the window procedure, and the
// native displayables that the MIDP layer shows in it. The current display
// object handles the window's messages; a native canvas turns keys,
// characters and the stylus into the runtime's key and pointer events.
#pragma once

#include <cstdint>

#include "HAL_input.h"
#include "HAL_repaint.h"
#include "VMTypes.h"
#include "ce_win32.h"

struct NativeCommand;

class NativeDisplayable {
public:
    explicit NativeDisplayable(intptr_t id);
    virtual ~NativeDisplayable();
    NativeDisplayable(const NativeDisplayable&) = delete;
    NativeDisplayable& operator=(const NativeDisplayable&) = delete;

    virtual jint getWidth();
    virtual jint getHeight();
    // Whether the main window is visible.
    virtual bool isShown();
    virtual void setFullScreenMode(bool on);
    // The title, ticker and commands have no place on the screen of a
    // full-screen game; they are accepted and dropped.
    virtual void setTitle(const jchar* text, jint length);
    virtual void setTicker(const jchar* text, jint length);
    virtual void addCommand(NativeCommand* command);
    virtual void removeCommand(NativeCommand* command);
    virtual ce::LRESULT handleWindowMessage(ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam);
    // Takes the client size; on a change, tells the screen buffer and posts
    // the size event (VM_EVENT_SIZE_CHANGED).
    virtual void checkSize();

    jint width = 0;
    jint height = 0;
    intptr_t id = 0;  // posted with the display and size events
    ScreenListener* screenListener = nullptr;
    bool fullScreen = false;

protected:
    // What every display object does with the window's messages.
    ce::LRESULT defaultHandler(ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam);
};

class NativeCanvas : public NativeDisplayable {
public:
    explicit NativeCanvas(intptr_t id);
    ~NativeCanvas() override;

    void setFullScreenMode(bool on) override;
    ce::LRESULT handleWindowMessage(ce::UINT message, ce::WPARAM wParam,
                                    ce::LPARAM lParam) override;

    KeyState keys;
    PointerState pointer;
};

// The main window: class and title are the application name. 1 on success,
// 0 when the instance is null (last error 6), the class cannot be
// registered or the window cannot be made.
int HAL_createMainWindow(ce::HINSTANCE instance, const char16_t* name, ce::WNDPROC procedure);
void HAL_closeStateNotifications();
ce::HWND HAL_getMainWindow();
ce::LRESULT hostWindowProc(ce::HWND window, ce::UINT message, ce::WPARAM wParam,
                           ce::LPARAM lParam);

void HAL_setWindowDisplayObject(NativeDisplayable* object);
NativeDisplayable* HAL_getCurrentDisplayObject();
// Shows the object and posts the display event (VM_EVENT_DISPLAY) without taking
// the VM lock; 0.
int32_t HAL_setCurrent(NativeDisplayable* object);

int32_t HAL_createCanvas(NativeCanvas** out, intptr_t id);
// A canvas that is being shown stops being the current display object first.
int32_t HAL_deleteCanvas(NativeCanvas* canvas);
int32_t HAL_getDisplayableSize(NativeDisplayable* object, jint* width, jint* height);
void HAL_setTitle(NativeDisplayable* object, const jchar* text, jint length);
void HAL_setTicker(NativeDisplayable* object, const jchar* text, jint length);
void HAL_addCommand(NativeDisplayable* object, NativeCommand* command);
void HAL_removeCommand(NativeDisplayable* object, NativeCommand* command);
void HAL_setFullScreenMode(NativeDisplayable* object, jint flag);
// Each output may be null: 0, 0, 1.
int32_t HAL_getCanvasCapabilities(jboolean* first, jboolean* second, jboolean* third);
