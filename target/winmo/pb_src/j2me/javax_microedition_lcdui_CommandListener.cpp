#include "javax_microedition_lcdui_CommandListener.h"

WREN_DEFINE_INTERFACE(javax::microedition::lcdui::CommandListener,
                      "javax.microedition.lcdui.CommandListener")
