#include "java_io_ByteArrayOutputStream.h"

#include <algorithm>

#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::io::ByteArrayOutputStream, "java.io.ByteArrayOutputStream")

namespace java::io {

void ByteArrayOutputStream::ctor() { ctor(32); }

void ByteArrayOutputStream::ctor(jint size) {
    OutputStream::ctor();
    if (size < 0) java::lang::IllegalArgumentException::throwNew(WREN_LIT("Negative initial size"));
    buf = VMArray<jbyte>::create(size);
}

void ByteArrayOutputStream::ensureOpen() {
    if (closed)
        java::lang::RuntimeException::throwNew(WREN_LIT("Writing to closed ByteArrayOutputStream"));
}

void ByteArrayOutputStream::grow(jint n) {
    int64_t needed = int64_t(count) + n;
    if (needed <= buf->length) return;
    // No byte array holds more than 2^31 - 1 bytes.
    if (needed > INT32_MAX) java::lang::OutOfMemoryError::throwNew();
    int64_t length =
        std::min<int64_t>(std::max<int64_t>(2 * int64_t(buf->length), needed), INT32_MAX);
    VMPtr<VMArray<jbyte>> bigger = VMArray<jbyte>::create(jint(length));
    java::lang::System::arraycopy(buf, 0, bigger, 0, count);
    buf = bigger;
}

void ByteArrayOutputStream::write(jint b) {
    VMSynchronized guard(this);
    ensureOpen();
    grow(1);
    buf[count] = jbyte(b);
    ++count;
}

void ByteArrayOutputStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    VMSynchronized guard(this);
    jint n = b->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    if (len == 0) return;
    grow(len);
    java::lang::System::arraycopy(b, off, buf, count, len);
    count += len;
}

void ByteArrayOutputStream::flush() {}

void ByteArrayOutputStream::close() { closed = true; }

void ByteArrayOutputStream::reset() {
    VMSynchronized guard(this);
    ensureOpen();
    count = 0;
}

VMPtr<VMArray<jbyte>> ByteArrayOutputStream::toByteArray() {
    VMSynchronized guard(this);
    if (closed && buf->length == count) return buf;
    VMPtr<VMArray<jbyte>> copy = VMArray<jbyte>::create(count);
    java::lang::System::arraycopy(buf, 0, copy, 0, count);
    return copy;
}

jint ByteArrayOutputStream::size() { return count; }

VMPtr<java::lang::String> ByteArrayOutputStream::toString() {
    return java::lang::String::make(buf, jint(0), count);
}

}  // namespace java::io
