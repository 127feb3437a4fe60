#include "com_nimbault_marl_midp_io_SocketInputStream.h"

#include "HAL_socket.h"
#include "HAL_status.h"
#include "com_nimbault_marl_midp_io_protocol_socket_Protocol.h"
#include "java_io_IOException.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::SocketInputStream,
                  "com.nimbault.marl.midp.io.SocketInputStream")

namespace com::nimbault::marl::midp::io {

void SocketInputStream::ctor(NativeSocketConnection* handle) {
    java::io::InputStream::ctor();
    nativeConnection = handle;
    if (handle) HAL_retainSocketConnection(handle);
}

SocketInputStream::~SocketInputStream() {
    if (nativeConnection) HAL_releaseSocketConnection(nativeConnection);
}

void SocketInputStream::ensureOpen() {
    if (!nativeConnection)
        java::io::IOException::throwNew(WREN_LIT("The input stream has been closed"));
}

jint SocketInputStream::read() {
    ensureOpen();
    uint8_t byte = 0;
    jint got = -1;
    int32_t status = HAL_readSocketConnection(nativeConnection, &byte, 1, &got);
    if (status == HAL_END_OF_DATA) return -1;
    if (status != HAL_OK || got != 1) protocol::socket::Protocol::throwSocketError(status);
    return byte;
}

jint SocketInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    ensureOpen();
    checkRange(b, off, len);
    if (len == 0) return 0;
    jint got = -1;
    int32_t status = HAL_readSocketConnection(
        nativeConnection, reinterpret_cast<uint8_t*>(b->elements()) + off, len, &got);
    if (status == HAL_END_OF_DATA) return -1;
    if (status != HAL_OK) protocol::socket::Protocol::throwSocketError(status);
    return got;
}

jint SocketInputStream::available() {
    if (!nativeConnection) return 0;
    jint n = 0;
    if (HAL_availableSocketConnection(nativeConnection, &n) != HAL_OK) return 0;
    return n;
}

void SocketInputStream::close() {
    NativeSocketConnection* handle = nativeConnection;
    nativeConnection = nullptr;
    if (handle) HAL_releaseSocketConnection(handle);
}

}  // namespace com::nimbault::marl::midp::io
