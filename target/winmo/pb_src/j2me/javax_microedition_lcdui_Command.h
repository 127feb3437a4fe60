// javax.microedition.lcdui.Command: a label, an optional long label, a type
// and a priority, mirrored by a native command that displayables hand to
// the host. Its id is the native command's handle.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

struct NativeCommand;

namespace javax::microedition::lcdui {

class Command : public virtual java::lang::Object {
    WREN_CLASS(Command, java::lang::Object, (label, java::lang::String),
               (longLabel, java::lang::String))
public:
    enum : jint {
        SCREEN = 1,
        BACK = 2,
        CANCEL = 3,
        OK = 4,
        HELP = 5,
        STOP = 6,
        EXIT = 7,
        ITEM = 8
    };

    jint commandType = 0;
    jint priority = 0;
    NativeCommand* nativeCommand = nullptr;

    ~Command() override;

    // A type outside SCREEN..ITEM throws IllegalArgumentException before
    // anything is stored; a null label NullPointerException.
    void ctor(const VMPtr<java::lang::String>& shortLabel, jint type, jint prio);
    void ctor(const VMPtr<java::lang::String>& shortLabel,
              const VMPtr<java::lang::String>& longText, jint type, jint prio);

    virtual VMPtr<java::lang::String> getLabel();
    virtual VMPtr<java::lang::String> getLongLabel();
    virtual jint getCommandType();
    virtual jint getPriority();

    // The number the host and the command event know the command by.
    intptr_t id() const { return reinterpret_cast<intptr_t>(nativeCommand); }

private:
    void setLabels(const VMPtr<java::lang::String>& shortLabel,
                   const VMPtr<java::lang::String>& longText);
};

}  // namespace javax::microedition::lcdui
