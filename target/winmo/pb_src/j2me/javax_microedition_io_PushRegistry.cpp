#include "javax_microedition_io_PushRegistry.h"

#include "javax_microedition_io_ConnectionNotFoundException.h"

WREN_DEFINE_CLASS(javax::microedition::io::PushRegistry, "javax.microedition.io.PushRegistry")

namespace javax::microedition::io {

jlong PushRegistry::registerAlarm(const VMPtr<java::lang::String>& midlet, jlong time) {
    clinit();
    S().lastMidlet = midlet;
    S().lastTime = time;
    ConnectionNotFoundException::throwNew(WREN_LIT("not supported"));
}

}  // namespace javax::microedition::io
