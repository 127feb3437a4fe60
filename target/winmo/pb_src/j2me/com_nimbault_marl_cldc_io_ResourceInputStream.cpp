#include "com_nimbault_marl_cldc_io_ResourceInputStream.h"

#include <algorithm>

#include "HAL_resources.h"
#include "HAL_status.h"
#include "java_io_IOException.h"
#include "java_lang_StringBuffer.h"

WREN_DEFINE_CLASS(com::nimbault::marl::cldc::io::ResourceInputStream,
                  "com.nimbault.marl.cldc.io.ResourceInputStream")

namespace com::nimbault::marl::cldc::io {

namespace {

[[noreturn]] void throwResourceError(int32_t status) {
    VMPtr<java::lang::StringBuffer> message = java::lang::StringBuffer::make("Resource error: ");
    message->append(jint(status));
    java::io::IOException::throwNew(message->toString());
}

}  // namespace

void ResourceInputStream::ctor(const VMPtr<java::lang::String>& name) {
    java::io::InputStream::ctor();
    handle = nullptr;
    jint length = name->length();
    int32_t status = HAL_openResource(&handle, name->value->elements() + name->offset, length);
    if (status != HAL_OK) throwResourceError(status);
    if (!handle) java::io::IOException::throwNew();
    size = HAL_getResourceSize(handle);
    if (size < 0) {
        // A size that can't be read would make every read look like the end.
        HAL_closeResource(handle);
        handle = nullptr;
        throwResourceError(HAL_IO_ERROR);
    }
    position = 0;
    markPosition = 0;
}

ResourceInputStream::~ResourceInputStream() {
    if (handle) HAL_closeResource(handle);
}

void ResourceInputStream::ensureOpen() {
    if (!handle) java::io::IOException::throwNew();
}

jint ResourceInputStream::read() {
    ensureOpen();
    if (position >= size) return -1;
    uint8_t byte = 0;
    jint count = 1;
    int32_t status = HAL_readResource(handle, &byte, position, &count);
    // No byte is the end too: the file may have shrunk since it was opened.
    if ((status == HAL_OK || status == HAL_END_OF_DATA) && count < 1) return -1;
    if (status != HAL_OK) throwResourceError(status);
    position += 1;
    return byte;
}

jint ResourceInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    ensureOpen();
    checkRange(b, off, len);
    if (len == 0) return 0;
    if (position >= size) return -1;
    jint count = std::min(len, size - position);
    int32_t status = HAL_readResource(handle, b->elements() + off, position, &count);
    if ((status == HAL_OK || status == HAL_END_OF_DATA) && count < 1) return -1;
    if (status != HAL_OK) throwResourceError(status);
    position += count;
    return count;
}

jlong ResourceInputStream::skip(jlong n) {
    ensureOpen();
    if (n <= 0) return 0;
    jlong k = std::min<jlong>(n, jlong(size) - position);
    position += jint(k);
    return k;
}

jint ResourceInputStream::available() { return size - position; }

void ResourceInputStream::close() {
    if (!handle) return;
    HAL_closeResource(handle);
    handle = nullptr;
}

void ResourceInputStream::mark(jint readlimit) { markPosition = position; }

void ResourceInputStream::reset() {
    ensureOpen();
    position = markPosition;
}

jboolean ResourceInputStream::markSupported() { return true; }

}  // namespace com::nimbault::marl::cldc::io
