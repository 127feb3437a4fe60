// The same for arrays of arrays over an interface.
// expect-error: no cast to an array over an interface
#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"

bool rows(const VMPtr<java::lang::Object>& o) {
#ifdef WREN_EXPECT_OK
    return vmCast<VMArray<java::lang::Object*, 2>>(o) != nullptr;
#else
    return vmCast<VMArray<java::lang::Runnable*, 2>>(o) != nullptr;
#endif
}
