#include "java_lang_Throwable.h"

#include <string>

#include "java_io_PrintStream.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"

WREN_DEFINE_CLASS(java::lang::Throwable, "java.lang.Throwable")

namespace {

// The current java.lang.Thread's name for a trace's first line; false when
// there is no current Thread object (a thread the runtime did not start).
bool currentThreadName(VMPtr<java::lang::String>& name) {
    VMPtr<java::lang::Thread> current = java::lang::Thread::currentThread();
    if (current == nullptr) return false;
    name = current->getName();
    return true;
}

}  // namespace

namespace java::lang {

VMPtr<String> Throwable::getMessage() { return message; }

VMPtr<String> Throwable::toString() {
    VMPtr<StringBuffer> text = StringBuffer::make(getClass()->getName());
    VMPtr<String> m = getMessage();
    if (m) {
        text->append(": ");
        text->append(m);
    }
    return text->toString();
}

void Throwable::printStackTrace() {
    // No stack is recorded: the trace names the exception, then one unknown frame.
    VMPtr<java::io::PrintStream> err = System::S().err;
    VMPtr<String> threadName;
    if (currentThreadName(threadName)) {
        err->print("Exception in thread \"");
        if (threadName != nullptr) err->print(threadName);
        err->print("\" ");
    } else {
        err->print("Exception ");
    }
    err->print(getClass()->getName());
    VMPtr<String> m = getMessage();
    if (m == nullptr) {
        err->println();
    } else {
        err->print(": ");
        err->println(m);
    }
    err->println("    at <unknown>");
}

}  // namespace java::lang
