// The receiving side of a socket connection. Each read waits for at least
// one byte and returns what has come, up to the length asked for.
#pragma once

#include "java_io_InputStream.h"

struct NativeSocketConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io {

class SocketInputStream : public java::io::InputStream {
    WREN_CLASS(SocketInputStream, java::io::InputStream)
public:
    // The stream's own hold on the native record; null once closed.
    NativeSocketConnection* nativeConnection = nullptr;

    using java::io::InputStream::read;

    void ctor(NativeSocketConnection* handle);
    // A stream dropped without close() gives its hold on the record back.
    ~SocketInputStream() override;

    // -1 once the peer has ended its side. IOException "The input stream
    // has been closed" after close(); "SocketConnection error: 7" when the
    // read fails, times out or the connection is closed meanwhile (also
    // from another thread, which ends a blocked read).
    jint read() override;
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    // What a read returns without waiting; 0 once closed.
    jint available() override;
    // Gives the stream's hold up; the connection stays open.
    void close() override;

private:
    void ensureOpen();
};

}  // namespace com::nimbault::marl::midp::io
