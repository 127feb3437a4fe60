#pragma once

#include "javax_microedition_rms_RecordStoreException.h"

WREN_EXCEPTION_CLASS(javax::microedition::rms, RecordStoreFullException, ::javax::microedition::rms::RecordStoreException)
