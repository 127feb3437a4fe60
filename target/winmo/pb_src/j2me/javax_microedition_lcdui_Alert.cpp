#include "javax_microedition_lcdui_Alert.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Alert, "javax.microedition.lcdui.Alert")
WREN_DEFINE_CLASS(javax::microedition::lcdui::DefaultAlertListener,
                  "javax.microedition.lcdui.DefaultAlertListener")

namespace javax::microedition::lcdui {

void Alert::staticInit() {
    wrenStatics_().DISMISS_COMMAND = Command::make(WREN_LIT(""), Command::OK, 0);
}

void Alert::setNextDisplayable(const VMPtr<Displayable>& d) {
    next = d;
}

}  // namespace javax::microedition::lcdui
