// javax.microedition.rms.RecordComparator: the application's order of the
// records in an enumeration.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace javax::microedition::rms {

class RecordComparator : public virtual java::lang::Object {
    WREN_INTERFACE(RecordComparator)
public:
    static constexpr jint EQUIVALENT = 0;
    static constexpr jint FOLLOWS = 1;
    static constexpr jint PRECEDES = -1;

    // PRECEDES when rec1 sorts before rec2, FOLLOWS when after, EQUIVALENT
    // when they sort alike.
    virtual jint compare(const VMPtr<VMArray<jbyte>>& rec1, const VMPtr<VMArray<jbyte>>& rec2) = 0;
};

}  // namespace javax::microedition::rms
