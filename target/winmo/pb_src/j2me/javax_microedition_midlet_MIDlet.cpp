#include "javax_microedition_midlet_MIDlet.h"

#include "HAL_host.h"
#include "HAL_status.h"
#include "com_nimbault_marl_AMS.h"
#include "java_lang_NullPointerException.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"

WREN_DEFINE_ABSTRACT_CLASS(javax::microedition::midlet::MIDlet, "javax.microedition.midlet.MIDlet")

namespace javax::microedition::midlet {

void MIDlet::ctor() {
    java::lang::Object::ctor();
    state = LOADED;
}

jboolean MIDlet::setState(jint newState) {
    bool refused = false;
    switch (state) {
        case PAUSED:
        case LOADED:
            refused = newState == PAUSING;
            break;
        case ACTIVE:
            refused = newState == LOADED || newState == STARTING;
            break;
        case DESTROYING:
            refused = newState != DESTROYED;
            break;
        case DESTROYED:
            refused = true;
            break;
        default:
            break;
    }
    if (refused) return false;
    state = newState;
    return true;
}

void MIDlet::notifyDestroyed() {
    setState(DESTROYED);
    HAL_requestExit();
}

jboolean MIDlet::platformRequest(const VMPtr<java::lang::String>& url) {
    if (!url) java::lang::NullPointerException::throwNew();
    static const jchar kNone[1] = {0};
    const jchar* chars = url->count > 0 ? url->value->elements() + url->offset : kNone;
    jboolean mustExit = false;
    int32_t status = HAL_openURL(chars, url->count, &mustExit);
    if (status == HAL_NOT_FOUND) javax::microedition::io::ConnectionNotFoundException::throwNew();
    if (status != HAL_OK) vmFatalError("Unexpected error from HAL_openURL() in platformRequest!");
    return mustExit;
}

VMPtr<java::lang::String> MIDlet::getAppProperty(const VMPtr<java::lang::String>& key) {
    return com::nimbault::marl::AMS::getAppProperty(key);
}

}  // namespace javax::microedition::midlet
