#include "scene_maingame_InGameObject.h"

#include "main_Game.h"
#include "ui_ResManager.h"
#include "ui_Scene.h"
#include "wren_AnimPlayer.h"

WREN_DEFINE_CLASS(scene::maingame::InGameObject, "scene.maingame.InGameObject")

namespace scene::maingame {

using main::Game;
using wren::AnimPlayer;
using wren::Gob;
using wren::graphics::CollisionBox;

namespace {

// Stats the figure takes from the game state.
constexpr jint STAT_ATTACK = 2;
constexpr jint STAT_SPECIAL = 4;
constexpr jint STAT_HIT_POINTS = 6;
constexpr jint STAT_LEVEL = 8;

// Animations of the player's layer 0.
constexpr jint ANIM_IDLE = 0;
constexpr jint ANIM_HURT = 1;
constexpr jint ANIM_CARRY = 2;
constexpr jint ANIM_ACTION = 3;
constexpr jint ANIM_ATTACK = 4;
constexpr jint ANIM_DASH = 5;
constexpr jint ANIM_GRAB = 7;
constexpr jint ANIM_DEFEATED = 8;

// Box 2 of the player's frames: the body, whose centre the marker takes.
constexpr jint BODY_BOX = 2;

}  // namespace

void InGameObject::staticInit() {
    Statics& s = wrenStatics_();
    s.worldGobIds = VMArray<jint>::of({10246, 10248, 10247, 10246, 10248, 10247, 10245, 10249});
    s.worldAnimSetIds = VMArray<jint>::of({10241, 10243, 10242, 10241, 10243, 10242, 10240, 10244});
}

void InGameObject::ctor() {
    Screen::ctor();
    setVisible(true);
    defeated = false;
    holding = false;
    hurt = false;
    state = STATE_IDLE;
}

jint InGameObject::sceneFrameTime() {
    VMPtr<ui::Scene> scene = ui::Scene::S().updating;
    return scene != nullptr ? scene->frameTime : 0;
}

jint InGameObject::loopsLeft() {
    VMPtr<AnimPlayer> p = layerPlayers != nullptr && layerPlayers->length > 0 ? layerPlayers[0]
                                                                              : VMPtr<AnimPlayer>();
    return p != nullptr ? p->getLoopCount() : -1;
}

void InGameObject::startAttack() {
    if (state == STATE_ATTACK || state == STATE_DASH) return;
    state = STATE_ATTACK;
    play(ANIM_ATTACK);
}

void InGameObject::startAction() {
    if (hurt || defeated) return;
    state = STATE_ACTION;
    play(ANIM_ACTION);
}

void InGameObject::defeat() {
    if (defeated) return;
    holding = false;
    defeated = true;
    hitPoints = 0;
    Game::S().stats[STAT_HIT_POINTS] = 0;
    play(ANIM_HURT);
    state = STATE_DEFEATED;
}

jint InGameObject::hitTestValue(const VMPtr<CollisionBox>& box) {
    if (layerPlayers == nullptr || layerPlayers->length == 0) return -1;
    VMPtr<AnimPlayer> p = layerPlayers[0];
    if (p == nullptr || !p->collidesWith(box)) return -1;
    return CollisionBox::S().sHitA->type;
}

void InGameObject::releaseHold() {
    holding = false;
    state = STATE_IDLE;
    heldIndex = -1;
    play(ANIM_IDLE);
}

jint InGameObject::getState() { return state; }

void InGameObject::setUp(const VMPtr<InGameObject>& self) {
    Statics& s = S();
    s.player = self;
    Game::Statics& game = Game::S();
    jint world = game.statClass / 3;
    jint gobId = s.worldGobIds[world];
    jint animSetId = s.worldAnimSetIds[world];
    if (getLayerCount() == 0) {
        setLayerCapacity(1);
        appendAnimLayer(gobId, animSetId, ANIM_IDLE, 0, 0);
    } else {
        setAnimLayer(0, gobId, animSetId, ANIM_IDLE, 0, 0);
    }

    // The variants replace the set's first pictures by later ones.
    VMPtr<VMArray<Gob*>> gobs = ui::ResManager::S().gobPool[layerGobColumns[0]];
    jint n = gobs->length;
    if (n >= MIN_PLAYER_GOBS) {
        switch (game.statClass % 3) {
        case 0:
            for (jint i = 0; i < 6; ++i) gobs[n - 12 + i] = gobs[n - 6 + i];
            break;
        case 1:
            gobs[n - 8] = gobs[n - 2];
            gobs[n - 7] = gobs[n - 1];
            break;
        default:
            break;
        }
    }

    VMPtr<VMArray<jint>> cursor = game.progressPair;
    cellRecord = game.cellRecords[cursor[0] + cursor[1] * Game::COLUMNS];
    VMPtr<VMArray<jint>> stats = game.stats;
    level = stats[STAT_LEVEL];
    hitPoints = stats[STAT_HIT_POINTS];
    specialPower = stats[STAT_SPECIAL];
    attackPower = stats[STAT_ATTACK];
    grade = stats[STAT_ATTACK] / 2;
}

jboolean InGameObject::leaveState5() {
    if (state != STATE_DASH) return false;
    state = STATE_RECOVERED;
    play(ANIM_IDLE);
    return true;
}

void InGameObject::enterState5() {
    if (state == STATE_DASH) return;
    state = STATE_DASH;
    play(ANIM_DASH);
}

void InGameObject::activate() {
    setVisible(true);
    defeated = false;
    holding = false;
    hurt = false;
    state = STATE_IDLE;
    play(ANIM_IDLE);
}

jboolean InGameObject::isDefeated() { return defeated; }

void InGameObject::takeHit(jint) {
    if (hurt) return;
    hitPoints -= 1;
    hurt = true;
    holding = false;
    if (hitPoints <= 0) {
        defeat();
        return;
    }
    Game::S().stats[STAT_HIT_POINTS] = hitPoints;
    switch (state) {
    case STATE_IDLE:
    case STATE_RECOVERED:
    case STATE_ACTION:
    case STATE_HOLDING:
    case STATE_ATTACK:
        play(ANIM_HURT);
        state = STATE_HURT;
        break;
    default:
        break;
    }
}

jboolean InGameObject::isHurt() { return hurt; }

jboolean InGameObject::isHolding() { return holding; }

void InGameObject::defeatSpecial() {}

VMPtr<VMArray<jint>> InGameObject::getDescriptor() {
    VMPtr<VMArray<jint>> d = getLayerBox(0, BODY_BOX);
    descriptor = d;
    d[2] = d[0] + d[2] / 2;
    d[3] = d[1] + d[3] / 2;
    jint area = Game::S().statClass;
    d[0] = area >= 15 && area <= 20 ? 11 : area == 21 ? 13 : 12;
    return d;
}

void InGameObject::hold(jint index) {
    holding = true;
    state = STATE_HOLDING;
    heldIndex = index;
    play(ANIM_GRAB);
}

void InGameObject::doUpdate() {
    if (!isVisible() || isFrozen()) return;
    const jint elapsed = sceneFrameTime();
    if (layerPaintables != nullptr && layerPaintables->length > 0 &&
        getLayerKind(0) == KIND_ANIMATION) {
        VMPtr<AnimPlayer> p = layerPlayers[0];
        p->update(elapsed);
        if (getLayerAnimation(0) == ANIM_GRAB && p->getLoopCount() == 0) play(ANIM_IDLE);
        if (getLayerAnimation(0) != ANIM_HURT) hurt = false;
        if (p->getLoopCount() == 0) {
            switch (state) {
            case STATE_HURT:
                if (hurt) {
                    hurt = false;
                    play(ANIM_IDLE);
                    state = STATE_IDLE;
                }
                break;
            case STATE_ACTION:
                play(ANIM_CARRY);
                state = STATE_HOLDING;
                break;
            case STATE_ATTACK:
                play(ANIM_IDLE);
                state = STATE_RECOVERED;
                break;
            case STATE_DEFEATED:
                if (getLayerAnimation(0) == ANIM_HURT)
                    play(ANIM_DEFEATED);
                else
                    state = STATE_DEFEAT_OVER;
                break;
            default:
                break;
            }
        }
    }
    if (layerPaintables == nullptr || layerPaintables->length == 0) return;
    const jint x = getLayerX(0), y = getLayerY(0);
    for (jint i = 1; i < getLayerCount() && i < layerPaintables->length; ++i) {
        VMPtr<wren::Paintable> p = layerPaintables[i];
        if (p == nullptr) continue;
        if (VMPtr<AnimPlayer> player = vmCast<AnimPlayer>(p); player != nullptr)
            player->update(elapsed);
        layerOffsets[i][0] = x;
        layerOffsets[i][1] = y;
    }
}

}  // namespace scene::maingame
