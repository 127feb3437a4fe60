#include "javax_microedition_rms_RecordEnumeration.h"

WREN_DEFINE_INTERFACE(javax::microedition::rms::RecordEnumeration,
                      "javax.microedition.rms.RecordEnumeration")
