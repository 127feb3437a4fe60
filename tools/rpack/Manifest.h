// Pack manifests: one small text file per pack naming its entries and their
// sources (format in README.md), and the build of a manifest into pack files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Pack.h"

namespace rpack {

struct ManifestEntry {
    int line = 0;
    std::string kind;               // png, gobs, font, anim, text, tone, midi, raw
    std::vector<std::string> args;  // the source file, or a tone's numbers
    std::optional<int> type;        // type byte
    std::optional<int> fileType;    // directory packs
    std::optional<int> part;        // directory packs
    std::string extension;          // plain packs: file of the extension bytes
    int toneRate = 8000;
    int toneBits = 16;
    int toneVolume = 50;
};

struct Manifest {
    std::filesystem::path path;
    bool stored = false;  // a record store, not a pack file
    int number = 0;       // the pack number, or the record-store id
    std::optional<int> sizes;
    std::optional<ChunkedLayout> layout;
    int splitParts = 1;
    std::vector<ManifestEntry> entries;
};

// Errors name the manifest and the line.
Manifest parseManifest(const std::filesystem::path& path, std::string_view text);

struct BuiltPack {
    std::string label;  // "pack 5 (chunked, split over 2 parts)"
    bool stored = false;
    FileSet files;  // relative to the resource folder, or to the database folder
};

// Reads the sources (relative to the manifest's folder) and encodes the pack.
// Errors name the manifest or the source file and the limit.
BuiltPack buildManifest(const Manifest& manifest);

}  // namespace rpack
