#include "wren_io_resource_ChunkVirtualFileSystemOrganization.h"

#include "java_io_EOFException.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(wren::io::resource::ChunkVirtualFileSystemOrganization,
                  "wren.io.resource.ChunkVirtualFileSystemOrganization")

namespace wren::io::resource {

using java::io::DataInputStream;
using java::lang::String;
using wren::util::IntHashtable;
using Directory = ChunkVirtualFileSystemOrganization;

void Directory::ctor(const VMPtr<DataInputStream>& in) {
    Chunk::ctor(ID_VFSO, in);
    VMPtr<VMArray<jbyte>> bytes = getData();
    VMPtr<DataInputStream> s = wren::Resources::openStream(bytes, 0, bytes->length);
    headerValue = s->readInt();
    jint count = s->readInt();
    // 12 bytes an entry, counted in 64 bits, against what the payload holds.
    if (count < 0 || int64_t(count) * 12 > s->available()) java::io::EOFException::throwNew();
    VMPtr<VMArray<jint>> table = VMArray<jint>::create(count * 4);
    for (jint i = 0; i < count; ++i) {
        table[4 * i] = s->readByte();
        s->readByte();
        table[4 * i + 1] = s->readChar();
        table[4 * i + 2] = s->readInt();
        table[4 * i + 3] = s->readInt();
    }
    files = table;
    fileCount = count;
}

jint Directory::getHeaderValue() {
    return headerValue;
}

jint Directory::getFileCount() {
    return fileCount;
}

jint Directory::getFileType(jint id) {
    return files[4 * (id & 0x3FF)];
}

jint Directory::getFilePart(jint id) {
    return files[4 * (id & 0x3FF) + 1];
}

jint Directory::getFileOffset(jint id) {
    return files[4 * (id & 0x3FF) + 2];
}

jint Directory::getFileValue(jint id) {
    return files[4 * (id & 0x3FF) + 3];
}

VMPtr<String> Directory::getFileExtension(jint id) {
    VMPtr<String> ext = vmCast<String>(getExtensionTable()->get(getFileType(id)));
    return ext != nullptr ? ext : VMPtr<String>(WREN_LIT("rp"));
}

VMPtr<IntHashtable> Directory::getExtensionTable() {
    clinit();
    Statics& s = wrenStatics_();
    if (s.extensionTable == nullptr) {
        static const struct {
            jint type;
            const char* ext;
        } kTypes[] = {
            {0, "mid"},  {1, "wav"},  {2, "mp3"},  {3, "amr"},  {4, "aac"},    {5, "au"},
            {6, "qcp"},  {7, "ott"},  {8, "jts"},  {9, "imy"},  {10, "mmf"},   {11, "cmx"},
            {12, "adp"}, {14, "3gp"}, {15, "3g2"}, {16, "263"}, {17, "264"},   {18, "mpg"},
            {19, "mp4"}, {20, "rv"},  {21, "wmv"}, {22, "mov"}, {23, "wbxml"}, {24, "gif"},
            {25, "caf"}, {26, "ogg"}, {27, "wma"}, {28, "m4a"}, {-1, "rp"},    {-3, "png"},
            {-4, "jpg"}, {-6, "utf"}, {-7, "txt"}, {-12, "rp"},
        };
        VMPtr<IntHashtable> table = IntHashtable::make(128);
        for (const auto& t : kTypes) table->put(t.type, String::make(t.ext));
        s.extensionTable = table;
    }
    return s.extensionTable;
}

}  // namespace wren::io::resource
