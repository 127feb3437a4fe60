// wren.input.PointerInputKeyManager: turns stylus touches on registered touch
// key regions into key presses and releases on the canvas, so the game's
// ordinary key handling also serves the touch screen. It keeps the registry
// of regions, one key state per canvas key that some region is driving, and
// the per-frame snapshot of regions with a key state of their own. One
// pointer (index 0); everything is static. Lock order: the manager's lock,
// then the regions' state lock, then the canvas's key lock.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_util_Vector.h"
#include "wren_input_PointerInputKeyManager_WRC_KeyState.h"
#include "wren_input_PointerInputKeyRegion.h"

namespace wren::input {

class PointerInputKeyManager : public virtual java::lang::Object {
    WREN_CLASS(PointerInputKeyManager, java::lang::Object)
public:
    static constexpr jint KEY_INDEXES = 128;
    // A slider counts no steps across a longer pause between two events.
    static constexpr jlong SLIDER_GESTURE_GAP_MS = 50;

    struct Statics {
        jint maxPointers = 0;
        // The game area's top-left corner on the screen.
        jint originX = 0;
        jint originY = 0;
        // In registration order; null until the first addRegion.
        VMStaticPtr<java::util::Vector> regions;
        // Slots below keyStateCount hold the active states, the rest records
        // kept for reuse.
        VMStaticPtr<VMArray<PointerInputKeyManager_WRC_KeyState*>> keyStates;
        jint keyStateCount = 0;
        // Key index -> slot in keyStates, -1: none.
        VMStaticPtr<VMArray<jint>> keyStateIndex;
        VMStaticPtr<java::lang::Object> managerLock;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

private:
    void ctor() {}  // no instances

public:
    // The game thread's start.
    static void init();
    // After every change of the game area.
    static void refreshOffsets();
    // false for null and for a region already registered.
    static jboolean addRegion(const VMPtr<PointerInputKeyRegion>& r);
    static jboolean removeRegion(const VMPtr<PointerInputKeyRegion>& r);
    // Key code 0 drops the whole registry (and answers 0); another code
    // removes its regions and answers how many.
    static jint removeRegions(jbyte keyCode);
    // Key code 0: all regions.
    static jint getRegionCount(jbyte keyCode);
    static jint getRegions(const VMPtr<VMArray<PointerInputKeyRegion*>>& out, jbyte keyCode);
    // One stylus event in screen coordinates: pressed (down, edge), dragged
    // (down) or released (edge).
    static void onPointer(jbyte pointer, jint x, jint y, jboolean down, jboolean edge);
    static void updateRegions();
    static void resetAll();
    static jboolean setMultiPointerEnabled(jboolean on);

    // The canvas's key numbering: 1..63 as they are, -64..-1 as 64..127,
    // anything else -1.
    static jint keyIndex(jint keyCode);
    static void hitTest(jbyte pointer, jint x, jint y, jboolean down, jboolean edge,
                        const VMPtr<PointerInputKeyRegion>& r);
    static VMPtr<PointerInputKeyManager_WRC_KeyState> getKeyState(
        const VMPtr<PointerInputKeyRegion>& r, jboolean create);
    static void removeKeyState(jbyte keyCode);
    static void settleDown(const VMPtr<PointerInputKeyManager_WRC_KeyState>& s);
    static void settleUp(const VMPtr<PointerInputKeyManager_WRC_KeyState>& s);
    static void applyOwnState(const VMPtr<PointerInputKeyRegion>& r);
    static void stepSlider(jbyte pointer, jint x, jint y, const VMPtr<PointerInputKeyRegion>& r,
                           jbyte keyCode);
    // The key steps of a slider event at `position` along a region `length`
    // long; `reference` is the direction (UP or LEFT) toward which positions
    // get smaller.
    static jint countSteps(jint position, jint length, const VMPtr<PointerInputKeyRegion>& r,
                           jint reference);
};

}  // namespace wren::input
