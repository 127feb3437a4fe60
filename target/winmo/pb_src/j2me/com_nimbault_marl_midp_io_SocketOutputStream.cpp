#include "com_nimbault_marl_midp_io_SocketOutputStream.h"

#include "HAL_socket.h"
#include "HAL_status.h"
#include "com_nimbault_marl_midp_io_protocol_socket_Protocol.h"
#include "java_io_IOException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::SocketOutputStream,
                  "com.nimbault.marl.midp.io.SocketOutputStream")

namespace com::nimbault::marl::midp::io {

void SocketOutputStream::ctor(NativeSocketConnection* handle) {
    java::io::OutputStream::ctor();
    nativeConnection = handle;
    if (handle) HAL_retainSocketConnection(handle);
}

SocketOutputStream::~SocketOutputStream() {
    if (nativeConnection) HAL_releaseSocketConnection(nativeConnection);
}

void SocketOutputStream::ensureOpen() {
    if (!nativeConnection)
        java::io::IOException::throwNew(WREN_LIT("The output stream has been closed"));
}

void SocketOutputStream::write(jint b) {
    ensureOpen();
    uint8_t byte = uint8_t(b);
    int32_t status = HAL_writeSocketConnection(nativeConnection, &byte, 1);
    if (status != HAL_OK) protocol::socket::Protocol::throwSocketError(status);
}

void SocketOutputStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    ensureOpen();
    if (b == nullptr) java::lang::NullPointerException::throwNew();
    jint n = b->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    int32_t status = HAL_writeSocketConnection(
        nativeConnection, reinterpret_cast<const uint8_t*>(b->elements()) + off, len);
    if (status != HAL_OK) protocol::socket::Protocol::throwSocketError(status);
}

void SocketOutputStream::flush() {
    ensureOpen();
}

void SocketOutputStream::close() {
    NativeSocketConnection* handle = nativeConnection;
    nativeConnection = nullptr;
    if (handle) HAL_releaseSocketConnection(handle);
}

}  // namespace com::nimbault::marl::midp::io
