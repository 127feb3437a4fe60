#include "java_util_HashtableEnumerator.h"

#include "java_util_NoSuchElementException.h"

WREN_DEFINE_CLASS(java::util::HashtableEnumerator, "java.util.HashtableEnumerator",
                  java::util::Enumeration)

namespace java::util {

void HashtableEnumerator::ctor(const VMPtr<VMArray<HashtableEntry*>>& buckets, jboolean k) {
    java::lang::Object::ctor();
    keys = k;
    table = buckets;
    index = buckets->length;
    entry = nullptr;
}

bool HashtableEnumerator::advance() {
    while (entry.isNull()) {
        // The cursor stops at 0: asking again after the end stays false.
        if (index <= 0) return false;
        entry = table[--index];
    }
    return true;
}

jboolean HashtableEnumerator::hasMoreElements() { return advance(); }

VMPtr<java::lang::Object> HashtableEnumerator::nextElement() {
    if (!advance()) NoSuchElementException::throwNew(WREN_LIT("HashtableEnumerator"));
    VMPtr<HashtableEntry> e = entry;
    entry = e->next;
    return keys ? VMPtr<java::lang::Object>(e->key) : VMPtr<java::lang::Object>(e->value);
}

}  // namespace java::util
