// The response body of an http connection, read from the native connection
// in chunks of at most 4096 bytes. The stream copies straight out of the
// native connection's read buffer and allocates nothing while reading.
#pragma once

#include "java_io_InputStream.h"

struct NativeHttpConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io {

class HttpInputStream : public java::io::InputStream {
    WREN_CLASS(HttpInputStream, java::io::InputStream)
public:
    // The stream's own hold on the native record (released on close), so the
    // record lives as long as the stream needs it, connection closed or not.
    NativeHttpConnection* nativeConnection = nullptr;
    jint position = 0;  // next unread byte of the current chunk
    jint count = 0;     // bytes in the current chunk
    // The current chunk: the native record's read buffer as the last native
    // read left it; null once closed.
    const uint8_t* buffer = nullptr;

    using java::io::InputStream::read;

    void ctor(NativeHttpConnection* handle);
    // A stream dropped without close() gives its hold on the record back.
    ~HttpInputStream() override;

    // read and skip throw IOException "The input stream has been closed"
    // once closed; a failed native read throws "HttpConnection error: " and
    // the status.
    jint read() override;
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    jlong skip(jlong n) override;
    // The unread rest of the current chunk, also after close.
    jint available() override;
    // Closes the native connection's request; closing twice is harmless.
    void close() override;

private:
    void ensureOpen();
    // Reads the next chunk; false at the end of the body.
    bool refill();
};

}  // namespace com::nimbault::marl::midp::io
