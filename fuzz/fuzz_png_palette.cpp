// The PNG palette helpers over arbitrary bytes: a swap applied twice with
// the same arrays gives both back byte for byte, wherever the PNG starts in
// its array; a palette read is the PLTE data and CRC where the walk found
// them; a decode with a palette swapped in leaves the pack's bytes and the
// palette as they were, whether or not it decodes. Nothing but the image
// decoder's refusal may be thrown; any memory fault or allocation past the
// limit is a finding.
//
// Input: one byte of junk to put before the PNG (its count), a 16-bit
// little-endian palette length, the palette, then the PNG bytes.
#include <algorithm>

#include "fuzz_pack_support.h"
#include "wren_Resources.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace fuzzpack;
using wren::Resources;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startWithProgramFolder("wren_fuzz_png_palette");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size < 3 || size > (1u << 20)) return 0;
    size_t junk = data[0] % 16;
    size_t paletteLength = std::min<size_t>(size_t(data[1]) | size_t(data[2]) << 8, size - 3);
    const uint8_t* palette = data + 3;
    const uint8_t* png = palette + paletteLength;
    size_t pngLength = size - 3 - paletteLength;

    Bytes image(junk, 0xA5);
    image.insert(image.end(), png, png + pngLength);
    VMPtr<VMArray<jbyte>> bytes = jbytes(image.data(), image.size());
    VMPtr<VMArray<jbyte>> swap = jbytes(palette, paletteLength);
    Resources::swapPalette(bytes, jint(junk), swap);
    Resources::swapPalette(bytes, jint(junk), swap);
    if (bytesOf(bytes) != image) finding("a double swap changed the PNG");
    if (bytesOf(swap) != Bytes(palette, palette + paletteLength))
        finding("a double swap changed the palette");

    VMPtr<VMArray<jbyte>> pngOnly = jbytes(png, pngLength);
    VMPtr<VMArray<jbyte>> read = Resources::readPalette(0, streamOver(pngOnly));
    if (read != nullptr) {
        jint n = Resources::findPaletteChunk(streamOver(pngOnly));
        jint at = Resources::S().paletteOffset;
        if (n < 0 || read->length != n + 4) finding("a palette of the wrong length");
        if (int64_t(at) + read->length > int64_t(pngLength))
            finding("a palette from past the bytes");
        for (jint i = 0; i < read->length; ++i)
            if (read[i] != jbyte(png[at + i])) finding("a palette that is not the PLTE data");
    }
    jint transparent = Resources::getTransparentIndex(0, streamOver(pngOnly));
    if (transparent < -1) finding("a negative transparent index");

    // A decode with the palette swapped in, from a pack's block.
    if (pngLength <= 8192) {
        VMPtr<wren::io::resource::ResourcePackChunked> r =
            wren::io::resource::ResourcePackChunked::make();
        r->close();
        r->inMemory = true;
        r->readData = true;
        // The PNG is the last entry; the junk before it, an entry of its own.
        if (junk > 0) {
            r->sizes = VMArray<jint>::of({jint(junk), jint(pngLength)});
            r->types = VMArray<jbyte>::create(2);
        } else {
            r->sizes = VMArray<jint>::of({jint(pngLength)});
            r->types = VMArray<jbyte>::create(1);
        }
        r->data = bytes;
        jint entry = junk > 0 ? 1 : 0;
        expectingRefusals("getImage", [&] { r->getImage(entry, swap); });
        if (bytesOf(bytes) != image) finding("a decode left the palette in the pack");
        if (bytesOf(swap) != Bytes(palette, palette + paletteLength))
            finding("a decode kept the pack's palette");
    }
    return 0;
}
