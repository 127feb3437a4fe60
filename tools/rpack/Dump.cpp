#include "Dump.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "AnimSet.h"
#include "Audio.h"
#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "TextTable.h"

namespace rpack {

namespace fs = std::filesystem;

namespace {

std::string format(const char* fmt, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::optional<Bytes> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    return Bytes(text.begin(), text.end());
}

std::string quoted(const std::u16string& text) {
    std::u16string escaped;
    for (char16_t c : text) {
        if (c == u'\n') {
            escaped += u"\\n";
        } else if (c == u'\t') {
            escaped += u"\\t";
        } else if (c == u'\\' || c == u'"') {
            escaped += u'\\';
            escaped += c;
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) {
            escaped += utf8ToUtf16(format("\\u%04X", static_cast<unsigned>(c)));
        } else {
            escaped += c;
        }
    }
    return "\"" + utf16ToUtf8(escaped) + "\"";
}

std::string codeText(uint16_t code) {
    std::string s = format("U+%04X", code);
    if (code > 0x20 && code != 0x7F && (code < 0xD800 || code > 0xDFFF)) {
        s += " '" + utf16ToUtf8(std::u16string(1, static_cast<char16_t>(code))) + "'";
    }
    return s;
}

void describePng(const Bytes& data, const std::string& ind, std::string& out) {
    const DecodedPng png = decodePng(data);
    out += format("PNG image %dx%d, bit depth %d, colour type %d", png.width, png.height,
                  png.bitDepth, png.colourType);
    out += ", chunks";
    for (const PngChunkInfo& c : png.chunks) out += " " + c.type;
    out += "\n";
    if (png.chunks.size() < 2 || png.chunks[1].type != "PLTE") {
        out += ind + "problem: PLTE does not follow IHDR; palette replacement will not find it\n";
    }
    if (!png.indexed8) return;
    const IndexedImage& img = png.image;
    for (size_t i = 0; i < img.palette.size(); ++i) {
        const PaletteColour& c = img.palette[i];
        out += ind + format("colour %zu: %02X%02X%02X alpha %d\n", i, c.r, c.g, c.b, c.a);
    }
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    if (img.palette.size() <= 36 && img.width <= 80 && img.height <= 80) {
        out += ind + "pixels (colour numbers):\n";
        for (int y = 0; y < img.height; ++y) {
            out += ind + "  ";
            for (int x = 0; x < img.width; ++x) {
                out += kDigits[img.pixels[static_cast<size_t>(y * img.width + x)]];
            }
            out += "\n";
        }
    }
}

void describeWav(const Bytes& data, const std::string&, std::string& out) {
    const Wav wav = decodeWav(data);
    const size_t frames =
        wav.samples.size() / static_cast<size_t>(wav.channels * wav.bitsPerSample / 8);
    out += format("WAV clip: PCM, %d channel(s), %d Hz, %d-bit, %zu sample frames, %lld ms\n",
                  wav.channels, wav.sampleRate, wav.bitsPerSample, frames,
                  static_cast<long long>(frames * 1000 / static_cast<size_t>(wav.sampleRate)));
}

void describeMidi(const Bytes& data, const std::string& ind, std::string& out) {
    const MidiFile midi = decodeMidi(data);
    out += format(
        "MIDI file: one track, %u ticks per quarter note, %zu events, end of track after %u "
        "ticks\n",
        midi.division, midi.events.size(), midi.endDelta);
    for (const MidiEvent& e : midi.events) {
        out += ind + format("+%u %02X %d %d\n", e.delta, e.status, e.data1, e.data2);
    }
}

void describeText(const std::vector<std::u16string>& texts, const std::string& ind,
                  std::string& out) {
    out += format("text table: %zu texts\n", texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        out += ind + format("[%zu] ", i) + quoted(texts[i]) + "\n";
}

void describeGobs(const DecodedGobSet& d, const std::string& ind, std::string& out) {
    if (const auto font = glyphSetFromGobs(d.set)) {
        const FontHeader& h = font->header;
        out += format("glyph set (stored form): sheet entry %d, %zu glyphs\n", font->sheetEntry,
                      font->glyphs.size());
        out +=
            ind + format("height %d, baseline %d, missing advance %d, line step %d, aux %d, %s\n",
                         h.lineHeight, h.baseline, h.missingAdvance, h.lineStep, h.aux,
                         h.advanceAligned ? "aligned by advances" : "aligned by ink");
        for (const Glyph& g : font->glyphs) {
            out += ind + "glyph " + codeText(g.code) +
                   format(": sheet %d,%d %dx%d offset %d,%d advance %d", g.x, g.y, g.width,
                          g.height, g.offsetX, g.offsetY, g.advance);
            out += g.hint ? format(" hint %d\n", g.hint) : "\n";
        }
        return;
    }
    out += format(
        "graphic-object set: sheet entry %d, %zu objects, layout 0x%04X, count word 0x%04X\n",
        d.set.sheetEntry, d.set.gobs.size(), d.layout, d.countWord);
    out += ind + "field widths:";
    for (int w : d.fieldWidth) out += format(" %d", w);
    out += "\n";
    for (size_t i = 0; i < d.set.gobs.size(); ++i) {
        const Gob& g = d.set.gobs[i];
        out += ind + format("gob %zu: sheet %d,%d %dx%d offset %d,%d", i, g.x, g.y, g.width,
                            g.height, g.offsetX, g.offsetY);
        if (g.boxWidth || g.boxHeight || g.boxX || g.boxY) {
            out += format(" box %d,%d %dx%d%s", g.boxX, g.boxY, g.boxWidth, g.boxHeight,
                          g.roundBox ? " round" : "");
        }
        out += g.hint ? format(" hint %d\n", g.hint) : "\n";
    }
}

void describeAnim(const AnimSet& set, const std::string& ind, std::string& out) {
    out += format("animation set: leading byte %d, %zu animations, %zu frames, %zu durations\n",
                  set.leading, set.animations.size(), set.frames.size(), set.durations.size());
    out += ind + "durations:";
    for (int d : set.durations) out += format(" %d", d);
    out += "\n";
    for (size_t f = 0; f < set.frames.size(); ++f) {
        const AnimFrame& fr = set.frames[f];
        out += ind +
               format("frame %zu: %zu pieces, %zu boxes\n", f, fr.pieces.size(), fr.boxes.size());
        for (const AnimPiece& p : fr.pieces) {
            out += ind + format("  piece gob %d at %d,%d flip %d\n", p.gob, p.dx, p.dy, p.flip);
        }
        for (const AnimBox& b : fr.boxes) {
            out += ind + format("  box %d,%d %dx%d type %d %s\n", b.x, b.y, b.width, b.height,
                                b.type, b.circle ? "circle" : "rectangle");
        }
    }
    for (size_t a = 0; a < set.animations.size(); ++a) {
        const Animation& an = set.animations[a];
        out +=
            ind + format("animation %zu: loop %d, %zu steps\n", a, an.loopCount, an.steps.size());
        for (const AnimStep& s : an.steps) {
            out += ind + format("  step frame %d at %d,%d duration %d level %d interpolate %d\n",
                                s.frame, s.dx, s.dy, s.durationIndex, s.level, s.interpolation);
        }
    }
}

// Tries one strict decoder; false when the bytes are not of its kind.
template <typename Decode>
bool attempt(Decode decode) {
    try {
        decode();
        return true;
    } catch (const FormatError&) {
        return false;
    }
}

struct PlainIndex {
    uint8_t flags = 0;
    std::vector<uint32_t> sizes;
    std::vector<int8_t> types;
};

PlainIndex readIndex(ByteReader& r) {
    PlainIndex index;
    index.flags = r.u8();
    const size_t n = r.u16();
    const size_t w = (index.flags & 1) ? 4 : 2;
    if (n * (w + 1) > r.remaining())
        throw FormatError(format("index of %zu entries runs past the end", n));
    for (size_t i = 0; i < n; ++i) index.sizes.push_back(w == 4 ? r.u32() : r.u16());
    for (size_t i = 0; i < n; ++i) index.types.push_back(r.s8());
    return index;
}

std::string flagsText(uint8_t flags) {
    return format("flags 0x%02X (%d-byte sizes)", flags, (flags & 1) ? 4 : 2);
}

std::string idLabel(std::optional<int> pack, size_t entry) {
    if (!pack) return format("entry %zu", entry);
    const int id = *pack << 10 | static_cast<int>(entry);
    return format("entry %zu (id %d, 0x%X)", entry, id, static_cast<unsigned>(id));
}

void listEntry(std::ostream& out, const std::string& label, const Bytes* data,
               const std::string& where) {
    out << "  " << label << where << "\n";
    if (data) out << "    " << describeEntry(*data, "      ");
}

// Entries out of a data block held in memory (plain packs and split maps).
void listBlockEntries(std::ostream& out, const PlainIndex& index, const Bytes& block,
                      std::optional<int> pack) {
    uint64_t at = 0;
    for (size_t i = 0; i < index.sizes.size(); ++i) {
        const std::string head =
            idLabel(pack, i) + format(": %u bytes, type %d, offset %llu", index.sizes[i],
                                      index.types[i], static_cast<unsigned long long>(at));
        if (at + index.sizes[i] > block.size()) {
            out << "  " << head << "\n    problem: runs past the " << block.size()
                << "-byte data block\n";
        } else {
            const Bytes data(block.begin() + static_cast<std::ptrdiff_t>(at),
                             block.begin() + static_cast<std::ptrdiff_t>(at + index.sizes[i]));
            listEntry(out, head, &data, "");
        }
        at += index.sizes[i];
    }
}

void dumpPlain(const std::string& name, const Bytes& bytes, std::optional<int> pack,
               std::ostream& out) {
    ByteReader r(bytes);
    const PlainIndex index = readIndex(r);
    const int32_t length = r.s32();
    uint64_t sum = 0;
    for (uint32_t s : index.sizes) sum += s;
    out << name << ": plain pack, " << bytes.size() << " bytes\n";
    out << "  " << flagsText(index.flags) << ", " << index.sizes.size() << " entries\n";
    out << "  data length " << length << " (sum of the sizes " << sum << ")\n";
    if (length < 0 || static_cast<uint64_t>(length) > r.remaining()) {
        out << "  problem: the data length is larger than the " << r.remaining()
            << " bytes that follow\n";
    }
    const size_t blockSize = std::min(r.remaining(), static_cast<size_t>(std::max(length, 0)));
    const Bytes block = r.take(blockSize);
    listBlockEntries(out, index, block, pack);
    if (r.atEnd()) return;
    // An extension table may follow the data block.
    const size_t n = index.sizes.size();
    std::vector<size_t> ext;
    size_t extTotal = 0;
    if (r.remaining() >= 2 * n) {
        ByteReader e(r.here(), r.remaining());
        for (size_t i = 0; i < n; ++i) {
            ext.push_back(e.u16());
            extTotal += ext.back();
        }
        if (2 * n + extTotal == r.remaining()) {
            out << "  extension table: " << n << " sizes, " << extTotal << " bytes\n";
            for (size_t i = 0; i < n; ++i) {
                const Bytes x = e.take(ext[i]);
                out << "    entry " << i << ": " << x.size() << " bytes"
                    << (x.empty() ? "" : ": " + hex(x)) << "\n";
            }
            return;
        }
    }
    out << "  " << r.remaining() << " bytes after the data block (not an extension table)\n";
}

std::optional<int> numberIn(const std::string& name, const std::regex& pattern) {
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) return std::nullopt;
    try {
        return std::stoi(m[1].str());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void dumpChunked(const fs::path& path, const Bytes& bytes, std::ostream& out) {
    const std::string name = path.filename().string();
    const std::optional<int> pack = numberIn(name, std::regex(R"(RP(\d+)part0\.rp)"));
    ByteReader r(bytes);
    const uint32_t marker = r.u32();
    const uint16_t version = r.u16();
    const uint16_t count = r.u16();
    out << name << ": chunked pack main file, " << bytes.size() << " bytes\n";
    if (marker != kMarker) {
        out << "  problem: wrong marker " << chunkName(marker) << " (the readers report '"
            << idText(marker) << "' where they expect '" << idText(kMarker) << "')\n";
        return;
    }
    out << "  marker " << chunkName(marker) << ", version " << version << ", " << count
        << " chunks\n";
    if (version != kVersion) out << "  problem: the readers take only version " << kVersion << "\n";
    if (pack && !isChunkedPack(*pack)) {
        out << "  problem: pack " << *pack << " is a plain pack; the readers open RP" << *pack
            << ".rp\n";
    }

    std::vector<Chunk> chunks;
    std::set<uint32_t> seen;
    for (uint16_t i = 0; i < count; ++i) {
        const size_t at = r.pos();
        if (r.remaining() < 12) {
            out << "  problem: the file ends at byte " << bytes.size() << " before chunk " << i
                << "\n";
            break;
        }
        Chunk c;
        c.id = r.u32();
        const int32_t length = r.s32();
        c.info = r.s32();
        out << "  chunk " << i << " at byte " << at << ": " << chunkName(c.id) << ", payload "
            << length << " bytes, info " << c.info << "\n";
        if (length < 0 || static_cast<size_t>(length) > r.remaining()) {
            out << "  problem: the payload length is larger than the " << r.remaining()
                << " bytes that follow\n";
            break;
        }
        c.payload = r.take(static_cast<size_t>(length));
        if (c.id != kChunkIndex && c.id != kChunkSplitMap && c.id != kChunkDirectory) {
            out << "  problem: unknown chunk id (the readers report '" << idText(c.id)
                << "' and refuse the file)\n";
        } else if (!seen.insert(c.id).second) {
            out << "  problem: a second " << chunkName(c.id)
                << " chunk; the readers use the first\n";
        }
        chunks.push_back(std::move(c));
    }
    if (!r.atEnd()) out << "  " << r.remaining() << " bytes after the last chunk (not read)\n";

    auto first = [&](uint32_t id) -> const Chunk* {
        for (const Chunk& c : chunks) {
            if (c.id == id) return &c;
        }
        return nullptr;
    };
    const Chunk* indexChunk = first(kChunkIndex);
    if (!indexChunk) {
        out << "  problem: no RPHe chunk (the readers report 'Missing RP chunk '"
            << idText(kChunkIndex) << "'')\n";
        return;
    }
    PlainIndex index;
    try {
        ByteReader ir(indexChunk->payload);
        index = readIndex(ir);
    } catch (const FormatError& e) {
        out << "  problem: index chunk: " << e.what() << "\n";
        return;
    }
    out << "  index: " << flagsText(index.flags) << ", " << index.sizes.size() << " entries\n";
    if (!pack) out << "  (the file name gives no pack number: part files are not looked for)\n";
    const fs::path dir = path.parent_path();

    if (const Chunk* dirChunk = first(kChunkDirectory)) {
        ByteReader d(dirChunk->payload);
        int32_t headerValue = 0, files = 0;
        try {
            headerValue = d.s32();
            files = d.s32();
        } catch (const FormatError& e) {
            out << "  problem: directory chunk: " << e.what() << "\n";
            return;
        }
        out << "  directory: header value " << headerValue << ", " << files << " entries\n";
        if (first(kChunkSplitMap)) out << "  (a split map is present too; the directory wins)\n";
        std::vector<DirectoryEntry> entries;
        for (int32_t i = 0; i < files; ++i) {
            if (d.remaining() < 12) {
                out << "  problem: the directory ends after " << i << " of " << files
                    << " entries\n";
                break;
            }
            DirectoryEntry e;
            e.fileType = d.s8();
            e.reserved = d.u8();
            e.part = d.u16();
            e.offset = d.s32();
            e.value = d.s32();
            entries.push_back(e);
        }
        for (size_t i = 0; i < index.sizes.size(); ++i) {
            const std::string head =
                idLabel(pack, i) + format(": %u bytes, type %d", index.sizes[i], index.types[i]);
            if (i >= entries.size()) {
                out << "  " << head << "\n    problem: no directory entry\n";
                continue;
            }
            const DirectoryEntry& e = entries[i];
            const std::string file =
                packFileName(pack.value_or(0), e.part, fileTypeExtension(e.fileType));
            const std::string where =
                format(", file type %d, part %u, offset %d, value %d: ", e.fileType, e.part,
                       e.offset, e.value) +
                file;
            if (!pack) {
                listEntry(out, head, nullptr, where);
                continue;
            }
            const std::optional<Bytes> content = readBytes(dir / file);
            if (!content) {
                out << "  " << head << where << "\n    problem: " << file << " is missing\n";
            } else if (e.offset < 0 ||
                       static_cast<uint64_t>(e.offset) + index.sizes[i] > content->size()) {
                out << "  " << head << where << "\n    problem: " << file << " holds "
                    << content->size() << " bytes\n";
            } else {
                const Bytes data(content->begin() + e.offset,
                                 content->begin() + e.offset + index.sizes[i]);
                listEntry(out, head, &data, where);
            }
        }
        return;
    }

    const Chunk* mapChunk = first(kChunkSplitMap);
    if (!mapChunk) {
        out << "  problem: neither VFSO nor FSLM (the readers report 'Missing RP chunk '"
            << idText(kChunkSplitMap) << "'')\n";
        return;
    }
    ByteReader m(mapChunk->payload);
    int32_t total = 0, parts = 0;
    std::vector<int32_t> lengths;
    try {
        total = m.s32();
        parts = m.s32();
        for (int32_t i = 0; i < parts && i < 65536; ++i) lengths.push_back(m.s32());
    } catch (const FormatError& e) {
        out << "  problem: split map: " << e.what() << "\n";
        return;
    }
    int64_t sum = 0;
    for (int32_t len : lengths) sum += len;
    out << "  split map: total " << total << " bytes over " << parts << " part files (sum " << sum
        << ")\n";
    if (sum > total) out << "  problem: the parts do not fit into the total\n";
    if (!pack) return;
    // The readers fill a block of T bytes with the parts; its tail stays zero.
    Bytes block;
    bool complete = sum <= total;
    for (size_t i = 0; i < lengths.size(); ++i) {
        const std::string file = packFileName(*pack, static_cast<int>(i + 1));
        const std::optional<Bytes> content = readBytes(dir / file);
        out << "    part " << i + 1 << ": " << file << ", " << lengths[i] << " bytes";
        if (!content) {
            out << "\n  problem: " << file << " is missing\n";
            complete = false;
        } else if (lengths[i] < 0 || content->size() < static_cast<size_t>(lengths[i])) {
            out << "\n  problem: " << file << " holds " << content->size() << " bytes\n";
            complete = false;
        } else {
            const size_t len = static_cast<size_t>(lengths[i]);
            out << (content->size() > len
                        ? format(" (%zu more in the file, not read)\n", content->size() - len)
                        : "\n");
            block.insert(block.end(), content->begin(),
                         content->begin() + static_cast<std::ptrdiff_t>(len));
        }
    }
    if (!complete) return;
    if (static_cast<uint64_t>(total) - block.size() > (64u << 20)) {
        out << "  problem: a total of " << total << " bytes is far beyond the parts\n";
        return;
    }
    block.resize(static_cast<size_t>(total), 0);
    listBlockEntries(out, index, block, pack);
}

void dumpStore(const fs::path& folder, std::ostream& out) {
    const std::optional<Bytes> meta = readBytes(folder / "metadata.info");
    if (!meta || meta->size() != 20) {
        throw FormatError(folder.string() +
                          ": not a record-store folder (no 20-byte metadata.info)");
    }
    ByteReader r(*meta);
    const uint32_t lastModified = r.u32le(), version = r.u32le(), nextId = r.u32le(),
                   totalBytes = r.u32le(), count = r.u32le();
    out << folder.filename().string() << ": record store, " << count << " records, " << totalBytes
        << " bytes, next id " << nextId << ", version " << version << ", last modified "
        << lastModified << "\n";
    Bytes data;
    for (uint32_t k = 1; k <= count && k <= 65536; ++k) {
        const std::string file = "record-" + std::to_string(k) + ".bin";
        const std::optional<Bytes> record = readBytes(folder / file);
        if (!record) {
            out << "  problem: " << file << " is missing\n";
            return;
        }
        out << "  " << file << ": " << record->size() << " bytes\n";
        data.insert(data.end(), record->begin(), record->end());
    }
    if (data.size() != totalBytes)
        out << "  problem: the records hold " << data.size() << " bytes\n";
    try {
        dumpPlain("records, read back to back (pack 0)", data, 0, out);
    } catch (const FormatError& e) {
        out << "  problem: the records hold no plain pack: " << e.what() << "\n";
    }
}

}  // namespace

std::string describeEntry(const Bytes& data, const std::string& ind) {
    std::string out;
    const std::pair<bool (*)(const Bytes&),
                    void (*)(const Bytes&, const std::string&, std::string&)>
        magic[] = {{looksLikePng, describePng},
                   {looksLikeWav, describeWav},
                   {looksLikeMidi, describeMidi}};
    const char* names[] = {"PNG image", "WAV clip", "MIDI file"};
    for (size_t i = 0; i < 3; ++i) {
        if (!magic[i].first(data)) continue;
        try {
            magic[i].second(data, ind, out);
        } catch (const FormatError& e) {
            out = std::string(names[i]) + ", malformed: " + e.what() + "\n";
        }
        return out;
    }
    std::vector<std::u16string> texts;
    if (attempt([&] { texts = decodeTextTable(data); })) {
        describeText(texts, ind, out);
        return out;
    }
    DecodedGobSet gobs;
    if (attempt([&] { gobs = decodeGobSet(data); })) {
        describeGobs(gobs, ind, out);
        return out;
    }
    AnimSet anim;
    if (attempt([&] { anim = decodeAnimSet(data); })) {
        describeAnim(anim, ind, out);
        return out;
    }
    out += format("raw bytes, %zu", data.size());
    if (!data.empty()) out += ": " + hex(data.data(), std::min<size_t>(data.size(), 32));
    out += data.size() > 32 ? " ...\n" : "\n";
    return out;
}

void dumpPath(const fs::path& path, std::ostream& out) {
    if (fs::is_directory(path)) {
        dumpStore(path, out);
        return;
    }
    if (path.filename() == "metadata.info") {
        dumpStore(path.parent_path(), out);
        return;
    }
    const std::optional<Bytes> bytes = readBytes(path);
    if (!bytes) throw std::runtime_error(path.string() + ": cannot be read");
    const std::string name = path.filename().string();
    const bool marked = bytes->size() >= 4 && ByteReader(*bytes).u32() == kMarker;
    if (marked || numberIn(name, std::regex(R"(RP(\d+)part0\.rp)"))) {
        if (bytes->size() < 8) {
            out << name << ": chunked pack main file, " << bytes->size() << " bytes\n"
                << "  problem: the file ends inside the header\n";
            return;
        }
        dumpChunked(path, *bytes, out);
        return;
    }
    const std::optional<int> plainNumber = numberIn(name, std::regex(R"(RP(\d+)\.rp)"));
    // A plain pack by its name, or by bytes whose index and data length agree exactly.
    bool plain = plainNumber.has_value();
    if (!plain) {
        plain = attempt([&] {
            ByteReader r(*bytes);
            const PlainIndex index = readIndex(r);
            uint64_t sum = 0;
            for (uint32_t s : index.sizes) sum += s;
            if (r.s32() != static_cast<int32_t>(sum) || sum > r.remaining()) throw FormatError("");
        });
    }
    if (plain) {
        try {
            dumpPlain(name, *bytes, plainNumber, out);
        } catch (const FormatError& e) {
            out << name << ": plain pack, " << bytes->size() << " bytes\n  problem: " << e.what()
                << "\n";
        }
        return;
    }
    // A split part file, or a directory part file that holds one or more entries.
    const bool part = numberIn(name, std::regex(R"(RP(\d+)part[1-9]\d*\..*)")).has_value();
    out << name << ": " << (part ? "part file, " : "") << bytes->size() << " bytes, ";
    out << describeEntry(*bytes, "  ");
}

}  // namespace rpack
