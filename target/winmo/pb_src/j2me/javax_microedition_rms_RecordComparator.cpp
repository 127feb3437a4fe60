#include "javax_microedition_rms_RecordComparator.h"

WREN_DEFINE_INTERFACE(javax::microedition::rms::RecordComparator,
                      "javax.microedition.rms.RecordComparator")
