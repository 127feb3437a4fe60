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
// debugger; it is not shown.
[[noreturn]] void vmFatalError(const char* text);

// Marks an object and, through its markReferences, what it reaches. Called
// by markReferences implementations; nothing else needs it.
void vmMarkObject(java::lang::Object* obj, uint32_t bits);
