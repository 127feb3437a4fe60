#include "wren_input_PointerInputKeyRegion.h"

#include "wren_GameClock.h"
#include "wren_WrenCanvas.h"
#include "wren_input_PointerInputKeyManager.h"
#include "wren_input_PointerInputKeyRegion_WRC_Type.h"

WREN_DEFINE_CLASS(wren::input::PointerInputKeyRegion, "wren.input.PointerInputKeyRegion")

namespace wren::input {

using java::lang::Object;
using javax::microedition::lcdui::Graphics;

namespace {

VMPtr<WrenCanvas> canvas() { return WrenCanvas::S().instance; }

}  // namespace

void PointerInputKeyRegion::staticInit() { wrenStatics_().stateLock = Object::make(); }

VMPtr<PointerInputKeyRegion> PointerInputKeyRegion::create(jbyte code, jint left, jint top,
                                                           jint regionWidth, jint regionHeight) {
    VMPtr<PointerInputKeyRegion> r = make(jbyte(PointerInputKeyRegion_WRC_Type::CAPTURE), code);
    r->x = left;
    r->y = top;
    r->width = regionWidth;
    r->height = regionHeight;
    return r;
}

void PointerInputKeyRegion::ctor(jbyte regionType, jbyte code) {
    Object::ctor();
    type = regionType;
    keyCode = code;
    enabled = true;
    lastMoveTime = GameClock::get()->currentTimeMillis();
}

jboolean PointerInputKeyRegion::contains(jint px, jint py) {
    return x <= px && px < x + width && y <= py && py < y + height;
}

jboolean PointerInputKeyRegion::isReleased() {
    if (keyCode != OWN_STATE) return canvas()->isKeyReleased(keyCode);
    VMSynchronized guard(S().stateLock);
    return releasedSnapshot;
}

void PointerInputKeyRegion::paint(const VMPtr<Graphics>& g) {
    PointerInputKeyManager::Statics& m = PointerInputKeyManager::S();
    g->drawRect(x - g->getTranslateX() + m.originX, y - g->getTranslateY() + m.originY, width,
                height);
}

jboolean PointerInputKeyRegion::isPressed() {
    if (keyCode != OWN_STATE) return canvas()->isKeyPressed(keyCode);
    return getPressCount() > 0;
}

jboolean PointerInputKeyRegion::isHeld() {
    if (keyCode != OWN_STATE) return canvas()->isKeyHeld(keyCode);
    VMSynchronized guard(S().stateLock);
    return heldSnapshot;
}

jint PointerInputKeyRegion::getPressCount() {
    if (keyCode != OWN_STATE) return canvas()->getKeyPressCount(keyCode);
    VMSynchronized guard(S().stateLock);
    return pressCountSnapshot;
}

void PointerInputKeyRegion::updateState() {
    VMSynchronized guard(S().stateLock);
    pressCountSnapshot = ownPressCount;
    ownPressCount = 0;
    heldSnapshot = ownHeld;
    releasedSnapshot = ownReleased;
    ownReleased = false;
}

}  // namespace wren::input
