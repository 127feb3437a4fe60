#include "javax_microedition_lcdui_Ticker.h"

#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Ticker, "javax.microedition.lcdui.Ticker")

namespace javax::microedition::lcdui {

void Ticker::ctor(const VMPtr<java::lang::String>& str) {
    java::lang::Object::ctor();
    setString(str);
}

void Ticker::setString(const VMPtr<java::lang::String>& str) {
    if (!str) java::lang::NullPointerException::throwNew();
    text = str;
}

VMPtr<java::lang::String> Ticker::getString() {
    return text;
}

}  // namespace javax::microedition::lcdui
