#include "java_io_PrintStream.h"

#include "VMTry.h"
#include "java_io_IOException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(java::io::PrintStream, "java.io.PrintStream")

namespace java::io {

using java::lang::String;

void PrintStream::ctor(const VMPtr<OutputStream>& stream) {
    OutputStream::ctor();
    if (stream == nullptr) java::lang::NullPointerException::throwNew();
    out = stream;
    charOut = OutputStreamWriter::make(stream);
}

void PrintStream::ensureOpen() {
    if (charOut == nullptr) java::lang::NullPointerException::throwNew();
}

// Runs one operation on the open stream under its monitor; an I/O failure is
// recorded for checkError instead of thrown.
template <class F>
void PrintStream::whileOpen(F&& operation) {
    VMSynchronized guard(this);
    ensureOpen();
    vmTryCatch(operation, [&](const VMPtr<IOException>&) { trouble = true; });
}

void PrintStream::write(jint b) {
    whileOpen([&] { out->write(b); });
}

void PrintStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    whileOpen([&] { out->write(b, off, len); });
}

void PrintStream::flush() {
    whileOpen([&] { charOut->flush(); });
}

void PrintStream::close() {
    VMSynchronized guard(this);
    if (closing) return;
    closing = true;
    vmTryCatch(
        [&] {
            charOut->close();
            charOut = nullptr;
            out = nullptr;
        },
        [&](const VMPtr<IOException>&) { trouble = true; });
}

jboolean PrintStream::checkError() {
    if (charOut != nullptr) flush();
    return trouble;
}

void PrintStream::setError() { trouble = true; }

void PrintStream::writeText(const VMPtr<String>& s) {
    whileOpen([&] { charOut->write(s); });
}

void PrintStream::writeText(const VMPtr<VMArray<jchar>>& s) {
    whileOpen([&] { charOut->write(s); });
}

void PrintStream::newLine() {
    whileOpen([&] { charOut->write(jint('\n')); });
}

void PrintStream::print(const char* s) {
    if (!s) s = "null";
    for (; *s; ++s) write(jint(static_cast<unsigned char>(*s)));
}

void PrintStream::print(const VMPtr<java::lang::Object>& obj) { writeText(String::valueOf(obj)); }

void PrintStream::print(const VMPtr<String>& s) {
    writeText(s == nullptr ? VMPtr<String>(WREN_LIT("null")) : s);
}

void PrintStream::print(const VMPtr<VMArray<jchar>>& s) { writeText(s); }
void PrintStream::print(jdouble d) { writeText(String::valueOf(d)); }
void PrintStream::print(jfloat f) { writeText(String::valueOf(f)); }
void PrintStream::print(jlong l) { writeText(String::valueOf(l)); }
void PrintStream::print(jint i) { writeText(String::valueOf(i)); }
void PrintStream::print(jchar c) { writeText(String::valueOf(c)); }
void PrintStream::print(jboolean b) { writeText(String::valueOf(b)); }

// println holds the stream across the text and its newline, so another
// thread's output can't land between them.
#define WREN_PRINTLN_(Param)            \
    void PrintStream::println(Param x) { \
        VMSynchronized guard(this);     \
        print(x);                       \
        newLine();                      \
    }
WREN_PRINTLN_(const char*)
WREN_PRINTLN_(const VMPtr<java::lang::Object>&)
WREN_PRINTLN_(const VMPtr<String>&)
WREN_PRINTLN_(const VMPtr<VMArray<jchar>>&)
WREN_PRINTLN_(jdouble)
WREN_PRINTLN_(jfloat)
WREN_PRINTLN_(jlong)
WREN_PRINTLN_(jint)
WREN_PRINTLN_(jchar)
WREN_PRINTLN_(jboolean)
#undef WREN_PRINTLN_

void PrintStream::println() { newLine(); }

}  // namespace java::io
