// javax.microedition.media.MediaException: a player could not do what was
// asked of it.
#pragma once

#include "java_lang_Exception.h"

WREN_EXCEPTION_CLASS(javax::microedition::media, MediaException, ::java::lang::Exception)
