#include "wren_graphics_CollisionBox.h"

#include <algorithm>

#include "java_lang_StringBuffer.h"

WREN_DEFINE_CLASS(wren::graphics::CollisionBox, "wren.graphics.CollisionBox")

namespace wren::graphics {

using javax::microedition::lcdui::Graphics;

namespace {

// Math.abs: the smallest int is its own absolute value.
jint absOf(jint v) {
    return v < 0 ? -v : v;
}

}  // namespace

void CollisionBox::staticInit() {
    wrenStatics_().sScratchBox = CollisionBox::make();
}

void CollisionBox::ctor() {
    ctor(RECTANGLE);
}

void CollisionBox::ctor(jint k) {
    Paintable::ctor();
    kind = k;
}

void CollisionBox::ctor(jint bx, jint by, jint w, jint h, jint k) {
    Paintable::ctor();
    x = bx;
    y = by;
    width = w;
    height = h;
    kind = k;
}

jint CollisionBox::getType() {
    return kind;
}

jint CollisionBox::getHeight(jint t) {
    return height;
}

void CollisionBox::paint(const VMPtr<Graphics>& g, jint dx, jint dy, jint t) {
    move(dx, dy);
    paint(g);
    move(-dx, -dy);
}

void CollisionBox::paint(const VMPtr<Graphics>& g) {
    if (!hasExtent()) return;
    jint saved = 0;
    if (useColour) {
        saved = g->getAlphaColor();
        g->setAlphaColor(colour);
    }
    if (kind == CIRCLE) {
        if (filled)
            g->fillArc(x, y, width - 1, height - 1, 0, 360);
        else
            g->drawArc(x, y, width - 1, height - 1, 0, 360);
    } else {
        if (filled)
            g->fillRect(x, y, width, height);
        else
            g->drawRect(x, y, width - 1, height - 1);
    }
    if (useColour) g->setAlphaColor(saved);
}

jint CollisionBox::getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out,
                                     jint wanted) {
    if (width <= 0 || height <= 0 || (wanted >= 0 && wanted != type)) return 0;
    if (out->length >= 1) copyTo(out[0]);
    return 1;
}

jint CollisionBox::getWidth(jint t) {
    return width;
}

jint CollisionBox::getCollisionBoxCount() {
    return width > 0 && height > 0 ? 1 : 0;
}

jint CollisionBox::getOffsetX(jint t) {
    return x;
}

jint CollisionBox::getOffsetY(jint t) {
    return y;
}

void CollisionBox::setSize(jint w, jint h) {
    width = w;
    height = h;
}

void CollisionBox::intersect(const VMPtr<CollisionBox>& a, const VMPtr<CollisionBox>& b) {
    jint nx = std::max(a->x, b->x), ny = std::max(a->y, b->y);
    jint nw = std::min(a->x + a->width, b->x + b->width) - nx;
    jint nh = std::min(a->y + a->height, b->y + b->height) - ny;
    x = nx;
    y = ny;
    width = nw;
    height = nh;
    kind = RECTANGLE;
}

void CollisionBox::move(jint dx, jint dy) {
    x += dx;
    y += dy;
}

jboolean CollisionBox::intersects(jint ox, jint oy, jint w, jint h) {
    if (kind == RECTANGLE)
        return ox + w > x && oy + h > y && x + width > ox && y + height > oy && w > 0 && h > 0 &&
               hasExtent();
    if (w < 1 || h < 1 || !mayCollide()) return false;
    jint r = width >> 1;
    VMPtr<CollisionBox> scratch = S().sScratchBox;
    scratch->setBounds(ox, oy, w, h);
    return circleHitsRect(x + r, y + r, r, scratch);
}

jboolean CollisionBox::intersects(const VMPtr<CollisionBox>& o) {
    if (kind == RECTANGLE && o->kind == RECTANGLE)
        return o->x + o->width > x && o->y + o->height > y && x + width > o->x &&
               y + height > o->y && o->width > 0 && o->height >= 1 && hasExtent();
    if (!mayCollide() || !o->mayCollide()) return false;
    jint r = width >> 1, ro = o->width >> 1;
    if (kind == RECTANGLE) return circleHitsRect(o->x + ro, o->y + ro, ro, this);
    if (o->kind == RECTANGLE) return circleHitsRect(x + r, y + r, r, o);
    jint dx = (x + r) - (o->x + ro), dy = (y + r) - (o->y + ro);
    jint reach = r + ro;
    return dx * dx + dy * dy <= reach * reach;
}

void CollisionBox::setBounds(const VMPtr<CollisionBox>& o) {
    setBounds(o->x, o->y, o->width, o->height);
}

void CollisionBox::setBounds(jint bx, jint by, jint w, jint h) {
    x = bx;
    y = by;
    width = w;
    height = h;
}

void CollisionBox::setPosition(jint bx, jint by) {
    x = bx;
    y = by;
}

void CollisionBox::copyTo(const VMPtr<CollisionBox>& o) {
    o->x = x;
    o->y = y;
    o->width = width;
    o->height = height;
    o->type = type;
    o->kind = kind;
}

jboolean CollisionBox::intersectsAt(const VMPtr<CollisionBox>& o, jint px, jint py, jint t) {
    jint ax = px + getOffsetX(t), ay = py + getOffsetY(t);
    jint aw = getWidth(t), ah = getHeight(t);
    return o->x + o->width > ax && o->y + o->height > ay && ax + aw > o->x && ay + ah > o->y;
}

jboolean CollisionBox::intersectsAt(const VMPtr<CollisionBox>& o, jint px, jint py) {
    return intersectsAt(o, px, py, 0);
}

jboolean CollisionBox::contains(jint ox, jint oy, jint w, jint h) {
    return ox >= x && oy >= y && x + width >= ox + w && y + height >= oy + h && w >= 1 && h >= 1 &&
           hasExtent();
}

jboolean CollisionBox::containsPoint(jint px, jint py) {
    if (kind == RECTANGLE) {
        if (!hasExtent()) return false;
        return x <= px && px < x + width && y <= py && py < y + height;
    }
    jint r = width >> 1;
    jint dx = px - x - r, dy = py - y - r;
    return dx * dx + dy * dy < r * r;
}

jboolean CollisionBox::contains(const VMPtr<CollisionBox>& o) {
    return o->x >= x && o->y >= y && x + width >= o->x + o->width &&
           y + height >= o->y + o->height && o->width > 0 && o->height > 0 && hasExtent();
}

void CollisionBox::copyAllTo(const VMPtr<CollisionBox>& o) {
    copyTo(o);
    o->filled = filled;
    o->colour = colour;
    o->useColour = useColour;
}

void CollisionBox::unite(const VMPtr<CollisionBox>& a, const VMPtr<CollisionBox>& b) {
    jint nx = std::min(a->x, b->x), ny = std::min(a->y, b->y);
    jint nw = std::max(a->x + a->width, b->x + b->width) - nx;
    jint nh = std::max(a->y + a->height, b->y + b->height) - ny;
    x = nx;
    y = ny;
    width = nw;
    height = nh;
    kind = RECTANGLE;
}

jboolean CollisionBox::isEmpty() {
    return !(width > 0 && height > 0);
}

VMPtr<java::lang::String> CollisionBox::toString() {
    VMPtr<java::lang::StringBuffer> text = java::lang::StringBuffer::make(WREN_LIT("x,y:"));
    text->append(x);
    text->append(WREN_LIT(","));
    text->append(y);
    text->append(WREN_LIT(", WxH:"));
    text->append(width);
    text->append(WREN_LIT(","));
    text->append(height);
    return text->toString();
}

jboolean CollisionBox::circleHitsRect(jint cx, jint cy, jint r, const VMPtr<CollisionBox>& rect) {
    clinit();
    jint hw = rect->width >> 1, hh = rect->height >> 1;
    jint dx = absOf(cx - rect->x - hw), dy = absOf(cy - rect->y - hh);
    if (dx > hw + r || dy > hh + r) return false;
    if (dx <= hw || dy <= hh) return true;
    jint ex = dx - hw, ey = dy - hh;
    return ex * ex + ey * ey <= r * r;
}

jboolean CollisionBox::collideLists(jint countA, const VMPtr<VMArray<CollisionBox*>>& a,
                                    jint countB, const VMPtr<VMArray<CollisionBox*>>& b) {
    Statics& s = S();
    for (jint i = 0; i < countA; ++i) {
        VMPtr<CollisionBox> boxA = a[i];
        for (jint j = 0; j < countB; ++j) {
            VMPtr<CollisionBox> boxB = b[j];
            if (boxA->intersects(boxB)) {
                s.sHitA = boxA;
                s.sHitB = boxB;
                return true;
            }
        }
    }
    s.sHitA = nullptr;
    s.sHitB = nullptr;
    return false;
}

VMPtr<VMArray<CollisionBox*>> CollisionBox::ensureBoxes(const VMPtr<VMArray<CollisionBox*>>& boxes,
                                                        jint n) {
    clinit();
    VMPtr<VMArray<CollisionBox*>> result = boxes;
    if (result == nullptr || result->length < n)
        result = VMArray<CollisionBox*>::create(std::max(n, jint(4)));
    for (jint i = 0; i < result->length; ++i)
        if (result[i] == nullptr) result[i] = CollisionBox::make();
    return result;
}

}  // namespace wren::graphics
