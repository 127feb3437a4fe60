// java.io.ByteArrayInputStream: reads a byte array. Bytes buf[pos ..
// count-1] are still to be read; count never exceeds buf.length.
#pragma once

#include "java_io_InputStream.h"

namespace java::io {

class ByteArrayInputStream : public InputStream {
    WREN_CLASS(ByteArrayInputStream, InputStream, (buf, VMArray<jbyte>))
public:
    jint pos = 0;
    jint markPosition = 0;  // Java's `mark` field; the name is mark(int)'s here
    jint count = 0;

    using InputStream::read;

    void ctor(const VMPtr<VMArray<jbyte>>& b);
    // Reads b[offset .. min(offset + length, b.length) - 1]. The arguments
    // are taken as given: a start before the array throws
    // ArrayIndexOutOfBoundsException from the read that reaches it, one past
    // its end reads as the end.
    void ctor(const VMPtr<VMArray<jbyte>>& b, jint offset, jint length);

    jint read() override;
    // -1 at the end even for len 0, as the stream has nothing left to give.
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    jlong skip(jlong n) override;
    jint available() override;
    void mark(jint readAheadLimit) override;
    void reset() override;
    jboolean markSupported() override;
    // The stream stays readable after close.
    void close() override;
};

}  // namespace java::io
