// A Task[] is a Runnable[] in Java but not in C++: a cast to an array over an
// interface would miss it, so it is refused in favour of Object[].
// expect-error: no cast to an array over an interface.*VMArray<java::lang::Object\*>
#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"

VMPtr<java::lang::Runnable> firstTask(const VMPtr<java::lang::Object>& o) {
#ifdef WREN_EXPECT_OK
    VMPtr<VMArray<java::lang::Object*>> tasks = vmCast<VMArray<java::lang::Object*>>(o);
    return vmCast<java::lang::Runnable>(tasks[0]);
#else
    VMPtr<VMArray<java::lang::Runnable*>> tasks = vmCast<VMArray<java::lang::Runnable*>>(o);
    return tasks[0];
#endif
}
