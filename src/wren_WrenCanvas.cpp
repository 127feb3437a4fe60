// The game canvas: its game loop and sessions, frame timing, pause and
// system events, the game area and small helpers. The other concerns of the
// class live beside it in wren_WrenCanvas_<concern>.cpp.

#include "wren_WrenCanvas.h"

#include "VMMath.h"
#include "VMTry.h"
#include "java_lang_Exception.h"
#include "java_lang_Integer.h"
#include "java_lang_InterruptedException.h"
#include "wren_GameClock.h"
#include "wren_MediaManagerImpl.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas_WRC_NetworkSession.h"
#include "wren_WrenCanvas_WRC_SocketSession.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_platform_marl_WrenMarl.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::WrenCanvas, "wren.WrenCanvas", java::lang::Runnable)

namespace wren {

using java::lang::Object;
using java::lang::String;
using java::lang::StringBuffer;
using java::lang::Thread;
using javax::microedition::lcdui::Graphics;
using javax::microedition::midlet::MIDlet;
using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;

namespace {

// The frame timer's bounds on its slack account.
constexpr jint kDeltaLimit = 250;
constexpr jint kSlackLimit = 500;
constexpr jint kSlackBeforeSleep = 40;

jint clamp(jint v, jint low, jint high) { return v < low ? low : (v > high ? high : v); }

}  // namespace

void WrenCanvas::staticInit() {
    Statics& s = wrenStatics_();
    VMPtr<VMArray<jint>> map = VMArray<jint>::create(64);
    map[1] = -1;   // up
    map[2] = -3;   // left
    map[3] = 35;   // '#'
    map[5] = -4;   // right
    map[6] = -2;   // down
    map[8] = 13;   // carriage return
    map[9] = -10;  // talk
    map[10] = 42;  // '*'
    map[15] = -9;  // back
    for (jint digit = 0; digit <= 9; ++digit) map[16 + digit] = 48 + digit;
    map[26] = -11;  // end
    s.keyMap = map;
    s.nextFreeVirtualKey = 63;
}

// --- core ----------------------------------------------------------------------------

void WrenCanvas::ctor(const VMPtr<MIDlet>& owner) {
    GameCanvas::ctor(false);
    keyLock = Object::make();
    // Made here, not on first use: a network thread's first result and the
    // game thread's first queued work could otherwise each make one and
    // both go in.
    deferredLock = Object::make();
    keyStates = VMArray<jbyte>::create(KEY_SLOTS);
    keySnapshot = VMArray<jbyte>::create(KEY_SLOTS);
    pressedMaskCache = heldMaskCache = releasedMaskCache = 1;
    frameTime = 10;
    targetFrameTime = 10;
    maxFrameTime = 100;
    desiredFrameTime = 10;
    frameTimeCap = 100;
    requestedAreaWidth = -1;
    requestedAreaHeight = -1;
    pauseState = PAUSE_NONE;
    lifecycleState = LIFECYCLE_RUNNING;
    setFullScreenMode(true);
    Statics& s = S();
    s.instance = this;
    midlet = owner;
    s.appState = APP_CONSTRUCTED;
    s.shown = false;
    VMPtr<Thread> thread = Thread::make(VMPtr<java::lang::Runnable>(this));
    s.gameThread = thread;
    thread->start();
    updateFrameLimits();
    updateScreenSize();
}

bool WrenCanvas::exiting() {
    Statics& s = S();
    return s.appState == APP_EXITING || !s.gameThread;
}

void WrenCanvas::run() {
    vmTryCatch([&] { runFrames(); },
               [&](const VMPtr<java::lang::Throwable>& failure) { stopOnFailure(failure); });
}

void WrenCanvas::runFrames() {
    Statics& s = S();
    // An application that exits before it was ever shown ends the thread
    // here instead of leaving it to poll for good.
    while (!s.shown) {
        if (s.appState == APP_EXITING) {
            shutDownTouchInput();
            return;
        }
        sleep(50);
    }
    initTouchInput();
    sizeChangePending = false;
    updateScreenSize();
    s.appState = APP_RUNNING;
    onEvent(EVENT_STARTED);
    for (;;) {
        if (s.appState == APP_EXITING) break;
        checkSizeChanged();
        updatePauseState();
        if (!isShown()) {
            sleep(100);
            // The first frame after a hidden spell is not a long one.
            timerResetRequested = true;
        } else {
            frameTimer();
            processDeferred();
            update();
            if (s.appState == APP_EXITING) return;
            if (mediaManager && isShown()) mediaManager->run();
            if (s.appState == APP_EXITING) return;
            if (isShown()) {
                repaintAll = repaintRequested;
                repaintRequested = false;
                VMPtr<Graphics> g = getGraphics();
                paintFrame(g);
                flushGraphics();
            }
        }
        Thread::yield();
    }
    shutDownTouchInput();
}

// Without its loop the game shows its last frame for good: rather than
// stay up as if nothing happened, the program says what failed and ends
// with exit code 1.
void WrenCanvas::stopOnFailure(const VMPtr<java::lang::Throwable>& failure) {
    failure->printStackTrace();
    VMPtr<StringBuffer> text = StringBuffer::make("the game stopped: ");
    text->append(platform::marl::WrenMarl::describeFailure(failure));
    platform::marl::WrenMarl::reportFailure(text->toString());
    // What the exit releases may be what failed: the program ends anyway.
    vmTryCatch([&] { exit(); }, [](const VMPtr<java::lang::Throwable>&) {});
    if (midlet) midlet->notifyDestroyed();
}

void WrenCanvas::shutDownTouchInput() {
    PointerInputKeyManager::removeRegions(0);
    PointerInputEventManager::setMultiPointerEnabled(false);
    PointerInputEventManager::setEnabled(false);
    PointerInputEventManager::reset();
    // Undo what a pause may have left.
    PointerInputEventManager::setInputIgnored(false);
    PointerInputEventManager::setDeliverySuspended(false);
    S().instance = nullptr;
}

void WrenCanvas::paint(const VMPtr<Graphics>&) {}

void WrenCanvas::sleep(jint ms) {
    if (ms <= 0) return;
    if (ms >= 50) Thread::yield();
    vmTryCatch([&] { GameClock::get()->sleep(ms); },
               [](const VMPtr<java::lang::InterruptedException>&) {});
}

void WrenCanvas::exit() {
    Statics& s = S();
    s.appState = APP_EXITING;
    s.gameThread = nullptr;
    Resources::closePack();
    if (mediaManager) mediaManager->dispose();
}

void WrenCanvas::processDeferred() {
    if (!networkResultPending && !runnablesPending) return;
    VMSynchronized guard(deferredLock);
    if (networkResultPending) {
        VMPtr<VMArray<jbyte>> data = networkResultData;
        jint code = networkResultCode;
        networkResultPending = false;
        onNetworkTransferComplete(code, data);
        networkResultData = nullptr;
    }
    if (runnablesPending && runnableQueue) {
        // A Runnable queued by a Runnable runs in the same pass.
        while (!runnableQueue->isEmpty()) {
            VMPtr<java::lang::Runnable> r = vmCast<java::lang::Runnable>(runnableQueue->firstElement());
            runnableQueue->removeElementAt(0);
            r->run();
        }
        runnablesPending = false;
    }
}

void WrenCanvas::queueRunnable(const VMPtr<java::lang::Runnable>& r) {
    VMSynchronized guard(deferredLock);
    log(WREN_LIT("Scheduling network transfer complete"));
    runnablesPending = true;
    if (!runnableQueue) runnableQueue = java::util::Vector::make();
    runnableQueue->addElement(r);
}

void WrenCanvas::setNetworkResult(jint code, const VMPtr<VMArray<jbyte>>& data) {
    VMSynchronized guard(deferredLock);
    networkResultPending = true;
    networkResultCode = code;
    networkResultData = data && data->length > 0 ? data : nullptr;
}

void WrenCanvas::clearNetworkResult() {
    VMSynchronized guard(deferredLock);
    networkResultPending = false;
    networkResultData = nullptr;
}

void WrenCanvas::onNetworkTransferComplete(jint, const VMPtr<VMArray<jbyte>>&) {}
void WrenCanvas::onSocketData(const VMPtr<VMArray<jbyte>>&, jint) {}

// --- network and socket sessions ---

void WrenCanvas::startHttpRequest(const VMPtr<String>& url, const VMPtr<String>& headers,
                                  const VMPtr<VMArray<jbyte>>& postData) {
    VMSynchronized guard(this);
    cancelHttpRequest();
    VMPtr<WrenCanvas_WRC_NetworkSession> session = WrenCanvas_WRC_NetworkSession::make();
    networkSession = session;
    session->canvas = this;
    session->url = url;
    session->postData = postData;
    session->headers = headers;
    session->start();
}

void WrenCanvas::startHttpRequest(const VMPtr<String>& url, const VMPtr<String>& headers) {
    startHttpRequest(url, headers, nullptr);
}

void WrenCanvas::cancelHttpRequest() {
    VMSynchronized guard(this);
    clearNetworkResult();
    networkSession = nullptr;
}

jint WrenCanvas::getHttpContentLength() {
    VMSynchronized guard(this);
    VMPtr<WrenCanvas_WRC_NetworkSession> session =
        vmCast<WrenCanvas_WRC_NetworkSession>(networkSession);
    return session != nullptr ? session->contentLength : 0;
}

jint WrenCanvas::getHttpBytesReceived() {
    VMSynchronized guard(this);
    VMPtr<WrenCanvas_WRC_NetworkSession> session =
        vmCast<WrenCanvas_WRC_NetworkSession>(networkSession);
    return session != nullptr ? session->bytesReceived : 0;
}

void WrenCanvas::openSocket(const VMPtr<String>& address) {
    closeSocket();
    VMPtr<WrenCanvas_WRC_SocketSession> session = WrenCanvas_WRC_SocketSession::make();
    socketSession = session;
    session->canvas = this;
    VMPtr<java::lang::StringBuffer> url = java::lang::StringBuffer::make("socket://");
    url->append(address);
    session->url = url->toString();
    session->start();
}

void WrenCanvas::closeSocket() {
    VMPtr<WrenCanvas_WRC_SocketSession> session =
        vmCast<WrenCanvas_WRC_SocketSession>(socketSession);
    if (session != nullptr) session->close();
}

jint WrenCanvas::sendSocketData(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    using Session = WrenCanvas_WRC_SocketSession;
    VMPtr<Session> session = vmCast<Session>(socketSession);
    if (session == nullptr || session->closed) return -1;
    // A message the queue's packing cannot hold whole is refused rather than
    // sent cut short.
    if (data == nullptr || offset < 0 || length < 0 || offset > Session::MAX_MESSAGE_OFFSET ||
        length > Session::MAX_MESSAGE_LENGTH || length > data->length - offset)
        return -2;
    VMSynchronized guard(session->queue);
    // Checked again under the queue's monitor, which close takes to empty
    // the queue: nothing is queued on a closed session.
    if (session->closed) return -1;
    session->queue->addElement(data);
    session->queue->addElement(java::lang::Integer::make(offset * 65536 + length));
    session->queue->notify();
    return 0;
}

void WrenCanvas::paintFrame(const VMPtr<Graphics>& g) {
    if (!g) {
        repaintRequested = true;
        return;
    }
    jint screenWidth = getScreenWidth();
    jint screenHeight = getScreenHeight();
    if (gameAreaWidth != screenWidth || gameAreaHeight != screenHeight) {
        if (repaintAll) {
            g->setColor(jint(0xFF000000u));
            // The top and left bars follow the area's offsets; the bottom and
            // right ones take the rounded-up half of the spare space. An area
            // larger than the screen makes the unsigned half huge, and the
            // bar then spans the screen before the game draws over it.
            jint gapY = vmUshr(screenHeight - gameAreaHeight + 1, 1);
            if (gapY > 0) {
                if (gameAreaY > 0) g->fillRect(0, 0, screenWidth, gameAreaY);
                g->fillRect(0, screenHeight - gapY, screenWidth, gapY);
            }
            jint gapX = vmUshr(screenWidth - gameAreaWidth + 1, 1);
            if (gapX > 0) {
                if (gameAreaX > 0) g->fillRect(0, gameAreaY, gameAreaX, gameAreaHeight);
                g->fillRect(screenWidth - gapX, gameAreaY, gapX, gameAreaHeight);
            }
        }
        g->translate(gameAreaX, gameAreaY);
    }
    resetClip(g);
    paintGame(g);
}

jboolean WrenCanvas::updateScreenSize() {
    Statics& s = S();
    s.screenWidth = getWidth();
    s.screenHeight = getHeight();
    setGameAreaSize(requestedAreaWidth, requestedAreaHeight);
    return true;
}

void WrenCanvas::checkSizeChanged() {
    if (!sizeChangePending) return;
    updateScreenSize();
    onEvent(EVENT_SIZE_CHANGED);
    sizeChangePending = false;
}

void WrenCanvas::initTouchInput() {
    PointerInputKeyManager::init();
    PointerInputEventManager::init();
}

// --- frame timing ----------------------------------------------------------------------

jlong WrenCanvas::tickTime() { return GameClock::get()->currentTimeMillis(); }

void WrenCanvas::frameTimer() {
    GameClock::get()->frameStarted(targetFrameTime);
    jlong now = tickTime();
    if (timerResetRequested) {
        frameTime = targetFrameTime;
        timerResetRequested = false;
        frameSlack = 0;
        lastFrameStamp = now;
        return;
    }
    jint elapsed = jint(now - lastFrameStamp);
    jint frame = elapsed > targetFrameTime ? elapsed : targetFrameTime;
    jint spent = elapsed > 0 ? elapsed : 0;
    jint delta = clamp(frame - spent, -kDeltaLimit, kDeltaLimit);
    frameSlack = clamp(frameSlack + delta, -kSlackLimit, kSlackLimit);
    if (frameSlack > kSlackBeforeSleep) {
        // An eighth of what is owed: the rate converges over a few frames
        // instead of one frame making up for all.
        frameSlack += spent;
        sleep(frameSlack / 8);
        now = tickTime();
        jint since = jint(now - lastFrameStamp);
        frameSlack -= since > 0 ? since : 0;
    }
    frameTime = frame < maxFrameTime ? frame : maxFrameTime;
    lastFrameStamp = now;
}

jint WrenCanvas::getFrameTime() { return frameTime; }

void WrenCanvas::setDesiredFrameTime(jint ms) {
    desiredFrameTime = ms;
    updateFrameLimits();
}

void WrenCanvas::setFrameTimeCap(jint ms) {
    frameTimeCap = ms;
    updateFrameLimits();
}

void WrenCanvas::resetFrameTimer() {
    timerResetRequested = true;
    frameTime = targetFrameTime;
}

void WrenCanvas::updateFrameLimits() {
    jint low = desiredFrameTime < frameTimeCap ? desiredFrameTime : frameTimeCap;
    jint high = desiredFrameTime > frameTimeCap ? desiredFrameTime : frameTimeCap;
    targetFrameTime = low < 0 ? 0 : low;
    maxFrameTime = high < 1 ? 1 : high;
}

// --- pause, resume and system events ---------------------------------------------------

void WrenCanvas::showNotify() {
    interrupt(RESUME_REQUESTED);
    S().shown = true;
}

void WrenCanvas::hideNotify() { interrupt(PAUSE_REQUESTED); }

void WrenCanvas::sizeChanged(jint, jint) {
    invalidate();
    sizeChangePending = true;
}

void WrenCanvas::interrupt(jint kind) {
    Statics& s = S();
    if (s.appState == APP_EXITING) return;
    if (kind == EVENT_EXIT) {
        onEvent(EVENT_EXIT);
        return;
    }
    if (kind != PAUSE_REQUESTED && kind != RESUME_REQUESTED) {
        onEvent(kind);
        return;
    }
    // Before the game runs, the show that starts it is no resume.
    if (s.appState != APP_RUNNING) return;
    if (mediaManager) mediaManager->stop(-1);
    if (kind == PAUSE_REQUESTED) PointerInputEventManager::setDeliverySuspended(true);
    VMPtr<Thread> thread = s.gameThread;
    jlong now = GameClock::get()->currentTimeMillis();
    if (thread) {
        VMSynchronized guard(thread);
        pauseState = kind;
        pauseTime = now;
    } else {
        pauseState = kind;
        pauseTime = now;
    }
}

jboolean WrenCanvas::platformRequest(const VMPtr<String>& url) {
    return vmTryCatch(
        [&] {
            if (mediaManager) mediaManager->stop(-1);
            if (VMPtr<MIDlet>(midlet)->platformRequest(url)) interrupt(EVENT_EXIT);
            return jboolean(true);
        },
        [](const VMPtr<java::lang::Throwable>&) { return jboolean(false); });
}

void WrenCanvas::updatePauseState() {
    for (;;) {
        if (pauseState == PAUSE_NONE) return;
        if (lifecycleState != LIFECYCLE_PAUSED) {
            // The game hears of the pause before any resume, and gets the
            // releases of every touch the pause cuts short.
            PointerInputEventManager::setInputIgnored(true);
            PointerInputEventManager::releaseAllPointers();
            PointerInputEventManager::setDeliverySuspended(false);
            onEvent(EVENT_PAUSED);
            lifecycleState = LIFECYCLE_PAUSED;
        }
        VMPtr<Thread> thread = S().gameThread;
        if (!thread) return;
        {
            VMSynchronized guard(thread);
            if (pauseState == PAUSE_REQUESTED) pauseState = PAUSE_NONE;
        }
        // Both waits also end when the application exits meanwhile: an exit
        // while hidden with a resume pending must end the thread, not leave
        // it waiting for a show that never comes.
        while (pauseState == RESUME_REQUESTED && !isShown() && !exiting()) sleep(50);
        while (pauseState == RESUME_REQUESTED && isShown() && !exiting()) {
            if (jint(GameClock::get()->currentTimeMillis() - pauseTime) < RESUME_SETTLE_MS) {
                sleep(250);
                continue;
            }
            bool resume = false;
            {
                VMSynchronized guard(thread);
                if (pauseState == RESUME_REQUESTED) {
                    pauseState = PAUSE_NONE;
                    resume = true;
                }
            }
            if (resume) {
                onEvent(EVENT_RESUMED);
                PointerInputEventManager::setDeliverySuspended(false);
                PointerInputEventManager::setInputIgnored(false);
                lifecycleState = LIFECYCLE_RUNNING;
                onEvent(EVENT_RESUME_COMPLETE);
            }
        }
        if (exiting()) return;
    }
}

void WrenCanvas::onEvent(jint code) {
    switch (code) {
        case EVENT_EXIT:
            if (S().appState == APP_EXITING) return;
            exit();
            midlet->notifyDestroyed();
            break;
        case EVENT_STARTED:
        case EVENT_PAUSED:
        case EVENT_RESUMED:
            // No key pressed before the event counts after it.
            repaintRequested = true;
            timerResetRequested = true;
            resetKeys();
            break;
        default:
            break;
    }
}

// --- game area ---------------------------------------------------------------------------

void WrenCanvas::setGameAreaSize(jint w, jint h) {
    repaintRequested = true;
    requestedAreaWidth = w;
    requestedAreaHeight = h;
    jint screenWidth = getScreenWidth();
    jint screenHeight = getScreenHeight();
    if (w < 1) w = screenWidth;
    if (h < 1) h = screenHeight;
    // Not cut to the screen: a larger area has a negative offset.
    gameAreaX = (screenWidth - w) / 2;
    gameAreaY = (screenHeight - h) / 2;
    gameAreaWidth = w;
    gameAreaHeight = h;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

void WrenCanvas::setGameAreaPosition(jint x, jint y) {
    gameAreaX = x;
    gameAreaY = y;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

void WrenCanvas::setGameAreaX(jint x) {
    gameAreaX = x;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

void WrenCanvas::setGameAreaY(jint y) {
    gameAreaY = y;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

void WrenCanvas::setGameAreaWidth(jint w) {
    gameAreaWidth = w;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

void WrenCanvas::setGameAreaHeight(jint h) {
    gameAreaHeight = h;
    PointerInputKeyManager::refreshOffsets();
    PointerInputEventManager::refreshArea();
}

jint WrenCanvas::getGameAreaX() { return gameAreaX; }
jint WrenCanvas::getGameAreaY() { return gameAreaY; }
jint WrenCanvas::getGameAreaWidth() { return gameAreaWidth; }
jint WrenCanvas::getGameAreaHeight() { return gameAreaHeight; }
jint WrenCanvas::getScreenWidth() { return S().screenWidth; }
jint WrenCanvas::getScreenHeight() { return S().screenHeight; }

void WrenCanvas::resetClip(const VMPtr<Graphics>& g) { g->setClip(0, 0, gameAreaWidth, gameAreaHeight); }

void WrenCanvas::setClipInGameArea(const VMPtr<Graphics>& g, jint x, jint y, jint w, jint h) {
    if (gameAreaX != 0 || gameAreaY != 0) {
        if (x < 0) {
            w += x;
            x = 0;
        }
        if (x + w > gameAreaWidth) w = gameAreaWidth - x;
        if (y < 0) {
            h += y;
            y = 0;
        }
        if (y + h > gameAreaHeight) h = gameAreaHeight - y;
    }
    g->setClip(x, y, w, h);
}

void WrenCanvas::invalidate() { repaintRequested = true; }
jboolean WrenCanvas::isRepaintAll() { return repaintAll; }

// --- accessors and helpers -------------------------------------------------------------

VMPtr<MIDlet> WrenCanvas::getMIDlet() { return midlet; }

jboolean WrenCanvas::rectsIntersect(jint x1, jint y1, jint w1, jint h1, jint x2, jint y2, jint w2,
                                    jint h2) {
    return x1 < x2 + w2 && x2 < x1 + w1 && y1 < y2 + h2 && y2 < y1 + h1;
}

jint WrenCanvas::transformX(jint x, jint y, jint w, jint h, jint transform) {
    if (transform & 4) return (transform & 1) ? -(y + h) : y;
    return (transform & 2) ? -(x + w) : x;
}

jint WrenCanvas::transformY(jint x, jint y, jint w, jint h, jint transform) {
    if (transform & 4) return (transform & 2) ? -(x + w) : x;
    return (transform & 1) ? -(y + h) : y;
}

void WrenCanvas::setIdleTimeoutEnabled(jboolean enabled) {
    wren::platform::marl::WrenMarl::setIdleTimeoutEnabled(enabled);
}

jint WrenCanvas::getOrientation() { return wren::platform::marl::WrenMarl::getOrientation(); }

jboolean WrenCanvas::setOrientation(jint code) {
    jboolean applied = wren::platform::marl::WrenMarl::setOrientation(code);
    // The display settles before the next frame asks for its size.
    sleep(20);
    return applied;
}

}  // namespace wren
