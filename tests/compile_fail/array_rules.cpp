// Array uses that must not compile. The runtime tests compile this file once
// as it is, which must succeed, and once per case with WREN_CASE_<name>
// defined, which must fail with the message that says what to write instead.
#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"

using java::lang::Object;
using java::lang::Runnable;
using java::lang::String;

// What the messages point to: every reference array is an Object[], and its
// elements cast one by one.
VMPtr<Runnable> firstTask(const VMPtr<VMArray<Object*>>& tasks) {
    return vmCast<Runnable>(tasks[0]);
}
VMPtr<VMArray<jint, 2>> grid() { return VMArray<jint, 2>::create(2, 3); }

void refused(const VMPtr<Object>& o) {
    (void)o;
#if defined(WREN_CASE_interface_array_cast)
    // A Task[] is a Runnable[] in Java but not in C++: the cast would miss it.
    (void)vmCast<VMArray<Runnable*>>(o);
#elif defined(WREN_CASE_interface_array_of_arrays_cast)
    (void)vmCast<VMArray<Runnable*, 2>>(o);
#elif defined(WREN_CASE_array_of_array_pointers)
    // int[][] has one spelling: VMArray<jint, 2>.
    (void)VMArray<VMArray<jint>*>::create(1);
#endif
}
