#include "wren_Frame.h"

#include "wren_AnimSet.h"
#include "wren_graphics_Rect.h"

WREN_DEFINE_CLASS(wren::Frame, "wren.Frame")

namespace wren {

using graphics::CollisionBox;
using javax::microedition::lcdui::Graphics;

void Frame::ctor(const VMPtr<AnimSet>& set, jint id, const VMPtr<VMArray<jint>>& bounds) {
    Paintable::ctor();
    animSet = set;
    frameId = jshort(id);
    offsetX = jshort(bounds[0]);
    offsetY = jshort(bounds[1]);
    width = jshort(bounds[2]);
    height = jshort(bounds[3]);
}

jint Frame::getType() {
    return 1;
}

jint Frame::getHeight(jint t) {
    return (t & 4) ? width : height;
}

void Frame::paint(const VMPtr<Graphics>& g, jint x, jint y, jint t) {
    animSet->paintFrame(g, frameId, x, y, t);
}

jint Frame::getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) {
    return animSet->getCollisionBoxes(frameId, t, out, type);
}

jint Frame::getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) {
    return animSet->getCollisionRects(frameId, t, out, type);
}

jint Frame::getWidth(jint t) {
    return (t & 4) ? height : width;
}

jint Frame::getCollisionBoxCount() {
    return frameId >= 0 ? animSet->getFrameBoxCount(frameId) : 0;
}

jint Frame::getOffsetX(jint t) {
    if (t & 4) return (t & 1) ? -(offsetY + height) : offsetY;
    return (t & 2) ? -(offsetX + width) : offsetX;
}

jint Frame::getOffsetY(jint t) {
    if (t & 4) return (t & 2) ? -(offsetX + width) : offsetX;
    return (t & 1) ? -(offsetY + height) : offsetY;
}

jint Frame::getFrameId() {
    return frameId < 0 ? -frameId : frameId;
}

jint Frame::getPieceCount() {
    return animSet->getFramePieceCount(frameId);
}

jint Frame::getPieces(jint t, const VMPtr<VMArray<jint>>& out) {
    return animSet->getFramePieces(frameId, t, out);
}

jboolean Frame::intersects(const VMPtr<graphics::Rect>& r, jint x, jint y) {
    jint ax = x + offsetX, ay = y + offsetY;
    return r->x + r->width > ax && r->y + r->height > ay && ax + width > r->x && ay + height > r->y;
}

void Frame::getBounds(jint t, const VMPtr<VMArray<jint>>& out) {
    out[0] = getOffsetX(t);
    out[1] = getOffsetY(t);
    out[2] = getWidth(t);
    out[3] = getHeight(t);
}

VMPtr<AnimSet> Frame::getAnimSet() {
    return animSet;
}

}  // namespace wren
