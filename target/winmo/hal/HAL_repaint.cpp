#include "HAL_repaint.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "HAL_host.h"
#include "HAL_threads.h"
#include "HAL_window.h"

namespace {

std::mutex handshakeLock;
std::condition_variable presented;
// Counts the changes of the current display object; guarded by
// handshakeLock, changed under the VM lock too.
uint64_t displayGeneration = 0;

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
    present(argument);
    handshake->pending = false;
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
