// com.nimbault.marl.AMS: the application manager and the runtime's boot
// class. It finds the MIDlet named by the application property "MIDlet-1",
// creates and starts it, and turns the host's pause, resume and destroy
// events into the MIDlet's life-cycle callbacks. Never instantiated.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_midlet_MIDlet.h"

namespace com::nimbault::marl {

class AMS : public virtual java::lang::Object {
    WREN_CLASS(AMS, java::lang::Object)
public:
    struct Statics {
        VMStaticPtr<javax::microedition::midlet::MIDlet> midlet;  // set once, never cleared
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()  // registers the two life-cycle listeners

private:
    // Never instantiated: no public constructor, so the class record has no
    // factory.
    void ctor() {}

public:

    // The boot entry: starts the first MIDlet or ends the program.
    static void main(const VMPtr<java::lang::Object>& args);
    static void startMIDlet(const VMPtr<VMArray<java::lang::String*>>& args);
    // Creates and starts the MIDlet of property "MIDlet-<n>"; false when the
    // property is missing or empty.
    static jboolean loadMIDlet(jint n);
    static VMPtr<javax::microedition::midlet::MIDlet> instantiateMIDlet(
        const VMPtr<java::lang::String>& className);
    // The application property, or null when absent or empty.
    static VMPtr<java::lang::String> getAppProperty(const VMPtr<java::lang::String>& key);

    // The MIDlet that has been loaded, or null.
    static VMPtr<javax::microedition::midlet::MIDlet> currentMIDlet();

    // The listeners: resume on list 0, pause and destroy on list 2.
    static void onStartEvent(jint kind, jint argc, const intptr_t* args);
    static void onPauseOrDestroyEvent(jint kind, jint argc, const intptr_t* args);
};

}  // namespace com::nimbault::marl
