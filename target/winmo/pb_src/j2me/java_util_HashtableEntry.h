// java.util.HashtableEntry: one key-value pair in a Hashtable's bucket chain.
#pragma once

#include "VMClass.h"

namespace java::util {

class HashtableEntry : public virtual java::lang::Object {
    WREN_CLASS(HashtableEntry, java::lang::Object, (key, java::lang::Object),
               (value, java::lang::Object), (next, HashtableEntry))
    WREN_PLAIN_OBJECT()
public:
    // The key's hashCode when the entry was made.
    jint hash = 0;

    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace java::util
