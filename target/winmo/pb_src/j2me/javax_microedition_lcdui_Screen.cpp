#include "javax_microedition_lcdui_Screen.h"

WREN_DEFINE_ABSTRACT_CLASS(javax::microedition::lcdui::Screen, "javax.microedition.lcdui.Screen")
