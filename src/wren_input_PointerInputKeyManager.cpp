#include "wren_input_PointerInputKeyManager.h"

#include "VMMath.h"
#include "wren_GameClock.h"
#include "wren_WrenCanvas.h"
#include "wren_input_PointerInputKeyRegion_WRC_Direction.h"
#include "wren_input_PointerInputKeyRegion_WRC_Type.h"

WREN_DEFINE_CLASS(wren::input::PointerInputKeyManager, "wren.input.PointerInputKeyManager")

namespace wren::input {

using java::lang::Object;
using KeyState = PointerInputKeyManager_WRC_KeyState;
using Region = PointerInputKeyRegion;
using Type = PointerInputKeyRegion_WRC_Type;
using Direction = PointerInputKeyRegion_WRC_Direction;

namespace {

VMPtr<WrenCanvas> canvas() { return WrenCanvas::S().instance; }

VMPtr<Region> regionAt(const VMPtr<java::util::Vector>& regions, jint i) {
    return vmCast<Region>(regions->elementAt(i));
}

}  // namespace

void PointerInputKeyManager::staticInit() {
    Statics& s = wrenStatics_();
    s.maxPointers = 1;
    s.managerLock = Object::make();
}

void PointerInputKeyManager::init() {
    Statics& s = S();
    if (!s.keyStates) {
        s.keyStates = VMArray<KeyState*>::create(KEY_INDEXES);
        VMPtr<VMArray<jint>> index = VMArray<jint>::create(KEY_INDEXES);
        for (jint i = 0; i < KEY_INDEXES; ++i) index[i] = -1;
        s.keyStateIndex = index;
    }
    refreshOffsets();
}

void PointerInputKeyManager::refreshOffsets() {
    Statics& s = S();
    VMPtr<WrenCanvas> c = canvas();
    s.originX = c->getGameAreaX();
    s.originY = c->getGameAreaY();
}

jboolean PointerInputKeyManager::addRegion(const VMPtr<Region>& r) {
    if (!r) return false;
    Statics& s = S();
    VMSynchronized guard(s.managerLock);
    if (!s.regions) s.regions = java::util::Vector::make();
    if (s.regions->indexOf(r) >= 0) return false;
    s.regions->addElement(r);
    if (r->type == Type::CAPTURE) r->captured = VMArray<jboolean>::create(s.maxPointers);
    return true;
}

jboolean PointerInputKeyManager::removeRegion(const VMPtr<Region>& r) {
    Statics& s = S();
    VMSynchronized guard(s.managerLock);
    if (!s.regions) return false;
    if (!s.regions->removeElement(r)) return false;
    r->captured = nullptr;
    return true;
}

jint PointerInputKeyManager::removeRegions(jbyte keyCode) {
    if (keyCode > 63 && keyCode != Region::OWN_STATE) return 0;
    if (keyCode < -64) return 0;
    Statics& s = S();
    VMSynchronized guard(s.managerLock);
    if (!s.regions) return 0;
    if (keyCode == 0) {
        // The regions keep their capture arrays.
        s.regions = nullptr;
        return 0;
    }
    jint removed = 0;
    for (jint i = 0; i < s.regions->size(); ++i) {
        VMPtr<Region> r = regionAt(s.regions, i);
        if (r->keyCode != keyCode) continue;
        s.regions->removeElementAt(i);
        r->captured = nullptr;
        --i;
        ++removed;
    }
    return removed;
}

jint PointerInputKeyManager::getRegionCount(jbyte keyCode) {
    VMPtr<java::util::Vector> regions = S().regions;
    if (!regions) return 0;
    if (keyCode == 0) return regions->size();
    jint n = 0;
    for (jint i = 0; i < regions->size(); ++i)
        if (regionAt(regions, i)->keyCode == keyCode) ++n;
    return n;
}

jint PointerInputKeyManager::getRegions(const VMPtr<VMArray<Region*>>& out, jbyte keyCode) {
    VMPtr<java::util::Vector> regions = S().regions;
    if (!out || !regions) return 0;
    jint n = 0;
    for (jint i = 0; i < regions->size() && n < out->length; ++i) {
        VMPtr<Region> r = regionAt(regions, i);
        if (keyCode == 0 || r->keyCode == keyCode) out[n++] = r;
    }
    return n;
}

jint PointerInputKeyManager::keyIndex(jint keyCode) {
    if (keyCode >= 1 && keyCode <= 63) return keyCode;
    if (keyCode >= -64 && keyCode <= -1) return 63 - keyCode;
    return -1;
}

void PointerInputKeyManager::onPointer(jbyte pointer, jint x, jint y, jboolean down,
                                       jboolean edge) {
    Statics& s = S();
    if (!s.regions) return;
    x -= s.originX;
    y -= s.originY;
    for (jint i = 0; i < s.keyStateCount; ++i) {
        VMPtr<KeyState> k = s.keyStates[i];
        k->held = false;
        k->released = false;
    }
    {
        VMSynchronized guard(s.managerLock);
        // The registry may have been dropped while this waited for the lock.
        VMPtr<java::util::Vector> regions = s.regions;
        for (jint i = 0; regions && i < regions->size(); ++i) {
            VMPtr<Region> r = regionAt(regions, i);
            if (!down && r->type == Type::CAPTURE) r->captured[pointer] = false;
            bool own = r->keyCode == Region::OWN_STATE;
            if (own && r->ownStateActive) {
                // Like the shared states above, an own state starts every
                // event afresh, so a pointer that slides off releases it on
                // that event and not one later.
                VMPtr<KeyState> k = r->ownState;
                k->held = false;
                k->released = false;
            }
            hitTest(pointer, x, y, down, edge, r);
            if (own && r->ownStateActive) {
                if (down)
                    settleDown(r->ownState);
                else
                    settleUp(r->ownState);
                applyOwnState(r);
            }
        }
    }
    for (jint i = 0; i < s.keyStateCount; ++i) {
        if (down)
            settleDown(s.keyStates[i]);
        else
            settleUp(s.keyStates[i]);
    }
    VMPtr<WrenCanvas> c = canvas();
    for (jint i = 0; i < s.keyStateCount; ++i) {
        VMPtr<KeyState> k = s.keyStates[i];
        if (k->held) {
            c->pressKey(k->keyCode);
        } else if (k->released) {
            c->releaseKey(k->keyCode);
            // The last active state moves into this slot: look at it again.
            removeKeyState(k->keyCode);
            --i;
        }
    }
}

void PointerInputKeyManager::hitTest(jbyte pointer, jint x, jint y, jboolean down,
                                     jboolean edge, const VMPtr<Region>& r) {
    if (!r->enabled) return;
    if (r->contains(x, y) && down) {
        if (r->type == Type::CAPTURE) {
            if (edge) r->captured[pointer] = true;
        } else if (r->type == Type::BUTTON) {
            if (VMPtr<KeyState> k = getKeyState(r, true)) k->held = true;
        } else {
            stepSlider(pointer, x, y, r, r->keyCode);
        }
    }
    if (r->type == Type::CAPTURE) {
        if (down && r->captured[pointer]) {
            if (VMPtr<KeyState> k = getKeyState(r, true)) k->held = true;
        } else if (!down) {
            r->captured[pointer] = false;
        }
    } else if (r->type == Type::SLIDER) {
        // A release anywhere ends the gesture.
        if (edge && !down) r->lastPosition = -1;
    }
}

VMPtr<KeyState> PointerInputKeyManager::getKeyState(const VMPtr<Region>& r, jboolean create) {
    Statics& s = S();
    jint index = keyIndex(r->keyCode);
    if (index < 0) {
        if (r->keyCode != Region::OWN_STATE) return nullptr;
        if (r->ownStateActive) return r->ownState;
        if (!create) return nullptr;
        VMPtr<KeyState> k = r->ownState;
        if (k) {
            k->released = false;
            k->active = false;
        } else {
            k = KeyState::make();
            r->ownState = k;
        }
        k->keyCode = Region::OWN_STATE;
        r->ownStateActive = true;
        return k;
    }
    jint slot = s.keyStateIndex[index];
    if (slot >= 0) return s.keyStates[slot];
    if (!create) return nullptr;
    // Records are recycled: steady play allocates nothing.
    VMPtr<KeyState> k = s.keyStates[s.keyStateCount];
    if (k) {
        k->released = false;
        k->active = false;
    } else {
        k = KeyState::make();
        s.keyStates[s.keyStateCount] = k;
    }
    k->keyCode = r->keyCode;
    s.keyStateIndex[index] = s.keyStateCount;
    s.keyStateCount += 1;
    return k;
}

void PointerInputKeyManager::removeKeyState(jbyte keyCode) {
    Statics& s = S();
    jint index = keyIndex(keyCode);
    if (index < 0 || s.keyStateIndex[index] < 0) return;
    jint slot = s.keyStateIndex[index];
    s.keyStateCount -= 1;
    if (slot < s.keyStateCount) {
        VMPtr<KeyState> moved = s.keyStates[s.keyStateCount];
        s.keyStates[s.keyStateCount] = s.keyStates[slot];
        s.keyStates[slot] = moved;
        s.keyStateIndex[keyIndex(moved->keyCode)] = slot;
    }
    s.keyStateIndex[index] = -1;
}

void PointerInputKeyManager::settleDown(const VMPtr<KeyState>& k) {
    // Down on the first event that touches it, silent while touched,
    // released on the first event that no longer does.
    bool held = k->held;
    bool active = k->active;
    k->released = active && !held;
    k->held = held && !active;
    k->active = active || k->held;
}

void PointerInputKeyManager::settleUp(const VMPtr<KeyState>& k) {
    if (k->active) {
        k->released = true;
        k->held = false;
        k->active = false;
    } else {
        k->released = false;
    }
}

void PointerInputKeyManager::applyOwnState(const VMPtr<Region>& r) {
    VMPtr<KeyState> k = r->ownState;
    if (k->held) {
        if (r->ownPressCount < Region::MAX_OWN_PRESSES) r->ownPressCount += 1;
        r->ownHeld = true;
        r->ownReleased = false;
    } else if (k->released) {
        r->ownStateActive = false;
        if (r->ownHeld) {
            r->ownReleased = true;
            r->ownHeld = false;
        }
    }
}

void PointerInputKeyManager::stepSlider(jbyte, jint x, jint y, const VMPtr<Region>& r,
                                        jbyte keyCode) {
    bool vertical = r->direction == Direction::UP || r->direction == Direction::DOWN;
    jint steps = vertical ? countSteps(y, r->height, r, Direction::UP)
                          : countSteps(x, r->width, r, Direction::LEFT);
    VMPtr<WrenCanvas> c = canvas();
    for (jint i = 0; i < steps; ++i) {
        c->pressKey(keyCode);
        c->releaseKey(keyCode);
    }
}

jint PointerInputKeyManager::countSteps(jint position, jint length, const VMPtr<Region>& r,
                                        jint reference) {
    jlong now = GameClock::get()->currentTimeMillis();
    jint result = 0;
    bool backward = r->direction == reference;
    if (r->stepCount > 0 && r->lastPosition >= 0 &&
        now - r->lastMoveTime <= SLIDER_GESTURE_GAP_MS) {
        jint delta = backward ? r->lastPosition - position : position - r->lastPosition;
        if (delta > 0) {
            // The carried fraction, rounded to whole steps' worth of pixels.
            jint magnitude = r->stepRemainder < 0 ? -r->stepRemainder : r->stepRemainder;
            jint q = vmDiv(magnitude * length, r->stepCount);
            jint carry = q / 1024 + (q >= 512 ? 1 : 0);
            jint total = r->stepCount * (delta + carry);
            result = vmDiv(total, length);
            jint fraction = vmDiv(vmRem(total, length) * 1024, length);
            r->stepRemainder = jshort(backward ? -fraction : fraction);
        } else if (delta < 0) {
            r->stepRemainder = 0;
        }
    } else {
        r->stepRemainder = 0;
    }
    r->lastMoveTime = now;
    r->lastPosition = position;
    return result;
}

void PointerInputKeyManager::updateRegions() {
    Statics& s = S();
    VMSynchronized guard(s.managerLock);
    VMPtr<java::util::Vector> regions = s.regions;
    for (jint i = 0; regions && i < regions->size(); ++i) {
        VMPtr<Region> r = regionAt(regions, i);
        if (r->keyCode == Region::OWN_STATE) r->updateState();
    }
}

void PointerInputKeyManager::resetAll() {
    Statics& s = S();
    VMSynchronized guard(s.managerLock);
    if (s.keyStateCount > 0) {
        VMPtr<VMArray<jint>> index = s.keyStateIndex;
        for (jint i = 0; i < index->length; ++i) index[i] = -1;
        VMPtr<WrenCanvas> c = canvas();
        for (jint i = 0; i < s.keyStateCount; ++i) {
            VMPtr<KeyState> k = s.keyStates[i];
            if (k->active) c->releaseKey(k->keyCode);
        }
        s.keyStateCount = 0;
    }
    VMPtr<java::util::Vector> regions = s.regions;
    for (jint i = 0; regions && i < regions->size(); ++i) {
        VMPtr<Region> r = regionAt(regions, i);
        if (VMPtr<VMArray<jboolean>> captured = r->captured)
            for (jint p = 0; p < captured->length; ++p) captured[p] = false;
        if (r->keyCode == Region::OWN_STATE) {
            r->ownReleased = r->ownHeld;
            r->ownHeld = false;
            r->ownPressCount = 0;
            r->pressCountSnapshot = 0;
            r->heldSnapshot = false;
            r->releasedSnapshot = false;
        }
    }
}

jboolean PointerInputKeyManager::setMultiPointerEnabled(jboolean on) {
    clinit();
    return !on;
}

}  // namespace wren::input
