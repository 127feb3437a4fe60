// The plain pack reader: the format's byte examples, pack selection by id
// with its static current pack, packs from streams, index-only packs read
// entry by entry from their own files, file names, entries in place (stream,
// array and offset, the canvas's read buffer), images with a replacement
// palette, and lookups the pack can't answer.
#include "resources_test_support.h"

#include <functional>

#include "java_io_IOException.h"
#include "java_lang_RuntimeException.h"
#include "wren_io_resource_MissingEntryException.h"

using namespace restest;
using javax::microedition::lcdui::Image;
using wren::io::resource::ResourcePack;

namespace {

using Reader = VMPtr<ResourcePack>;

Reader reader() {
    return ResourcePack::make();
}

class PlainPack : public PackFixture {};

// The example of the format: two entries AA BB CC and DD with type bytes 5
// and -3, in each size width.
TEST_F(PlainPack, TheFormatExamplesReadInEverySizeWidth) {
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"2-byte sizes",
         bytesFrom({0x00, 0, 2, 0, 3, 0, 1, 5, 0xFD, 0, 0, 0, 4, 0xAA, 0xBB, 0xCC, 0xDD})},
        {"4-byte sizes", bytesFrom({0x41, 0,    2, 0, 0, 0, 3,    0,    0,    0,   1,
                                    5,    0xFD, 0, 0, 0, 4, 0xAA, 0xBB, 0xCC, 0xDD})},
        {"bit 0 clear is 2-byte",
         bytesFrom({0x40, 0, 2, 0, 3, 0, 1, 5, 0xFD, 0, 0, 0, 4, 0xAA, 0xBB, 0xCC, 0xDD})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reader r = reader();
        ASSERT_TRUE(r->load(streamOf(c.bytes), false));
        EXPECT_EQ(ResourcePack::S().currentPack, 0);
        expectEntries(r, 0, {{bytesFrom({0xAA, 0xBB, 0xCC}), 5}, {bytesFrom({0xDD}), -3}});
        EXPECT_EQ(r->getOffset(1), 3);
    }
}

// rpack's packs in both size widths, a 65535-byte entry among them: a
// 2-byte size is unsigned.
TEST_F(PlainPack, EveryEntryReadsBackByteExactFromAFile) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    entries.push_back({Bytes(65535, 0x5A), 3});
    for (uint8_t flags : {rpack::kFlagsWide, rpack::kFlagsNarrow}) {
        SCOPED_TRACE(int(flags));
        installFile("RP22.rp", plainPack(entries, flags));
        Reader r = reader();
        expectEntries(r, 22, entries);
        EXPECT_EQ(r->getSize((22 << 10) | 6), 65535);
        r->close();
    }
}

TEST_F(PlainPack, AnIdSelectsItsPackOnceAndBareEntriesUseTheCurrentOne) {
    installFile("RP3.rp", plainPack({{bytesFrom({1}), 0}, {}, {}, {}, {}, {Bytes(9, 2), 4}}));
    Reader r = reader();
    EXPECT_EQ(r->getSize(0x0C05), 9);
    EXPECT_EQ(ResourcePack::S().currentPack, 3);
    // Pack 3 is current: nothing is read again.
    removeResource("RP3.rp");
    EXPECT_EQ(r->getSize(5), 9);
    EXPECT_EQ(r->getType(0x0C05), 4);
    // Another pack replaces it.
    installFile("RP4.rp", plainPack({{bytesFrom({7, 7}), 1}}));
    EXPECT_EQ(r->getSize(0x1000), 2);
    EXPECT_EQ(ResourcePack::S().currentPack, 4);
}

TEST_F(PlainPack, OffsetsSumTheSizesBeforeTheEntry) {
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(plainPack({{Bytes(3), 0}, {Bytes(1), 0}, {Bytes(7), 0}})), false));
    EXPECT_EQ(r->getOffset(0), 0);
    EXPECT_EQ(r->getOffset(1), 3);
    EXPECT_EQ(r->getOffset(2), 4);
}

TEST_F(PlainPack, AStreamedPackIsPackZeroUntilAnotherPackIsAskedFor) {
    installFile("RP30.rp", plainPack({{bytesFrom({3, 3, 3}), 2}}));
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(plainPack({{bytesFrom({1}), 0}, {bytesFrom({2, 2}), 1}})), false));
    EXPECT_EQ(bytesOf(r->getData(1)), bytesFrom({2, 2}));
    EXPECT_EQ(bytesOf(r->getData(30 << 10)), bytesFrom({3, 3, 3}));
    EXPECT_EQ(ResourcePack::S().currentPack, 30);

    EXPECT_FALSE(r->load(nullptr, false));
    EXPECT_EQ(ResourcePack::S().currentPack, -1);
    EXPECT_EQ(r->sizes, nullptr);
}

TEST_F(PlainPack, AnEmptyPackHasAnEmptyIndexAndBlock) {
    Reader r = reader();
    EXPECT_TRUE(r->load(streamOf(bytesFrom({0x01, 0, 0, 0, 0, 0, 0})), false));
    EXPECT_EQ(r->sizes->length, 0);
    EXPECT_EQ(r->data->length, 0);
}

TEST_F(PlainPack, FileNames) {
    Reader r = reader();
    EXPECT_EQ(text(r->makeFileName(5, 7, jstr("png"))), "/RP5part7.png");
    EXPECT_EQ(text(r->makeFileName(123456, 0, nullptr)), "/RP123456part0.rp");
    EXPECT_EQ(text(r->getFileName(20, -1)), "/RP20.rp");
    EXPECT_EQ(text(r->getFileName(0, 12)), "/RP0part12.rp");
    // In memory an entry has no file of its own.
    r->inMemory = true;
    EXPECT_EQ(r->getFileName(0x1403), nullptr);
    r->inMemory = false;
    EXPECT_EQ(text(r->getFileName(0x1403)), "/RP5part3.rp");
    // The shared buffer is emptied for every name.
    EXPECT_EQ(text(r->getFileName(1, 2)), "/RP1part2.rp");
}

// An index without its data block: each entry is the start of a file of its
// own, named by the current pack.
TEST_F(PlainPack, AnIndexOnlyPackReadsEachEntryFromItsOwnFile) {
    std::vector<rpack::PackEntry> entries(13);
    entries[12] = {bytesFrom({9, 8, 7, 6}), 0};
    entries[3] = {bytesFrom({1, 2}), 0};
    installFile("RP0part12.rp", bytesFrom({9, 8, 7, 6, 5, 4}));  // more than the entry
    installFile("RP0part3.rp", bytesFrom({1}));                  // less than the entry
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(rpack::encodeIndex(entries, rpack::kFlagsWide)), true));
    EXPECT_FALSE(r->inMemory);
    EXPECT_EQ(bytesOf(r->getData(12)), bytesFrom({9, 8, 7, 6}));
    EXPECT_EQ(r->getOffset(12), 0);
    EXPECT_EQ(drain(r->getStream(12)), bytesFrom({9, 8, 7, 6}));

    VMPtr<java::lang::Throwable> shortFile = thrownBy([&] { r->getData(3); });
    EXPECT_EQ(classNameOf(shortFile), "java.lang.RuntimeException");
    EXPECT_EQ(text(shortFile->getMessage()), "java.io.EOFException");
    VMPtr<java::lang::Throwable> missing = thrownBy([&] { r->getData(5); });
    EXPECT_EQ(classNameOf(missing), "java.lang.RuntimeException");
    EXPECT_EQ(text(missing->getMessage()),
              "java.io.IOException: " + onDisk("RP0part5.rp") + ": no such file");

    // readFromFile fills what it is given from the file's start.
    VMPtr<VMArray<jbyte>> dest = VMArray<jbyte>::create(5);
    r->readFromFile(12, dest);
    EXPECT_EQ(bytesOf(dest), bytesFrom({9, 8, 7, 6, 5}));
    EXPECT_EQ(thrownName([&] { r->readFromFile(12, VMArray<jbyte>::create(7)); }),
              "java.lang.RuntimeException");
}

// A size of 2^31 - 1 in the index of an index-only pack: the entry's file
// holds two bytes, so the read ends as the short read would, without an
// array of the size the index claims.
TEST_F(PlainPack, AnEntrySizeLargerThanItsFileIsAShortRead) {
    rpack::ByteWriter index;
    index.u8(0x41);
    index.u16(1);
    index.s32(0x7FFFFFFF);
    index.u8(0);
    installFile("RP0part0.rp", bytesFrom({1, 2}));
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(index.take()), true));
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getData(0); });
    EXPECT_EQ(classNameOf(t), "java.lang.RuntimeException");
    EXPECT_EQ(text(t->getMessage()), "java.io.EOFException");
}

TEST_F(PlainPack, TypeBytesAreSignExtended) {
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(plainPack({{{}, -3}, {{}, 127}, {{}, -128}})), false));
    EXPECT_EQ(r->getType(0), -3);
    EXPECT_EQ(r->getType(1), 127);
    EXPECT_EQ(r->getType(2), -128);
}

// The entry's bytes are handed out inside the pack's own array: the stream
// reads it in place, locate points the canvas's reader at it.
TEST_F(PlainPack, EntriesInPlace) {
    Reader r = reader();
    ASSERT_TRUE(r->load(
        streamOf(plainPack({{bytesFrom({1, 2, 3}), 0}, {bytesFrom({0, 0, 1, 2, 0x80, 7}), 0}})),
        false));
    VMPtr<DataInputStream> s = r->getStream(1);
    auto* in = dynamic_cast<java::io::ByteArrayInputStream*>(s->in.get());
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->buf == r->data);
    EXPECT_TRUE(r->getPackData(1) == r->data);
    EXPECT_EQ(s->readInt(), 0x102);
    EXPECT_EQ(s->readByte(), -128);

    EXPECT_EQ(r->locate(1), 6);
    EXPECT_TRUE(wren::WrenCanvas::S().inBuffer == r->data);
    EXPECT_EQ(wren::WrenCanvas::S().inPosition, 3);
    EXPECT_EQ(wren::WrenCanvas::readInt(), 0x102);
    EXPECT_EQ(wren::WrenCanvas::readByte(), -128);
}

// A data block shorter than the sizes say: the copy and the image fail,
// the stream stops at the block's end; a size near 2^31 does the same
// without an allocation for it.
TEST_F(PlainPack, EntriesPastTheDataBlock) {
    Bytes pack = plainPack({{bytesFrom({1, 2}), 0}, {bytesFrom({3, 4, 5, 6}), -3}});
    pack.resize(pack.size() - 2);
    pack[pack.size() - 5] = 4;  // L = 4
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(pack), false));
    EXPECT_EQ(thrownName([&] { r->getData(1); }), "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { r->getImage(1, nullptr); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(drain(r->getStream(1)), bytesFrom({3, 4}));

    rpack::ByteWriter huge;
    huge.u8(0x41);
    huge.u16(2);
    huge.s32(1);
    huge.s32(0x7FFFFFFF);
    huge.u16(0);
    huge.s32(3);
    huge.bytes(bytesFrom({9, 8, 7}));
    ASSERT_TRUE(r->load(streamOf(huge.take()), false));
    EXPECT_EQ(r->getSize(1), 0x7FFFFFFF);
    EXPECT_EQ(thrownName([&] { r->getData(1); }), "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(drain(r->getStream(1)), bytesFrom({8, 7}));
}

// Offsets summed past 2^31 would wrap in 32 bits and land inside the
// block; summed in 64 bits they stay beyond it.
TEST_F(PlainPack, OffsetSumsDoNotWrap) {
    rpack::ByteWriter w;
    w.u8(0x41);
    w.u16(4);
    for (int32_t size : {0x7FFFFFFF, 0x7FFFFFFF, 2, 1}) w.s32(size);
    w.u32(0);
    w.s32(4);
    w.bytes(bytesFrom({1, 2, 3, 4}));
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(w.take()), false));
    EXPECT_EQ(r->getOffset(3), 0x7FFFFFFF);
    EXPECT_EQ(thrownName([&] { r->getData(3); }), "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(drain(r->getStream(3)), Bytes());
}

// A pack whose file is missing or unreadable is still the current pack, and
// not tried again until another pack comes between; until then every lookup
// says which pack and entry it could not find, and why: the file on disk
// and what is wrong with it.
TEST_F(PlainPack, LookupsInAPackWithoutAnIndex) {
    Reader r = reader();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getSize((40 << 10) | 5); });
    ASSERT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()),
              "Resource pack 40 has no index (entry 5): " + onDisk("RP40.rp") + ": no such file");
    EXPECT_TRUE(vmIsInstanceOf(t, java::lang::RuntimeException::classRecord()));
    EXPECT_EQ(ResourcePack::S().currentPack, 40);

    installFile("RP40.rp", plainPack({{bytesFrom({1}), 0}}));
    for (auto lookup : std::vector<std::function<void()>>{
             [&] { r->getSize(40 << 10); }, [&] { r->getType(40 << 10); },
             [&] { r->getData(40 << 10); }, [&] { r->getStream(40 << 10); },
             [&] { r->getOffset(40 << 10); }, [&] { r->getPackData(40 << 10); },
             [&] { r->locate(40 << 10); }, [&] { r->getImage(40 << 10, nullptr); }}) {
        EXPECT_EQ(thrownName(lookup), "wren.io.resource.MissingEntryException");
    }
    // Another pack in between: now it is read.
    installFile("RP41.rp", plainPack({}));
    r->selectPack(41 << 10);
    EXPECT_EQ(r->getSize(40 << 10), 1);
}

// A file cut inside its data block leaves the pack without an index too;
// the lookup says where the file ends.
TEST_F(PlainPack, AnUnreadablePackHasNoIndex) {
    Bytes pack = plainPack({{Bytes(10, 1), 0}});
    pack.resize(12);
    installFile("RP42.rp", pack);
    Reader r = reader();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getData(42 << 10); });
    ASSERT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()), "Resource pack 42 has no index (entry 0): " +
                                         onDisk("RP42.rp") +
                                         ": ends at byte 12, before the data it announces");
    EXPECT_EQ(ResourcePack::S().currentPack, 42);
}

TEST_F(PlainPack, LookupsOfAnEntryBeyondTheIndex) {
    installFile("RP50.rp", plainPack({{bytesFrom({1}), 0}, {bytesFrom({2}), 0}}));
    Reader r = reader();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getData((50 << 10) | 2); });
    ASSERT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    // The message follows the file whose index is too short.
    EXPECT_EQ(text(t->getMessage()),
              onDisk("RP50.rp") + ": Resource pack 50 has no entry 2 (it has 2)");
    EXPECT_EQ(thrownName([&] { r->getType(1023); }), "wren.io.resource.MissingEntryException");
}

// The palette is swapped into the PNG for the decode and back out after it,
// also when the decode fails; the pack's bytes and the caller's array end
// as they were.
TEST_F(PlainPack, ImagesWithAReplacementPalette) {
    rpack::IndexedImage image = sampleImage();
    rpack::IndexedImage recoloured = image;
    recoloured.palette = {{0, 0, 0, 0}, {0xFF, 0, 0, 255}, {0, 0, 0xFF, 255}};
    Bytes png = rpack::encodePng(image);
    Bytes other = rpack::encodePng(recoloured);
    Reader r = reader();
    ASSERT_TRUE(r->load(streamOf(plainPack({{bytesFrom({1, 2, 3}), 0}, {png, -3}})), false));
    Bytes stored = bytesOf(r->data);

    auto pixel = [](const VMPtr<Image>& img, jint x, jint y) {
        VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(1);
        img->getRGB(rgb, 0, 1, x, y, 1, 1);
        return uint32_t(rgb[0]);
    };
    VMPtr<Image> plain = r->getImage(1, nullptr);
    EXPECT_EQ(plain->getWidth(), 4);
    EXPECT_EQ(pixel(plain, 1, 0) & 0xFFFFFF, 0x102030u & 0xF8FCF8u);

    VMPtr<VMArray<jbyte>> palette = wren::Resources::readPalette(0, streamOf(other));
    ASSERT_NE(palette, nullptr);
    Bytes paletteBefore = bytesOf(palette);
    VMPtr<Image> swapped = r->getImage(1, palette);
    EXPECT_EQ(pixel(swapped, 1, 0) & 0xFFFFFF, 0xF80000u);  // as RGB565 keeps it
    EXPECT_EQ(pixel(swapped, 2, 0) & 0xFFFFFF, 0x0000F8u);
    EXPECT_EQ(bytesOf(r->data), stored);
    EXPECT_EQ(bytesOf(palette), paletteBefore);

    // Decoding without one afterwards gives the stored colours again.
    EXPECT_EQ(pixel(r->getImage(1, nullptr), 1, 0), pixel(plain, 1, 0));

    // A palette that breaks the PNG: the decode throws, both come back.
    VMPtr<VMArray<jbyte>> broken = jbytes(Bytes(palette->length, 0xEE));
    EXPECT_EQ(thrownName([&] { r->getImage(1, broken); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(bytesOf(r->data), stored);
    EXPECT_EQ(bytesOf(broken), Bytes(palette->length, 0xEE));
}

}  // namespace
