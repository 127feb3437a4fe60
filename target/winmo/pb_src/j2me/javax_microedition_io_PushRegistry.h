// javax.microedition.io.PushRegistry: present so that applications link;
// this system supports no push registration.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace javax::microedition::io {

class PushRegistry : public virtual java::lang::Object {
    WREN_CLASS(PushRegistry, java::lang::Object)
public:
    // The last alarm asked for, refused as every one is: what a caller
    // computed can be checked.
    struct Statics {
        VMStaticPtr<java::lang::String> lastMidlet;
        jlong lastTime = 0;
    };
    WREN_STATICS(Statics)

    // Always throws ConnectionNotFoundException "not supported".
    static jlong registerAlarm(const VMPtr<java::lang::String>& midlet, jlong time);
};

}  // namespace javax::microedition::io
