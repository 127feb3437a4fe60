// java.util.HashtableEnumerator: the key or value enumeration of a Hashtable.
#pragma once

#include "java_util_Hashtable.h"

namespace java::util {

class HashtableEnumerator : public virtual java::lang::Object, public virtual Enumeration {
    WREN_CLASS(HashtableEnumerator, java::lang::Object, (table, VMArray<HashtableEntry*>),
               (entry, HashtableEntry))
public:
    // True: hands out keys; false: values.
    jboolean keys = false;
    // The bucket cursor, counting down to 0.
    jint index = 0;

    // `buckets` is the table's array at creation; the enumerator keeps it.
    void ctor(const VMPtr<VMArray<HashtableEntry*>>& buckets, jboolean keys);
    jboolean hasMoreElements() override;
    // Past the end: NoSuchElementException "HashtableEnumerator".
    VMPtr<java::lang::Object> nextElement() override;

private:
    // Moves to the next non-empty bucket unless an entry is pending; false
    // when none is left.
    bool advance();
};

}  // namespace java::util
