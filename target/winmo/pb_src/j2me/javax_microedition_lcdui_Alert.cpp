#include "javax_microedition_lcdui_Alert.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Alert, "javax.microedition.lcdui.Alert",
                  "javax.microedition.lcdui.Screen")
WREN_DEFINE_CLASS(javax::microedition::lcdui::DefaultAlertListener,
                  "javax.microedition.lcdui.DefaultAlertListener", "java.lang.Object")

namespace javax::microedition::lcdui {

void Alert::staticInit() {
    wrenStatics_().DISMISS_COMMAND = Command::make(WREN_LIT(""), Command::OK, 0);
}

void Alert::setNextDisplayable(const VMPtr<Displayable>& d) {
    next = d;
}

}  // namespace javax::microedition::lcdui
