// The chunked reader: which pack numbers are chunked, split-map packs over
// any number of parts and parts short of their total, an index read without
// its block after a split pack, directory packs with shared and own files, the
// choice between the two, the header and chunk-table messages, and what a
// failed open and a close leave behind.
#include "resources_test_support.h"

#include <functional>

#include "java_lang_Runtime.h"
#include "java_lang_RuntimeException.h"
#include "runtime/vm_test_support.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace restest;
using wren::io::resource::ResourcePack;
using wren::io::resource::ResourcePackChunked;

namespace {

using Reader = VMPtr<ResourcePackChunked>;

Reader reader() {
    return ResourcePackChunked::make();
}

rpack::PackContent content(int number, const std::vector<rpack::PackEntry>& entries) {
    rpack::PackContent c;
    c.number = number;
    c.entries = entries;
    return c;
}

// The message of the RuntimeException a failed open throws: the caught
// exception's class and message.
std::string openFailure(const Reader& r, jint pack) {
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->open(pack); });
    if (classNameOf(t) != "java.lang.RuntimeException") return "thrown: " + classNameOf(t);
    return text(t->getMessage());
}

class ChunkedPack : public PackFixture {};

TEST_F(ChunkedPack, PacksOneToNineteenAndTwentyOneAreChunked) {
    for (jint n = -2; n <= 40; ++n) {
        bool chunked = (n >= 1 && n <= 19) || n == 21;
        EXPECT_EQ(ResourcePackChunked::isChunkedPack(n), chunked) << n;
        EXPECT_EQ(ResourcePackChunked::isChunkedPack(n), rpack::isChunkedPack(n)) << n;
    }
    // A plain number goes the plain reader's way: "/RP20.rp".
    installFile("RP20.rp", plainPack({{bytesFrom({4}), 0}}));
    Reader r = reader();
    EXPECT_EQ(bytesOf(r->getData(20 << 10)), bytesFrom({4}));
    EXPECT_TRUE(r->inMemory);
}

TEST_F(ChunkedPack, SplitPacksReadBackByteExactOverAnyNumberOfParts) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    for (int parts : {1, 2, 3, 7, 1024}) {
        SCOPED_TRACE(parts);
        for (uint8_t flags : {rpack::kFlagsWide, rpack::kFlagsNarrow}) {
            rpack::PackContent c = content(3, entries);
            c.splitParts = parts;
            c.flags = flags;
            install(rpack::buildPack(c));
            Reader r = reader();
            expectEntries(r, 3, entries);
            EXPECT_TRUE(r->inMemory);
            EXPECT_EQ(r->fileSystem, nullptr);
            r->close();
        }
    }
}

// The entry count is the main file's index: an entry beyond it names that
// file, however many part files the pack has.
TEST_F(ChunkedPack, AnEntryBeyondTheIndexNamesTheMainFile) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    const jint count = jint(entries.size());
    rpack::PackContent c = content(3, entries);
    c.splitParts = 2;
    install(rpack::buildPack(c));
    Reader r = reader();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getData((3 << 10) | count); });
    ASSERT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()), onDisk("RP3part0.rp") + ": Resource pack 3 has no entry " +
                                         std::to_string(count) + " (it has " +
                                         std::to_string(count) + ")");
}

// The block is as long as the map's total; parts that hold less fill it
// from its start and leave the rest zero. With no parts at all, no part
// file is opened.
TEST_F(ChunkedPack, PartsShortOfTheTotalLeaveTheRestZero) {
    struct Case {
        const char* name;
        rpack::SplitMap map;
        std::vector<Bytes> parts;
        Bytes block;
    } cases[] = {
        {"no parts, a total of 10", {10, {}}, {}, Bytes(10, 0)},
        {"two parts short of the total",
         {7, {2, 1}},
         {bytesFrom({1, 2}), bytesFrom({3, 9})},
         bytesFrom({1, 2, 3, 0, 0, 0, 0})},
        {"no parts, no total", {0, {}}, {}, Bytes()},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        fs::remove_all(rscDir());
        std::vector<rpack::PackEntry> entries = {{k.block, 0}};
        rpack::ChunkedPack plan = rpack::planChunkedPack(content(5, entries));
        plan.main.chunks[1].payload = rpack::encodeSplitMap(k.map);
        rpack::FileSet files = plan.files();
        if (rpack::findFile(files, "RP5part1.rp")) rpack::removeFile(files, "RP5part1.rp");
        for (size_t i = 0; i < k.parts.size(); ++i)
            files.push_back({"RP5part" + std::to_string(i + 1) + ".rp", k.parts[i]});
        install(files);
        Reader r = reader();
        expectEntries(r, 5, entries);
        EXPECT_TRUE(r->inMemory);
        EXPECT_EQ(r->data->length, jint(k.block.size()));
        r->close();
    }
}

// A total within the heap's bounds that the heap can't give now is refused
// as the pack's fault, and the reader goes on.
TEST_F(ChunkedPack, ATotalTheHeapCannotGiveIsRefused) {
    std::vector<rpack::PackEntry> entries = {{bytesFrom({1, 2}), 0}};
    rpack::ChunkedPack plan = rpack::planChunkedPack(content(5, entries));
    Reader r = reader();
    {
        wren::test::ScopedHeapLimits limits;
        vmHeapSetLimits(vmHeapState().minimum, 64u << 20);
        jint total = jint(java::lang::Runtime::getRuntime()->totalMemory()) - 16;
        plan.main.chunks[1].payload = rpack::encodeSplitMap({total, {2}});
        install(plan.files());
        EXPECT_EQ(openFailure(r, 5), "java.io.IOException: " + onDisk("RP5part0.rp") +
                                         ": Split map total of " + std::to_string(total) +
                                         " bytes does not fit in the heap");
        EXPECT_EQ(r->data, nullptr);
    }
    plan.main.chunks[1].payload = rpack::encodeSplitMap({2, {2}});
    install(plan.files());
    r->open(5);
    EXPECT_EQ(bytesOf(r->getData(0)), bytesFrom({1, 2}));
}

// An index read without its data block after a split pack leaves the
// reader in memory with no block: the entries' bytes are the missing-entry
// exception, their sizes and types are still there.
TEST_F(ChunkedPack, AnIndexWithoutItsBlockAfterASplitPack) {
    install(rpack::buildPack(content(6, {{bytesFrom({1, 2}), 0}})));
    Reader r = reader();
    EXPECT_EQ(bytesOf(r->getData(6 << 10)), bytesFrom({1, 2}));
    ASSERT_TRUE(r->load(streamOf(rpack::encodeIndex({{bytesFrom({8, 9, 7}), 4}}, 0x41)), true));
    ASSERT_TRUE(r->inMemory);
    EXPECT_EQ(r->getSize(0), 3);
    EXPECT_EQ(r->getType(0), 4);
    const std::function<void()> reads[] = {
        [&] { r->getData(0); },     [&] { r->getStream(0); }, [&] { r->getImage(0, nullptr); },
        [&] { r->getPackData(0); }, [&] { r->locate(0); },
    };
    for (const auto& read : reads) {
        VMPtr<java::lang::Throwable> t = thrownBy(read);
        EXPECT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
        EXPECT_EQ(text(t ? t->getMessage() : nullptr),
                  "Resource pack 0 has no data block (entry 0)");
    }
    // An entry beyond the index is still reported as such.
    VMPtr<java::lang::Throwable> beyond = thrownBy([&] { r->getData(1); });
    ASSERT_TRUE(beyond != nullptr);
    EXPECT_EQ(text(beyond->getMessage()), "Resource pack 0 has no entry 1 (it has 1)");
}

// Only the first part length of a part file is read; the rest of a longer
// file is left alone.
TEST_F(ChunkedPack, PartFilesMayHoldMoreThanTheirPart) {
    std::vector<rpack::PackEntry> entries = {{bytesFrom({1, 2, 3}), 0}, {bytesFrom({4, 5}), 0}};
    rpack::PackContent c = content(4, entries);
    c.splitParts = 2;
    rpack::FileSet files = rpack::buildPack(c);
    rpack::fileNamed(files, "RP4part1.rp").data.push_back(0x77);
    install(files);
    Reader r = reader();
    expectEntries(r, 4, entries);
}

TEST_F(ChunkedPack, DirectoryPacksReadEachEntryFromItsFile) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    rpack::PackContent c = content(7, entries);
    c.layout = rpack::ChunkedLayout::Directory;
    c.placements = {{-1, 3}, {-1, 3}, {0, 2}, {-7, 3}, {-3, 1}, {-1, 3}};
    install(rpack::buildPack(c));
    Reader r = reader();
    expectEntries(r, 7, entries);
    EXPECT_FALSE(r->inMemory);
    EXPECT_EQ(r->data, nullptr);
    EXPECT_EQ(text(r->getFileName(7 << 10)), "/RP7part3.rp");
    EXPECT_EQ(text(r->getFileName((7 << 10) | 2)), "/RP7part2.mid");
    EXPECT_EQ(text(r->getFileName((7 << 10) | 3)), "/RP7part3.txt");
    EXPECT_EQ(text(r->getFileName((7 << 10) | 4)), "/RP7part1.png");
    // Bare entries name the current pack's files too.
    EXPECT_EQ(text(r->getFileName(5)), "/RP7part3.rp");
}

// readFromFile reads the index's size at the directory's offset, whatever
// follows in the file.
TEST_F(ChunkedPack, DirectoryEntriesAreReadAtTheirOffsetForTheirSize) {
    std::vector<rpack::PackEntry> entries = {
        {bytesFrom({1, 2}), 0}, {bytesFrom({3, 4, 5}), 0}, {bytesFrom({6}), 0}};
    rpack::PackContent c = content(8, entries);
    c.layout = rpack::ChunkedLayout::Directory;
    c.placements = {{-1, 5}, {-1, 5}, {-1, 5}};
    install(rpack::buildPack(c));
    Reader r = reader();
    r->selectPack(8 << 10);
    EXPECT_EQ(r->fileSystem->getFileOffset(1), 2);
    VMPtr<VMArray<jbyte>> dest = VMArray<jbyte>::create(3);
    r->readFromFile(1, dest);
    EXPECT_EQ(bytesOf(dest), bytesFrom({3, 4, 5}));
    dest = VMArray<jbyte>::create(2);
    r->readFromFile(1, dest);
    EXPECT_EQ(bytesOf(dest), bytesFrom({3, 4}));
    EXPECT_EQ(thrownName([&] { r->readFromFile(2, VMArray<jbyte>::create(2)); }),
              "java.lang.RuntimeException");
}

// An image that fills its own file, asked for without a palette, is decoded
// by name, so the index size is not consulted; with a palette, or at an
// offset, it is read as bytes and the palette applies.
TEST_F(ChunkedPack, ImagesOfDirectoryPacks) {
    rpack::IndexedImage image = sampleImage();
    Bytes png = rpack::encodePng(image);
    rpack::PackContent c = content(9, {{png, -3}, {bytesFrom({1}), 0}, {png, -3}});
    c.layout = rpack::ChunkedLayout::Directory;
    c.placements = {{-3, 1}, {-3, 2}, {-3, 2}};
    rpack::ChunkedPack plan = rpack::planChunkedPack(c);
    // The index says entry 0 is one byte: only a decode by name can read it.
    std::vector<rpack::PackEntry> lying = c.entries;
    lying[0].data.resize(1);
    plan.main.chunks[0].payload = rpack::encodeIndex(lying, rpack::kFlagsWide);
    install(plan.files());
    Reader r = reader();
    VMPtr<javax::microedition::lcdui::Image> byName = r->getImage(9 << 10, nullptr);
    EXPECT_EQ(byName->getWidth(), 4);
    EXPECT_EQ(byName->getHeight(), 2);
    // Entry 2 lies at offset 1 of its file.
    EXPECT_EQ(r->fileSystem->getFileOffset(2), 1);
    EXPECT_EQ(r->getImage((9 << 10) | 2, nullptr)->getWidth(), 4);
    // With a palette entry 0 goes the bytes' way: one byte is no image.
    VMPtr<VMArray<jbyte>> palette = wren::Resources::readPalette(0, streamOf(png));
    EXPECT_EQ(thrownName([&] { r->getImage(9 << 10, palette); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(r->getImage((9 << 10) | 2, palette)->getWidth(), 4);
    // A file the platform can't decode by name is RuntimeException.
    installFile("RP9part1.png", bytesFrom({1, 2, 3}));
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getImage(9 << 10, nullptr); });
    EXPECT_EQ(classNameOf(t), "java.lang.RuntimeException");
    EXPECT_EQ(text(t->getMessage()), "java.io.IOException: HAL_createImageWithResource() error: 6");
}

// With both, the directory decides and no part file of the split map is
// read at open.
TEST_F(ChunkedPack, ADirectoryWinsOverASplitMap) {
    std::vector<rpack::PackEntry> entries = {{bytesFrom({1, 2}), 0}, {bytesFrom({3}), 0}};
    rpack::PackContent c = content(10, entries);
    c.layout = rpack::ChunkedLayout::Directory;
    rpack::ChunkedPack plan = rpack::planChunkedPack(c);
    plan.main.chunks.insert(plan.main.chunks.begin(),
                            {rpack::kChunkSplitMap, 0, rpack::encodeSplitMap({3, {3}}), {}});
    install(plan.files());  // without the split map's "/RP10part1.rp"
    Reader r = reader();
    r->selectPack(10 << 10);
    EXPECT_NE(r->fileSystem, nullptr);
    EXPECT_FALSE(r->inMemory);
    expectEntries(r, 10, entries);
}

TEST_F(ChunkedPack, TheFirstOfTwoIndexChunksCounts) {
    std::vector<rpack::PackEntry> entries = {{bytesFrom({1, 2}), 5}};
    rpack::ChunkedPack plan = rpack::planChunkedPack(content(11, entries));
    plan.main.chunks.push_back(
        {rpack::kChunkIndex, 0, rpack::encodeIndex({{bytesFrom({9}), 1}, {{}, 1}}, 0x41), {}});
    install(plan.files());
    Reader r = reader();
    expectEntries(r, 11, entries);
    EXPECT_EQ(r->sizes->length, 1);
}

// The four messages of the format, exactly, through the RuntimeException
// of the open (after the main file's path on disk) and from readHeader
// itself.
TEST_F(ChunkedPack, TheFormatMessages) {
    rpack::PackContent c = content(12, {{bytesFrom({1}), 0}});
    struct Case {
        const char* name;
        void (*spoil)(rpack::ChunkedPack&);
        const char* message;  // after the exception's class and the main file
    } cases[] = {
        {"marker", [](rpack::ChunkedPack& p) { p.main.marker = 0x41424344; },
         "Invalid chunked RP file marker, expecting '%PR%' instead of 'DCBA'"},
        {"marker and version",
         [](rpack::ChunkedPack& p) {
             p.main.marker = 0x25525026;
             p.main.version = 3;
         },
         "Invalid chunked RP file marker, expecting '%PR%' instead of '&PR%'"},
        {"version 3", [](rpack::ChunkedPack& p) { p.main.version = 3; },
         "Invalid RP version, expecting '4' instead of '3'"},
        {"version 5", [](rpack::ChunkedPack& p) { p.main.version = 5; },
         "Invalid RP version, expecting '4' instead of '5'"},
        {"version 65535", [](rpack::ChunkedPack& p) { p.main.version = 0xFFFF; },
         "Invalid RP version, expecting '4' instead of '65535'"},
        {"unknown chunk",
         [](rpack::ChunkedPack& p) {
             p.main.chunks.insert(p.main.chunks.begin() + 1, {rpack::chunkId("WXYZ"), 0, {}, {}});
         },
         "Unknown RP chunk id 'ZYXW'"},
        {"no chunks", [](rpack::ChunkedPack& p) { p.main.chunks.clear(); },
         "Missing RP chunk 'eHPR'"},
        {"no split map nor directory", [](rpack::ChunkedPack& p) { p.main.chunks.pop_back(); },
         "Missing RP chunk 'MLSF'"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        rpack::ChunkedPack plan = rpack::planChunkedPack(c);
        k.spoil(plan);
        install(plan.files());
        Reader r = reader();
        EXPECT_EQ(openFailure(r, 12),
                  "java.io.IOException: " + onDisk("RP12part0.rp") + ": " + k.message);
        EXPECT_EQ(r->sizes, nullptr);
    }
    // The accepted header, and the rejected one read directly.
    Reader r = reader();
    r->readHeader(streamOf(bytesFrom({0x25, 0x52, 0x50, 0x25, 0x00, 0x04})));
    VMPtr<java::lang::Throwable> t = thrownBy([&] {
        r->readHeader(streamOf(bytesFrom({0x25, 0x52, 0x50, 0x25, 0x00, 0x03})));
    });
    EXPECT_EQ(classNameOf(t), "java.io.IOException");
    EXPECT_EQ(text(t->getMessage()), "Invalid RP version, expecting '4' instead of '3'");
    EXPECT_EQ(text(ResourcePackChunked::idToString(rpack::kChunkDirectory)), "OSFV");
    EXPECT_EQ(text(ResourcePackChunked::idToString(rpack::kMarker)), rpack::idText(rpack::kMarker));
}

// A failed open keeps nothing of the pack: no index from its index chunk,
// no block, no chunk table. The pack stays current and is not tried again
// until another pack comes between.
TEST_F(ChunkedPack, AFailedOpenDropsTheHalfLoadedPack) {
    rpack::PackContent c = content(13, {{bytesFrom({1, 2, 3}), 0}});
    c.splitParts = 2;
    rpack::FileSet files = rpack::buildPack(c);
    rpack::removeFile(files, "RP13part2.rp");
    install(files);
    Reader r = reader();
    const std::string missing = onDisk("RP13part2.rp") + ": no such file";
    EXPECT_EQ(openFailure(r, 13), "java.io.IOException: " + missing);
    EXPECT_EQ(r->sizes, nullptr);
    EXPECT_EQ(r->data, nullptr);
    EXPECT_EQ(r->chunks, nullptr);

    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getSize(13 << 10); });
    EXPECT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()),
              "Resource pack 13 has no index (entry 0): java.io.IOException: " + missing);
    install(rpack::buildPack(c));
    EXPECT_EQ(thrownName([&] { r->getSize(13 << 10); }), "wren.io.resource.MissingEntryException");
    installFile("RP14part0.rp", Bytes());
    r->selectPack(14 << 10);
    EXPECT_EQ(r->getSize(13 << 10), 3);
}

// Closing drops the directory: a pack loaded after a directory pack finds
// its entries in its own files, not in the old pack's.
TEST_F(ChunkedPack, CloseDropsTheDirectory) {
    rpack::PackContent c = content(15, {{bytesFrom({1, 2}), -1}});
    c.layout = rpack::ChunkedLayout::Directory;
    install(rpack::buildPack(c));
    Reader r = reader();
    EXPECT_EQ(text(r->getFileName(15 << 10)), "/RP15part1.rp");
    r->close();
    EXPECT_EQ(r->fileSystem, nullptr);

    r->selectPack(15 << 10);
    ASSERT_NE(r->fileSystem, nullptr);
    // An index-only pack from a stream: its entry 0 is /RP0part0.rp.
    ASSERT_TRUE(r->load(streamOf(rpack::encodeIndex({{bytesFrom({8, 9}), 0}}, 0x41)), true));
    EXPECT_EQ(r->fileSystem, nullptr);
    EXPECT_EQ(text(r->getFileName(0)), "/RP0part0.rp");
    installFile("RP0part0.rp", bytesFrom({8, 9}));
    EXPECT_EQ(bytesOf(r->getData(0)), bytesFrom({8, 9}));
}

// Directory offsets that can't be read at: negative, or past the file.
TEST_F(ChunkedPack, DirectoryOffsetsOutsideTheirFile) {
    rpack::PackContent c = content(16, {{bytesFrom({1, 2}), -1}, {bytesFrom({3}), -1}});
    c.layout = rpack::ChunkedLayout::Directory;
    rpack::ChunkedPack plan = rpack::planChunkedPack(c);
    rpack::Directory d;
    d.entries = {{-1, 0, 1, -5, 0}, {-1, 0, 2, 100, 0}};
    plan.main.chunks[1].payload = rpack::encodeDirectory(d);
    install(plan.files());
    Reader r = reader();
    VMPtr<java::lang::Throwable> negative = thrownBy([&] { r->getData(16 << 10); });
    EXPECT_EQ(classNameOf(negative), "java.lang.RuntimeException");
    EXPECT_EQ(text(negative->getMessage()),
              "java.io.IOException: Negative offset -5 of entry 0 in /RP16part1.rp");
    EXPECT_EQ(thrownName([&] { r->getImage(16 << 10, nullptr); }), "java.lang.RuntimeException");
    VMPtr<java::lang::Throwable> past = thrownBy([&] { r->getData((16 << 10) | 1); });
    EXPECT_EQ(classNameOf(past), "java.lang.RuntimeException");
    EXPECT_EQ(text(past->getMessage()), "java.io.EOFException");
}

// An index with more entries than the directory: the entries beyond it fail
// with an exception, the others read.
TEST_F(ChunkedPack, EntriesBeyondTheDirectory) {
    rpack::PackContent c = content(17, {{bytesFrom({1}), -1}, {bytesFrom({2}), -1}});
    c.layout = rpack::ChunkedLayout::Directory;
    rpack::ChunkedPack plan = rpack::planChunkedPack(c);
    rpack::Directory d;
    d.entries = {{-1, 0, 1, 0, 0}};
    plan.main.chunks[1].payload = rpack::encodeDirectory(d);
    install(plan.files());
    Reader r = reader();
    EXPECT_EQ(bytesOf(r->getData(17 << 10)), bytesFrom({1}));
    EXPECT_EQ(thrownName([&] { r->getData((17 << 10) | 1); }), "java.lang.RuntimeException");
    EXPECT_EQ(thrownName([&] { r->getFileName((17 << 10) | 1); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { r->getImage((17 << 10) | 1, nullptr); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

// The chunk lookups exist only while an open runs.
TEST_F(ChunkedPack, ChunkLookupsOutsideAnOpen) {
    Reader r = reader();
    EXPECT_EQ(thrownName([&] { r->findChunk(rpack::kChunkIndex); }),
              "java.lang.IllegalStateException");
    EXPECT_EQ(thrownName([&] { r->getChunk(rpack::kChunkIndex); }),
              "java.lang.IllegalStateException");
}

}  // namespace
