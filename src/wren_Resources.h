// wren.Resources: the static front end through which the game reads all
// content by resource id (pack = id >> 10, entry = id & 0x3FF). It owns one
// pack reader for the life of the program, which opens the pack an id names
// and keeps it until an id of another pack comes; on top of it: an entry's
// bytes, stream, size, type byte and place in memory, images (optionally
// with a replacement palette), graphic-object sets, whole packs from streams
// and record stores, the pack writer and export of an image as an 8-bit
// BMP. Beside those, what the pack readers use of it: a data stream over a
// byte range, image creation from bytes, the PNG palette operations and the
// two bounded reads every reader of pack bytes goes through.
//
// Everything is static and unlocked: one caller at a time.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "javax_microedition_lcdui_Image.h"
#include "wren_io_resource_ResourcePack.h"

namespace wren {

class AnimSet;
class Gob;
namespace util::text {
class Translation;
}

class Resources : public virtual java::lang::Object {
    WREN_CLASS(Resources, java::lang::Object)
public:
    // PNG chunk types the palette operations look for.
    static constexpr jint CHUNK_PLTE = 0x504C5445;
    static constexpr jint CHUNK_IEND = 0x49454E44;
    static constexpr jint CHUNK_TRNS = 0x74524E53;

    struct Statics {
        // Where findPaletteChunk last found the PLTE data, from the PNG's
        // first byte.
        jint paletteOffset = 0;
        // The one pack reader, a chunked one.
        VMStaticPtr<io::resource::ResourcePack> pack;
        // The graphic-object set loader's scratch, made by its first load:
        // the sheet id, the layout and count-word bits, each field's width
        // (0 not stored, 1 or 2 bytes) and one object's ten values.
        jshort gobSheetId = 0;
        VMStaticPtr<VMArray<jboolean>> gobBits;
        VMStaticPtr<VMArray<jbyte>> gobFieldWidths;
        VMStaticPtr<VMArray<jshort>> gobDescriptor;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor() { java::lang::Object::ctor(); }

    // --- by resource id ----------------------------------------------------
    // The pack reader's exceptions (a pack or entry that does not exist,
    // read errors) and the decoder's pass to the caller.

    static VMPtr<VMArray<jbyte>> getData(jint id);
    // A stream at the entry's first byte, marked there when it supports
    // marks, so that reset() goes back to the entry's start.
    static VMPtr<java::io::DataInputStream> openStream(jint id);
    static jint getSize(jint id);
    // With getPackData: the entry lies at getPackData(id)[getOffset(id)]
    // for getSize(id) bytes (the pack's own array in memory, else a copy at
    // 0).
    static jint getOffset(jint id);
    // The entry's type byte, sign-extended.
    static jint getType(jint id);
    static VMPtr<VMArray<jbyte>> getPackData(jint id);
    static VMPtr<javax::microedition::lcdui::Image> getImage(jint id);
    // Decoded with the palette (PLTE data and CRC) swapped into the PNG
    // bytes for the decode and back after it; null decodes as stored.
    static VMPtr<javax::microedition::lcdui::Image> getImage(jint id,
                                                             const VMPtr<VMArray<jbyte>>& palette);
    static VMPtr<VMArray<jbyte>> readPalette(jint id);
    static jint getTransparentIndex(jint id);

    // The graphic objects of set entry `id`, cut out of their sheet (an
    // entry of the same pack, decoded with `palette` when not null). Null
    // when the set is malformed or its sheet can't be loaded or cut; a set
    // entry that can't be opened throws as openStream does.
    static VMPtr<VMArray<Gob*>> loadGobs(jint id);
    static VMPtr<VMArray<Gob*>> loadGobs(jint id, const VMPtr<VMArray<jbyte>>& palette);
    // loadGobs(id) for a caller that can't go on without the set: where
    // loadGobs answers null this throws IOException naming the file on disk
    // and the entry at fault, "<file>: entry 6: the picture can't be
    // decoded" for a sheet the decoder refuses, "<file>: entry 2: the
    // graphic-object set can't be read (<why>)" for the set itself.
    static VMPtr<VMArray<Gob*>> requireGobs(jint id);
    // The text table of entry `id`; a malformed table throws as the
    // table's reader does, and the stream is left open. From a pack file,
    // the exception (EOFException or IOException as the reader threw it)
    // carries the file on disk and the entry before the reader's message:
    // "<file>: entry 1: text table: ...".
    static VMPtr<util::text::Translation> loadTranslation(jint id);
    // "<the file on disk that holds the entry>: entry <n>: <what>", for
    // messages about an entry whose bytes are wrong; "resource pack 0: ..."
    // for a pack read from a stream.
    static VMPtr<java::lang::String> describeEntry(jint id, const VMPtr<java::lang::String>& what);
    // For an index into what entry `id` holds (a frame, an animation, a
    // text) that the entry lacks, which only content too short for the
    // game can cause: ArrayIndexOutOfBoundsException, as the arrays would
    // throw it, but saying "<file>: entry <n>: <what> has no <part> <index>
    // (it has <count>)" when the entry lies in a pack file, so that the
    // player learns which file falls short. Plain "Array index out of
    // range: <index>" for a negative index (the program's, not the
    // content's), when no file holds the entry or when it can't be named.
    [[noreturn]] static void throwMissingPart(jint id, const char* what, const char* part,
                                              jint index, jint count);

    // The animation set of entry `id`, as far as its bytes go (AnimSet::load).
    static VMPtr<AnimSet> loadAnimSet(jint id);
    // The whole set of entry `id` drawing with `gobs`, for a caller that
    // can't go on without it: a set whose tables end early, or that names
    // a step, frame, duration, piece, box or (with gobs not null) graphic
    // object past its table, is IOException "<file>: entry 0: the animation
    // set can't be read (<why>)"; an entry that can't be opened throws as
    // openStream does. Bytes after the tables are not read. A set may hold
    // no animation (one that frame layers show): starting one is what
    // fails, in AnimPlayer::setAnimation.
    static VMPtr<AnimSet> requireAnimSet(jint id, const VMPtr<VMArray<Gob*>>& gobs);

    // --- whole packs -------------------------------------------------------

    // A plain pack held in memory becomes the current pack (pack 0): true
    // once its index is read. Null closes the pack and answers false.
    static jboolean loadPack(const VMPtr<java::io::DataInputStream>& in);
    // The pack saved under the record-store id, through the canvas's
    // loadData; -1, or an id with nothing saved, closes the pack (false).
    static jboolean loadStoredPack(jint recordId);
    static void closePack();
    // A plain pack of the entries with those type bytes (the pack writer).
    static VMPtr<VMArray<jbyte>> savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                          const VMPtr<VMArray<jbyte>>& types);
    // The entry's image as an uncompressed 8-bit BMP with a 256-colour
    // palette, the magenta key at index 0. At most 256 colours.
    static VMPtr<VMArray<jbyte>> getImageAsBMP(jint id);

    // A data stream over data[offset .. offset + length), bounded by the
    // array's end; nothing is copied.
    static VMPtr<java::io::DataInputStream> openStream(const VMPtr<VMArray<jbyte>>& data,
                                                       jint offset, jint length);
    // Decodes data[offset .. offset + length) as an image (the exceptions of
    // Image.createImage).
    static VMPtr<javax::microedition::lcdui::Image> createImage(const VMPtr<VMArray<jbyte>>& data,
                                                                jint offset, jint length);

    // Walks the PNG's chunks from its signature to PLTE: the PLTE data's
    // length, with paletteOffset at its first byte, or -1 when IEND comes
    // first. Neither the signature nor a CRC is looked at. A chunk length
    // that is negative or reaches past the stream's end is EOFException.
    static jint findPaletteChunk(const VMPtr<java::io::DataInputStream>& in);
    // The PLTE data and its 4 CRC bytes, or null when there is no palette
    // or the bytes end first. `id` is not consulted.
    static VMPtr<VMArray<jbyte>> readPalette(jint id, const VMPtr<java::io::DataInputStream>& in);
    // Exchanges the palette bytes with the PLTE data and CRC of the PNG that
    // starts at data[offset]; a second call with the same arrays restores
    // both. Nothing is exchanged when palette is null, the PNG has no PLTE,
    // or the palette would reach past the data's end.
    static void swapPalette(const VMPtr<VMArray<jbyte>>& data, jint offset,
                            const VMPtr<VMArray<jbyte>>& palette);
    // The first palette index whose tRNS alpha is 0, or -1 (no tRNS right
    // after PLTE, no such index, or the bytes end first). `id` is not
    // consulted.
    static jint getTransparentIndex(jint id, const VMPtr<java::io::DataInputStream>& in);

    // `length` bytes from `in`. The length is trusted only as far as the
    // stream can vouch for it (available()); beyond that the array grows
    // with the bytes that actually arrive, so a length that lies ends in
    // EOFException, as the short read would, without allocating for it. A
    // negative length is EOFException too.
    static VMPtr<VMArray<jbyte>> readBytes(const VMPtr<java::io::InputStream>& in, jlong length);
    // Skips up to n bytes; the count skipped, short only at the stream's end.
    static jlong skipUpTo(const VMPtr<java::io::InputStream>& in, jlong n);
    // Skips exactly n bytes, or throws EOFException (also for n < 0).
    static void skipFully(const VMPtr<java::io::InputStream>& in, jlong n);

private:
    // describeEntry(id, "<what> can't be read (<why>)").
    static VMPtr<java::lang::String> describeUnreadable(jint id, const char* what,
                                                        const VMPtr<java::lang::String>& why);
    // The set after its first bytes: any Exception means a malformed set.
    static VMPtr<VMArray<Gob*>> readGobs(jint id, const VMPtr<java::io::DataInputStream>& in,
                                         const VMPtr<VMArray<jbyte>>& palette);
};

}  // namespace wren
