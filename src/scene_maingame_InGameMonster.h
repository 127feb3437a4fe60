// scene.maingame.InGameMonster: one of the ten monsters of a heat. It takes
// its own copy of its image set (its variants rewrite the set's images),
// draws its stats from the player's cell level and kind each time it is
// (re)activated, idles in a random pose, walks towards the player when it
// is of kind 2, and is hurt, caught, carried, let go and beaten by the
// rules of the play field.
//
// Layer-0 animations: 0, 1, 2 idle poses (the pose also picks the field's
// drift speed), 3 caught, 4 let go, 5 beaten by a normal hit, 6 beaten by a
// special hit or while carried, 7 hurt.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "scene_maingame_InGameObject.h"

namespace scene::maingame {

class InGameMonster : public InGameObject {
    WREN_CLASS(InGameMonster, InGameObject)
public:
    WREN_PLAIN_OBJECT()

    // Below this many images a variant would copy from before the set's
    // start: the set is then shown as loaded.
    static constexpr jint MIN_MONSTER_GOBS = 36;
    static constexpr jint ANIM_CAUGHT = 3;
    static constexpr jint ANIM_LET_GO = 4;
    static constexpr jint ANIM_BEATEN = 5;
    static constexpr jint ANIM_BEATEN_SPECIAL = 6;
    static constexpr jint ANIM_HURT = 7;

    struct Statics {
        // Image ids by row; the column is the monster's kind.
        VMStaticPtr<VMArray<jint, 2>> kindTable;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    jint imageId = 0;
    // 0, 1 or 2: the column of imageId in kindTable.
    jint kind = 0;
    // 0, 1 or 2, drawn at random by appendAnimLayer.
    jint idleAnimation = 0;

    void ctor();

    void doUpdate() override;
    // An animation layer at the cursor over a private copy of the image
    // set; then the kind from the image id, a random pose and activate.
    void appendAnimLayer(jint gobId, jint animSetId, jint animId, jint x, jint y) override;
    void startAction() override;
    void defeat() override;
    void releaseHold() override;
    // The player's activate, then the idle pose and fresh stats from the
    // player's cell level: kind 0 weak, kind 1 (in a variant) middle, kind
    // 2 strong.
    void activate() override;
    // -1 a special hit, anything else a normal one; a carried monster
    // loses one hit point a hit.
    void takeHit(jint source) override;
    void defeatSpecial() override;
    // {kind, grade, centre x, centre y, ...} of box 5 while the monster can
    // be targeted (idle or hurt), else element 0 is -1.
    VMPtr<VMArray<jint>> getDescriptor() override;
    void hold(jint index) override;

    // With chance 4 in 5, one of four later groups of six images takes the
    // place of the set's first group.
    virtual void applyVariant();
};

}  // namespace scene::maingame
