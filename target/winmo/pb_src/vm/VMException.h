// The native side of Java exceptions. A Java throw is a C++ throw of a
// pointer to the exception object's real class (throwSelf), so a C++ catch of
// a pointer to any Java superclass catches it. Classes write try/catch and
// try/finally with the helpers of VMTry.h, which root what they catch and
// rethrow with throwSelf (which roots the exception again; a bare `throw;`
// would not).
//
// VMExitException is not a Throwable: Java handlers never catch it, and it
// ends the program when it reaches a thread's entry.
#pragma once

#include "VMClass.h"

class VMException : public virtual java::lang::Object {
public:
    // Throws this object as a pointer to its real class.
    [[noreturn]] virtual void throwSelf() = 0;
};

class VMExitException final : public VMException {
public:
    jint status = 0;
    static VMPtr<VMExitException> make(jint status);
    [[noreturn]] void throwSelf() override;
};
