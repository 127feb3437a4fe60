#include "java_io_Writer.h"

#include "java_lang_NullPointerException.h"

WREN_DEFINE_ABSTRACT_CLASS(java::io::Writer, "java.io.Writer")

namespace java::io {

void Writer::ctor() {
    java::lang::Object::ctor();
    lock = this;
}

VMPtr<VMArray<jchar>> Writer::buffer() {
    if (writeBuffer == nullptr) writeBuffer = VMArray<jchar>::create(kWriteBufferSize);
    return writeBuffer;
}

void Writer::write(jint c) {
    VMSynchronized guard(lock);
    VMPtr<VMArray<jchar>> b = buffer();
    b[0] = jchar(c);
    write(b, 0, 1);
}

void Writer::write(const VMPtr<VMArray<jchar>>& cbuf) { write(cbuf, 0, cbuf->length); }

void Writer::write(const VMPtr<java::lang::String>& s) { write(s, 0, s->length()); }

void Writer::write(const VMPtr<java::lang::String>& s, jint off, jint len) {
    VMSynchronized guard(lock);
    if (s == nullptr) java::lang::NullPointerException::throwNew();
    VMPtr<VMArray<jchar>> b = buffer();
    while (len > 0) {
        jint n = len < kWriteBufferSize ? len : kWriteBufferSize;
        s->getChars(off, off + n, b, 0);
        write(b, 0, n);
        off += n;
        len -= n;
    }
}

}  // namespace java::io
