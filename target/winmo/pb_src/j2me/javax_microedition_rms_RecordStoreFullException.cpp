#include "javax_microedition_rms_RecordStoreFullException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordStoreFullException,
                  "javax.microedition.rms.RecordStoreFullException")
