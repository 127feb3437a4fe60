#include "Pack.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <map>
#include <system_error>

namespace rpack {

bool isChunkedPack(int pack) {
    return pack >= 1 && pack <= 32 && ((0x17FFFFu >> (pack - 1)) & 1u) != 0;
}

std::string packFileName(int pack, int part, std::string_view ext) {
    std::string name = "RP" + std::to_string(pack);
    if (part != -1) name += "part" + std::to_string(part);
    name += '.';
    name += ext;
    return name;
}

std::string fileTypeExtension(int fileType) {
    switch (fileType) {
        case 0:
            return "mid";
        case 1:
            return "wav";
        case 2:
            return "mp3";
        case 3:
            return "amr";
        case 4:
            return "aac";
        case 5:
            return "au";
        case 6:
            return "qcp";
        case 7:
            return "ott";
        case 8:
            return "jts";
        case 9:
            return "imy";
        case 10:
            return "mmf";
        case 11:
            return "cmx";
        case 12:
            return "adp";
        case 14:
            return "3gp";
        case 15:
            return "3g2";
        case 16:
            return "263";
        case 17:
            return "264";
        case 18:
            return "mpg";
        case 19:
            return "mp4";
        case 20:
            return "rv";
        case 21:
            return "wmv";
        case 22:
            return "mov";
        case 23:
            return "wbxml";
        case 24:
            return "gif";
        case 25:
            return "caf";
        case 26:
            return "ogg";
        case 27:
            return "wma";
        case 28:
            return "m4a";
        case -3:
            return "png";
        case -4:
            return "jpg";
        case -6:
            return "utf";
        case -7:
            return "txt";
        default:
            return "rp";
    }
}

namespace {

std::string printable(uint8_t b) {
    if (b >= 0x20 && b < 0x7F) return std::string(1, static_cast<char>(b));
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", b);
    return buf;
}

}  // namespace

std::string idText(uint32_t id) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += printable(static_cast<uint8_t>(id >> (8 * i)));
    return out;
}

std::string chunkName(uint32_t id) {
    std::string out;
    for (int i = 3; i >= 0; --i) out += printable(static_cast<uint8_t>(id >> (8 * i)));
    return out;
}

uint32_t chunkId(std::string_view s) {
    if (s.size() != 4)
        throw ContentError("a chunk id has four characters: '" + std::string(s) + "'");
    uint32_t id = 0;
    for (char c : s) id = id << 8 | static_cast<uint8_t>(c);
    return id;
}

Bytes encodeIndex(const std::vector<PackEntry>& entries, uint8_t flags) {
    ByteWriter w;
    const bool wide = flags & 1;
    w.u8(flags);
    w.u16(static_cast<uint32_t>(entries.size()));
    for (const PackEntry& e : entries) {
        if (wide) {
            w.u32(static_cast<uint32_t>(e.data.size()));
        } else {
            w.u16(static_cast<uint32_t>(e.data.size()));
        }
    }
    for (const PackEntry& e : entries) w.u8(static_cast<uint8_t>(e.type));
    return w.take();
}

Bytes encodePlainPack(const std::vector<PackEntry>& entries, const PlainPackOptions& options) {
    ByteWriter w;
    w.bytes(encodeIndex(entries, options.flags));
    uint64_t total = 0;
    for (const PackEntry& e : entries) total += e.data.size();
    w.s32(options.dataLength ? *options.dataLength : static_cast<int32_t>(total));
    for (const PackEntry& e : entries) w.bytes(e.data);
    return w.take();
}

Bytes encodeExtensionTable(const std::vector<Bytes>& extensions) {
    ByteWriter w;
    for (const Bytes& e : extensions) w.u16(static_cast<uint32_t>(e.size()));
    for (const Bytes& e : extensions) w.bytes(e);
    return w.take();
}

Bytes encodeChunk(const Chunk& chunk) {
    ByteWriter w;
    w.u32(chunk.id);
    w.s32(chunk.declaredLength ? *chunk.declaredLength
                               : static_cast<int32_t>(chunk.payload.size()));
    w.s32(chunk.info);
    w.bytes(chunk.payload);
    return w.take();
}

Bytes encodeMainFile(const MainFile& main) {
    ByteWriter w;
    w.u32(main.marker);
    w.u16(main.version);
    w.u16(main.declaredCount ? *main.declaredCount : static_cast<uint16_t>(main.chunks.size()));
    for (const Chunk& c : main.chunks) w.bytes(encodeChunk(c));
    return w.take();
}

Bytes encodeSplitMap(const SplitMap& map) {
    ByteWriter w;
    w.s32(map.total);
    w.s32(static_cast<int32_t>(map.partLengths.size()));
    for (int32_t len : map.partLengths) w.s32(len);
    return w.take();
}

Bytes encodeDirectory(const Directory& directory) {
    ByteWriter w;
    w.s32(directory.headerValue);
    w.s32(directory.declaredCount ? *directory.declaredCount
                                  : static_cast<int32_t>(directory.entries.size()));
    for (const DirectoryEntry& e : directory.entries) {
        w.u8(static_cast<uint8_t>(e.fileType));
        w.u8(e.reserved);
        w.u16(e.part);
        w.s32(e.offset);
        w.s32(e.value);
    }
    return w.take();
}

const OutputFile* findFile(const FileSet& files, std::string_view name) {
    for (const OutputFile& f : files) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

OutputFile& fileNamed(FileSet& files, std::string_view name) {
    for (OutputFile& f : files) {
        if (f.name == name) return f;
    }
    throw std::invalid_argument("no file named " + std::string(name));
}

void removeFile(FileSet& files, std::string_view name) {
    const OutputFile& f = fileNamed(files, name);
    files.erase(files.begin() + (&f - files.data()));
}

void truncateFile(FileSet& files, std::string_view name, size_t size) {
    OutputFile& f = fileNamed(files, name);
    if (size < f.data.size()) f.data.resize(size);
}

void writeFiles(const std::filesystem::path& dir, const FileSet& files) {
    namespace fs = std::filesystem;
    for (const OutputFile& f : files) {
        const fs::path target = dir / f.name;
        fs::create_directories(target.parent_path());
        const fs::path temp = fs::path(target).concat(".tmp");
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(f.data.data()),
                      static_cast<std::streamsize>(f.data.size()));
            out.close();
            if (!out) {
                std::error_code ignored;
                fs::remove(temp, ignored);
                throw std::runtime_error("cannot write " + temp.string());
            }
        }
        fs::rename(temp, target);
    }
}

namespace {

void checkEntries(const PackContent& content) {
    checkRange("entry count", static_cast<int64_t>(content.entries.size()), 0, kMaxEntries);
    // Entry offsets are summed in ints and the data length is a signed 32-bit field.
    uint64_t total = 0;
    for (const PackEntry& e : content.entries) total += e.data.size();
    checkRange("total size of the entries", static_cast<int64_t>(total), 0, INT32_MAX);
    if (!(content.flags & 1)) {
        for (size_t i = 0; i < content.entries.size(); ++i) {
            checkRange("size of entry " + std::to_string(i) + " with 2-byte sizes",
                       static_cast<int64_t>(content.entries[i].data.size()), 0, 0xFFFF);
        }
    }
}

Bytes plainPackBytes(const PackContent& content) {
    PlainPackOptions options;
    options.flags = content.flags;
    Bytes pack = encodePlainPack(content.entries, options);
    if (!content.extensions.empty()) {
        if (content.extensions.size() != content.entries.size()) {
            throw ContentError("an extension table has one extension per entry: " +
                               std::to_string(content.extensions.size()) + " for " +
                               std::to_string(content.entries.size()) + " entries");
        }
        for (size_t i = 0; i < content.extensions.size(); ++i) {
            checkRange("size of the extension of entry " + std::to_string(i),
                       static_cast<int64_t>(content.extensions[i].size()), 0, 0xFFFF);
        }
        Bytes table = encodeExtensionTable(content.extensions);
        pack.insert(pack.end(), table.begin(), table.end());
    }
    return pack;
}

void planSplit(const PackContent& content, ChunkedPack& pack) {
    checkRange("number of split parts", content.splitParts, 1, 1024);
    Bytes block;
    for (const PackEntry& e : content.entries)
        block.insert(block.end(), e.data.begin(), e.data.end());
    const size_t k = static_cast<size_t>(content.splitParts);
    SplitMap map;
    map.total = static_cast<int32_t>(block.size());
    size_t at = 0;
    for (size_t i = 0; i < k; ++i) {
        const size_t len = block.size() / k + (i < block.size() % k ? 1 : 0);
        map.partLengths.push_back(static_cast<int32_t>(len));
        pack.parts.push_back({packFileName(content.number, static_cast<int>(i + 1)),
                              Bytes(block.begin() + at, block.begin() + at + len)});
        at += len;
    }
    pack.main.chunks.push_back({kChunkSplitMap, 0, encodeSplitMap(map), {}});
}

void planDirectory(const PackContent& content, ChunkedPack& pack) {
    std::vector<EntryPlacement> placements = content.placements;
    if (placements.empty()) {
        for (size_t i = 0; i < content.entries.size(); ++i) {
            placements.push_back({content.entries[i].type, static_cast<int>(i + 1)});
        }
    } else if (placements.size() != content.entries.size()) {
        throw ContentError("a directory places every entry: " + std::to_string(placements.size()) +
                           " placements for " + std::to_string(content.entries.size()) +
                           " entries");
    }
    Directory directory;
    std::map<std::string, size_t> fileIndex;
    for (size_t i = 0; i < content.entries.size(); ++i) {
        const EntryPlacement& p = placements[i];
        // Part number 0 names the main file.
        checkRange("part number of entry " + std::to_string(i), p.part, 1, 0xFFFF);
        const std::string name =
            packFileName(content.number, p.part, fileTypeExtension(p.fileType));
        auto [it, added] = fileIndex.try_emplace(name, pack.parts.size());
        if (added) pack.parts.push_back({name, {}});
        Bytes& file = pack.parts[it->second].data;
        checkRange("size of " + name,
                   static_cast<int64_t>(file.size() + content.entries[i].data.size()), 0,
                   INT32_MAX);
        DirectoryEntry d;
        d.fileType = p.fileType;
        d.part = static_cast<uint16_t>(p.part);
        d.offset = static_cast<int32_t>(file.size());
        directory.entries.push_back(d);
        file.insert(file.end(), content.entries[i].data.begin(), content.entries[i].data.end());
    }
    pack.main.chunks.push_back({kChunkDirectory, 0, encodeDirectory(directory), {}});
}

}  // namespace

FileSet ChunkedPack::files() const {
    FileSet out;
    out.push_back({mainName, encodeMainFile(main)});
    out.insert(out.end(), parts.begin(), parts.end());
    return out;
}

ChunkedPack planChunkedPack(const PackContent& content) {
    checkRange("pack number", content.number, 1, kMaxPackNumber);
    checkEntries(content);
    if (!isChunkedPack(content.number)) {
        throw ContentError("pack " + std::to_string(content.number) +
                           " is a plain pack: only packs 1 to 19 and 21 are chunked");
    }
    ChunkedPack pack;
    pack.mainName = packFileName(content.number, 0);
    pack.main.chunks.push_back({kChunkIndex, 0, encodeIndex(content.entries, content.flags), {}});
    if (content.layout == ChunkedLayout::Split) {
        planSplit(content, pack);
    } else {
        planDirectory(content, pack);
    }
    return pack;
}

FileSet buildPack(const PackContent& content) {
    if (isChunkedPack(content.number)) return planChunkedPack(content).files();
    checkRange("pack number", content.number, 1, kMaxPackNumber);
    return {{packFileName(content.number), buildPlainPackBytes(content)}};
}

Bytes buildPlainPackBytes(const PackContent& content) {
    checkEntries(content);
    return plainPackBytes(content);
}

FileSet encodeRecordStore(int32_t id, const Bytes& data, uint32_t lastModified) {
    // The store's size and the next record id are unsigned 32-bit fields.
    checkRange("size of a stored pack", static_cast<int64_t>(data.size()), 0, INT32_MAX);
    const std::string folder = "store-" + std::to_string(id) + "/";
    FileSet files;
    uint32_t count = 0;
    for (size_t at = 0; at < data.size(); at += kRecordSize) {
        const size_t len = std::min(kRecordSize, data.size() - at);
        ++count;
        files.push_back({folder + "record-" + std::to_string(count) + ".bin",
                         Bytes(data.begin() + at, data.begin() + at + len)});
    }
    ByteWriter meta;
    meta.u32le(lastModified);
    meta.u32le(0);          // version
    meta.u32le(count + 1);  // next record id
    meta.u32le(static_cast<uint32_t>(data.size()));
    meta.u32le(count);
    files.push_back({folder + "metadata.info", meta.take()});
    return files;
}

}  // namespace rpack
