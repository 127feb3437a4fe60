// wren.Frame: one frame of an animation set, or the extent of one whole
// animation, as a Paintable. It keeps its untransformed bounding box and
// hands drawing and every per-frame question to its set under its id: a
// frame id, or for an animation's Frame the negated animation index. Made
// and cached only by the animation set, and unchanged after.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_Paintable.h"

namespace wren {

namespace graphics {
class CollisionBox;
class Rect;
}  // namespace graphics

class AnimSet;

class Frame : public Paintable {
    WREN_CLASS(Frame, Paintable, (animSet, AnimSet))
public:
    jshort height = 0;
    jshort offsetY = 0;
    jshort offsetX = 0;
    jshort width = 0;
    jshort frameId = 0;

    WREN_PLAIN_OBJECT()

    // bounds = left, top, width, height under transform 0.
    void ctor(const VMPtr<AnimSet>& set, jint id, const VMPtr<VMArray<jint>>& bounds);

    using Paintable::getCollisionRects;
    using Paintable::paint;

    jint getType() override;
    jint getHeight(jint t) override;
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
               jint t) override;
    jint getCollisionBoxes(jint t, const VMPtr<VMArray<graphics::CollisionBox*>>& out,
                           jint type) override;
    jint getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) override;
    jint getWidth(jint t) override;
    // 0 for an animation's Frame.
    jint getCollisionBoxCount() override;
    jint getOffsetX(jint t) override;
    jint getOffsetY(jint t) override;

    virtual jint getFrameId();
    virtual jint getPieceCount();
    virtual jint getPieces(jint t, const VMPtr<VMArray<jint>>& out);
    // The untransformed box placed at (x, y) against r; empty boxes are
    // not rejected.
    virtual jboolean intersects(const VMPtr<graphics::Rect>& r, jint x, jint y);
    // out = offset x, offset y, width, height under t.
    virtual void getBounds(jint t, const VMPtr<VMArray<jint>>& out);
    virtual VMPtr<AnimSet> getAnimSet();
};

}  // namespace wren
