// java.io.Writer: the abstract character sink. Text handed to it as a String
// passes through a 1024-char buffer in chunks.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"

namespace java::io {

class Writer : public virtual java::lang::Object {
    WREN_CLASS(Writer, java::lang::Object, (lock, java::lang::Object),
               (writeBuffer, VMArray<jchar>))
public:
    static constexpr jint kWriteBufferSize = 1024;

    // The writer guards itself: lock is the writer.
    void ctor();

    // Writes s[off .. off+len-1] through write(char[],int,int), at most 1024
    // chars a call. A null s throws NullPointerException; a negative len
    // writes nothing.
    virtual void write(const VMPtr<java::lang::String>& s, jint off, jint len);
    virtual void write(const VMPtr<java::lang::String>& s);
    virtual void write(const VMPtr<VMArray<jchar>>& cbuf, jint off, jint len) = 0;
    virtual void write(const VMPtr<VMArray<jchar>>& cbuf);
    // Writes the UTF-16 unit in the low 16 bits of c.
    virtual void write(jint c);
    virtual void flush() = 0;
    virtual void close() = 0;

protected:
    VMPtr<VMArray<jchar>> buffer();
};

}  // namespace java::io
