#include "wren_io_resource_ResourcePackSaver.h"

#include "java_io_ByteArrayOutputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(wren::io::resource::ResourcePackSaver, "wren.io.resource.ResourcePackSaver")

namespace wren::io::resource {

using java::io::ByteArrayOutputStream;
using java::io::DataOutputStream;
using java::lang::StringBuffer;
using java::lang::System;
using ByteArray = VMArray<jbyte>;

namespace {

[[noreturn]] void refuse(const char* what, int64_t value, const char* limit) {
    VMPtr<StringBuffer> text = StringBuffer::make(what);
    text->append(java::lang::String::valueOf(jlong(value)));
    text->append(limit);
    java::lang::IllegalArgumentException::throwNew(text->toString());
}

}  // namespace

VMPtr<ByteArray> ResourcePackSaver::savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                             const VMPtr<ByteArray>& types) {
    clinit();
    jint n = types->length;
    if (n > MAX_ENTRIES) refuse("A pack of ", n, " entries: the count holds at most 65535");
    if (entries->length < n)
        refuse("Entry arrays: ", entries->length, ", fewer than the type bytes");
    jint header = 5 * n + 7;
    int64_t total = 0;
    for (jint i = 0; i < n; ++i) total += entries[i]->length;
    if (header + total > 0x7FFFFFFF)
        refuse("A pack of ", header + total, " bytes: larger than an array holds");

    VMPtr<ByteArrayOutputStream> bytes = ByteArrayOutputStream::make(header);
    VMPtr<DataOutputStream> out = DataOutputStream::make(bytes);
    out->write(0x41);
    out->writeChar(n);
    for (jint i = 0; i < n; ++i) out->writeInt(entries[i]->length);
    out->write(types, 0, n);
    out->writeInt(jint(total));

    VMPtr<ByteArray> result = ByteArray::create(header + jint(total));
    System::arraycopy(bytes->toByteArray(), 0, result, 0, header);
    jint pos = header;
    for (jint i = 0; i < n; ++i) {
        VMPtr<ByteArray> entry = entries[i];
        System::arraycopy(entry, 0, result, pos, entry->length);
        pos += entry->length;
    }
    return result;
}

}  // namespace wren::io::resource
