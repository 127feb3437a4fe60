#include "wren_AnimPlayer.h"

#include <algorithm>

#include "VMTry.h"
#include "wren_Resources.h"
#include "wren_graphics_CollisionBox.h"

WREN_DEFINE_CLASS(wren::AnimPlayer, "wren.AnimPlayer")

namespace wren {

using graphics::CollisionBox;
using javax::microedition::lcdui::Graphics;

void AnimPlayer::ctor() {
    Paintable::ctor();
    animation = -1;
    collisionType = -1;
}

jint AnimPlayer::getType() {
    return 2;
}

jint AnimPlayer::getHeight(jint t) {
    return getAnimationFrame()->getHeight(t);
}

void AnimPlayer::paint(const VMPtr<Graphics>& g, jint dx, jint dy, jint t) {
    jshort savedX = x, savedY = y;
    jbyte savedTransform = transform;
    x = jshort(x + dx);
    y = jshort(y + dy);
    transform = jbyte(transform ^ t);
    vmTryFinally([&] { paint(g); },
                 [&] {
                     x = savedX;
                     y = savedY;
                     transform = savedTransform;
                 });
}

void AnimPlayer::paint(const VMPtr<Graphics>& g) {
    if (animSet == nullptr || stepCount == 0) return;
    animSet->paintFrame(g, getCurrentFrameId(), x, y, transform);
    shownLevel = 0;
}

jint AnimPlayer::getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) {
    if (stepCount == 0) return 0;
    return animSet->getCollisionBoxes(getCurrentFrameId(), t, out, type);
}

jint AnimPlayer::getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) {
    if (stepCount == 0) return 0;
    return animSet->getCollisionRects(getCurrentFrameId(), t, out, type);
}

jint AnimPlayer::getWidth(jint t) {
    return getAnimationFrame()->getWidth(t);
}

jint AnimPlayer::getCollisionBoxCount() {
    if (stepCount == 0) return 0;
    return animSet->getFrameBoxCount(getCurrentFrameId());
}

jint AnimPlayer::getOffsetX(jint t) {
    return getAnimationFrame()->getOffsetX(t);
}

jint AnimPlayer::getOffsetY(jint t) {
    return getAnimationFrame()->getOffsetY(t);
}

VMPtr<Frame> AnimPlayer::getFrame() {
    return animSet->getFrame(getCurrentFrameId());
}

jint AnimPlayer::getPrevX() {
    return prevX;
}

void AnimPlayer::move(jint dx, jint dy) {
    x = jshort(x + dx);
    y = jshort(y + dy);
}

jboolean AnimPlayer::collidesWith(const VMPtr<Gob>& g, jint gx, jint gy, jint gt) {
    VMPtr<CollisionBox> box = CollisionBox::S().sScratchBox;
    g->getCollisionBox(box, gx, gy, gt);
    return collidesWith(box);
}

jboolean AnimPlayer::collidesWith(const VMPtr<AnimPlayer>& other) {
    return collides(x, y, transform, collisionType, other, other->x, other->y, other->transform,
                    other->collisionType);
}

jboolean AnimPlayer::containsPoint(jint px, jint py) {
    VMPtr<CollisionBox> box = CollisionBox::S().sScratchBox;
    box->x = px;
    box->y = py;
    box->width = 1;
    box->height = 1;
    box->kind = CollisionBox::RECTANGLE;
    box->type = -1;
    return collidesWith(box);
}

jboolean AnimPlayer::collidesWith(const VMPtr<CollisionBox>& b) {
    CollisionBox::Statics& s = CollisionBox::S();
    jint n = getCollisionBoxCount();
    if (n >= 1 && !b->isEmpty()) {
        s.sBoxesA = CollisionBox::ensureBoxes(s.sBoxesA, n);
        VMPtr<VMArray<CollisionBox*>> boxes = s.sBoxesA;
        jint c = getCollisionBoxes(transform, boxes, collisionType);
        for (jint i = 0; i < c; ++i) {
            VMPtr<CollisionBox> box = boxes[i];
            box->move(x, y);
            if (box->intersects(b)) {
                s.sHitA = box;
                s.sHitB = b;
                return true;
            }
        }
    }
    s.sHitA = nullptr;
    s.sHitB = nullptr;
    return false;
}

jint AnimPlayer::getLoopCount() {
    return loopCount < 0 ? -1 : loopCount;
}

jint AnimPlayer::getTransform() {
    return transform;
}

jint AnimPlayer::getUserFlag() {
    return userFlag & 0xFF;
}

jint AnimPlayer::getUserValue() {
    return userValue;
}

jint AnimPlayer::getCollisionRects(const VMPtr<VMArray<jint>>& out, jint type) {
    return getCollisionRects(transform, out, type);
}

jint AnimPlayer::getCollisionBoxes(const VMPtr<VMArray<CollisionBox*>>& out, jint type) {
    return getCollisionBoxes(transform, out, type);
}

void AnimPlayer::setTransform(jint t) {
    transform = jbyte(t);
}

jint AnimPlayer::getElapsedTime() {
    jint elapsed = stepTime;
    if (stepCount != 0)
        for (jint s = 0; s < step; ++s) elapsed += stepDuration(s);
    return elapsed;
}

void AnimPlayer::setStep(jint n) {
    stepTime = 0;
    step = jshort(n);
    shownStep = jshort(n);
    jint word = stepWord(step);
    motionX = jshort(AnimSet::fieldDx(word));
    motionY = jshort(AnimSet::fieldDy(word));
    shownLevel = jbyte(stepLevel(step));
}

VMPtr<Frame> AnimPlayer::getAnimationFrame() {
    if (animationFrame == nullptr) animationFrame = animSet->getAnimationFrame(animation);
    return animationFrame;
}

jint AnimPlayer::getFramePieces(const VMPtr<VMArray<jint>>& out) {
    if (stepCount == 0) return 0;
    return animSet->getFramePieces(getCurrentFrameId(), transform, out);
}

jint AnimPlayer::getCollisionBoxes(const VMPtr<VMArray<CollisionBox*>>& out) {
    return getCollisionBoxes(transform, out, -1);
}

jint AnimPlayer::getCollisionRects(const VMPtr<VMArray<jint>>& out) {
    return getCollisionRects(transform, out, -1);
}

jint AnimPlayer::getStep() {
    return step;
}

jboolean AnimPlayer::update(jint elapsed) {
    if (loopCount == 0) {
        prevX = x;
        prevY = y;
        return false;
    }
    if (stepCount == 0) return false;
    jint count = stepCount;
    jint t = elapsed + stepTime;
    jint cur = step, shown = step;
    jint mx = motionX, my = motionY;
    // Steps of no duration passed in a row: a whole play of them leaves an
    // endless animation where it is instead of going round for ever.
    jint idleSteps = 0;
    for (;;) {
        jint d = stepDuration(cur);
        if (t < d) break;
        if (d != 0)
            idleSteps = 0;
        else if (loopCount < 0 && idleSteps++ == count)
            break;
        ++cur;
        t -= d;
        if (cur == count) {
            if (loopCount > 0 && --loopCount == 0) {
                // The last play rests on its last step with its time spent.
                cur = count - 1;
                t = d;
                break;
            }
            // Another play continues from where this one took the player.
            jint last = stepWord(count - 1);
            mx -= AnimSet::fieldDx(last);
            my -= AnimSet::fieldDy(last);
            cur = 0;
        }
        jint level = stepLevel(cur);
        if (shownLevel > level) continue;
        shown = cur;
        shownLevel = jbyte(level);
        if (level == 3) break;
    }

    jint word = stepWord(cur);
    jint px = AnimSet::fieldDx(word), py = AnimSet::fieldDy(word);
    if ((word & 3) != 0 && loopCount != 0 && !(cur == count - 1 && loopCount == 1)) {
        jint tx, ty;
        if (cur == count - 1) {
            jint next = stepWord(0);
            tx = AnimSet::fieldDx(next) + px;
            ty = AnimSet::fieldDy(next) + py;
        } else {
            jint next = stepWord(cur + 1);
            tx = AnimSet::fieldDx(next);
            ty = AnimSet::fieldDy(next);
        }
        // The fraction of the step stopped on, in 1/4096: its own duration
        // (time carried past a level-3 stop counts as the whole step), and
        // none for a step of no duration.
        jint d = stepDuration(cur);
        jint f = d <= 0 ? 0 : jint(std::clamp<jlong>((jlong(t) << 12) / d, 0, 4096));
        px += ((tx - px) * f) >> 12;
        py += ((ty - py) * f) >> 12;
    }

    jint ddx = px - mx, ddy = py - my;
    prevX = x;
    prevY = y;
    step = jshort(cur);
    shownStep = jshort(shown);
    stepTime = jchar(t);
    motionX = jshort(px);
    motionY = jshort(py);
    jint tr = transform;
    if (tr & 4) {
        x = jshort(x + ((tr & 1) ? -ddy : ddy));
        y = jshort(y + ((tr & 2) ? -ddx : ddx));
    } else {
        x = jshort(x + ((tr & 2) ? -ddx : ddx));
        y = jshort(y + ((tr & 1) ? -ddy : ddy));
    }
    return loopCount != 0;
}

VMPtr<VMArray<Gob*>> AnimPlayer::getGobs() {
    return animSet->getGobs();
}

jint AnimPlayer::getAnimationDuration() {
    if (animSet == nullptr) return 0;
    return animSet->getAnimationDuration(animation);
}

void AnimPlayer::paintCollisionBoxes(const VMPtr<Graphics>& g) {
    CollisionBox::Statics& s = CollisionBox::S();
    s.sBoxesA = CollisionBox::ensureBoxes(s.sBoxesA, getCollisionBoxCount());
    VMPtr<VMArray<CollisionBox*>> boxes = s.sBoxesA;
    jint c = getCollisionBoxes(transform, boxes, collisionType);
    for (jint i = 0; i < c; ++i) boxes[i]->paint(g, x, y, 0);
}

jint AnimPlayer::getLastMoveX() {
    return x - prevX;
}

void AnimPlayer::getFrameBounds(const VMPtr<VMArray<jint>>& out) {
    if (stepCount == 0) return;
    animSet->getFrameBounds(getCurrentFrameId(), transform, out);
    out[0] += x;
    out[1] += y;
}

jint AnimPlayer::getCurrentFrameId() {
    return AnimSet::fieldIndex(stepWord(shownStep));
}

void AnimPlayer::setY(jint v) {
    y = jshort(v);
}

void AnimPlayer::setAnimation(jint a) {
    if (a < 0 || a >= animSet->getAnimationCount())
        Resources::throwMissingPart(animSet->getResourceId(), "the animation set", "animation", a,
                                    animSet->getAnimationCount());
    animation = jshort(a);
    jint entry = animSet->animations[a];
    loopCount = jbyte((entry << 16) >> 26);
    stepCount = jchar(entry & 0x3FF);
    firstStep = jchar(uint32_t(entry) >> 16);
    // The bounds are the new animation's, not the first one's asked.
    animationFrame = nullptr;
    setStep(0);
    motionX = 0;
    motionY = 0;
}

jint AnimPlayer::getShownStep() {
    return shownStep;
}

jint AnimPlayer::getX() {
    return x;
}

jint AnimPlayer::getStepCount() {
    return stepCount;
}

jint AnimPlayer::getLastMoveY() {
    return y - prevY;
}

jboolean AnimPlayer::getCollisionBox(const VMPtr<CollisionBox>& out, jint px, jint py, jint t) {
    out->width = 0;
    if (stepCount == 0) return false;
    CollisionBox::Statics& s = CollisionBox::S();
    s.sBoxesA = CollisionBox::ensureBoxes(s.sBoxesA, 1);
    VMPtr<VMArray<CollisionBox*>> boxes = s.sBoxesA;
    if (animSet->getCollisionBoxes(getCurrentFrameId(), t, boxes, collisionType) < 1) return false;
    boxes[0]->copyTo(out);
    out->move(px, py);
    return true;
}

jboolean AnimPlayer::getCollisionBox(const VMPtr<CollisionBox>& out) {
    return getCollisionBox(out, x, y, transform);
}

void AnimPlayer::setUserFlag(jint v) {
    userFlag = jbyte(v);
}

void AnimPlayer::setPrevX(jint v) {
    prevX = jshort(v);
}

void AnimPlayer::flipTransform(jint t) {
    transform = jbyte(transform ^ t);
}

void AnimPlayer::setX(jint v) {
    x = jshort(v);
}

jint AnimPlayer::getPrevY() {
    return prevY;
}

void AnimPlayer::setPrevY(jint v) {
    prevY = jshort(v);
}

jint AnimPlayer::getY() {
    return y;
}

void AnimPlayer::setUserValue(jint v) {
    userValue = jshort(v);
}

void AnimPlayer::setAnimSet(const VMPtr<AnimSet>& set) {
    animSet = set;
    animationFrame = nullptr;
}

VMPtr<AnimSet> AnimPlayer::getAnimSet() {
    return animSet;
}

jint AnimPlayer::getAnimation() {
    return animation;
}

}  // namespace wren
