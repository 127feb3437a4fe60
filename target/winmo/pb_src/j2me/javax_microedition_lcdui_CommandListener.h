#pragma once

#include "VMClass.h"

namespace javax::microedition::lcdui {

class Command;
class Displayable;

class CommandListener : public virtual java::lang::Object {
    WREN_INTERFACE(CommandListener)
public:
    virtual void commandAction(const VMPtr<Command>& c, const VMPtr<Displayable>& d) = 0;
};

}  // namespace javax::microedition::lcdui
