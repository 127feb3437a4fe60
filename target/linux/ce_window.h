// Windows, the message queue and timers, shaped like the device platform's
// calls and backed by SDL2. Every window lives on the thread that created it
// (the UI thread), which is also the only one that may read the queue;
// PostMessageW may be called from any thread.
#pragma once

#include "ce_win32.h"

namespace ce {

// The program's instance handle (never null).
HINSTANCE moduleInstance();

DWORD GetLastError();
void SetLastError(DWORD error);
DWORD GetCurrentThreadId();

// --- windows ----------------------------------------------------------------

// 0 with ERROR_CLASS_ALREADY_EXISTS when the class name is taken.
ATOM RegisterClassW(const WNDCLASSW* windowClass);
// CW_USEDEFAULT for the size gives the whole screen. Sends WM_CREATE and
// then WM_SIZE before it returns; null when the class is unknown, the
// window cannot be made or WM_CREATE returns -1.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     void* param);
// Sends WM_DESTROY, then drops the window's queued messages and timers.
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
// The low bit of the handle (the platform's "bring the owned windows too")
// is accepted and ignored. A window that was not in front is activated: it
// gets WM_ACTIVATE before this returns. A window of another process is
// asked to come forward.
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
// Finds a window by class name (the title is not compared when null): this
// process's windows first, then the first window of another process that
// registered the class.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL IsWindow(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL GetClientRect(HWND window, RECT* rect);
// A new size sends WM_SIZE before this returns.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// --- messages ---------------------------------------------------------------

// Any thread. FALSE for a window that does not exist.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// A filter window of null takes every message; a message range of 0, 0
// takes every number. WM_QUIT comes once nothing else is queued, whatever
// the window filter, and only when the range admits it.
BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove);
// Blocks until a message comes; 0 for WM_QUIT.
BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last);
// Blocks until input comes that the thread has not looked at yet (a message
// posted, a paint owed or a timer come due since its last PeekMessageW or
// GetMessageW) or `millis` pass (INFINITE: no limit); WAIT_OBJECT_0 + count
// for input, WAIT_TIMEOUT. There are no objects to wait on besides the
// queue: a count other than 0, or any flag, fails with
// ERROR_INVALID_PARAMETER. Every kind of input wakes it, whatever the mask.
// Window-system events, requests from other processes and due input-script
// steps wake it as input; the next PeekMessageW turns them into messages.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD millis, DWORD wakeMask,
                                  DWORD flags);
// Posts the WM_CHAR messages a key-down typed; TRUE when it posted any.
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);
// Calls the window procedure at once (same thread only).
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMillis, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

// The key behind a VK_PROCESSKEY message. No input method runs on the
// desktop, so there never is one: 0.
UINT ImmGetVirtualKey(HWND window);

// --- stand-in only ------------------------------------------------------------

// A change of focus as the window manager reports it: the window comes to
// the front or leaves it, and gets WM_ACTIVATE through its queue.
void activateWindow(HWND window, bool active);
// The last show command given to a window (0 when none); tests read it.
int lastShowCommand(HWND window);
// Number of windows alive in this process.
int windowCount();
// Tests only: every MsgWaitForMultipleObjectsEx first sleeps this long, as
// a UI thread that a busy machine schedules late (0, the default: no delay).
void setWaitDelayForTesting(DWORD millis);

}  // namespace ce
