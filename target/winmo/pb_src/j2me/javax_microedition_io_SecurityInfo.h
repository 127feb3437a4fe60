// javax.microedition.io.SecurityInfo: what a secure connection would say of
// its channel. Nothing in this system hands one out (getSecurityInfo answers
// null), so the interface only gives that answer its type.
#pragma once

#include "VMClass.h"

namespace javax::microedition::io {

class SecurityInfo : public virtual java::lang::Object {
    WREN_INTERFACE(SecurityInfo)
};

}  // namespace javax::microedition::io
