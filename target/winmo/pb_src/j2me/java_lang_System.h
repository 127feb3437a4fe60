// java.lang.System: array copy, system properties, the standard print
// streams, collection and the millisecond clock.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_PrintStream.h"
#include "java_lang_String.h"

namespace java::lang {

class System : public virtual Object {
    WREN_CLASS(System, Object)
public:
    // System.out and System.err: one PrintStream over the console.
    struct Statics {
        VMStaticPtr<java::io::PrintStream> out;
        VMStaticPtr<java::io::PrintStream> err;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // Copies `length` elements from src[srcPos..] to dst[dstPos..], correctly
    // when the ranges overlap in one array. Null arrays throw
    // NullPointerException; objects that are not arrays, or arrays whose
    // element types can't hold each other's elements, ArrayStoreException; a
    // range outside either array, ArrayIndexOutOfBoundsException. Between
    // reference arrays of different element classes each element is checked
    // as it is stored: the first that does not fit throws
    // ArrayStoreException and the elements before it stay copied.
    static void arraycopy(const VMPtr<Object>& src, jint srcPos, const VMPtr<Object>& dst,
                          jint dstPos, jint length);
    // The built-in value, else the system property table's, else null. A
    // null key throws NullPointerException, an empty one
    // IllegalArgumentException.
    static VMPtr<String> getProperty(const VMPtr<String>& key);
    static void gc();
    // Runtime.getRuntime().exit(status).
    static void exit(jint status);
    // The device's local time (not UTC) fixed at the first call, then
    // advanced by the tick counter; it never runs backwards, not even when
    // the 32-bit counter wraps.
    static jlong currentTimeMillis();

private:
    void ctor() {}  // no instances
};

}  // namespace java::lang

// The state behind currentTimeMillis, process-wide. The counter's wraps are
// carried into 64 bits, which holds as long as the clock is read at least
// once per wrap (about 49.7 days).
struct VMClockBase {
    bool set = false;
    jlong base = 0;         // local time at the first call less the tick count then
    uint32_t lastTick = 0;  // the counter at the last call
    jlong carried = 0;      // 2^32 for every wrap seen
};
VMClockBase& vmClockBase();
// What System.currentTimeMillis answers, without the class's initialisation:
// for native code that stamps times the program reads back through it (the
// record stores' last change). Under the VM lock.
jlong vmCurrentTimeMillis();
