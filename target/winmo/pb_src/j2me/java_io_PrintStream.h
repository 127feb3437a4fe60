// java.io.PrintStream: text output over an OutputStream, the class of
// System.out. Text goes out as UTF-8 through an OutputStreamWriter over the
// same stream. It never passes an IOException on: a failure sets the error
// flag that checkError reports. After close every output operation throws
// NullPointerException.
#pragma once

#include <type_traits>

#include "java_io_OutputStream.h"
#include "java_io_OutputStreamWriter.h"
#include "java_lang_String.h"

namespace java::io {

class PrintStream : public OutputStream {
    WREN_CLASS(PrintStream, OutputStream, (charOut, OutputStreamWriter), (out, OutputStream))
public:
    jboolean trouble = false;
    jboolean closing = false;

    using OutputStream::write;

    // A null stream throws NullPointerException.
    void ctor(const VMPtr<OutputStream>& stream);

    void write(jint b) override;
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void flush() override;
    void close() override;
    // Flushes unless closed, then tells whether any output failed.
    virtual jboolean checkError();

    // The runtime's own texts: each byte of the NUL-terminated s goes to
    // write(int) as it is, without encoding.
    virtual void print(const char* s);
    virtual void print(const VMPtr<java::lang::Object>& obj);
    // null prints "null".
    virtual void print(const VMPtr<java::lang::String>& s);
    virtual void print(const VMPtr<VMArray<jchar>>& s);
    virtual void print(jdouble d);
    virtual void print(jfloat f);
    virtual void print(jlong l);
    virtual void print(jint i);
    virtual void print(jchar c);
    virtual void print(jboolean b);
    virtual void println(const char* s);
    virtual void println(const VMPtr<java::lang::Object>& obj);
    virtual void println(const VMPtr<java::lang::String>& s);
    virtual void println(const VMPtr<VMArray<jchar>>& s);
    virtual void println(jdouble d);
    virtual void println(jfloat f);
    virtual void println(jlong l);
    virtual void println(jint i);
    virtual void println(jchar c);
    virtual void println(jboolean b);
    virtual void println();
    virtual void setError();

    // Java chooses print's overload by the argument's static type. These
    // take every other reference (fields, statics, subclasses, raw pointers)
    // to the String, char[] or Object overload the same way, so that no
    // pointer is taken for a boolean; a C++ char is a Java char.
    template <class T>
        requires std::is_base_of_v<java::lang::Object, T>
    void print(T* p) {
        if constexpr (std::is_base_of_v<java::lang::String, T>)
            print(VMPtr<java::lang::String>(p));
        else if constexpr (std::is_same_v<T, VMArray<jchar>>)
            print(VMPtr<VMArray<jchar>>(p));
        else
            print(VMPtr<java::lang::Object>(vmObj(p)));
    }
    template <class R>
        requires VMRefLike<R>
    void print(const R& r) {
        print(r.get());
    }
    void print(char c) { print(jchar(static_cast<unsigned char>(c))); }
    void print(std::nullptr_t) = delete;  // ambiguous in Java too
    template <class T>
        requires std::is_base_of_v<java::lang::Object, T>
    void println(T* p) {
        if constexpr (std::is_base_of_v<java::lang::String, T>)
            println(VMPtr<java::lang::String>(p));
        else if constexpr (std::is_same_v<T, VMArray<jchar>>)
            println(VMPtr<VMArray<jchar>>(p));
        else
            println(VMPtr<java::lang::Object>(vmObj(p)));
    }
    template <class R>
        requires VMRefLike<R>
    void println(const R& r) {
        println(r.get());
    }
    void println(char c) { println(jchar(static_cast<unsigned char>(c))); }
    void println(std::nullptr_t) = delete;

private:
    void ensureOpen();
    template <class F>
    void whileOpen(F&& operation);
    void writeText(const VMPtr<java::lang::String>& s);
    void writeText(const VMPtr<VMArray<jchar>>& s);
    void newLine();
};

}  // namespace java::io
