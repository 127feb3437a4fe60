#include "wren_io_resource_ResourcePackExtension.h"

#include "java_lang_IllegalStateException.h"
#include "java_lang_System.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(wren::io::resource::ResourcePackExtension,
                  "wren.io.resource.ResourcePackExtension")

namespace wren::io::resource {

using java::io::DataInputStream;
using ByteArray = VMArray<jbyte>;

void ResourcePackExtension::clearExtension() {
    extensionSizes = nullptr;
    extensionData = nullptr;
}

void ResourcePackExtension::readExtension(const VMPtr<DataInputStream>& in) {
    VMPtr<VMArray<jint>> index = sizes;
    if (index == nullptr)
        java::lang::IllegalStateException::throwNew(
            WREN_LIT("No pack index is loaded to read an extension table for"));
    // A read that fails leaves no extension, not an earlier one's bytes
    // under this one's sizes.
    clearExtension();
    jint count = index->length;
    VMPtr<ByteArray> raw = wren::Resources::readBytes(in, jlong(count) * 2);
    VMPtr<VMArray<jchar>> table = VMArray<jchar>::create(count);
    int64_t total = 0;
    for (jint i = 0; i < count; ++i) {
        jchar size = jchar(uint8_t(raw[2 * i]) << 8 | uint8_t(raw[2 * i + 1]));
        table[i] = size;
        total += size;
    }
    VMPtr<ByteArray> bytes = wren::Resources::readBytes(in, total);
    extensionSizes = table;
    extensionData = bytes;
}

jboolean ResourcePackExtension::hasExtension() {
    return extensionData != nullptr;
}

jint ResourcePackExtension::extensionEntryOf(jint id) {
    jint entry = id & 0x3FF;
    jint count = extensionSizes->length;
    if (entry >= count) throwPastTable(entry, count);
    return entry;
}

jint ResourcePackExtension::getExtensionOffset(jint e) {
    VMPtr<VMArray<jchar>> table = extensionSizes;
    if (e < 0 || e >= table->length) throwPastTable(e, table->length);
    // Every size is below 65536 and their sum was checked when read.
    jint offset = 0;
    for (jint i = e - 1; i >= 0; --i) offset += table[i];
    return offset;
}

jint ResourcePackExtension::getExtensionSize(jint id) {
    selectPack(id);
    if (!hasExtension()) return -1;
    return extensionSizes[extensionEntryOf(id)];
}

VMPtr<ByteArray> ResourcePackExtension::getExtensionData(jint id) {
    selectPack(id);
    if (!hasExtension()) return nullptr;
    jint entry = extensionEntryOf(id);
    VMPtr<ByteArray> out = ByteArray::create(extensionSizes[entry]);
    java::lang::System::arraycopy(extensionData, getExtensionOffset(entry), out, 0, out->length);
    return out;
}

VMPtr<DataInputStream> ResourcePackExtension::getExtensionStream(jint id) {
    selectPack(id);
    if (!hasExtension()) return nullptr;
    jint entry = extensionEntryOf(id);
    return wren::Resources::openStream(extensionData, getExtensionOffset(entry),
                                       extensionSizes[entry]);
}

}  // namespace wren::io::resource
