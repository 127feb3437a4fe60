#include "wren_WrenCanvas.h"

#include <algorithm>

#include "VMMath.h"
#include "VMTry.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Exception.h"
#include "java_io_IOException.h"
#include "java_lang_Integer.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Class.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NumberFormatException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "javax_microedition_io_PushRegistry.h"
#include "javax_microedition_lcdui_Display.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_rms_RecordStore.h"
#include "javax_microedition_rms_RecordStoreException.h"
#include "javax_microedition_rms_RecordStoreNotFoundException.h"
#include "wren_GameClock.h"
#include "wren_MediaManagerImpl.h"
#include "wren_AnimSet.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas_WRC_NetworkSession.h"
#include "wren_WrenCanvas_WRC_SocketSession.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_platform_ExtendedGraphics.h"
#include "wren_platform_marl_WrenMarl.h"
#include "wren_util_text_RichFont.h"

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

// Groups of a length character, the canonical key character and its alias:
// a keyboard's letters drive the keypad's keys.
constexpr jchar kKeyAliases[] = {
    3, u'0', u'.', 3, u'1', u'u', 3, u'2', u'i',    3, u'3', u'o',    3, u'4', u'j', 3, u'5', u'k',
    3, u'6', u'l', 3, u'7', u'm', 3, u'8', u'\xF6', 3, u'9', u'\xE4', 3, u'#', u'\xE5', 3, u'*', u',',
};
constexpr jint kKeyAliasLength = jint(sizeof kKeyAliases / sizeof kKeyAliases[0]);

constexpr jint kFirstGameKey = 41;  // allocateVirtualKey hands out 63 down to this

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
    if (!deferredLock) deferredLock = Object::make();
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
    if (!deferredLock) deferredLock = Object::make();
    VMSynchronized guard(deferredLock);
    runnablesPending = true;
    if (!runnableQueue) runnableQueue = java::util::Vector::make();
    runnableQueue->addElement(r);
}

void WrenCanvas::setNetworkResult(jint code, const VMPtr<VMArray<jbyte>>& data) {
    if (!deferredLock) deferredLock = Object::make();
    VMSynchronized guard(deferredLock);
    networkResultPending = true;
    networkResultCode = code;
    networkResultData = data && data->length > 0 ? data : nullptr;
}

void WrenCanvas::clearNetworkResult() {
    if (!deferredLock) deferredLock = Object::make();
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
        [](const VMPtr<java::lang::Exception>&) { return jboolean(false); });
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

// --- keys ----------------------------------------------------------------------------------

void WrenCanvas::keyPressed(jint code) { foldKeyAlias(code, 1); }
void WrenCanvas::keyReleased(jint code) { foldKeyAlias(code, 2); }
void WrenCanvas::keyRepeated(jint) {}

void WrenCanvas::pointerPressed(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::PRESSED, 0);
    GameCanvas::pointerPressed(x, y);
}

void WrenCanvas::pointerReleased(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::RELEASED, 0);
    GameCanvas::pointerReleased(x, y);
}

void WrenCanvas::pointerDragged(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::DRAGGED, 0);
    GameCanvas::pointerDragged(x, y);
}

void WrenCanvas::onPointer(jint pointer, jint x, jint y, jint kind, jlong time) {
    bool down = kind != PointerInputEventManager::RELEASED;
    bool edge = kind != PointerInputEventManager::DRAGGED;
    PointerInputKeyManager::onPointer(jbyte(pointer), x, y, down, edge);
    if (PointerInputEventManager::isEnabled())
        PointerInputEventManager::onPointerEvent(jbyte(pointer), x, y, jbyte(kind), time);
}

void WrenCanvas::foldKeyAlias(jint code, jint action) {
    if (action != 1 && action != 2) return;
    bool pressed = action == 1;
    // Compared as characters: the code of 'u' and that of '1' drive the same
    // keys.
    jchar c = jchar(code);
    bool matched = false;
    for (jint group = 0; group < kKeyAliasLength; group += kKeyAliases[group]) {
        jint end = group + kKeyAliases[group];
        for (jint i = group + 1; i < end; ++i) {
            if (kKeyAliases[i] != c) continue;
            matched = true;
            if (i == group + 1)
                onKeyEvent(code, pressed);
            else
                onKeyEvent(kKeyAliases[group + 1], pressed);
        }
    }
    if (!matched) onKeyEvent(code, pressed);
}

void WrenCanvas::onKeyEvent(jint code, jboolean pressed) {
    if (code == 0) return;
    VMPtr<VMArray<jint>> map = S().keyMap;
    VMSynchronized guard(keyLock);
    if (pressed) anyKeyPressed = true;
    for (jint v = 1; v < 64; ++v) {
        if (map[v] != code) continue;
        // The platform's repeated presses of a held key count once.
        if (!pressed || (keyStates[v] & KEY_HELD) == 0) setKeyState(v, pressed);
    }
}

void WrenCanvas::setKeyState(jint slot, jboolean pressed) {
    VMSynchronized guard(keyLock);
    jint state = keyStates[slot] & 0xFF;
    jint count = state & KEY_COUNT_MASK;
    if (pressed) {
        if (count < KEY_COUNT_MASK) ++count;
        keyStates[slot] = jbyte(count | KEY_HELD);
        anyKeyPressed = true;
    } else if (state & KEY_HELD) {
        keyStates[slot] = jbyte(count | KEY_RELEASED);
    }
}

jint WrenCanvas::keySlot(jint key) {
    if (key >= 1 && key <= 63) return key;
    if (key >= -64 && key <= -1) return 63 - key;
    return -1;
}

void WrenCanvas::pressKey(jint key) {
    jint slot = keySlot(key);
    if (slot >= 0) setKeyState(slot, true);
}

void WrenCanvas::releaseKey(jint key) {
    jint slot = keySlot(key);
    if (slot >= 0) setKeyState(slot, false);
}

void WrenCanvas::tapKey(jint code) {
    keyPressed(code);
    keyReleased(code);
}

void WrenCanvas::updateKeys() {
    {
        VMSynchronized guard(keyLock);
        // Swapped, not copied: nothing is allocated per frame.
        VMPtr<VMArray<jbyte>> live = keyStates;
        keyStates = keySnapshot;
        keySnapshot = live;
        for (jint slot = 0; slot < KEY_SLOTS; ++slot) {
            jint state = keySnapshot[slot];
            keyStates[slot] = jbyte(state & KEY_HELD);
            // Pressed and released within the frame still reads as held.
            if (state & KEY_COUNT_MASK) keySnapshot[slot] = jbyte(state | KEY_HELD);
        }
        anyKeyPressedInFrame = anyKeyPressed;
        pressedMaskCache = heldMaskCache = releasedMaskCache = 1;
        anyKeyPressed = false;
    }
    PointerInputKeyManager::updateRegions();
}

void WrenCanvas::resetKeys() {
    {
        VMSynchronized guard(keyLock);
        for (jint slot = 1; slot < KEY_SLOTS; ++slot) {
            keyStates[slot] = jbyte((keySnapshot[slot] & KEY_HELD) ? KEY_RELEASED : 0);
            keySnapshot[slot] = 0;
        }
        anyKeyPressed = false;
        anyKeyPressedInFrame = false;
        pressedMaskCache = heldMaskCache = releasedMaskCache = 1;
    }
    PointerInputKeyManager::resetAll();
}

jint WrenCanvas::getSnapshotState(jint key) {
    jint slot = keySlot(key);
    return slot < 0 ? 0 : keySnapshot[slot] & 0xFF;
}

jboolean WrenCanvas::isKeyPressed(jint key) { return (getSnapshotState(key) & KEY_COUNT_MASK) != 0; }
jboolean WrenCanvas::isKeyHeld(jint key) { return (getSnapshotState(key) & KEY_HELD) != 0; }
jboolean WrenCanvas::isKeyReleased(jint key) { return (getSnapshotState(key) & KEY_RELEASED) != 0; }
jint WrenCanvas::getKeyPressCount(jint key) { return getSnapshotState(key) & KEY_COUNT_MASK; }

jint WrenCanvas::keyMask(jint bits) {
    jint mask = 0;
    for (jint k = 1; k <= 31; ++k)
        if (keySnapshot[k] & bits) mask |= jint(1u << k);
    return mask;
}

jint WrenCanvas::getPressedMask() {
    if (pressedMaskCache == 1) pressedMaskCache = keyMask(KEY_COUNT_MASK);
    return pressedMaskCache;
}

jint WrenCanvas::getHeldMask() {
    if (heldMaskCache == 1) heldMaskCache = keyMask(KEY_HELD);
    return heldMaskCache;
}

jint WrenCanvas::getReleasedMask() {
    if (releasedMaskCache == 1) releasedMaskCache = keyMask(KEY_RELEASED);
    return releasedMaskCache;
}

namespace {

jint lowestKey(jint mask) {
    for (jint k = 1; k <= 31; ++k)
        if (mask & jint(1u << k)) return k;
    return 0;
}

}  // namespace

jint WrenCanvas::getFirstPressedKey() { return lowestKey(getPressedMask()); }
jint WrenCanvas::getFirstHeldKey() { return lowestKey(getHeldMask()); }
jint WrenCanvas::getFirstReleasedKey() { return lowestKey(getReleasedMask()); }
jboolean WrenCanvas::wasAnyKeyPressed() { return anyKeyPressedInFrame; }

jint WrenCanvas::allocateVirtualKey() {
    Statics& s = S();
    if (s.nextFreeVirtualKey < kFirstGameKey) return 0;
    jint key = s.nextFreeVirtualKey;
    s.nextFreeVirtualKey = jbyte(key - 1);
    return key;
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

// --- saved data ---------------------------------------------------------------------------

namespace {

using javax::microedition::rms::RecordStore;

constexpr jint kRecordBytes = 4096;
// A save writes its data into the store of this name first. No id's
// decimal text ends with it, so no load ever reads a save half written.
constexpr const char* kStagingSuffix = ".saving";
constexpr jint kStagingSuffixLength = 7;

VMPtr<String> stagingName(const VMPtr<String>& name) {
    VMPtr<StringBuffer> text = StringBuffer::make(name);
    text->append(kStagingSuffix);
    return text->toString();
}

bool isDecimalInt(const VMPtr<String>& text) {
    return vmTryCatch(
        [&] {
            java::lang::Integer::parseInt(text);
            return true;
        },
        [](const VMPtr<java::lang::NumberFormatException>&) { return false; });
}

// Whether the store of this name holds an item or a save's staging copy.
bool isSavedDataStore(const VMPtr<String>& name) {
    if (isDecimalInt(name)) return true;
    jint stem = name->length() - kStagingSuffixLength;
    return stem > 0 && name->substring(stem)->equals(kStagingSuffix) &&
           isDecimalInt(name->substring(0, stem));
}

// A store that is not there is no failure.
void deleteStoreIfPresent(const VMPtr<String>& name) {
    vmTryCatch([&] { RecordStore::deleteRecordStore(name); },
               [](const VMPtr<javax::microedition::rms::RecordStoreNotFoundException>&) {});
}

void closeQuietly(const VMPtr<RecordStore>& store) {
    if (store == nullptr) return;
    vmTryCatch([&] { store->closeRecordStore(); },
               [](const VMPtr<java::lang::Throwable>&) {});
}

}  // namespace

jboolean WrenCanvas::saveData(jint id, const VMPtr<VMArray<jbyte>>& data) {
    VMPtr<String> name = String::valueOf(id);
    VMPtr<String> staging = stagingName(name);
    VMPtr<RecordStore> store;
    return vmTryCatch(
        [&] {
            // What an earlier save left is stale: its item was either
            // replaced already or never was.
            deleteStoreIfPresent(staging);
            if (data == nullptr) {
                deleteStoreIfPresent(name);
                return true;
            }
            store = RecordStore::openRecordStore(staging, true);
            // A leftover that would not go must not mix into this save.
            if (store->getNumRecords() != 0)
                javax::microedition::rms::RecordStoreException::throwNew();
            for (jint offset = 0; offset < data->length; offset += kRecordBytes)
                store->addRecord(data, offset, std::min(kRecordBytes, data->length - offset));
            VMPtr<RecordStore> written = store;
            store = nullptr;
            closeQuietly(written);
            RecordStore::renameRecordStore(staging, name);
            return true;
        },
        [&](const VMPtr<java::lang::Throwable>&) {
            // The item keeps its previous data; the copy goes.
            closeQuietly(store);
            vmTryCatch([&] { RecordStore::deleteRecordStore(staging); },
                       [](const VMPtr<java::lang::Throwable>&) {});
            return false;
        });
}

VMPtr<VMArray<jbyte>> WrenCanvas::loadData(jint id) {
    VMPtr<RecordStore> store;
    VMPtr<VMArray<jbyte>> result = vmTryCatch(
        [&]() -> VMPtr<VMArray<jbyte>> {
            store = RecordStore::openRecordStore(String::valueOf(id), false);
            jint n = store->getNumRecords();
            jlong total = 0;
            for (jint k = 1; k <= n; ++k) {
                jint size = store->getRecordSize(k);
                // Saves write full records and a last one of 1 to 4096
                // bytes; a store cut any other way is not an item.
                if (size < 1 || size > kRecordBytes || (k < n && size != kRecordBytes))
                    return nullptr;
                total += size;
            }
            VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(jint(total));
            jint offset = 0;
            for (jint k = 1; k <= n; ++k) offset += store->getRecord(k, bytes, offset);
            return bytes;
        },
        [](const VMPtr<java::lang::Throwable>&) -> VMPtr<VMArray<jbyte>> { return nullptr; });
    closeQuietly(store);
    return result;
}

jboolean WrenCanvas::deleteData(jint id) {
    return saveData(id, nullptr);
}

jboolean WrenCanvas::deleteAllData() {
    return vmTryCatch(
        [&] {
            VMPtr<VMArray<String*>> names = RecordStore::listRecordStores();
            if (names == nullptr) return true;
            for (jint i = 0; i < names->length; ++i) {
                VMPtr<String> name = names[i];
                if (isSavedDataStore(name)) RecordStore::deleteRecordStore(name);
            }
            return true;
        },
        [](const VMPtr<java::lang::Throwable>&) { return false; });
}

// --- the serializer and number formatting ------------------------------------------------

void WrenCanvas::writeByte(jint v) {
    clinit();
    Statics& s = wrenStatics_();
    s.outBuffer[s.outPosition] = jbyte(v);
    s.outPosition += 1;
}

void WrenCanvas::writeShort(jint v) {
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeInt(jint v) {
    writeByte(v >> 24);
    writeByte(v >> 16);
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeShortLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
}

void WrenCanvas::writeIntLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
    writeByte(v >> 16);
    writeByte(v >> 24);
}

void WrenCanvas::writeBoolean(jboolean b) {
    writeByte(b ? 1 : 0);
}

jbyte WrenCanvas::readByte() {
    clinit();
    Statics& s = wrenStatics_();
    jbyte b = s.inBuffer[s.inPosition];
    s.inPosition += 1;
    return b;
}

jint WrenCanvas::readInt() {
    jint v = jint(uint8_t(readByte())) << 24;
    v |= jint(uint8_t(readByte())) << 16;
    v |= jint(uint8_t(readByte())) << 8;
    return v | jint(uint8_t(readByte()));
}

jboolean WrenCanvas::readBoolean() {
    return readByte() != 0;
}

VMPtr<util::text::RichFont> WrenCanvas::getDefaultFont() { return getFont(); }

void WrenCanvas::insertNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits,
                              jint position) {
    clinit();
    // The magnitude in 64 bits: the smallest int has no positive twin.
    jlong magnitude = value;
    if (magnitude < 0) {
        sb->insert(position, '-');
        position += 1;
        magnitude = -magnitude;
    }
    if (magnitude >= 65536) {
        sb->insert(position, java::lang::String::valueOf(magnitude));
        return;
    }
    // Each digit goes in front of the ones already inserted.
    jint v = jint(magnitude);
    do {
        sb->insert(position, jchar(u'0' + v % 10));
        minDigits -= 1;
        v /= 10;
    } while (v != 0);
    for (; minDigits > 0; --minDigits) sb->insert(position, jchar(u'0'));
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits) {
    insertNumber(sb, value, minDigits, sb->length());
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value) {
    appendNumber(sb, value, 0);
}

}  // namespace wren

namespace wren {

using javax::microedition::lcdui::Image;

jint WrenCanvas::parseInt(const VMPtr<String>& s, jint defaultValue, jint radix) {
    clinit();
    // The runtime's Integer refuses a null text as a NullPointerException.
    return vmTryCatch([&] { return java::lang::Integer::parseInt(s, radix); },
                      [&](const VMPtr<java::lang::RuntimeException>&) { return defaultValue; });
}

jint WrenCanvas::parseInt(const VMPtr<String>& s, jint defaultValue) {
    return parseInt(s, defaultValue, 10);
}

// --- checksums, sorting and pixels -----------------------------------------------------------

jint WrenCanvas::adler32(jint adler, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    constexpr jint kBase = 65521;
    // 3800 bytes keep both sums inside an int before they are reduced.
    constexpr jint kBlock = 3800;
    jint s1 = adler & 0xFFFF;
    jint s2 = vmUshr(adler, 16);
    while (length > 0) {
        jint block = std::min(length, kBlock);
        length -= block;
        for (; block > 0; --block) {
            s1 += data[offset++] & 0xFF;
            s2 += s1;
        }
        s1 = vmRem(s1, kBase);
        s2 = vmRem(s2, kBase);
    }
    return s1 | (s2 << 16);
}

jint WrenCanvas::crc32(jint crc, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    Statics& s = wrenStatics_();
    if (s.crcTable == nullptr) {
        VMPtr<VMArray<jint>> table = VMArray<jint>::create(256);
        for (jint n = 0; n < 256; ++n) {
            uint32_t c = uint32_t(n);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = jint(c);
        }
        s.crcTable = table;
    }
    VMPtr<VMArray<jint>> table = s.crcTable;
    for (jint i = 0; i < length; ++i) crc = table[(crc ^ data[offset + i]) & 0xFF] ^ vmUshr(crc, 8);
    return crc;
}

void WrenCanvas::sortInts(const VMPtr<VMArray<jint>>& a, jint n) {
    clinit();
    jint gap = n;
    bool swapped = true;
    while (gap > 1 || swapped) {
        if (gap > 1) gap = vmDiv(gap * 197, 256);
        if (gap < 1) gap = 1;
        swapped = false;
        for (jint i = n - 1 - gap; i >= 0; --i) {
            if (a[i + gap] < a[i]) {
                jint t = a[i];
                a[i] = a[i + gap];
                a[i + gap] = t;
                swapped = true;
            }
        }
    }
}

jint WrenCanvas::binarySearch(const VMPtr<VMArray<jint>>& a, jint last, jint key) {
    clinit();
    jint lo = 0;
    jint hi = last;
    while (lo <= hi) {
        jint mid = (lo + hi) >> 1;
        if (a[mid] < key) lo = mid + 1;
        else if (a[mid] > key) hi = mid - 1;
        else return mid;
    }
    return hi + 1;
}

jboolean WrenCanvas::hasAlpha(const VMPtr<VMArray<jint>>& argb) {
    clinit();
    for (jint i = argb->length - 1; i >= 0; --i)
        if ((argb[i] & 0xF0000000) != jint(0xF0000000)) return true;
    return false;
}

jint WrenCanvas::getAlphaKind(const VMPtr<VMArray<jint>>& argb, jint offset, jint scanlength,
                              jint x, jint y, jint width, jint height) {
    clinit();
    jint kind = 1;
    for (jint j = 0; j < height; ++j) {
        for (jint i = 0; i < width; ++i) {
            jint top = vmUshr(argb[offset + (y + j) * scanlength + x + i], 28);
            if (top == 0) kind = 2;
            else if (top != 0xF) return 3;
        }
    }
    return kind;
}

// --- platform services -----------------------------------------------------------------------

void WrenCanvas::syncSettings(jint phase) {
    VMSynchronized guard(this);
    if (settingsLoaded) return;
    settingsLoaded = true;
    soundEnabled = true;
    vibrationEnabled = true;
    backlightEnabled = true;
}

void WrenCanvas::setVibrationEnabled(jboolean enabled) {
    syncSettings(0);
    if (vibrationEnabled == enabled) return;
    vibrationEnabled = enabled;
    syncSettings(1);
}

jboolean WrenCanvas::isVibrationEnabled() {
    syncSettings(0);
    return vibrationEnabled;
}

void WrenCanvas::setBacklightEnabled(jboolean enabled) {
    syncSettings(0);
    if (backlightEnabled == enabled) return;
    backlightEnabled = enabled;
    syncSettings(1);
}

jboolean WrenCanvas::isBacklightEnabled() {
    syncSettings(0);
    return backlightEnabled;
}

void WrenCanvas::vibrate(jint duration) {
    syncSettings(0);
    if (vibrationEnabled) javax::microedition::lcdui::Display::getDisplay(midlet)->vibrate(duration);
}

void WrenCanvas::flashBacklight(jint duration) {
    syncSettings(0);
    if (backlightEnabled)
        javax::microedition::lcdui::Display::getDisplay(midlet)->flashBacklight(duration);
}

jboolean WrenCanvas::registerAlarm(jint seconds) {
    return vmTryCatch(
        [&] {
            VMPtr<String> name = midlet->getClass()->getName();
            // The product is an int, as the device computed it, widened after.
            jlong time = seconds <= 0 ? 0 : jlong(seconds * 1000) +
                                                java::lang::System::currentTimeMillis();
            javax::microedition::io::PushRegistry::registerAlarm(name, time);
            return true;
        },
        [](const VMPtr<java::lang::Throwable>&) { return false; });
}

// --- drawing and image services over MIDP ---------------------------------------------------

void WrenCanvas::fillTriangle(const VMPtr<Graphics>& g, jint x1, jint y1, jint x2, jint y2, jint x3,
                              jint y3) {
    g->fillTriangle(x1, y1, x2, y2, x3, y3);
}

VMPtr<Image> WrenCanvas::createImage(jint width, jint height, jboolean withAlpha,
                                     jint fillColour) {
    return Image::createImage(width, height, withAlpha, fillColour);
}

void WrenCanvas::drawRGB(const VMPtr<Graphics>& g, const VMPtr<VMArray<jint>>& rgb, jint offset,
                         jint scanLength, jint x, jint y, jint width, jint height,
                         jboolean processAlpha) {
    clinit();
    jint tx = g->getTranslateX();
    jint ty = g->getTranslateY();
    if (tx == 0 && ty == 0) {
        g->drawRGB(rgb, offset, scanLength, x, y, width, height, processAlpha);
        return;
    }
    g->translate(-tx, -ty);
    vmTryFinally(
        [&] { g->drawRGB(rgb, offset, scanLength, x + tx, y + ty, width, height, processAlpha); },
        [&] { g->translate(tx, ty); });
}

void WrenCanvas::drawImageRegion(const VMPtr<Image>& image, jint xSrc, jint ySrc, jint width,
                                 jint height, const VMPtr<Graphics>& g, jint x, jint y) {
    clinit();
    g->drawRegion(image, xSrc, ySrc, width, height, 0, x, y, Graphics::TOP | Graphics::LEFT);
}

VMPtr<Image> WrenCanvas::createRGBImage(const VMPtr<VMArray<jint>>& rgb, jint width, jint height,
                                        jboolean processAlpha) {
    clinit();
    return Image::createRGBImage(rgb, width, height, processAlpha);
}

void WrenCanvas::getRGB(const VMPtr<Image>& image, const VMPtr<VMArray<jint>>& rgb, jint offset,
                        jint scanLength, jint x, jint y, jint width, jint height) {
    clinit();
    image->getRGB(rgb, offset, scanLength, x, y, width, height);
}

VMPtr<VMArray<jbyte>> WrenCanvas::toIndexedPixels(const VMPtr<Image>& image,
                                                  const VMPtr<VMArray<jint>>& palette) {
    clinit();
    jint w = image->getWidth();
    jint h = image->getHeight();
    VMPtr<VMArray<jint>> pixels = VMArray<jint>::create(w * h);
    image->getRGB(pixels, 0, w, 0, 0, w, h);
    VMPtr<VMArray<jbyte>> out = VMArray<jbyte>::create(w * h);
    jint n = 0;
    jint keyIndex = -1;
    for (jint i = 0; i < pixels->length; ++i) {
        jint pixel = pixels[i];
        jint j = 0;
        while (j < n && palette[j] != pixel) ++j;
        if (j == n) {
            if (n == palette->length)
                java::lang::IllegalArgumentException::throwNew(
                    WREN_LIT("the image has more colours than the palette holds"));
            palette[n] = pixel;
            if ((pixel & 0xF0F0F0) == 0xF000F0) keyIndex = n;
            n += 1;
        }
        out[i] = jbyte(j);
    }
    if (keyIndex != -1) {
        jint t = palette[0];
        palette[0] = palette[keyIndex];
        palette[keyIndex] = t;
        for (jint i = 0; i < out->length; ++i) {
            jint index = out[i] & 0xFF;
            if (index == 0) out[i] = jbyte(keyIndex);
            else if (index == keyIndex) out[i] = 0;
        }
    }
    return out;
}

VMPtr<String> WrenCanvas::decodeUtf8(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(length);
    jint i = 0;
    jint k = 0;
    while (i < length && (data[offset + i] & 0x80) == 0) chars[k++] = jchar(data[offset + i++]);
    while (i < length) {
        jint b = data[offset + i] & 0xFF;
        jint size = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 0;
        if (size == 0) {
            // Starts no character: one U+0000 for it, and on.
            chars[k++] = 0;
            i += 1;
            continue;
        }
        if (i + size > length) {
            // Cut off by the end.
            chars[k++] = 0;
            break;
        }
        jint c = size == 1   ? b
                 : size == 2 ? ((b & 0x1F) << 6) | (data[offset + i + 1] & 0x3F)
                             : ((b & 0x0F) << 12) | ((data[offset + i + 1] & 0x3F) << 6) |
                                   (data[offset + i + 2] & 0x3F);
        chars[k++] = jchar(c);
        i += size;
    }
    return String::make(chars, 0, k);
}

// --- text over the rich font -----------------------------------------------------------------

using util::text::RichFont;

VMPtr<RichFont> WrenCanvas::getFont() {
    if (defaultFont == nullptr) defaultFont = RichFont::make();
    return defaultFont;
}

jint WrenCanvas::charWidth(jchar ch) { return getFont()->charWidth(ch); }
jint WrenCanvas::charsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length) {
    return getFont()->charsWidth(data, offset, length);
}
jint WrenCanvas::stringWidth(const VMPtr<String>& s) {
    return getFont()->substringWidth(s, 0, s->length());
}
jint WrenCanvas::substringWidth(const VMPtr<String>& s, jint offset, jint length) {
    return getFont()->substringWidth(s, offset, length);
}
jint WrenCanvas::stringBufferWidth(const VMPtr<StringBuffer>& sb) {
    return getFont()->stringWidth(sb);
}
jint WrenCanvas::plainCharWidth(jchar ch) { return getFont()->charWidth(ch); }
jint WrenCanvas::plainCharsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length) {
    return getFont()->charsWidth(data, offset, length);
}
jint WrenCanvas::plainStringWidth(const VMPtr<String>& s) {
    return plainSubstringWidth(s, 0, s->length());
}
jint WrenCanvas::plainSubstringWidth(const VMPtr<String>& s, jint offset, jint length) {
    return getFont()->substringWidth(s, offset, length);
}
jint WrenCanvas::plainStringBufferWidth(const VMPtr<StringBuffer>& sb) {
    return getFont()->stringWidth(sb);
}
jint WrenCanvas::getFontHeight() { return getFont()->getHeight(); }
jint WrenCanvas::getFontBaseline() { return getFont()->getBaselinePosition(); }

void WrenCanvas::getStringBounds(const VMPtr<String>& s, jint x, jint y,
                                 const VMPtr<VMArray<jint>>& bounds, jint anchor) {
    getFont()->stringBounds(s, x, y, bounds, anchor);
}
void WrenCanvas::getStringBufferBounds(const VMPtr<StringBuffer>& sb, jint x, jint y,
                                       const VMPtr<VMArray<jint>>& bounds, jint anchor) {
    getFont()->stringBounds(sb, x, y, bounds, anchor);
}

void WrenCanvas::drawChar(const VMPtr<Graphics>& g, jchar ch, jint x, jint y, jint anchor) {
    getFont()->drawChar(g, ch, x, y, anchor);
}
void WrenCanvas::drawChars(const VMPtr<Graphics>& g, const VMPtr<VMArray<jchar>>& data,
                           jint offset, jint length, jint x, jint y, jint anchor) {
    getFont()->drawChars(g, data, offset, length, x, y, anchor);
}
void WrenCanvas::drawString(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint x, jint y,
                            jint anchor) {
    getFont()->drawString(g, s, x, y, anchor);
}
void WrenCanvas::drawSubstring(const VMPtr<Graphics>& g, const VMPtr<String>& s, jint offset,
                               jint length, jint x, jint y, jint anchor) {
    getFont()->drawSubstring(g, s, offset, length, x, y, anchor);
}
void WrenCanvas::drawStringBuffer(const VMPtr<Graphics>& g, const VMPtr<StringBuffer>& sb, jint x,
                                  jint y, jint anchor) {
    getFont()->drawString(g, sb, x, y, anchor);
}
void WrenCanvas::drawNumber(const VMPtr<Graphics>& g, jint value, jint minDigits, jint x, jint y,
                            jint anchor) {
    getFont()->drawNumber(g, value, minDigits, x, y, anchor);
}

jint WrenCanvas::getFontStyle() { return getFont()->getSystemFontStyle(); }
void WrenCanvas::setFontStyle(jint index) { getFont()->setSystemFontStyle(index); }
VMPtr<VMArray<Gob*>> WrenCanvas::getBitmapFont() { return getFont()->getGlyphs(); }
void WrenCanvas::setBitmapFont(const VMPtr<VMArray<Gob*>>& glyphs) {
    getFont()->setBitmapFont(glyphs);
}
VMPtr<Gob> WrenCanvas::getGlyph(jchar ch) { return getFont()->getGlyph(ch); }

VMPtr<String> WrenCanvas::getText(jint index) {
    if (textCache != nullptr) return textCache[index];
    jint start = textOffsets[index];
    jint length = textOffsets[index + 1] - start;
    return vmTryCatch([&] { return decodeUtf8(textData, start, length); },
                      [](const VMPtr<java::lang::RuntimeException>&) { return VMPtr<String>(); });
}

// --- fills over the platform extension -----------------------------------------------------

VMPtr<platform::ExtendedGraphics> WrenCanvas::getExtendedGraphics() {
    clinit();
    if (S().extendedGraphics == nullptr) S().extendedGraphics = platform::ExtendedGraphics::make();
    return S().extendedGraphics;
}

void WrenCanvas::fillGradientAcrossStatic(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                          jint height, jint colour1, jint colour2) {
    getExtendedGraphics()->fillGradient(g, x, y, width, height, colour1, colour2, true);
}
void WrenCanvas::fillGradientDownStatic(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                        jint height, jint colour1, jint colour2) {
    getExtendedGraphics()->fillGradient(g, x, y, width, height, colour1, colour2, false);
}
void WrenCanvas::fillGradientAcross(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                    jint height, jint colour1, jint colour2) {
    fillGradientAcrossStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientDown(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                  jint height, jint colour1, jint colour2) {
    fillGradientDownStatic(g, x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillGradientDownInImage(const VMPtr<Image>& image, jint x, jint y, jint width,
                                         jint height, jint colour1, jint colour2) {
    fillGradientDown(image->getGraphics(), x, y, width, height, colour1, colour2);
}
void WrenCanvas::fillTriangleAlpha(const VMPtr<Graphics>& g, jint x1, jint y1, jint x2, jint y2,
                                   jint x3, jint y3, jint alpha) {
    getExtendedGraphics()->fillTriangle(g, x1, y1, x2, y2, x3, y3, alpha);
}
void WrenCanvas::fillRectAlpha(const VMPtr<Graphics>& g, jint x, jint y, jint width, jint height,
                               jint alpha) {
    getExtendedGraphics()->fillRect(g, x, y, width, height, alpha);
}
void WrenCanvas::setTransform(const VMPtr<Graphics>& g, jint a, jint b, jint c, jint d, jint e) {
    getExtendedGraphics()->reservedDraw(g, a, b, c, d, e);
}
void WrenCanvas::resetTransform(const VMPtr<Graphics>& g) { setTransform(g, 0, 0, 0, 1, 1); }

// --- resource forwards ------------------------------------------------------------------------

VMPtr<VMArray<jbyte>> WrenCanvas::savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                           const VMPtr<VMArray<jbyte>>& types) {
    return Resources::savePack(entries, types);
}
VMPtr<VMArray<jbyte>> WrenCanvas::readPalette(jint id) { return Resources::readPalette(id); }
VMPtr<AnimSet> WrenCanvas::loadAnimSet(jint id) { return Resources::loadAnimSet(id); }
VMPtr<VMArray<jbyte>> WrenCanvas::getImageAsBMP(jint id) { return Resources::getImageAsBMP(id); }

// --- second entries ------------------------------------------------------------------------

jboolean WrenCanvas::saveDataAlias(jint id, const VMPtr<VMArray<jbyte>>& data) {
    return saveData(id, data);
}
VMPtr<VMArray<jbyte>> WrenCanvas::loadDataAlias(jint id) {
    return loadData(id);
}
void WrenCanvas::resetClipAlias(const VMPtr<Graphics>& g) {
    resetClip(g);
}
void WrenCanvas::setClipInGameAreaAlias(const VMPtr<Graphics>& g, jint x, jint y, jint w, jint h) {
    setClipInGameArea(g, x, y, w, h);
}
void WrenCanvas::vibrateAlias(jint duration) {
    vibrate(duration);
}
void WrenCanvas::flashBacklightAlias(jint duration) {
    flashBacklight(duration);
}
VMPtr<String> WrenCanvas::getTextAlias(jint index) {
    return getText(index);
}
void WrenCanvas::paintPlayerAlias(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                                  jint player, jint x, jint y, jint transform) {
    paintPlayer(g, gobs, player, x, y, transform);
}
void WrenCanvas::getPlayerBoundsAlias(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                      jint transform, const VMPtr<VMArray<jint>>& bounds) {
    getPlayerBounds(gobs, player, x, y, transform, bounds);
}

// --- logging -------------------------------------------------------------------------------

void WrenCanvas::logMessage(jint, const VMPtr<String>&, const VMPtr<Object>&) {}
void WrenCanvas::log(const VMPtr<String>& text) {
    logMessage(LOG_LEVEL_DEFAULT, text, nullptr);
}
void WrenCanvas::log(const VMPtr<String>& text, const VMPtr<String>& detail) {
    logMessage(LOG_LEVEL_DEFAULT, text, detail);
}

VMPtr<VMArray<String*>> WrenCanvas::getStrings() {
    VMSynchronized guard(this);
    return nullptr;
}

// --- virtual entries of the static image helpers -------------------------------------------

void WrenCanvas::drawImageRegionEntry(const VMPtr<Image>& image, jint xSrc, jint ySrc, jint width,
                                      jint height, const VMPtr<Graphics>& g, jint x, jint y) {
    drawImageRegion(image, xSrc, ySrc, width, height, g, x, y);
}
void WrenCanvas::drawImageRegionEntry(const VMPtr<Graphics>& g, const VMPtr<Image>& image,
                                      jint xSrc, jint ySrc, jint width, jint height, jint x,
                                      jint y) {
    drawImageRegion(image, xSrc, ySrc, width, height, g, x, y);
}
void WrenCanvas::drawRGBEntry(const VMPtr<Graphics>& g, const VMPtr<VMArray<jint>>& rgb,
                              jint offset, jint scanLength, jint x, jint y, jint width, jint height,
                              jboolean processAlpha) {
    drawRGB(g, rgb, offset, scanLength, x, y, width, height, processAlpha);
}
VMPtr<Image> WrenCanvas::createRGBImageEntry(const VMPtr<VMArray<jint>>& rgb, jint width,
                                             jint height, jboolean processAlpha) {
    return createRGBImage(rgb, width, height, processAlpha);
}
void WrenCanvas::getRGBEntry(const VMPtr<Image>& image, const VMPtr<VMArray<jint>>& rgb,
                             jint offset, jint scanLength, jint x, jint y, jint width,
                             jint height) {
    getRGB(image, rgb, offset, scanLength, x, y, width, height);
}
void WrenCanvas::updatePaletteCrcEntry(const VMPtr<VMArray<jbyte>>& palette) {
    updatePaletteCrc(palette);
}

}  // namespace wren

// ---------------------------------------------------------------------------
// Level renderer: tile map, scenery and sprite lists. Every grid, list and
// table access goes through the arrays' own index checks, so a caller that
// strays gets ArrayIndexOutOfBoundsException rather than another cell.
// ---------------------------------------------------------------------------

namespace wren {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

void WrenCanvas::setViewOrigin(jint x, jint y) {
    viewOriginX = -x;
    viewOriginY = -y;
}
jint WrenCanvas::getViewOriginX() { return -viewOriginX; }
jint WrenCanvas::getViewOriginY() { return -viewOriginY; }

jboolean WrenCanvas::setViewSize(jint width, jint height) {
    viewWidth = width < 1 ? 0 : width;
    viewHeight = height < 1 ? 0 : height;
    if (width >= 0 && height >= 0) return false;
    tileSet = nullptr;
    tileSourceX = nullptr;
    tileSourceY = nullptr;
    mapTiles = nullptr;
    tileAliases = nullptr;
    return true;
}

jint WrenCanvas::getTileWidth() { return tileWidth; }
jint WrenCanvas::getTileHeight() { return tileHeight; }
jint WrenCanvas::getMapWidth() { return mapWidth; }
jint WrenCanvas::getMapHeight() { return mapHeight; }

void WrenCanvas::setTileAlias(jint aliasId, jint tile) { tileAliases[-aliasId - 1] = tile; }

jint WrenCanvas::getTileAlias(jint aliasId) { return tileAliases[-aliasId - 1]; }

// A column outside the grid would land in another row of the flat array,
// so it is refused here as well as by the array.
static jint cellIndex(jint column, jint row, jint mapWidth) {
    if (column < 0 || column >= mapWidth)
        java::lang::ArrayIndexOutOfBoundsException::throwNew(column);
    return row * mapWidth + column;
}

void WrenCanvas::setTile(jint column, jint row, jint value) {
    mapTiles[cellIndex(column, row, mapWidth)] = jshort(value);
}

jint WrenCanvas::getTile(jint column, jint row) {
    return mapTiles[cellIndex(column, row, mapWidth)];
}

jboolean WrenCanvas::setTileSet(const VMPtr<Image>& image, jint tileW, jint tileH) {
    tileWidth = tileW;
    tileHeight = tileH;
    jint imageW = image->getWidth();
    jint imageH = image->getHeight();
    jint count = vmDiv(imageW, tileW) * vmDiv(imageH, tileH);
    jint old = tileSourceX == nullptr ? 0 : tileSourceX->length;
    jboolean shrunk = count < old;
    if (shrunk) {
        fillTiles(0, 0, mapWidth, mapHeight, 0);
        tileAliases = VMArray<jint>::create(0);
    }
    tileSet = image;
    tileSourceX = VMArray<jint>::create(count);
    tileSourceY = VMArray<jint>::create(count);
    jint t = 0;
    for (jint y = 0; y <= imageH - tileH; y += tileH)
        for (jint x = 0; x <= imageW - tileW; x += tileW, ++t) {
            tileSourceX[t] = x;
            tileSourceY[t] = y;
        }
    return shrunk;
}

void WrenCanvas::addSprite(const VMPtr<Gob>& gob, jint x, jint y, jint transform) {
    spriteGobs[spriteCount] = gob;
    spriteX[spriteCount] = jshort(x);
    spriteY[spriteCount] = jshort(y);
    spriteTransforms[spriteCount] = jbyte(transform);
    ++spriteCount;
}

void WrenCanvas::fillTiles(jint column, jint row, jint width, jint height, jint value) {
    for (jint r = row; r < row + height; ++r)
        for (jint c = column; c < column + width; ++c) setTile(c, r, value);
}

void WrenCanvas::createMap(jint width, jint height, const VMPtr<Image>& image, jint tileW,
                           jint tileH) {
    viewOriginX = 0;
    viewOriginY = 0;
    mapWidth = width;
    mapHeight = height;
    mapTiles = VMArray<jshort>::create(width * height);
    tileAliases = VMArray<jint>::create(0);
    tileSourceX = nullptr;
    setTileSet(image, tileW, tileH);
}

jint WrenCanvas::addTileAlias(jint tile) {
    jint n = tileAliases == nullptr ? 0 : tileAliases->length;
    VMPtr<VMArray<jint>> grown = VMArray<jint>::create(n + 1);
    for (jint i = 0; i < n; ++i) grown[i] = tileAliases[i];
    grown[n] = tile;
    tileAliases = grown;
    return -(n + 1);
}

void WrenCanvas::initSprites(jint capacity) {
    spriteCount = 0;
    spriteGobs = nullptr;
    spriteX = spriteY = nullptr;
    spriteTransforms = nullptr;
    if (capacity > 0) {
        spriteGobs = VMArray<Gob*>::create(capacity);
        spriteX = VMArray<jshort>::create(capacity);
        spriteY = VMArray<jshort>::create(capacity);
        spriteTransforms = VMArray<jbyte>::create(capacity);
    }
}

void WrenCanvas::initScenery(jint capacity) {
    sceneryCount = 0;
    sceneryMargin = 0;
    sceneryGobs = nullptr;
    sceneryX = sceneryY = nullptr;
    sceneryTransforms = nullptr;
    sceneryOrder = sceneryVisible = nullptr;
    scenerySortNeeded = true;
    if (capacity > 0) {
        sceneryVertical = mapHeight * tileHeight > mapWidth * tileWidth;
        sceneryGobs = VMArray<Gob*>::create(capacity);
        sceneryX = VMArray<jshort>::create(capacity);
        sceneryY = VMArray<jshort>::create(capacity);
        sceneryTransforms = VMArray<jbyte>::create(capacity);
        sceneryOrder = VMArray<jint>::create(capacity);
        sceneryVisible = VMArray<jint>::create(capacity);
    }
}

void WrenCanvas::addScenery(const VMPtr<Gob>& gob, jint x, jint y, jint transform) {
    jint i = sceneryCount;
    sceneryGobs[i] = gob;
    sceneryX[i] = jshort(x);
    sceneryY[i] = jshort(y);
    sceneryTransforms[i] = jbyte(transform);
    jint key = sceneryVertical ? getSceneryY(i) : getSceneryX(i);
    sceneryOrder[i] = i | (key << 16);
    sceneryMargin = std::max(sceneryMargin, sceneryVertical ? gob->getHeight(transform)
                                                            : gob->getWidth(transform));
    ++sceneryCount;
}

jint WrenCanvas::resolveTile(jint value) { return value >= 0 ? value : tileAliases[-value - 1]; }

jint WrenCanvas::getSceneryX(jint index) {
    return sceneryX[index] + sceneryGobs[index]->getOffsetX(sceneryTransforms[index]);
}

jint WrenCanvas::getSceneryY(jint index) {
    return sceneryY[index] + sceneryGobs[index]->getOffsetY(sceneryTransforms[index]);
}

void WrenCanvas::paintTiles(jint x, jint y, jint destX, jint destY, jint width, jint height) {
    jint column = vmDiv(x, tileWidth);
    jint offsetX = vmRem(x, tileWidth);
    jint row = vmDiv(y, tileHeight);
    jint offsetY = vmRem(y, tileHeight);
    jint bandIndex = row * mapWidth + column;
    jint bandOffsetY = offsetY;
    jint dy = destY;
    for (jint leftH = height; leftH > 0;) {
        jint bandH = std::min(tileHeight - bandOffsetY, leftH);
        jint index = bandIndex;
        jint pieceOffsetX = offsetX;
        jint dx = destX;
        for (jint leftW = width; leftW > 0;) {
            jint pieceW = std::min(tileWidth - pieceOffsetX, leftW);
            jint t = resolveTile(mapTiles[index]);
            if (t > 0)
                mapGraphics->drawRegion(tileSet, tileSourceX[t - 1] + pieceOffsetX,
                                        tileSourceY[t - 1] + bandOffsetY, pieceW, bandH, 0, dx, dy,
                                        Graphics::TOP | Graphics::LEFT);
            ++index;
            dx += pieceW;
            leftW -= pieceW;
            pieceOffsetX = 0;
        }
        bandIndex += mapWidth;
        dy += bandH;
        leftH -= bandH;
        bandOffsetY = 0;
    }
}

void WrenCanvas::paintScenery(jint viewX, jint viewY, jint destX, jint destY, jint width,
                              jint height) {
    if (scenerySortNeeded) {
        sortInts(sceneryOrder, sceneryCount);
        scenerySortNeeded = false;
    }
    jint start = sceneryVertical ? viewY : viewX;
    jint end = start + (sceneryVertical ? height : width);
    jint first = binarySearch(sceneryOrder, sceneryCount - 1, (start - sceneryMargin) << 16);
    jint visible = 0;
    for (jint k = first; k < sceneryCount && (sceneryOrder[k] >> 16) < end; ++k) {
        jint i = sceneryOrder[k] & 0xFFFF;
        jint t = sceneryTransforms[i];
        VMPtr<Gob> gob = sceneryGobs[i];
        if (rectsIntersect(getSceneryX(i), getSceneryY(i), gob->getWidth(t), gob->getHeight(t),
                           viewX, viewY, width, height))
            sceneryVisible[visible++] = i;
    }
    sortInts(sceneryVisible, visible);
    VMPtr<Graphics> g = mapGraphics;
    jint cx = g->getClipX(), cy = g->getClipY(), cw = g->getClipWidth(), ch = g->getClipHeight();
    g->setClip(destX, destY, width, height);
    vmTryFinally(
        [&] {
            for (jint k = 0; k < visible; ++k) {
                jint i = sceneryVisible[k];
                sceneryGobs[i]->paint(g, sceneryX[i] - viewX + destX, sceneryY[i] - viewY + destY,
                                      sceneryTransforms[i]);
            }
        },
        [&] { g->setClip(cx, cy, cw, ch); });
}

void WrenCanvas::paintSprites(jint viewX, jint viewY, jint destX, jint destY, jint width,
                              jint height, jboolean newOnly) {
    VMPtr<Graphics> g = mapGraphics;
    jint cx = g->getClipX(), cy = g->getClipY(), cw = g->getClipWidth(), ch = g->getClipHeight();
    g->setClip(destX, destY, width, height);
    jint from = newOnly ? spriteMark : 0;
    if (!newOnly) spriteMark = spriteCount;
    vmTryFinally(
        [&] {
            for (jint i = from; i < spriteCount; ++i) {
                VMPtr<Gob> gob = spriteGobs[i];
                jint t = spriteTransforms[i];
                if (rectsIntersect(spriteX[i] + gob->getOffsetX(t), spriteY[i] + gob->getOffsetY(t),
                                   gob->getWidth(t), gob->getHeight(t), viewX, viewY, width,
                                   height))
                    gob->paint(g, spriteX[i] - viewX + destX, spriteY[i] - viewY + destY, t);
            }
        },
        [&] { g->setClip(cx, cy, cw, ch); });
}

namespace {
// How far a view from `start` over `extent` pixels reaches outside a map of
// `mapExtent` pixels: negative before its start, positive past its end.
jint viewExcess(jint start, jint extent, jint mapExtent) {
    if (start < 0) return start;
    return std::max(0, start + extent - mapExtent);
}
}  // namespace

void WrenCanvas::paintMap(const VMPtr<Graphics>& g) {
    jint mapW = mapWidth * tileWidth, mapH = mapHeight * tileHeight;
    jint excessX = viewExcess(viewOriginX, viewWidth, mapW);
    jint excessY = viewExcess(viewOriginY, viewHeight, mapH);
    viewOriginX -= excessX;
    viewOriginY -= excessY;
    g->translate(-excessX, -excessY);
    vmTryFinally(
        [&] {
            jint clipX = g->getClipX(), clipY = g->getClipY();
            jint x0 = std::max(0, clipX), y0 = std::max(0, clipY);
            jint x1 = std::min(viewWidth, clipX + g->getClipWidth());
            jint y1 = std::min(viewHeight, clipY + g->getClipHeight());
            if (x0 >= x1 || y0 >= y1) return;
            jint width = x1 - x0, height = y1 - y0;
            jint worldX = viewOriginX + x0, worldY = viewOriginY + y0;
            mapGraphics = g;
            if (!overlayMode) {
                // A map narrower or shorter than the view still leaves part
                // of the view outside it; the grid has no cells there, and
                // reading on would take the next row's.
                jint tx0 = std::max(worldX, 0), ty0 = std::max(worldY, 0);
                jint tx1 = std::min(worldX + width, mapW), ty1 = std::min(worldY + height, mapH);
                if (mapTiles != nullptr && tx0 < tx1 && ty0 < ty1)
                    paintTiles(tx0, ty0, x0 + tx0 - worldX, y0 + ty0 - worldY, tx1 - tx0,
                               ty1 - ty0);
                paintScenery(worldX, worldY, x0, y0, width, height);
            }
            paintSprites(worldX, worldY, x0, y0, width, height, overlayMode);
        },
        [&] {
            mapGraphics = nullptr;
            viewOriginX += excessX;
            viewOriginY += excessY;
            g->translate(excessX, excessY);
        });
}

jint WrenCanvas::readVarU8() {
    jint v = levelStream->readUnsignedByte();
    return v == 255 ? levelStream->readUnsignedShort() : v;
}

jint WrenCanvas::readVarS8() {
    jint v = levelStream->readByte();
    return v == -128 ? levelStream->readShort() : v;
}

namespace {
template <typename A, typename E>
VMPtr<A> appendOne(const VMPtr<A>& a, const E& v) {
    jint n = a == nullptr ? 0 : a->length;
    VMPtr<A> grown = A::create(n + 1);
    for (jint i = 0; i < n; ++i) grown[i] = a[i];
    grown[n] = v;
    return grown;
}
template <typename A>
void selectRows(const VMPtr<A>& src, const VMPtr<VMArray<jchar>>& indices, const VMPtr<A>& dst) {
    for (jint i = 0; i < indices->length; ++i) dst[i] = src[indices[i]];
}
}  // namespace

VMPtr<VMArray<jshort>> WrenCanvas::appendShort(const VMPtr<VMArray<jshort>>& a, jshort v) {
    return appendOne(a, v);
}
VMPtr<VMArray<jint, 2>> WrenCanvas::appendIntRow(const VMPtr<VMArray<jint, 2>>& a,
                                                 const VMPtr<VMArray<jint>>& row) {
    return appendOne(a, row);
}
VMPtr<VMArray<jbyte, 2>> WrenCanvas::appendByteRow(const VMPtr<VMArray<jbyte, 2>>& a,
                                                   const VMPtr<VMArray<jbyte>>& row) {
    return appendOne(a, row);
}
VMPtr<VMArray<jchar, 2>> WrenCanvas::appendCharRow(const VMPtr<VMArray<jchar, 2>>& a,
                                                   const VMPtr<VMArray<jchar>>& row) {
    return appendOne(a, row);
}

VMPtr<VMArray<jshort>> WrenCanvas::ensureShortLength(const VMPtr<VMArray<jshort>>& a, jint n) {
    jint have = a == nullptr ? 0 : a->length;
    if (a != nullptr && have >= n) return a;
    VMPtr<VMArray<jshort>> grown = VMArray<jshort>::create(n);
    for (jint i = 0; i < have; ++i) grown[i] = a[i];
    return grown;
}

void WrenCanvas::selectIntRows(const VMPtr<VMArray<jint, 2>>& src,
                               const VMPtr<VMArray<jchar>>& indices,
                               const VMPtr<VMArray<jint, 2>>& dst) {
    selectRows(src, indices, dst);
}
void WrenCanvas::selectByteRows(const VMPtr<VMArray<jbyte, 2>>& src,
                                const VMPtr<VMArray<jchar>>& indices,
                                const VMPtr<VMArray<jbyte, 2>>& dst) {
    selectRows(src, indices, dst);
}
void WrenCanvas::selectCharRows(const VMPtr<VMArray<jchar, 2>>& src,
                                const VMPtr<VMArray<jchar>>& indices,
                                const VMPtr<VMArray<jchar, 2>>& dst) {
    selectRows(src, indices, dst);
}

}  // namespace wren

// ---------------------------------------------------------------------------
// Canvas animation tables and lightweight players: eight shorts a player,
// [0] set, [1] animation, [2] step, [3] loops left, [4] time in the step
// (unsigned), [5]/[6] position, [7] shown step.
// ---------------------------------------------------------------------------

namespace wren {

namespace {
// Packed entries: (index << 16 | ...) first index, and the signed 10-bit
// offsets of steps and pieces.
inline jint firstOf(jint entry) { return vmUshr(entry, 16); }
inline jint offsetXOf(jint v) { return (v << 10) >> 22; }
inline jint offsetYOf(jint v) { return (v << 20) >> 22; }
inline jint loopOf(jint entry) { return jint(jshort(entry)) >> 10; }
}  // namespace

jint WrenCanvas::findAnimSet(jint setKey) {
    if (animSetKeys == nullptr) return -1;
    for (jint i = 0; i < animSetKeys->length; ++i)
        if ((animSetKeys[i] & 0x7FFF) == setKey) return i;
    return -1;
}

jint WrenCanvas::getFrameCount(jint setKey) { return frameTable[findAnimSet(setKey)]->length; }

void WrenCanvas::copyPlayer(jint from, jint to) {
    ensurePlayers(to + 1);
    for (jint i = 0; i < 8; ++i) players[8 * to + i] = players[8 * from + i];
}

jint WrenCanvas::getFrameBoxCount(jint setKey, jint frame) {
    currentSet = findAnimSet(setKey);
    return (frameTable[currentSet][frame] >> 8) & 0xFF;
}

jint WrenCanvas::stepOf(jint player) {
    return firstOf(animTable[players[8 * player]][players[8 * player + 1]]);
}

jint WrenCanvas::durationOf(jint set, jint stepIndex) {
    return durationTable[set][stepFlags[set][stepIndex] & 0x3F];
}

void WrenCanvas::setStep(jint player, jint step) {
    jint base = 8 * player;
    jint v = stepData[players[base]][stepOf(player) + step];
    players[base + 2] = jshort(step);
    players[base + 4] = 0;
    lastMoveX = offsetXOf(v) - players[base + 5];
    lastMoveY = offsetYOf(v) - players[base + 6];
    players[base + 5] = jshort(offsetXOf(v));
    players[base + 6] = jshort(offsetYOf(v));
    players[base + 7] = jshort(step);
}

jint WrenCanvas::getElapsedTime(jint player) {
    jint base = 8 * player;
    jint time = players[base + 4] & 0xFFFF;
    if (getStepCount(player) > 0) {
        jint set = players[base];
        jint first = stepOf(player);
        for (jint s = 0; s < players[base + 2]; ++s) time += durationOf(set, first + s);
    }
    return time;
}

jint WrenCanvas::getStepCount(jint player) {
    return animTable[players[8 * player]][players[8 * player + 1]] & 0x3FF;
}

void WrenCanvas::setAnimSetKept(jint setKey, jboolean keep) {
    jint i = findAnimSet(setKey);
    animSetKeys[i] = jshort(keep ? (animSetKeys[i] | 0x8000) : (animSetKeys[i] & 0x7FFF));
}

void WrenCanvas::compactAnimSets() {
    jint kept = 0;
    if (animSetKeys != nullptr)
        for (jint i = 0; i < animSetKeys->length; ++i)
            if (animSetKeys[i] & 0x8000) ++kept;
    if (kept == 0) {
        animSetKeys = nullptr;
        animTable = nullptr;
        stepFlags = nullptr;
        stepData = nullptr;
        durationTable = nullptr;
        frameTable = nullptr;
        framePieces = nullptr;
        frameBoxIndex = nullptr;
        boxData = nullptr;
        boxInfo = nullptr;
        players = nullptr;
        return;
    }
    VMPtr<VMArray<jchar>> rows = VMArray<jchar>::create(kept);
    VMPtr<VMArray<jshort>> keys = VMArray<jshort>::create(kept);
    for (jint i = 0, k = 0; i < animSetKeys->length; ++i)
        if (animSetKeys[i] & 0x8000) {
            rows[k] = jchar(i);
            keys[k++] = animSetKeys[i];
        }
    auto ints = [&](const VMPtr<VMArray<jint, 2>>& t) {
        VMPtr<VMArray<jint, 2>> out = VMArray<jint, 2>::create(kept);
        selectIntRows(t, rows, out);
        return out;
    };
    auto chars = [&](const VMPtr<VMArray<jchar, 2>>& t) {
        VMPtr<VMArray<jchar, 2>> out = VMArray<jchar, 2>::create(kept);
        selectCharRows(t, rows, out);
        return out;
    };
    VMPtr<VMArray<jbyte, 2>> flags = VMArray<jbyte, 2>::create(kept);
    selectByteRows(stepFlags, rows, flags);
    animTable = ints(animTable);
    stepFlags = flags;
    stepData = ints(stepData);
    durationTable = chars(durationTable);
    frameTable = ints(frameTable);
    framePieces = ints(framePieces);
    frameBoxIndex = chars(frameBoxIndex);
    boxData = ints(boxData);
    boxInfo = chars(boxInfo);
    animSetKeys = keys;
}

jint WrenCanvas::getAnimation(jint player) { return players[8 * player + 1]; }

jint WrenCanvas::getStep(jint player) { return players[8 * player + 2]; }

void WrenCanvas::ensurePlayers(jint count) { players = ensureShortLength(players, 8 * count); }

jboolean WrenCanvas::updatePlayer(jint player, jint elapsedMs) {
    jint base = 8 * player;
    jint loops = players[base + 3];
    if (loops == 0) {
        lastMoveX = lastMoveY = 0;
        return false;
    }
    jint set = players[base];
    jint entry = animTable[set][players[base + 1]];
    jint first = firstOf(entry);
    jint count = entry & 0x3FF;
    if (count == 0) {  // nothing to play: no step to read or move to
        lastMoveX = lastMoveY = 0;
        return true;
    }
    VMPtr<VMArray<jint>> data = stepData[set];
    VMPtr<VMArray<jbyte>> flags = stepFlags[set];
    VMPtr<VMArray<jchar>> durations = durationTable[set];
    auto duration = [&](jint s) { return jint(durations[flags[first + s] & 0x3F]); };
    auto level = [&](jint s) { return (flags[first + s] >> 6) & 3; };

    jint time = elapsedMs + (players[base + 4] & 0xFFFF);
    jint step = players[base + 2];
    jint startX = players[base + 5];
    jint startY = players[base + 6];
    jint minLevel = step == players[base + 7] ? 0 : level(step);
    jint shown = step;
    jint d = 0;
    // Steps passed in a row that took no time: a whole round of them in an
    // endless animation would go round for ever, so it ends the update.
    jint idleSteps = 0;
    for (;;) {
        d = duration(step);
        if (time < d) break;
        if (d == 0 && loops < 0 && ++idleSteps >= count) {
            time = 0;
            break;
        }
        if (d != 0) idleSteps = 0;
        time -= d;
        jint next = step + 1;
        if (next == count) {
            if (loops > 0 && --loops == 0) {
                time = d;
                break;
            }
            jint last = data[first + count - 1];
            startX -= offsetXOf(last);
            startY -= offsetYOf(last);
            next = 0;
        }
        step = next;
        jint l = level(step);
        if (l < minLevel) continue;
        minLevel = l;
        shown = step;
        if (l == 3) break;
    }
    jint v = data[first + step];
    jint x = offsetXOf(v);
    jint y = offsetYOf(v);
    if ((v & 3) != 0 && loops != 0) {
        bool target = true;
        jint tx = 0, ty = 0;
        if (step + 1 < count) {
            tx = offsetXOf(data[first + step + 1]);
            ty = offsetYOf(data[first + step + 1]);
        } else if (loops != 1) {
            tx = offsetXOf(data[first]) + x;
            ty = offsetYOf(data[first]) + y;
        } else {
            target = false;
        }
        // A step of no duration is not between two places: it shows its own.
        if (target && d > 0) {
            jint f = vmDiv(time << 12, d);
            x += ((tx - x) * f) >> 12;
            y += ((ty - y) * f) >> 12;
        }
    }
    lastMoveX = x - startX;
    lastMoveY = y - startY;
    players[base + 2] = jshort(step);
    players[base + 3] = jshort(loops);
    players[base + 4] = jshort(time);
    players[base + 5] = jshort(x);
    players[base + 6] = jshort(y);
    players[base + 7] = jshort(shown);
    return loops != 0;
}

void WrenCanvas::startAnimation(jint player, jint setKey, jint animation) {
    ensurePlayers(player + 1);
    jint set = findAnimSet(setKey);
    jint entry = animTable[set][animation];
    jint base = 8 * player;
    players[base] = jshort(set);
    players[base + 1] = jshort(animation);
    players[base + 3] = jshort(loopOf(entry));
    players[base + 2] = players[base + 4] = players[base + 5] = 0;
    players[base + 6] = players[base + 7] = 0;
}

jint WrenCanvas::getShownStep(jint player) { return players[8 * player + 7]; }

jint WrenCanvas::selectPlayerFrame(jint player) {
    currentSet = players[8 * player];
    return vmUshr(stepData[currentSet][stepOf(player) + players[8 * player + 7]], 22);
}

void WrenCanvas::computeFrameBounds(const VMPtr<VMArray<Gob*>>& gobs, jint frame, jint transform,
                                    const VMPtr<VMArray<jint>>& bounds) {
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry);
    jint minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (jint k = 0; k < (entry & 0xFF); ++k) {
        jint p = framePieces[currentSet][first + k];
        VMPtr<Gob> gob = gobs[vmUshr(p, 22)];
        jint t = (p & 3) ^ transform;
        jint x = gob->offsetX + offsetXOf(p), y = gob->offsetY + offsetYOf(p);
        jint w = gob->width, h = gob->height;
        jint tx = transformX(x, y, w, h, t), ty = transformY(x, y, w, h, t);
        if (t & 4) std::swap(w, h);
        minX = std::min(minX, tx);
        minY = std::min(minY, ty);
        maxX = std::max(maxX, tx + w);
        maxY = std::max(maxY, ty + h);
    }
    bounds[0] = minX;
    bounds[1] = minY;
    bounds[2] = maxX - minX;
    bounds[3] = maxY - minY;
}

void WrenCanvas::paintFramePieces(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                                  jint frame, jint x, jint y, jint transform) {
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry);
    for (jint k = 0; k < (entry & 0xFF); ++k) {
        jint p = framePieces[currentSet][first + k];
        VMPtr<Gob> gob = gobs[vmUshr(p, 22)];
        jshort ox = gob->offsetX, oy = gob->offsetY;
        gob->offsetX = jshort(ox + offsetXOf(p));
        gob->offsetY = jshort(oy + offsetYOf(p));
        // The Gob may be shared: its offsets come back even when paint throws.
        vmTryFinally([&] { gob->paint(g, x, y, (p & 3) ^ transform); },
                     [&] {
                         gob->offsetX = ox;
                         gob->offsetY = oy;
                     });
    }
}

jint WrenCanvas::getFrameBoxes(const VMPtr<VMArray<jshort>>& out, jint frame, jint transform,
                               jboolean filter, jint type) {
    jint entry = frameTable[currentSet][frame];
    jint first = frameBoxIndex[currentSet][frame];
    jint count = (entry >> 8) & 0xFF;
    jint written = 0;
    for (jint k = 0; k < count && 5 * written + 5 <= out->length; ++k) {
        jint v = boxData[currentSet][first + k];
        jint info = boxInfo[currentSet][first + k];
        jint boxType = info & 0x3F;
        if (filter && boxType != type) continue;
        jint x = v >> 21, y = (v << 11) >> 21, w = v & 0x3FF, h = info >> 6;
        jint o = 5 * written++;
        out[o] = jshort(transformX(x, y, w, h, transform));
        out[o + 1] = jshort(transformY(x, y, w, h, transform));
        out[o + 2] = jshort((transform & 4) ? h : w);
        out[o + 3] = jshort((transform & 4) ? w : h);
        out[o + 4] = jshort(boxType);
    }
    return written;
}

void WrenCanvas::paintPlayer(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                             jint player, jint x, jint y, jint transform) {
    if (getStepCount(player) == 0) return;
    paintFramePieces(g, gobs, selectPlayerFrame(player), x, y, transform);
}

void WrenCanvas::paintSetFrame(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                               jint setKey, jint frame, jint x, jint y, jint transform) {
    currentSet = findAnimSet(setKey);
    paintFramePieces(g, gobs, frame, x, y, transform);
}

void WrenCanvas::getPlayerBounds(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                 jint transform, const VMPtr<VMArray<jint>>& bounds) {
    if (getStepCount(player) == 0) return;
    computeFrameBounds(gobs, selectPlayerFrame(player), transform, bounds);
    bounds[0] = bounds[0] + x;
    bounds[1] = bounds[1] + y;
}

void WrenCanvas::getSetFrameBounds(jint setKey, jint frame, const VMPtr<VMArray<Gob*>>& gobs,
                                   jint transform, const VMPtr<VMArray<jint>>& bounds) {
    currentSet = findAnimSet(setKey);
    computeFrameBounds(gobs, frame, transform, bounds);
}

jint WrenCanvas::getPlayerPieces(jint player, const VMPtr<VMArray<jshort>>& out, jint transform) {
    if (getStepCount(player) == 0) return 0;
    jint frame = selectPlayerFrame(player);
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry), count = entry & 0xFF;
    for (jint k = 0; k < count && 4 * k + 4 <= out->length; ++k) {
        jint p = framePieces[currentSet][first + k];
        jint dx = offsetXOf(p), dy = offsetYOf(p);
        out[4 * k] = jshort(vmUshr(p, 22));
        out[4 * k + 1] = jshort(transformX(dx, dy, 0, 0, transform));
        out[4 * k + 2] = jshort(transformY(dx, dy, 0, 0, transform));
        out[4 * k + 3] = jshort((p & 3) ^ transform);
    }
    return count;
}

jint WrenCanvas::getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out) {
    if (getStepCount(player) == 0) return 0;
    return getFrameBoxes(out, selectPlayerFrame(player), 0, false, 0);
}

jint WrenCanvas::getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out, jint type) {
    if (getStepCount(player) == 0) return 0;
    return getFrameBoxes(out, selectPlayerFrame(player), 0, true, type);
}

jint WrenCanvas::getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out) {
    currentSet = findAnimSet(setKey);
    return getFrameBoxes(out, frame, 0, false, 0);
}

jint WrenCanvas::getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out,
                                  jint type) {
    currentSet = findAnimSet(setKey);
    return getFrameBoxes(out, frame, 0, true, type);
}

}  // namespace wren

// ---------------------------------------------------------------------------
// Resource and table loading: forwarders to the resource front end, the
// packed animation and text-record loaders, and the indexed PNG writer.
// ---------------------------------------------------------------------------

namespace wren {

using java::io::DataInputStream;
using java::lang::String;

VMPtr<VMArray<Gob*>> WrenCanvas::loadGobs(jint id) { return Resources::loadGobs(id); }
VMPtr<VMArray<Gob*>> WrenCanvas::loadGobs(jint id, const VMPtr<VMArray<jbyte>>& palette) {
    return Resources::loadGobs(id, palette);
}
VMPtr<Image> WrenCanvas::getImage(jint id) { return Resources::getImage(id); }
VMPtr<Image> WrenCanvas::getImage(jint id, const VMPtr<VMArray<jbyte>>& palette) {
    return Resources::getImage(id, palette);
}
VMPtr<VMArray<jbyte>> WrenCanvas::getData(jint id) { return Resources::getData(id); }
VMPtr<DataInputStream> WrenCanvas::openStream(jint id) { return Resources::openStream(id); }
jboolean WrenCanvas::loadPack(const VMPtr<DataInputStream>& in) { return Resources::loadPack(in); }

void WrenCanvas::loadPackedAnimation(jint id) {
    if (findAnimSet(id) >= 0) return;
    animSetKeys = appendShort(animSetKeys, jshort(id));
    jint rows = animSetKeys->length;
    vmTryCatch(
        [&] {
            levelStream = Resources::openStream(id);
            // Every count read below needs at least one byte an item, so a
            // count beyond the resource's size is refused before allocating.
            readPackedSet(Resources::getSize(id));
        },
        [](const VMPtr<java::lang::Exception>&) {});
    levelStream = nullptr;
    padAnimTables(rows);
}

void WrenCanvas::padAnimTables(jint rows) {
    auto ints = [&](VMPtr<VMArray<jint, 2>> t) {
        while (t == nullptr || t->length < rows) t = appendIntRow(t, VMArray<jint>::create(0));
        return t;
    };
    auto chars = [&](VMPtr<VMArray<jchar, 2>> t) {
        while (t == nullptr || t->length < rows) t = appendCharRow(t, VMArray<jchar>::create(0));
        return t;
    };
    animTable = ints(animTable);
    stepData = ints(stepData);
    frameTable = ints(frameTable);
    framePieces = ints(framePieces);
    boxData = ints(boxData);
    frameBoxIndex = chars(frameBoxIndex);
    boxInfo = chars(boxInfo);
    durationTable = chars(durationTable);
    VMPtr<VMArray<jbyte, 2>> flags = stepFlags;
    while (flags == nullptr || flags->length < rows)
        flags = appendByteRow(flags, VMArray<jbyte>::create(0));
    stepFlags = flags;
}

namespace {
void checkCount(jint count, jint size) {
    if (count < 0 || count > size)
        java::io::IOException::throwNew(WREN_LIT("animation set: count beyond its data"));
}
}  // namespace

void WrenCanvas::readPackedSet(jint size) {
    levelStream->readByte();
    // Animations.
    jint animations = levelStream->readUnsignedShort();
    checkCount(animations, size);
    VMPtr<VMArray<jint>> anims = VMArray<jint>::create(animations);
    animTable = appendIntRow(animTable, anims);
    jint steps = 0;
    for (jint i = 0; i < animations; ++i) {
        jint c = readVarU8();
        anims[i] = (steps << 16) | c;
        steps += c;
    }
    for (jint i = 0; i < animations; ++i) anims[i] = anims[i] | ((readVarS8() & 0x3F) << 10);
    // Steps.
    checkCount(steps, size);
    VMPtr<VMArray<jbyte>> flags = VMArray<jbyte>::create(steps);
    VMPtr<VMArray<jint>> data = VMArray<jint>::create(steps);
    stepFlags = appendByteRow(stepFlags, flags);
    stepData = appendIntRow(stepData, data);
    for (jint i = 0; i < steps; ++i) {
        jint v = readVarU8();
        flags[i] = jbyte(v);
        data[i] = v >> 8;
    }
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | (readVarU8() << 22);
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | ((readVarS8() & 0x3FF) << 12);
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | ((readVarS8() & 0x3FF) << 2);
    // Frames.
    jint frames = levelStream->readUnsignedShort();
    checkCount(frames, size);
    VMPtr<VMArray<jchar>> boxIndex = VMArray<jchar>::create(frames);
    VMPtr<VMArray<jint>> frameRow = VMArray<jint>::create(frames);
    frameBoxIndex = appendCharRow(frameBoxIndex, boxIndex);
    frameTable = appendIntRow(frameTable, frameRow);
    jint pieces = 0;
    for (jint i = 0; i < frames; ++i) {
        jint c = readVarU8();
        frameRow[i] = (pieces << 16) | c;
        pieces += c;
    }
    // Pieces: transforms four to a number, then the three passes.
    checkCount(pieces, size);
    VMPtr<VMArray<jint>> pieceRow = VMArray<jint>::create(pieces);
    framePieces = appendIntRow(framePieces, pieceRow);
    jint group = 0;
    for (jint i = 0; i < pieces; ++i) {
        if ((i & 3) == 0) group = readVarU8();
        pieceRow[i] = (group >> (6 - 2 * (i & 3))) & 3;
    }
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | (readVarU8() << 22);
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | ((readVarS8() & 0x3FF) << 12);
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | ((readVarS8() & 0x3FF) << 2);
    // Boxes.
    jint boxes = 0;
    for (jint i = 0; i < frames; ++i) {
        jint k = readVarU8();
        frameRow[i] = frameRow[i] | (k << 8);
        boxIndex[i] = jchar(boxes);
        boxes += k;
    }
    checkCount(boxes, size);
    VMPtr<VMArray<jint>> boxRow = VMArray<jint>::create(boxes);
    VMPtr<VMArray<jchar>> infoRow = VMArray<jchar>::create(boxes);
    boxData = appendIntRow(boxData, boxRow);
    boxInfo = appendCharRow(boxInfo, infoRow);
    for (jint i = 0; i < boxes; ++i) boxRow[i] = readVarS8() << 21;
    for (jint i = 0; i < boxes; ++i) boxRow[i] = boxRow[i] | ((readVarS8() & 0x7FF) << 10);
    for (jint i = 0; i < boxes; ++i) boxRow[i] = boxRow[i] | readVarU8();
    for (jint i = 0; i < boxes; ++i) infoRow[i] = jchar(readVarU8() << 6);
    for (jint i = 0; i < boxes; ++i) infoRow[i] = jchar(infoRow[i] | readVarU8());
    // Durations.
    jint durations = levelStream->readUnsignedShort();
    VMPtr<VMArray<jchar>> durationRow = VMArray<jchar>::create(durations);
    durationTable = appendCharRow(durationTable, durationRow);
    for (jint i = 0; i < durations; ++i) durationRow[i] = jchar(readVarU8());
}

void WrenCanvas::loadTexts(jint id) {
    textCache = nullptr;
    textData = nullptr;
    textOffsets = nullptr;
    if (id == -1) return;
    vmTryCatch(
        [&] {
            VMPtr<DataInputStream> in = Resources::openStream(id);
            jint n = in->readShort();
            textOffsets = VMArray<jchar>::create(n + 1);
            textData = VMArray<jbyte>::create(Resources::getSize(id) - 2 * (n + 1));
            jint p = 0;
            for (jint i = 0; i < n; ++i) {
                textOffsets[i] = jchar(p);
                jint length = in->readShort();
                if (length > 0) in->readFully(textData, p, length);
                p = (p + length) & 0xFFFF;
            }
            textOffsets[n] = jchar(p);
        },
        [](const VMPtr<java::lang::Exception>&) {});
    // A count of -1 allocates an empty offset table before failing; like
    // every other negative count it leaves no table rather than a
    // String[-1] thrown at the caller.
    if (textOffsets == nullptr || textOffsets->length == 0) {
        textOffsets = nullptr;
        textData = nullptr;
        return;
    }
    jint n = textOffsets->length - 1;
    VMPtr<VMArray<String*>> texts = VMArray<String*>::create(n);
    for (jint i = 0; i < n; ++i) {
        // Records past a failed read have no end offset: they stay empty.
        if (textData == nullptr || textOffsets[i + 1] <= textOffsets[i]) texts[i] = WREN_LIT("");
        else texts[i] = getText(i);
    }
    textCache = texts;
    textData = nullptr;
    textOffsets = nullptr;
}

jint WrenCanvas::pngCrc(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    return ~crc32(-1, data, offset, length);
}

void WrenCanvas::updatePaletteCrc(const VMPtr<VMArray<jbyte>>& palette) {
    VMPtr<VMArray<jbyte>> type = VMArray<jbyte>::of({'P', 'L', 'T', 'E'});
    jint n = palette->length - 4;
    jint crc = ~crc32(crc32(-1, type, 0, 4), palette, 0, n);
    for (jint i = 0; i < 4; ++i) palette[n + i] = jbyte(crc >> (24 - 8 * i));
}

VMPtr<VMArray<jbyte>> WrenCanvas::buildIndexedPng(const VMPtr<VMArray<jbyte>>& pixels,
                                                  jint offset, jint stride, jint width,
                                                  jint height,
                                                  const VMPtr<VMArray<jbyte>>& palette,
                                                  jint transparentIndex) {
    clinit();
    // A stored block holds at most 32768 bytes of rows, so one row must fit.
    if (width < 1 || width > 32767 || height < 1 || palette->length < 4 ||
        transparentIndex > 255)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("indexed PNG: bad size"));
    jint row = width + 1;
    jint rowsPerBlock = 32768 / row;
    jint blocks = (height - 1) / rowsPerBlock + 1;
    jint paletteBytes = palette->length - 4;
    jint size = 75 + blocks * 5 + paletteBytes + row * height +
                (transparentIndex >= 0 ? transparentIndex + 13 : 0);
    VMPtr<VMArray<jbyte>> out = VMArray<jbyte>::create(size);
    Statics& s = S();
    VMPtr<VMArray<jbyte>> savedBuffer = s.outBuffer;
    jint savedPosition = s.outPosition;
    s.outBuffer = out;
    s.outPosition = 0;
    auto endChunk = [&](jint start) {  // start: where the chunk's type begins
        writeInt(pngCrc(out, start, S().outPosition - start));
    };
    vmTryFinally(
        [&] {
            writeInt(0x89504E47);
            writeInt(0x0D0A1A0A);
            writeInt(13);
            jint start = S().outPosition;
            writeInt(0x49484452);  // IHDR
            writeInt(width);
            writeInt(height);
            writeByte(8);
            writeByte(3);
            writeByte(0);
            writeByte(0);
            writeByte(0);
            endChunk(start);
            writeInt(paletteBytes);
            start = S().outPosition;
            writeInt(0x504C5445);  // PLTE
            for (jint i = 0; i < paletteBytes; ++i) writeByte(palette[i]);
            endChunk(start);
            if (transparentIndex >= 0) {
                writeInt(transparentIndex + 1);
                start = S().outPosition;
                writeInt(0x74524E53);  // tRNS
                for (jint i = 0; i < transparentIndex; ++i) writeByte(0xFF);
                writeByte(0);
                endChunk(start);
            }
            writeInt(row * height + blocks * 5 + 6);
            start = S().outPosition;
            writeInt(0x49444154);  // IDAT
            writeShort(0x78DA);
            jint adler = 1;
            for (jint b = 0, y = 0; b < blocks; ++b) {
                jint rows = b < blocks - 1 ? rowsPerBlock : height - rowsPerBlock * (blocks - 1);
                writeByte(b == blocks - 1 ? 1 : 0);
                writeShortLE(rows * row);
                writeShortLE(~(rows * row));
                for (jint r = 0; r < rows; ++r, ++y) {
                    jint rowStart = S().outPosition;
                    writeByte(0);
                    jint from = offset + y * stride;
                    for (jint x = 0; x < width; ++x) writeByte(pixels[from + x]);
                    adler = adler32(adler, out, rowStart, row);
                }
            }
            writeInt(adler);
            endChunk(start);
            writeInt(0);
            writeInt(0x49454E44);  // IEND
            writeInt(jint(0xAE426082));
        },
        [&] {
            S().outBuffer = savedBuffer;
            S().outPosition = savedPosition;
        });
    return out;
}

}  // namespace wren
