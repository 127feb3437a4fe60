// wren.input.PointerInputKeyRegion: a rectangle of the game area that acts as
// a key. The touch key manager hit-tests registered regions on every stylus
// event and presses and releases the region's key on the canvas, so the game
// reads a touched region like a keypad key. A region with key code 127
// drives no canvas key: it keeps a key state of its own, which the game asks
// the region about.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_input_PointerInputKeyManager_WRC_KeyState.h"

namespace wren::input {

class PointerInputKeyRegion : public virtual java::lang::Object {
    WREN_CLASS(PointerInputKeyRegion, java::lang::Object,
               (ownState, PointerInputKeyManager_WRC_KeyState), (captured, VMArray<jboolean>))
    WREN_PLAIN_OBJECT()
public:
    // The key code of a region with a key state of its own.
    static constexpr jbyte OWN_STATE = 127;
    // ownPressCount stops here.
    static constexpr jint MAX_OWN_PRESSES = 127;

    // Slider: key steps over the region's length (0 or less: none).
    jint stepCount = 0;
    jbyte direction = 0;
    jbyte type = 0;
    jbyte keyCode = 0;
    jint height = 0;
    jboolean enabled = false;
    jint width = 0;
    // Top-left corner, game-area coordinates.
    jint y = 0;
    jint x = 0;
    // Own state, live: the touch ended since the last snapshot.
    jboolean ownReleased = false;
    jboolean heldSnapshot = false;
    // Slider: the time of the last event that reached the step logic.
    jlong lastMoveTime = 0;
    // Slider: the fraction of a step carried to the next event, in 1/1024
    // step; its sign means nothing.
    jshort stepRemainder = 0;
    jboolean releasedSnapshot = false;
    // Own state, live: touched now.
    jboolean ownHeld = false;
    // Own state, live: touches started since the last snapshot.
    jbyte ownPressCount = 0;
    // ownState is in use for the current touch.
    jboolean ownStateActive = false;
    jbyte pressCountSnapshot = 0;
    // Slider: the position along the axis at the last event; -1: no gesture.
    jint lastPosition = 0;

    struct Statics {
        // Guards the own-state snapshot; taken after the manager's lock.
        VMStaticPtr<java::lang::Object> stateLock;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // A CAPTURE region, not yet registered.
    static VMPtr<PointerInputKeyRegion> create(jbyte keyCode, jint x, jint y, jint width,
                                               jint height);
    void ctor(jbyte regionType, jbyte code);

    // Left and top edges inside, right and bottom outside.
    virtual jboolean contains(jint px, jint py);
    virtual jboolean isReleased();
    // The outline at the region's place on the screen, whatever the
    // Graphics' translation.
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual jboolean isPressed();
    virtual jboolean isHeld();
    virtual jint getPressCount();
    // The per-frame snapshot of the own state.
    virtual void updateState();
};

}  // namespace wren::input
