#include "HAL_repaint.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "HAL_host.h"
#include "HAL_threads.h"
#include "HAL_window.h"
#include "ce_screen.h"

namespace {

std::mutex handshakeLock;
std::condition_variable presented;
// Counts the changes of the current display object; guarded by
// handshakeLock, changed under the VM lock too.
uint64_t displayGeneration = 0;
// Set by a present that ran input-script steps, until the loop has
// delivered their messages; guarded by handshakeLock. The input of frame N
// then reaches the canvas before the flusher starts frame N + 1, however
// late the machine's load lets the loop run.
bool scriptInputHeld = false;
// A hold that outlasts this has lost its way (a listener blocked on a
// monitor the flusher holds): the flusher goes on rather than hang.
constexpr auto kScriptHoldLimit = std::chrono::seconds(5);

// Whether the host presents this screen's frames: the loop presents the
// current display object's screen and no other. Read under the VM lock,
// where the current display object and its screen change.
bool isShown(const ScreenListener* screen) {
    NativeDisplayable* current = HAL_getCurrentDisplayObject();
    return screen && current && current->screenListener == screen;
}

}  // namespace

void HAL_flushAndWait(const ScreenListener* screen, RepaintHandshake* handshake,
                      HAL_PresentFunction present, void* argument) {
    if (!handshake || !present) return;
    if (HAL_isUIThread()) {
        if (isShown(screen)) present(argument);
        return;
    }
    if (!isShown(screen)) {
        // Nothing to show. The lock is still let go, as by every flush, so
        // that a game loop flushing a hidden canvas leaves the other
        // threads their turn.
        if (int depth = HAL_releaseVMLockFully(); depth > 0) {
            HAL_reacquireVMLock(depth);
            HAL_callbacks().enter();
        }
        return;
    }
    uint64_t seen;
    {
        std::lock_guard<std::mutex> g(handshakeLock);
        handshake->pending = true;
        seen = displayGeneration;
    }
    // The loop sleeps between messages: the frame needs it awake.
    hostWakeLoop();
    int depth = HAL_releaseVMLockFully();
    bool dropped = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lk(handshakeLock);
            presented.wait(lk, [&] {
                return !handshake->pending || hostIsExiting() || displayGeneration != seen;
            });
            if (!handshake->pending && scriptInputHeld && !hostIsExiting()) {
                auto limit = std::chrono::steady_clock::now() + kScriptHoldLimit;
                if (!presented.wait_until(lk, limit, [&] {
                        return !scriptInputHeld || hostIsExiting();
                    })) {
                    scriptInputHeld = false;
                    std::fprintf(stderr,
                                 "wren: the input script's steps at frame %llu were not "
                                 "delivered within 5 s; the frame goes on without them\n",
                                 static_cast<unsigned long long>(ce::presentedFrames()));
                }
            }
            if (!handshake->pending || hostIsExiting()) break;
        }
        // The display changed: look again, under the VM lock, where it
        // changes, so that no further change can slip in unseen.
        if (depth > 0) {
            HAL_reacquireVMLock(depth);
            HAL_callbacks().enter();
        }
        bool shown = isShown(screen);
        {
            std::lock_guard<std::mutex> g(handshakeLock);
            seen = displayGeneration;
            if (!shown) handshake->pending = false;
        }
        if (!shown) {
            dropped = true;
            break;
        }
        depth = HAL_releaseVMLockFully();
    }
    if (depth > 0 && !dropped) {
        HAL_reacquireVMLock(depth);
        HAL_callbacks().enter();
    }
}

void HAL_presentIfPending(RepaintHandshake* handshake, HAL_PresentFunction present, void* argument) {
    if (!handshake || !present) return;
    std::lock_guard<std::mutex> g(handshakeLock);
    if (!handshake->pending) return;
    uint64_t stepsBefore = ce::scriptStepsRun();
    present(argument);
    if (ce::scriptStepsRun() != stepsBefore) scriptInputHeld = true;
    handshake->pending = false;
    presented.notify_all();
}

bool HAL_isScriptInputHeld() {
    std::lock_guard<std::mutex> g(handshakeLock);
    return scriptInputHeld;
}

void HAL_releaseScriptInput() {
    std::lock_guard<std::mutex> g(handshakeLock);
    if (!scriptInputHeld) return;
    scriptInputHeld = false;
    presented.notify_all();
}

bool HAL_isRepaintPending(const RepaintHandshake* handshake) {
    std::lock_guard<std::mutex> g(handshakeLock);
    return handshake && handshake->pending;
}

void HAL_displayChanged() {
    std::lock_guard<std::mutex> g(handshakeLock);
    ++displayGeneration;
    presented.notify_all();
}

void HAL_releaseRepaintWaits() {
    std::lock_guard<std::mutex> g(handshakeLock);
    presented.notify_all();
}
