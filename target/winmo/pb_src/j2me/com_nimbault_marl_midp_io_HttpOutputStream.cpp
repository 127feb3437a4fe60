#include "com_nimbault_marl_midp_io_HttpOutputStream.h"

#include "HAL_http.h"
#include "HAL_status.h"
#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"
#include "java_io_IOException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::HttpOutputStream,
                  "com.nimbault.marl.midp.io.HttpOutputStream")

namespace com::nimbault::marl::midp::io {

void HttpOutputStream::ctor(NativeHttpConnection* handle) {
    java::io::OutputStream::ctor();
    nativeConnection = handle;
    if (handle) HAL_retainHTTPConnection(handle);
}

HttpOutputStream::~HttpOutputStream() {
    if (nativeConnection) HAL_releaseHTTPConnection(nativeConnection);
}

void HttpOutputStream::ensureOpen() {
    if (!nativeConnection) java::io::IOException::throwNew();
}

void HttpOutputStream::writeChunk(const uint8_t* bytes, jint length) {
    int32_t status = HAL_writeHTTPConnection(nativeConnection, bytes, length);
    if (status != HAL_OK) protocol::http::Protocol::throwHttpError(status);
}

void HttpOutputStream::write(jint b) {
    ensureOpen();
    uint8_t byte = uint8_t(b);
    writeChunk(&byte, 1);
}

void HttpOutputStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    ensureOpen();
    if (b == nullptr) java::lang::NullPointerException::throwNew();
    jint n = b->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    writeChunk(reinterpret_cast<const uint8_t*>(b->elements()) + off, len);
}

void HttpOutputStream::flush() {}

void HttpOutputStream::close() {
    NativeHttpConnection* handle = nativeConnection;
    HAL_flushHTTPConnection(handle);
    nativeConnection = nullptr;
    if (handle) HAL_releaseHTTPConnection(handle);
}

}  // namespace com::nimbault::marl::midp::io
