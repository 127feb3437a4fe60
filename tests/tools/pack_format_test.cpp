// Pack structures byte by byte: the plain pack, chunks, the chunked main file,
// split maps, directories, extension tables, file names, the pack-number rule
// and packs kept as record stores.
#include <gtest/gtest.h>

#include "Pack.h"
#include "rpack_test_support.h"

namespace {

using namespace rpack;
using rpack_test::errorOf;

const std::vector<PackEntry> kTwoEntries = {{{0xAA, 0xBB, 0xCC}, 5}, {{0xDD}, -3}};

TEST(PackNumberRule, ChunkedForOneToNineteenAndTwentyOne) {
    const struct {
        int pack;
        bool chunked;
    } cases[] = {{0, false}, {1, true},   {5, true},   {19, true},  {20, false},
                 {21, true}, {22, false}, {32, false}, {33, false}, {-1, false}};
    for (const auto& c : cases) EXPECT_EQ(isChunkedPack(c.pack), c.chunked) << "pack " << c.pack;

    EXPECT_EQ(packOfId(0x1403), 5);
    EXPECT_EQ(entryOfId(0x1403), 3);
    EXPECT_EQ(packOfId(0x5003), 20);
    EXPECT_EQ(entryOfId(0x5003), 3);
    EXPECT_EQ(packFileName(packOfId(0x5003)), "RP20.rp");
}

TEST(PackFileNames, PartNumbersAndDirectoryExtensions) {
    EXPECT_EQ(packFileName(20), "RP20.rp");
    EXPECT_EQ(packFileName(19, 0), "RP19part0.rp");
    EXPECT_EQ(packFileName(5, 7, fileTypeExtension(-3)), "RP5part7.png");

    const std::pair<int, const char*> types[] = {
        {0, "mid"},    {1, "wav"},  {2, "mp3"},  {12, "adp"}, {13, "rp"},  {14, "3gp"},
        {23, "wbxml"}, {28, "m4a"}, {29, "rp"},  {-1, "rp"},  {-2, "rp"},  {-3, "png"},
        {-4, "jpg"},   {-5, "rp"},  {-6, "utf"}, {-7, "txt"}, {-12, "rp"}, {127, "rp"}};
    for (const auto& [type, ext] : types)
        EXPECT_EQ(fileTypeExtension(type), ext) << "type " << type;
}

TEST(ChunkIds, MessageFormIsLeastSignificantByteFirst) {
    EXPECT_EQ(chunkName(kMarker), "%RP%");
    EXPECT_EQ(idText(kMarker), "%PR%");
    EXPECT_EQ(chunkName(kChunkDirectory), "VFSO");
    EXPECT_EQ(idText(kChunkDirectory), "OSFV");
    EXPECT_EQ(chunkId("WXYZ"), 0x5758595Au);
    EXPECT_EQ(idText(chunkId("WXYZ")), "ZYXW");
    EXPECT_EQ(chunkId("RPHe"), kChunkIndex);
    EXPECT_EQ(chunkId("FSLM"), kChunkSplitMap);
}

TEST(PlainPackBytes, SizeWidthFollowsFlagBitZero) {
    const struct {
        uint8_t flags;
        Bytes expected;
    } cases[] = {
        {0x00,
         {0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x01, 0x05, 0xFD, 0x00, 0x00, 0x00, 0x04, 0xAA, 0xBB,
          0xCC, 0xDD}},
        {0x40,
         {0x40, 0x00, 0x02, 0x00, 0x03, 0x00, 0x01, 0x05, 0xFD, 0x00, 0x00, 0x00, 0x04, 0xAA, 0xBB,
          0xCC, 0xDD}},
        {0x41, {0x41, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,
                0x05, 0xFD, 0x00, 0x00, 0x00, 0x04, 0xAA, 0xBB, 0xCC, 0xDD}},
    };
    for (const auto& c : cases) {
        PlainPackOptions options;
        options.flags = c.flags;
        EXPECT_EQ(hex(encodePlainPack(kTwoEntries, options)), hex(c.expected))
            << "flags " << int(c.flags);
    }
}

TEST(PlainPackBytes, WriterDefaultsAndEmptyEntries) {
    EXPECT_EQ(hex(encodePlainPack({})), "41 00 00 00 00 00 00");
    // An empty entry takes a size of 0 and no data; the next one starts where it would have.
    EXPECT_EQ(hex(encodePlainPack({{{0xAA}, 1}, {{}, 2}, {{0xBB}, 3}})),
              "41 00 03 00 00 00 01 00 00 00 00 00 00 00 01 01 02 03 00 00 00 02 AA BB");
}

TEST(PlainPackBytes, TwoByteSizesAreUnsignedUpTo65535) {
    PackContent content;
    content.number = 20;
    content.flags = kFlagsNarrow;
    content.entries = {{Bytes(0xFFFF, 0x11), 0}};
    const FileSet files = buildPack(content);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "RP20.rp");
    EXPECT_EQ(hex(files[0].data.data(), 7), "00 00 01 FF FF 00 00");

    content.entries[0].data.push_back(0x11);
    EXPECT_EQ(errorOf([&] { buildPack(content); }),
              "size of entry 0 with 2-byte sizes is 65536, limit 0 to 65535");
    content.flags = kFlagsWide;
    EXPECT_EQ(buildPack(content)[0].data.size(), 5u + 7u + 65536u);
}

TEST(PlainPackBytes, ExtensionTableFollowsTheDataBlock) {
    EXPECT_EQ(hex(encodeExtensionTable({{0xAA, 0xBB, 0xCC}, {}, {0xDD, 0xEE}})),
              "00 03 00 00 00 02 AA BB CC DD EE");
    EXPECT_EQ(hex(encodeExtensionTable({Bytes(0xFFFF, 0)}).data(), 2), "FF FF");

    PackContent content;
    content.number = 22;
    content.entries = kTwoEntries;
    content.extensions = {{0x01}, {}};
    const Bytes pack = buildPack(content)[0].data;
    EXPECT_EQ(hex(Bytes(pack.begin() + 21, pack.end())), "00 01 00 00 01");

    content.extensions = {{0x01}};
    EXPECT_EQ(errorOf([&] { buildPack(content); }),
              "an extension table has one extension per entry: 1 for 2 entries");
    content.extensions = {Bytes(0x10000, 0), {}};
    EXPECT_EQ(errorOf([&] { buildPack(content); }),
              "size of the extension of entry 0 is 65536, limit 0 to 65535");
}

TEST(ChunkBytes, IdLengthInfoPayload) {
    EXPECT_EQ(hex(encodeChunk({kChunkIndex, 7, {0xAB, 0xCD}, {}})),
              "52 50 48 65 00 00 00 02 00 00 00 07 AB CD");
    EXPECT_EQ(hex(encodeChunk({kChunkIndex, 0, {}, {}})), "52 50 48 65 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeChunk({kChunkIndex, 9, {0xAB, 0xCD, 0xEE, 0xFF}, {}})),
              "52 50 48 65 00 00 00 04 00 00 00 09 AB CD EE FF");
    // A length field larger than the payload, for the readers' short-file path.
    EXPECT_EQ(hex(encodeChunk({kChunkSplitMap, 0, {0x01}, 100})),
              "46 53 4C 4D 00 00 00 64 00 00 00 00 01");
}

TEST(MainFileBytes, MarkerVersionCountAndOverrides) {
    MainFile main;
    main.chunks.push_back({chunkId("WXYZ"), 0, {}, {}});
    EXPECT_EQ(hex(encodeMainFile(main)),
              "25 52 50 25 00 04 00 01 57 58 59 5A 00 00 00 00 00 00 00 00");
    main.version = 3;
    main.declaredCount = 2;
    main.marker = 0x12345678;
    EXPECT_EQ(hex(encodeMainFile(main).data(), 8), "12 34 56 78 00 03 00 02");
}

TEST(DirectoryBytes, EntriesOfTwelveBytes) {
    Directory d;
    d.headerValue = 42;
    d.entries = {{-3, 0, 7, 0, 16}};
    EXPECT_EQ(hex(encodeDirectory(d)),
              "00 00 00 2A 00 00 00 01 FD 00 00 07 00 00 00 00 00 00 00 10");

    d.entries = {{1, 0xFF, 0x1234, 0, 0}, {0, 0, 0xFFFF, -1, 0}};
    EXPECT_EQ(hex(encodeDirectory(d)),
              "00 00 00 2A 00 00 00 02 01 FF 12 34 00 00 00 00 00 00 00 00 "
              "00 00 FF FF FF FF FF FF 00 00 00 00");
    d.entries.clear();
    d.declaredCount = 3;
    EXPECT_EQ(hex(encodeDirectory(d)), "00 00 00 2A 00 00 00 03");
}

TEST(SplitMapBytes, TotalCountAndLengths) {
    EXPECT_EQ(hex(encodeSplitMap({10, {}})), "00 00 00 0A 00 00 00 00");
    EXPECT_EQ(hex(encodeSplitMap({6, {4, 2}})), "00 00 00 06 00 00 00 02 00 00 00 04 00 00 00 02");
}

TEST(ChunkedPack, SplitLayoutCutsTheDataBlockIntoParts) {
    PackContent content;
    content.number = 5;
    content.entries = {{{0xAA, 0xBB, 0xCC}, 0}, {{0xDD}, 0}, {{0xEE, 0xFF}, 0}};
    content.splitParts = 2;
    const FileSet files = buildPack(content);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "RP5part0.rp");
    EXPECT_EQ(hex(files[0].data),
              "25 52 50 25 00 04 00 02 "
              "52 50 48 65 00 00 00 12 00 00 00 00 "
              "41 00 03 00 00 00 03 00 00 00 01 00 00 00 02 00 00 00 "
              "46 53 4C 4D 00 00 00 10 00 00 00 00 "
              "00 00 00 06 00 00 00 02 00 00 00 03 00 00 00 03");
    EXPECT_EQ(files[1].name, "RP5part1.rp");
    EXPECT_EQ(hex(files[1].data), "AA BB CC");
    EXPECT_EQ(files[2].name, "RP5part2.rp");
    EXPECT_EQ(hex(files[2].data), "DD EE FF");

    // The index chunk takes the pack's size width too.
    content.flags = kFlagsNarrow;
    EXPECT_EQ(hex(buildPack(content)[0].data.data() + 20, 9), "00 00 03 00 03 00 01 00 02");
}

TEST(ChunkedPack, DirectoryLayoutGroupsEntriesByPartAndFileType) {
    PackContent content;
    content.number = 21;
    content.layout = ChunkedLayout::Directory;
    content.entries = {{{0x01, 0x02}, -3}, {{0x03}, -1}, {{0x04, 0x05}, -1}, {{0x06}, 1}};
    content.placements = {{-3, 1}, {-1, 2}, {-1, 2}, {1, 2}};
    const FileSet files = buildPack(content);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[1].name, "RP21part1.png");
    EXPECT_EQ(hex(files[1].data), "01 02");
    EXPECT_EQ(files[2].name, "RP21part2.rp");
    EXPECT_EQ(hex(files[2].data), "03 04 05");
    EXPECT_EQ(files[3].name, "RP21part2.wav");
    EXPECT_EQ(hex(files[3].data), "06");
    // Header, then the index chunk (12 + 23 bytes), then the directory chunk.
    const Bytes& main = files[0].data;
    ASSERT_EQ(main.size(), 8u + 35u + 12u + 56u);
    EXPECT_EQ(hex(main.data() + 43, 12 + 56),
              "56 46 53 4F 00 00 00 38 00 00 00 00 00 00 00 00 00 00 00 04 "
              "FD 00 00 01 00 00 00 00 00 00 00 00 "
              "FF 00 00 02 00 00 00 00 00 00 00 00 "
              "FF 00 00 02 00 00 00 01 00 00 00 00 "
              "01 00 00 02 00 00 00 00 00 00 00 00");

    // Without placements every entry is a file of its own, named by its type byte.
    content.placements.clear();
    std::vector<std::string> names;
    for (const OutputFile& f : buildPack(content)) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"RP21part0.rp", "RP21part1.png", "RP21part2.rp",
                                               "RP21part3.rp", "RP21part4.wav"}));

    content.placements = {{-3, 0}, {-1, 1}, {-1, 1}, {1, 1}};
    EXPECT_EQ(errorOf([&] { buildPack(content); }),
              "part number of entry 0 is 0, limit 1 to 65535");
}

TEST(Packs, RefuseWhatReadersCannotAddress) {
    PackContent content;
    content.number = 20;
    content.entries.resize(1025);
    EXPECT_EQ(errorOf([&] { buildPack(content); }), "entry count is 1025, limit 0 to 1024");
    content.entries.resize(1024);
    EXPECT_EQ(buildPack(content)[0].data.size(), 5u * 1024 + 7);

    content.number = 0;
    EXPECT_EQ(errorOf([&] { buildPack(content); }), "pack number is 0, limit 1 to 2097151");
    content.number = 20;
    EXPECT_NE(errorOf([&] { planChunkedPack(content); }).find("pack 20 is a plain pack"),
              std::string::npos);
}

TEST(RecordStore, FourKilobyteRecordsAndLittleEndianMetadata) {
    Bytes data(4097);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    const FileSet files = encodeRecordStore(17, data, 0x01020304);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "store-17/record-1.bin");
    EXPECT_EQ(files[0].data, Bytes(data.begin(), data.begin() + 4096));
    EXPECT_EQ(files[1].name, "store-17/record-2.bin");
    EXPECT_EQ(hex(files[1].data), "00");
    EXPECT_EQ(files[2].name, "store-17/metadata.info");
    // lastModified, version, next id, total bytes, record count.
    EXPECT_EQ(hex(files[2].data), "04 03 02 01 00 00 00 00 03 00 00 00 01 10 00 00 02 00 00 00");

    EXPECT_EQ(encodeRecordStore(-3, Bytes(4096)).size(), 2u);
    const FileSet empty = encodeRecordStore(5, {});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].name, "store-5/metadata.info");
    EXPECT_EQ(hex(empty[0].data), "00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(FileSets, SpoilingHelpersAndWriting) {
    rpack_test::ScratchDir dir;
    FileSet files = {{"a.rp", {1, 2, 3}}, {"sub/b.rp", {4}}};
    truncateFile(files, "a.rp", 1);
    EXPECT_EQ(hex(fileNamed(files, "a.rp").data), "01");
    removeFile(files, "a.rp");
    EXPECT_EQ(findFile(files, "a.rp"), nullptr);
    EXPECT_NE(errorOf([&] { removeFile(files, "a.rp"); }), "");
    writeFiles(dir.path(), files);
    EXPECT_EQ(rpack_test::listFiles(dir.path()), std::vector<std::string>{"sub/b.rp"});
    EXPECT_EQ(hex(rpack_test::readFile(dir / "sub/b.rp")), "04");
}

}  // namespace
