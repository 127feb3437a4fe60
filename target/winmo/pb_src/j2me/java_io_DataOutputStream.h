// java.io.DataOutputStream: Java's primitive types and data-format strings
// onto an underlying stream, most significant byte first. The stream
// operations pass straight to it; each typed writer hands it one byte per
// write(int) call, except writeUTF, which hands over the whole encoding in
// one write. Nothing is locked: two threads writing at once can interleave.
#pragma once

#include "java_io_DataOutput.h"
#include "java_io_OutputStream.h"

namespace java::io {

class DataOutputStream : public OutputStream, public virtual DataOutput {
    WREN_CLASS(DataOutputStream, OutputStream, (out, OutputStream))
public:
    // A null stream is not refused here; the first use throws
    // NullPointerException.
    void ctor(const VMPtr<OutputStream>& stream);

    void write(jint b) override;
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    void write(const VMPtr<VMArray<jbyte>>& b) override;
    void flush() override;
    void close() override;

    void writeBoolean(jboolean v) override;
    void writeByte(jint v) override;
    void writeShort(jint v) override;
    void writeChar(jint v) override;
    void writeInt(jint v) override;
    void writeLong(jlong v) override;
    // As Float.floatToIntBits: every NaN is written as 7F C0 00 00.
    void writeFloat(jfloat v) override;
    // As Double.doubleToLongBits: every NaN is written as 7F F8 00 .. 00.
    void writeDouble(jdouble v) override;
    void writeChars(const VMPtr<java::lang::String>& s) override;
    // A 2-byte length, then the modified UTF-8 (U+0000 as C0 80). A string
    // whose encoding passes 65535 bytes throws UTFDataFormatException and
    // writes nothing.
    void writeUTF(const VMPtr<java::lang::String>& s) override;
};

}  // namespace java::io
