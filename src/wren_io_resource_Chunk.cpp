#include "wren_io_resource_Chunk.h"

#include "java_io_IOException.h"
#include "java_lang_StringBuffer.h"
#include "wren_Resources.h"
#include "wren_io_resource_ChunkVirtualFileSystemOrganization.h"
#include "wren_io_resource_ResourcePackChunked.h"

WREN_DEFINE_CLASS(wren::io::resource::Chunk, "wren.io.resource.Chunk")

namespace wren::io::resource {

using java::io::ByteArrayOutputStream;
using java::io::DataInputStream;
using java::io::DataOutputStream;

void Chunk::ctor(jint chunkId, const VMPtr<DataInputStream>& in) {
    java::lang::Object::ctor();
    payload = ByteArrayOutputStream::make(32);
    payloadOut = DataOutputStream::make(payload);
    info = 1;
    id = chunkId;
    jint length = in->readInt();
    info = in->readInt();
    VMPtr<VMArray<jbyte>> bytes = wren::Resources::readBytes(in, length);
    payloadOut->write(bytes, 0, bytes->length);
}

void Chunk::writeTo(const VMPtr<DataOutputStream>& out) {
    out->writeInt(id);
    out->writeInt(payload->size());
    out->writeInt(info);
    VMPtr<ByteArrayOutputStream> p = payload;
    out->write(p->buf, 0, p->count);
}

jboolean Chunk::hasId(jint chunkId) {
    return id == chunkId;
}

VMPtr<VMArray<jbyte>> Chunk::getData() {
    return payload->toByteArray();
}

jint Chunk::getSize() {
    return payload->size();
}

void Chunk::setInfo(jint value) {
    info = value;
}

jint Chunk::getInfo() {
    return info;
}

VMPtr<DataOutputStream> Chunk::getOutputStream() {
    return payloadOut;
}

VMPtr<VMArray<jbyte>> Chunk::toByteArray() {
    VMPtr<ByteArrayOutputStream> bytes = ByteArrayOutputStream::make();
    writeTo(DataOutputStream::make(bytes));
    return bytes->toByteArray();
}

VMPtr<Chunk> Chunk::readChunk(const VMPtr<DataInputStream>& in) {
    clinit();
    jint chunkId = in->readInt();
    if (chunkId == ID_VFSO) return ChunkVirtualFileSystemOrganization::make(in);
    if (chunkId == ID_RPHE || chunkId == ID_FSLM) return Chunk::make(chunkId, in);
    VMPtr<java::lang::StringBuffer> text = java::lang::StringBuffer::make("Unknown RP chunk id '");
    text->append(ResourcePackChunked::idToString(chunkId));
    text->append("'");
    java::io::IOException::throwNew(text->toString());
}

}  // namespace wren::io::resource
