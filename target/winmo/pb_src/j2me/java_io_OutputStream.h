// java.io.OutputStream: the abstract byte sink every output stream extends.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace java::io {

class OutputStream : public virtual java::lang::Object {
    WREN_CLASS(OutputStream, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }

    // Checks the range (NullPointerException for a null array,
    // IndexOutOfBoundsException for a range outside it), then writes the
    // bytes one write(int) call at a time, b[off] first.
    virtual void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len);
    virtual void write(const VMPtr<VMArray<jbyte>>& b);
    // Writes the low 8 bits of b.
    virtual void write(jint b) = 0;
    virtual void flush();
    virtual void close();
};

}  // namespace java::io
