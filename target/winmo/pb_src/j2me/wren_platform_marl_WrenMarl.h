// wren.platform.marl.WrenMarl: the few static natives the game framework
// calls besides MIDP: display orientation, the backlight keep-alive and a
// player over bytes.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_media_Player.h"

namespace wren::platform::marl {

class WrenMarl : public virtual java::lang::Object {
    WREN_CLASS(WrenMarl, java::lang::Object)
public:
    // 0 none, 1..4 the orientation the display shows.
    static jint getOrientation();
    // 0 forgets the wanted orientation, 1..4 asks for one; false for another
    // code or when the device refuses or fails.
    static jboolean setOrientation(jint code);
    // False keeps the device and its backlight from timing out while the
    // game runs; true lets them time out again.
    static void setIdleTimeoutEnabled(jboolean enabled);
    // The media Manager's player over data[offset .. offset + length).
    static VMPtr<javax::microedition::media::Player> createPlayer(
        const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
        const VMPtr<java::lang::String>& contentType);
};

}  // namespace wren::platform::marl
