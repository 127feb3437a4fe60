#include "javax_microedition_lcdui_Canvas.h"

#include "HAL_input.h"
#include "HAL_power.h"
#include "HAL_status.h"
#include "HAL_window.h"
#include "java_lang_IllegalArgumentException.h"
#include "javax_microedition_lcdui_Display.h"

WREN_DEFINE_ABSTRACT_CLASS(javax::microedition::lcdui::Canvas, "javax.microedition.lcdui.Canvas")

namespace javax::microedition::lcdui {

Canvas::~Canvas() {
    HAL_deleteCanvas(static_cast<NativeCanvas*>(nativeDisplayable));
    nativeDisplayable = nullptr;
}

void Canvas::ctor() {
    Display::clinit();
    VMSynchronized guard(Display::displayLock());
    NativeCanvas* native = nullptr;
    if (HAL_createCanvas(&native, displayId()) != HAL_OK)
        vmFatalError("HAL_createCanvas() failed.");
    Displayable::ctor(native);
    jboolean buffered = false;
    HAL_getDisplayCapabilities(nullptr, nullptr, nullptr, &buffered);
    doubleBuffered = buffered ? 1 : 0;
    HAL_getCanvasCapabilities(&pointerEvents, &pointerMotionEvents, &repeatEvents);
}

jboolean Canvas::isDoubleBuffered() {
    return doubleBuffered != 0;
}
jboolean Canvas::hasPointerEvents() {
    return pointerEvents;
}
jboolean Canvas::hasPointerMotionEvents() {
    return pointerMotionEvents;
}
jboolean Canvas::hasRepeatEvents() {
    return repeatEvents;
}

jint Canvas::getKeyCode(jint gameAction) {
    jint code = HAL_getKeyCode(gameAction);
    if (code == 0) java::lang::IllegalArgumentException::throwNew();
    return code;
}

jint Canvas::getGameAction(jint keyCode) {
    jint action = HAL_getGameAction(keyCode);
    if (action == -1) java::lang::IllegalArgumentException::throwNew();
    return action;
}

VMPtr<java::lang::String> Canvas::getKeyName(jint keyCode) {
    jchar buffer[16] = {};
    jint length = 16;
    if (!HAL_getKeyName(keyCode, buffer, &length)) java::lang::IllegalArgumentException::throwNew();
    // The host reports the name's whole length; only what fitted was copied.
    if (length > 16) length = 16;
    return java::lang::String::make(buffer, length);
}

void Canvas::setFullScreenMode(jboolean on) {
    VMSynchronized guard(Display::displayLock());
    if (on == fullScreen) return;
    fullScreen = on;
    HAL_setFullScreenMode(nativeDisplayable, on ? 1 : 0);
}

void Canvas::keyPressed(jint) {}
void Canvas::keyRepeated(jint) {}
void Canvas::keyReleased(jint) {}
void Canvas::pointerPressed(jint, jint) {}
void Canvas::pointerReleased(jint, jint) {}
void Canvas::pointerDragged(jint, jint) {}
void Canvas::showNotify() {}
void Canvas::hideNotify() {}

bool Canvas::keyEventAllowed(jint keyCode) {
    if (!suppressKeyEvents) return true;
    switch (getGameAction(keyCode)) {
        case UP:
        case LEFT:
        case RIGHT:
        case DOWN:
        case FIRE:
        case GAME_A:
        case GAME_B:
        case GAME_C:
        case GAME_D:
            return false;
        default:
            return true;
    }
}

void Canvas::callPaint(const VMPtr<Graphics>& g) {
    VMSynchronized guard(Display::eventLock());
    paint(g);
}

void Canvas::callKeyPressed(jint keyCode) {
    if (!keyEventAllowed(keyCode)) return;
    VMSynchronized guard(Display::eventLock());
    keyPressed(keyCode);
}

void Canvas::callKeyRepeated(jint keyCode) {
    if (!keyEventAllowed(keyCode)) return;
    VMSynchronized guard(Display::eventLock());
    keyRepeated(keyCode);
}

void Canvas::callKeyReleased(jint keyCode) {
    if (!keyEventAllowed(keyCode)) return;
    VMSynchronized guard(Display::eventLock());
    keyReleased(keyCode);
}

void Canvas::callPointerPressed(jint x, jint y) {
    VMSynchronized guard(Display::eventLock());
    pointerPressed(x, y);
}

void Canvas::callPointerReleased(jint x, jint y) {
    VMSynchronized guard(Display::eventLock());
    pointerReleased(x, y);
}

void Canvas::callPointerDragged(jint x, jint y) {
    VMSynchronized guard(Display::eventLock());
    pointerDragged(x, y);
}

void Canvas::callShowNotify() {
    VMSynchronized guard(Display::eventLock());
    showNotify();
}

void Canvas::callHideNotify() {
    VMSynchronized guard(Display::eventLock());
    hideNotify();
}

}  // namespace javax::microedition::lcdui
