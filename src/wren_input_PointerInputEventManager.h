// wren.input.PointerInputEventManager: the framework's queue of stylus
// events. The canvas's pointer callbacks hand it every event on the UI
// thread; the game takes them one at a time on the game thread. On the way
// in an event is moved into game-area coordinates and kept inside an active
// rectangle (a held pointer that leaves it is released at the nearest point
// inside), broken press/drag/release sequences are repaired, and the event
// lands in a ring of 20 records whose overflow never drops a lone press or a
// lone release. One pointer (index 0); everything is static.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_input_PointerInputEventManager_WRC_Event.h"

namespace wren::input {

class PointerInputEventManager : public virtual java::lang::Object {
    WREN_CLASS(PointerInputEventManager, java::lang::Object)
public:
    enum : jint { PRESSED = 1, DRAGGED = 2, RELEASED = 3 };
    static constexpr jint RING_SIZE = 20;

    struct Statics {
        jboolean enabled = false;
        jboolean inputIgnored = false;
        jboolean deliverySuspended = false;
        VMStaticPtr<VMArray<PointerInputEventManager_WRC_Event*>> events;
        jint head = 0;
        jint tail = 0;
        jint count = 0;
        jint currentX = 0;
        jint currentY = 0;
        jbyte currentKind = 0;
        jbyte currentPointer = 0;
        jlong currentTime = 0;
        jlong startTime = 0;
        // The active rectangle, in game-area coordinates.
        jint areaX = 0;
        jint areaY = 0;
        jint areaWidth = 0;
        jint areaHeight = 0;
        // Negative: the game area's width (height).
        jint requestedWidth = 0;
        jint requestedHeight = 0;
        // The game area's top-left corner on the screen.
        jint originX = 0;
        jint originY = 0;
        // Per pointer: the last event queued for it.
        VMStaticPtr<VMArray<jboolean>> pointerDown;
        VMStaticPtr<VMArray<jint>> lastX;
        VMStaticPtr<VMArray<jint>> lastY;
        VMStaticPtr<VMArray<jlong>> lastTime;
        // Never held together.
        VMStaticPtr<java::lang::Object> queueLock;
        VMStaticPtr<java::lang::Object> areaLock;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

private:
    void ctor() {}  // no instances

public:
    // The game thread's start: the active area becomes the game area.
    static void init();
    // After every change of the game area.
    static void refreshArea();
    static jboolean setArea(jint x, jint y, jint width, jint height);
    static jboolean setEnabled(jboolean on);
    static jboolean isEnabled();
    static void reset();
    static void setInputIgnored(jboolean ignored);
    static void setDeliverySuspended(jboolean suspended);
    // One pointer only: changes nothing, true when asked for that mode.
    static jboolean setMultiPointerEnabled(jboolean on);
    // A stylus event in screen coordinates (kind PRESSED, DRAGGED or
    // RELEASED).
    static void onPointerEvent(jbyte pointer, jint x, jint y, jbyte kind, jlong time);
    // Queues a release for every pointer that is down, whatever the filters.
    static void releaseAllPointers();
    // Moves the oldest queued event into the current event.
    static jboolean nextEvent();
    static jint getEventCount();
    static jint getEventX();
    static jint getEventY();
    static jbyte getEventKind();
    static jbyte getEventPointer();

    static void queueEvent(jbyte pointer, jint x, jint y, jbyte kind, jlong time);
    static void advanceTail();
    static void swapEvents(jint a, jint b);
};

}  // namespace wren::input
