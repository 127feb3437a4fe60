#include "HAL_properties.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "HAL_status.h"
#include "VMHeap.h"
#include "VMList.h"

namespace {

struct Entry {
    std::u16string key;
    std::u16string value;
};

std::vector<Entry> tables[2];

// The newest entry whose key equals the given one; entries with an empty key
// never match, so a length and a value lookup always agree.
const Entry* lookup(int32_t table, const jchar* key, jint keyLength) {
    if (table != HAL_SYSTEM_PROPERTIES && table != HAL_APPLICATION_PROPERTIES) return nullptr;
    if (keyLength <= 0 || !key) return nullptr;
    const std::vector<Entry>& entries = tables[table];
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->key.size() == size_t(keyLength) &&
            std::memcmp(it->key.data(), key, size_t(keyLength) * sizeof(jchar)) == 0)
            return &*it;
    }
    return nullptr;
}

void put(VMHashtable* table, const char* key, const char* value) {
    if (table->get(key, nullptr)) vmFatalError("Duplicate property detected!");
    table->put(key, reinterpret_cast<intptr_t>(value));
}

// The locale from the environment, in the order POSIX gives the categories
// for messages.
const char* environmentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return "C";
}

VMHashtable* systemProperties() {
    VMHashtable* t = new (vmAllocateOrThrow(sizeof(VMHashtable))) VMHashtable();
    put(t, "microedition.configuration", "CLDC-1.1");
    put(t, "microedition.platform", "NimbaultMarl/PLATFORM_BRIDGE_VERSION");
    put(t, "microedition.encoding", "UTF-8");
    put(t, "microedition.profiles", "MIDP-2.0");
    put(t, "microedition.locale", localeTextOf(environmentLocale()));
    put(t, "microedition.commports", "");
    put(t, "microedition.hostname", "");
    put(t, "javax.microedition.io.Connector.protocolpath", "com.nimbault.marl.midp.io.protocol");
    put(t, "com.nimbault.marl.software.version", "PLATFORM_BRIDGE_VERSION");
    if (const char* name = HAL_getPlatformName()) put(t, "com.nimbault.marl.hal.platform", name);
    if (const char* version = HAL_getVersion()) put(t, "com.nimbault.marl.hal.version", version);
    // The device's unique id ("com.nimbault.marl.hal.uniqueid") joins the
    // table with the rest of the device information; a device that cannot
    // give one has no such key.
    return t;
}

}  // namespace

bool PropertyFile_append(int32_t table, const jchar* key, jint keyLength, const jchar* value,
                         jint valueLength) {
    if (table != HAL_SYSTEM_PROPERTIES && table != HAL_APPLICATION_PROPERTIES) return false;
    if ((!key && keyLength > 0) || (!value && valueLength > 0)) return false;
    try {
        Entry e;
        if (keyLength > 0) e.key.assign(key, size_t(keyLength));
        if (valueLength > 0) e.value.assign(value, size_t(valueLength));
        tables[table].push_back(std::move(e));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

jint PropertyFile_getValueLength(int32_t table, const jchar* key, jint keyLength) {
    const Entry* e = lookup(table, key, keyLength);
    return e ? jint(e->value.size()) : -1;
}

int32_t PropertyFile_getValue(int32_t table, const jchar* key, jint keyLength, jchar* out,
                              jint* length) {
    if ((!key && keyLength > 0) || !out || !length) return HAL_BAD_ARGUMENT;
    const Entry* e = lookup(table, key, keyLength);
    if (!e) return HAL_NOT_FOUND;
    jint n = jint(e->value.size());
    if (*length < n) n = *length < 0 ? 0 : *length;
    if (n > 0) std::memcpy(out, e->value.data(), size_t(n) * sizeof(jchar));
    *length = n;
    return HAL_OK;
}

void PropertyFile_freeAll() {
    tables[HAL_APPLICATION_PROPERTIES].clear();
    tables[HAL_SYSTEM_PROPERTIES].clear();
}

jint HAL_getSystemPropertyLength(const jchar* key, jint keyLength) {
    return PropertyFile_getValueLength(HAL_SYSTEM_PROPERTIES, key, keyLength);
}

int32_t HAL_getSystemProperty(const jchar* key, jint keyLength, jchar* out, jint* length) {
    return PropertyFile_getValue(HAL_SYSTEM_PROPERTIES, key, keyLength, out, length);
}

const VMHashtable* getSystemPropertyTable() {
    static VMHashtable* table = nullptr;
    if (!table) table = systemProperties();
    return table;
}

const char* findSystemProperty(const VMHashtable* table, const char* key) {
    intptr_t value = 0;
    if (!table || !key || !table->get(key, &value)) return nullptr;
    return reinterpret_cast<const char*>(value);
}

const char* localeTextOf(const char* posixLocale) {
    // The device reports its language as a language and a country; only
    // these pairs have a locale of their own.
    static const struct {
        const char* language;
        const char* text;
    } kLocales[] = {
        {"it_IT", "it-it"}, {"fr_FR", "fr-fr"}, {"pt_PT", "pt-pt"},
        {"de_DE", "de-de"}, {"es_ES", "es-es"}, {"ru_RU", "ru"},
    };
    if (posixLocale) {
        size_t n = std::strcspn(posixLocale, ".@");
        for (const auto& l : kLocales)
            if (n == std::strlen(l.language) && std::strncmp(posixLocale, l.language, n) == 0)
                return l.text;
    }
    return "en-us";
}

const char* HAL_getPlatformName() { return "WindowsMobile"; }
const char* HAL_getVersion() { return "1"; }
