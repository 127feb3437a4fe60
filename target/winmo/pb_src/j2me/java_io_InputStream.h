// java.io.InputStream: the abstract byte source every input stream extends.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace java::io {

class InputStream : public virtual java::lang::Object {
    WREN_CLASS(InputStream, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }

    // Checks the range (NullPointerException for a null array,
    // IndexOutOfBoundsException for a range outside it), then fills it one
    // read() at a time: -1 when the first read() finds the end, else the
    // count stored. An IOException after the first byte ends the fill and is
    // not passed on; the first read()'s is.
    virtual jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len);
    virtual jint read(const VMPtr<VMArray<jbyte>>& b);
    // The next byte as 0..255, or -1 at the end.
    virtual jint read() = 0;
    // Reads and drops up to n bytes; returns how many went.
    virtual jlong skip(jlong n);
    virtual jint available();
    virtual void close();
    virtual void mark(jint readlimit);
    // Throws IOException("mark/reset not supported").
    virtual void reset();
    virtual jboolean markSupported();

protected:
    // The check every read into an array makes first: a null array throws
    // NullPointerException, a range outside it IndexOutOfBoundsException.
    static void checkRange(const VMPtr<VMArray<jbyte>>& b, jint off, jint len);
};

}  // namespace java::io
