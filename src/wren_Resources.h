// wren.Resources: the static front end over the resource packs. For now it
// holds what the pack readers need of it before the front end itself
// exists: a data stream over a byte range, image creation from bytes, the
// PNG palette operations, and the two bounded reads every reader of pack
// bytes goes through.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "javax_microedition_lcdui_Image.h"

namespace wren {

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
    };
    WREN_STATICS(Statics)

    void ctor() { java::lang::Object::ctor(); }

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
};

}  // namespace wren
