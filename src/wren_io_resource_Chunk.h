// wren.io.resource.Chunk: one chunk of a chunked pack's main file (an id, an
// info word and a payload), read from the chunk table, extendable through
// its output stream, and written back in the same layout:
//
//   s32 id, s32 payload length, s32 info, payload
//
// readChunk reads one chunk and makes the object of its kind.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_ByteArrayOutputStream.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"

namespace wren::io::resource {

class Chunk : public virtual java::lang::Object {
    WREN_CLASS(Chunk, java::lang::Object, (payload, java::io::ByteArrayOutputStream),
               (payloadOut, java::io::DataOutputStream))
public:
    static constexpr jint MARKER = 0x25525025;   // "%RP%"
    static constexpr jint ID_VFSO = 0x5646534F;  // "VFSO": virtual file directory
    static constexpr jint ID_FSLM = 0x46534C4D;  // "FSLM": split map
    static constexpr jint ID_RPHE = 0x52504865;  // "RPHe": the pack's index

    jint id = 0;
    jint info = 0;  // kept and written back; nothing gives it a meaning

    // With the id already read: the payload length, the info word and the
    // payload. A length that is negative or larger than what the stream
    // holds is EOFException, before anything is allocated for it.
    void ctor(jint chunkId, const VMPtr<java::io::DataInputStream>& in);

    virtual void writeTo(const VMPtr<java::io::DataOutputStream>& out);
    virtual jboolean hasId(jint chunkId);
    // A copy of the payload.
    virtual VMPtr<VMArray<jbyte>> getData();
    virtual jint getSize();
    virtual void setInfo(jint value);
    // The chunk as writeTo writes it: 12 + getSize() bytes.
    virtual VMPtr<VMArray<jbyte>> toByteArray();
    // Bytes written here are appended to the payload at once.
    virtual VMPtr<java::io::DataOutputStream> getOutputStream();
    virtual jint getInfo();

    // Reads the id, then the chunk: a ChunkVirtualFileSystemOrganization for
    // "VFSO", a Chunk for "RPHe" and "FSLM"; any other id is IOException
    // "Unknown RP chunk id '<id as text>'".
    static VMPtr<Chunk> readChunk(const VMPtr<java::io::DataInputStream>& in);
};

}  // namespace wren::io::resource
