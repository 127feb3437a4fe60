#include "java_lang_Throwable.h"

#include <cstdio>
#include <string>

WREN_DEFINE_CLASS(java::lang::Throwable, "java.lang.Throwable", "java.lang.Object")

namespace java::lang {

VMPtr<String> Throwable::getMessage() { return message; }

VMPtr<String> Throwable::toString() {
    std::string text = getClass()->getName()->toUtf8();
    VMPtr<String> m = getMessage();
    if (m) text += ": " + m->toUtf8();
    return String::make(text.c_str());
}

void Throwable::printStackTrace() {
    // No stack is recorded; the trace names the exception only.
    std::string text = "Exception " + getClass()->getName()->toUtf8();
    VMPtr<String> m = getMessage();
    if (m) text += ": " + m->toUtf8();
    text += "\n    at <unknown>\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace java::lang
