// The game canvas's saved data (items in record stores, written through a
// staging store), the serializer and number formatting, checksums, sorting
// and pixel helpers.

#include "wren_WrenCanvas.h"

#include <algorithm>
#include <vector>

#include "VMMath.h"
#include "VMTry.h"
#include "java_lang_Integer.h"
#include "java_lang_NumberFormatException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_rms_InvalidRecordIDException.h"
#include "javax_microedition_rms_RecordStore.h"
#include "javax_microedition_rms_RecordStoreException.h"
#include "javax_microedition_rms_RecordStoreNotFoundException.h"
#include "wren_util_text_RichFont.h"

namespace wren {

using java::lang::String;
using java::lang::StringBuffer;

// --- saved data ---------------------------------------------------------------------------

namespace {

using javax::microedition::rms::RecordStore;

constexpr jint kRecordBytes = 4096;
// A save writes its data into the store of this name first. No id's
// decimal text ends with it, so no load ever reads a save half written.
constexpr const char* kStagingSuffix = ".saving";
constexpr jint kStagingSuffixLength = 7;
// A store a load could not use is kept under its id's text and this: not a
// decimal int, nor a staging store, so nothing here ever deletes it.
constexpr const char* kSetAsideSuffix = ".damaged";
constexpr jint kMaxSetAsideCopies = WrenCanvas::MAX_SET_ASIDE_COPIES;

VMPtr<String> stagingName(const VMPtr<String>& name) {
    VMPtr<StringBuffer> text = StringBuffer::make(name);
    text->append(kStagingSuffix);
    return text->toString();
}

bool isDecimalInt(const VMPtr<String>& text) {
    return vmTryCatch(
        [&] {
            java::lang::Integer::parseInt(text);
            return true;
        },
        [](const VMPtr<java::lang::NumberFormatException>&) { return false; });
}

// Whether the store of this name holds an item or a save's staging copy.
bool isSavedDataStore(const VMPtr<String>& name) {
    if (isDecimalInt(name)) return true;
    jint stem = name->length() - kStagingSuffixLength;
    return stem > 0 && name->substring(stem)->equals(kStagingSuffix) &&
           isDecimalInt(name->substring(0, stem));
}

// A store that is not there is no failure.
void deleteStoreIfPresent(const VMPtr<String>& name) {
    vmTryCatch([&] { RecordStore::deleteRecordStore(name); },
               [](const VMPtr<javax::microedition::rms::RecordStoreNotFoundException>&) {});
}

// A save's staging name is the save's own: whatever holds it (a store an
// earlier save left, or a file or link put there) would refuse every save,
// so it goes, a link itself and never what it leads to.
void clearStagingName(const VMPtr<String>& staging) {
    vmTryCatch([&] { RecordStore::clearRecordStoreName(staging); },
               [](const VMPtr<javax::microedition::rms::RecordStoreNotFoundException>&) {});
}

void closeQuietly(const VMPtr<RecordStore>& store) {
    if (store == nullptr) return;
    vmTryCatch([&] { store->closeRecordStore(); },
               [](const VMPtr<java::lang::Throwable>&) {});
}

}  // namespace

jboolean WrenCanvas::saveData(jint id, const VMPtr<VMArray<jbyte>>& data) {
    VMPtr<String> name = String::valueOf(id);
    VMPtr<String> staging = stagingName(name);
    VMPtr<RecordStore> store;
    return vmTryCatch(
        [&] {
            // What an earlier save left is stale: its item was either
            // replaced already or never was.
            clearStagingName(staging);
            if (data == nullptr) {
                deleteStoreIfPresent(name);
                return true;
            }
            store = RecordStore::openRecordStore(staging, true);
            // A leftover that would not go must not mix into this save.
            if (store->getNumRecords() != 0)
                javax::microedition::rms::RecordStoreException::throwNew();
            for (jint offset = 0; offset < data->length; offset += kRecordBytes)
                store->addRecord(data, offset, std::min(kRecordBytes, data->length - offset));
            VMPtr<RecordStore> written = store;
            store = nullptr;
            closeQuietly(written);
            RecordStore::renameRecordStore(staging, name);
            return true;
        },
        [&](const VMPtr<java::lang::Throwable>&) {
            // The item keeps its previous data; the copy goes.
            closeQuietly(store);
            vmTryCatch([&] { RecordStore::clearRecordStoreName(staging); },
                       [](const VMPtr<java::lang::Throwable>&) {});
            return false;
        });
}

VMPtr<VMArray<jbyte>> WrenCanvas::loadData(jint id) { return readData(id, nullptr); }

VMPtr<VMArray<jbyte>> WrenCanvas::readData(jint id, const VMPtr<VMArray<jint>>& outcome) {
    VMPtr<RecordStore> store;
    jint found = DATA_READ;
    VMPtr<VMArray<jbyte>> result = vmTryCatch(
        [&]() -> VMPtr<VMArray<jbyte>> {
            store = vmTryCatch(
                [&] { return RecordStore::openRecordStore(String::valueOf(id), false); },
                [&](const VMPtr<javax::microedition::rms::RecordStoreNotFoundException>&) {
                    found = DATA_MISSING;
                    return VMPtr<RecordStore>();
                });
            if (store == nullptr) return nullptr;
            jint n = store->getNumRecords();
            jlong total = 0;
            for (jint k = 1; k <= n; ++k) {
                jint size = vmTryCatch(
                    [&] { return store->getRecordSize(k); },
                    // Ids that are not 1..n: records no save wrote.
                    [](const VMPtr<javax::microedition::rms::InvalidRecordIDException>&) {
                        return jint(-1);
                    });
                // Saves write full records and a last one of 1 to 4096
                // bytes; a store cut any other way is not an item.
                if (size < 1 || size > kRecordBytes || (k < n && size != kRecordBytes)) {
                    found = DATA_DAMAGED;
                    return nullptr;
                }
                total += size;
            }
            VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(jint(total));
            jint offset = 0;
            for (jint k = 1; k <= n; ++k) offset += store->getRecord(k, bytes, offset);
            return bytes;
        },
        [&](const VMPtr<java::lang::Throwable>&) -> VMPtr<VMArray<jbyte>> {
            found = DATA_UNREADABLE;
            return nullptr;
        });
    closeQuietly(store);
    if (outcome != nullptr) outcome[0] = found;
    return result;
}

VMPtr<String> WrenCanvas::setAsideData(jint id, const VMPtr<VMArray<jint>>& outcome) {
    VMPtr<String> name = String::valueOf(id);
    jint found = ASIDE_FAILED;
    VMPtr<String> moved = vmTryCatch(
        [&]() -> VMPtr<String> {
            VMPtr<StringBuffer> stem = StringBuffer::make(name);
            stem->append(kSetAsideSuffix);
            VMPtr<String> bare = stem->toString();
            stem->append('-');
            VMPtr<String> numbered = stem->toString();
            // The copies' numbers in use, from one listing: 1 stands for
            // the bare name. The item's own store must be in the listing,
            // else the listing is not to be trusted. It spares tries only:
            // the rename itself refuses a name anything holds, a copy the
            // listing missed or a file or link it never shows.
            std::vector<bool> used(kMaxSetAsideCopies + 1, false);
            bool listed = false;
            VMPtr<VMArray<String*>> names = RecordStore::listRecordStores();
            // A listing that failed tells no free name; the record stores'
            // fault says why.
            if (names == nullptr && RecordStore::getFault() != RecordStore::FAULT_NONE)
                return nullptr;
            for (jint i = 0; names != nullptr && i < names->length; ++i) {
                VMPtr<String> other = names[i];
                if (other->equals(name)) listed = true;
                if (other->equals(bare)) used[1] = true;
                if (!other->startsWith(numbered)) continue;
                // Only the names this makes: digits, no leading zero.
                jint n = 0;
                for (jint at = numbered->length(); n >= 0 && at < other->length(); ++at) {
                    const jchar c = other->charAt(at);
                    const bool digit = c >= '0' && c <= '9' && (c != '0' || n > 0);
                    n = digit && n <= kMaxSetAsideCopies ? n * 10 + (c - '0') : -1;
                }
                if (n >= 2 && n <= kMaxSetAsideCopies) used[size_t(n)] = true;
            }
            if (!listed) {
                // No store of the item's name, or one the listing can't
                // show: an open tells which.
                vmTryCatch(
                    [&] { closeQuietly(RecordStore::openRecordStore(name, false)); },
                    [&](const VMPtr<javax::microedition::rms::RecordStoreNotFoundException>&) {
                        found = ASIDE_NO_STORE;
                    });
                return nullptr;
            }
            for (jint n = 1; n <= kMaxSetAsideCopies; ++n) {
                if (used[size_t(n)]) continue;
                VMPtr<String> target = bare;
                if (n > 1) {
                    VMPtr<StringBuffer> text = StringBuffer::make(numbered);
                    text->append(n);
                    target = text->toString();
                }
                if (RecordStore::renameRecordStoreIfFree(name, target)) {
                    found = ASIDE_MOVED;
                    return target;
                }
            }
            // Names stay short enough for the record-store layer.
            found = ASIDE_NO_NAME_LEFT;
            return nullptr;
        },
        [](const VMPtr<java::lang::Throwable>&) -> VMPtr<String> { return nullptr; });
    if (outcome != nullptr) outcome[0] = found;
    return moved;
}

jboolean WrenCanvas::deleteData(jint id) {
    return saveData(id, nullptr);
}

jboolean WrenCanvas::deleteAllData() {
    return vmTryCatch(
        [&] {
            VMPtr<VMArray<String*>> names = RecordStore::listRecordStores();
            if (names == nullptr) return true;
            for (jint i = 0; i < names->length; ++i) {
                VMPtr<String> name = names[i];
                if (isSavedDataStore(name)) RecordStore::deleteRecordStore(name);
            }
            return true;
        },
        [](const VMPtr<java::lang::Throwable>&) { return false; });
}

// --- the serializer and number formatting ------------------------------------------------

void WrenCanvas::writeByte(jint v) {
    clinit();
    Statics& s = wrenStatics_();
    s.outBuffer[s.outPosition] = jbyte(v);
    s.outPosition += 1;
}

void WrenCanvas::writeShort(jint v) {
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeInt(jint v) {
    writeByte(v >> 24);
    writeByte(v >> 16);
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeShortLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
}

void WrenCanvas::writeIntLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
    writeByte(v >> 16);
    writeByte(v >> 24);
}

void WrenCanvas::writeBoolean(jboolean b) {
    writeByte(b ? 1 : 0);
}

jbyte WrenCanvas::readByte() {
    clinit();
    Statics& s = wrenStatics_();
    jbyte b = s.inBuffer[s.inPosition];
    s.inPosition += 1;
    return b;
}

jint WrenCanvas::readInt() {
    jint v = jint(uint8_t(readByte())) << 24;
    v |= jint(uint8_t(readByte())) << 16;
    v |= jint(uint8_t(readByte())) << 8;
    return v | jint(uint8_t(readByte()));
}

jboolean WrenCanvas::readBoolean() {
    return readByte() != 0;
}

VMPtr<util::text::RichFont> WrenCanvas::getDefaultFont() { return getFont(); }

void WrenCanvas::insertNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits,
                              jint position) {
    clinit();
    // The magnitude in 64 bits: the smallest int has no positive twin.
    jlong magnitude = value;
    if (magnitude < 0) {
        sb->insert(position, '-');
        position += 1;
        magnitude = -magnitude;
    }
    if (magnitude >= 65536) {
        sb->insert(position, java::lang::String::valueOf(magnitude));
        return;
    }
    // Each digit goes in front of the ones already inserted.
    jint v = jint(magnitude);
    do {
        sb->insert(position, jchar(u'0' + v % 10));
        minDigits -= 1;
        v /= 10;
    } while (v != 0);
    for (; minDigits > 0; --minDigits) sb->insert(position, jchar(u'0'));
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits) {
    insertNumber(sb, value, minDigits, sb->length());
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value) {
    appendNumber(sb, value, 0);
}

}  // namespace wren

namespace wren {

using javax::microedition::lcdui::Image;

jint WrenCanvas::parseInt(const VMPtr<String>& s, jint defaultValue, jint radix) {
    clinit();
    // The runtime's Integer refuses a null text as a NullPointerException.
    return vmTryCatch([&] { return java::lang::Integer::parseInt(s, radix); },
                      [&](const VMPtr<java::lang::RuntimeException>&) { return defaultValue; });
}

jint WrenCanvas::parseInt(const VMPtr<String>& s, jint defaultValue) {
    return parseInt(s, defaultValue, 10);
}

// --- checksums, sorting and pixels -----------------------------------------------------------

jint WrenCanvas::adler32(jint adler, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    constexpr jint kBase = 65521;
    // 3800 bytes keep both sums inside an int before they are reduced.
    constexpr jint kBlock = 3800;
    jint s1 = adler & 0xFFFF;
    jint s2 = vmUshr(adler, 16);
    while (length > 0) {
        jint block = std::min(length, kBlock);
        length -= block;
        for (; block > 0; --block) {
            s1 += data[offset++] & 0xFF;
            s2 += s1;
        }
        s1 = vmRem(s1, kBase);
        s2 = vmRem(s2, kBase);
    }
    return s1 | (s2 << 16);
}

jint WrenCanvas::crc32(jint crc, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    clinit();
    Statics& s = wrenStatics_();
    if (s.crcTable == nullptr) {
        VMPtr<VMArray<jint>> table = VMArray<jint>::create(256);
        for (jint n = 0; n < 256; ++n) {
            uint32_t c = uint32_t(n);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = jint(c);
        }
        s.crcTable = table;
    }
    VMPtr<VMArray<jint>> table = s.crcTable;
    for (jint i = 0; i < length; ++i) crc = table[(crc ^ data[offset + i]) & 0xFF] ^ vmUshr(crc, 8);
    return crc;
}

void WrenCanvas::sortInts(const VMPtr<VMArray<jint>>& a, jint n) {
    clinit();
    jint gap = n;
    bool swapped = true;
    while (gap > 1 || swapped) {
        if (gap > 1) gap = vmDiv(gap * 197, 256);
        if (gap < 1) gap = 1;
        swapped = false;
        for (jint i = n - 1 - gap; i >= 0; --i) {
            if (a[i + gap] < a[i]) {
                jint t = a[i];
                a[i] = a[i + gap];
                a[i + gap] = t;
                swapped = true;
            }
        }
    }
}

jint WrenCanvas::binarySearch(const VMPtr<VMArray<jint>>& a, jint last, jint key) {
    clinit();
    jint lo = 0;
    jint hi = last;
    while (lo <= hi) {
        jint mid = (lo + hi) >> 1;
        if (a[mid] < key) lo = mid + 1;
        else if (a[mid] > key) hi = mid - 1;
        else return mid;
    }
    return hi + 1;
}

jboolean WrenCanvas::hasAlpha(const VMPtr<VMArray<jint>>& argb) {
    clinit();
    for (jint i = argb->length - 1; i >= 0; --i)
        if ((argb[i] & 0xF0000000) != jint(0xF0000000)) return true;
    return false;
}

jint WrenCanvas::getAlphaKind(const VMPtr<VMArray<jint>>& argb, jint offset, jint scanlength,
                              jint x, jint y, jint width, jint height) {
    clinit();
    jint kind = 1;
    for (jint j = 0; j < height; ++j) {
        for (jint i = 0; i < width; ++i) {
            jint top = vmUshr(argb[offset + (y + j) * scanlength + x + i], 28);
            if (top == 0) kind = 2;
            else if (top != 0xF) return 3;
        }
    }
    return kind;
}

}  // namespace wren
