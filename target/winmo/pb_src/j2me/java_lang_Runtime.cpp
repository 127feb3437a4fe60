#include "java_lang_Runtime.h"

#include "VM.h"
#include "VMException.h"
#include "VMHeap.h"
#include "java_lang_SecurityException.h"
#include "java_lang_String.h"

WREN_DEFINE_CLASS(java::lang::Runtime, "java.lang.Runtime")

namespace java::lang {

VMPtr<Runtime> Runtime::getRuntime() {
    clinit();
    Statics& s = S();
    if (s.current == nullptr) s.current = make();
    return s.current;
}

void Runtime::exit(jint status) {
    if (!S().exitAllowed)
        SecurityException::throwNew(WREN_LIT("MIDP lifecycle does not support system exit."));
    VMExitException::make(status)->throwSelf();
}

jlong Runtime::freeMemory() {
    // The heap's limit can sit below what is in use while native memory
    // grows; there is no free memory then, not a negative amount.
    jlong free = vmFreeMemory();
    return free < 0 ? 0 : free;
}

jlong Runtime::totalMemory() { return vmTotalMemory(); }

void Runtime::gc() { VM::collect(); }

void Runtime::setExitAllowed(jboolean allowed) { S().exitAllowed = allowed; }

}  // namespace java::lang
