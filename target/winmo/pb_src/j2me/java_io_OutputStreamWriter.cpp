#include "java_io_OutputStreamWriter.h"

#include "VMUtf8.h"
#include "java_io_IOException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(java::io::OutputStreamWriter, "java.io.OutputStreamWriter")

namespace java::io {

void OutputStreamWriter::ctor(const VMPtr<OutputStream>& stream) {
    Writer::ctor();
    if (stream == nullptr) java::lang::NullPointerException::throwNew();
    out = stream;
}

void OutputStreamWriter::ensureOpen() {
    if (out == nullptr) IOException::throwNew(WREN_LIT("Stream closed"));
}

VMPtr<VMArray<jbyte>> OutputStreamWriter::byteBuffer() {
    if (bytes == nullptr) bytes = VMArray<jbyte>::create(kByteBufferSize);
    return bytes;
}

void OutputStreamWriter::write(jint c) {
    ensureOpen();
    VMSynchronized guard(lock);
    VMPtr<VMArray<jbyte>> b = byteBuffer();
    char* cursor = reinterpret_cast<char*>(b->elements());
    int64_t left = vmUtf8EncodeChar(jchar(c), kByteBufferSize, cursor, false);
    out->write(b, 0, jint(kByteBufferSize - left));
}

void OutputStreamWriter::encode(const jchar* chars, jint len) {
    VMPtr<VMArray<jbyte>> b = byteBuffer();
    for (jint position = 0; position < len;) {
        // As many units as fit whole into the buffer, then out with them.
        size_t filled = kByteBufferSize;
        position += vmEncodeUtf8(reinterpret_cast<char*>(b->elements()), filled,
                                 chars + position, len - position, false, false);
        out->write(b, 0, jint(filled));
    }
}

void OutputStreamWriter::write(const VMPtr<VMArray<jchar>>& cbuf, jint off, jint len) {
    ensureOpen();
    jint n = cbuf->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    if (len == 0) return;
    VMSynchronized guard(lock);
    encode(cbuf->elements() + off, len);
}

void OutputStreamWriter::write(const VMPtr<java::lang::String>& s, jint off, jint len) {
    ensureOpen();
    jint n = s->length();
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    if (len == 0) return;
    VMSynchronized guard(lock);
    encode(s->value->elements() + s->offset + off, len);
}

void OutputStreamWriter::flush() {
    ensureOpen();
    out->flush();
}

void OutputStreamWriter::close() {
    if (out == nullptr) return;
    out->close();
    out = nullptr;
}

}  // namespace java::io
