// The game canvas's platform services (settings, vibration, backlight, alarms),
// the second entries that forward to their first ones, the hooks a game
// canvas may fill, and logging.

#include "wren_WrenCanvas.h"

#include "VMTry.h"
#include "java_lang_System.h"
#include "javax_microedition_io_PushRegistry.h"
#include "javax_microedition_lcdui_Display.h"
#include "java_lang_Throwable.h"
#include "wren_platform_marl_WrenMarl.h"

namespace wren {

using java::lang::Object;
using java::lang::String;
using javax::microedition::lcdui::Graphics;

// --- platform services -----------------------------------------------------------------------

void WrenCanvas::syncSettings(jint phase) {
    VMSynchronized guard(this);
    if (settingsLoaded) return;
    settingsLoaded = true;
    soundEnabled = true;
    vibrationEnabled = true;
    backlightEnabled = true;
}

void WrenCanvas::setVibrationEnabled(jboolean enabled) {
    syncSettings(0);
    if (vibrationEnabled == enabled) return;
    vibrationEnabled = enabled;
    syncSettings(1);
}

jboolean WrenCanvas::isVibrationEnabled() {
    syncSettings(0);
    return vibrationEnabled;
}

void WrenCanvas::setBacklightEnabled(jboolean enabled) {
    syncSettings(0);
    if (backlightEnabled == enabled) return;
    backlightEnabled = enabled;
    syncSettings(1);
}

jboolean WrenCanvas::isBacklightEnabled() {
    syncSettings(0);
    return backlightEnabled;
}

void WrenCanvas::vibrate(jint duration) {
    syncSettings(0);
    if (vibrationEnabled) javax::microedition::lcdui::Display::getDisplay(midlet)->vibrate(duration);
}

void WrenCanvas::flashBacklight(jint duration) {
    syncSettings(0);
    if (backlightEnabled)
        javax::microedition::lcdui::Display::getDisplay(midlet)->flashBacklight(duration);
}

jboolean WrenCanvas::registerAlarm(jint seconds) {
    return vmTryCatch(
        [&] {
            VMPtr<String> name = midlet->getClass()->getName();
            // The product is an int, as the device computed it, widened after.
            jlong time = seconds <= 0 ? 0 : jlong(seconds * 1000) +
                                                java::lang::System::currentTimeMillis();
            javax::microedition::io::PushRegistry::registerAlarm(name, time);
            return true;
        },
        [](const VMPtr<java::lang::Throwable>&) { return false; });
}

// --- second entries ------------------------------------------------------------------------

jboolean WrenCanvas::saveDataAlias(jint id, const VMPtr<VMArray<jbyte>>& data) {
    return saveData(id, data);
}
VMPtr<VMArray<jbyte>> WrenCanvas::loadDataAlias(jint id) {
    return loadData(id);
}
void WrenCanvas::resetClipAlias(const VMPtr<Graphics>& g) {
    resetClip(g);
}
void WrenCanvas::setClipInGameAreaAlias(const VMPtr<Graphics>& g, jint x, jint y, jint w, jint h) {
    setClipInGameArea(g, x, y, w, h);
}
void WrenCanvas::vibrateAlias(jint duration) {
    vibrate(duration);
}
void WrenCanvas::flashBacklightAlias(jint duration) {
    flashBacklight(duration);
}
VMPtr<String> WrenCanvas::getTextAlias(jint index) {
    return getText(index);
}
void WrenCanvas::paintPlayerAlias(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                                  jint player, jint x, jint y, jint transform) {
    paintPlayer(g, gobs, player, x, y, transform);
}
void WrenCanvas::getPlayerBoundsAlias(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                      jint transform, const VMPtr<VMArray<jint>>& bounds) {
    getPlayerBounds(gobs, player, x, y, transform, bounds);
}

void WrenCanvas::updateKeysAlias() { updateKeys(); }
void WrenCanvas::resetKeysAlias() { resetKeys(); }
jboolean WrenCanvas::isKeyPressedAlias(jint key) { return isKeyPressed(key); }
jboolean WrenCanvas::isKeyHeldAlias(jint key) { return isKeyHeld(key); }
jboolean WrenCanvas::isKeyReleasedAlias(jint key) { return isKeyReleased(key); }
jint WrenCanvas::getKeyPressCountAlias(jint key) { return getKeyPressCount(key); }
jint WrenCanvas::getPressedMaskAlias() { return getPressedMask(); }
jint WrenCanvas::getHeldMaskAlias() { return getHeldMask(); }
jint WrenCanvas::getReleasedMaskAlias() { return getReleasedMask(); }
jboolean WrenCanvas::wasAnyKeyPressedAlias() { return wasAnyKeyPressed(); }
jboolean WrenCanvas::isRepaintAllAlias() { return isRepaintAll(); }
void WrenCanvas::invalidateAlias() { invalidate(); }
void WrenCanvas::setDesiredFrameTimeAlias(jint ms) { setDesiredFrameTime(ms); }
void WrenCanvas::setFrameTimeCapAlias(jint ms) { setFrameTimeCap(ms); }
jint WrenCanvas::getFrameTimeAlias() { return getFrameTime(); }
void WrenCanvas::resetFrameTimerAlias() { resetFrameTimer(); }
void WrenCanvas::setGameAreaSizeAlias(jint w, jint h) { setGameAreaSize(w, h); }
void WrenCanvas::setGameAreaSizeAlias2(jint w, jint h) { setGameAreaSize(w, h); }
void WrenCanvas::setGameAreaPositionAlias(jint x, jint y) { setGameAreaPosition(x, y); }
void WrenCanvas::setGameAreaXAlias(jint x) { setGameAreaX(x); }
void WrenCanvas::setGameAreaYAlias(jint y) { setGameAreaY(y); }
void WrenCanvas::setGameAreaWidthAlias(jint w) { setGameAreaWidth(w); }
void WrenCanvas::setGameAreaWidthAlias2(jint w) { setGameAreaWidth(w); }
void WrenCanvas::setGameAreaHeightAlias(jint h) { setGameAreaHeight(h); }
void WrenCanvas::setGameAreaHeightAlias2(jint h) { setGameAreaHeight(h); }
jint WrenCanvas::getGameAreaXAlias() { return getGameAreaX(); }
jint WrenCanvas::getGameAreaYAlias() { return getGameAreaY(); }
jint WrenCanvas::getGameAreaWidthAlias() { return getGameAreaWidth(); }
jint WrenCanvas::getGameAreaHeightAlias() { return getGameAreaHeight(); }
void WrenCanvas::setVibrationEnabledAlias(jboolean enabled) { setVibrationEnabled(enabled); }
void WrenCanvas::setBacklightEnabledAlias(jboolean enabled) { setBacklightEnabled(enabled); }
jboolean WrenCanvas::platformRequestAlias(const VMPtr<String>& url) { return platformRequest(url); }
jint WrenCanvas::getOrientationAlias() { return wren::platform::marl::WrenMarl::getOrientation(); }
void WrenCanvas::objectHook1Alias(const VMPtr<Object>& o) { objectHook1(o); }
void WrenCanvas::objectHook2Alias(const VMPtr<Object>& o) { objectHook2(o); }
void WrenCanvas::objectHook3Alias(const VMPtr<Object>& o) { objectHook3(o); }
jlong WrenCanvas::longHookAlias() { return longHook(); }

// --- hooks ---------------------------------------------------------------------------------

void WrenCanvas::objectHook1(const VMPtr<Object>&) {}
void WrenCanvas::objectHook2(const VMPtr<Object>&) {}
void WrenCanvas::objectHook3(const VMPtr<Object>&) {}
jlong WrenCanvas::longHook() { return 0; }

// --- logging -------------------------------------------------------------------------------

void WrenCanvas::logMessage(jint, const VMPtr<String>&, const VMPtr<Object>&) {}
void WrenCanvas::log(const VMPtr<String>& text) {
    logMessage(LOG_LEVEL_DEFAULT, text, nullptr);
}
void WrenCanvas::log(const VMPtr<String>& text, const VMPtr<String>& detail) {
    logMessage(LOG_LEVEL_DEFAULT, text, detail);
}

VMPtr<VMArray<String*>> WrenCanvas::getStrings() {
    VMSynchronized guard(this);
    return nullptr;
}

}  // namespace wren
