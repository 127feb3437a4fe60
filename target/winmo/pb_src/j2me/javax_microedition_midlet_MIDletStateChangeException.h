#pragma once

#include "java_lang_Exception.h"

WREN_EXCEPTION_CLASS(javax::microedition::midlet, MIDletStateChangeException,
                     ::java::lang::Exception)
