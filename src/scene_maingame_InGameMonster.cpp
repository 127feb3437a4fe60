#include "scene_maingame_InGameMonster.h"

#include "main_Main.h"
#include "ui_ResManager.h"
#include "wren_AnimPlayer.h"

WREN_DEFINE_CLASS(scene::maingame::InGameMonster, "scene.maingame.InGameMonster")

namespace scene::maingame {

using wren::AnimPlayer;
using wren::Gob;

namespace {

// Boxes of the player's frames the monster goes by: 1 where a carried
// monster sits, 5 where a walking monster heads.
constexpr jint CARRY_BOX = 1;
constexpr jint TARGET_BOX = 5;
// Box 5 of the monster's own frames: its marker's centre.
constexpr jint MARKER_BOX = 5;

}  // namespace

void InGameMonster::staticInit() {
    VMPtr<VMArray<jint, 2>> table = VMArray<jint, 2>::create(4);
    table[0] = VMArray<jint>::of({11269, 11270, 11271});
    table[1] = VMArray<jint>::of({13317, 13318, 13319});
    table[2] = VMArray<jint>::of({15365, 15366, 15367});
    table[3] = VMArray<jint>::of({16389, 16390, 16391});
    wrenStatics_().kindTable = table;
}

void InGameMonster::ctor() { InGameObject::ctor(); }

void InGameMonster::appendAnimLayer(jint gobId, jint animSetId, jint animId, jint x, jint y) {
    const jint c = layerCount;
    releaseLayer(c);
    ui::ResManager::acquireUnshared(gobId, animSetId);
    layerGobColumns[c] = ui::ResManager::getLastGobSlot();
    layerAnimSetColumns[c] = ui::ResManager::getLastAnimSetSlot();
    VMPtr<AnimPlayer> p = AnimPlayer::make();
    p->setAnimSet(ui::ResManager::S().animSetPool[layerAnimSetColumns[c]]);
    p->setAnimation(animId);
    p->setX(x);
    p->setY(y);
    layerPlayers[c] = p;
    layerPaintables[c] = p;
    layerOffsets[c][0] = 0;
    layerOffsets[c][1] = 0;
    layerIds[c] = animId;
    imageId = gobId;
    layerCount = c + 1;

    VMPtr<VMArray<jint, 2>> table = S().kindTable;
    for (jint row = 0; row < table->length; ++row)
        for (jint column = 0; column < 3; ++column)
            if (table[row][column] == gobId) kind = column;
    idleAnimation = main::Main::randomInt() % 3;
    activate();
}

void InGameMonster::startAction() { play(ANIM_LET_GO); }

void InGameMonster::defeat() {
    defeated = true;
    play(ANIM_BEATEN);
}

void InGameMonster::releaseHold() {
    holding = false;
    play(ANIM_LET_GO);
}

void InGameMonster::activate() {
    InGameObject::activate();
    play(idleAnimation);
    VMPtr<InGameObject> p = InGameObject::S().player;
    const jint base = p->cellRecord[0];
    const jint r = main::Main::randomInt();
    jint l = 0;
    switch (kind) {
    case 0:
        l = base - 2 + r % 3;
        attackPower = 1;
        hitPoints = l / 2;
        grade = l - p->level + 1;
        break;
    case 1:
        l = base - 1 + r % 3;
        attackPower = 2;
        hitPoints = l;
        grade = l - p->level + 2;
        applyVariant();
        break;
    default:
        l = base + r % 3;
        attackPower = 3;
        hitPoints = 2 * l;
        grade = l - p->level + 3;
        break;
    }
    level = l;
    if (grade < 0) grade = 0;
    if (grade > 4) grade = 4;
}

void InGameMonster::applyVariant() {
    const jint v = main::Main::randomInt() % 5;
    if (v == 0) return;
    VMPtr<VMArray<Gob*>> gobs = ui::ResManager::S().gobPool[layerGobColumns[0]];
    const jint n = gobs->length;
    if (n < MIN_MONSTER_GOBS) return;
    for (jint i = 0; i < 6; ++i) gobs[n - 36 + i] = gobs[n - 36 + 6 * v + i];
}

void InGameMonster::takeHit(jint source) {
    if (hurt) return;
    VMPtr<InGameObject> p = InGameObject::S().player;
    if (source == -1) {
        hitPoints -= p->specialPower;
        if (hitPoints < 1) {
            defeatSpecial();
        } else {
            hurt = true;
            play(ANIM_HURT);
        }
    } else if (!holding) {
        hitPoints -= p->attackPower + p->attackBonus;
        if (hitPoints < 1) {
            defeat();
        } else {
            hurt = true;
            play(ANIM_HURT);
        }
    } else {
        hitPoints -= 1;
        if (hitPoints < 1) {
            releaseHold();
            defeatSpecial();
        } else {
            hurt = true;
        }
    }
}

void InGameMonster::defeatSpecial() {
    defeated = true;
    play(ANIM_BEATEN_SPECIAL);
}

VMPtr<VMArray<jint>> InGameMonster::getDescriptor() {
    const jint a = getLayerAnimation(0);
    if (a < ANIM_CAUGHT || a == ANIM_HURT) {
        VMPtr<VMArray<jint>> d = getLayerBox(0, MARKER_BOX);
        descriptor = d;
        d[2] = d[0] + d[2] / 2;
        d[3] = d[1] + d[3] / 2;
        d[0] = kind;
        d[1] = grade;
        return d;
    }
    if (descriptor == nullptr) descriptor = VMArray<jint>::create(5);
    VMPtr<VMArray<jint>> d = descriptor;
    d[0] = -1;
    return d;
}

void InGameMonster::hold(jint) {
    holding = true;
    hurt = false;
    play(ANIM_CAUGHT);
}

void InGameMonster::doUpdate() {
    if (!isVisible() || isFrozen()) return;
    if (layerPaintables == nullptr || layerPaintables->length == 0 ||
        getLayerKind(0) != KIND_ANIMATION)
        return;
    VMPtr<AnimPlayer> self = layerPlayers[0];
    self->update(sceneFrameTime());
    VMPtr<InGameObject> p = InGameObject::S().player;
    if (!holding) {
        if (hurt && self->getLoopCount() == 0) {
            hurt = false;
            play(idleAnimation);
        }
        if (!hurt && kind == 2 && idleAnimation != 0 && !defeated) {
            VMPtr<VMArray<jint>> target = p->getLayerBox(0, TARGET_BOX);
            descriptor = target;
            if (self->getY() > p->getLayerY(0)) {
                const jint centre = target[0] + target[2] / 2;
                const jint x = self->getX();
                if (centre < x)
                    self->setX(x - 1);
                else if (centre > x)
                    self->setX(x + 1);
            }
        }
        return;
    }
    if (!p->isHurt() && p->isHolding()) {
        VMPtr<VMArray<jint>> seat = p->getLayerBox(0, CARRY_BOX);
        descriptor = seat;
        setLayerPosition(0, seat[0], seat[1]);
        if (p->getState() == STATE_ACTION)
            startAction();
        else
            hold(0);
        return;
    }
    holding = false;
    p->holding = false;
    play(idleAnimation);
}

}  // namespace scene::maingame
