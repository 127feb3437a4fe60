#include "wren_input_PointerInputEventManager.h"

#include "wren_GameClock.h"
#include "wren_WrenCanvas.h"

WREN_DEFINE_CLASS(wren::input::PointerInputEventManager, "wren.input.PointerInputEventManager")

namespace wren::input {

using java::lang::Object;
using Event = PointerInputEventManager_WRC_Event;

namespace {

jint slotAfter(jint slot, jint steps) { return (slot + steps) % PointerInputEventManager::RING_SIZE; }

VMPtr<WrenCanvas> canvas() { return WrenCanvas::S().instance; }

}  // namespace

void PointerInputEventManager::staticInit() {
    Statics& s = wrenStatics_();
    s.queueLock = Object::make();
    s.areaLock = Object::make();
    s.startTime = GameClock::get()->currentTimeMillis();
}

void PointerInputEventManager::init() {
    Statics& s = S();
    s.requestedWidth = -1;
    s.requestedHeight = -1;
    VMPtr<WrenCanvas> c = canvas();
    s.areaWidth = c->getGameAreaWidth();
    s.areaHeight = c->getGameAreaHeight();
    s.lastX = VMArray<jint>::create(1);
    s.lastY = VMArray<jint>::create(1);
    s.lastTime = VMArray<jlong>::create(1);
    s.pointerDown = VMArray<jboolean>::create(1);
}

void PointerInputEventManager::refreshArea() {
    Statics& s = S();
    if (s.requestedWidth < 0 || s.requestedHeight < 0)
        setArea(s.areaX, s.areaY, s.requestedWidth, s.requestedHeight);
    VMPtr<WrenCanvas> c = canvas();
    s.originX = c->getGameAreaX();
    s.originY = c->getGameAreaY();
}

jboolean PointerInputEventManager::setArea(jint x, jint y, jint width, jint height) {
    Statics& s = S();
    VMSynchronized guard(s.areaLock);
    s.areaX = x;
    s.areaY = y;
    s.requestedWidth = width;
    s.requestedHeight = height;
    s.areaWidth = width >= 0 ? width : canvas()->getGameAreaWidth();
    s.areaHeight = height >= 0 ? height : canvas()->getGameAreaHeight();
    return true;
}

jboolean PointerInputEventManager::setEnabled(jboolean on) {
    Statics& s = S();
    VMSynchronized guard(s.queueLock);
    if (on == s.enabled) return true;
    s.enabled = on;
    if (!on) {
        s.count = 0;
        s.events = nullptr;
        return true;
    }
    // The records are made once and overwritten for the life of the queue.
    VMPtr<VMArray<Event*>> ring = VMArray<Event*>::create(RING_SIZE);
    for (jint i = RING_SIZE - 1; i >= 0; --i) ring[i] = Event::make();
    s.events = ring;
    reset();
    return true;
}

jboolean PointerInputEventManager::isEnabled() { return S().enabled; }

void PointerInputEventManager::reset() {
    Statics& s = S();
    VMSynchronized guard(s.queueLock);
    s.currentTime = -1;
    s.count = 0;
    s.head = 0;
    s.tail = RING_SIZE - 1;  // the first event lands in slot 0
    s.currentX = 0;
    s.currentY = 0;
    s.currentKind = 0;
}

void PointerInputEventManager::setInputIgnored(jboolean ignored) { S().inputIgnored = ignored; }

void PointerInputEventManager::setDeliverySuspended(jboolean suspended) {
    S().deliverySuspended = suspended;
}

jboolean PointerInputEventManager::setMultiPointerEnabled(jboolean on) {
    clinit();
    return !on;
}

void PointerInputEventManager::onPointerEvent(jbyte pointer, jint x, jint y, jbyte kind,
                                              jlong time) {
    Statics& s = S();
    if (s.inputIgnored || pointer != 0) return;
    x -= s.originX;
    y -= s.originY;
    VMPtr<VMArray<jboolean>> down = s.pointerDown;
    {
        VMSynchronized guard(s.areaLock);
        bool inside = s.areaX <= x && x < s.areaX + s.areaWidth && s.areaY <= y &&
                      y < s.areaY + s.areaHeight;
        if (!inside) {
            if (!down[pointer]) return;
            // A held pointer that leaves is released at the nearest point
            // inside.
            kind = RELEASED;
            if (x < s.areaX) x = s.areaX;
            if (x >= s.areaX + s.areaWidth) x = s.areaX + s.areaWidth - 1;
            if (y < s.areaY) y = s.areaY;
            if (y >= s.areaY + s.areaHeight) y = s.areaY + s.areaHeight - 1;
        }
    }
    if (!down[pointer]) {
        if (kind == RELEASED) return;
        if (kind == DRAGGED) kind = PRESSED;
    }
    // The release of the touch before never arrived.
    if (kind == PRESSED && down[pointer])
        queueEvent(pointer, s.lastX[pointer], s.lastY[pointer], RELEASED, s.lastTime[pointer]);
    queueEvent(pointer, x, y, kind, time);
}

void PointerInputEventManager::queueEvent(jbyte pointer, jint x, jint y, jbyte kind, jlong time) {
    Statics& s = S();
    {
        VMSynchronized guard(s.queueLock);
        if (s.enabled) {
            advanceTail();
            s.count += 1;
            VMPtr<Event> e = s.events[s.tail];
            e->x = jshort(x);
            e->y = jshort(y);
            e->kind = kind;
            e->pointer = pointer;
            e->timeOffset = jint(time - s.startTime);
        }
    }
    s.pointerDown[pointer] = kind == PRESSED || kind == DRAGGED;
    s.lastX[pointer] = x;
    s.lastY[pointer] = y;
    s.lastTime[pointer] = time;
}

void PointerInputEventManager::advanceTail() {
    Statics& s = S();
    s.tail = slotAfter(s.tail, 1);
    if (s.count <= 0 || s.tail != s.head) return;
    // Full: the oldest record is about to be overwritten. What goes is never
    // a lone press or a lone release: a drag at the head goes; a press at the
    // head stays and the event after it goes, unless that is its release,
    // when both go; a release at the head stays and the same rule applies to
    // the events after it.
    VMPtr<VMArray<Event*>> ring = s.events;
    jint drop = 1;
    jint i = s.head;
    bool releaseFirst = false;
    if (ring[s.head]->kind == RELEASED) {
        releaseFirst = true;
        i = slotAfter(s.head, 1);
    }
    if (ring[i]->kind == PRESSED) {
        if (ring[slotAfter(i, 1)]->kind == RELEASED)
            drop = 2;
        else
            swapEvents(i, slotAfter(i, 1));
    }
    if (releaseFirst) {
        if (drop == 2) i = slotAfter(i, 1);
        swapEvents(s.head, i);
    }
    s.count -= drop;
    s.head = slotAfter(s.head, drop);
}

void PointerInputEventManager::swapEvents(jint a, jint b) {
    VMPtr<VMArray<Event*>> ring = S().events;
    VMPtr<Event> first = ring[a];
    ring[a] = ring[b];
    ring[b] = first;
}

void PointerInputEventManager::releaseAllPointers() {
    Statics& s = S();
    jlong now = GameClock::get()->currentTimeMillis();
    VMPtr<VMArray<jboolean>> down = s.pointerDown;
    for (jint p = 0; p < down->length; ++p)
        if (down[p]) queueEvent(jbyte(p), s.lastX[p], s.lastY[p], RELEASED, now);
}

jboolean PointerInputEventManager::nextEvent() {
    Statics& s = S();
    if (s.count < 1 || s.deliverySuspended) return false;
    VMSynchronized guard(s.queueLock);
    if (!s.enabled) return false;
    VMPtr<Event> e = s.events[s.head];
    s.currentX = e->x;
    s.currentY = e->y;
    s.currentKind = e->kind;
    s.currentTime = s.startTime + e->timeOffset;
    s.currentPointer = e->pointer;
    s.head = slotAfter(s.head, 1);
    s.count -= 1;
    return true;
}

jint PointerInputEventManager::getEventCount() { return S().count; }
jint PointerInputEventManager::getEventX() { return S().currentX; }
jint PointerInputEventManager::getEventY() { return S().currentY; }
jbyte PointerInputEventManager::getEventKind() { return S().currentKind; }
jbyte PointerInputEventManager::getEventPointer() { return S().currentPointer; }

}  // namespace wren::input
