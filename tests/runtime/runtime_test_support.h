// Small helpers shared by the runtime suites.
#pragma once

#include <string>

#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_Throwable.h"

namespace wrentest {

// What `body` threw as a Java exception, rooted by the returned reference;
// null when it returned normally.
template <class F>
VMPtr<java::lang::Throwable> thrownBy(F&& body) {
    try {
        body();
    } catch (java::lang::Throwable* caught) {
        return VMPtr<java::lang::Throwable>(caught);
    }
    return nullptr;
}

// The Java class name of a thrown exception, or "nothing" when none was
// thrown: reads well in EXPECT_EQ failures.
inline std::string classNameOf(const VMPtr<java::lang::Throwable>& t) {
    return t ? std::string(t->getClass()->name) : std::string("nothing");
}

// Whatever `body` threw, named by class.
template <class F>
std::string thrownName(F&& body) {
    return classNameOf(thrownBy(std::forward<F>(body)));
}

// The text of a String as UTF-8; "<null>" for null.
template <class R>
std::string text(const R& s) {
    return s == nullptr ? std::string("<null>") : s->toUtf8();
}
inline std::string text(java::lang::String* s) { return s ? s->toUtf8() : std::string("<null>"); }

}  // namespace wrentest
