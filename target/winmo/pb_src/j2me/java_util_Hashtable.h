// java.util.Hashtable: the synchronized hash map, separate chaining in an
// array of buckets.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_util_Enumeration.h"
#include "java_util_HashtableEntry.h"

namespace java::util {

class Hashtable : public virtual java::lang::Object {
    WREN_CLASS(Hashtable, java::lang::Object, (table, VMArray<HashtableEntry*>))
    WREN_PLAIN_OBJECT()
public:
    jint count = 0;
    // The count at which the next new key rehashes first.
    jint threshold = 0;
    // An enumerator may hold the current bucket array: the next rehash
    // leaves that array's chains as they are.
    jboolean enumerated = false;

    // 11 buckets.
    void ctor();
    // A negative capacity throws IllegalArgumentException; 0 means 1.
    void ctor(jint initialCapacity);

    // Every operation but size, isEmpty and rehash holds the table's monitor.
    // Keys and values are never null: a null value, or a null argument to
    // contains or containsKey, throws NullPointerException, and so does a
    // null key anywhere.
    virtual jint size();
    virtual jboolean isEmpty();
    // Enumerations walk the bucket array as it is when they are made, from
    // the last bucket to the first and each chain from its newest entry; a
    // later rehash is not seen by them.
    virtual VMPtr<Enumeration> keys();
    virtual VMPtr<Enumeration> elements();
    virtual jboolean contains(const VMPtr<java::lang::Object>& value);
    virtual jboolean containsKey(const VMPtr<java::lang::Object>& key);
    virtual VMPtr<java::lang::Object> get(const VMPtr<java::lang::Object>& key);
    // The previous value, or null.
    virtual VMPtr<java::lang::Object> put(const VMPtr<java::lang::Object>& key,
                                          const VMPtr<java::lang::Object>& value);
    virtual VMPtr<java::lang::Object> remove(const VMPtr<java::lang::Object>& key);
    virtual void clear();
    // Grows to capacity * 2 + 1 buckets; called from put under the monitor.
    virtual void rehash();
    // "{k1=v1, k2=v2}" in enumeration order; "{}" when empty.
    VMPtr<java::lang::String> toString() override;

    // The bucket of a hash in a table of `length` buckets.
    static jint bucketOf(jint hash, jint length) {
        return jint(uint32_t(hash & 0x7FFFFFFF) % uint32_t(length));
    }

private:
    // The entry whose key equals `key` (same hash, then the stored key's
    // equals), or null. Callers use it before anything can allocate.
    HashtableEntry* find(const VMPtr<java::lang::Object>& key, jint hash);
};

}  // namespace java::util
