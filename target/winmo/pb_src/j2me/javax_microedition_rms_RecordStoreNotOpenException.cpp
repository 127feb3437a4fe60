#include "javax_microedition_rms_RecordStoreNotOpenException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordStoreNotOpenException,
                  "javax.microedition.rms.RecordStoreNotOpenException")
