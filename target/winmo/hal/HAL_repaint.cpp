#include "HAL_repaint.h"

#include <condition_variable>
#include <mutex>

#include "HAL_host.h"
#include "HAL_threads.h"

namespace {

std::mutex handshakeLock;
std::condition_variable presented;

}  // namespace

void HAL_flushAndWait(RepaintHandshake* handshake, HAL_PresentFunction present, void* argument) {
    if (!handshake || !present) return;
    if (HAL_isUIThread()) {
        present(argument);
        return;
    }
    int depth = HAL_releaseVMLockFully();
    {
        std::unique_lock<std::mutex> lk(handshakeLock);
        handshake->pending = true;
        // The loop sleeps between messages: the frame needs it awake.
        hostWakeLoop();
        presented.wait(lk, [handshake] { return !handshake->pending || hostIsExiting(); });
    }
    if (depth > 0) {
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

void HAL_releaseRepaintWaits() {
    std::lock_guard<std::mutex> g(handshakeLock);
    presented.notify_all();
}
