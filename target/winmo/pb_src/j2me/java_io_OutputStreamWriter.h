// java.io.OutputStreamWriter: a Writer that encodes to UTF-8, one UTF-16
// unit at a time (a surrogate pair becomes two 3-byte sequences), over an
// OutputStream. It keeps nothing buffered between calls.
#pragma once

#include "java_io_OutputStream.h"
#include "java_io_Writer.h"

namespace java::io {

class OutputStreamWriter : public Writer {
    WREN_CLASS(OutputStreamWriter, Writer, (out, OutputStream), (bytes, VMArray<jbyte>))
public:
    static constexpr jint kByteBufferSize = 2048;

    using Writer::write;

    // A null stream throws NullPointerException. The encoding is always UTF-8.
    void ctor(const VMPtr<OutputStream>& stream);

    // After close, write and flush throw IOException("Stream closed").
    void write(jint c) override;
    // IndexOutOfBoundsException for a range outside the array or string;
    // the encoded bytes reach the stream in writes of at most 2048 bytes.
    void write(const VMPtr<VMArray<jchar>>& cbuf, jint off, jint len) override;
    void write(const VMPtr<java::lang::String>& s, jint off, jint len) override;
    void flush() override;
    // Closes the stream once; later closes do nothing.
    void close() override;

private:
    void ensureOpen();
    VMPtr<VMArray<jbyte>> byteBuffer();
    // Encodes chars[0 .. len-1]; the caller's reference keeps them alive.
    void encode(const jchar* chars, jint len);
};

}  // namespace java::io
