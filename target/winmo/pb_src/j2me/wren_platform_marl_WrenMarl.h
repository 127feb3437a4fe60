// wren.platform.marl.WrenMarl: the few static natives the game framework
// calls besides MIDP: display orientation and the backlight keep-alive.
#pragma once

#include "VMClass.h"

namespace wren::platform::marl {

class WrenMarl : public virtual java::lang::Object {
    WREN_CLASS(WrenMarl, java::lang::Object)
public:
    // 0 none, 1..4 the orientation the display shows.
    static jint getOrientation();
    // 0 forgets the wanted orientation, 1..4 asks for one; false for another
    // code or when the device refuses.
    static jboolean setOrientation(jint code);
    // False keeps the device and its backlight from timing out while the
    // game runs; true lets them time out again.
    static void setIdleTimeoutEnabled(jboolean enabled);
};

}  // namespace wren::platform::marl
