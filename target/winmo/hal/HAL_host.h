// The host: the program's main body. It starts the platform services in a
// fixed order, boots the runtime through the hook table, runs the message
// loop on the UI thread, turns activation and power changes into pause and
// resume, handles the exit request and tears everything down again.
#pragma once

#include <cstdint>

#include "VMEvents.h"
#include "VMTypes.h"
#include "ce_win32.h"

struct NativeThread;

// The six ways back into the runtime, in the table's order.
struct HAL_Callbacks {
    // (first memory figure, second memory figure, the calling thread's
    // record, boot class name, 0) → 0 booted, 1 initialisation failed,
    // 2 uncaught exception, anything else an unknown failure.
    int (*create)(uint64_t, uint64_t, NativeThread*, const char*, intptr_t);
    // (kind, number of integer arguments, the arguments).
    int (*post)(jint kind, jint argc, const intptr_t* args);
    void (*leave)();
    // Run by every bridge operation that takes the VM lock back.
    void* (*enter)();
    void (*collect)();
    void (*shutdown)();
};

// Copies the table; empty entries (all of them for a null table) get
// defaults that do nothing and return 0.
void HAL_registerCallbacks(const HAL_Callbacks* table);
const HAL_Callbacks& HAL_callbacks();

// Init, the message loop and cleanup; 1 at once when init fails.
int runHost(ce::HINSTANCE instance, int showCommand);
bool initHost(ce::HINSTANCE instance, int showCommand);
int runMessageLoop();
void cleanupHost();

// Posts an event (its kind from VMEvents.h) to the runtime unless the
// program is exiting. With `takeLock` the VM lock is taken (it is
// re-entrant) and the enter-VM hook run around the post.
void postHostEvent(jint kind, jint argc, const intptr_t* args, bool takeLock);
// Marks the program as exiting, posts the destroy event and shuts the VM down.
void shutdownHost();
// Dispatches one message as the loop does: key messages are translated
// first, and the characters they typed are dispatched before them.
void hostDispatchMessage(ce::MSG& message);

// Wakes the message loop from its wait for the next message (any thread):
// a frame was flushed and waits to be presented.
void hostWakeLoop();

// Asks the main window to exit (WM_USER+1); 0.
int32_t HAL_requestExit();
// Makes the program's exit code 1 however its loop ends: the application
// could not go on. The exit itself is asked for as any other.
void HAL_setExitFailed();
// Stores a URL to open once the program has ended (replacing one stored
// before) and tells the MIDlet it must exit. HAL_OUT_OF_MEMORY when the copy
// can't be made (the earlier URL is kept).
int32_t HAL_openURL(const jchar* url, jint length, jboolean* mustExit);

// The window procedure's reports of activation and power changes.
void setForeground(bool foreground);
void setPowerOn(bool powerOn);

bool HAL_isUIThread();
bool hostIsExiting();
bool hostIsRunning();
bool hostHasOpticalMouse();
