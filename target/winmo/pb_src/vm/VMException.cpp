#include "VMException.h"

#include "VMThread.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_ArrayStoreException.h"
#include "java_lang_NegativeArraySizeException.h"
#include "java_lang_NullPointerException.h"

namespace {
// Where an exception thrown with no current thread (before start-up) is rooted.
java::lang::Object* inFlightWithoutThread = nullptr;
}

void vmSetInFlight(java::lang::Object* exception) {
    if (VMThread* t = VMThread::current()) t->inFlight = exception;
    else inFlightWithoutThread = exception;
}

VMPtr<VMExitException> VMExitException::make(jint status) {
    VMPtr<VMExitException> e = vmAdopt(new VMExitException());
    e->status = status;
    return e;
}

void VMExitException::throwSelf() {
    vmSetInFlight(this);
    throw this;
}

void vmThrowNullPointer() { java::lang::NullPointerException::throwNew(); }
void vmThrowArrayIndex(jint index) { java::lang::ArrayIndexOutOfBoundsException::throwNew(index); }
void vmThrowArrayStore() { java::lang::ArrayStoreException::throwNew(); }
void vmThrowNegativeArraySize() { java::lang::NegativeArraySizeException::throwNew(); }

#include "java_lang_ArithmeticException.h"

void vmThrowDivideByZero() { java::lang::ArithmeticException::throwNew(WREN_LIT("/ by zero")); }
