// wren.GobSet: a holder that ties a graphic-object array to an animation
// set and keeps three small values for its owner. The framework itself
// makes none.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"

namespace wren {

class GobSet : public virtual java::lang::Object {
    WREN_CLASS(GobSet, java::lang::Object, (animSet, AnimSet), (gobs, VMArray<Gob*>))
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
    virtual void setAnimSet(const VMPtr<AnimSet>& set);
    virtual VMPtr<AnimSet> getAnimSet();
};

}  // namespace wren
