// The real program over the sample content with one pack file damaged. A
// pack the game reads on its game thread ends the game loop; one read while
// the MIDlet starts ends the start-up. Either way the program must end with
// exit code 1 and one line on standard error that names the pack file on
// disk, first, and what is wrong with it, not stay up showing its last
// frame nor end without a word. Bytes the formats leave unread are no
// damage: the program must draw what it draws over the undamaged content
// and end with exit code 0. Each case is its own test (one CTest test
// each); the watchdog kills a program that hangs, which fails the exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "AnimSet.h"
#include "Pack.h"
#include "file_capabilities.h"
#include "folder_snapshot.h"
#include "log_lines.h"
#include "png_chunks.h"
#include "png_frame.h"
#include "program_folder.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

// Longer than any of these runs takes under the sanitizers, short enough
// that a hang shows at once.
constexpr unsigned kWatchdogSeconds = 10;

// Frames on the virtual clock: the logo at the first frame, the menu after
// three seconds; the taps of the story case lead through the language page,
// the sound question and the main menu's play entry to the first story
// (tests/game/scenarios/front_scene_trace.scenario gives their places). A
// program that reads its packs unharmed ends at the close, with exit code 0.
const char kPlayToTheMenu[] = "200 close\n";
const char kPlayToTheStory[] =
    "100 tap 135 160\n"
    "115 tap 42 85\n"
    "130 tap 204 200\n"
    "200 close\n";
// On through the story's two pages to the play field of the tutorial stage,
// whose load draws the loading panel.
const char kPlayToThePlayField[] =
    "100 tap 135 160\n"
    "115 tap 42 85\n"
    "130 tap 204 200\n"
    "155 tap 120 160\n"
    "170 tap 120 160\n"
    "260 close\n";
// The logo (tests/game/scenarios/front_scene_trace.scenario probes it at
// that frame) and the menu's language page, dumped.
const char kDrawTheLogoAndTheMenu[] =
    "2 dump logo.png\n"
    "95 dump language.png\n"
    "200 close\n";

// A chunked pack's main file: the marker and version (6 bytes) and the
// chunk count (2), then the index chunk: its id, length and info (4 bytes
// each), then its payload: the flags byte, the entry count (2) and the
// entry sizes.
constexpr size_t kIndexChunkId = 8;
constexpr size_t kIndexChunkLength = 12;
constexpr size_t kFirstEntrySize = 23;

std::vector<char> readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& file, const std::vector<char>& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

void cutTo(const fs::path& file, uintmax_t size) { fs::resize_file(file, size); }

void cutInHalf(const fs::path& file) { cutTo(file, fs::file_size(file) / 2); }

void makeFolder(const fs::path& file) {
    fs::remove(file);
    fs::create_directory(file);
}

// The pack's index chunk must lie where the damage is aimed.
void expectIndexChunkFirst(const std::vector<char>& bytes) {
    ASSERT_GT(bytes.size(), kFirstEntrySize);
    ASSERT_EQ(std::string(bytes.data() + kIndexChunkId, 4), "RPHe");
}

// The first entry's size gets its sign bit: no index can hold it.
void flipIndexByte(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    expectIndexChunkFirst(bytes);
    bytes[kFirstEntrySize] = char(bytes[kFirstEntrySize] ^ 0x80);
    writeAll(file, bytes);
}

// The index lists three entries of the seven the file holds: the game asks
// for entry 3 (a graphic-object set) first.
void shortenIndex(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    expectIndexChunkFirst(bytes);
    bytes[kFirstEntrySize - 2] = 0;
    bytes[kFirstEntrySize - 1] = 3;
    writeAll(file, bytes);
}

void hugeChunkLength(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    expectIndexChunkFirst(bytes);
    const char length[4] = {0x7F, char(0xFF), char(0xFF), char(0xF0)};
    std::copy(length, length + 4, bytes.begin() + kIndexChunkLength);
    writeAll(file, bytes);
}

// Takes every permission from `target`, a file or a folder, and tries to
// open `probe` as the game is started (a child without the capabilities,
// after an exec): the probe's exit code, 0 when the system lets it be read
// all the same, wrentest::kNoFileCapabilitiesDrop when the child could not
// give the capabilities up, and 1 to 119 when it can't be opened.
int makeUnreadable(const fs::path& target, const fs::path& probe) {
    fs::permissions(target, fs::perms::none);
    return wrentest::runWithoutFileCapabilities(
        {"/bin/sh", "-c", "exec 3< \"$0\"", probe.string()}, "/", "/dev/null", kWatchdogSeconds);
}

// The first picture of the file (a PNG inside a pack's part file): one bit
// of its width, inside the header chunk. The chunk's CRC no longer holds,
// which every decoder checks for a critical chunk.
void flipPictureByte(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    auto at = std::search(bytes.begin(), bytes.end(), png.begin(), png.end());
    ASSERT_NE(at, bytes.end()) << file << " holds no picture";
    // The signature, the header's length and type, then the width's last byte.
    const size_t width = size_t(at - bytes.begin()) + 8 + 8 + 3;
    ASSERT_LT(width, bytes.size());
    ASSERT_EQ(std::string(bytes.data() + width - 7, 4), "IHDR");
    bytes[width] = char(bytes[width] ^ 0x01);
    writeAll(file, bytes);
}

// The text pack is plain: a flags byte (bit 0: 4-byte sizes), the entry
// count (2), the sizes, a type byte each and the data length (4), then the
// entries. A text table: its text count (2), then each text's length (2)
// and bytes.
constexpr int kTextTable = 0;
constexpr int kLongText = 41;
constexpr int kLongTextLength = 8192;

uint32_t bigEndian(const std::vector<char>& bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | uint8_t(bytes.at(at + i));
    return value;
}

// Text 41 of the first table says it is 8192 bytes long, far past its table.
void lengthenText(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    ASSERT_GT(bytes.size(), 3u);
    const size_t sizeWidth = (bytes[0] & 1) ? 4 : 2;
    const size_t entries = bigEndian(bytes, 1, 2);
    size_t at = 3 + entries * sizeWidth + entries + 4;
    for (int e = 0; e < kTextTable; ++e) at += bigEndian(bytes, 3 + size_t(e) * sizeWidth, sizeWidth);
    ASSERT_GT(bigEndian(bytes, at, 2), uint32_t(kLongText));
    at += 2;
    for (int t = 0; t < kLongText; ++t) at += 2 + bigEndian(bytes, at, 2);
    ASSERT_LT(at + 1, bytes.size());
    bytes[at] = char(kLongTextLength >> 8);
    bytes[at + 1] = char(kLongTextLength & 0xFF);
    writeAll(file, bytes);
}

// The first picture's compressed data, as the logo's sheet (entry 6) holds
// it, with its middle byte turned over and the IDAT chunk's CRC made to fit
// again: only the zlib stream's own check value, its Adler-32, tells. The
// stream must still inflate to the whole picture before it fails that check
// (a stream that falls short is refused while the rows are read).
void flipCompressedPictureByte(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    auto found = std::search(bytes.begin(), bytes.end(), png.begin(), png.end());
    ASSERT_NE(found, bytes.end()) << file << " holds no picture";
    size_t at = size_t(found - bytes.begin()) + 8;
    ASSERT_EQ(std::string(bytes.data() + at + 4, 4), "IHDR");
    const uint32_t width = bigEndian(bytes, at + 8, 4), height = bigEndian(bytes, at + 12, 4);
    // 8-bit indexed, as the pack writer makes every sheet: a byte a pixel and
    // a filter byte a row.
    ASSERT_EQ(bigEndian(bytes, at + 16, 2), 0x0803u);
    const size_t picture = size_t(height) * (width + 1);
    for (;;) {
        ASSERT_LT(at + 8, bytes.size());
        if (std::string(bytes.data() + at + 4, 4) == "IDAT") break;
        at += 12 + bigEndian(bytes, at, 4);
    }
    const size_t length = bigEndian(bytes, at, 4);
    ASSERT_LE(at + 12 + length, bytes.size());
    bytes[at + 8 + length / 2] = char(~bytes[at + 8 + length / 2]);
    const auto* type = reinterpret_cast<const Bytef*>(bytes.data() + at + 4);
    const uint32_t crc = uint32_t(crc32(0, type, uInt(4 + length)));
    for (size_t i = 0; i < 4; ++i) bytes[at + 8 + length + i] = char(crc >> (24 - 8 * i));

    z_stream z{};
    ASSERT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(type + 4);
    z.avail_in = uInt(length);
    std::vector<Bytef> out(64 * 1024);
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        result = inflate(&z, Z_NO_FLUSH);
    }
    const size_t inflated = z.total_out;
    const std::string failure = z.msg != nullptr ? z.msg : "";
    inflateEnd(&z);
    ASSERT_EQ(result, Z_DATA_ERROR);
    ASSERT_EQ(failure, "incorrect data check");
    ASSERT_GE(inflated, picture) << "the stream falls short of the picture";
    writeAll(file, bytes);
}

using wrentest::PngChunk;
using wrentest::pngOf;

// The picture's image data inflated, three rows' worth of zero bytes more,
// and compressed again into one IDAT chunk with its check value right: more
// than the rows need, which the decoder has no use for.
void padPictureData(rpack::Bytes& png) {
    ASSERT_GT(png.size(), 8u);
    ASSERT_EQ(std::string(png.begin(), png.begin() + 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::vector<PngChunk> chunks = wrentest::pngChunksOf(png);
    ASSERT_FALSE(chunks.empty());
    ASSERT_EQ(chunks[0].type, "IHDR");
    const rpack::Bytes& header = chunks[0].data;
    const size_t width = size_t(header[0]) << 24 | size_t(header[1]) << 16 |
                         size_t(header[2]) << 8 | header[3];
    rpack::Bytes stream;
    for (const PngChunk& c : chunks)
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    rpack::Bytes rows(16 * 1024 * 1024);
    uLongf inflated = uLongf(rows.size());
    ASSERT_EQ(uncompress(rows.data(), &inflated, stream.data(), uLong(stream.size())), Z_OK);
    rows.resize(inflated);
    // 8-bit indexed, as the pack writer makes every sheet: a byte a pixel
    // and a filter byte a row.
    ASSERT_EQ(header[8] << 8 | header[9], 0x0803);
    ASSERT_EQ(rows.size() % (width + 1), 0u);
    rows.insert(rows.end(), 3 * (width + 1), 0);
    rpack::Bytes padded(compressBound(uLong(rows.size())));
    uLongf length = uLongf(padded.size());
    ASSERT_EQ(compress2(padded.data(), &length, rows.data(), uLong(rows.size()), 9), Z_OK);
    padded.resize(length);
    std::vector<PngChunk> out;
    for (const PngChunk& c : chunks) {
        if (c.type != "IDAT")
            out.push_back(c);
        else if (out.back().type != "IDAT")
            out.push_back({"IDAT", padded});
    }
    png = pngOf(out);
}

// The menu's pack keeps its entries in one part file, RP1part1.rp, in
// entry order from its first byte; the sizes are 4-byte numbers in the main
// file's index. Entries 0 and 1 are animation sets of one animation of one
// step, every number in one byte: the leading byte, the animation count
// (2), the step count, the loop count, the step's flags, then its frame.
constexpr size_t kFlagsByte = kFirstEntrySize - 3;
constexpr size_t kStepCount = 3;
constexpr size_t kStepFrame = 6;

// Where entry `entry` starts in the part file, and its size.
void locateEntry(const fs::path& file, size_t entry, size_t* offset, size_t* size) {
    std::vector<char> index = readAll(file.parent_path() / "RP1part0.rp");
    expectIndexChunkFirst(index);
    ASSERT_EQ(index[kFlagsByte] & 1, 1) << "the index's sizes are not 4-byte numbers";
    *offset = 0;
    for (size_t e = 0; e < entry; ++e) *offset += bigEndian(index, kFirstEntrySize + 4 * e, 4);
    *size = bigEndian(index, kFirstEntrySize + 4 * entry, 4);
}

// Sets byte `at` of entry `entry` of the part file to `value`.
void setAnimSetByte(const fs::path& file, size_t entry, size_t at, char value) {
    size_t offset = 0, size = 0;
    locateEntry(file, entry, &offset, &size);
    std::vector<char> bytes = readAll(file);
    ASSERT_LT(offset + kStepFrame, bytes.size());
    ASSERT_EQ(bigEndian(bytes, offset + 1, 3), 0x101u) << "not one animation of one step";
    bytes[offset + at] = value;
    writeAll(file, bytes);
}

// Entry 0, the logo's set, with every byte after the first zeroed: its
// animation, frame and duration counts read 0, so its tables end after 7
// of its 22 bytes.
void zeroAnimSet(const fs::path& file) {
    size_t offset = 0, size = 0;
    locateEntry(file, 0, &offset, &size);
    ASSERT_EQ(size, 22u);
    std::vector<char> bytes = readAll(file);
    ASSERT_LE(offset + size, bytes.size());
    std::fill(bytes.begin() + long(offset) + 1, bytes.begin() + long(offset + size), 0);
    writeAll(file, bytes);
}

// Content the game can read but that holds less than the game asks for: a
// set with fewer frames or animations, a table with fewer texts. Every
// sample pack but the text pack keeps its entries in one part file, in
// entry order, with 4-byte sizes in the main file's index, then the type
// bytes.
std::vector<rpack::PackEntry> entriesOf(const fs::path& main) {
    std::vector<char> index = readAll(main);
    expectIndexChunkFirst(index);
    EXPECT_EQ(index[kFlagsByte] & 1, 1) << "the index's sizes are not 4-byte numbers";
    const size_t count = bigEndian(index, kFirstEntrySize - 2, 2);
    std::string partName = main.filename().string();
    partName.replace(partName.find("part0"), 5, "part1");
    std::vector<char> part = readAll(main.parent_path() / partName);
    std::vector<rpack::PackEntry> entries;
    size_t offset = 0;
    for (size_t e = 0; e < count; ++e) {
        const size_t size = bigEndian(index, kFirstEntrySize + 4 * e, 4);
        EXPECT_LE(offset + size, part.size());
        if (offset + size > part.size()) break;
        rpack::PackEntry entry;
        entry.data.assign(part.begin() + long(offset), part.begin() + long(offset + size));
        entry.type = int8_t(index.at(kFirstEntrySize + 4 * count + e));
        entries.push_back(std::move(entry));
        offset += size;
    }
    return entries;
}

// Writes pack `number` again, its part file `part` included, with the
// bytes of entry `entry` changed by `change`.
void changeEntry(const fs::path& part, int number, size_t entry,
                 const std::function<void(rpack::Bytes&)>& change) {
    const fs::path main = part.parent_path() / ("RP" + std::to_string(number) + "part0.rp");
    std::vector<rpack::PackEntry> entries = entriesOf(main);
    ASSERT_LT(entry, entries.size());
    change(entries[entry].data);
    rpack::PackContent content;
    content.number = number;
    content.entries = std::move(entries);
    rpack::writeFiles(main.parent_path(), rpack::buildPack(content));
}

// The same with the animation set of the entry changed by `change`.
void changeAnimSet(const fs::path& part, int number, size_t entry,
                   const std::function<void(rpack::AnimSet&)>& change) {
    changeEntry(part, number, entry, [&](rpack::Bytes& bytes) {
        rpack::AnimSet set = rpack::decodeAnimSet(bytes);
        change(set);
        bytes = rpack::encodeAnimSet(set);
    });
}

// The first `n` frames kept; a step that showed a later one shows frame 0.
void keepFrames(rpack::AnimSet& set, size_t n) {
    ASSERT_GT(set.frames.size(), n);
    set.frames.resize(n);
    for (rpack::Animation& a : set.animations)
        for (rpack::AnimStep& s : a.steps)
            if (size_t(s.frame) >= n) s.frame = 0;
}

void keepAnimations(rpack::AnimSet& set, size_t n) {
    ASSERT_GT(set.animations.size(), n);
    set.animations.resize(n);
}

// The first text table says it holds `n` texts; the bytes of the others
// stay, unread.
void shortenTextTable(const fs::path& file, int n) {
    std::vector<char> bytes = readAll(file);
    ASSERT_GT(bytes.size(), 3u);
    const size_t sizeWidth = (bytes[0] & 1) ? 4 : 2;
    const size_t entries = bigEndian(bytes, 1, 2);
    const size_t at = 3 + entries * sizeWidth + entries + 4;
    ASSERT_GT(bigEndian(bytes, at, 2), uint32_t(n));
    bytes[at] = char(n >> 8);
    bytes[at + 1] = char(n & 0xFF);
    writeAll(file, bytes);
}

// The resource folder as a whole, for the packs read at start-up.
void removeResourceFolder(const fs::path& file) { fs::remove_all(file.parent_path()); }

void emptyFolder(const fs::path& file) {
    for (const auto& e : fs::directory_iterator(file.parent_path())) fs::remove_all(e.path());
}

void folderAFile(const fs::path& file) {
    removeResourceFolder(file);
    std::ofstream(file.parent_path()) << "not a folder\n";
}

// Where the pack is read, and so how the line begins.
enum class When { Playing, StartingUp };

// What is taken from the program: nothing, the pack file's permissions, or
// the resource folder's.
enum class Unreadable { None, File, Folder };

struct Damage {
    const char* name;
    const char* file;  // under rsc/: the file the line must name
    std::function<void(const fs::path&)> spoil;
    const char* script;
    // What the line says of the file after its path; "%size%" stands for
    // the file's size before the damage, "%half%" for half of it. Null for
    // bytes that are no damage: the program ends with exit code 0 and
    // nothing on standard error, and each frame the script dumps is the
    // frame the undamaged content gives.
    const char* said;
    When when = When::Playing;
    Unreadable unreadable = Unreadable::None;
};

std::string sayingOf(std::string said, uintmax_t size) {
    for (const auto& [mark, value] : {std::pair<std::string, uintmax_t>{"%size%", size},
                                      std::pair<std::string, uintmax_t>{"%half%", size / 2}})
        for (size_t at; (at = said.find(mark)) != std::string::npos;)
            said.replace(at, mark.size(), std::to_string(value));
    return said;
}

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

const Damage kDamages[] = {
    {"MainFileCutToNothing", "RP1part0.rp", [](const fs::path& f) { cutTo(f, 0); }, kPlayToTheMenu,
     ": ends at byte 0, before the data it announces"},
    {"MainFileCutInHalf", "RP1part0.rp", cutInHalf, kPlayToTheMenu,
     ": ends at byte %half%, before the data it announces"},
    {"PartFileCutInHalf", "RP2part1.rp", cutInHalf, kPlayToTheMenu,
     ": ends at byte %half%, before the %size% bytes of its part"},
    {"MainFileAFolder", "RP1part0.rp", makeFolder, kPlayToTheMenu, ": a folder, not a file"},
    {"PartFileAFolder", "RP9part1.rp", makeFolder, kPlayToTheMenu, ": a folder, not a file"},
    {"PartFileANamedPipe", "RP1part1.rp",
     [](const fs::path& f) {
         fs::remove(f);
         ASSERT_EQ(mkfifo(f.c_str(), 0644), 0);
     },
     kPlayToTheMenu, ": not a plain file (a pipe or a device)"},
    {"PartFileMissing", "RP9part1.rp", [](const fs::path& f) { fs::remove(f); }, kPlayToTheMenu,
     ": no such file"},
    {"PartFileUnreadable", "RP1part1.rp", nullptr, kPlayToTheMenu,
     ": cannot open it: Permission denied", When::Playing, Unreadable::File},
    {"IndexByteFlipped", "RP1part0.rp", flipIndexByte, kPlayToTheMenu,
     ": its index can't be read"},
    {"IndexByteFlippedInTheStoryPack", "RP17part0.rp", flipIndexByte, kPlayToTheStory,
     ": its index can't be read"},
    {"IndexShortOfEntries", "RP1part0.rp", shortenIndex, kPlayToTheMenu,
     ": Resource pack 1 has no entry 3 (it has 3)"},
    {"HugeChunkLength", "RP1part0.rp", hugeChunkLength, kPlayToTheMenu,
     ": ends at byte %size%, before the data it announces"},
    {"TextPackCutToNothing", "RP20.rp", [](const fs::path& f) { cutTo(f, 0); }, kPlayToTheMenu,
     ": ends at byte 0, before the data it announces"},
    {"PictureByteFlipped", "RP1part1.rp", flipPictureByte, kPlayToTheMenu,
     ": entry 6: the picture can't be decoded"},
    {"PictureDataFailsItsCheck", "RP1part1.rp", flipCompressedPictureByte, kPlayToTheMenu,
     ": entry 6: the picture can't be decoded"},
    {"TextLengthPastItsData", "RP20.rp", lengthenText, kPlayToTheMenu,
     ": entry 0: text table: length past the entry (text 41, 8192)"},
    {"AnimationSetCountLies", "RP1part1.rp",
     [](const fs::path& f) { setAnimSetByte(f, 0, kStepCount, char(200)); }, kPlayToTheMenu,
     ": entry 0: the animation set can't be read (java.io.EOFException: the tables run past "
     "the entry's end)"},
    {"AnimationStepPastItsFrames", "RP1part1.rp",
     [](const fs::path& f) { setAnimSetByte(f, 1, kStepFrame, 1); }, kPlayToTheMenu,
     ": entry 1: the animation set can't be read (step 0 names frame 1 of 1)"},
    // A set of no animation reads well (frame layers may show its frames);
    // the logo's player is what can't start one.
    {"AnimationSetEmpty", "RP1part1.rp", zeroAnimSet, kPlayToTheMenu,
     ": entry 0: the animation set has no animation 0 (it has 0)"},
    // Read whole, but short of what the game asks for later.
    {"UiSetShortOfFrames", "RP9part1.rp",
     [](const fs::path& f) { changeAnimSet(f, 9, 0, [](rpack::AnimSet& s) { keepFrames(s, 17); }); },
     kPlayToTheMenu, ": entry 0: the animation set has no frame 17 (it has 17)"},
    {"StoryFigureShortOfAnimations", "RP18part1.rp",
     [](const fs::path& f) {
         changeAnimSet(f, 18, 7, [](rpack::AnimSet& s) { keepAnimations(s, 3); });
     },
     kPlayToTheStory, ": entry 7: the animation set has no animation 3 (it has 3)"},
    // The loading panel's set with its first frame only: the panel asks for
    // the boxes of frame 1.
    {"PanelSetShortOfFrames", "RP2part1.rp",
     [](const fs::path& f) { changeAnimSet(f, 2, 3, [](rpack::AnimSet& s) { keepFrames(s, 1); }); },
     kPlayToThePlayField, ": entry 3: the animation set has no frame 1 (it has 1)"},
    {"TextTableShortOfTexts", "RP20.rp", [](const fs::path& f) { shortenTextTable(f, 100); },
     kPlayToTheMenu, ": entry 0: text table has no text 107 (it has 100)"},
    // The packs read while the MIDlet starts, before the game loop runs.
    {"StartUpPackCutInHalf", "RP19part0.rp", cutInHalf, kPlayToTheMenu,
     ": ends at byte %half%, before the data it announces", When::StartingUp},
    {"StartUpPackMissing", "RP19part0.rp", [](const fs::path& f) { fs::remove(f); },
     kPlayToTheMenu, ": no such file", When::StartingUp},
    {"ResourceFolderMissing", "RP19part0.rp", removeResourceFolder, kPlayToTheMenu, ": no such file",
     When::StartingUp},
    {"ResourceFolderEmpty", "RP19part0.rp", emptyFolder, kPlayToTheMenu, ": no such file",
     When::StartingUp},
    {"ResourceFolderAFile", "RP19part0.rp", folderAFile, kPlayToTheMenu,
     ": cannot open it: Not a directory", When::StartingUp},
    {"ResourceFolderUnreadable", "RP19part0.rp", nullptr, kPlayToTheMenu,
     ": cannot open it: Permission denied", When::StartingUp, Unreadable::Folder},
    // No damage: what the formats leave unread.
    {"AnimationSetTrailedByBytes", "RP1part1.rp",
     [](const fs::path& f) {
         changeEntry(f, 1, 0, [](rpack::Bytes& b) { b.insert(b.end(), {0xAA, 0xBB, 0xCC, 0xDD}); });
     },
     kDrawTheLogoAndTheMenu, nullptr},
    {"PictureDataPastItsRows", "RP1part1.rp",
     [](const fs::path& f) { changeEntry(f, 1, 6, padPictureData); }, kDrawTheLogoAndTheMenu,
     nullptr},
};

// What may follow the words the line must say, and nothing else: in
// brackets, what carried them, from the class of the exception that did
// ("(java.io.IOException)", "(wren.io.resource.MissingEntryException:
// Resource pack 1 has no index (entry 3): java.io.EOFException)"). Not more
// words of the reason, nor a class name outside the brackets, as in
// "... java.lang.ArrayIndexOutOfBoundsException: Array index out of range: 1".
const std::regex kCarriers(" \\(([a-z][a-z0-9_]*\\.)+[A-Z][A-Za-z0-9_$]*(: .*)?\\)");
const std::regex kEntry("entry [0-9]+: ");
const std::regex kTwoWords("[A-Za-z]+ [A-Za-z]+");

// What the line says is wrong: after the file and its entry, before any
// bracketed detail (where class names may stand).
std::string reasonOf(std::string told, const std::string& file) {
    if (told.rfind(file, 0) == 0) told.erase(0, file.size());
    if (told.rfind(": ", 0) == 0) told.erase(0, 2);
    std::smatch entry;
    if (std::regex_search(told, entry, kEntry, std::regex_constants::match_continuous))
        told.erase(0, size_t(entry.length()));
    return told.substr(0, told.find(" ("));
}

// What a run of the program left: its exit code, its standard output and
// the lines of its standard error.
struct ProgramRun {
    int exitCode = -1;
    std::string output;
    std::vector<std::string> errors;
};

// The frames the script dumps, by file name.
std::vector<std::string> dumpsOf(const std::string& script) {
    std::vector<std::string> files;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string frame, step, file;
        if (words >> frame >> step >> file && step == "dump") files.push_back(file);
    }
    return files;
}

size_t coloursOf(const wrentest::Frame& frame) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 <= frame.rgb.size(); i += 3)
        colours.insert(uint32_t(frame.rgb[i]) << 16 | uint32_t(frame.rgb[i + 1]) << 8 |
                       frame.rgb[i + 2]);
    return colours.size();
}

class DamagedPack : public ::testing::TestWithParam<Damage> {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren_damaged_pack_XXXXXX");
        ASSERT_FALSE(folder_.empty());
        wrentest::copyGameContent(WREN_GAME_DIR, folder_, "Wren damaged pack");
    }
    void TearDown() override {
        wrentest::removeFolderGivingBackPermissions(folder_);
        if (!undamaged_.empty()) wrentest::removeFolder(undamaged_);
    }

    // The program over the content of `folder`, on the virtual clock, with
    // the row's script.
    ProgramRun run(const std::string& folder, bool withoutCapabilities) {
        const Damage& d = GetParam();
        const std::string script = folder + "/damage.script";
        std::ofstream(script) << d.script;
        const std::string errors = folder + "/stderr.txt";
        wrentest::RunningProgram program = wrentest::startProgram(
            WREN_GAME_DIR "/wren", folder, script, kWatchdogSeconds, {{"WREN_CLOCK", "virtual"}},
            false, errors,
            withoutCapabilities ? wrentest::dropFileCapabilities : std::function<bool()>());
        ProgramRun done;
        for (std::string line; program.readLine(&line);) done.output += line + "\n";
        done.exitCode = program.finish();
        done.errors = wrentest::linesOf(errors);
        return done;
    }

    std::string folder_;
    // The undamaged content's own folder, for rows that draw as it does.
    std::string undamaged_;
};

TEST_P(DamagedPack, EndsWithALineNamingTheFileOrDrawsAsUndamaged) {
    const Damage& d = GetParam();
    const fs::path file = fs::path(folder_) / "rsc" / d.file;
    ASSERT_TRUE(fs::is_regular_file(file));
    ProgramRun reference;
    if (d.said == nullptr) {
        undamaged_ = wrentest::makeProgramFolder("/tmp/wren_undamaged_pack_XXXXXX");
        ASSERT_FALSE(undamaged_.empty());
        wrentest::copyGameContent(WREN_GAME_DIR, undamaged_, "Wren undamaged pack");
        reference = run(undamaged_, false);
        ASSERT_EQ(reference.exitCode, 0) << reference.output;
    }
    const std::string said =
        d.said != nullptr ? file.string() + sayingOf(d.said, fs::file_size(file)) : "";
    const bool mayOverride = wrentest::mayOverrideReading();
    if (d.spoil) d.spoil(file);
    if (d.unreadable != Unreadable::None) {
        const int probe =
            makeUnreadable(d.unreadable == Unreadable::File ? file : file.parent_path(), file);
        if (probe == wrentest::kNoFileCapabilitiesDrop)
            GTEST_SKIP() << wrentest::kNoFileCapabilitiesDropReason;
        if (probe == 0) GTEST_SKIP() << "this system reads a file without permissions all the same";
        ASSERT_LT(probe, 120) << "the probe of " << file << " could not run";
    }

    const ProgramRun damaged = run(folder_, d.unreadable != Unreadable::None);
    // What the program was started without is the program's loss only.
    EXPECT_EQ(wrentest::mayOverrideReading(), mayOverride);

    if (d.said == nullptr) {
        EXPECT_EQ(damaged.exitCode, 0) << damaged.output;
        EXPECT_EQ(damaged.errors, std::vector<std::string>()) << damaged.output;
        const std::vector<std::string> dumps = dumpsOf(d.script);
        ASSERT_FALSE(dumps.empty());
        for (const std::string& dump : dumps) {
            SCOPED_TRACE(dump);
            wrentest::Frame drawn, undamaged;
            ASSERT_TRUE(wrentest::readPng(folder_ + "/" + dump, &drawn));
            ASSERT_TRUE(wrentest::readPng(undamaged_ + "/" + dump, &undamaged));
            ASSERT_EQ(drawn.width, 240);
            ASSERT_EQ(drawn.height, 320);
            // Something drawn, not a screen of one colour.
            EXPECT_GT(coloursOf(drawn), 1u);
            EXPECT_TRUE(drawn.rgb == undamaged.rgb) << "the frame differs from the undamaged one";
        }
        return;
    }

    EXPECT_EQ(damaged.exitCode, 1) << damaged.output;
    const std::vector<std::string>& lines = damaged.errors;
    ASSERT_EQ(lines.size(), 1u) << damaged.output;
    const std::string lead = d.when == When::Playing ? "wren: the game stopped: "
                                                     : "wren: the game could not start: ";
    ASSERT_EQ(lines[0].rfind(lead, 0), 0u) << lines[0];
    const std::string told = lines[0].substr(lead.size());
    // The file and what is wrong with it come first, in words; after them
    // only the classes that carried them, in brackets.
    ASSERT_EQ(told.rfind(said, 0), 0u) << lines[0];
    EXPECT_TRUE(std::regex_match(told.substr(said.size()), kCarriers)) << lines[0];
    EXPECT_TRUE(std::regex_search(reasonOf(told, file.string()), kTwoWords)) << lines[0];
    // The runtime's report of the exception stays on standard output.
    EXPECT_NE(damaged.output.find("Exception in thread"), std::string::npos) << damaged.output;
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedPack, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
