// wren.util.IntHashtable: int keys to object references without boxing the
// keys. Chained buckets; the key is its own hash, and a new entry goes to
// the head of its bucket's list. Only remove takes the table's monitor.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_util_IntHashtable_WRC_Entry.h"

namespace wren::util {

class IntHashtable : public virtual java::lang::Object {
    WREN_CLASS(IntHashtable, java::lang::Object, (table, VMArray<IntHashtable_WRC_Entry*>))
public:
    jint count = 0;
    // (capacity * 3) >> 2: a new key put while count has reached it grows
    // the table first.
    jint threshold = 0;

    // Capacity max(initialCapacity, 1).
    void ctor(jint initialCapacity);

    // Keys then values are listed from the last bucket to the first, each
    // bucket from the head of its list. The arrays need room for size()
    // elements.
    virtual void getKeys(const VMPtr<VMArray<jint>>& out);
    virtual jboolean containsKey(jint key);
    // Empties every bucket; the capacity stays.
    virtual void clear();
    virtual VMPtr<java::lang::Object> remove(jint key);
    // Each value is stored with the array's element check.
    virtual void getValues(const VMPtr<VMArray<java::lang::Object*>>& out);
    // A table of the same capacity with every list copied entry by entry;
    // the values are shared.
    virtual VMPtr<java::lang::Object> clone();
    virtual jboolean isEmpty();
    // Null for a missing key and for a stored null alike.
    virtual VMPtr<java::lang::Object> get(jint key);
    // The previous value, or null for a new key. A null value is stored.
    virtual VMPtr<java::lang::Object> put(jint key, const VMPtr<java::lang::Object>& value);
    virtual jint size();

    // The bucket of a key among `capacity` buckets: the sign bit cleared,
    // then the remainder.
    static jint bucketOf(jint key, jint capacity) {
        return jint(uint32_t(key & 0x7FFFFFFF) % uint32_t(capacity));
    }

private:
    // Doubles the capacity plus one and moves every entry over.
    void rehash();
};

}  // namespace wren::util
