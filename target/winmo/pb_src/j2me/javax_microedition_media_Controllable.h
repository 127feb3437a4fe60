// javax.microedition.media.Controllable: hands out the controls of an object
// by name.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_media_Control.h"

namespace javax::microedition::media {

class Controllable : public virtual java::lang::Object {
    WREN_INTERFACE(Controllable)
public:
    virtual VMPtr<Control> getControl(const VMPtr<java::lang::String>& controlType) = 0;
    virtual VMPtr<VMArray<Control*>> getControls() = 0;
};

}  // namespace javax::microedition::media
