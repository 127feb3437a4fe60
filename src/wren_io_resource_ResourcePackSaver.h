// wren.io.resource.ResourcePackSaver: builds the bytes of a plain pack with
// 4-byte sizes and its data block (flags 0x41), which the plain reader reads
// back to the same entries and type bytes.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace wren::io::resource {

class ResourcePackSaver : public virtual java::lang::Object {
    WREN_CLASS(ResourcePackSaver, java::lang::Object)
public:
    // The most entries the 16-bit count can say.
    static constexpr jint MAX_ENTRIES = 0xFFFF;

    void ctor() { java::lang::Object::ctor(); }

    // One entry per type byte: entries[i] with types[i]; further arrays in
    // entries are ignored. What could not be read back is refused with
    // IllegalArgumentException before anything is built: more than 65535
    // entries, fewer entry arrays than type bytes, or a pack larger than
    // one array holds (the data length is an s32). A null entry is
    // NullPointerException.
    static VMPtr<VMArray<jbyte>> savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                          const VMPtr<VMArray<jbyte>>& types);
};

}  // namespace wren::io::resource
