// generated.Build: the build's description, registered for the class table.
// The game reads none of it: the values it uses (the version text, the key
// map, the MIDlet's class name) are written where they are used, so it carries
// no members.
#pragma once

#include "VMClass.h"

namespace generated {

class Build : public virtual java::lang::Object {
    WREN_INTERFACE(Build)
};

}  // namespace generated
