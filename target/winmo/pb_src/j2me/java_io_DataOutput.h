// java.io.DataOutput: writing Java's primitive types, big-endian, and strings
// in the modified UTF-8 of the data format.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"

namespace java::io {

class DataOutput : public virtual java::lang::Object {
    WREN_INTERFACE(DataOutput)
public:
    virtual void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) = 0;
    virtual void write(const VMPtr<VMArray<jbyte>>& b) = 0;
    virtual void write(jint b) = 0;
    virtual void writeBoolean(jboolean v) = 0;
    virtual void writeByte(jint v) = 0;
    virtual void writeShort(jint v) = 0;
    virtual void writeChar(jint v) = 0;
    virtual void writeInt(jint v) = 0;
    virtual void writeLong(jlong v) = 0;
    virtual void writeFloat(jfloat v) = 0;
    virtual void writeDouble(jdouble v) = 0;
    virtual void writeChars(const VMPtr<java::lang::String>& s) = 0;
    virtual void writeUTF(const VMPtr<java::lang::String>& s) = 0;
};

}  // namespace java::io
