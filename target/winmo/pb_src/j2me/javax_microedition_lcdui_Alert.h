// javax.microedition.lcdui.Alert: present as a class with its dismiss
// command and the displayable shown after it; the game never makes one.
#pragma once

#include "javax_microedition_lcdui_Command.h"
#include "javax_microedition_lcdui_Screen.h"

namespace javax::microedition::lcdui {

class Alert : public Screen {
    WREN_CLASS(Alert, Screen, (next, Displayable))
public:
    struct Statics {
        VMStaticPtr<Command> DISMISS_COMMAND;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor(NativeDisplayable* native) { Screen::ctor(native); }

    // The displayable to show once the alert is dismissed.
    virtual void setNextDisplayable(const VMPtr<Displayable>& d);
    VMPtr<Displayable> getNextDisplayable() { return next; }
};

// A class record only.
class DefaultAlertListener : public virtual java::lang::Object {
    WREN_CLASS(DefaultAlertListener, java::lang::Object)
};

}  // namespace javax::microedition::lcdui
