// Pack files: the plain pack, the chunked main file with its chunks, split
// and directory part files, extension tables, file names, the pack-number
// rule and a plain pack kept as a record store.
//
// Two levels: the structure encoders (encodeIndex, encodeChunk, ...) write
// exactly what they are given, overrides included, so that tests can make
// malformed files; buildPack and encodeRecordStore lay out a whole pack and
// refuse what the game's readers could not read back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Bytes.h"

namespace rpack {

constexpr uint32_t kMarker = 0x25525025;  // "%RP%"
constexpr uint16_t kVersion = 4;
constexpr uint32_t kChunkIndex = 0x52504865;      // "RPHe"
constexpr uint32_t kChunkSplitMap = 0x46534C4D;   // "FSLM"
constexpr uint32_t kChunkDirectory = 0x5646534F;  // "VFSO"

// Resource ids address entries 0..1023 of a pack.
constexpr int kMaxEntries = 1024;
// The largest pack whose ids (pack << 10 | entry) are still positive ints.
constexpr int kMaxPackNumber = 0x1FFFFF;

constexpr uint8_t kFlagsWide = 0x41;    // 4-byte sizes, as the game's own pack writer writes them
constexpr uint8_t kFlagsNarrow = 0x00;  // 2-byte sizes

// Packs 1..19 and 21 are chunked; 0, 20 and 22 up are plain.
bool isChunkedPack(int pack);
inline int packOfId(int32_t id) {
    return id >> 10;
}
inline int entryOfId(int32_t id) {
    return id & 0x3FF;
}

// "RP{pack}.{ext}", or "RP{pack}part{part}.{ext}" when part is not -1: the
// name under the resource folder (the readers put a "/" before it).
std::string packFileName(int pack, int part = -1, std::string_view ext = "rp");
// The extension a directory entry's file type selects; "rp" for any type
// without one of its own.
std::string fileTypeExtension(int fileType);
// A chunk id or marker as the readers' messages show it: the four bytes from
// the least significant up ("%PR%" for the marker).
std::string idText(uint32_t id);
// A chunk id in file order ("RPHe"); bytes outside printable ASCII as \xNN.
std::string chunkName(uint32_t id);
uint32_t chunkId(std::string_view fourChars);

struct PackEntry {
    Bytes data;
    int8_t type = 0;
};

// The index: flags, entry count, sizes (2 or 4 bytes by flags bit 0), type bytes.
Bytes encodeIndex(const std::vector<PackEntry>& entries, uint8_t flags);

struct PlainPackOptions {
    uint8_t flags = kFlagsWide;
    std::optional<int32_t> dataLength;  // replaces L, the data block length
};
// Index, data length and data block.
Bytes encodePlainPack(const std::vector<PackEntry>& entries, const PlainPackOptions& options = {});

// N 16-bit extension sizes, then the extensions back to back.
Bytes encodeExtensionTable(const std::vector<Bytes>& extensions);

struct Chunk {
    uint32_t id = 0;
    int32_t info = 0;  // kept and written back by the readers; no meaning to them
    Bytes payload;
    std::optional<int32_t> declaredLength;  // replaces the payload length field
};
Bytes encodeChunk(const Chunk& chunk);

struct MainFile {
    uint32_t marker = kMarker;
    uint16_t version = kVersion;
    std::optional<uint16_t> declaredCount;  // replaces the chunk count field
    std::vector<Chunk> chunks;
};
Bytes encodeMainFile(const MainFile& main);

struct SplitMap {
    int32_t total = 0;
    std::vector<int32_t> partLengths;
};
Bytes encodeSplitMap(const SplitMap& map);

struct DirectoryEntry {
    int8_t fileType = -1;
    uint8_t reserved = 0;  // read and dropped by the readers
    uint16_t part = 0;
    int32_t offset = 0;
    int32_t value = 0;  // kept by the readers; no meaning to them
};
struct Directory {
    int32_t headerValue = 0;  // kept by the readers; no meaning to them
    std::optional<int32_t> declaredCount;
    std::vector<DirectoryEntry> entries;
};
Bytes encodeDirectory(const Directory& directory);

// Files by name relative to the folder they are written to.
struct OutputFile {
    std::string name;
    Bytes data;
};
using FileSet = std::vector<OutputFile>;

const OutputFile* findFile(const FileSet& files, std::string_view name);
OutputFile& fileNamed(FileSet& files, std::string_view name);  // throws when absent
void removeFile(FileSet& files, std::string_view name);        // throws when absent
void truncateFile(FileSet& files, std::string_view name, size_t size);
// Writes every file (creating folders), each through a temporary file that is
// renamed into place, so that a failed write leaves no half-written file.
void writeFiles(const std::filesystem::path& dir, const FileSet& files);

enum class ChunkedLayout { Split, Directory };

// Where a directory pack puts one entry: the file of this part number and
// file type; entries that share both share one file, in entry order.
struct EntryPlacement {
    int8_t fileType = -1;
    int part = 1;
};

struct PackContent {
    int number = 1;
    std::vector<PackEntry> entries;
    uint8_t flags = kFlagsWide;  // of the index, in a plain pack or an index chunk
    // Plain packs.
    std::vector<Bytes> extensions;  // empty, or one per entry: a table after the data block
    // Chunked packs.
    ChunkedLayout layout = ChunkedLayout::Split;
    int splitParts = 1;
    // Directory layout: one per entry; when empty, entry i goes alone into
    // part i + 1 with its type byte as file type.
    std::vector<EntryPlacement> placements;
};

// A chunked pack before encoding: tests change the main file or the parts,
// then encode with files().
struct ChunkedPack {
    MainFile main;
    std::string mainName;
    FileSet parts;
    FileSet files() const;
};
ChunkedPack planChunkedPack(const PackContent& content);

// The files of a pack: plain or chunked as the pack number says.
FileSet buildPack(const PackContent& content);
// The bytes of a plain pack with the entries, flags and extension
// table, whatever its number says: what a record store keeps.
Bytes buildPlainPackBytes(const PackContent& content);

// A plain pack kept as saved data: the record-store folder "store-{id}"
// with 4096-byte records "record-{k}.bin" and "metadata.info". Written into
// the program's "database" folder.
constexpr size_t kRecordSize = 4096;
FileSet encodeRecordStore(int32_t id, const Bytes& data, uint32_t lastModified = 0);

}  // namespace rpack
