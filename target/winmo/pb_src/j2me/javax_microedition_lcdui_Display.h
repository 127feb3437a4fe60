// javax.microedition.lcdui.Display: the one display. It keeps the current
// displayable, switches between displayables, and is the runtime's listener
// for the host's user-interface events, which it turns into the callbacks
// of the current displayable.
//
// Two static monitors: displayLock guards current, lastSet and pending (and
// every field change of a displayable); eventLock is held while any
// application callback runs, so no two overlap. Show and hide notifications
// run outside displayLock, so a callback may switch displayables.
#pragma once

#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "javax_microedition_lcdui_Displayable.h"

namespace javax::microedition::midlet {
class MIDlet;
}

namespace javax::microedition::lcdui {

class Alert;

class Display : public virtual java::lang::Object {
    WREN_CLASS(Display, java::lang::Object, (current, Displayable), (lastSet, Displayable),
               (pending, Displayable))
public:
    // Display.getColor specifiers.
    enum : jint {
        COLOR_BACKGROUND = 0,
        COLOR_FOREGROUND = 1,
        COLOR_HIGHLIGHTED_BACKGROUND = 2,
        COLOR_HIGHLIGHTED_FOREGROUND = 3,
        COLOR_BORDER = 4,
        COLOR_HIGHLIGHTED_BORDER = 5,
    };

    jboolean color = false;
    jint colorCount = 0;
    jint alphaLevels = 0;
    jint doubleBuffered = 0;
    jboolean hasCurrent = false;
    jboolean foreground = false;

    struct Statics {
        VMStaticPtr<java::lang::Object> displayLock;
        VMStaticPtr<java::lang::Object> eventLock;
        VMStaticPtr<Display> display;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    static VMPtr<java::lang::Object> displayLock() { return S().displayLock; }
    static VMPtr<java::lang::Object> eventLock() { return S().eventLock; }

private:
    // Only the static initialiser makes the one Display: no public
    // constructor, so the class record has no factory.
    void ctor() {}

public:

    // The one Display; the MIDlet is not looked at.
    static VMPtr<Display> getDisplay(const VMPtr<javax::microedition::midlet::MIDlet>& m);

    virtual jint getColor(jint specifier);
    virtual jint getBorderStyle(jboolean highlighted);
    virtual jboolean isColor();
    virtual jint numColors();
    virtual jint numAlphaLevels();
    // The displayable shown, or the one being switched to.
    virtual VMPtr<Displayable> getCurrent();
    virtual void setCurrent(const VMPtr<Alert>& alert, const VMPtr<Displayable>& next);
    virtual void setCurrent(const VMPtr<Displayable>& d);
    // Hands the runnable to the host, which on this platform never runs it.
    virtual void callSerially(const VMPtr<java::lang::Runnable>& r);
    jboolean vibrate(jint duration);
    jboolean flashBacklight(jint duration);

    // The listener for every event kind, on the dispatcher's list 1.
    static void eventListener(jint kind, jint argc, const intptr_t* args);

private:
    // Only the static initialiser makes the one Display.
    void construct();
    void handToHost(const VMPtr<Displayable>& d);
    void foregroundChange(bool now);
    void displayChange(const VMPtr<Displayable>& next);
    void commandEvent(intptr_t id);
    void paintEvent(intptr_t context, const VMPtr<Displayable>& target);
    // The displayable the host names by this id: one the Display holds, or
    // null. Ids are object addresses, so nothing else is trusted with one.
    VMPtr<Displayable> displayableWithId(intptr_t id);
    VMPtr<Displayable> currentForEvents();
};

}  // namespace javax::microedition::lcdui
