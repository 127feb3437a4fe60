// javax.microedition.media.Control: the marker every media control carries.
#pragma once

#include "VMClass.h"

namespace javax::microedition::media {

class Control : public virtual java::lang::Object {
    WREN_INTERFACE(Control)
};

}  // namespace javax::microedition::media
