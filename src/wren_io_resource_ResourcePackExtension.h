// wren.io.resource.ResourcePackExtension: the plain reader with an optional
// second block of bytes for every entry, read from a stream that its caller
// has positioned at an extension table:
//
//   N u16 extension sizes (N = the loaded index's entry count), then the
//   extensions of entries 0 .. N-1 back to back
//
// The extension belongs to the pack whose index was loaded when it was read
// and goes with it on close. Without one, the queries answer -1 or null.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_io_resource_ResourcePack.h"

namespace wren::io::resource {

class ResourcePackExtension : public ResourcePack {
    WREN_CLASS(ResourcePackExtension, ResourcePack, (extensionSizes, VMArray<jchar>),
               (extensionData, VMArray<jbyte>))
public:
    void ctor() { ResourcePack::ctor(); }

    void clearExtension() override;
    // Needs a loaded index (IllegalStateException otherwise). The sizes are
    // summed in 64 bits and the sum checked against what the stream holds
    // before the block is allocated; a table that ends early is
    // EOFException. A read that fails leaves the pack without an extension,
    // also when an earlier read had given it one.
    void readExtension(const VMPtr<java::io::DataInputStream>& in) override;
    // A copy of the entry's extension; null when the pack has none.
    virtual VMPtr<VMArray<jbyte>> getExtensionData(jint id);
    // A stream over the entry's extension in place; null when none.
    virtual VMPtr<java::io::DataInputStream> getExtensionStream(jint id);
    // -1 when the pack has no extension.
    virtual jint getExtensionSize(jint id);
    virtual jboolean hasExtension();

    // The start of entry e's extension: the sizes before it, summed.
    jint getExtensionOffset(jint e);

private:
    // The entry of the id in the extension table, or MissingEntryException.
    jint extensionEntryOf(jint id);
};

}  // namespace wren::io::resource
