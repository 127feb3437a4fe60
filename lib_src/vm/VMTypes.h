// Java's primitive types, fixed-width whatever the host, and the runtime's
// small shared helpers.
#pragma once

#include <cstddef>
#include <cstdint>

using jboolean = bool;
using jbyte = int8_t;
using jchar = char16_t;
using jshort = int16_t;
using jint = int32_t;
using jlong = int64_t;
using jfloat = float;
using jdouble = double;

#define WREN_LIKELY(x) __builtin_expect(!!(x), 1)
#define WREN_UNLIKELY(x) __builtin_expect(!!(x), 0)

namespace java::lang {
class Object;
class Class;
class String;
class Throwable;
}  // namespace java::lang

class VMThread;

// Ends the process with exit code 1. The text names the condition for a
// debugger; it is shown only when nothing has said yet why the program stops
// ("wren: the program stopped: " and the text), so that a player is never
// left without a word.
[[noreturn]] void vmFatalError(const char* text);

// "wren: " + text as one line on standard error: why the program can't go
// on. Only the first report of the process is written (false for any later
// one), so that a failure reported where it happened is not told again by
// the path that ends the program. Any thread may report; one that comes while
// another's line is being written waits until it is out, so that a fatal
// error meanwhile never ends the process with no line at all.
bool vmReportFailure(const char* text);

// Marks an object and, through its markReferences, what it reaches. Called
// by markReferences implementations; nothing else needs it.
void vmMarkObject(java::lang::Object* obj, uint32_t bits);
// The same for a pointer to any part of the object: the collector finds the
// object from the address alone, without reading it.
void vmMarkReference(const void* target);

// The collector's record of the reference fields written since it last ran,
// one byte per 256 bytes of the region that holds the heap's small objects:
// a collection of the young objects only needs to look at the old objects
// whose fields changed.
struct VMCardTable {
    uintptr_t base = 0;
    size_t count = 0;
    uint8_t* cards = nullptr;
};
extern VMCardTable vmCardTable;
// Every store of a reference into a heap object's field goes through this.
// An address outside the region (a large block, which the collector reads
// whole each time, or anything that is not the heap's) changes nothing.
inline void vmRememberStore(const void* field) {
    const size_t card = (reinterpret_cast<uintptr_t>(field) - vmCardTable.base) >> 8;
    if (card < vmCardTable.count) vmCardTable.cards[card] = 1;
}
