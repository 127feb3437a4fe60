// javax.microedition.rms.RecordFilter: the application's test of which
// records an enumeration holds.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace javax::microedition::rms {

class RecordFilter : public virtual java::lang::Object {
    WREN_INTERFACE(RecordFilter)
public:
    // True when the record with these bytes belongs in the enumeration.
    virtual jboolean matches(const VMPtr<VMArray<jbyte>>& candidate) = 0;
};

}  // namespace javax::microedition::rms
