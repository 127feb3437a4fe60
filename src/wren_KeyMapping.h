// wren.KeyMapping: eight key-map texts the game never reads, kept because
// the application's class list names the class. Every text is empty; the
// class has no instances.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace wren {

class KeyMapping : public virtual java::lang::Object {
    WREN_CLASS(KeyMapping, java::lang::Object)
public:
    WREN_PLAIN_OBJECT()

    struct Statics {
        VMStaticPtr<java::lang::String> text1;
        VMStaticPtr<java::lang::String> text2;
        VMStaticPtr<java::lang::String> text3;
        VMStaticPtr<java::lang::String> text4;
        VMStaticPtr<java::lang::String> text5;
        VMStaticPtr<java::lang::String> text6;
        VMStaticPtr<java::lang::String> text7;
        VMStaticPtr<java::lang::String> text8;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

private:
    void ctor() {}  // no instances
};

}  // namespace wren
