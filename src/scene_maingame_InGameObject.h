// scene.maingame.InGameObject: the player's figure on the play field (and
// the preview in the home scene), and the base of the field's monsters. An
// entity screen whose layer 0 is an animation layer, with hit points,
// attack values, three flags (defeated, holding, hurt) and a small state
// machine in which every change of state shows an animation on layer 0.
//
// States: 0 idle, 1 idle after an attack or a dash, 2 hurt, 3 action, 5
// dash, 6 holding, 7 attack, 8 defeated (its animations playing), 12 the
// defeat has played out (final; the scenes read it through getState).
//
// Its per-frame update steps layer 0 by the canvas frame time of the scene
// that is updating, moves the states that wait for an animation to finish
// on, and keeps the other layers on layer 0's position. Unlike a plain
// screen it never moves a finished animation on to the next id.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "ui_Screen.h"
#include "wren_graphics_CollisionBox.h"

namespace scene::maingame {

class InGameObject : public ui::Screen {
    WREN_CLASS(InGameObject, ui::Screen,
               // The row of the cell records for the map cursor's cell.
               (cellRecord, VMArray<jint>),
               // The rectangle getDescriptor (and a monster's walk) fills:
               // {type code, grade, centre x, centre y, ...}.
               (descriptor, VMArray<jint>))
public:
    WREN_PLAIN_OBJECT()

    // Player pictures by world (statClass / 3).
    static constexpr jint WORLDS = 8;
    // Below this many images the variant copies would reach before the
    // set's start: the set is then shown as loaded.
    static constexpr jint MIN_PLAYER_GOBS = 12;

    static constexpr jint STATE_IDLE = 0;
    static constexpr jint STATE_RECOVERED = 1;
    static constexpr jint STATE_HURT = 2;
    static constexpr jint STATE_ACTION = 3;
    static constexpr jint STATE_DASH = 5;
    static constexpr jint STATE_HOLDING = 6;
    static constexpr jint STATE_ATTACK = 7;
    static constexpr jint STATE_DEFEATED = 8;
    static constexpr jint STATE_DEFEAT_OVER = 12;

    struct Statics {
        // The object most recently set up: the monsters read the player
        // through it.
        VMStaticPtr<InGameObject> player;
        VMStaticPtr<VMArray<jint>> worldGobIds;
        VMStaticPtr<VMArray<jint>> worldAnimSetIds;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    jint hitPoints = 0;
    jint state = 0;
    jint attackPower = 0;
    jint grade = 0;
    jint attackBonus = 0;
    jint specialPower = 0;
    jboolean defeated = false;
    jboolean holding = false;
    // While set, hits do nothing.
    jboolean hurt = false;
    // What the last hold was given; -1 after release.
    jint heldIndex = 0;
    jint level = 0;

    // Visible, flags clear, state 0, no layer yet.
    void ctor();

    // Unless attacking or dashing: state 7, animation 4.
    virtual void startAttack();
    // Unless hurt or defeated: state 3, animation 3.
    virtual void startAction();
    // Once: hit points 0 (and the saved ones), animation 1, state 8.
    virtual void defeat();
    // The type of layer 0's frame box that overlaps `box`, -1 for none.
    virtual jint hitTestValue(const VMPtr<wren::graphics::CollisionBox>& box);
    // Lets go of what it holds: state 0, animation 0. (Not the screen's
    // release, which gives the layers back to the cache: the two are
    // different operations of the class.)
    virtual void releaseHold();
    virtual jint getState();
    // Becomes the current player; layer 0 shows the world's figure with
    // its image variant; stats from the game state.
    virtual void setUp(const VMPtr<InGameObject>& self);
    // Out of the dash into state 1; whether it was dashing.
    virtual jboolean leaveState5();
    virtual void enterState5();
    // Visible again, flags clear, state 0, animation 0; hit points stay.
    virtual void activate();
    virtual jboolean isDefeated();
    // One hit point, unless hurt; the source is the monsters' business.
    virtual void takeHit(jint source);
    virtual jboolean isHurt();
    virtual jboolean isHolding();
    virtual void defeatSpecial();
    // {type code 11, 12 or 13, y, centre x, centre y, ...} of box 2 of
    // layer 0.
    virtual VMPtr<VMArray<jint>> getDescriptor();
    virtual void hold(jint index);

    void doUpdate() override;

    // Shows animation `id` on layer 0 (nothing when it already does).
    void play(jint id) { playAnimation(0, id); }

protected:
    // Milliseconds of the updating scene's canvas frame, 0 with none.
    static jint sceneFrameTime();
    // The loops left of layer 0's player; -1 (endless) when layer 0 is not
    // an animation layer.
    jint loopsLeft();
};

}  // namespace scene::maingame
