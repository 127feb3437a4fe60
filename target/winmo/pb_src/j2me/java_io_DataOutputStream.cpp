#include "java_io_DataOutputStream.h"

#include <bit>
#include <cmath>

#include "VMUtf8.h"
#include "java_io_UTFDataFormatException.h"

WREN_DEFINE_CLASS(java::io::DataOutputStream, "java.io.DataOutputStream", java::io::DataOutput)

namespace java::io {

void DataOutputStream::ctor(const VMPtr<OutputStream>& stream) {
    OutputStream::ctor();
    out = stream;
}

void DataOutputStream::write(jint b) { out->write(b); }

void DataOutputStream::write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    out->write(b, off, len);
}

void DataOutputStream::write(const VMPtr<VMArray<jbyte>>& b) { write(b, 0, b->length); }

void DataOutputStream::flush() { out->flush(); }

void DataOutputStream::close() { out->close(); }

void DataOutputStream::writeBoolean(jboolean v) { write(v ? 1 : 0); }

void DataOutputStream::writeByte(jint v) { write(v); }

void DataOutputStream::writeShort(jint v) {
    write(jint(uint32_t(v) >> 8 & 0xFF));
    write(jint(uint32_t(v) & 0xFF));
}

void DataOutputStream::writeChar(jint v) { writeShort(v); }

void DataOutputStream::writeInt(jint v) {
    uint32_t u = uint32_t(v);
    write(jint(u >> 24));
    write(jint(u >> 16 & 0xFF));
    write(jint(u >> 8 & 0xFF));
    write(jint(u & 0xFF));
}

void DataOutputStream::writeLong(jlong v) {
    uint64_t u = uint64_t(v);
    writeInt(jint(uint32_t(u >> 32)));
    writeInt(jint(uint32_t(u)));
}

void DataOutputStream::writeFloat(jfloat v) {
    // One NaN for all, so that the bytes do not depend on how a NaN was made.
    writeInt(std::isnan(v) ? jint(0x7fc00000) : std::bit_cast<jint>(v));
}

void DataOutputStream::writeDouble(jdouble v) {
    writeLong(std::isnan(v) ? jlong(0x7ff8000000000000LL) : std::bit_cast<jlong>(v));
}

void DataOutputStream::writeChars(const VMPtr<java::lang::String>& s) {
    jint n = s->length();
    for (jint i = 0; i < n; ++i) writeChar(s->charAt(i));
}

void DataOutputStream::writeUTF(const VMPtr<java::lang::String>& s) {
    jint n = s->length();
    size_t utflen = vmUtf8Length(s->value->elements() + s->offset, n, true);
    if (utflen > 65535) UTFDataFormatException::throwNew();
    VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(jint(utflen + 2));
    bytes[0] = jbyte(utflen >> 8);
    bytes[1] = jbyte(utflen & 0xFF);
    size_t capacity = utflen;
    vmEncodeUtf8(reinterpret_cast<char*>(bytes->elements()) + 2, capacity,
                 s->value->elements() + s->offset, n, true, false);
    write(bytes);
}

}  // namespace java::io
