// Properties: the two property tables (0: system properties, 1: application
// properties) and the built-in table of the CLDC/MIDP system properties and
// the runtime's own keys. System.getProperty looks in the built-in table
// first, then in table 0. Also the device information worked out from the
// device's model: its type and the per-device configuration defaults.
#pragma once

#include <cstdint>
#include <string>

#include "VMTypes.h"

class VMHashtable;

enum : int32_t { HAL_SYSTEM_PROPERTIES = 0, HAL_APPLICATION_PROPERTIES = 1 };

// Adds an entry behind the table's others; a later entry hides an earlier
// one with the same key. This is how the property files and the device's own
// properties fill the tables. False for a bad table number, a null key or
// value with a positive length, or when memory runs out.
bool PropertyFile_append(int32_t table, const jchar* key, jint keyLength, const jchar* value,
                         jint valueLength);
// The value's length in units, or -1 when the key is absent, the table number
// is not 0 or 1, or the key is null with a positive length.
jint PropertyFile_getValueLength(int32_t table, const jchar* key, jint keyLength);
// Copies up to *length units of the value into `out` and sets *length to the
// count copied. HAL_BAD_ARGUMENT for a null key with a positive length or a
// null `out` or `length`; HAL_NOT_FOUND when absent.
int32_t PropertyFile_getValue(int32_t table, const jchar* key, jint keyLength, jchar* out,
                              jint* length);
// Empties table 1, then table 0.
void PropertyFile_freeAll();

// Table 0.
jint HAL_getSystemPropertyLength(const jchar* key, jint keyLength);
int32_t HAL_getSystemProperty(const jchar* key, jint keyLength, jchar* out, jint* length);
// Table 1.
jint HAL_getApplicationPropertyLength(const jchar* key, jint keyLength);
int32_t HAL_getApplicationProperty(const jchar* key, jint keyLength, jchar* out, jint* length);

// Loads "properties/sys.prop" into table 0 and "properties/app.prop" into
// table 1 from the program's folder (a missing file loads nothing), then
// appends the device's own properties to table 0, where they hide lines of
// sys.prop with the same key. The files are UTF-8 (a byte-order mark is
// skipped, CR LF ends a line like LF), one property per line: the key, a
// colon, a blank, then the value up to the end of the line. A line without
// a colon holds no property; "key:" with nothing after it is an empty value.
// Lines are read 255 units at a time, so a longer line is taken as several.
// A file that is not UTF-8 text (a NUL byte, a malformed sequence) loads
// nothing. A sys.prop that is there but can't be read is named on standard
// error. Everything worked out from the properties is worked out afresh.
void HAL_initDeviceProperties();

// The file the table was last loaded from: the program's folder +
// "/properties/sys.prop" or "/properties/app.prop" (empty before the first
// load or for a bad table number).
std::string PropertyFile_path(int32_t table);
// Why the last load read nothing from the table's file, as "<file or
// folder>: <reason>": the program's folder or its "properties" folder does
// not exist, the file does not, a folder is in its place, it can't be opened
// or read, it is empty, or it is not UTF-8 text. Empty when it was read.
std::string PropertyFile_problem(int32_t table);

// The device type from the model text: 2 the emulator, 3 Touch Diamond,
// 4 HTC P4600, 5 other HTC, 6 Xda Atom Exec, 7 PA10A1, 1 anything else.
jint getDeviceType();

// Per-device configuration entries and their states.
enum DeviceConfigEntry : int32_t { DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS = 0 };
enum : int32_t {
    DEVICE_CONFIG_NOT_ENABLED = 2,
    DEVICE_CONFIG_ENABLED_BY_DEVICE = 3,
    DEVICE_CONFIG_DISABLED_BY_PROPERTY = 4,
    DEVICE_CONFIG_ENABLED_BY_PROPERTY = 5,
};
// The entry's state: a system property named after the entry decides ("0",
// "false" or anything not a non-zero number disables), else the device's
// default. Worked out once per property load.
int32_t getDeviceConfigState(DeviceConfigEntry entry);
bool isDeviceConfigEnabled(DeviceConfigEntry entry);
// The value for a sub-key: the system property "<entry>_<sub-key>", else the
// device's default; NUL-terminated, cut to `capacity` units with the NUL.
// False, with an empty output, when there is none.
bool getDeviceConfigValue(DeviceConfigEntry entry, const char16_t* subKey, jchar* out,
                          jint capacity);
// The value read as comma-separated decimal integers (empty fields skipped),
// at most *count of them; *count becomes the number read.
bool getDeviceConfigList(DeviceConfigEntry entry, const char16_t* subKey, jint* out, jint* count);

// "com.nimbault.marl.hal.uniqueid": the platform name's first four letters
// and the device id in lowercase hex; empty when the device has no id.
std::string deviceUniqueIdText();

// The built-in table: keys and values are 8-bit text. Built on the first
// call, under the VM lock, and kept for the program's life.
const VMHashtable* getSystemPropertyTable();
// The value for `key`, or null.
const char* findSystemProperty(const VMHashtable* table, const char* key);

// The locale text of microedition.locale for a POSIX locale name such as
// "it_IT.UTF-8"; languages the game is not translated to give "en-us".
const char* localeTextOf(const char* posixLocale);

// The bridge's platform name and version, as the built-in table reports them.
const char* HAL_getPlatformName();
const char* HAL_getVersion();
