#include "com_nimbault_marl_midp_io_HttpInputStream.h"

#include <algorithm>
#include <cstring>

#include "HAL_http.h"
#include "HAL_status.h"
#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"
#include "java_io_IOException.h"
#include "java_lang_Thread.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::HttpInputStream,
                  "com.nimbault.marl.midp.io.HttpInputStream")

namespace com::nimbault::marl::midp::io {

void HttpInputStream::ctor(NativeHttpConnection* handle) {
    java::io::InputStream::ctor();
    nativeConnection = handle;
    if (handle) HAL_retainHTTPConnection(handle);
    position = 0;
    count = 0;
    buffer = nullptr;
}

HttpInputStream::~HttpInputStream() {
    if (nativeConnection) HAL_releaseHTTPConnection(nativeConnection);
}

void HttpInputStream::ensureOpen() {
    if (!nativeConnection) java::io::IOException::throwNew(WREN_LIT("The input stream has been closed"));
}

bool HttpInputStream::refill() {
    const uint8_t* chunk = nullptr;
    jint got = 0;
    int32_t status = HAL_readHTTPConnection(nativeConnection, &chunk, &got);
    position = 0;
    if (status == HAL_OK && got > 0 && chunk) {
        buffer = chunk;
        count = got;
        return true;
    }
    // Whatever went wrong, no byte of an old chunk is offered again.
    count = 0;
    if (status == HAL_OK || (status == HAL_END_OF_DATA && got <= 0)) return false;
    protocol::http::Protocol::throwHttpError(status);
}

jint HttpInputStream::read() {
    ensureOpen();
    if (available() <= 0 && !refill()) return -1;
    return buffer[position++];
}

jint HttpInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    ensureOpen();
    checkRange(b, off, len);
    if (available() <= 0 && !refill()) return -1;
    jint k = std::min(len, count - position);
    if (k > 0) std::memcpy(b->elements() + off, buffer + position, size_t(k));
    position += k;
    return k;
}

jlong HttpInputStream::skip(jlong n) {
    ensureOpen();
    if (n <= 0) return 0;
    jlong remaining = n;
    while (remaining > 0) {
        jint ready = available();
        if (ready <= 0) {
            // The next read may wait for the network: let the others run first.
            java::lang::Thread::yield();
            if (read() < 0) break;
            remaining -= 1;
        } else {
            jint k = jint(std::min<jlong>(ready, remaining));
            position += k;
            remaining -= k;
        }
    }
    return n - remaining;
}

jint HttpInputStream::available() { return count - position; }

void HttpInputStream::close() {
    NativeHttpConnection* handle = nativeConnection;
    HAL_closeHTTPInputStream(handle);
    nativeConnection = nullptr;
    buffer = nullptr;
    if (handle) HAL_releaseHTTPConnection(handle);
}

}  // namespace com::nimbault::marl::midp::io
