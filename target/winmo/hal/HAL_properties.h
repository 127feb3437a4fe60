// Properties: the two property tables (0: system properties, 1: application
// properties) and the built-in table of the CLDC/MIDP system properties and
// the runtime's own keys. System.getProperty looks in the built-in table
// first, then in table 0.
#pragma once

#include <cstdint>

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
