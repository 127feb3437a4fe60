// java.io.DataInputStream: Java's primitive types and data-format strings
// from an underlying stream. The stream operations pass straight to it; the
// typed readers take their bytes one read() at a time and throw EOFException
// when it ends first.
#pragma once

#include "java_io_DataInput.h"
#include "java_io_InputStream.h"

namespace java::io {

class DataInputStream : public InputStream, public virtual DataInput {
    WREN_CLASS(DataInputStream, InputStream, (in, InputStream))
public:
    // A null stream is not refused here; the first use throws
    // NullPointerException.
    void ctor(const VMPtr<InputStream>& stream);

    jint read() override;
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    jint read(const VMPtr<VMArray<jbyte>>& b) override;
    jlong skip(jlong n) override;
    jint available() override;
    void close() override;
    void mark(jint readlimit) override;
    void reset() override;
    jboolean markSupported() override;

    // The whole range is checked before anything is read.
    void readFully(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void readFully(const VMPtr<VMArray<jbyte>>& b) override;
    // Skips until n bytes went or the stream stops giving any; returns the count.
    jint skipBytes(jint n) override;
    jboolean readBoolean() override;
    jbyte readByte() override;
    jint readUnsignedByte() override;
    jshort readShort() override;
    jint readUnsignedShort() override;
    jchar readChar() override;
    jint readInt() override;
    jlong readLong() override;
    jfloat readFloat() override;
    jdouble readDouble() override;
    // A 2-byte length, then that many bytes of modified UTF-8 (overlong forms
    // accepted, a broken sequence read as U+0080). UTFDataFormatException for
    // a stray continuation byte, a four-byte lead, or a sequence the length
    // cuts short.
    VMPtr<java::lang::String> readUTF() override;
};

}  // namespace java::io
