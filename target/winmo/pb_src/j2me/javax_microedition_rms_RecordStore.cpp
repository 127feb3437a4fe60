#include "javax_microedition_rms_RecordStore.h"

#include <string>
#include <vector>

#include "HAL_recordstore.h"
#include "HAL_status.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NullPointerException.h"
#include "javax_microedition_rms_InvalidRecordIDException.h"
#include "javax_microedition_rms_RecordEnumerationImpl.h"
#include "javax_microedition_rms_RecordStoreException.h"
#include "javax_microedition_rms_RecordStoreFullException.h"
#include "javax_microedition_rms_RecordStoreNotFoundException.h"
#include "javax_microedition_rms_RecordStoreNotOpenException.h"

WREN_DEFINE_CLASS(javax::microedition::rms::RecordStore, "javax.microedition.rms.RecordStore")

namespace javax::microedition::rms {

using java::lang::Object;
using java::lang::String;

namespace {

constexpr jint MAX_NAME_LENGTH = 32;

const jchar* charsOf(const VMPtr<String>& s) {
    return s->value->elements() + s->offset;
}

// Where a record's bytes start for the bridge: null only for a null array.
// An empty array still gives a pointer, so an empty record is not mistaken
// for missing data.
const void* bytesAt(const VMPtr<VMArray<jbyte>>& data, jint offset) {
    static const jbyte none = 0;
    if (data == nullptr) return nullptr;
    jbyte* base = data->elements();
    return base ? static_cast<const void*>(base + offset) : &none;
}

// The checks addRecord and setRecord share, in their order. The end of the
// range is computed wide: offset + numBytes may pass the int range.
void checkData(const VMPtr<VMArray<jbyte>>& data, jint offset, jint numBytes) {
    if (offset < 0 || numBytes < 0 ||
        (data != nullptr && jlong(offset) + jlong(numBytes) > jlong(data->length)))
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
}

// getRecordSize, getRecord, setRecord and deleteRecord: a missing record is
// an invalid id.
[[noreturn]] void throwRecordFailure(int status) {
    if (status == HAL_NOT_FOUND) InvalidRecordIDException::throwNew();
    if (status == HAL_OUT_OF_MEMORY) RecordStoreFullException::throwNew();
    RecordStoreException::throwNew();
}

}  // namespace

void RecordStore::ctor(const VMPtr<String>& storeName) {
    Object::ctor();
    name = storeName;
    listeners = java::util::Vector::make(jint(3));
    handle = nullptr;
}

RecordStore::~RecordStore() {
    if (handle) {
        HAL_closeRecordStore(handle);
        handle = nullptr;
    }
}

VMPtr<RecordStore> RecordStore::openRecordStore(const VMPtr<String>& recordStoreName,
                                                jboolean createIfNecessary) {
    clinit();
    if (recordStoreName == nullptr) java::lang::NullPointerException::throwNew();
    jint length = recordStoreName->length();
    if (length == 0 || length > MAX_NAME_LENGTH) java::lang::IllegalArgumentException::throwNew();
    VMPtr<RecordStore> store = RecordStore::make(recordStoreName);
    HAL_RecordStore* opened = nullptr;
    int status =
        HAL_openRecordStore(&opened, charsOf(recordStoreName), length, createIfNecessary ? 1 : 0);
    if (status == HAL_OK && !opened) status = HAL_IO_ERROR;
    if (status != HAL_OK) {
        if (opened) HAL_closeRecordStore(opened);
        if (status == HAL_NOT_FOUND) RecordStoreNotFoundException::throwNew();
        RecordStoreException::throwNew();
    }
    store->handle = opened;
    return store;
}

namespace {

void deleteThrough(int (*operation)(const jchar*, jint), const VMPtr<String>& recordStoreName) {
    if (recordStoreName == nullptr) java::lang::NullPointerException::throwNew();
    int status = operation(charsOf(recordStoreName), recordStoreName->length());
    if (status == HAL_NOT_FOUND) RecordStoreNotFoundException::throwNew();
    if (status != HAL_OK) RecordStoreException::throwNew();
}

}  // namespace

void RecordStore::deleteRecordStore(const VMPtr<String>& recordStoreName) {
    clinit();
    deleteThrough(HAL_deleteRecordStore, recordStoreName);
}

void RecordStore::clearRecordStoreName(const VMPtr<String>& recordStoreName) {
    clinit();
    deleteThrough(HAL_clearRecordStoreName, recordStoreName);
}

namespace {

// The checks both renames make of their names, in their order.
void checkRenameNames(const VMPtr<String>& from, const VMPtr<String>& to) {
    if (from == nullptr || to == nullptr) java::lang::NullPointerException::throwNew();
    for (const VMPtr<String>* name : {&from, &to}) {
        jint length = (*name)->length();
        if (length == 0 || length > MAX_NAME_LENGTH)
            java::lang::IllegalArgumentException::throwNew();
    }
}

}  // namespace

void RecordStore::renameRecordStore(const VMPtr<String>& from, const VMPtr<String>& to) {
    clinit();
    checkRenameNames(from, to);
    int status = HAL_renameRecordStore(charsOf(from), from->length(), charsOf(to), to->length());
    if (status == HAL_NOT_FOUND) RecordStoreNotFoundException::throwNew();
    if (status != HAL_OK) RecordStoreException::throwNew();
}

jboolean RecordStore::renameRecordStoreIfFree(const VMPtr<String>& from, const VMPtr<String>& to) {
    clinit();
    checkRenameNames(from, to);
    int status =
        HAL_renameRecordStoreIfFree(charsOf(from), from->length(), charsOf(to), to->length());
    if (status == HAL_REFUSED) return false;
    if (status == HAL_NOT_FOUND) RecordStoreNotFoundException::throwNew();
    if (status != HAL_OK) RecordStoreException::throwNew();
    return true;
}

VMPtr<String> RecordStore::getLocation(const VMPtr<String>& recordStoreName) {
    clinit();
    const jchar* name = recordStoreName == nullptr ? nullptr : charsOf(recordStoreName);
    const jint length = recordStoreName == nullptr ? 0 : recordStoreName->length();
    jint size = 0;
    int status = HAL_getRecordStorePath(name, length, nullptr, 0, &size);
    if (status != HAL_BAD_ARGUMENT || size < 0) return nullptr;
    std::vector<char> path(size_t(size) + 1);
    if (HAL_getRecordStorePath(name, length, path.data(), size + 1, &size) != HAL_OK) return nullptr;
    return String::make(path.data(), size);
}

jint RecordStore::getFault() {
    clinit();
    static_assert(FAULT_NONE == HAL_STORE_FAULT_NONE && FAULT_READ_REFUSED == HAL_STORE_FAULT_READ_REFUSED &&
                  FAULT_WRITE_REFUSED == HAL_STORE_FAULT_WRITE_REFUSED &&
                  FAULT_OTHER == HAL_STORE_FAULT_OTHER &&
                  FAULT_UNFINISHED_RENAME == HAL_STORE_FAULT_UNFINISHED_RENAME);
    return HAL_getRecordStoreFault(nullptr, 0, nullptr);
}

VMPtr<String> RecordStore::getFaultLocation() {
    clinit();
    jint size = 0;
    HAL_getRecordStoreFault(nullptr, 0, &size);
    if (size <= 0) return nullptr;
    std::vector<char> path(size_t(size) + 1);
    HAL_getRecordStoreFault(path.data(), size + 1, &size);
    return String::make(path.data(), size);
}

VMPtr<VMArray<String*>> RecordStore::listRecordStores() {
    clinit();
    // One listing of the stores' folder, however many stores there are.
    std::vector<std::u16string> found;
    auto collect = [](void* context, const jchar* name, jint length) {
        static_cast<std::vector<std::u16string>*>(context)->emplace_back(name, size_t(length));
    };
    // A folder that can't be listed shows no stores: MIDP gives this call
    // no exception to throw. Every open of a store in it still fails.
    if (HAL_listRecordStores(collect, &found) != HAL_OK || found.empty()) return nullptr;
    VMPtr<VMArray<String*>> names = VMArray<String*>::create(jint(found.size()));
    for (size_t i = 0; i < found.size(); ++i)
        names[jint(i)] = String::make(found[i].data(), jint(found[i].size()));
    return names;
}

void RecordStore::ensureOpen() {
    if (!handle) RecordStoreNotOpenException::throwNew();
}

jboolean RecordStore::isOpen() {
    return handle != nullptr;
}

void RecordStore::setMode(jint authmode, jboolean writable) {}

void RecordStore::closeRecordStore() {
    ensureOpen();
    HAL_RecordStore* closing = handle;
    handle = nullptr;
    HAL_closeRecordStore(closing);
}

VMPtr<String> RecordStore::getName() {
    ensureOpen();
    return name;
}

jint RecordStore::getVersion() {
    ensureOpen();
    jint version = 0;
    if (HAL_getRecordStoreVersion(handle, &version) != HAL_OK)
        vmFatalError("HAL_getRecordStoreVersion() failed in getVersion!");
    return version;
}

jint RecordStore::getNumRecords() {
    ensureOpen();
    jint count = 0;
    if (HAL_getNumRecords(handle, &count) != HAL_OK)
        vmFatalError("HAL_getNumRecords() failed in getNumRecords!");
    return count;
}

jint RecordStore::getSize() {
    ensureOpen();
    jint size = 0;
    if (HAL_getRecordStoreSize(handle, &size) != HAL_OK)
        vmFatalError("HAL_getRecordStoreSize() failed in getSize!");
    return size;
}

jint RecordStore::getSizeAvailable() {
    ensureOpen();
    jint available = 0;
    if (HAL_getRecordStoreSizeAvailable(handle, &available) != HAL_OK)
        vmFatalError("HAL_getRecordStoreSizeAvailable() failed in getSizeAvailable!");
    return available;
}

jlong RecordStore::getLastModified() {
    ensureOpen();
    jlong lastModified = 0;
    if (HAL_getRecordStoreLastModified(handle, &lastModified) != HAL_OK)
        vmFatalError("HAL_getRecordStoreLastModified() failed in getLastModified!");
    return lastModified;
}

jint RecordStore::getNextRecordID() {
    ensureOpen();
    jint next = 0;
    if (HAL_getNextRecordID(handle, &next) != HAL_OK)
        vmFatalError("HAL_getNextRecordID() failed in getNextRecordID!");
    return next;
}

void RecordStore::addRecordListener(const VMPtr<RecordListener>& listener) {
    VMPtr<java::util::Vector> list = listeners;
    VMSynchronized guard(list);
    if (!list->contains(listener)) list->addElement(listener);
}

void RecordStore::removeRecordListener(const VMPtr<RecordListener>& listener) {
    VMPtr<java::util::Vector> list = listeners;
    VMSynchronized guard(list);
    list->removeElement(listener);
}

void RecordStore::notifyListeners(Change change, jint recordId) {
    VMPtr<java::util::Vector> list = listeners;
    VMSynchronized guard(list);
    jint count = list->size();
    if (count <= 0) return;
    // A listener may add or remove listeners while it is told (an
    // enumeration destroyed from a listener removes itself): the round walks
    // the listeners as they were when it began, and skips one that an
    // earlier call of the round removed.
    VMPtr<VMArray<Object*>> round = VMArray<Object*>::create(count);
    for (jint i = 0; i < count; ++i) round[i] = list->elementAt(i);
    for (jint i = 0; i < count; ++i) {
        VMPtr<RecordListener> listener = vmCast<RecordListener>(round[i]);
        if (listener == nullptr) continue;
        bool registered = false;
        for (jint k = 0, n = list->size(); k < n && !registered; ++k)
            registered = list->elementAt(k) == listener;
        if (!registered) continue;
        switch (change) {
            case Change::Added:
                listener->recordAdded(this, recordId);
                break;
            case Change::Changed:
                listener->recordChanged(this, recordId);
                break;
            case Change::Deleted:
                listener->recordDeleted(this, recordId);
                break;
        }
    }
}

jint RecordStore::addRecord(const VMPtr<VMArray<jbyte>>& data, jint offset, jint numBytes) {
    if (data == nullptr && numBytes != 0) java::lang::NullPointerException::throwNew();
    ensureOpen();
    checkData(data, offset, numBytes);
    jint id = 0;
    int status = HAL_addRecord(handle, &id, bytesAt(data, offset), data == nullptr ? 0 : numBytes);
    if (status == HAL_OUT_OF_MEMORY) RecordStoreFullException::throwNew();
    if (status != HAL_OK) RecordStoreException::throwNew();
    notifyListeners(Change::Added, id);
    return id;
}

void RecordStore::setRecord(jint recordId, const VMPtr<VMArray<jbyte>>& newData, jint offset,
                            jint numBytes) {
    if (newData == nullptr && numBytes != 0) java::lang::NullPointerException::throwNew();
    ensureOpen();
    checkData(newData, offset, numBytes);
    int status = HAL_setRecord(handle, recordId, bytesAt(newData, offset),
                               newData == nullptr ? 0 : numBytes);
    if (status != HAL_OK) throwRecordFailure(status);
    notifyListeners(Change::Changed, recordId);
}

void RecordStore::deleteRecord(jint recordId) {
    ensureOpen();
    int status = HAL_deleteRecord(handle, recordId);
    if (status != HAL_OK) throwRecordFailure(status);
    notifyListeners(Change::Deleted, recordId);
}

jint RecordStore::getRecordSize(jint recordId) {
    ensureOpen();
    jint size = 0;
    int status = HAL_getRecordSize(handle, recordId, &size);
    if (status != HAL_OK) throwRecordFailure(status);
    return size;
}

VMPtr<VMArray<jbyte>> RecordStore::getRecord(jint recordId) {
    ensureOpen();
    jint size = getRecordSize(recordId);
    VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(size);
    jint copied = 0;
    int status = HAL_getRecord(handle, recordId, bytes->elements(), size, &copied);
    if (status != HAL_OK) throwRecordFailure(status);
    // The file may have shrunk since its size was taken (changed from
    // outside the program): the copy is as long as what was read.
    if (copied < size) {
        VMPtr<VMArray<jbyte>> shorter = VMArray<jbyte>::create(copied);
        vmArrayCopyElements(shorter.get(), bytes.get(), 0, 0, copied);
        return shorter;
    }
    return bytes;
}

jint RecordStore::getRecord(jint recordId, const VMPtr<VMArray<jbyte>>& buffer, jint offset) {
    ensureOpen();
    if (buffer == nullptr) java::lang::NullPointerException::throwNew();
    if (offset < 0 || offset > buffer->length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    jint capacity = buffer->length - offset;
    jint length = 0;
    int status = HAL_getRecord(handle, recordId, const_cast<void*>(bytesAt(buffer, offset)),
                               capacity, &length);
    // The bridge copies nothing into a buffer too small for the record.
    if (status == HAL_BAD_ARGUMENT && length > capacity)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    if (status != HAL_OK) throwRecordFailure(status);
    return length;
}

VMPtr<RecordEnumeration> RecordStore::enumerateRecords(const VMPtr<RecordFilter>& filter,
                                                       const VMPtr<RecordComparator>& comparator,
                                                       jboolean keepUpdated) {
    ensureOpen();
    return RecordEnumerationImpl::make(VMPtr<RecordStore>(this), filter, comparator, keepUpdated);
}

VMPtr<VMArray<jint>> RecordStore::getRecordIds() {
    ensureOpen();
    // The records that exist, walked until the store has no n-th one: the
    // list never names a record that is not there.
    std::vector<jint> ids;
    for (jint n = 1;; ++n) {
        jint id = 0;
        int status = HAL_getNthRecordId(handle, n, &id);
        if (status == HAL_NOT_FOUND) break;
        if (status != HAL_OK) RecordStoreException::throwNew();
        ids.push_back(id);
    }
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(jint(ids.size()));
    for (size_t i = 0; i < ids.size(); ++i) out[jint(i)] = ids[i];
    return out;
}

}  // namespace javax::microedition::rms
