#include "javax_microedition_rms_RecordStoreException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordStoreException,
                  "javax.microedition.rms.RecordStoreException")
