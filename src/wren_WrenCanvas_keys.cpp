// The game canvas's keys: key and stylus callbacks, the per-frame key
// snapshot and the game's virtual keys.

#include "wren_WrenCanvas.h"

#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

namespace wren {

using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;

namespace {

// Groups of a length character, the canonical key character and its alias:
// a keyboard's letters drive the keypad's keys.
constexpr jchar kKeyAliases[] = {
    3, u'0', u'.', 3, u'1', u'u', 3, u'2', u'i',    3, u'3', u'o',    3, u'4', u'j', 3, u'5', u'k',
    3, u'6', u'l', 3, u'7', u'm', 3, u'8', u'\xF6', 3, u'9', u'\xE4', 3, u'#', u'\xE5', 3, u'*', u',',
};
constexpr jint kKeyAliasLength = jint(sizeof kKeyAliases / sizeof kKeyAliases[0]);

constexpr jint kFirstGameKey = 41;  // allocateVirtualKey hands out 63 down to this

}  // namespace

// --- keys ----------------------------------------------------------------------------------

void WrenCanvas::keyPressed(jint code) { foldKeyAlias(code, 1); }
void WrenCanvas::keyReleased(jint code) { foldKeyAlias(code, 2); }
void WrenCanvas::keyRepeated(jint) {}

void WrenCanvas::pointerPressed(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::PRESSED, 0);
    GameCanvas::pointerPressed(x, y);
}

void WrenCanvas::pointerReleased(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::RELEASED, 0);
    GameCanvas::pointerReleased(x, y);
}

void WrenCanvas::pointerDragged(jint x, jint y) {
    onPointer(0, x, y, PointerInputEventManager::DRAGGED, 0);
    GameCanvas::pointerDragged(x, y);
}

void WrenCanvas::onPointer(jint pointer, jint x, jint y, jint kind, jlong time) {
    bool down = kind != PointerInputEventManager::RELEASED;
    bool edge = kind != PointerInputEventManager::DRAGGED;
    PointerInputKeyManager::onPointer(jbyte(pointer), x, y, down, edge);
    if (PointerInputEventManager::isEnabled())
        PointerInputEventManager::onPointerEvent(jbyte(pointer), x, y, jbyte(kind), time);
}

void WrenCanvas::foldKeyAlias(jint code, jint action) {
    if (action != 1 && action != 2) return;
    bool pressed = action == 1;
    // Compared as characters: the code of 'u' and that of '1' drive the same
    // keys.
    jchar c = jchar(code);
    bool matched = false;
    for (jint group = 0; group < kKeyAliasLength; group += kKeyAliases[group]) {
        jint end = group + kKeyAliases[group];
        for (jint i = group + 1; i < end; ++i) {
            if (kKeyAliases[i] != c) continue;
            matched = true;
            if (i == group + 1)
                onKeyEvent(code, pressed);
            else
                onKeyEvent(kKeyAliases[group + 1], pressed);
        }
    }
    if (!matched) onKeyEvent(code, pressed);
}

void WrenCanvas::onKeyEvent(jint code, jboolean pressed) {
    if (code == 0) return;
    VMPtr<VMArray<jint>> map = S().keyMap;
    VMSynchronized guard(keyLock);
    if (pressed) anyKeyPressed = true;
    for (jint v = 1; v < 64; ++v) {
        if (map[v] != code) continue;
        // The platform's repeated presses of a held key count once.
        if (!pressed || (keyStates[v] & KEY_HELD) == 0) setKeyState(v, pressed);
    }
}

void WrenCanvas::setKeyState(jint slot, jboolean pressed) {
    VMSynchronized guard(keyLock);
    jint state = keyStates[slot] & 0xFF;
    jint count = state & KEY_COUNT_MASK;
    if (pressed) {
        if (count < KEY_COUNT_MASK) ++count;
        keyStates[slot] = jbyte(count | KEY_HELD);
        anyKeyPressed = true;
    } else if (state & KEY_HELD) {
        keyStates[slot] = jbyte(count | KEY_RELEASED);
    }
}

jint WrenCanvas::keySlot(jint key) {
    if (key >= 1 && key <= 63) return key;
    if (key >= -64 && key <= -1) return 63 - key;
    return -1;
}

void WrenCanvas::pressKey(jint key) {
    jint slot = keySlot(key);
    if (slot >= 0) setKeyState(slot, true);
}

void WrenCanvas::releaseKey(jint key) {
    jint slot = keySlot(key);
    if (slot >= 0) setKeyState(slot, false);
}

void WrenCanvas::tapKey(jint code) {
    keyPressed(code);
    keyReleased(code);
}

void WrenCanvas::updateKeys() {
    {
        VMSynchronized guard(keyLock);
        // Swapped, not copied: nothing is allocated per frame.
        VMPtr<VMArray<jbyte>> live = keyStates;
        keyStates = keySnapshot;
        keySnapshot = live;
        for (jint slot = 0; slot < KEY_SLOTS; ++slot) {
            jint state = keySnapshot[slot];
            keyStates[slot] = jbyte(state & KEY_HELD);
            // Pressed and released within the frame still reads as held.
            if (state & KEY_COUNT_MASK) keySnapshot[slot] = jbyte(state | KEY_HELD);
        }
        anyKeyPressedInFrame = anyKeyPressed;
        pressedMaskCache = heldMaskCache = releasedMaskCache = 1;
        anyKeyPressed = false;
    }
    PointerInputKeyManager::updateRegions();
}

void WrenCanvas::resetKeys() {
    {
        VMSynchronized guard(keyLock);
        for (jint slot = 1; slot < KEY_SLOTS; ++slot) {
            keyStates[slot] = jbyte((keySnapshot[slot] & KEY_HELD) ? KEY_RELEASED : 0);
            keySnapshot[slot] = 0;
        }
        anyKeyPressed = false;
        anyKeyPressedInFrame = false;
        pressedMaskCache = heldMaskCache = releasedMaskCache = 1;
    }
    PointerInputKeyManager::resetAll();
}

jint WrenCanvas::getSnapshotState(jint key) {
    jint slot = keySlot(key);
    return slot < 0 ? 0 : keySnapshot[slot] & 0xFF;
}

jboolean WrenCanvas::isKeyPressed(jint key) { return (getSnapshotState(key) & KEY_COUNT_MASK) != 0; }
jboolean WrenCanvas::isKeyHeld(jint key) { return (getSnapshotState(key) & KEY_HELD) != 0; }
jboolean WrenCanvas::isKeyReleased(jint key) { return (getSnapshotState(key) & KEY_RELEASED) != 0; }
jint WrenCanvas::getKeyPressCount(jint key) { return getSnapshotState(key) & KEY_COUNT_MASK; }

jint WrenCanvas::keyMask(jint bits) {
    jint mask = 0;
    for (jint k = 1; k <= 31; ++k)
        if (keySnapshot[k] & bits) mask |= jint(1u << k);
    return mask;
}

jint WrenCanvas::getPressedMask() {
    if (pressedMaskCache == 1) pressedMaskCache = keyMask(KEY_COUNT_MASK);
    return pressedMaskCache;
}

jint WrenCanvas::getHeldMask() {
    if (heldMaskCache == 1) heldMaskCache = keyMask(KEY_HELD);
    return heldMaskCache;
}

jint WrenCanvas::getReleasedMask() {
    if (releasedMaskCache == 1) releasedMaskCache = keyMask(KEY_RELEASED);
    return releasedMaskCache;
}

namespace {

jint lowestKey(jint mask) {
    for (jint k = 1; k <= 31; ++k)
        if (mask & jint(1u << k)) return k;
    return 0;
}

}  // namespace

jint WrenCanvas::getFirstPressedKey() { return lowestKey(getPressedMask()); }
jint WrenCanvas::getFirstHeldKey() { return lowestKey(getHeldMask()); }
jint WrenCanvas::getFirstReleasedKey() { return lowestKey(getReleasedMask()); }
jboolean WrenCanvas::wasAnyKeyPressed() { return anyKeyPressedInFrame; }

jint WrenCanvas::allocateVirtualKey() {
    Statics& s = S();
    if (s.nextFreeVirtualKey < kFirstGameKey) return 0;
    jint key = s.nextFreeVirtualKey;
    s.nextFreeVirtualKey = jbyte(key - 1);
    return key;
}

}  // namespace wren
