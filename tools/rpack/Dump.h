// The review listing of rpack dump: a pack's header, chunks, index, split map
// or directory, and every entry decoded when it is of a known kind. Problems
// that the game's readers would trip over are listed as "problem:" lines.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "Bytes.h"

namespace rpack {

// A pack file (plain, or a chunked main file with its part files beside it),
// a record-store folder (or its metadata.info), or a single entry file such as
// a directory pack's part file. Throws when the path is none of these.
void dumpPath(const std::filesystem::path& path, std::ostream& out);

// One entry: a first line naming its kind, then indented detail lines.
std::string describeEntry(const Bytes& data, const std::string& indent);

}  // namespace rpack
