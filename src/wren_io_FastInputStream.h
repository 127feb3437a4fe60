// wren.io.FastInputStream: a 1024-byte buffer in front of a slow stream, so
// that it is read in blocks and the blocks can be handed on whole
// (writeBufferTo). A buffer that still holds bytes is never refilled, so a
// read gives at most what the buffer holds.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_InputStream.h"
#include "java_io_OutputStream.h"

namespace wren::io {

class FastInputStream : public java::io::InputStream {
    WREN_CLASS(FastInputStream, java::io::InputStream, (in, java::io::InputStream),
               (buffer, VMArray<jbyte>))
public:
    static constexpr jint BUFFER_SIZE = 1024;

    jint pos = 0;    // of the next byte to hand out
    jint avail = 0;  // bytes buffered and not handed out yet
    jboolean closed = false;
    jboolean eof = false;  // the wrapped stream has ended; never left

    using java::io::InputStream::read;

    void ctor(const VMPtr<java::io::InputStream>& stream);

    // After close, every read, skip and writeBufferTo throws
    // IOException("InputStream closed"), even with bytes still buffered. An
    // exception of the wrapped stream passes through and leaves the buffer
    // as it was.
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    jint read() override;
    jlong skip(jlong n) override;
    // The bytes buffered; 0 at the end.
    jint available() override;
    void close() override;
    // Marks are not supported: both do nothing, without an exception.
    void mark(jint readlimit) override;
    void reset() override;

    // Writes the buffered block to `out` in one write and empties the
    // buffer; the count written, or -1 at the end.
    virtual jint writeBufferTo(const VMPtr<java::io::OutputStream>& out);

private:
    // Refills an empty buffer with one read of the wrapped stream, asking
    // again while it gives 0 bytes.
    void fill();
};

}  // namespace wren::io
