#include "java_io_InputStream.h"

#include "VMTry.h"
#include "java_io_IOException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_ABSTRACT_CLASS(java::io::InputStream, "java.io.InputStream")

namespace java::io {

void InputStream::checkRange(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    if (b == nullptr) java::lang::NullPointerException::throwNew();
    jint n = b->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
}

jint InputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    checkRange(b, off, len);
    if (len == 0) return 0;
    jint c = read();
    if (c == -1) return -1;
    b[off] = jbyte(c);
    jint i = 1;
    vmTryCatch(
        [&] {
            for (; i < len; ++i) {
                c = read();
                if (c == -1) break;
                b[off + i] = jbyte(c);
            }
        },
        [](const VMPtr<IOException>&) {});  // the bytes read so far still count
    return i;
}

jint InputStream::read(const VMPtr<VMArray<jbyte>>& b) { return read(b, 0, b->length); }

jlong InputStream::skip(jlong n) {
    jlong done = 0;
    while (done < n && read() >= 0) ++done;
    return done;
}

jint InputStream::available() { return 0; }

void InputStream::close() {}

void InputStream::mark(jint readlimit) {}

void InputStream::reset() {
    VMSynchronized guard(this);
    IOException::throwNew(WREN_LIT("mark/reset not supported"));
}

jboolean InputStream::markSupported() { return false; }

}  // namespace java::io
