// wren.io.resource.ChunkVirtualFileSystemOrganization: the "VFSO" chunk, a
// directory giving for every entry of the pack the part file that holds it
// (part number and file type, which picks the file's extension) and the
// entry's offset in that file. Its payload:
//
//   s32 header value, s32 count, then per entry 12 bytes:
//   s8 file type, u8 (dropped), u16 part, s32 offset, s32 value
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "wren_io_resource_Chunk.h"
#include "wren_util_IntHashtable.h"

namespace wren::io::resource {

class ChunkVirtualFileSystemOrganization : public Chunk {
    WREN_CLASS(ChunkVirtualFileSystemOrganization, Chunk, (files, VMArray<jint>))
public:
    jint headerValue = 0;  // kept; nothing gives it a meaning
    jint fileCount = 0;
    // files[4i .. 4i+3]: file type, part, offset and value of entry i.

    struct Statics {
        VMStaticPtr<wren::util::IntHashtable> extensionTable;
    };
    WREN_STATICS(Statics)

    // Reads the chunk (after its id) and parses its payload. A count that is
    // negative or larger than the payload holds is EOFException.
    void ctor(const VMPtr<java::io::DataInputStream>& in);

    // The accessors take an entry number or a resource id (entry = id &
    // 0x3FF); an entry beyond the directory is ArrayIndexOutOfBoundsException.
    virtual jint getFilePart(jint id);
    virtual jint getHeaderValue();
    // The extension of the entry's file type; "rp" for a type without one.
    virtual VMPtr<java::lang::String> getFileExtension(jint id);
    virtual jint getFileCount();
    virtual jint getFileType(jint id);
    virtual jint getFileValue(jint id);
    virtual jint getFileOffset(jint id);

    // File type to extension, built on the first call and never changed.
    static VMPtr<wren::util::IntHashtable> getExtensionTable();
};

}  // namespace wren::io::resource
