#pragma once

#include "java_lang_Exception.h"

WREN_EXCEPTION_CLASS(javax::microedition::rms, RecordStoreException, ::java::lang::Exception)
