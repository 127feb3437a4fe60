#include "java_io_OutputStream.h"

#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_ABSTRACT_CLASS(java::io::OutputStream, "java.io.OutputStream")

namespace java::io {

void OutputStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    if (b == nullptr) java::lang::NullPointerException::throwNew();
    jint n = b->length;
    if (off < 0 || off > n || len < 0 || off + len > n || off + len < 0)
        java::lang::IndexOutOfBoundsException::throwNew();
    for (jint i = 0; i < len; ++i) write(jint(b->elements()[off + i]));
}

void OutputStream::write(const VMPtr<VMArray<jbyte>>& b) { write(b, 0, b->length); }

void OutputStream::flush() {}

void OutputStream::close() {}

}  // namespace java::io
