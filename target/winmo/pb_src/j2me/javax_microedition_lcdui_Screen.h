// javax.microedition.lcdui.Screen: the base of the high-level displayables;
// only Alert stands on it here.
#pragma once

#include "javax_microedition_lcdui_Displayable.h"

namespace javax::microedition::lcdui {

class Screen : public Displayable {
    WREN_CLASS(Screen, Displayable)
public:
    void ctor(NativeDisplayable* native) { Displayable::ctor(native); }
};

}  // namespace javax::microedition::lcdui
