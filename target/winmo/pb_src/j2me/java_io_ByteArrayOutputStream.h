// java.io.ByteArrayOutputStream: collects bytes in a growing array. The data
// is buf[0 .. count-1]; count never exceeds buf.length.
#pragma once

#include "java_io_OutputStream.h"
#include "java_lang_String.h"

namespace java::io {

class ByteArrayOutputStream : public OutputStream {
    WREN_CLASS(ByteArrayOutputStream, OutputStream, (buf, VMArray<jbyte>))
public:
    jint count = 0;
    jboolean closed = false;

    using OutputStream::write;

    // 32 bytes to start with.
    void ctor();
    // IllegalArgumentException("Negative initial size") for size < 0; 0 is allowed.
    void ctor(jint size);

    // After close: RuntimeException("Writing to closed ByteArrayOutputStream").
    void write(jint b) override;
    // Keeps appending after close, unlike write(int).
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void flush() override;
    void close() override;
    // Empties the stream, keeping the array. After close: the RuntimeException
    // of write(int).
    virtual void reset();
    // A copy of the data; a closed stream whose array is exactly full hands
    // out the array itself, as nothing can change it any more.
    virtual VMPtr<VMArray<jbyte>> toByteArray();
    virtual jint size();
    // The data decoded as UTF-8 (RuntimeException when it is malformed).
    VMPtr<java::lang::String> toString() override;

private:
    void ensureOpen();
    // Makes room for n more bytes: the array doubles, or grows to exactly
    // what is needed when that is more.
    void grow(jint n);
};

}  // namespace java::io
