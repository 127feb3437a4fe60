// javax.microedition.rms.RecordStore: named stores of numbered byte records
// that persist between runs. The object keeps no record data: every
// operation is one call of the bridge's record-store operations on the
// native store it opened, whose status decides the exception thrown.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_util_Vector.h"
#include "javax_microedition_rms_RecordComparator.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordFilter.h"
#include "javax_microedition_rms_RecordListener.h"

struct HAL_RecordStore;  // the bridge's native record

namespace javax::microedition::rms {

class RecordStore : public virtual java::lang::Object {
    WREN_CLASS(RecordStore, java::lang::Object, (name, java::lang::String),
               (listeners, java::util::Vector))
public:
    // The native store; null once closed.
    HAL_RecordStore* handle = nullptr;

    // Made only by openRecordStore: the name, and an empty listener list.
    // The native store is opened into `handle` afterwards, so that nothing
    // that can throw comes between opening it and its owner holding it.
    void ctor(const VMPtr<java::lang::String>& storeName);
    // A store dropped while still open closes its native store here.
    ~RecordStore() override;

    // Each call opens the native store anew and returns a new object; two
    // objects on one name share the native store (one next id, one count)
    // but not their listeners. NullPointerException for a null name,
    // IllegalArgumentException for one of 0 or more than 32 characters,
    // RecordStoreNotFoundException when the store is missing and not to be
    // created, RecordStoreException when it cannot be opened.
    static VMPtr<RecordStore> openRecordStore(const VMPtr<java::lang::String>& recordStoreName,
                                              jboolean createIfNecessary);
    // RecordStoreNotFoundException when there is no such store;
    // RecordStoreException when it can't be deleted, or when what holds its
    // name is no store (a file, a link that leads to no folder), which is
    // kept.
    static void deleteRecordStore(const VMPtr<java::lang::String>& recordStoreName);
    // Not in MIDP: deleteRecordStore for a name the caller owns outright (a
    // save's staging store): anything else that holds the name goes too, a
    // link itself and never what it leads to, and then
    // RecordStoreNotFoundException tells that no store was there.
    static void clearRecordStoreName(const VMPtr<java::lang::String>& recordStoreName);
    // Not in MIDP: renames the store `from` to `to`, replacing any store of
    // that name in one step that a killed process cannot leave half done.
    // NullPointerException for a null name, IllegalArgumentException for
    // one of 0 or more than 32 characters, RecordStoreNotFoundException
    // when `from` does not exist, RecordStoreException when it cannot be
    // renamed (nothing changes then).
    static void renameRecordStore(const VMPtr<java::lang::String>& from,
                                  const VMPtr<java::lang::String>& to);
    // Not in MIDP: renames the store `from` to `to` only while nothing holds
    // that name (a store, any other entry where its files would go, a
    // rename to it not finished yet): false, and nothing changes, when
    // something does, `from` itself too. Never replaces anything. The
    // exceptions of renameRecordStore.
    static jboolean renameRecordStoreIfFree(const VMPtr<java::lang::String>& from,
                                            const VMPtr<java::lang::String>& to);
    // Not in MIDP: where the store of this name lives on the device (whether
    // or not it exists), or with a null name the folder of all stores; for
    // messages that tell a player where something is. Null when unknown.
    static VMPtr<java::lang::String> getLocation(const VMPtr<java::lang::String>& recordStoreName);
    // Every store's name, or null when there is none.
    static VMPtr<VMArray<java::lang::String*>> listRecordStores();
    // Not in MIDP: why this thread's last call of the operations above, or
    // of a store's record reads, failed for want of the device's files, for
    // messages that tell a player what to do about it. FAULT_NONE when its
    // last such call did not fail so (closing a store leaves it as it is).
    // Permission refused reading, listing or searching the location;
    // permission refused changing the folder at the location; anything
    // else (no folder or file where one must be, a record too large, an
    // input/output failure). FAULT_UNFINISHED_RENAME is added when the
    // location holds the store's newest state from a rename that can't be
    // finished yet: no call removes it, and the store can't be opened,
    // deleted or renamed over until it is in place.
    static constexpr jint FAULT_NONE = 0;
    static constexpr jint FAULT_READ_REFUSED = 1;
    static constexpr jint FAULT_WRITE_REFUSED = 2;
    static constexpr jint FAULT_OTHER = 3;
    static constexpr jint FAULT_UNFINISHED_RENAME = 4;
    static jint getFault();
    // Not in MIDP: the file or folder on the device that getFault() is
    // about, or null when there is none.
    static VMPtr<java::lang::String> getFaultLocation();

    // Every operation but setMode and the listener registration throws
    // RecordStoreNotOpenException once the store is closed.
    virtual void setMode(jint authmode, jboolean writable);
    // The listeners stay registered.
    virtual void closeRecordStore();
    virtual VMPtr<java::lang::String> getName();
    virtual jint getVersion();
    virtual jint getNumRecords();
    virtual jint getSize();
    virtual jint getSizeAvailable();
    virtual jlong getLastModified();
    // A listener is registered once however often it is added.
    virtual void addRecordListener(const VMPtr<RecordListener>& listener);
    virtual void removeRecordListener(const VMPtr<RecordListener>& listener);
    virtual jint getNextRecordID();
    // The new record's id. Null data with a count is NullPointerException;
    // null data without one is refused as RecordStoreException; a range
    // outside the array is ArrayIndexOutOfBoundsException, checked before
    // anything is written. RecordStoreFullException when there is no room
    // (a full disk, or every id handed out); nothing is added then.
    virtual jint addRecord(const VMPtr<VMArray<jbyte>>& data, jint offset, jint numBytes);
    // InvalidRecordIDException for a missing record.
    virtual void deleteRecord(jint recordId);
    virtual jint getRecordSize(jint recordId);
    // A copy of the record; an empty record gives an empty array.
    virtual VMPtr<VMArray<jbyte>> getRecord(jint recordId);
    // Copies the record into `buffer` from `offset` and returns its length.
    // An offset outside the buffer, or a record longer than the room behind
    // it, is ArrayIndexOutOfBoundsException with nothing copied.
    virtual jint getRecord(jint recordId, const VMPtr<VMArray<jbyte>>& buffer, jint offset);
    // Replaces an existing record, checked as addRecord; null data without a
    // count writes an empty record. InvalidRecordIDException (and nothing
    // written) for a missing record; RecordStoreFullException when there is
    // no room, which leaves the old record and the size as they were.
    virtual void setRecord(jint recordId, const VMPtr<VMArray<jbyte>>& newData, jint offset,
                           jint numBytes);
    virtual VMPtr<RecordEnumeration> enumerateRecords(const VMPtr<RecordFilter>& filter,
                                                      const VMPtr<RecordComparator>& comparator,
                                                      jboolean keepUpdated);

    // For the enumerations: whether the store is still open, and the ids of
    // the records that exist in ascending order (RecordStoreException when
    // they cannot be listed).
    virtual jboolean isOpen();
    virtual VMPtr<VMArray<jint>> getRecordIds();

private:
    void ensureOpen();
    // Tells every registered listener of one change.
    enum class Change { Added, Changed, Deleted };
    void notifyListeners(Change change, jint recordId);
};

}  // namespace javax::microedition::rms
