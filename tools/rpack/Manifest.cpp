#include "Manifest.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "AnimSet.h"
#include "Audio.h"
#include "GobSet.h"
#include "Png.h"
#include "Sources.h"
#include "TextTable.h"

namespace rpack {

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kKinds = {"png", "gobs", "font", "anim", "text", "tone", "midi", "raw"};

// The type byte, and a directory entry's file type, unless the manifest says otherwise.
int defaultType(const std::string& kind) {
    if (kind == "png") return -3;
    if (kind == "tone") return 1;
    if (kind == "midi") return 0;
    if (kind == "text") return -6;
    return -1;
}

[[noreturn]] void failManifest(const fs::path& path, int line, const std::string& message) {
    throw ContentError(path.string() + ": line " + std::to_string(line) + ": " + message);
}

ManifestEntry parseEntry(const SourceLine& line) {
    ManifestEntry e;
    e.line = line.number();
    e.kind = line.keyword();
    const size_t positional = e.kind == "tone" ? 2 : 1;
    for (size_t i = 1; i <= positional; ++i) {
        e.args.push_back(
            line.token(i, e.kind == "tone" ? "a frequency and a duration in ms" : "a source file"));
    }
    if (e.kind == "tone") {
        line.integer(1, "tone frequency");
        line.integer(2, "tone duration");
    }
    for (size_t i = positional + 1; i < line.size(); i += 2) {
        const std::string& key = line.token(i, "an option");
        if (key == "type") {
            e.type = line.integer(i + 1, "type byte");
        } else if (key == "file-type") {
            e.fileType = line.integer(i + 1, "file type");
        } else if (key == "part") {
            e.part = line.integer(i + 1, "part number");
        } else if (key == "extension") {
            e.extension = line.token(i + 1, "the file of the extension bytes");
        } else if (e.kind == "tone" && key == "rate") {
            e.toneRate = line.integer(i + 1, "sample rate");
        } else if (e.kind == "tone" && key == "bits") {
            e.toneBits = line.integer(i + 1, "bits per sample");
        } else if (e.kind == "tone" && key == "volume") {
            e.toneVolume = line.integer(i + 1, "volume");
        } else {
            line.fail("unknown option '" + key + "' (type, file-type, part, extension" +
                      (e.kind == "tone" ? ", rate, bits, volume)" : ")"));
        }
    }
    for (auto [value, what] :
         {std::pair{e.type, "type byte"}, std::pair{e.fileType, "file type"}}) {
        if (value && (*value < -128 || *value > 127)) {
            line.fail(std::string(what) + " is " + std::to_string(*value) + ", limit -128 to 127");
        }
    }
    return e;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ContentError(path.string() + ": cannot be read");
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    return Bytes(text.begin(), text.end());
}

std::string textOf(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// What the build keeps of an entry besides its bytes, for the checks between entries.
struct BuiltEntry {
    std::string kind;
    std::string source;
    Bytes data;
    std::optional<IndexedImage> image;           // png entries
    std::vector<std::array<int, 4>> sheetRects;  // gobs and font: rectangles cut from the sheet
    int sheetEntry = -1;
};

BuiltEntry buildEntry(const Manifest& m, const ManifestEntry& e) {
    BuiltEntry out;
    out.kind = e.kind;
    if (e.kind == "tone") {
        out.source = m.path.string() + ": line " + std::to_string(e.line);
        Tone t;
        t.frequency = parseInteger(e.args[0], "tone frequency");
        t.durationMs = parseInteger(e.args[1], "tone duration");
        t.sampleRate = e.toneRate;
        t.bitsPerSample = e.toneBits;
        t.volume = e.toneVolume;
        try {
            out.data = encodeWav(makeTone(t));
        } catch (const ContentError& err) {
            throw ContentError(out.source + ": " + err.what());
        }
        return out;
    }
    const fs::path source = m.path.parent_path() / e.args[0];
    out.source = source.string();
    try {
        const Bytes raw = readFile(source);
        if (e.kind == "raw") {
            out.data = raw;
        } else if (e.kind == "png") {
            out.image = parseImageSource(textOf(raw));
            out.data = encodePng(*out.image);
        } else if (e.kind == "gobs") {
            const GobSet set = parseGobSource(textOf(raw));
            out.data = encodeGobSet(set);
            out.sheetEntry = set.sheetEntry;
            for (const Gob& g : set.gobs) out.sheetRects.push_back({g.x, g.y, g.width, g.height});
        } else if (e.kind == "font") {
            const GlyphSet font = parseFontSource(textOf(raw));
            out.data = encodeGlyphSet(font);
            out.sheetEntry = font.sheetEntry;
            for (const Glyph& g : font.glyphs)
                out.sheetRects.push_back({g.x, g.y, g.width, g.height});
        } else if (e.kind == "anim") {
            out.data = encodeAnimSet(parseAnimSource(textOf(raw)));
        } else if (e.kind == "text") {
            out.data = encodeTextTable(parseTextSource(textOf(raw)));
        } else if (e.kind == "midi") {
            out.data = encodeMidi(melodyToMidi(parseNotesSource(textOf(raw))));
        }
    } catch (const ContentError& err) {
        const std::string message = err.what();
        // readFile names the file itself.
        if (message.rfind(out.source, 0) == 0) throw;
        throw ContentError(out.source + ": " + message);
    }
    return out;
}

// A graphic-object set loads its sheet from the same pack and cuts every
// picture out of it: the sheet has to be an image that holds them all.
void checkSheet(const Manifest& m, const ManifestEntry& e, const BuiltEntry& b,
                const std::vector<BuiltEntry>& all) {
    const std::string at = b.source + ": ";
    // The loader builds the sheet's id in 16 bits from the set's own id.
    if (!m.stored && m.number >= 64) {
        failManifest(m.path, e.line,
                     "a " + e.kind + " entry in pack " + std::to_string(m.number) +
                         " cannot reach its sheet: sets find their sheet only in packs below 64");
    }
    if (b.sheetEntry >= static_cast<int>(all.size())) {
        throw ContentError(at + "sheet entry " + std::to_string(b.sheetEntry) +
                           " is not in the pack (" + std::to_string(all.size()) + " entries)");
    }
    const BuiltEntry& sheet = all[static_cast<size_t>(b.sheetEntry)];
    if (sheet.kind == "raw") return;  // bytes the builder does not look into
    if (!sheet.image) {
        throw ContentError(at + "sheet entry " + std::to_string(b.sheetEntry) + " is a " +
                           sheet.kind + " entry, not an image");
    }
    for (size_t i = 0; i < b.sheetRects.size(); ++i) {
        const auto& r = b.sheetRects[i];
        if (r[0] + r[2] > sheet.image->width || r[1] + r[3] > sheet.image->height) {
            throw ContentError(
                at + (e.kind == "font" ? "glyph " : "graphic object ") + std::to_string(i) + " (" +
                std::to_string(r[0]) + "," + std::to_string(r[1]) + " " + std::to_string(r[2]) +
                "x" + std::to_string(r[3]) + ") reaches beyond the " +
                std::to_string(sheet.image->width) + "x" + std::to_string(sheet.image->height) +
                " sheet image (entry " + std::to_string(b.sheetEntry) + ")");
        }
    }
}

}  // namespace

Manifest parseManifest(const fs::path& path, std::string_view text) {
    Manifest m;
    m.path = path;
    int packLine = 0, layoutLine = 0;
    try {
        for (const SourceLine& line : splitSource(text)) {
            const std::string& k = line.keyword();
            if (k == "pack" || k == "store") {
                line.expectSize(2, (k + " NUMBER").c_str());
                if (packLine)
                    line.fail("the pack is already given on line " + std::to_string(packLine));
                packLine = line.number();
                m.stored = k == "store";
                m.number = line.integer(1, k == "pack" ? "pack number" : "record-store id");
                if (!m.stored && (m.number < 1 || m.number > kMaxPackNumber)) {
                    line.fail(
                        "pack number is " + std::to_string(m.number) + ", limit 1 to " +
                        std::to_string(kMaxPackNumber) +
                        " (pack 0 is never a file: use 'store' for a pack loaded from saved data)");
                }
            } else if (k == "sizes") {
                line.expectSize(2, "sizes 2|4");
                const int sizes = line.integer(1, "size width");
                if (sizes != 2 && sizes != 4)
                    line.fail("sizes is " + std::to_string(sizes) + ", limit 2 or 4");
                m.sizes = sizes;
            } else if (k == "layout") {
                const std::string& kind = line.token(1, "split or directory");
                if (kind == "split") {
                    if (line.size() > 3) line.expectSize(3, "layout split [PARTS]");
                    m.layout = ChunkedLayout::Split;
                    if (line.size() == 3) m.splitParts = line.integer(2, "number of parts");
                } else if (kind == "directory") {
                    line.expectSize(2, "layout directory");
                    m.layout = ChunkedLayout::Directory;
                } else {
                    line.fail("unknown layout '" + kind + "' (split, directory)");
                }
                layoutLine = line.number();
            } else if (kKinds.count(k)) {
                m.entries.push_back(parseEntry(line));
            } else {
                line.fail(
                    "unknown keyword '" + k +
                    "' (pack, store, sizes, layout, png, gobs, font, anim, text, tone, midi, raw)");
            }
        }
    } catch (const ContentError& e) {
        throw ContentError(path.string() + ": " + e.what());
    }
    if (!packLine) throw ContentError(path.string() + ": no 'pack' or 'store' line");
    const bool chunked = !m.stored && isChunkedPack(m.number);
    if (m.layout && !chunked) {
        failManifest(
            path, layoutLine,
            "'layout' is for chunked packs (1 to 19 and 21); " +
                std::string(m.stored ? "a stored pack" : "pack " + std::to_string(m.number)) +
                " is plain");
    }
    const bool directory = chunked && m.layout == ChunkedLayout::Directory;
    for (const ManifestEntry& e : m.entries) {
        if ((e.part || e.fileType) && !directory) {
            failManifest(path, e.line,
                         "'part' and 'file-type' are for packs with 'layout directory'");
        }
        if (!e.extension.empty() && chunked) {
            failManifest(
                path, e.line,
                "'extension' is for plain packs; pack " + std::to_string(m.number) + " is chunked");
        }
    }
    return m;
}

BuiltPack buildManifest(const Manifest& m) {
    if (m.entries.size() > static_cast<size_t>(kMaxEntries)) {
        throw ContentError(m.path.string() + ": " + std::to_string(m.entries.size()) +
                           " entries, limit " + std::to_string(kMaxEntries) +
                           " (resource ids address entries 0 to 1023)");
    }
    std::vector<BuiltEntry> built;
    for (const ManifestEntry& e : m.entries) built.push_back(buildEntry(m, e));
    for (size_t i = 0; i < built.size(); ++i) {
        if (built[i].sheetEntry >= 0) checkSheet(m, m.entries[i], built[i], built);
    }

    PackContent content;
    content.number = m.stored ? 0 : m.number;
    content.flags = m.sizes == 2 ? kFlagsNarrow : kFlagsWide;
    content.layout = m.layout.value_or(ChunkedLayout::Split);
    content.splitParts = m.splitParts;
    const bool anyExtension =
        std::any_of(m.entries.begin(), m.entries.end(),
                    [](const ManifestEntry& e) { return !e.extension.empty(); });
    for (size_t i = 0; i < m.entries.size(); ++i) {
        const ManifestEntry& e = m.entries[i];
        content.entries.push_back(
            {std::move(built[i].data), static_cast<int8_t>(e.type.value_or(defaultType(e.kind)))});
        content.placements.push_back({static_cast<int8_t>(e.fileType.value_or(defaultType(e.kind))),
                                      e.part.value_or(static_cast<int>(i + 1))});
        if (anyExtension) {
            content.extensions.push_back(
                e.extension.empty() ? Bytes{} : readFile(m.path.parent_path() / e.extension));
        }
    }

    BuiltPack out;
    out.stored = m.stored;
    const std::string count = std::to_string(m.entries.size()) + " entries";
    try {
        if (m.stored) {
            out.label =
                "store " + std::to_string(m.number) + " (plain pack in saved data, " + count + ")";
            out.files = encodeRecordStore(m.number, buildPlainPackBytes(content));
        } else {
            out.files = buildPack(content);
            if (!isChunkedPack(m.number)) {
                out.label = "pack " + std::to_string(m.number) + " (plain, " + count + ")";
            } else if (content.layout == ChunkedLayout::Split) {
                out.label = "pack " + std::to_string(m.number) + " (chunked, split over " +
                            std::to_string(content.splitParts) + " part file(s), " + count + ")";
            } else {
                out.label = "pack " + std::to_string(m.number) + " (chunked, directory over " +
                            std::to_string(out.files.size() - 1) + " part file(s), " + count + ")";
            }
        }
    } catch (const ContentError& e) {
        throw ContentError(m.path.string() + ": " + e.what());
    }
    return out;
}

}  // namespace rpack
