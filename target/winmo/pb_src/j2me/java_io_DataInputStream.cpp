#include "java_io_DataInputStream.h"

#include <bit>

#include "VMUtf8.h"
#include "java_io_EOFException.h"
#include "java_io_UTFDataFormatException.h"

WREN_DEFINE_CLASS(java::io::DataInputStream, "java.io.DataInputStream", java::io::DataInput)

namespace java::io {

void DataInputStream::ctor(const VMPtr<InputStream>& stream) {
    InputStream::ctor();
    in = stream;
}

jint DataInputStream::read() { return in->read(); }

jint DataInputStream::read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    return in->read(b, off, len);
}

jint DataInputStream::read(const VMPtr<VMArray<jbyte>>& b) { return in->read(b, 0, b->length); }

jlong DataInputStream::skip(jlong n) { return in->skip(n); }

jint DataInputStream::available() { return in->available(); }

void DataInputStream::close() { in->close(); }

void DataInputStream::mark(jint readlimit) { in->mark(readlimit); }

void DataInputStream::reset() { in->reset(); }

jboolean DataInputStream::markSupported() { return in->markSupported(); }

void DataInputStream::readFully(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) {
    // Checked here, not only by the reads below: with len 0 none is made.
    checkRange(b, off, len);
    for (jint done = 0; done < len;) {
        jint n = read(b, off + done, len - done);
        if (n < 0) EOFException::throwNew();
        done += n;
    }
}

void DataInputStream::readFully(const VMPtr<VMArray<jbyte>>& b) { readFully(b, 0, b->length); }

jint DataInputStream::skipBytes(jint n) {
    jint done = 0;
    while (done < n) {
        jlong k = skip(n - done);
        if (k <= 0) break;
        done += jint(k);
    }
    return done;
}

jboolean DataInputStream::readBoolean() { return readUnsignedByte() != 0; }

jbyte DataInputStream::readByte() { return jbyte(readUnsignedByte()); }

jint DataInputStream::readUnsignedByte() {
    jint b = read();
    if (b < 0) EOFException::throwNew();
    return b;
}

jshort DataInputStream::readShort() { return jshort(readUnsignedShort()); }

jint DataInputStream::readUnsignedShort() {
    // Every byte of the value is asked for before any result is tested.
    jint b1 = read();
    jint b2 = read();
    if ((b1 | b2) < 0) EOFException::throwNew();
    return (b1 << 8) + b2;
}

jchar DataInputStream::readChar() { return jchar(readUnsignedShort()); }

jint DataInputStream::readInt() {
    jint b1 = read();
    jint b2 = read();
    jint b3 = read();
    jint b4 = read();
    if ((b1 | b2 | b3 | b4) < 0) EOFException::throwNew();
    return jint(uint32_t(b1) << 24 | uint32_t(b2) << 16 | uint32_t(b3) << 8 | uint32_t(b4));
}

jlong DataInputStream::readLong() {
    uint64_t high = uint32_t(readInt());
    uint64_t low = uint32_t(readInt());
    return jlong(high << 32 | low);
}

jfloat DataInputStream::readFloat() { return std::bit_cast<jfloat>(readInt()); }

jdouble DataInputStream::readDouble() { return std::bit_cast<jdouble>(readLong()); }

VMPtr<java::lang::String> DataInputStream::readUTF() {
    jint utflen = readUnsignedShort();
    VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(utflen);
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(utflen);
    readFully(bytes, 0, utflen);
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes->elements());
    // The sequences must tile the data exactly: a malformed lead byte, or a
    // last sequence reaching past the end, is a format error.
    jint at = 0;
    while (at < utflen) {
        uint8_t lead = data[at];
        if (lead < 0x80) at += 1;
        else if ((lead & 0xE0) == 0xC0) at += 2;
        else if ((lead & 0xF0) == 0xE0) at += 3;
        else UTFDataFormatException::throwNew();
    }
    if (at != utflen) UTFDataFormatException::throwNew();
    size_t decoded = size_t(utflen);
    bool ok = true;
    vmDecodeUtf8(chars->elements(), decoded, data, size_t(utflen), ok);
    return java::lang::String::make(chars, jint(0), jint(decoded));
}

}  // namespace java::io
