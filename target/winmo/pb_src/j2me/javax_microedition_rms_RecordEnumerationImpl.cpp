#include "javax_microedition_rms_RecordEnumerationImpl.h"

#include "VMTry.h"
#include "java_lang_IllegalStateException.h"
#include "javax_microedition_rms_InvalidRecordIDException.h"
#include "javax_microedition_rms_RecordStoreException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordEnumerationImpl,
                  "javax.microedition.rms.RecordEnumerationImpl",
                  javax::microedition::rms::RecordEnumeration,
                  javax::microedition::rms::RecordListener)

namespace javax::microedition::rms {

using java::lang::Object;

void RecordEnumerationImpl::ctor(const VMPtr<RecordStore>& recordStore,
                                 const VMPtr<RecordFilter>& recordFilter,
                                 const VMPtr<RecordComparator>& recordComparator,
                                 jboolean keepUpdated) {
    Object::ctor();
    store = recordStore;
    filter = recordFilter;
    comparator = recordComparator;
    keptUpdated = keepUpdated;
    // Until the first list is made the enumeration is empty, so that a
    // first rebuild that fails while filtering leaves a usable one.
    records = VMArray<jint>::create(0);
    index = -1;
    if (!keepUpdated) {
        rebuild();
        return;
    }
    recordStore->addRecordListener(this);
    vmTryCatch([&] { rebuild(); },
               [&](const VMPtr<VMException>& e) {
                   // The caller never gets this enumeration: it must not stay
                   // behind in the store's listeners.
                   recordStore->removeRecordListener(this);
                   e->throwSelf();
               });
}

void RecordEnumerationImpl::checkDestroyed() {
    if (store == nullptr) java::lang::IllegalStateException::throwNew();
}

jint RecordEnumerationImpl::numRecords() {
    VMSynchronized guard(this);
    checkDestroyed();
    return records->length;
}

jint RecordEnumerationImpl::nextRecordId() {
    VMSynchronized guard(this);
    checkDestroyed();
    if (index == records->length - 1) InvalidRecordIDException::throwNew();
    index = index == -1 ? 0 : index + 1;
    return records[index];
}

VMPtr<VMArray<jbyte>> RecordEnumerationImpl::nextRecord() {
    VMSynchronized guard(this);
    checkDestroyed();
    jint id = nextRecordId();
    return store->getRecord(id);
}

jint RecordEnumerationImpl::previousRecordId() {
    VMSynchronized guard(this);
    checkDestroyed();
    if (index == 0 || records->length == 0) InvalidRecordIDException::throwNew();
    index = index == -1 ? records->length - 1 : index - 1;
    return records[index];
}

VMPtr<VMArray<jbyte>> RecordEnumerationImpl::previousRecord() {
    VMSynchronized guard(this);
    checkDestroyed();
    jint id = previousRecordId();
    return store->getRecord(id);
}

jboolean RecordEnumerationImpl::hasNextElement() {
    checkDestroyed();
    jint length = records->length;
    return length > 0 && index != length - 1 && store->isOpen();
}

jboolean RecordEnumerationImpl::hasPreviousElement() {
    checkDestroyed();
    return records->length > 0 && index != 0 && store->isOpen();
}

void RecordEnumerationImpl::reset() {
    checkDestroyed();
    index = -1;
}

void RecordEnumerationImpl::rebuild() {
    // Held, so that a change told from another thread waits for the new list.
    VMSynchronized guard(this);
    checkDestroyed();
    reFilterSort(store->getRecordIds());
}

void RecordEnumerationImpl::keepUpdated(jboolean keepUpdated) {
    checkDestroyed();
    if (keepUpdated == keptUpdated) return;
    keptUpdated = keepUpdated;
    if (keepUpdated) {
        store->addRecordListener(this);
        rebuild();
    } else {
        store->removeRecordListener(this);
    }
}

jboolean RecordEnumerationImpl::isKeptUpdated() {
    checkDestroyed();
    return keptUpdated;
}

void RecordEnumerationImpl::destroy() {
    checkDestroyed();
    // Leaving the listeners comes before taking this enumeration's monitor:
    // the store tells its listeners while holding their list's monitor and
    // then takes this one, so the other order could deadlock with a change
    // made on another thread. Once removed, no change reaches it any more.
    if (keptUpdated) {
        VMPtr<RecordStore> s = store;
        s->removeRecordListener(this);
    }
    VMSynchronized guard(this);
    store = nullptr;
    comparator = nullptr;
    filter = nullptr;
    records = nullptr;
}

void RecordEnumerationImpl::recordAdded(const VMPtr<RecordStore>& recordStore, jint recordId) {
    VMSynchronized guard(this);
    checkDestroyed();
    filterAdd(recordId);
}

void RecordEnumerationImpl::recordChanged(const VMPtr<RecordStore>& recordStore, jint recordId) {
    VMSynchronized guard(this);
    checkDestroyed();
    jint p = indexOfId(recordId);
    if (p >= 0) removeAt(p);
    filterAdd(recordId);
}

void RecordEnumerationImpl::recordDeleted(const VMPtr<RecordStore>& recordStore, jint recordId) {
    VMSynchronized guard(this);
    checkDestroyed();
    jint p = indexOfId(recordId);
    if (p >= 0) removeAt(p);
}

void RecordEnumerationImpl::reFilterSort(VMPtr<VMArray<jint>> ids) {
    vmTryCatch(
        [&] {
            if (filter != nullptr) {
                jint kept = 0;
                for (jint i = 0; i < ids->length; ++i) {
                    jint id = ids[i];
                    if (filter->matches(store->getRecord(id))) ids[kept++] = id;
                }
                VMPtr<VMArray<jint>> matching = VMArray<jint>::create(kept);
                vmArrayCopyElements(matching.get(), ids.get(), 0, 0, kept);
                ids = matching;
            }
            records = ids;
            if (comparator != nullptr) quickSort(ids, 0, ids->length - 1);
            index = -1;
        },
        // A record that cannot be read leaves the list as far as it got.
        [](const VMPtr<RecordStoreException>&) {});
}

void RecordEnumerationImpl::quickSort(const VMPtr<VMArray<jint>>& ids, jint lo, jint hi) {
    if (lo >= hi) return;
    // Each pass moves i up and j down at least once, whatever the comparator
    // answers, so both halves are smaller than the range and every index
    // stays inside it.
    VMPtr<VMArray<jbyte>> pivot = store->getRecord(ids[lo + (hi - lo) / 2]);
    jint i = lo;
    jint j = hi;
    while (i <= j) {
        while (i < hi &&
               comparator->compare(store->getRecord(ids[i]), pivot) == RecordComparator::PRECEDES)
            ++i;
        while (j > lo &&
               comparator->compare(store->getRecord(ids[j]), pivot) == RecordComparator::FOLLOWS)
            --j;
        if (i <= j) {
            jint swap = ids[i];
            ids[i] = ids[j];
            ids[j] = swap;
            ++i;
            --j;
        }
    }
    if (lo < j) quickSort(ids, lo, j);
    if (i < hi) quickSort(ids, i, hi);
}

void RecordEnumerationImpl::filterAdd(jint recordId) {
    jboolean wanted =
        vmTryCatch([&] { return filter == nullptr || filter->matches(store->getRecord(recordId)); },
                   [](const VMPtr<RecordStoreException>&) { return false; });
    if (!wanted) return;
    VMPtr<VMArray<jint>> old = records;
    jint n = old->length;
    VMPtr<VMArray<jint>> grown = VMArray<jint>::create(n + 1);
    grown[0] = recordId;
    vmArrayCopyElements(grown.get(), old.get(), 0, 1, n);
    records = grown;
    // The new id's position: without a comparator it stays in front.
    jint p = -1;
    if (comparator != nullptr) {
        jint i = 0;
        vmTryCatch(
            [&] {
                while (i < n && comparator->compare(store->getRecord(grown[i]),
                                                    store->getRecord(grown[i + 1])) ==
                                    RecordComparator::FOLLOWS) {
                    jint swap = grown[i];
                    grown[i] = grown[i + 1];
                    grown[i + 1] = swap;
                    ++i;
                }
            },
            // The pass stops where the record could not be read; the index
            // still follows the id it pointed at.
            [](const VMPtr<RecordStoreException>&) {});
        p = i;
    }
    if (index != -1 && p <= index) ++index;
}

void RecordEnumerationImpl::removeAt(jint position) {
    VMPtr<VMArray<jint>> old = records;
    jint n = old->length;
    VMPtr<VMArray<jint>> shrunk = VMArray<jint>::create(n - 1);
    vmArrayCopyElements(shrunk.get(), old.get(), 0, 0, position);
    vmArrayCopyElements(shrunk.get(), old.get(), position + 1, position, n - 1 - position);
    records = shrunk;
    if ((index != -1 && position <= index) || index == shrunk->length) --index;
}

jint RecordEnumerationImpl::indexOfId(jint recordId) {
    VMPtr<VMArray<jint>> list = records;
    for (jint i = list->length - 1; i >= 0; --i)
        if (list[i] == recordId) return i;
    return -1;
}

}  // namespace javax::microedition::rms
