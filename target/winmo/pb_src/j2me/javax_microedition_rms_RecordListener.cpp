#include "javax_microedition_rms_RecordListener.h"

WREN_DEFINE_INTERFACE(javax::microedition::rms::RecordListener,
                      "javax.microedition.rms.RecordListener")
