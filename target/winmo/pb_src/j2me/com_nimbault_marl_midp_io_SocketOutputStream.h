// The sending side of a socket connection: each write goes out whole before
// it returns.
#pragma once

#include "java_io_OutputStream.h"

struct NativeSocketConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io {

class SocketOutputStream : public java::io::OutputStream {
    WREN_CLASS(SocketOutputStream, java::io::OutputStream)
public:
    // The stream's own hold on the native record; null once closed.
    NativeSocketConnection* nativeConnection = nullptr;

    using java::io::OutputStream::write;

    void ctor(NativeSocketConnection* handle);
    // A stream dropped without close() gives its hold on the record back.
    ~SocketOutputStream() override;

    // IOException "The output stream has been closed" after close();
    // "SocketConnection error: 7" when the peer has gone, the send times out
    // or the connection is closed. The array form checks its range first.
    void write(jint b) override;
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void flush() override;
    // Gives the stream's hold up; the connection stays open.
    void close() override;

private:
    void ensureOpen();
};

}  // namespace com::nimbault::marl::midp::io
