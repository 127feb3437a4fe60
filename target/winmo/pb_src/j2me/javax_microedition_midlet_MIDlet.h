// javax.microedition.midlet.MIDlet: the application's base class. It holds
// the life-cycle state that the application manager drives, and reaches the
// host to end the program or to have a URL opened after it.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace javax::microedition::midlet {

class MIDlet : public virtual java::lang::Object {
    WREN_CLASS(MIDlet, java::lang::Object)
public:
    enum : jint {
        PAUSED = 0,
        ACTIVE = 1,
        LOADED = 2,
        STARTING = 3,
        PAUSING = 4,
        DESTROYING = 5,
        DESTROYED = 6,
    };

    jint state = 0;

    void ctor();

    virtual void startApp() = 0;
    virtual void pauseApp() = 0;
    virtual void destroyApp(jboolean unconditional) = 0;

    // The one place the state changes: false (and no change) for a move the
    // life cycle does not allow.
    jboolean setState(jint newState);
    jint getState() { return state; }

    // DESTROYED, then asks the host to exit; the host's destroy event then
    // finds nothing left to do.
    void notifyDestroyed();
    // Has the host open the URL once the program has ended; true: the
    // MIDlet must exit for that to happen.
    jboolean platformRequest(const VMPtr<java::lang::String>& url);
    // The application property of that key, or null.
    VMPtr<java::lang::String> getAppProperty(const VMPtr<java::lang::String>& key);
};

}  // namespace javax::microedition::midlet
