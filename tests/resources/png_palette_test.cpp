// The PNG palette helpers: finding PLTE through the chunks before it,
// reading a palette with its CRC, the first fully transparent index, the
// in-place swap that a second call undoes; and PNG bytes that end early or
// whose chunk lengths lie.
#include "resources_test_support.h"

#include <optional>

using namespace restest;
using wren::Resources;

namespace {

// An indexed PNG of n colours; alphas[i] for colour i when given.
Bytes pngOf(int colours, std::vector<uint8_t> alphas = {}) {
    rpack::IndexedImage image;
    image.width = colours;
    image.height = 1;
    for (int i = 0; i < colours; ++i) {
        rpack::PaletteColour c{uint8_t(i * 3), uint8_t(i * 5), uint8_t(255 - i), 255};
        if (size_t(i) < alphas.size()) c.a = alphas[size_t(i)];
        image.palette.push_back(c);
        image.pixels.push_back(uint8_t(i));
    }
    return rpack::encodePng(image);
}

// A chunk with any CRC: the helpers never look at it.
Bytes chunk(const char* type, const Bytes& data, std::optional<int32_t> declared = {}) {
    rpack::ByteWriter w;
    w.s32(declared.value_or(int32_t(data.size())));
    w.ascii(type);
    w.bytes(data);
    w.u32(0x12345678);
    return w.take();
}

// Inserts `extra` right after IHDR.
Bytes withChunkAfterHeader(const Bytes& png, const Bytes& extra) {
    Bytes out(png.begin(), png.begin() + 33);
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), png.begin() + 33, png.end());
    return out;
}

const Bytes kSignatureAndHeader = [] {
    Bytes png = pngOf(2);
    return Bytes(png.begin(), png.begin() + 33);
}();

TEST(PngPalette, ReadPaletteGivesTheColoursAndTheirCrc) {
    Bytes png = pngOf(16);
    VMPtr<VMArray<jbyte>> palette = Resources::readPalette(0, streamOf(png));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->length, 52);
    EXPECT_EQ(bytesOf(palette), Bytes(png.begin() + 41, png.begin() + 41 + 52));
    EXPECT_EQ(Resources::S().paletteOffset, 41);
    EXPECT_EQ(Resources::findPaletteChunk(streamOf(png)), 48);
    EXPECT_EQ(Resources::S().paletteOffset, 41);
}

TEST(PngPalette, ChunksBeforeThePaletteAreWalkedOver) {
    Bytes png = withChunkAfterHeader(pngOf(4), concat({chunk("gAMA", bytesFrom({0, 0, 0xB1, 0x8F})),
                                                       chunk("tEXt", Bytes(300, 'x'))}));
    EXPECT_EQ(Resources::findPaletteChunk(streamOf(png)), 12);
    EXPECT_EQ(Resources::S().paletteOffset, 41 + 16 + 312);
    EXPECT_EQ(Resources::readPalette(0, streamOf(png))->length, 16);
}

TEST(PngPalette, WithoutAPaletteThereIsNone) {
    Bytes png = concat({kSignatureAndHeader, chunk("IDAT", bytesFrom({1, 2})), chunk("IEND", {})});
    EXPECT_EQ(Resources::findPaletteChunk(streamOf(png)), -1);
    EXPECT_EQ(Resources::readPalette(0, streamOf(png)), nullptr);
    VMPtr<VMArray<jbyte>> data = jbytes(png);
    VMPtr<VMArray<jbyte>> palette = jbytes(bytesFrom({1, 2, 3, 4}));
    Resources::swapPalette(data, 0, palette);
    EXPECT_EQ(bytesOf(data), png);
    EXPECT_EQ(bytesOf(palette), bytesFrom({1, 2, 3, 4}));
}

TEST(PngPalette, TheFirstFullyTransparentIndex) {
    struct Case {
        const char* name;
        Bytes png;
        jint index;
    } cases[] = {
        {"alphas 255 255 0 0", pngOf(4, {255, 255, 0, 0}), 2},
        {"alpha 0 first", pngOf(3, {0, 128, 255}), 0},
        {"no alpha 0", pngOf(4, {255, 1, 128}), -1},
        {"no tRNS: IDAT follows PLTE", pngOf(4), -1},
        {"tRNS shorter than its count",
         concat({kSignatureAndHeader, chunk("PLTE", Bytes(6, 1)),
                 chunk("tRNS", bytesFrom({255}), 1000)}),
         -1},
        {"ends in PLTE", concat({kSignatureAndHeader, chunk("PLTE", Bytes(6, 1), 100)}), -1},
        {"negative PLTE length",
         concat(
             {kSignatureAndHeader, chunk("PLTE", Bytes(6, 1), -20), chunk("tRNS", bytesFrom({0}))}),
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Resources::getTransparentIndex(0, streamOf(c.png)), c.index);
    }
}

// Two swaps with the same arrays put both back; in between, the PNG holds
// the other palette and the array the PNG's.
TEST(PngPalette, ASecondSwapRestoresBothArrays) {
    Bytes png = pngOf(5);
    Bytes embedded = concat({bytesFrom({9, 9, 9}), png, bytesFrom({7})});
    VMPtr<VMArray<jbyte>> data = jbytes(embedded);
    VMPtr<VMArray<jbyte>> palette = jbytes(Bytes(19, 0x5C));
    Resources::swapPalette(data, 3, palette);
    EXPECT_EQ(bytesOf(palette), Bytes(png.begin() + 41, png.begin() + 60));
    Bytes swapped = bytesOf(data);
    EXPECT_EQ(Bytes(swapped.begin() + 44, swapped.begin() + 63), Bytes(19, 0x5C));
    Resources::swapPalette(data, 3, palette);
    EXPECT_EQ(bytesOf(data), embedded);
    EXPECT_EQ(bytesOf(palette), Bytes(19, 0x5C));

    Resources::swapPalette(data, 3, nullptr);
    EXPECT_EQ(bytesOf(data), embedded);

    // A palette that would run past the data's end is not swapped at all.
    Bytes cut(png.begin(), png.begin() + 50);
    VMPtr<VMArray<jbyte>> shortData = jbytes(cut);
    VMPtr<VMArray<jbyte>> whole = jbytes(Bytes(19, 1));
    Resources::swapPalette(shortData, 0, whole);
    EXPECT_EQ(bytesOf(shortData), cut);
    EXPECT_EQ(bytesOf(whole), Bytes(19, 1));
}

// Lengths that lie in the walk to PLTE (a chunk before it longer than the
// bytes, negative lengths): EOFException, no palette, nothing swapped.
TEST(PngPalette, ChunkLengthsThatLie) {
    const Bytes cases[] = {
        concat({kSignatureAndHeader, chunk("tEXt", Bytes(4, 1), 0x7FFFFFF0),
                chunk("PLTE", Bytes(6, 1))}),
        concat({kSignatureAndHeader, chunk("tEXt", Bytes(4, 1), 0x7FFFFFFD), chunk("IEND", {})}),
        concat({kSignatureAndHeader, chunk("tEXt", Bytes(4, 1), -4), chunk("PLTE", Bytes(6, 1))}),
        concat({kSignatureAndHeader, chunk("PLTE", Bytes(6, 1), -1)}),
        Bytes(kSignatureAndHeader.begin(), kSignatureAndHeader.begin() + 7),
    };
    for (const Bytes& png : cases) {
        EXPECT_EQ(thrownName([&] { Resources::findPaletteChunk(streamOf(png)); }),
                  "java.io.EOFException");
        EXPECT_EQ(Resources::readPalette(0, streamOf(png)), nullptr);
        VMPtr<VMArray<jbyte>> data = jbytes(png);
        VMPtr<VMArray<jbyte>> palette = jbytes(Bytes(10, 3));
        Resources::swapPalette(data, 0, palette);
        EXPECT_EQ(bytesOf(data), png);
        EXPECT_EQ(bytesOf(palette), Bytes(10, 3));
    }
}

// A PLTE length beyond the bytes: the walk finds the chunk, but its palette
// is a short read, with no array of the claimed size.
TEST(PngPalette, APaletteLongerThanTheBytes) {
    for (int32_t length : {0x7FFFFFFB, 0x7FFFFFFC, 0x7FFFFFFF, 7}) {
        Bytes png = concat({kSignatureAndHeader, chunk("PLTE", Bytes(6, 1), length)});
        EXPECT_EQ(Resources::findPaletteChunk(streamOf(png)), length);
        EXPECT_EQ(Resources::readPalette(0, streamOf(png)), nullptr);
    }
}

// Every prefix of a PNG: a palette only once its data and CRC are all
// there, the transparent index only once its tRNS byte is, and a double
// swap always restores.
TEST(PngPalette, EveryPrefixOfAPng) {
    Bytes png = pngOf(3, {255, 0, 255});
    const size_t paletteEnd = 41 + 9 + 4;
    const size_t alphaEnd = paletteEnd + 8 + 2;
    for (size_t n = 0; n < png.size(); ++n) {
        SCOPED_TRACE(n);
        Bytes prefix(png.begin(), png.begin() + n);
        VMPtr<VMArray<jbyte>> palette = Resources::readPalette(0, streamOf(prefix));
        if (n >= paletteEnd)
            EXPECT_EQ(bytesOf(palette), Bytes(png.begin() + 41, png.begin() + paletteEnd));
        else
            EXPECT_EQ(palette, nullptr);
        EXPECT_EQ(Resources::getTransparentIndex(0, streamOf(prefix)), n >= alphaEnd ? 1 : -1);
        VMPtr<VMArray<jbyte>> data = jbytes(prefix);
        VMPtr<VMArray<jbyte>> swap = jbytes(Bytes(13, 0x21));
        Resources::swapPalette(data, 0, swap);
        Resources::swapPalette(data, 0, swap);
        EXPECT_EQ(bytesOf(data), prefix);
        EXPECT_EQ(bytesOf(swap), Bytes(13, 0x21));
    }
}

TEST(PngPalette, StreamsAndImagesOverByteRanges) {
    Bytes png = pngOf(2);
    VMPtr<VMArray<jbyte>> data = jbytes(concat({bytesFrom({1, 2}), png}));
    VMPtr<javax::microedition::lcdui::Image> image =
        Resources::createImage(data, 2, jint(png.size()));
    EXPECT_EQ(image->getWidth(), 2);
    EXPECT_EQ(drain(Resources::openStream(data, 1, 2)), bytesFrom({2, 0x89}));
    // The range ends at the array's end.
    EXPECT_EQ(drain(Resources::openStream(data, data->length - 1, 100)), Bytes{png.back()});
    EXPECT_EQ(thrownName([&] { Resources::createImage(data, 3, jint(png.size())); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

}  // namespace
