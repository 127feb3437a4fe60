#include "wren_io_FastInputStream.h"

#include <algorithm>

#include "java_io_IOException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(wren::io::FastInputStream, "wren.io.FastInputStream")

namespace wren::io {

void FastInputStream::ctor(const VMPtr<java::io::InputStream>& stream) {
    java::io::InputStream::ctor();
    in = stream;
    buffer = VMArray<jbyte>::create(BUFFER_SIZE);
    pos = 0;
    avail = 0;
    closed = false;
    eof = false;
}

void FastInputStream::fill() {
    if (closed) java::io::IOException::throwNew(WREN_LIT("InputStream closed"));
    while (!eof && avail == 0) {
        jint n = in->read(buffer, 0, BUFFER_SIZE);
        // Anything below 0 is the end: a count that could index the buffer
        // backwards is never taken.
        if (n < 0) {
            eof = true;
        } else {
            pos = 0;
            avail = std::min(n, BUFFER_SIZE);
        }
    }
}

jint FastInputStream::read() {
    fill();
    if (eof) return -1;
    jint c = jint(uint8_t(buffer[pos]));
    pos += 1;
    avail -= 1;
    return c;
}

jint FastInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    checkRange(b, off, len);
    fill();
    if (eof) return -1;
    jint n = std::min(len, avail);
    java::lang::System::arraycopy(buffer, pos, b, off, n);
    pos += n;
    avail -= n;
    return n;
}

jlong FastInputStream::skip(jlong n) {
    if (n <= 0) return 0;
    jlong remaining = n;
    while (remaining > 0) {
        fill();
        if (eof) break;
        jint k = jint(std::min<jlong>(remaining, avail));
        pos += k;
        avail -= k;
        remaining -= k;
    }
    return n - remaining;
}

jint FastInputStream::available() {
    return eof ? 0 : avail;
}

void FastInputStream::close() {
    closed = true;
    if (in != nullptr) {
        VMPtr<java::io::InputStream> wrapped = in;
        in = nullptr;
        buffer = nullptr;
        wrapped->close();
        return;
    }
    buffer = nullptr;
}

void FastInputStream::mark(jint readlimit) {
    VMSynchronized guard(this);
}

void FastInputStream::reset() {
    VMSynchronized guard(this);
}

jint FastInputStream::writeBufferTo(const VMPtr<java::io::OutputStream>& out) {
    fill();
    if (eof) return -1;
    jint n = avail;
    out->write(buffer, pos, n);
    pos = 0;
    avail = 0;
    return n;
}

}  // namespace wren::io
