// wren.io.resource.ResourcePackChunked: the pack reader the game uses. Packs
// 1 to 19 and 21 are chunked files; every other number is a plain pack. A
// chunked pack's main file "/RP{n}part0.rp":
//
//   s32 marker "%RP%", u16 version 4, u16 chunk count, the chunks
//
// Its "RPHe" chunk is the index. Where the bytes are is said by either a
// split map ("FSLM": the data block cut into part files, read into memory
// at open) or a virtual file directory ("VFSO": every entry in a file of its
// own type at an offset, read when asked for); a directory wins over a split
// map.
//
// A failed open leaves no half-loaded index behind. Closing the pack also
// drops the directory, so that a pack loaded afterwards never resolves its
// entries through an earlier pack's directory.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_io_resource_Chunk.h"
#include "wren_io_resource_ChunkVirtualFileSystemOrganization.h"
#include "wren_io_resource_ResourcePackExtension.h"

namespace wren::io::resource {

class ResourcePackChunked : public ResourcePackExtension {
    WREN_CLASS(ResourcePackChunked, ResourcePackExtension, (chunks, VMArray<Chunk*>),
               (fileSystem, ChunkVirtualFileSystemOrganization), (partEnds, VMArray<jint>))
public:
    static constexpr jint VERSION = 4;
    // Bit n - 1 is set for the chunked pack numbers n (1 to 32).
    static constexpr jint CHUNKED_PACKS = 0x17FFFF;

    void ctor() { ResourcePackExtension::ctor(); }

    using ResourcePack::getFileName;

    // An entry of a directory pack that starts its file, asked for without a
    // palette, is decoded by the platform from that file by name (an
    // IOException of the decoder becomes RuntimeException); everything else
    // goes the plain reader's way.
    VMPtr<javax::microedition::lcdui::Image> getImage(
        jint id, const VMPtr<VMArray<jbyte>>& palette) override;
    // With a directory: "/RP{pack}part{part}.{ext}" of the entry's file.
    VMPtr<java::lang::String> getFileName(jint id) override;
    // A chunked pack: the entry's file with a directory, else the part file
    // its first byte was read from (the main file when it lies past every
    // part).
    VMPtr<java::lang::String> getEntryFile(jint id) override;
    // A chunked pack's index is in its main file, part 0.
    VMPtr<java::lang::String> getIndexFile(jint pack) override;
    // A plain pack: the plain reader's stream. A chunked pack is loaded here
    // whole and null is returned; any failure is printed and thrown as
    // RuntimeException carrying the caught exception's class and message,
    // which names the file on disk it is about (the main file's when the
    // message named none): where the main file ends when it is shorter
    // than it announces, or what keeps a file from being opened.
    VMPtr<java::io::DataInputStream> open(jint pack) override;
    // The first chunk of the table with the id; IOException
    // "Missing RP chunk '<id>'" when there is none.
    virtual VMPtr<Chunk> getChunk(jint id);
    void close() override;

    // The marker, then the version: IOException with the message naming
    // what was expected and what was read.
    void readHeader(const VMPtr<java::io::DataInputStream>& in);
    // The chunk count and the chunks; an unknown id or a short file ends the
    // read with its exception.
    void readChunks(const VMPtr<java::io::DataInputStream>& in);
    // Null when no chunk has the id; IllegalStateException outside an open,
    // when there is no chunk table.
    VMPtr<Chunk> findChunk(jint id);
    jboolean hasChunk(jint id);
    void useVirtualFileSystem();
    // The split map's parts, into one data block of the map's total, back
    // to back from its start; what they leave of it stays zero. Parts that
    // overrun the total are IndexOutOfBoundsException, a total the heap
    // can't hold IOException, and every part file is checked to hold its
    // part before the block is allocated. Where each part ends in the block
    // is kept for messages about the entries.
    void loadParts(jint pack);

    static jboolean isChunkedPack(jint pack);
    // A chunk id as text: its four bytes from the least significant,
    // decoded as UTF-8 ("%PR%" for the marker).
    static VMPtr<java::lang::String> idToString(jint id);

protected:
    // With a directory: the entry's file, skipped to the entry's offset. A
    // negative offset is IOException, one past the file's end EOFException.
    VMPtr<java::io::DataInputStream> openEntryFile(jint entry) override;

private:
    // The failure of an open as the text its RuntimeException carries: the
    // caught exception's class and message, with the main file's path on
    // disk put before the message when it names none of the pack's files.
    VMPtr<java::lang::String> namingMainFile(jint pack,
                                             const VMPtr<java::lang::Exception>& failure);
};

}  // namespace wren::io::resource
