// wren.io.resource.ResourcePack: the plain pack reader. It holds the index
// of one pack at a time, switches packs by the pack bits of a resource id
// (pack = id >> 10, entry = id & 0x3FF), and hands out an entry's bytes, a
// stream over them, its size, type byte and offset, or an image decoded
// from it. A plain pack:
//
//   u8 flags (bit 0: 4-byte sizes, else 2-byte unsigned), u16 N,
//   N sizes, N type bytes, then, when a data block follows, s32 L and L bytes
//
// Every size read from a file is checked against the bytes that remain
// before anything is allocated for it: a size that lies is EOFException, as
// the short read would be, a negative data length
// NegativeArraySizeException; a negative entry size makes the index
// unreadable. Entries are not checked against the data block: one that runs
// past it fails in getData and getImage and is clipped at the block's end
// by getStream. A lookup while the pack has no index, or of an entry beyond
// its count, or the bytes of an in-memory pack whose index was read without
// its data block, is MissingEntryException.
//
// The current pack number and the name buffer are static: one reader
// serves one thread at a time.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "java_io_IOException.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_lcdui_Image.h"

namespace wren::io::resource {

class ResourcePack : public virtual java::lang::Object {
    WREN_CLASS(ResourcePack, java::lang::Object, (types, VMArray<jbyte>), (sizes, VMArray<jint>),
               (data, VMArray<jbyte>))
public:
    // True: entries come from `data`. False: each entry is read from a file
    // of its own.
    jboolean inMemory = false;
    // True: an index read is followed by the data length and block.
    jboolean readData = false;

    struct Statics {
        // -1 with no index, 0 for an index read from a stream, else the pack
        // last selected (also when its file could not be read, so that it
        // is not tried again until another pack comes between).
        jint currentPack = -1;
        VMStaticPtr<java::lang::StringBuffer> nameBuffer;
        // Why the current pack has no index, naming its file on disk; null
        // when it has one or nothing is known.
        VMStaticPtr<java::lang::String> indexProblem;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor() { java::lang::Object::ctor(); }

    // The entry's image, with `palette` (PLTE data and CRC) swapped into its
    // PNG bytes for the decode and always swapped back, also when the
    // decode throws. A null palette decodes the bytes as stored.
    virtual VMPtr<javax::microedition::lcdui::Image> getImage(jint id,
                                                              const VMPtr<VMArray<jbyte>>& palette);
    // Drops the index, the data block and any extension; no pack is current.
    virtual void close();
    // A new array with the entry's bytes.
    virtual VMPtr<VMArray<jbyte>> getData(jint id);
    // The entry's own part file "/RP{pack}part{entry}.rp"; null in memory.
    virtual VMPtr<java::lang::String> getFileName(jint id);
    // "/RP{pack}" + ("part{part}" unless part is -1) + "." + (ext or "rp").
    virtual VMPtr<java::lang::String> makeFileName(jint pack, jint part,
                                                   const VMPtr<java::lang::String>& ext);
    virtual VMPtr<java::lang::String> getFileName(jint pack, jint part);
    // The resource file that holds the entry's first byte, for messages:
    // the pack's own file when the pack is read whole, else the entry's
    // file; null for a pack read from a stream. MissingEntryException as
    // for any lookup.
    virtual VMPtr<java::lang::String> getEntryFile(jint id);
    // The file whose index lists the entries of pack `pack` (> 0), for
    // messages: "/RP{pack}.rp".
    virtual VMPtr<java::lang::String> getIndexFile(jint pack);
    // Drops the current pack, then reads an index (and, with readData, the
    // data block); the pack read is pack 0. False, with no index left, when
    // the bytes end early or a size is negative.
    virtual jboolean readIndex(const VMPtr<java::io::DataInputStream>& in);
    // Makes the pack of the id current: nothing for pack 0 or the current
    // pack; otherwise closes and opens it. Failures are dropped.
    virtual void selectPack(jint id);
    // A stream over the entry's bytes, inside the pack's own array when the
    // pack is in memory.
    virtual VMPtr<java::io::DataInputStream> getStream(jint id);
    // Points the canvas's static read buffer at the entry; its size.
    virtual jint locate(jint id);
    // Fills `dest` from the start of the entry's file. Any failure (a
    // missing file, a short one) is RuntimeException carrying the caught
    // exception's text; the file is closed in every case.
    virtual void readFromFile(jint entry, const VMPtr<VMArray<jbyte>>& dest);
    // The type byte, sign-extended.
    virtual jint getType(jint id);
    // The stream of "/RP{pack}.rp", or null; sets inMemory and readData.
    virtual VMPtr<java::io::DataInputStream> open(jint pack);
    // A data stream over the resource of that name, or null when none.
    virtual VMPtr<java::io::DataInputStream> openStream(const VMPtr<java::lang::String>& name);
    // The array that holds the entry: the data block in memory, else a copy.
    virtual VMPtr<VMArray<jbyte>> getPackData(jint id);
    virtual jint getSize(jint id);
    // The entry's start in getPackData: the sizes before it, summed (0 when
    // not in memory).
    virtual jint getOffset(jint id);
    virtual void clearExtension() {}
    virtual void readExtension(const VMPtr<java::io::DataInputStream>& in) {}

    // A pack from a stream becomes pack 0. A null stream closes the reader
    // (false). Unless indexOnly, the data block is read and kept.
    jboolean load(const VMPtr<java::io::DataInputStream>& in, jboolean indexOnly);

    // in.close(), dropping any Exception it throws; null does nothing.
    static void closeQuietly(const VMPtr<java::io::InputStream>& in);

protected:
    // The entry number of the id in the current pack, or MissingEntryException.
    jint entryOf(jint id);
    // MissingEntryException for an entry past a table of `count`; a pack
    // read from its files names the one whose index it is.
    [[noreturn]] void throwPastTable(jint entry, jint count);
    // A stream at the first byte of the entry in its own file; IOException
    // when the file is missing.
    virtual VMPtr<java::io::DataInputStream> openEntryFile(jint entry);
    // openStream, with IOException naming the file on disk and what keeps
    // it from being opened ("no such file", "a folder, not a file", ...).
    VMPtr<java::io::DataInputStream> openExisting(const VMPtr<java::lang::String>& name);
    // The resource's file on disk and what is wrong with it, as one text:
    // "<file>: <what>".
    static VMPtr<java::lang::String> describeFile(const VMPtr<java::lang::String>& name,
                                                  const VMPtr<java::lang::String>& what);
    // The failure of a read of the resource's file `in` (`size` bytes when
    // opened) again, as its own class, with a message naming the file:
    // where it ends when the read ran into its end, else the caught message.
    [[noreturn]] static void rethrowNamingFile(const VMPtr<java::lang::String>& name,
                                               const VMPtr<java::io::DataInputStream>& in,
                                               jint size,
                                               const VMPtr<java::io::IOException>& failure);

private:
    // The data block of an in-memory pack, or MissingEntryException when
    // its index was read without one.
    VMPtr<VMArray<jbyte>> heldData(jint entry);
    // Why an index read from the file `in` (`size` bytes when opened)
    // failed: where the file ends when the read ran into its end.
    static VMPtr<java::lang::String> describeIndexFailure(
        const VMPtr<java::lang::String>& name, const VMPtr<java::io::DataInputStream>& in,
        jint size);
    // The sum of the sizes before the entry, in 64 bits.
    int64_t offsetOf(jint entry);
    // A copy of `size` bytes from the entry's file.
    VMPtr<VMArray<jbyte>> readEntryFile(jint entry, jint size);
};

}  // namespace wren::io::resource
