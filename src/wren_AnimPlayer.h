// wren.AnimPlayer: plays one animation of an animation set at a position.
// It keeps the animation, the step and the time spent in it, counts the
// plays left, walks its own position by the steps' offsets (positions of
// the animation relative to where it started), blends those offsets
// between steps that ask for it, and makes sure a step of a higher level
// is shown even when one update passes over several steps. As a Paintable
// it draws the frame of its shown step under its transform, takes its size
// and offsets from the Frame of its animation, and answers collision
// questions through the shown frame's boxes.
//
// Per game frame: update with the time since the previous one (in the
// unit of the set's durations), then paint. Positions, offsets and times
// are 16-bit; every value stored is cut to its field's width. The
// collision questions share Paintable's and CollisionBox's static buffers.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_AnimSet.h"
#include "wren_Frame.h"
#include "wren_Gob.h"
#include "wren_Paintable.h"

namespace wren {

namespace graphics {
class CollisionBox;
}

class AnimPlayer : public Paintable {
    WREN_CLASS(AnimPlayer, Paintable, (animationFrame, Frame), (animSet, AnimSet))
public:
    WREN_PLAIN_OBJECT()

    jbyte userFlag = 0;  // read back unsigned
    jshort userValue = 0;
    jbyte transform = 0;
    jbyte collisionType = 0;
    jshort prevY = 0;
    jshort prevX = 0;
    jshort y = 0;
    jshort x = 0;
    // Plays left, the current one included; 0 stopped, below 0 endless.
    jbyte loopCount = 0;
    // The step offset already applied to the position.
    jshort motionX = 0;
    jchar firstStep = 0;
    jshort step = 0;
    jshort motionY = 0;
    jchar stepTime = 0;
    jshort animation = 0;
    jchar stepCount = 0;
    // The step drawn and asked about, and the highest level passed since
    // the last paint(Graphics).
    jshort shownStep = 0;
    jbyte shownLevel = 0;

    // No animation: update and paint do nothing.
    void ctor();

    using Paintable::getCollisionRects;
    using Paintable::paint;

    jint getType() override;
    jint getHeight(jint t) override;
    // The shown frame moved by (dx, dy) under transform ^ t.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint dx, jint dy,
               jint t) override;
    // The shown frame at (x, y) under the transform; resets the level.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    jint getCollisionBoxes(jint t, const VMPtr<VMArray<graphics::CollisionBox*>>& out,
                           jint type) override;
    jint getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) override;
    jint getWidth(jint t) override;
    jint getCollisionBoxCount() override;
    jint getOffsetX(jint t) override;
    jint getOffsetY(jint t) override;

    virtual VMPtr<Frame> getFrame();
    virtual jint getPrevX();
    virtual void move(jint dx, jint dy);
    // The shown frame's boxes at the position against g's box at (gx, gy)
    // under gt.
    virtual jboolean collidesWith(const VMPtr<Gob>& g, jint gx, jint gy, jint gt);
    virtual jboolean collidesWith(const VMPtr<AnimPlayer>& other);
    virtual jboolean containsPoint(jint px, jint py);
    // Whether a box of the shown frame, placed at the position under the
    // transform and of collisionType, hits b; the pair is left in
    // CollisionBox's sHitA and sHitB (both null when nothing hits).
    virtual jboolean collidesWith(const VMPtr<graphics::CollisionBox>& b);
    // -1 for every endless count.
    virtual jint getLoopCount();
    virtual jint getTransform();
    virtual jint getUserFlag();
    virtual jint getUserValue();
    virtual jint getCollisionRects(const VMPtr<VMArray<jint>>& out, jint type);
    virtual jint getCollisionBoxes(const VMPtr<VMArray<graphics::CollisionBox*>>& out, jint type);
    virtual void setTransform(jint t);
    // Time into the animation's current play.
    virtual jint getElapsedTime();
    // Jumps to step n of the animation without moving the position.
    virtual void setStep(jint n);
    // The Frame whose box covers every step of the current animation.
    virtual VMPtr<Frame> getAnimationFrame();
    virtual jint getFramePieces(const VMPtr<VMArray<jint>>& out);
    virtual jint getCollisionBoxes(const VMPtr<VMArray<graphics::CollisionBox*>>& out);
    virtual jint getCollisionRects(const VMPtr<VMArray<jint>>& out);
    virtual jint getStep();
    // Moves on by the elapsed time; whether the animation still plays.
    virtual jboolean update(jint elapsed);
    virtual VMPtr<VMArray<Gob*>> getGobs();
    virtual jint getAnimationDuration();
    virtual void paintCollisionBoxes(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual jint getLastMoveX();
    // The shown frame's bounds under the transform, moved to the position;
    // out is left alone without an animation.
    virtual void getFrameBounds(const VMPtr<VMArray<jint>>& out);
    virtual jint getCurrentFrameId();
    virtual void setY(jint v);
    // Starts animation a from its first step with the set's loop count. An
    // a the set lacks throws ArrayIndexOutOfBoundsException, which names
    // the set's entry and file for an a past the set's animations (a set
    // may hold none), and changes nothing.
    virtual void setAnimation(jint a);
    virtual jint getShownStep();
    virtual jint getX();
    virtual jint getStepCount();
    virtual jint getLastMoveY();
    // The first box of the shown frame (of collisionType) under t, moved
    // by (px, py), into out; out's width is 0 and the answer false when
    // there is none.
    virtual jboolean getCollisionBox(const VMPtr<graphics::CollisionBox>& out, jint px, jint py,
                                     jint t);
    virtual jboolean getCollisionBox(const VMPtr<graphics::CollisionBox>& out);
    virtual void setUserFlag(jint v);
    virtual void setPrevX(jint v);
    virtual void flipTransform(jint t);
    virtual void setX(jint v);
    virtual jint getPrevY();
    virtual void setPrevY(jint v);
    virtual jint getY();
    virtual void setUserValue(jint v);
    virtual void setAnimSet(const VMPtr<AnimSet>& set);
    virtual VMPtr<AnimSet> getAnimSet();
    virtual jint getAnimation();

private:
    jint stepWord(jint s) { return animSet->steps[firstStep + s]; }
    jint stepLevel(jint s) { return (animSet->stepFlags[firstStep + s] >> 6) & 3; }
    jint stepDuration(jint s) {
        return animSet->durations[animSet->stepFlags[firstStep + s] & 0x3F];
    }
};

}  // namespace wren
