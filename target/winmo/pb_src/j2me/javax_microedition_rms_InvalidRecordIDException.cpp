#include "javax_microedition_rms_InvalidRecordIDException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::InvalidRecordIDException,
                  "javax.microedition.rms.InvalidRecordIDException")
