#include "ui_Pointer.h"

#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

WREN_DEFINE_CLASS(ui::Pointer, "ui.Pointer")

namespace ui {

using wren::graphics::CollisionBox;
using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;
using wren::input::PointerInputKeyRegion;

void Pointer::ctor() {
    java::lang::Object::ctor();
    init();
}

void Pointer::init() {
    PointerInputEventManager::setEnabled(true);
    PointerInputEventManager::setMultiPointerEnabled(true);
    PointerInputKeyManager::setMultiPointerEnabled(true);
    Statics& s = S();
    s.touchStartX = VMArray<jint>::create(1);
    s.touchStartY = VMArray<jint>::create(1);
    s.touchX = VMArray<jint>::create(1);
    s.touchY = VMArray<jint>::create(1);
    s.touchLastX = VMArray<jint>::create(1);
    s.touchLastY = VMArray<jint>::create(1);
    s.touchPressed = VMArray<jboolean>::create(1);
    s.touchReleased = VMArray<jboolean>::create(1);
    s.dragMaxX = s.dragMaxY = s.dragMinX = s.dragMinY = 0;
    s.scrollX = s.scrollY = 0;
}

void Pointer::reset() {
    PointerInputKeyManager::removeRegions(0);
    S().keyRegions = nullptr;
    init();
}

void Pointer::update() { processEvents(); }

void Pointer::settleScroll() {
    Statics& s = S();
    jint x = s.touchX[0];
    jint y = s.touchY[0];
    s.scrollX += x - s.touchStartX[0];
    s.scrollY += y - s.touchStartY[0];
    if (x + s.scrollX < s.dragMinX)
        s.scrollX = s.dragMinX - x;
    else if (x + s.scrollX > s.dragMaxX)
        s.scrollX = s.dragMaxX - x;
    if (y + s.scrollY < s.dragMinY)
        s.scrollY = s.dragMinY - y;
    else if (y + s.scrollY > s.dragMaxY)
        s.scrollY = s.dragMaxY - y;
}

void Pointer::processEvents() {
    Statics& s = S();
    // A release was seen by the frame that just ran: the touch is over.
    if (s.touchReleased[0]) {
        settleScroll();
        s.touchStartX[0] = s.touchStartY[0] = 0;
        s.touchLastX[0] = s.touchLastY[0] = 0;
        s.touchX[0] = s.touchY[0] = 0;
        s.touchPressed[0] = false;
        s.touchReleased[0] = false;
    }
    while (PointerInputEventManager::nextEvent()) {
        jint p = PointerInputEventManager::getEventPointer();
        jint x = PointerInputEventManager::getEventX();
        jint y = PointerInputEventManager::getEventY();
        switch (PointerInputEventManager::getEventKind()) {
        case PointerInputEventManager::PRESSED:
            s.touchPressed[p] = true;
            s.touchReleased[p] = false;
            s.touchStartX[p] = s.touchLastX[p] = s.touchX[p] = x;
            s.touchStartY[p] = s.touchLastY[p] = s.touchY[p] = y;
            break;
        case PointerInputEventManager::RELEASED:
            s.touchPressed[p] = false;
            s.touchReleased[p] = true;
            [[fallthrough]];
        case PointerInputEventManager::DRAGGED:
            s.touchLastX[p] = s.touchX[p];
            s.touchLastY[p] = s.touchY[p];
            s.touchX[p] = x;
            s.touchY[p] = y;
            break;
        default:
            break;
        }
    }
}

jint Pointer::getX(jint p) { return S().touchX[p]; }
jint Pointer::getY(jint p) { return S().touchY[p]; }
jint Pointer::getLastX(jint p) { return S().touchLastX[p]; }
jint Pointer::getLastY(jint p) { return S().touchLastY[p]; }
jint Pointer::getStartX(jint p) { return S().touchStartX[p]; }
jint Pointer::getStartY(jint p) { return S().touchStartY[p]; }
void Pointer::setStartX(jint p, jint x) { S().touchStartX[p] = x; }
void Pointer::setStartY(jint p, jint y) { S().touchStartY[p] = y; }
jint Pointer::getDragX(jint p) { return S().touchX[p] - S().touchStartX[p]; }
jint Pointer::getDragY(jint p) { return S().touchY[p] - S().touchStartY[p]; }
void Pointer::setScrollX(jint v) { S().scrollX = v; }
void Pointer::setScrollY(jint v) { S().scrollY = v; }

void Pointer::setDragLimits(jint maxX, jint maxY, jint minX, jint minY) {
    Statics& s = S();
    s.dragMaxX = maxX;
    s.dragMaxY = maxY;
    s.dragMinX = minX;
    s.dragMinY = minY;
}

void Pointer::resetX() {
    Statics& s = S();
    s.scrollX = 0;
    s.touchX[0] = s.touchStartX[0] = s.touchLastX[0] = 0;
}

void Pointer::resetY() {
    Statics& s = S();
    s.scrollY = 0;
    s.touchY[0] = s.touchStartY[0] = s.touchLastY[0] = 0;
}

jint Pointer::getPendingEventCount() { return PointerInputEventManager::getEventCount(); }

void Pointer::setRegions(const VMPtr<VMArray<jint, 2>>& rects, const VMPtr<VMArray<jint>>& area) {
    VMPtr<VMArray<CollisionBox*>> boxes = VMArray<CollisionBox*>::create(rects->length);
    for (jint i = 0; i < rects->length; ++i) {
        VMPtr<VMArray<jint>> r = rects[i];
        VMPtr<CollisionBox> box = CollisionBox::make();
        box->setBounds(r[0], r[1], r[2], r[3]);
        boxes[i] = box;
    }
    VMPtr<CollisionBox> areaBox = CollisionBox::make();
    areaBox->setBounds(area[0], area[1], area[2], area[3]);
    Statics& s = S();
    s.regionBoxes = boxes;
    s.areaBox = areaBox;
}

jint Pointer::hitTestRegions(jint p) {
    Statics& s = S();
    if (!s.regionBoxes) return -1;
    jint x = s.touchX[p];
    jint y = s.touchY[p];
    if (!s.areaBox->containsPoint(x, y)) return -1;
    VMPtr<VMArray<CollisionBox*>> boxes = s.regionBoxes;
    for (jint i = 0; i < boxes->length; ++i)
        if (boxes[i]->containsPoint(x, y)) return i;
    return -1;
}

jint Pointer::getPressedRegion(jint p) {
    jint hit = hitTestRegions(p);
    return hit != -1 && S().touchPressed[p] ? hit : -1;
}

jint Pointer::getReleasedRegion(jint p) {
    jint hit = hitTestRegions(p);
    Statics& s = S();
    return hit != -1 && !s.touchPressed[p] && s.touchReleased[p] ? hit : -1;
}

jboolean Pointer::isInRect(const VMPtr<VMArray<jint>>& rect, jint p) {
    Statics& s = S();
    jint x = s.touchX[p];
    jint y = s.touchY[p];
    return rect[0] <= x && x <= rect[0] + rect[2] && rect[1] <= y && y <= rect[1] + rect[3];
}

void Pointer::addKeyRegion(jint slot, jbyte keyCode, const VMPtr<VMArray<jint>>& rect) {
    if (rect[2] == 0 || rect[3] == 0) return;
    Statics& s = S();
    if (!s.keyRegions) s.keyRegions = VMArray<PointerInputKeyRegion*>::create(4);
    VMPtr<VMArray<PointerInputKeyRegion*>> held = s.keyRegions;
    held[slot] = PointerInputKeyRegion::create(keyCode, rect[0], rect[1], rect[2], rect[3]);
    PointerInputKeyManager::addRegion(held[slot]);
    held[slot] = nullptr;
}

void Pointer::removeKeyRegions(jbyte keyCode, const VMPtr<VMArray<jint>>& rect) {
    if (rect[2] == 0 || rect[3] == 0) return;
    jint n = PointerInputKeyManager::getRegionCount(keyCode);
    VMPtr<VMArray<PointerInputKeyRegion*>> found = VMArray<PointerInputKeyRegion*>::create(n);
    PointerInputKeyManager::getRegions(found, keyCode);
    for (jint i = 0; i < n; ++i) {
        VMPtr<PointerInputKeyRegion> r = found[i];
        if (r && r->x == rect[0] && r->y == rect[1] && r->width == rect[2] && r->height == rect[3])
            PointerInputKeyManager::removeRegion(r);
    }
}

void Pointer::addUpRegion(const VMPtr<VMArray<jint>>& rect) { addKeyRegion(0, KEY_UP, rect); }
void Pointer::addDownRegion(const VMPtr<VMArray<jint>>& rect) { addKeyRegion(1, KEY_DOWN, rect); }
void Pointer::addLeftRegion(const VMPtr<VMArray<jint>>& rect) { addKeyRegion(2, KEY_LEFT, rect); }
void Pointer::addRightRegion(const VMPtr<VMArray<jint>>& rect) {
    addKeyRegion(3, KEY_RIGHT, rect);
}

void Pointer::removeUpRegion(const VMPtr<VMArray<jint>>& rect) { removeKeyRegions(KEY_UP, rect); }
void Pointer::removeDownRegion(const VMPtr<VMArray<jint>>& rect) {
    removeKeyRegions(KEY_DOWN, rect);
}
void Pointer::removeLeftRegion(const VMPtr<VMArray<jint>>& rect) {
    removeKeyRegions(KEY_LEFT, rect);
}
void Pointer::removeRightRegion(const VMPtr<VMArray<jint>>& rect) {
    removeKeyRegions(KEY_RIGHT, rect);
}

}  // namespace ui
