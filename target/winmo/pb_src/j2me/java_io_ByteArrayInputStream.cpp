#include "java_io_ByteArrayInputStream.h"

#include <algorithm>

#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::io::ByteArrayInputStream, "java.io.ByteArrayInputStream")

namespace java::io {

void ByteArrayInputStream::ctor(const VMPtr<VMArray<jbyte>>& b) {
    InputStream::ctor();
    buf = b;
    pos = 0;
    markPosition = 0;
    count = b->length;
}

void ByteArrayInputStream::ctor(const VMPtr<VMArray<jbyte>>& b, jint offset, jint length) {
    InputStream::ctor();
    buf = b;
    pos = offset;
    markPosition = offset;
    count = std::min(offset + length, b->length);
}

jint ByteArrayInputStream::read() {
    VMSynchronized guard(this);
    if (pos >= count) return -1;
    // Checked: a start before the array (a negative offset given to the
    // constructor) throws rather than reads outside it.
    jint c = jint(uint8_t(buf[pos]));
    ++pos;
    return c;
}

jint ByteArrayInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    VMSynchronized guard(this);
    checkRange(b, off, len);
    if (pos >= count) return -1;
    jint n = std::min(len, count - pos);
    if (n > 0) {
        java::lang::System::arraycopy(buf, pos, b, off, n);  // checked like read()
        pos += n;
    }
    return n;
}

jlong ByteArrayInputStream::skip(jlong n) {
    VMSynchronized guard(this);
    jlong k = std::max<jlong>(0, std::min<jlong>(n, jlong(count) - pos));
    pos += jint(k);
    return k;
}

jint ByteArrayInputStream::available() { return count - pos; }

void ByteArrayInputStream::mark(jint readAheadLimit) { markPosition = pos; }

void ByteArrayInputStream::reset() { pos = markPosition; }

jboolean ByteArrayInputStream::markSupported() { return true; }

void ByteArrayInputStream::close() {}

}  // namespace java::io
