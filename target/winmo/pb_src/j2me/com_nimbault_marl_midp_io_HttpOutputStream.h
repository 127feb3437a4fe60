// The request body of an http connection: every write becomes one chunk held
// by the native connection, sent joined in order with the request.
#pragma once

#include "java_io_OutputStream.h"

struct NativeHttpConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io {

class HttpOutputStream : public java::io::OutputStream {
    WREN_CLASS(HttpOutputStream, java::io::OutputStream)
public:
    // The stream's own hold on the native record; null once closed.
    NativeHttpConnection* nativeConnection = nullptr;

    using java::io::OutputStream::write;

    void ctor(NativeHttpConnection* handle);
    // A stream dropped without close() gives its hold on the record back.
    ~HttpOutputStream() override;

    // Writes throw IOException once the stream is closed, and
    // "HttpConnection error: " with the status when the native connection
    // refuses the bytes (it has been closed). The array form checks its
    // range first: NullPointerException, IndexOutOfBoundsException.
    void write(jint b) override;
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void flush() override;
    // Sends nothing and leaves the connection open.
    void close() override;

private:
    void ensureOpen();
    void writeChunk(const uint8_t* bytes, jint length);
};

}  // namespace com::nimbault::marl::midp::io
