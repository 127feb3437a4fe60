#include "java_util_Hashtable.h"

#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_StringBuffer.h"
#include "java_util_HashtableEnumerator.h"

WREN_DEFINE_CLASS(java::util::Hashtable, "java.util.Hashtable")

namespace java::util {

using java::lang::Object;
using java::lang::String;
using Buckets = VMArray<HashtableEntry*>;

namespace {

// Three quarters of the capacity, without overflow for any capacity.
jint thresholdFor(jint capacity) { return jint(int64_t(capacity) * 75 / 100); }

}  // namespace

void Hashtable::ctor() { ctor(11); }

void Hashtable::ctor(jint initialCapacity) {
    Object::ctor();
    if (initialCapacity < 0) java::lang::IllegalArgumentException::throwNew();
    if (initialCapacity == 0) initialCapacity = 1;
    table = Buckets::create(initialCapacity);
    count = 0;
    threshold = thresholdFor(initialCapacity);
}

jint Hashtable::size() { return count; }

jboolean Hashtable::isEmpty() { return count == 0; }

VMPtr<Enumeration> Hashtable::keys() {
    VMSynchronized guard(this);
    enumerated = true;
    return HashtableEnumerator::make(VMPtr<Buckets>(table), true);
}

VMPtr<Enumeration> Hashtable::elements() {
    VMSynchronized guard(this);
    enumerated = true;
    return HashtableEnumerator::make(VMPtr<Buckets>(table), false);
}

// Keys' and values' equals may run any code, this table's own mutators
// included: the walks hold the entry they stand on in a local reference, so
// an entry unlinked meanwhile stays readable.

jboolean Hashtable::contains(const VMPtr<Object>& value) {
    VMSynchronized guard(this);
    if (!value) java::lang::NullPointerException::throwNew();
    VMPtr<Buckets> tab = table;
    VMPtr<HashtableEntry> e;
    for (jint i = tab->length - 1; i >= 0; --i) {
        for (e = tab[i]; e; e = e->next)
            if (e->value->equals(value)) return true;
    }
    return false;
}

HashtableEntry* Hashtable::find(const VMPtr<Object>& key, jint hash) {
    Buckets& tab = *table;
    // Nothing but the keys' equals can allocate here: the walk holds the
    // entry it stands on in a local only around that call (the entry holds
    // its key), and the chain is read again after it.
    for (HashtableEntry* e = tab.elements()[bucketOf(hash, tab.length)].get(); e; e = e->next.get()) {
        if (e->hash != hash) continue;
        VMPtr<HashtableEntry> held = e;
        if (vmObj(e->key.get())->equals(key)) return e;
    }
    return nullptr;
}

jboolean Hashtable::containsKey(const VMPtr<Object>& key) {
    VMSynchronized guard(this);
    return find(key, key->hashCode()) != nullptr;
}

VMPtr<Object> Hashtable::get(const VMPtr<Object>& key) {
    VMSynchronized guard(this);
    HashtableEntry* e = find(key, key->hashCode());
    return e ? e->value.get() : nullptr;
}

VMPtr<Object> Hashtable::put(const VMPtr<Object>& key, const VMPtr<Object>& value) {
    VMSynchronized guard(this);
    if (!value) java::lang::NullPointerException::throwNew();
    jint hash = key->hashCode();
    if (HashtableEntry* e = find(key, hash)) {
        VMPtr<Object> old = e->value;
        e->value = value;
        return old;
    }
    if (count >= threshold) {
        rehash();
        return put(key, value);
    }
    VMPtr<HashtableEntry> e = HashtableEntry::make();
    e->hash = hash;
    e->key = key;
    e->value = value;
    VMPtr<Buckets> tab = table;
    jint index = bucketOf(hash, tab->length);
    e->next = tab[index];
    tab[index] = e;
    ++count;
    return nullptr;
}

VMPtr<Object> Hashtable::remove(const VMPtr<Object>& key) {
    VMSynchronized guard(this);
    jint hash = key->hashCode();
    VMPtr<Buckets> tab = table;
    jint index = bucketOf(hash, tab->length);
    VMPtr<HashtableEntry> prev;
    for (VMPtr<HashtableEntry> e = tab[index]; e; prev = e, e = e->next) {
        if (e->hash == hash && e->key->equals(key)) {
            if (prev) prev->next = e->next;
            else tab[index] = e->next;
            --count;
            return e->value;
        }
    }
    return nullptr;
}

void Hashtable::clear() {
    VMSynchronized guard(this);
    VMPtr<Buckets> tab = table;
    for (jint i = tab->length - 1; i >= 0; --i) tab[i] = nullptr;
    count = 0;
}

void Hashtable::rehash() {
    VMPtr<Buckets> oldMap = table;
    jint oldCapacity = oldMap->length;
    jint newCapacity = oldCapacity * 2 + 1;
    // Allocated before any field changes, so a failure leaves the table whole.
    VMPtr<Buckets> newMap = Buckets::create(newCapacity);
    auto* from = oldMap->elements();
    if (enumerated) {
        // An enumerator may still be walking the old array: its chains must
        // stay as they are, so the new table gets entries of its own.
        VMPtr<HashtableEntry> old;
        for (jint i = oldCapacity - 1; i >= 0; --i) {
            for (old = from[i]; old; old = old->next) {
                VMPtr<HashtableEntry> e = HashtableEntry::make();
                e->hash = old->hash;
                e->key = old->key;
                e->value = old->value;
                jint index = bucketOf(e->hash, newCapacity);
                e->next = newMap[index];
                newMap[index] = e;
            }
        }
        enumerated = false;
    } else {
        // Nothing allocates here: plain pointers are safe.
        auto* to = newMap->elements();
        for (jint i = oldCapacity - 1; i >= 0; --i) {
            HashtableEntry* old = from[i].get();
            while (old) {
                HashtableEntry* e = old;
                old = old->next.get();
                jint index = bucketOf(e->hash, newCapacity);
                e->next = to[index];
                to[index] = e;
            }
        }
    }
    threshold = thresholdFor(newCapacity);
    table = newMap;
}

VMPtr<String> Hashtable::toString() {
    VMSynchronized guard(this);
    jint max = size() - 1;
    VMPtr<java::lang::StringBuffer> buf = java::lang::StringBuffer::make();
    VMPtr<Enumeration> k = keys();
    VMPtr<Enumeration> v = elements();
    buf->append(u'{');
    for (jint i = 0; i <= max; ++i) {
        VMPtr<String> key = k->nextElement()->toString();
        VMPtr<String> value = v->nextElement()->toString();
        buf->append(key);
        buf->append(u'=');
        buf->append(value);
        if (i < max) buf->append(WREN_LIT(", "));
    }
    buf->append(u'}');
    return buf->toString();
}

}  // namespace java::util
