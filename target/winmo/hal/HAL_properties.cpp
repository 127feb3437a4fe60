#include "HAL_properties.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "HAL_programFolder.h"
#include "HAL_status.h"
#include "VMHeap.h"
#include "VMList.h"
#include "ce_system.h"
#include "ce_text.h"

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

VMHashtable* systemProperties() {
    VMHashtable* t = new (vmAllocateOrThrow(sizeof(VMHashtable))) VMHashtable();
    put(t, "microedition.configuration", "CLDC-1.1");
    put(t, "microedition.platform", "NimbaultMarl/PLATFORM_BRIDGE_VERSION");
    put(t, "microedition.encoding", "UTF-8");
    put(t, "microedition.profiles", "MIDP-2.0");
    // A locale the device cannot tell is stored as no value.
    std::string locale = ce::systemInfo().locale;
    put(t, "microedition.locale", locale.empty() ? nullptr : localeTextOf(locale.c_str()));
    put(t, "microedition.commports", "");
    put(t, "microedition.hostname", "");
    put(t, "javax.microedition.io.Connector.protocolpath", "com.nimbault.marl.midp.io.protocol");
    put(t, "com.nimbault.marl.software.version", "PLATFORM_BRIDGE_VERSION");
    if (const char* name = HAL_getPlatformName()) put(t, "com.nimbault.marl.hal.platform", name);
    if (const char* version = HAL_getVersion()) put(t, "com.nimbault.marl.hal.version", version);
    // Kept for the program's life, like the table.
    static std::string uniqueId;
    uniqueId = deviceUniqueIdText();
    if (!uniqueId.empty()) put(t, "com.nimbault.marl.hal.uniqueid", uniqueId.c_str());
    return t;
}


// --- property files ------------------------------------------------------------------


// One line's worth of text read as the device's line reader would: up to
// 255 units, ending after a newline when one comes first.
constexpr size_t kLineLimit = 255;

void addPropertyLine(int32_t table, std::u16string_view line) {
    if (!line.empty() && line.back() == u'\n') line.remove_suffix(1);
    size_t colon = line.find(u':');
    if (colon == std::u16string_view::npos) return;
    std::u16string_view key = line.substr(0, colon);
    // The value starts after the colon and its blank; a line that ends
    // sooner has an empty value.
    size_t start = colon + 2;
    std::u16string_view value = start < line.size() ? line.substr(start) : std::u16string_view();
    PropertyFile_append(table, key.data(), jint(key.size()), value.data(), jint(value.size()));
}

// What the last load made of each table's file.
struct FileReport {
    std::string path;
    std::string problem;    // "<file or folder>: <reason>", empty when the file was read
    bool unusable = false;  // there, but not something properties can be read from
};
FileReport reports[2];

// A lead byte of UTF-8: how many bytes follow it, the least code point
// that needs that many (a smaller one is an overlong form), its own bits.
struct Utf8Lead {
    uint8_t low, high;
    size_t more;
    uint32_t least, mask;
};
constexpr Utf8Lead kUtf8Leads[] = {
    {0xC2, 0xDF, 1, 0x80, 0x1F}, {0xE0, 0xEF, 2, 0x800, 0x0F}, {0xF0, 0xF4, 3, 0x10000, 0x07}};

// The offset of the first byte that is not part of well-formed UTF-8 text
// (a NUL byte counts as not text), or npos.
size_t firstNonText(const std::string& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = uint8_t(bytes[i]);
        if (b == 0) return i;
        if (b < 0x80) {
            ++i;
            continue;
        }
        const Utf8Lead* lead = nullptr;
        for (const Utf8Lead& l : kUtf8Leads)
            if (b >= l.low && b <= l.high) lead = &l;
        if (!lead) return i;
        const size_t more = lead->more;
        const uint32_t least = lead->least;
        uint32_t c = b & lead->mask;
        if (bytes.size() - i <= more) return i;
        for (size_t k = 1; k <= more; ++k) {
            auto next = uint8_t(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return i;
            c = c << 6 | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return i;
        i += more + 1;
    }
    return std::string::npos;
}

// The file's bytes; false with the report's problem set when there is
// nothing to read: a missing folder on the way, a missing file, a folder in
// its place, a failed read, no bytes, or bytes that are not UTF-8 text.
bool readPropertyFile(const std::string& folder, FileReport& report, std::string* bytes) {
    auto fail = [&](const std::string& what, const std::string& why, bool unusable) {
        report.problem = what + ": " + why;
        report.unusable = unusable;
        return false;
    };
    struct stat info {};
    if (stat(report.path.c_str(), &info) != 0 && errno == ENOENT) {
        std::string properties = folder + "/properties";
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return fail(folder, "the program's folder does not exist", false);
        if (stat(properties.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return fail(properties, "no such folder", false);
        return fail(report.path, "no such file", false);
    }
    if (S_ISDIR(info.st_mode)) return fail(report.path, "a folder, not a file", true);
    FILE* file = std::fopen(report.path.c_str(), "rb");
    if (!file)
        return fail(report.path, std::string("cannot open it: ") + std::strerror(errno), true);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, n);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error)
        return fail(report.path, std::string("cannot read it: ") + std::strerror(error), true);
    if (bytes->empty()) return fail(report.path, "empty file", false);
    if (size_t bad = firstNonText(*bytes); bad != std::string::npos)
        return fail(report.path, "not UTF-8 text (byte " + std::to_string(bad) + ")", true);
    return true;
}

void loadPropertyFile(int32_t table, const char* name) {
    const std::string folder = hostProgramFolder();
    FileReport& report = reports[table];
    report = FileReport{folder + "/properties/" + name, "", false};
    std::string bytes;
    if (!readPropertyFile(folder, report, &bytes)) return;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    std::u16string text;
    {
        std::u16string decoded = ce::toUtf16(bytes);
        text.reserve(decoded.size());
        // Text mode: CR LF reads as LF.
        for (size_t i = 0; i < decoded.size(); ++i)
            if (!(decoded[i] == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n'))
                text += decoded[i];
    }
    // Each line's end is looked for once, then the line is taken in pieces
    // of the reader's size: a long line costs its length, not its length
    // times its number of pieces.
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find(u'\n', at);
        const size_t lineEnd = newline == std::u16string::npos ? text.size() : newline + 1;
        while (at < lineEnd) {
            const size_t end = std::min(lineEnd, at + kLineLimit);
            addPropertyLine(table, std::u16string_view(text).substr(at, end - at));
            at = end;
        }
    }
}

void appendDeviceProperty(const char16_t* key, std::u16string value) {
    std::u16string k = key;
    PropertyFile_append(HAL_SYSTEM_PROPERTIES, k.data(), jint(k.size()), value.data(),
                        jint(value.size()));
}

std::u16string cut(std::u16string text, size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

std::u16string asciiToUtf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The value of a table-0 property, at most `limit` units; false when absent.
bool systemProperty(const std::u16string& key, size_t limit, std::u16string* value) {
    jint n = PropertyFile_getValueLength(HAL_SYSTEM_PROPERTIES, key.data(), jint(key.size()));
    if (n < 0) return false;
    value->assign(size_t(n), u'\0');
    jint copied = n;
    if (PropertyFile_getValue(HAL_SYSTEM_PROPERTIES, key.data(), jint(key.size()), value->data(),
                              &copied) != HAL_OK)
        return false;
    value->resize(std::min(size_t(copied), limit));
    return true;
}

// --- device information ----------------------------------------------------------------

struct DeviceInfoCache {
    jint deviceType = 0;  // 0: not worked out yet
    int32_t configState[1] = {0};
} deviceCache;

const char16_t* const kConfigNames[] = {u"WREN_WINCE_PROPERTY_BUG_IGNORE_SOME_POINTER_EVENTS"};

// The device's phantom touch points: presses some models report at fixed
// places when nothing touched them.
int32_t ignorePointerDefaultState() {
    jint type = getDeviceType();
    if (type == 3 || type == 4 || type == 6 || type == 7) return DEVICE_CONFIG_ENABLED_BY_DEVICE;
    if (type == 5) {
        ce::SystemInfo info = ce::systemInfo();
        if ((info.screenWidth == 240 && info.screenHeight == 320) ||
            (info.screenWidth == 320 && info.screenHeight == 240))
            return DEVICE_CONFIG_ENABLED_BY_DEVICE;
    }
    return DEVICE_CONFIG_NOT_ENABLED;
}

const char16_t* ignorePointerDefaultValue(const std::u16string& subKey) {
    if (subKey != u"WHERE" || ignorePointerDefaultState() != DEVICE_CONFIG_ENABLED_BY_DEVICE)
        return nullptr;
    switch (getDeviceType()) {
        case 3: return u"407,26";
        case 4: return u"407,26,505,26";
        case 5: return u"203,13,247,13";
        case 6: return u"171,13";
        case 7: return u"203,13,251,13";
        default: return nullptr;
    }
}

bool validEntry(DeviceConfigEntry entry) { return entry == DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS; }

// "%d" as the C library reads it: blanks, a sign, at least one digit.
bool readsAsNonZeroInteger(const std::u16string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool digits = false;
    bool nonZero = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        digits = true;
        if (text[i] != u'0') nonZero = true;
    }
    return digits && nonZero;
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

jint HAL_getApplicationPropertyLength(const jchar* key, jint keyLength) {
    return PropertyFile_getValueLength(HAL_APPLICATION_PROPERTIES, key, keyLength);
}

int32_t HAL_getApplicationProperty(const jchar* key, jint keyLength, jchar* out, jint* length) {
    return PropertyFile_getValue(HAL_APPLICATION_PROPERTIES, key, keyLength, out, length);
}

void HAL_initDeviceProperties() {
    deviceCache = DeviceInfoCache{};
    loadPropertyFile(HAL_SYSTEM_PROPERTIES, "sys.prop");
    loadPropertyFile(HAL_APPLICATION_PROPERTIES, "app.prop");
    // The program starts without sys.prop, but settings that are there and
    // can't be read must not be lost without a word. What is wrong with
    // app.prop is told when no MIDlet can be started from it.
    if (reports[HAL_SYSTEM_PROPERTIES].unusable)
        std::fprintf(stderr, "wren: %s; no system properties read from it\n",
                     reports[HAL_SYSTEM_PROPERTIES].problem.c_str());

    ce::SystemInfo info = ce::systemInfo();
    appendDeviceProperty(u"device.manufacturer", cut(info.manufacturer, 63));
    appendDeviceProperty(u"device.model", cut(info.oemInfo, 63));
    std::u16string deviceName;
    // 128 bytes of registry text: 63 units and the terminator.
    if (!ce::readRegistryString(ce::RegistryRoot::LocalMachine, u"Ident", u"Name", &deviceName))
        deviceName.clear();
    appendDeviceProperty(u"device.name", cut(deviceName, 63));
    appendDeviceProperty(u"os.name", cut(u"WinCE (WM " + info.platformType + u")", 64));
    appendDeviceProperty(u"os.version", asciiToUtf16(std::to_string(info.osMajor) + "." +
                                                     std::to_string(info.osMinor)));
    appendDeviceProperty(u"os.arch", u"arm");
}

std::string PropertyFile_path(int32_t table) {
    return table == HAL_SYSTEM_PROPERTIES || table == HAL_APPLICATION_PROPERTIES
               ? reports[table].path
               : std::string();
}

std::string PropertyFile_problem(int32_t table) {
    return table == HAL_SYSTEM_PROPERTIES || table == HAL_APPLICATION_PROPERTIES
               ? reports[table].problem
               : std::string();
}

jint getDeviceType() {
    if (deviceCache.deviceType) return deviceCache.deviceType;
    static const struct {
        const char16_t* model;
        jint type;
    } kModels[] = {
        {u"Microsoft DeviceEmulator", 2}, {u"HTC Touch Diamond P3700", 3}, {u"DIAM500", 3},
        {u"HTC-P4600", 4},                {u"HTC", 5},                     {u"O2 Xda Atom Exec", 6},
        {u"PA10A1", 7},
    };
    std::u16string model = cut(ce::systemInfo().oemInfo, 64);
    jint type = 1;
    for (const auto& row : kModels) {
        if (model == cut(row.model, 64)) {
            type = row.type;
            break;
        }
    }
    deviceCache.deviceType = type;
    return type;
}

int32_t getDeviceConfigState(DeviceConfigEntry entry) {
    if (!validEntry(entry)) return DEVICE_CONFIG_NOT_ENABLED;
    int32_t& state = deviceCache.configState[entry];
    if (state) return state;
    std::u16string value;
    if (systemProperty(kConfigNames[entry], 64, &value)) {
        state = value != u"false" && readsAsNonZeroInteger(value) ? DEVICE_CONFIG_ENABLED_BY_PROPERTY
                                                                   : DEVICE_CONFIG_DISABLED_BY_PROPERTY;
    } else {
        state = ignorePointerDefaultState();
    }
    return state;
}

bool isDeviceConfigEnabled(DeviceConfigEntry entry) {
    int32_t state = getDeviceConfigState(entry);
    return state == DEVICE_CONFIG_ENABLED_BY_DEVICE || state == DEVICE_CONFIG_ENABLED_BY_PROPERTY;
}

bool getDeviceConfigValue(DeviceConfigEntry entry, const char16_t* subKey, jchar* out,
                          jint capacity) {
    if (!out || capacity < 1) return false;
    out[0] = 0;
    if (!validEntry(entry) || !subKey) return false;
    getDeviceConfigState(entry);
    std::u16string value;
    bool found = systemProperty(std::u16string(kConfigNames[entry]) + u"_" + subKey, 64, &value);
    if (!found) {
        if (const char16_t* fallback = ignorePointerDefaultValue(subKey)) {
            value = fallback;
            found = true;
        }
    }
    if (!found) return false;
    size_t n = std::min(value.size(), size_t(capacity) - 1);
    std::memcpy(out, value.data(), n * sizeof(jchar));
    out[n] = 0;
    return true;
}

bool getDeviceConfigList(DeviceConfigEntry entry, const char16_t* subKey, jint* out, jint* count) {
    if (!out || !count) return false;
    jchar value[65];
    jint wanted = *count;
    *count = 0;
    if (!getDeviceConfigValue(entry, subKey, value, 65)) return false;
    std::u16string_view text(value);
    size_t at = 0;
    while (*count < wanted && at <= text.size()) {
        size_t comma = text.find(u',', at);
        size_t end = comma == std::u16string_view::npos ? text.size() : comma;
        if (end > at) {
            // wcstol: blanks, a sign, the digits that follow; no digits read as 0.
            std::string field;
            for (char16_t c : text.substr(at, end - at)) field += c < 0x80 ? char(c) : '?';
            out[(*count)++] = jint(std::strtol(field.c_str(), nullptr, 10));
        }
        if (comma == std::u16string_view::npos) break;
        at = comma + 1;
    }
    return true;
}

std::string deviceUniqueIdText() {
    std::string prefix(HAL_getPlatformName() ? HAL_getPlatformName() : "");
    prefix.resize(4, '_');
    static const uint8_t kApplicationData[] = {'L', 'u', 'm', 'o', '_', 'T', 'R', 'A', 'K'};
    uint8_t id[20];
    uint32_t length = sizeof id;
    if (!ce::deviceUniqueId(kApplicationData, sizeof kApplicationData, 1, id, &length)) return "";
    static const char kHex[] = "0123456789abcdef";
    std::string digits;
    for (uint32_t i = 0; i < length && digits.size() < 60; ++i) {
        digits += kHex[id[i] >> 4];
        digits += kHex[id[i] & 15];
    }
    return digits.empty() ? std::string() : prefix + digits;
}
