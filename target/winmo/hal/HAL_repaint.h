// What the window and the message loop need of a displayable's screen
// buffer, before the graphics layer exists: a listener the displayable tells
// about size changes and the loop asks to present, and the repaint handshake
// between a thread that flushed a frame and the UI thread that shows it.
#pragma once

class ScreenListener {
public:
    virtual ~ScreenListener() = default;
    // The displayable's client area changed size (UI thread, VM lock held).
    virtual void sizeChanged() = 0;
    // Presents the frame if one is pending (UI thread, VM lock held); the
    // message loop calls it after every drain while the program runs.
    virtual void presentPending() = 0;
};

// One per screen buffer. Its flag is guarded by the handshake's own lock,
// taken after the VM lock, never before it.
struct RepaintHandshake {
    bool pending = false;
};

using HAL_PresentFunction = void (*)(void* argument);

// Shows a flushed frame of `screen`. The host presents only the screen of
// the current display object: a frame of any other has nowhere to go, and
// the call returns at once without presenting it (off the UI thread, after
// letting the VM lock go and taking it back, so that other threads get
// their turn). On the UI thread `present` runs at once and the flag is not
// touched. Elsewhere the frame is marked
// pending, the message loop is woken from its wait, the VM lock is given up
// while the UI thread presents it, and the
// call returns once it has, once `screen` stops being the one shown (the
// frame is dropped), or once the program is exiting (the loop presents
// nothing after that), then takes the lock back and runs the enter-VM hook.
// A frame held for the input script (HAL_presentIfPending) returns once the
// loop releases it; should that take over five seconds, it says so on
// standard error and returns all the same.
void HAL_flushAndWait(const ScreenListener* screen, RepaintHandshake* handshake,
                      HAL_PresentFunction present, void* argument);
// UI thread: presents and clears the flag when a frame is pending. When the
// present ran input-script steps (a scripted run), the flush that waits for
// it goes on holding until HAL_releaseScriptInput: the loop delivers the
// steps' messages first, so that the frame after it sees them.
void HAL_presentIfPending(RepaintHandshake* handshake, HAL_PresentFunction present, void* argument);
// UI thread: whether a present holds its flush for the input script.
bool HAL_isScriptInputHeld();
// UI thread, once the queue is drained: the held flush goes on.
void HAL_releaseScriptInput();
bool HAL_isRepaintPending(const RepaintHandshake* handshake);
// The current display object changed (under the VM lock): every flush wait
// looks again at whether its screen is still the one shown.
void HAL_displayChanged();
// Ends every flush wait; the host calls it when the program starts exiting.
void HAL_releaseRepaintWaits();
