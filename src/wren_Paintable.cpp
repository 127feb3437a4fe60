#include "wren_Paintable.h"

#include "wren_Gob.h"
#include "wren_graphics_CollisionBox.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::Paintable, "wren.Paintable")

namespace wren {

using graphics::CollisionBox;
using javax::microedition::lcdui::Graphics;

jboolean Paintable::collides(jint x, jint y, jint t, jint type, const VMPtr<Paintable>& other,
                             jint ox, jint oy, jint ot, jint otype) {
    jint n = getCollisionBoxCount();
    jint m = other->getCollisionBoxCount();
    CollisionBox::Statics& s = CollisionBox::S();
    if (n < 1 || m < 1) {
        s.sHitA = nullptr;
        s.sHitB = nullptr;
        return false;
    }
    s.sBoxesA = CollisionBox::ensureBoxes(s.sBoxesA, n);
    VMPtr<VMArray<CollisionBox*>> a = s.sBoxesA;
    jint c = getCollisionBoxes(t, a, type);
    for (jint i = 0; i < c; ++i) a[i]->move(x, y);
    s.sBoxesB = CollisionBox::ensureBoxes(s.sBoxesB, m);
    VMPtr<VMArray<CollisionBox*>> b = s.sBoxesB;
    jint oc = other->getCollisionBoxes(ot, b, otype);
    for (jint i = 0; i < oc; ++i) b[i]->move(ox, oy);
    return CollisionBox::collideLists(c, a, oc, b);
}

jboolean Paintable::collidesByRects(jint x, jint y, jint t, jint type,
                                    const VMPtr<Paintable>& other, jint ox, jint oy, jint ot,
                                    jint otype, const VMPtr<VMArray<jint>>& out) {
    jint n = getCollisionBoxCount();
    jint m = other->getCollisionBoxCount();
    if (n < 1 || m < 1) return false;
    Statics& s = S();
    if (s.sRectsA == nullptr || s.sRectsA->length < 5 * n) s.sRectsA = VMArray<jint>::create(5 * n);
    VMPtr<VMArray<jint>> a = s.sRectsA;
    jint c = getCollisionRects(t, a, type);
    if (s.sRectsB == nullptr || s.sRectsB->length < 5 * m) s.sRectsB = VMArray<jint>::create(5 * m);
    VMPtr<VMArray<jint>> b = s.sRectsB;
    jint oc = other->getCollisionRects(ot, b, otype);
    for (jint i = 0; i < c; ++i) {
        a[5 * i] += x;
        a[5 * i + 1] += y;
    }
    for (jint i = 0; i < oc; ++i) {
        b[5 * i] += ox;
        b[5 * i + 1] += oy;
    }
    return Gob::collideRects(c, a, oc, b, out);
}

void Paintable::paintTiled(const VMPtr<Graphics>& g, jint x, jint y) {
    jint clipX = g->getClipX(), clipY = g->getClipY();
    jint clipW = g->getClipWidth(), clipH = g->getClipHeight();
    jint w = getWidth(0), h = getHeight(0);
    // A tile without extent would never step on (and the grid's remainder
    // would divide by zero).
    if (w < 1 || h < 1) return;
    // In 64 bits: the grid may start far outside the clip.
    int64_t sx = int64_t(x) + getOffsetX(0);
    int64_t sy = int64_t(y) + getOffsetY(0);
    if (sx < clipX) sx = clipX - (clipX - sx) % w;
    if (sy < clipY) sy = clipY - (clipY - sy) % h;
    int64_t right = int64_t(clipX) + clipW, bottom = int64_t(clipY) + clipH;
    for (int64_t ty = sy; ty < bottom; ty += h)
        for (int64_t tx = sx; tx < right; tx += w) paint(g, jint(tx), jint(ty), 0);
}

jint Paintable::getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out) {
    return getCollisionRects(t, out, -1);
}

void Paintable::paint(const VMPtr<Graphics>& g) {
    paint(g, 0, 0, 0);
}

jint Paintable::getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) {
    return 0;
}

jint Paintable::getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) {
    return 0;
}

jint Paintable::getCollisionBoxCount() {
    return 0;
}

jboolean Paintable::rectsOverlap(jint x1, jint y1, jint w1, jint h1, jint x2, jint y2, jint w2,
                                 jint h2) {
    clinit();
    return x2 + w2 > x1 && y2 + h2 > y1 && x1 + w1 > x2 && y1 + h1 > y2 && w1 > 0 && h1 > 0 &&
           w2 > 0 && h2 > 0;
}

}  // namespace wren
