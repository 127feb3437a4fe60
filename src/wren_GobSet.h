// wren.GobSet: a holder that ties a graphic-object array to an animation
// set and keeps three small values for its owner. The framework itself
// makes none.
//
// The animation set is held as an Object: its class joins the framework
// with the animation sets, and this holder only keeps the reference.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_Gob.h"

namespace wren {

class GobSet : public virtual java::lang::Object {
    WREN_CLASS(GobSet, java::lang::Object, (animSet, java::lang::Object), (gobs, VMArray<Gob*>))
public:
    jshort valueA = 0;
    jshort valueB = 0;
    jbyte flag = 0;

    void ctor() { java::lang::Object::ctor(); }

    virtual jint getValueA();
    // Narrowed to 16 bits.
    virtual void setValueA(jint v);
    virtual VMPtr<VMArray<Gob*>> getGobs();
    virtual jint getFlag();
    // Narrowed to 8 bits.
    virtual void setFlag(jint v);
    // Narrowed to 16 bits.
    virtual void setValueB(jint v);
    virtual jint getValueB();
    virtual void setGobs(const VMPtr<VMArray<Gob*>>& g);
    virtual void setAnimSet(const VMPtr<java::lang::Object>& set);
    virtual VMPtr<java::lang::Object> getAnimSet();
};

}  // namespace wren
