// javax.microedition.lcdui.Ticker: only its text is used; a displayable
// hands it to the host, which has no place to show it.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace javax::microedition::lcdui {

class Ticker : public virtual java::lang::Object {
    WREN_CLASS(Ticker, java::lang::Object, (text, java::lang::String))
public:
    // A null string throws NullPointerException.
    void ctor(const VMPtr<java::lang::String>& str);
    virtual void setString(const VMPtr<java::lang::String>& str);
    virtual VMPtr<java::lang::String> getString();
};

}  // namespace javax::microedition::lcdui
