// The class guide's worked example: a class with a superclass, an interface,
// reference and primitive fields, statics, a monitor, try/catch/finally and
// an argument that takes any reference array.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "wren_guide_Item.h"

namespace wren::guide {

// public class Shelf extends Item implements Runnable
class Shelf : public Item, public virtual java::lang::Runnable {
    WREN_CLASS(Shelf, Item, (slots, VMArray<java::lang::Object*>), (label, java::lang::String))
public:
    jint count = 0;

    struct Statics {
        VMStaticPtr<java::lang::String> UNLABELLED;
        jint made = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor(const VMPtr<java::lang::String>& shelfName, jint capacity);
    // Any reference array: a String[] is an Object[].
    jint addAll(const VMPtr<VMArray<java::lang::Object*>>& items);
    VMPtr<java::lang::String> describe() override;
    // Labels the shelf with the first item's text, or the failure's.
    void run() override;
};

}  // namespace wren::guide
