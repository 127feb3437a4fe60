// Pack descriptions: the hand-written files under content/packs that say
// which pictures a pack holds, how its graphic-object sets, animation sets,
// texts, tunes and glyph sets are laid out, and in which entries. The
// generator reads one description per pack and writes the rpack sources
// (manifest, sheet image, .gobs, .anim, .font, texts, WAV clips).
//
// A description is lines of blank-separated words ("double quotes" keep
// blanks in one word); '#' starts a comment line. Before a line is read,
// $NAME is replaced by a variable and {EXPR} by the integer it computes
// (+ - * / % and parentheses). Lines that shape the text itself:
//   set NAME VALUE...          a variable for the lines after it
//   repeat NAME FIRST LAST     the lines up to the matching 'end', once per value
//   when A B                   the lines up to the matching 'end' when A is B
//   use FILE NAME=VALUE...     the lines of another description, with variables
// The rest is described in content/README.md.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace contentgen {

struct Options {
    std::filesystem::path contentDir;  // content/
    std::filesystem::path outDir;      // where the manifests and sources go
    std::string regularFace;           // DejaVu Sans
    std::string boldFace;              // DejaVu Sans Bold
    // For people reviewing content: every frame of every animation set as a
    // PNG (on grey, boxes outlined, anchor at the centre); empty: none.
    std::filesystem::path previewDir;
};

// Reads one pack description and writes its manifest and sources into
// outDir. Errors are std::runtime_error naming the file and line.
void generatePack(const Options& options, const std::filesystem::path& description);

}  // namespace contentgen
