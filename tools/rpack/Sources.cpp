#include "Sources.h"

#include <charconv>
#include <map>

#include "TextTable.h"

namespace rpack {

namespace {

// Lines without their end-of-line characters; a newline that ends the text
// does not start one more, empty line.
std::vector<std::string_view> rawLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> tokensOf(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) tokens.emplace_back(line.substr(start, i - start));
    }
    return tokens;
}

[[noreturn]] void failAt(int line, const std::string& message) {
    throw ContentError("line " + std::to_string(line) + ": " + message);
}

// A character of a glyph: the character itself, or U+ and its hex code.
uint16_t parseCharacter(const SourceLine& line, size_t i) {
    const std::string& t = line.token(i, "character");
    if (t.size() > 2 && (t[0] == 'U' || t[0] == 'u') && t[1] == '+') {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(t.data() + 2, t.data() + t.size(), value, 16);
        if (ec != std::errc() || end != t.data() + t.size())
            line.fail("'" + t + "' is not a U+ code");
        if (value > 0xFFFF) line.fail(t + " is beyond U+FFFF: a glyph code has 16 bits");
        return static_cast<uint16_t>(value);
    }
    std::u16string chars;
    try {
        chars = utf8ToUtf16(t);
    } catch (const ContentError& e) {
        line.fail(e.what());
    }
    if (chars.size() != 1) {
        line.fail("'" + t + "' is not one character below U+10000; write a code as U+XXXX");
    }
    return static_cast<uint16_t>(chars[0]);
}

}  // namespace

const std::string& SourceLine::token(size_t i, const char* what) const {
    if (i >= tokens_.size()) fail(std::string("'") + keyword() + "' needs " + what);
    return tokens_[i];
}

int SourceLine::integer(size_t i, const char* what) const {
    try {
        return parseInteger(token(i, what), what);
    } catch (const ContentError& e) {
        fail(e.what());
    }
}

void SourceLine::expectSize(size_t n, const char* usage) const {
    if (tokens_.size() != n) fail(std::string("expected '") + usage + "'");
}

void SourceLine::fail(const std::string& message) const {
    failAt(number_, message);
}

std::vector<SourceLine> splitSource(std::string_view text) {
    std::vector<SourceLine> lines;
    int number = 0;
    for (std::string_view raw : rawLines(text)) {
        ++number;
        std::vector<std::string> tokens = tokensOf(raw);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        lines.emplace_back(number, std::move(tokens));
    }
    return lines;
}

int parseInteger(std::string_view token, const char* what) {
    int value = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec == std::errc::result_out_of_range) {
        throw ContentError(std::string(what) + " '" + std::string(token) + "' is out of range");
    }
    if (ec != std::errc() || end != token.data() + token.size()) {
        throw ContentError(std::string(what) + " '" + std::string(token) + "' is not a number");
    }
    return value;
}

IndexedImage parseImageSource(std::string_view text) {
    IndexedImage image;
    std::map<char, uint8_t> keys;
    const std::vector<std::string_view> lines = rawLines(text);
    size_t i = 0;
    bool pixels = false;
    for (; i < lines.size() && !pixels; ++i) {
        const std::vector<std::string> tokens = tokensOf(lines[i]);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        const SourceLine line(static_cast<int>(i + 1), tokens);
        if (line.keyword() == "pixels") {
            line.expectSize(1, "pixels");
            pixels = true;
        } else if (line.keyword() == "colour") {
            if (line.size() != 3 && line.size() != 4)
                line.expectSize(3, "colour KEY RRGGBB [ALPHA]");
            const std::string& key = line.token(1, "a key character");
            if (key.size() != 1) line.fail("a colour key is one character: '" + key + "'");
            const std::string& rgb = line.token(2, "RRGGBB");
            unsigned value = 0;
            const auto [end, ec] = std::from_chars(rgb.data(), rgb.data() + rgb.size(), value, 16);
            if (rgb.size() != 6 || ec != std::errc() || end != rgb.data() + rgb.size()) {
                line.fail("'" + rgb + "' is not RRGGBB");
            }
            const int alpha = line.size() == 4 ? line.integer(3, "alpha") : 255;
            if (alpha < 0 || alpha > 255)
                line.fail("alpha is " + std::to_string(alpha) + ", limit 0 to 255");
            if (keys.count(key[0])) line.fail("colour key '" + key + "' is given twice");
            if (image.palette.size() == 256) line.fail("a palette holds at most 256 colours");
            keys[key[0]] = static_cast<uint8_t>(image.palette.size());
            image.palette.push_back({static_cast<uint8_t>(value >> 16),
                                     static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value),
                                     static_cast<uint8_t>(alpha)});
        } else {
            line.fail("unknown keyword '" + line.keyword() + "' (colour, pixels)");
        }
    }
    if (!pixels) failAt(static_cast<int>(lines.size()), "no 'pixels' line");
    if (image.palette.empty()) failAt(static_cast<int>(i), "no colours before 'pixels'");
    for (; i < lines.size(); ++i) {
        const std::string_view row = lines[i];
        const int number = static_cast<int>(i + 1);
        if (image.height == 0) {
            image.width = static_cast<int>(row.size());
            if (row.empty()) failAt(number, "the first row is empty");
        } else if (static_cast<int>(row.size()) != image.width) {
            failAt(number, "row is " + std::to_string(row.size()) + " pixels wide, the first is " +
                               std::to_string(image.width));
        }
        for (size_t x = 0; x < row.size(); ++x) {
            const auto it = keys.find(row[x]);
            if (it == keys.end()) {
                failAt(number, "pixel " + std::to_string(x) + " '" + std::string(1, row[x]) +
                                   "' is no colour key");
            }
            image.pixels.push_back(it->second);
        }
        ++image.height;
    }
    if (image.height == 0) failAt(static_cast<int>(lines.size()), "no pixel rows after 'pixels'");
    return image;
}

GobSet parseGobSource(std::string_view text) {
    GobSet set;
    bool sheet = false;
    for (const SourceLine& line : splitSource(text)) {
        if (line.keyword() == "sheet") {
            line.expectSize(2, "sheet ENTRY");
            set.sheetEntry = line.integer(1, "sheet entry");
            sheet = true;
        } else if (line.keyword() == "gob") {
            Gob g;
            g.x = line.integer(1, "x");
            g.y = line.integer(2, "y");
            g.width = line.integer(3, "width");
            g.height = line.integer(4, "height");
            for (size_t i = 5; i < line.size();) {
                const std::string& key = line.token(i, "an option");
                if (key == "offset") {
                    g.offsetX = line.integer(i + 1, "offset x");
                    g.offsetY = line.integer(i + 2, "offset y");
                    i += 3;
                } else if (key == "box") {
                    g.boxX = line.integer(i + 1, "box x");
                    g.boxY = line.integer(i + 2, "box y");
                    g.boxWidth = line.integer(i + 3, "box width");
                    g.boxHeight = line.integer(i + 4, "box height");
                    i += 5;
                } else if (key == "round") {
                    g.roundBox = true;
                    i += 1;
                } else if (key == "hint") {
                    g.hint = line.integer(i + 1, "hint");
                    i += 2;
                } else {
                    line.fail("unknown option '" + key + "' (offset, box, round, hint)");
                }
            }
            set.gobs.push_back(g);
        } else {
            line.fail("unknown keyword '" + line.keyword() + "' (sheet, gob)");
        }
    }
    if (!sheet) failAt(1, "no 'sheet' line");
    return set;
}

GlyphSet parseFontSource(std::string_view text) {
    GlyphSet font;
    std::map<std::string, int> header;
    for (const SourceLine& line : splitSource(text)) {
        const std::string& k = line.keyword();
        if (k == "sheet" || k == "height" || k == "baseline" || k == "missing-advance" ||
            k == "line-step" || k == "aux" || k == "advance-aligned") {
            line.expectSize(2, (k + " VALUE").c_str());
            if (header.count(k)) line.fail("'" + k + "' is given twice");
            header[k] = line.integer(1, k.c_str());
        } else if (k == "glyph") {
            Glyph g;
            g.code = parseCharacter(line, 1);
            g.x = line.integer(2, "x");
            g.y = line.integer(3, "y");
            g.width = line.integer(4, "width");
            g.height = line.integer(5, "height");
            g.advance = g.width;
            for (size_t i = 6; i < line.size();) {
                const std::string& key = line.token(i, "an option");
                if (key == "offset") {
                    g.offsetX = line.integer(i + 1, "offset x");
                    g.offsetY = line.integer(i + 2, "offset y");
                    i += 3;
                } else if (key == "advance") {
                    g.advance = line.integer(i + 1, "advance");
                    i += 2;
                } else if (key == "hint") {
                    g.hint = line.integer(i + 1, "hint");
                    i += 2;
                } else {
                    line.fail("unknown option '" + key + "' (offset, advance, hint)");
                }
            }
            font.glyphs.push_back(g);
        } else {
            line.fail("unknown keyword '" + k +
                      "' (sheet, height, baseline, missing-advance, line-step, aux, "
                      "advance-aligned, glyph)");
        }
    }
    for (const char* required : {"sheet", "height", "baseline", "missing-advance"}) {
        if (!header.count(required)) failAt(1, std::string("no '") + required + "' line");
    }
    font.sheetEntry = header["sheet"];
    font.header.lineHeight = header["height"];
    font.header.baseline = header["baseline"];
    font.header.missingAdvance = header["missing-advance"];
    font.header.lineStep = header.count("line-step") ? header["line-step"] : font.header.lineHeight;
    font.header.aux = header.count("aux") ? header["aux"] : 0;
    font.header.advanceAligned = header.count("advance-aligned") && header["advance-aligned"] != 0;
    return font;
}

AnimSet parseAnimSource(std::string_view text) {
    AnimSet set;
    for (const SourceLine& line : splitSource(text)) {
        const std::string& k = line.keyword();
        if (k == "leading") {
            line.expectSize(2, "leading BYTE");
            set.leading = line.integer(1, "leading byte");
        } else if (k == "durations") {
            for (size_t i = 1; i < line.size(); ++i)
                set.durations.push_back(line.integer(i, "duration"));
        } else if (k == "frame") {
            line.expectSize(1, "frame");
            set.frames.emplace_back();
        } else if (k == "piece" || k == "box") {
            if (set.frames.empty()) line.fail("'" + k + "' before the first 'frame'");
            AnimFrame& frame = set.frames.back();
            if (k == "piece") {
                AnimPiece p;
                p.gob = line.integer(1, "graphic object");
                p.dx = line.integer(2, "dx");
                p.dy = line.integer(3, "dy");
                for (size_t i = 4; i < line.size(); i += 2) {
                    if (line.token(i, "an option") != "flip") {
                        line.fail("unknown option '" + line.token(i, "") + "' (flip)");
                    }
                    p.flip = line.integer(i + 1, "flip");
                }
                frame.pieces.push_back(p);
            } else {
                AnimBox b;
                b.x = line.integer(1, "x");
                b.y = line.integer(2, "y");
                b.width = line.integer(3, "width");
                b.height = line.integer(4, "height");
                for (size_t i = 5; i < line.size();) {
                    const std::string& key = line.token(i, "an option");
                    if (key == "type") {
                        b.type = line.integer(i + 1, "type");
                        i += 2;
                    } else if (key == "circle") {
                        b.circle = true;
                        i += 1;
                    } else {
                        line.fail("unknown option '" + key + "' (type, circle)");
                    }
                }
                frame.boxes.push_back(b);
            }
        } else if (k == "animation") {
            Animation a;
            for (size_t i = 1; i < line.size(); i += 2) {
                if (line.token(i, "an option") != "loop") {
                    line.fail("unknown option '" + line.token(i, "") + "' (loop)");
                }
                a.loopCount = line.integer(i + 1, "loop count");
            }
            set.animations.push_back(a);
        } else if (k == "step") {
            if (set.animations.empty()) line.fail("'step' before the first 'animation'");
            AnimStep s;
            s.frame = line.integer(1, "frame");
            s.dx = line.integer(2, "dx");
            s.dy = line.integer(3, "dy");
            for (size_t i = 4; i < line.size(); i += 2) {
                const std::string& key = line.token(i, "an option");
                if (key == "duration") {
                    s.durationIndex = line.integer(i + 1, "duration index");
                } else if (key == "level") {
                    s.level = line.integer(i + 1, "level");
                } else if (key == "interpolate") {
                    s.interpolation = line.integer(i + 1, "interpolation");
                } else {
                    line.fail("unknown option '" + key + "' (duration, level, interpolate)");
                }
            }
            set.animations.back().steps.push_back(s);
        } else {
            line.fail("unknown keyword '" + k +
                      "' (leading, durations, frame, piece, box, animation, step)");
        }
    }
    return set;
}

std::vector<std::u16string> parseTextSource(std::string_view text) {
    std::vector<std::u16string> texts;
    int number = 0;
    for (std::string_view raw : rawLines(text)) {
        ++number;
        std::u16string line;
        try {
            line = utf8ToUtf16(raw);
        } catch (const ContentError& e) {
            failAt(number, e.what());
        }
        std::u16string out;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != u'\\') {
                out += line[i];
                continue;
            }
            if (++i == line.size()) failAt(number, "a '\\' ends the line");
            switch (line[i]) {
                case u'n':
                    out += u'\n';
                    break;
                case u't':
                    out += u'\t';
                    break;
                case u'\\':
                    out += u'\\';
                    break;
                case u'u': {
                    unsigned value = 0;
                    for (int d = 0; d < 4; ++d) {
                        const size_t at = i + 1 + static_cast<size_t>(d);
                        const char16_t c = at < line.size() ? line[at] : u' ';
                        int digit = -1;
                        if (c >= u'0' && c <= u'9') digit = c - u'0';
                        if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
                        if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
                        if (digit < 0) failAt(number, "'\\u' needs four hex digits");
                        value = value << 4 | static_cast<unsigned>(digit);
                    }
                    out += static_cast<char16_t>(value);
                    i += 4;
                    break;
                }
                default:
                    failAt(number, "unknown escape '\\" + utf16ToUtf8(line.substr(i, 1)) +
                                       "' (\\n, \\t, \\\\, \\uXXXX)");
            }
        }
        texts.push_back(std::move(out));
    }
    return texts;
}

Melody parseNotesSource(std::string_view text) {
    Melody melody;
    for (const SourceLine& line : splitSource(text)) {
        const std::string& k = line.keyword();
        if (k == "channel") {
            line.expectSize(2, "channel N");
            melody.channel = line.integer(1, "channel");
        } else if (k == "note") {
            MidiNote n;
            n.key = line.integer(1, "key");
            n.durationMs = line.integer(2, "duration in ms");
            for (size_t i = 3; i < line.size(); i += 2) {
                if (line.token(i, "an option") != "velocity") {
                    line.fail("unknown option '" + line.token(i, "") + "' (velocity)");
                }
                n.velocity = line.integer(i + 1, "velocity");
            }
            if (n.key < 0) line.fail("key is " + std::to_string(n.key) + ", limit 0 to 127");
            melody.notes.push_back(n);
        } else if (k == "rest") {
            line.expectSize(2, "rest MS");
            melody.notes.push_back({-1, line.integer(1, "duration in ms"), 0});
        } else {
            line.fail("unknown keyword '" + k + "' (channel, note, rest)");
        }
    }
    return melody;
}

}  // namespace rpack
