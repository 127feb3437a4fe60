#include "javax_microedition_rms_RecordFilter.h"

WREN_DEFINE_INTERFACE(javax::microedition::rms::RecordFilter, "javax.microedition.rms.RecordFilter")
