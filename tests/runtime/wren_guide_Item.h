// The class guide's worked example (target/winmo/pb_src/vm/README.md): an
// abstract base class. The guide quotes these files; they are compiled and
// tested so that the guide can't drift from what compiles.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace wren::guide {

// public abstract class Item { protected String name; ... }
class Item : public virtual java::lang::Object {
    WREN_CLASS(Item, java::lang::Object, (name, java::lang::String))
public:
    void ctor(const VMPtr<java::lang::String>& itemName);
    virtual VMPtr<java::lang::String> describe() = 0;
};

}  // namespace wren::guide
