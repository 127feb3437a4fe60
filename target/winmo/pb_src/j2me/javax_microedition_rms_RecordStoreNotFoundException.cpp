#include "javax_microedition_rms_RecordStoreNotFoundException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordStoreNotFoundException,
                  "javax.microedition.rms.RecordStoreNotFoundException")
