// The text sources a manifest names: images, graphic-object sets, glyph sets,
// animation sets, text tables and melodies (formats in README.md). Errors are
// ContentError messages that start with "line N: ".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "AnimSet.h"
#include "Audio.h"
#include "GobSet.h"
#include "Png.h"

namespace rpack {

// One line of a keyword source, split at blanks; whole-line comments and
// blank lines are dropped.
class SourceLine {
public:
    SourceLine(int number, std::vector<std::string> tokens)
        : number_(number), tokens_(std::move(tokens)) {}

    int number() const { return number_; }
    size_t size() const { return tokens_.size(); }
    const std::string& keyword() const { return tokens_[0]; }
    const std::string& token(size_t i, const char* what) const;
    int integer(size_t i, const char* what) const;
    // Fails unless the line has exactly n tokens.
    void expectSize(size_t n, const char* usage) const;
    [[noreturn]] void fail(const std::string& message) const;

private:
    int number_;
    std::vector<std::string> tokens_;
};

std::vector<SourceLine> splitSource(std::string_view text);
int parseInteger(std::string_view token, const char* what);

IndexedImage parseImageSource(std::string_view text);
GobSet parseGobSource(std::string_view text);
GlyphSet parseFontSource(std::string_view text);
AnimSet parseAnimSource(std::string_view text);
std::vector<std::u16string> parseTextSource(std::string_view text);
Melody parseNotesSource(std::string_view text);

}  // namespace rpack
