#include "javax_microedition_midlet_MIDletStateChangeException.h"

WREN_DEFINE_CLASS(javax::microedition::midlet::MIDletStateChangeException,
                  "javax.microedition.midlet.MIDletStateChangeException")
