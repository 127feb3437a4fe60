// A record store opened from a store folder of arbitrary contents: any
// "metadata.info", record files (and folders) under any of a set of names,
// stray files. The store is then read, enumerated, changed and deleted
// through RecordStore. Whatever the folder holds, the store opens with the
// records its files hold: counts, sizes and the next id must agree with
// them, a record just added must read back, and the store must delete. The
// record-store exceptions are the expected reports of a change that cannot
// be made (a full id space); any other exception, any memory fault and any
// answer that contradicts another is a finding.
//
// Input: the first byte picks the operations; then entries of one header
// byte (low 5 bits: the name, bit 5: make a folder of that name), a 16-bit
// little-endian length and that many bytes of content.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HAL_paths.h"
#include "HAL_recordstore.h"
#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_rms_RecordComparator.h"
#include "javax_microedition_rms_RecordEnumeration.h"
#include "javax_microedition_rms_RecordFilter.h"
#include "javax_microedition_rms_RecordStore.h"
#include "javax_microedition_rms_RecordStoreException.h"
#include "javax_microedition_rms_RecordStoreFullException.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;
using java::lang::String;
using javax::microedition::rms::RecordComparator;
using javax::microedition::rms::RecordEnumeration;
using javax::microedition::rms::RecordFilter;
using javax::microedition::rms::RecordStore;
using javax::microedition::rms::RecordStoreException;
using javax::microedition::rms::RecordStoreFullException;

namespace fuzzrms {

// Keeps records of even length.
class EvenLengthFilter : public virtual java::lang::Object, public virtual RecordFilter {
    WREN_CLASS(EvenLengthFilter, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
    jboolean matches(const VMPtr<VMArray<jbyte>>& candidate) override {
        return candidate->length % 2 == 0;
    }
};

// Orders by length, then by the first byte.
class LengthComparator : public virtual java::lang::Object, public virtual RecordComparator {
    WREN_CLASS(LengthComparator, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
    jint compare(const VMPtr<VMArray<jbyte>>& a, const VMPtr<VMArray<jbyte>>& b) override {
        jint x = a->length, y = b->length;
        if (x == y && x > 0) {
            x = a[0];
            y = b[0];
        }
        return x < y ? PRECEDES : x > y ? FOLLOWS : EQUIVALENT;
    }
};

}  // namespace fuzzrms

WREN_DEFINE_CLASS(fuzzrms::EvenLengthFilter, "fuzzrms.EvenLengthFilter",
                  javax::microedition::rms::RecordFilter)
WREN_DEFINE_CLASS(fuzzrms::LengthComparator, "fuzzrms.LengthComparator",
                  javax::microedition::rms::RecordComparator)

namespace {

enum : uint8_t {
    OP_CREATE = 1,
    OP_FILTER = 2,
    OP_COMPARATOR = 4,
    OP_KEEP_UPDATED = 8,
    OP_CHANGE = 16,
    OP_DELETE_STORE = 32,
    OP_LIST = 64,
};

const char* const kNames[32] = {
    "metadata.info",
    "record-1.bin",
    "record-2.bin",
    "record-3.bin",
    "record-4.bin",
    "record-5.bin",
    "record-6.bin",
    "record-7.bin",
    "record-8.bin",
    "record-9.bin",
    "record-10.bin",
    "record-11.bin",
    "record-12.bin",
    "record-100.bin",
    "record-255.bin",
    "record-0.bin",
    "record-01.bin",
    "record-.bin",
    "record-2147483647.bin",
    "record-2147483648.bin",
    "record--1.bin",
    "write.tmp",
    "record-3.txt",
    "record-99999999999.bin",
    "stray",
    "record-1.bin.bin",
    "record-+4.bin",
    "record- 5.bin",
    "metadata.info.tmp",
    "record-4294967297.bin",
    "Record-6.bin",
    "record-7.BIN",
};

std::string programFolder;
std::string storeFolder;

void removeProgramFolder() {
    std::error_code ec;
    fs::remove_all(programFolder, ec);
}

void check(bool ok, const char* what) {
    if (!ok) finding(what);
}

// Lays the input's entries out as the store folder's contents.
void writeFolder(const uint8_t* data, size_t size) {
    std::error_code ec;
    fs::remove_all(storeFolder, ec);
    fs::create_directories(storeFolder, ec);
    size_t at = 0;
    for (int entries = 0; at + 3 <= size && entries < 40; ++entries) {
        uint8_t header = data[at];
        size_t length = size_t(data[at + 1]) | size_t(data[at + 2]) << 8;
        at += 3;
        if (length > size - at) length = size - at;
        fs::path path = fs::path(storeFolder) / kNames[header & 31];
        fs::remove_all(path, ec);
        if (header & 32) {
            fs::create_directory(path, ec);
        } else {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(data + at), std::streamsize(length));
        }
        at += length;
    }
}

// Reads every record the enumeration lists, both ways, and checks that the
// answers agree.
void walk(const VMPtr<RecordStore>& store, const VMPtr<RecordEnumeration>& e) {
    jint n = e->numRecords();
    check(n >= 0, "negative numRecords");
    e->reset();
    jint seen = 0;
    while (e->hasNextElement()) {
        check(seen < n, "walked past numRecords");
        jint id = e->nextRecordId();
        ++seen;
        try {
            jint size = store->getRecordSize(id);
            VMPtr<VMArray<jbyte>> bytes = store->getRecord(id);
            check(bytes != nullptr && bytes->length == size,
                  "getRecord disagrees with getRecordSize");
            VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(size + 2);
            check(store->getRecord(id, buffer, 2) == size, "getRecord into a buffer: wrong length");
            for (jint i = 0; i < size; ++i)
                check(buffer[i + 2] == bytes[i], "the two getRecord forms differ");
        } catch (RecordStoreException* caught) {
            VMPtr<RecordStoreException> expected = caught;  // an id gone stale
        }
    }
    check(seen == n, "the walk missed ids");
    while (e->hasPreviousElement()) {
        check(seen > 0, "walked back past the start");
        e->previousRecordId();
        --seen;
    }
}

void exercise(uint8_t ops, const uint8_t* extra, size_t extraSize) {
    VMPtr<RecordStore> store;
    try {
        store = RecordStore::openRecordStore(String::make("fuzz"), (ops & OP_CREATE) != 0);
        store->getVersion();
        store->getLastModified();
        VMPtr<VMArray<jint>> ids = store->getRecordIds();
        check(ids->length == store->getNumRecords(), "the count is not the records'");
        jint total = 0;
        for (jint i = 0; i < ids->length; ++i) {
            check(ids[i] > 0 && (i == 0 || ids[i] > ids[i - 1]), "ids out of order");
            check(store->getNextRecordID() > ids[i] || store->getNextRecordID() == INT32_MAX,
                  "the next id is not above the records");
            total += store->getRecordSize(ids[i]);
        }
        check(total == store->getSize(), "the size is not the records'");
        VMPtr<RecordFilter> filter;
        VMPtr<RecordComparator> comparator;
        if (ops & OP_FILTER) filter = fuzzrms::EvenLengthFilter::make();
        if (ops & OP_COMPARATOR) comparator = fuzzrms::LengthComparator::make();
        VMPtr<RecordEnumeration> e =
            store->enumerateRecords(filter, comparator, (ops & OP_KEEP_UPDATED) != 0);
        walk(store, e);
        if (ops & OP_CHANGE) {
            VMPtr<VMArray<jbyte>> data = VMArray<jbyte>::create(jint(extraSize));
            for (size_t i = 0; i < extraSize; ++i) data[jint(i)] = jbyte(extra[i]);
            jint first = -1;
            e->reset();
            if (e->hasNextElement()) first = e->nextRecordId();
            try {
                jint before = store->getNumRecords();
                jint id = store->addRecord(data, 0, data->length);
                check(store->getNumRecords() == before + 1, "an add did not count");
                VMPtr<VMArray<jbyte>> back = store->getRecord(id);
                check(back->length == data->length, "an added record reads back changed");
            } catch (RecordStoreFullException* caught) {
                VMPtr<RecordStoreFullException> expected = caught;  // every id handed out
            }
            if (first >= 0) {
                try {
                    store->setRecord(first, data, 0, data->length / 2);
                    check(store->getRecordSize(first) == data->length / 2,
                          "a replaced record has the wrong size");
                    store->deleteRecord(first);
                } catch (RecordStoreException* caught) {
                    VMPtr<RecordStoreException> expected = caught;
                }
            }
            if (e->isKeptUpdated()) walk(store, e);
            e->rebuild();
            walk(store, e);
        }
        e->destroy();
        if (ops & OP_LIST) {
            VMPtr<VMArray<String*>> names = RecordStore::listRecordStores();
            check(names != nullptr && names->length >= 1, "the open store is not listed");
        }
    } catch (RecordStoreException* caught) {
        VMPtr<RecordStoreException> expected = caught;
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> unexpected = caught;
        finding(std::string("unexpected ") + unexpected->getClass()->name);
    }
    if (store != nullptr && store->isOpen()) store->closeRecordStore();
    if (ops & OP_DELETE_STORE) {
        try {
            RecordStore::deleteRecordStore(String::make("fuzz"));
        } catch (java::lang::Throwable* caught) {
            VMPtr<java::lang::Throwable> unexpected = caught;
            finding(std::string("the store did not delete: ") + unexpected->getClass()->name);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every store write is flushed to disk: in memory, where there is such
    // a file system, the runs are many times faster.
    char inMemory[] = "/dev/shm/wren_fuzz_rms_XXXXXX";
    char onDisk[] = "/tmp/wren_fuzz_rms_XXXXXX";
    const char* folder = mkdtemp(inMemory);
    if (!folder) folder = mkdtemp(onDisk);
    if (!folder) finding("no temporary folder");
    programFolder = folder;
    std::atexit(&removeProgramFolder);
    setenv("WREN_MODULE_DIR", folder, 1);
    storeFolder = std::string(getModuleDirectory()) + "/database/store-fuzz";
    HAL_initRecordStores();
    startFuzzedRuntime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size == 0 || size > 0x40000) return 0;
    uint8_t ops = data[0];
    // The bytes an add writes: the input's last few.
    size_t extraSize = std::min<size_t>(size - 1, 6);
    writeFolder(data + 1, size - 1);
    exercise(ops, data + size - extraSize, extraSize);
    std::error_code ec;
    fs::remove_all(storeFolder, ec);
    return 0;
}
