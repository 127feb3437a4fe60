// wren.util.IntHashtable$Entry: one key and value in a bucket's list.
#pragma once

#include "VMClass.h"

namespace wren::util {

class IntHashtable_WRC_Entry : public virtual java::lang::Object {
    WREN_CLASS(IntHashtable_WRC_Entry, java::lang::Object, (next, IntHashtable_WRC_Entry),
               (value, java::lang::Object))
public:
    // The key itself is the hash.
    jint key = 0;

    void ctor() { java::lang::Object::ctor(); }

    // A copy of this entry and of the whole rest of its list (keys copied,
    // values shared).
    virtual VMPtr<IntHashtable_WRC_Entry> clone();
};

}  // namespace wren::util
