#include "wren_util_IntHashtable.h"

#include "java_lang_OutOfMemoryError.h"

WREN_DEFINE_CLASS(wren::util::IntHashtable, "wren.util.IntHashtable")

namespace wren::util {

using java::lang::Object;
using Entry = IntHashtable_WRC_Entry;
using Buckets = VMArray<Entry*>;

namespace {

jint thresholdFor(jint capacity) {
    return (capacity * 3) >> 2;
}

}  // namespace

void IntHashtable::ctor(jint initialCapacity) {
    Object::ctor();
    jint capacity = initialCapacity < 1 ? 1 : initialCapacity;
    table = Buckets::create(capacity);
    threshold = thresholdFor(capacity);
    count = 0;
}

jint IntHashtable::size() {
    return count;
}

jboolean IntHashtable::isEmpty() {
    return count == 0;
}

jboolean IntHashtable::containsKey(jint key) {
    Buckets& tab = *table;
    for (Entry* e = tab[bucketOf(key, tab.length)].get(); e; e = e->next.get())
        if (e->key == key) return true;
    return false;
}

VMPtr<Object> IntHashtable::get(jint key) {
    Buckets& tab = *table;
    for (Entry* e = tab[bucketOf(key, tab.length)].get(); e; e = e->next.get())
        if (e->key == key) return e->value;
    return nullptr;
}

VMPtr<Object> IntHashtable::put(jint key, const VMPtr<Object>& value) {
    {
        Buckets& tab = *table;
        for (Entry* e = tab[bucketOf(key, tab.length)].get(); e; e = e->next.get()) {
            if (e->key == key) {
                VMPtr<Object> previous = e->value;
                e->value = value;
                return previous;
            }
        }
    }
    if (count < threshold) {
        VMPtr<Entry> e = Entry::make();
        e->key = key;
        e->value = value;
        VMPtr<Buckets> tab = table;
        jint b = bucketOf(key, tab->length);
        e->next = tab[b];
        tab[b] = e;
        count += 1;
        return nullptr;
    }
    rehash();
    return put(key, value);
}

void IntHashtable::rehash() {
    VMPtr<Buckets> old = table;
    // The capacity runs 1, 3, 7, ...; past the largest array there is no
    // room to grow into.
    int64_t wanted = int64_t(old->length) * 2 + 1;
    if (wanted > 0x7FFFFFFF) java::lang::OutOfMemoryError::throwNew();
    jint capacity = jint(wanted);
    VMPtr<Buckets> fresh = Buckets::create(capacity);
    for (jint i = old->length - 1; i >= 0; --i) {
        VMPtr<Entry> e = old[i];
        while (e != nullptr) {
            VMPtr<Entry> following = e->next;
            jint b = bucketOf(e->key, capacity);
            e->next = fresh[b];
            fresh[b] = e;
            e = following;
        }
    }
    table = fresh;
    threshold = thresholdFor(capacity);
}

VMPtr<Object> IntHashtable::remove(jint key) {
    VMSynchronized guard(this);
    VMPtr<Buckets> tab = table;
    jint b = bucketOf(key, tab->length);
    Entry* prev = nullptr;
    for (Entry* e = tab[b].get(); e; prev = e, e = e->next.get()) {
        if (e->key != key) continue;
        if (prev == nullptr)
            tab[b] = e->next;
        else
            prev->next = e->next;
        count -= 1;
        return e->value;
    }
    return nullptr;
}

void IntHashtable::clear() {
    if (count == 0) return;
    count = 0;
    Buckets& tab = *table;
    for (jint i = tab.length - 1; i >= 0; --i) tab[i] = nullptr;
}

void IntHashtable::getKeys(const VMPtr<VMArray<jint>>& out) {
    Buckets& tab = *table;
    jint n = 0;
    for (jint i = tab.length - 1; i >= 0; --i)
        for (Entry* e = tab[i].get(); e; e = e->next.get()) out[n++] = e->key;
}

void IntHashtable::getValues(const VMPtr<VMArray<Object*>>& out) {
    Buckets& tab = *table;
    jint n = 0;
    for (jint i = tab.length - 1; i >= 0; --i) {
        for (Entry* e = tab[i].get(); e; e = e->next.get()) {
            out->checkIndex(n);
            out->setElement(n++, e->value.get());
        }
    }
}

VMPtr<Object> IntHashtable::clone() {
    VMPtr<Buckets> tab = table;
    VMPtr<IntHashtable> t = IntHashtable::make(tab->length);
    t->threshold = threshold;
    t->count = count;
    VMPtr<Buckets> copy = t->table;
    for (jint i = tab->length - 1; i >= 0; --i) {
        VMPtr<Entry> head = tab[i];
        if (head != nullptr) copy[i] = head->clone();
    }
    return t;
}

}  // namespace wren::util
