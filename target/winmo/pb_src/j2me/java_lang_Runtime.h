// java.lang.Runtime: the singleton behind memory figures, collection and the
// (refused) application exit.
#pragma once

#include "VMClass.h"

namespace java::lang {

class Runtime : public virtual Object {
    WREN_CLASS(Runtime, Object)
public:
    struct Statics {
        VMStaticPtr<Runtime> current;
        // Exit is refused unless allowed: a MIDlet ends through its life cycle.
        jboolean exitAllowed = false;
    };
    WREN_STATICS(Statics)

    static VMPtr<Runtime> getRuntime();

    // Throws SecurityException while exit is not allowed; else the runtime's
    // exit signal carrying the status, which ends the calling thread and
    // requests the program's exit. Never returns.
    [[noreturn]] virtual void exit(jint status);
    virtual jlong freeMemory();
    virtual jlong totalMemory();
    virtual void gc();
    virtual void setExitAllowed(jboolean allowed);

private:
    void ctor() { Object::ctor(); }  // only getRuntime makes the one instance
};

}  // namespace java::lang
