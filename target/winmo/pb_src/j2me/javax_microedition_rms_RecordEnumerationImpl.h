// The enumeration RecordStore.enumerateRecords hands out: the ids of one
// store's records, optionally filtered and ordered, walked in both
// directions. Kept updated, it listens to its RecordStore object and edits
// its list in place: a changed or deleted id is taken out, an added or
// changed id goes in at its sorted place with one insertion pass. No record
// bytes are cached: every filter test and comparison reads the records anew.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_rms_RecordComparator.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordFilter.h"
#include "javax_microedition_rms_RecordListener.h"
#include "javax_microedition_rms_RecordStore.h"

namespace javax::microedition::rms {

class RecordEnumerationImpl : public virtual java::lang::Object,
                              public virtual RecordEnumeration,
                              public virtual RecordListener {
    WREN_CLASS(RecordEnumerationImpl, java::lang::Object, (store, RecordStore),
               (comparator, RecordComparator), (filter, RecordFilter), (records, VMArray<jint>))
public:
    jboolean keptUpdated = false;
    // Position of the id last returned; -1 is before the first when walking
    // forward and behind the last when walking backward.
    jint index = -1;

    void ctor(const VMPtr<RecordStore>& recordStore, const VMPtr<RecordFilter>& recordFilter,
              const VMPtr<RecordComparator>& recordComparator, jboolean keepUpdated);

    // Every operation throws IllegalStateException after destroy().
    jint numRecords() override;
    // Walking past either end is InvalidRecordIDException; the record
    // operations pass on what RecordStore.getRecord throws.
    VMPtr<VMArray<jbyte>> nextRecord() override;
    jint nextRecordId() override;
    VMPtr<VMArray<jbyte>> previousRecord() override;
    jint previousRecordId() override;
    // Both are false once the store is closed.
    jboolean hasNextElement() override;
    jboolean hasPreviousElement() override;
    void reset() override;
    // Lists the store's records again; a record that cannot be read while
    // filtering or sorting leaves the list as far as it got.
    void rebuild() override;
    void keepUpdated(jboolean keepUpdated) override;
    jboolean isKeptUpdated() override;
    void destroy() override;

    // The store object's changes; the store argument is not used.
    void recordAdded(const VMPtr<RecordStore>& recordStore, jint recordId) override;
    void recordChanged(const VMPtr<RecordStore>& recordStore, jint recordId) override;
    void recordDeleted(const VMPtr<RecordStore>& recordStore, jint recordId) override;

private:
    void checkDestroyed();
    void reFilterSort(VMPtr<VMArray<jint>> ids);
    void quickSort(const VMPtr<VMArray<jint>>& ids, jint lo, jint hi);
    void filterAdd(jint recordId);
    void removeAt(jint position);
    jint indexOfId(jint recordId);
};

}  // namespace javax::microedition::rms
