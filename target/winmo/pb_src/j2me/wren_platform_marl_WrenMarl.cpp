#include "wren_platform_marl_WrenMarl.h"

#include "HAL_power.h"
#include "HAL_status.h"
#include "javax_microedition_media_Manager.h"

WREN_DEFINE_CLASS(wren::platform::marl::WrenMarl, "wren.platform.marl.WrenMarl")

namespace wren::platform::marl {

jint WrenMarl::getOrientation() {
    clinit();
    jint code = 0;
    if (HAL_getOrientation(&code) != HAL_OK) vmFatalError("HAL_getOrientation() failed.");
    return code;
}

jboolean WrenMarl::setOrientation(jint code) {
    clinit();
    // A device that fails to turn the display leaves it as it was, which
    // the game can live with: no reason to end the program.
    return HAL_setOrientation(code) == HAL_OK;
}

void WrenMarl::setIdleTimeoutEnabled(jboolean enabled) {
    clinit();
    HAL_setBacklight(!enabled);
}

VMPtr<javax::microedition::media::Player> WrenMarl::createPlayer(
    const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
    const VMPtr<java::lang::String>& contentType) {
    clinit();
    return javax::microedition::media::Manager::createPlayer(data, offset, length, contentType);
}

}  // namespace wren::platform::marl
