#include "Desc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "Audio.h"
#include "Png.h"
#include "Paint.h"
#include "Picture.h"

namespace fs = std::filesystem;

namespace contentgen {
namespace {

// --- reading ------------------------------------------------------------------------

struct RawLine {
    std::string file;
    int number = 0;
    std::string text;
};

struct Line {
    std::string where;
    std::vector<std::string> words;
    [[noreturn]] void fail(const std::string& m) const { throw std::runtime_error(where + ": " + m); }
    const std::string& word(size_t i) const {
        if (i >= words.size()) fail("'" + words[0] + "' needs more words");
        return words[i];
    }
    int number(size_t i) const {
        const std::string& w = word(i);
        try {
            size_t used = 0;
            int v = std::stoi(w, &used);
            if (used != w.size()) throw 0;
            return v;
        } catch (...) {
            fail("'" + w + "' is no number");
        }
    }
};

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<RawLine> readLines(const fs::path& p) {
    std::vector<RawLine> out;
    std::stringstream ss(readText(p));
    int n = 0;
    for (std::string l; std::getline(ss, l);) {
        ++n;
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back({p.filename().string(), n, l});
    }
    return out;
}

std::vector<std::string> splitWords(const std::string& s, const std::string& where) {
    std::vector<std::string> out;
    std::string cur;
    bool any = false, quoted = false;
    for (char c : s) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (quoted) throw std::runtime_error(where + ": a quote is not closed");
    if (any) out.push_back(cur);
    return out;
}

using Vars = std::map<std::string, std::string>;

// Integer expressions inside {..}.
class Expr {
public:
    Expr(const std::string& s, const std::string& where) : s_(s), where_(where) {}
    long value() {
        long v = sum();
        skip();
        if (i_ != s_.size()) fail();
        return v;
    }

private:
    [[noreturn]] void fail() { throw std::runtime_error(where_ + ": cannot compute {" + s_ + "}"); }
    void skip() {
        while (i_ < s_.size() && s_[i_] == ' ') ++i_;
    }
    long sum() {
        long v = product();
        for (;;) {
            skip();
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) {
                char op = s_[i_++];
                long r = product();
                v = op == '+' ? v + r : v - r;
            } else {
                return v;
            }
        }
    }
    long product() {
        long v = unary();
        for (;;) {
            skip();
            if (i_ < s_.size() && (s_[i_] == '*' || s_[i_] == '/' || s_[i_] == '%')) {
                char op = s_[i_++];
                long r = unary();
                if (op != '*' && r == 0) fail();
                v = op == '*' ? v * r : op == '/' ? v / r : v % r;
            } else {
                return v;
            }
        }
    }
    long unary() {
        skip();
        if (i_ < s_.size() && s_[i_] == '-') {
            ++i_;
            return -unary();
        }
        if (i_ < s_.size() && s_[i_] == '(') {
            ++i_;
            long v = sum();
            skip();
            if (i_ >= s_.size() || s_[i_] != ')') fail();
            ++i_;
            return v;
        }
        size_t start = i_;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        if (start == i_) fail();
        return std::stol(s_.substr(start, i_ - start));
    }
    std::string s_;
    std::string where_;
    size_t i_ = 0;
};

std::string substitute(const std::string& text, const Vars& vars, const std::string& where) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '$') {
            size_t j = i + 1;
            while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
            std::string name = text.substr(i + 1, j - i - 1);
            auto it = vars.find(name);
            if (name.empty() || it == vars.end())
                throw std::runtime_error(where + ": no variable '$" + name + "'");
            out += it->second;
            i = j;
        } else {
            out += text[i++];
        }
    }
    std::string done;
    for (size_t i = 0; i < out.size();) {
        if (out[i] == '{') {
            size_t j = out.find('}', i);
            if (j == std::string::npos) throw std::runtime_error(where + ": '{' is not closed");
            done += std::to_string(Expr(out.substr(i + 1, j - i - 1), where).value());
            i = j + 1;
        } else {
            done += out[i++];
        }
    }
    return done;
}

class Expander {
public:
    explicit Expander(fs::path contentDir) : dir_(std::move(contentDir)) {}

    void file(const fs::path& p, const Vars& vars, std::vector<Line>& out, int depth = 0) {
        if (depth > 8) throw std::runtime_error(p.string() + ": descriptions use each other too deeply");
        std::vector<RawLine> lines = readLines(p);
        Vars own = vars;
        run(lines, 0, lines.size(), own, out, depth);
    }

private:
    static std::string firstWord(const std::string& s) {
        std::stringstream ss(s);
        std::string w;
        ss >> w;
        return w;
    }

    // A 'when' block shares its variables with the lines around it; a
    // 'repeat' block and a used file have their own.
    void run(const std::vector<RawLine>& lines, size_t begin, size_t end, Vars& vars,
             std::vector<Line>& out, int depth) {
        for (size_t i = begin; i < end; ++i) {
            const RawLine& raw = lines[i];
            std::string where = raw.file + ":" + std::to_string(raw.number);
            std::string first = firstWord(raw.text);
            if (first.empty() || first[0] == '#') continue;
            Line line{where, splitWords(substitute(raw.text, vars, where), where)};
            const std::string& k = line.words[0];
            if (k == "set") {
                std::string value;
                for (size_t w = 2; w < line.words.size(); ++w) value += (w > 2 ? " " : "") + line.words[w];
                vars[line.word(1)] = value;
            } else if (k == "repeat" || k == "when") {
                size_t close = i + 1;
                for (int nest = 1; close < end; ++close) {
                    std::string f = firstWord(lines[close].text);
                    if (f == "repeat" || f == "when") ++nest;
                    if (f == "end" && --nest == 0) break;
                }
                if (close >= end) line.fail("'" + k + "' without 'end'");
                if (k == "when") {
                    // when A B: the lines up to 'end' only when A and B are the same word
                    if (line.words.size() != 3) line.fail("usage: when A B");
                    if (line.words[1] == line.words[2]) run(lines, i + 1, close, vars, out, depth);
                } else {
                    for (int v = line.number(2); v <= line.number(3); ++v) {
                        Vars inner = vars;
                        inner[line.word(1)] = std::to_string(v);
                        run(lines, i + 1, close, inner, out, depth);
                    }
                }
                i = close;
            } else if (k == "end") {
                line.fail("'end' without 'repeat'");
            } else if (k == "use") {
                Vars inner = vars;
                for (size_t w = 2; w < line.words.size(); ++w) {
                    size_t eq = line.words[w].find('=');
                    if (eq == std::string::npos) line.fail("'use' takes NAME=VALUE words");
                    inner[line.words[w].substr(0, eq)] = line.words[w].substr(eq + 1);
                }
                file(dir_ / line.word(1), inner, out, depth + 1);
            } else {
                out.push_back(std::move(line));
            }
        }
    }
    fs::path dir_;
};

// --- the pack's model ----------------------------------------------------------------

struct GobUse {
    std::string picture;
    int dx = 0, dy = 0;
    std::string name;  // what pieces call it: the picture's name unless 'as' gives another
};

struct Piece {
    std::string gob;
    int dx = 0, dy = 0, flip = 0;
    std::string where;
};

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool circle = false;
};

struct FrameDesc {
    std::vector<Piece> pieces;
    std::vector<Box> boxes;
};

struct Step {
    int frame = 0, ms = 0;
    std::string where;
};

struct AnimDesc {
    int loop = -1;
    std::vector<Step> steps;
};

struct Entry {
    std::string kind;  // sheet, gobs, anim, text, tune, glyphs, copy
    std::string where;
    int sheet = -1;              // gobs, glyphs
    std::vector<GobUse> gobs;    // gobs
    int boundGobs = -1;          // anim
    std::vector<FrameDesc> frames;
    std::vector<AnimDesc> anims;
    std::string file;            // text, tune
    std::map<std::string, std::string> args;  // glyphs
    int source = -1;             // copy
};

struct PackDesc {
    int number = 0;
    Palette palette;
    std::map<std::string, PictureRecipe> pictures;
    std::vector<std::string> pictureOrder;
    std::map<int, Entry> entries;
    std::vector<std::string> charFiles;  // glyph sets cover every character of these texts
    std::map<std::string, std::string> aliases;  // Gob names given by 'as', and their pictures
};

std::map<std::string, std::string> keyValues(const Line& line, size_t from) {
    std::map<std::string, std::string> kv;
    for (size_t w = from; w < line.words.size(); ++w) {
        size_t eq = line.words[w].find('=');
        if (eq == std::string::npos) line.fail("'" + line.words[w] + "' is no NAME=VALUE word");
        kv[line.words[w].substr(0, eq)] = line.words[w].substr(eq + 1);
    }
    return kv;
}

Colour parseColour(const Line& line, const std::string& hex, int alpha) {
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        line.fail("'" + hex + "' is no RRGGBB colour");
    unsigned v = unsigned(std::stoul(hex, nullptr, 16));
    return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), uint8_t(alpha)};
}

PackDesc parse(const std::vector<Line>& lines) {
    PackDesc pack;
    Entry* entry = nullptr;
    for (const Line& line : lines) {
        const std::string& k = line.words[0];
        auto newEntry = [&](int e, const std::string& kind) -> Entry& {
            if (e < 0 || e > 1023) line.fail("entry numbers are 0 to 1023");
            if (pack.entries.count(e)) line.fail("entry " + std::to_string(e) + " is described twice");
            Entry& en = pack.entries[e];
            en.kind = kind;
            en.where = line.where;
            entry = &en;
            return en;
        };
        auto need = [&](const char* kind) -> Entry& {
            if (!entry || entry->kind != kind) line.fail("'" + k + "' belongs to a '" + kind + "' entry");
            return *entry;
        };
        if (k == "pack") {
            pack.number = line.number(1);
        } else if (k == "colour") {
            pack.palette.add(line.word(1), parseColour(line, line.word(2),
                                                       line.words.size() > 3 ? line.number(3) : 255));
        } else if (k == "picture") {
            PictureRecipe p;
            p.name = line.word(1);
            p.width = line.number(2);
            p.height = line.number(3);
            p.style = line.word(4);
            p.args = keyValues(line, 5);
            p.where = line.where;
            if (p.width < 1 || p.height < 1) line.fail("a picture is at least 1 by 1");
            if (pack.pictures.count(p.name)) line.fail("picture '" + p.name + "' is described twice");
            pack.pictureOrder.push_back(p.name);
            pack.pictures[p.name] = p;
        } else if (k == "sheet") {
            newEntry(line.number(1), "sheet");
        } else if (k == "gobs") {
            Entry& e = newEntry(line.number(1), "gobs");
            if (line.words.size() < 4 || line.word(2) != "sheet") line.fail("usage: gobs ENTRY sheet ENTRY");
            e.sheet = line.number(3);
        } else if (k == "gob") {
            Entry& e = need("gobs");
            GobUse g;
            g.picture = g.name = line.word(1);
            for (size_t w = 2; w < line.words.size();) {
                if (line.word(w) == "offset" && w + 2 < line.words.size()) {
                    g.dx = line.number(w + 1);
                    g.dy = line.number(w + 2);
                    w += 3;
                } else if (line.word(w) == "as" && w + 1 < line.words.size()) {
                    // Another name for a picture placed elsewhere: a piece
                    // offset is short (-512..511), a Gob's offset is not.
                    g.name = line.word(w + 1);
                    if (pack.pictures.count(g.name)) line.fail("'" + g.name + "' is the name of a picture");
                    auto known = pack.aliases.find(g.name);
                    if (known != pack.aliases.end() && known->second != g.picture)
                        line.fail("'" + g.name + "' names another picture already");
                    pack.aliases[g.name] = g.picture;
                    w += 2;
                } else {
                    line.fail("usage: gob PICTURE [offset DX DY] [as NAME]");
                }
            }
            e.gobs.push_back(g);
        } else if (k == "anim") {
            Entry& e = newEntry(line.number(1), "anim");
            if (line.words.size() != 4 || line.word(2) != "gobs") line.fail("usage: anim ENTRY gobs ENTRY");
            e.boundGobs = line.number(3);
        } else if (k == "frame") {
            Entry& e = need("anim");
            if (line.words.size() > 1 && line.number(1) != int(e.frames.size()))
                line.fail("this is frame " + std::to_string(e.frames.size()) + ", not " + line.word(1));
            e.frames.emplace_back();
        } else if (k == "piece" || k == "tile" || k == "border") {
            Entry& e = need("anim");
            if (e.frames.empty()) line.fail("'" + k + "' before the first 'frame'");
            FrameDesc& f = e.frames.back();
            if (k == "piece") {
                Piece p{line.word(1), line.number(2), line.number(3), 0, line.where};
                if (line.words.size() > 4) {
                    if (line.words.size() != 6 || line.word(4) != "flip") line.fail("usage: piece GOB DX DY [flip F]");
                    p.flip = line.number(5);
                }
                f.pieces.push_back(p);
            } else {
                // Sizes come from the pictures, known once every line is read:
                // kept as a piece with a marker and spread out below.
                std::string recipe = k;
                for (size_t w = 1; w < line.words.size(); ++w) recipe += " " + line.words[w];
                f.pieces.push_back({recipe, 0, 0, -1, line.where});
            }
        } else if (k == "box") {
            Entry& e = need("anim");
            if (e.frames.empty()) line.fail("'box' before the first 'frame'");
            Box b;
            if (line.words.size() == 2 && line.word(1) == "-") {
                // a placeholder: keeps the numbering, never collides
            } else {
                b = {line.number(1), line.number(2), line.number(3), line.number(4), false};
                if (line.words.size() > 5) {
                    if (line.words.size() != 6 || line.word(5) != "circle") line.fail("usage: box X Y W H [circle]");
                    b.circle = true;
                }
            }
            e.frames.back().boxes.push_back(b);
        } else if (k == "animation") {
            Entry& e = need("anim");
            AnimDesc a;
            if (line.words.size() > 1) {
                if (line.words.size() != 3 || line.word(1) != "loop") line.fail("usage: animation [loop N]");
                a.loop = line.number(2);
            }
            e.anims.push_back(a);
        } else if (k == "step") {
            Entry& e = need("anim");
            if (e.anims.empty()) line.fail("'step' before the first 'animation'");
            e.anims.back().steps.push_back({line.number(1), line.number(2), line.where});
        } else if (k == "text" || k == "tune") {
            newEntry(line.number(1), k).file = line.word(2);
        } else if (k == "glyphs") {
            Entry& e = newEntry(line.number(1), "glyphs");
            e.args = keyValues(line, 2);
            if (!e.args.count("sheet")) line.fail("a glyph set names its sheet (sheet=ENTRY)");
            e.sheet = std::stoi(e.args["sheet"]);
        } else if (k == "chars") {
            for (size_t w = 1; w < line.words.size(); ++w) pack.charFiles.push_back(line.words[w]);
        } else if (k == "copy") {
            newEntry(line.number(1), "copy").source = line.number(2);
        } else {
            line.fail("unknown word '" + k + "'");
        }
    }
    if (pack.number < 1) throw std::runtime_error("a description names its pack ('pack N')");
    return pack;
}

// --- writing -------------------------------------------------------------------------

const char kKeys[] = ".123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

struct Placed {
    int x = 0, y = 0, w = 0, h = 0;
};

struct Sheet {
    Canvas canvas;
    std::map<std::string, Placed> places;
};

// Shelves, tallest pictures first; the sheet is as wide as the widest
// picture and at least 128.
Sheet packSheet(const std::vector<std::pair<std::string, Canvas>>& pictures) {
    std::vector<size_t> order(pictures.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return pictures[a].second.height() > pictures[b].second.height();
    });
    int width = 128;
    long area = 0;
    for (auto& p : pictures) {
        width = std::max(width, p.second.width());
        area += long(p.second.width()) * p.second.height();
    }
    width = std::max(width, int(std::sqrt(double(area)) * 1.15));
    Sheet sheet;
    int x = 0, y = 0, shelf = 0;
    for (size_t i : order) {
        const Canvas& c = pictures[i].second;
        if (x + c.width() > width) {
            x = 0;
            y += shelf;
            shelf = 0;
        }
        sheet.places[pictures[i].first] = {x, y, c.width(), c.height()};
        x += c.width();
        shelf = std::max(shelf, c.height());
    }
    sheet.canvas = Canvas(width, std::max(1, y + shelf));
    for (auto& p : pictures) {
        const Placed& at = sheet.places[p.first];
        sheet.canvas.blit(p.second, at.x, at.y);
    }
    return sheet;
}

void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string imageSource(const Canvas& c, const std::vector<Colour>& colours) {
    std::ostringstream o;
    char hex[8];
    for (size_t i = 0; i < colours.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02X%02X%02X", colours[i].r, colours[i].g, colours[i].b);
        o << "colour " << kKeys[i] << " " << hex << " " << int(colours[i].a) << "\n";
    }
    o << "pixels\n";
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) o << kKeys[c.at(x, y)];
        o << "\n";
    }
    return o.str();
}

int gobIndex(const Entry& gobs, const std::string& name, const Piece& p) {
    for (size_t i = 0; i < gobs.gobs.size(); ++i)
        if (gobs.gobs[i].name == name) return int(i);
    throw std::runtime_error(p.where + ": '" + name + "' is not in the bound graphic-object set");
}

// tile GOB X Y W H: copies of the Gob cover the rectangle; the last one in a
// row or column is pulled back so that none reaches past it.
// border HGOB VGOB X Y W H: the rectangle's four edges of strips.
std::vector<Piece> spread(const Piece& p, const PackDesc& pack) {
    Line line{p.where, splitWords(p.gob, p.where)};
    auto size = [&](const std::string& gob) {
        auto alias = pack.aliases.find(gob);
        const std::string& name = alias == pack.aliases.end() ? gob : alias->second;
        auto it = pack.pictures.find(name);
        if (it == pack.pictures.end()) line.fail("no picture '" + name + "'");
        return std::pair<int, int>(it->second.width, it->second.height);
    };
    std::vector<Piece> out;
    auto tile = [&](const std::string& g, int x, int y, int w, int h) {
        auto [gw, gh] = size(g);
        if (gw > w || gh > h) line.fail("'" + g + "' is larger than the rectangle it tiles");
        for (int j = 0; j < h; j += gh)
            for (int i = 0; i < w; i += gw)
                out.push_back({g, std::min(x + i, x + w - gw), std::min(y + j, y + h - gh), 0, p.where});
    };
    if (line.words[0] == "tile") {
        if (line.words.size() != 6) line.fail("usage: tile GOB X Y W H");
        tile(line.word(1), line.number(2), line.number(3), line.number(4), line.number(5));
    } else {
        if (line.words.size() != 7) line.fail("usage: border HGOB VGOB X Y W H");
        int x = line.number(3), y = line.number(4), w = line.number(5), h = line.number(6);
        int th = size(line.word(1)).second, tv = size(line.word(2)).first;
        tile(line.word(1), x, y, w, th);
        tile(line.word(1), x, y + h - th, w, th);
        tile(line.word(2), x, y + th, tv, h - 2 * th);
        tile(line.word(2), x + w - tv, y + th, tv, h - 2 * th);
    }
    return out;
}

std::string animSource(const Entry& e, const Entry& gobs, const PackDesc& pack) {
    std::vector<int> durations;
    for (const AnimDesc& a : e.anims)
        for (const Step& s : a.steps)
            if (std::find(durations.begin(), durations.end(), s.ms) == durations.end())
                durations.push_back(s.ms);
    std::ostringstream o;
    o << "durations";
    for (int d : durations) o << " " << d;
    o << "\n";
    for (const FrameDesc& f : e.frames) {
        o << "frame\n";
        for (const Piece& raw : f.pieces) {
            std::vector<Piece> pieces = raw.flip < 0 ? spread(raw, pack) : std::vector<Piece>{raw};
            for (const Piece& p : pieces) {
                o << "piece " << gobIndex(gobs, p.gob, p) << " " << p.dx << " " << p.dy;
                if (p.flip) o << " flip " << p.flip;
                o << "\n";
            }
        }
        // Box number i has type i: scenes ask for a box by either.
        for (size_t b = 0; b < f.boxes.size(); ++b) {
            const Box& x = f.boxes[b];
            o << "box " << x.x << " " << x.y << " " << x.w << " " << x.h << " type " << b
              << (x.circle ? " circle" : "") << "\n";
        }
    }
    for (const AnimDesc& a : e.anims) {
        o << "animation loop " << a.loop << "\n";
        for (const Step& s : a.steps) {
            if (s.frame < 0 || s.frame >= int(e.frames.size()))
                throw std::runtime_error(s.where + ": no frame " + std::to_string(s.frame));
            if (s.ms <= 0) throw std::runtime_error(s.where + ": a step lasts at least 1 ms");
            o << "step " << s.frame << " 0 0 duration "
              << (std::find(durations.begin(), durations.end(), s.ms) - durations.begin()) << "\n";
        }
    }
    return o.str();
}

// --- glyph sets ----------------------------------------------------------------------

std::set<char32_t> coveredChars(const Options& options, const PackDesc& pack) {
    std::set<char32_t> chars;
    for (char32_t c = 0x20; c <= 0x7E; ++c) chars.insert(c);
    for (const std::string& f : pack.charFiles)
        for (char32_t c : decodeUtf8(readText(options.contentDir / f)))
            if (c >= 0x20) chars.insert(c);
    return chars;
}

// One glyph set and its own sheet: the face's glyphs without smoothing, with
// a one-pixel shadow to the lower right so that text reads on any ground.
void glyphSet(const Options& options, const PackDesc& pack, int entry, const Entry& e, Faces& faces,
              const std::string& stem, std::map<int, std::string>& lines) {
    Line where{e.where, {"glyphs"}};
    auto arg = [&](const char* k) {
        auto it = e.args.find(k);
        if (it == e.args.end()) where.fail(std::string("a glyph set needs ") + k + "=");
        return it->second;
    };
    Face& face = arg("face") == "bold" ? *faces.bold : *faces.regular;
    int size = std::stoi(arg("size"));
    Palette palette;
    palette.add("ink", parseColour(where, arg("ink"), 255));
    palette.add("shadow", parseColour(where, arg("shadow"), 255));
    int asc = face.ascender(size), desc = face.descender(size);
    std::vector<std::pair<std::string, Canvas>> pictures;
    std::map<char32_t, Face::Glyph> glyphs;
    pictures.push_back({"blank", Canvas(1, 1)});
    for (char32_t c : coveredChars(options, pack)) {
        Face::Glyph g = face.render(c, size);
        if (!g.present) where.fail("the face has no glyph for U+" + std::to_string(unsigned(c)));
        if (std::find(g.bits.begin(), g.bits.end(), 1) == g.bits.end()) g.width = g.height = 0;
        glyphs[c] = g;
        if (g.width == 0 || g.height == 0) continue;
        Canvas pic(g.width + 1, g.height + 1);
        for (int pass = 0; pass < 2; ++pass)
            for (int y = 0; y < g.height; ++y)
                for (int x = 0; x < g.width; ++x)
                    if (g.bits[size_t(y) * size_t(g.width) + size_t(x)])
                        pic.set(x + 1 - pass, y + 1 - pass, pass == 0 ? 2 : 1);
        pictures.push_back({std::to_string(unsigned(c)), pic});
    }
    Sheet sheet = packSheet(pictures);
    std::ostringstream o;
    int missing = glyphs.count(U'?') ? glyphs[U'?'].advance : size / 2;
    o << "sheet " << e.sheet << "\nheight " << asc + desc << "\nbaseline " << asc
      << "\nmissing-advance " << missing << "\nline-step " << asc + desc << "\nadvance-aligned 1\n";
    char code[16];
    for (auto& [c, g] : glyphs) {
        std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
        std::string name = g.width && g.height ? std::to_string(unsigned(c)) : "blank";
        const Placed& at = sheet.places[name];
        o << "glyph " << code << " " << at.x << " " << at.y << " " << at.w << " " << at.h << " offset "
          << (name == "blank" ? 0 : g.left) << " " << (name == "blank" ? 0 : asc - g.top) << " advance "
          << std::max(1, g.advance) << "\n";
    }
    writeFile(options.outDir / stem / ("font" + std::to_string(entry) + ".font"), o.str());
    writeFile(options.outDir / stem / ("sheet" + std::to_string(e.sheet) + ".img"),
              imageSource(sheet.canvas, palette.colours()));
    lines[entry] = "font " + stem + "/font" + std::to_string(entry) + ".font";
    lines[e.sheet] = "png " + stem + "/sheet" + std::to_string(e.sheet) + ".img";
}

// --- tunes ---------------------------------------------------------------------------

// A tune: "tempo BPM" (eighth notes per minute ×2 = beats), "volume PERCENT",
// then "notes" words NAME:EIGHTHS (C4, F#5, Bb3; "-" rests). Written as an
// 8-bit mono 8 kHz WAV of a soft square wave, each note with a short decay,
// whose length is exactly the sum of its notes, so that a loop keeps time.
rpack::Bytes tune(const fs::path& path) {
    std::vector<Line> lines;
    for (const RawLine& r : readLines(path)) {
        std::string where = r.file + ":" + std::to_string(r.number);
        std::vector<std::string> w = splitWords(r.text, where);
        if (!w.empty() && w[0][0] != '#') lines.push_back({where, w});
    }
    int tempo = 120, volume = 30;
    std::vector<std::pair<double, double>> notes;  // frequency (0 rest), eighths
    for (const Line& l : lines) {
        if (l.words[0] == "tempo") {
            tempo = l.number(1);
        } else if (l.words[0] == "volume") {
            volume = l.number(1);
        } else if (l.words[0] == "notes") {
            for (size_t i = 1; i < l.words.size(); ++i) {
                const std::string& w = l.words[i];
                size_t colon = w.find(':');
                if (colon == std::string::npos) l.fail("'" + w + "' is no NOTE:EIGHTHS");
                std::string n = w.substr(0, colon);
                double len = std::stod(w.substr(colon + 1));
                double f = 0;
                if (n != "-") {
                    static const std::map<char, int> base{{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                                          {'G', 7}, {'A', 9}, {'B', 11}};
                    if (n.size() < 2 || !base.count(n[0])) l.fail("'" + n + "' is no note");
                    int semi = base.at(n[0]);
                    size_t p = 1;
                    if (n[p] == '#') ++semi, ++p;
                    else if (n[p] == 'b') --semi, ++p;
                    int octave = std::stoi(n.substr(p));
                    int midi = 12 * (octave + 1) + semi;
                    f = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
                }
                notes.push_back({f, len});
            }
        } else {
            l.fail("unknown word '" + l.words[0] + "'");
        }
    }
    if (notes.empty()) throw std::runtime_error(path.string() + ": a tune has notes");
    rpack::Wav wav;
    wav.channels = 1;
    wav.sampleRate = 8000;
    wav.bitsPerSample = 8;
    double eighth = 60.0 / tempo / 2;
    for (auto [f, len] : notes) {
        int n = int(std::lround(len * eighth * wav.sampleRate));
        for (int i = 0; i < n; ++i) {
            double t = double(i) / wav.sampleRate;
            double env = std::min(1.0, i / 40.0) * std::exp(-3.0 * t) * std::min(1.0, (n - i) / 80.0);
            double phase = std::fmod(t * f, 1.0);
            double s = f > 0 ? (phase < 0.5 ? 1.0 : -1.0) * env : 0;
            wav.samples.push_back(uint8_t(std::lround(128 + s * 127 * volume / 100)));
        }
    }
    return rpack::encodeWav(wav);
}

void preview(const Options& options, const PackDesc& pack, int n, const Entry& e, const Entry& gobs,
             const std::map<std::string, Canvas>& painted) {
    for (size_t f = 0; f < e.frames.size(); ++f) {
        std::vector<Piece> pieces;
        for (const Piece& raw : e.frames[f].pieces) {
            std::vector<Piece> ps = raw.flip < 0 ? spread(raw, pack) : std::vector<Piece>{raw};
            pieces.insert(pieces.end(), ps.begin(), ps.end());
        }
        // Room for a screen on each side of the anchor, more for a frame
        // that reaches further (the world map).
        int reachX = 260, reachY = 340;
        for (const Piece& p : pieces) {
            const GobUse& g = gobs.gobs[size_t(gobIndex(gobs, p.gob, p))];
            const PictureRecipe& pic = pack.pictures.at(g.picture);
            reachX = std::max({reachX, std::abs(p.dx + g.dx) + 20, std::abs(p.dx + g.dx + pic.width) + 20});
            reachY = std::max({reachY, std::abs(p.dy + g.dy) + 20, std::abs(p.dy + g.dy + pic.height) + 20});
        }
        const int W = 2 * reachX, H = 2 * reachY, ax = W / 2, ay = H / 2;
        Canvas c(W, H);
        c.fill(0, 0, W, H, 16);
        c.fill(ax - 120, ay - 160, 240, 320, 17);
        for (const Piece& p : pieces) {
            const GobUse& g = gobs.gobs[size_t(gobIndex(gobs, p.gob, p))];
            c.blit(painted.at(g.picture), ax + p.dx + g.dx, ay + p.dy + g.dy);
        }
        for (const Box& b : e.frames[f].boxes)
            if (b.w > 0 && b.h > 0) c.outline(ax + b.x, ay + b.y, b.w, b.h, 18, 1);
        c.fill(ax - 1, ay - 1, 3, 3, 18);
        rpack::IndexedImage img;
        img.width = W;
        img.height = H;
        for (const Colour& col : pack.palette.colours()) img.palette.push_back({col.r, col.g, col.b, 255});
        img.palette.resize(16);
        img.palette.push_back({96, 96, 96, 255});
        img.palette.push_back({140, 140, 140, 255});
        img.palette.push_back({255, 0, 0, 255});
        img.pixels.assign(size_t(W) * H, 0);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) img.pixels[size_t(y) * W + size_t(x)] = c.at(x, y);
        rpack::Bytes png = rpack::encodePng(img);
        char name[64];
        std::snprintf(name, sizeof name, "p%d-e%d-f%02zu.png", pack.number, n, f);
        writeFile(options.previewDir / name, std::string(png.begin(), png.end()));
    }
}

}  // namespace

void generatePack(const Options& options, const fs::path& description) {
    std::vector<Line> lines;
    Expander(options.contentDir).file(description, {}, lines);
    PackDesc pack = parse(lines);
    std::string stem = "p" + std::to_string(pack.number);
    Face regular(options.regularFace), bold(options.boldFace);
    Faces faces{&regular, &bold};
    std::map<int, std::string> manifest;

    // The pack's one sheet holds every picture its graphic-object sets name.
    int sheetEntry = -1;
    for (auto& [n, e] : pack.entries)
        if (e.kind == "sheet") {
            if (sheetEntry >= 0) throw std::runtime_error(e.where + ": a pack has one picture sheet");
            sheetEntry = n;
        }
    std::set<std::string> used;
    for (auto& [n, e] : pack.entries)
        if (e.kind == "gobs") {
            if (e.sheet != sheetEntry) throw std::runtime_error(e.where + ": the sheet is entry " + std::to_string(sheetEntry));
            for (const GobUse& g : e.gobs) {
                if (!pack.pictures.count(g.picture))
                    throw std::runtime_error(e.where + ": no picture '" + g.picture + "'");
                used.insert(g.picture);
            }
        }
    Sheet sheet;
    std::map<std::string, Canvas> painted;
    if (sheetEntry >= 0) {
        std::vector<std::pair<std::string, Canvas>> pictures;
        for (const std::string& name : pack.pictureOrder)
            if (used.count(name)) {
                pictures.push_back({name, paintPicture(pack.pictures[name], pack.palette, faces)});
                painted[name] = pictures.back().second;
            }
        if (pictures.empty()) throw std::runtime_error("the sheet of pack " + std::to_string(pack.number) + " is empty");
        sheet = packSheet(pictures);
        writeFile(options.outDir / stem / "sheet.img", imageSource(sheet.canvas, pack.palette.colours()));
        manifest[sheetEntry] = "png " + stem + "/sheet.img";
    }

    for (auto& [n, e] : pack.entries) {
        std::string file = stem + "/e" + std::to_string(n);
        if (e.kind == "gobs") {
            std::ostringstream o;
            o << "sheet " << e.sheet << "\n";
            for (const GobUse& g : e.gobs) {
                const Placed& at = sheet.places[g.picture];
                o << "gob " << at.x << " " << at.y << " " << at.w << " " << at.h;
                if (g.dx || g.dy) o << " offset " << g.dx << " " << g.dy;
                o << "\n";
            }
            writeFile(options.outDir / (file + ".gobs"), o.str());
            manifest[n] = "gobs " + file + ".gobs";
        } else if (e.kind == "anim") {
            auto it = pack.entries.find(e.boundGobs);
            if (it == pack.entries.end() || it->second.kind != "gobs")
                throw std::runtime_error(e.where + ": entry " + std::to_string(e.boundGobs) + " is no graphic-object set");
            writeFile(options.outDir / (file + ".anim"), animSource(e, it->second, pack));
            if (!options.previewDir.empty()) preview(options, pack, n, e, it->second, painted);
            manifest[n] = "anim " + file + ".anim";
        } else if (e.kind == "text") {
            writeFile(options.outDir / (file + ".txt"), readText(options.contentDir / e.file));
            manifest[n] = "text " + file + ".txt";
        } else if (e.kind == "tune") {
            rpack::Bytes wav = tune(options.contentDir / e.file);
            writeFile(options.outDir / (file + ".wav"), std::string(wav.begin(), wav.end()));
            // Type byte 1: the game plays only WAV clips.
            manifest[n] = "raw " + file + ".wav type 1";
        } else if (e.kind == "glyphs") {
            glyphSet(options, pack, n, e, faces, stem, manifest);
        }
    }
    for (auto& [n, e] : pack.entries)
        if (e.kind == "copy") {
            if (!manifest.count(e.source)) throw std::runtime_error(e.where + ": nothing to copy in entry " + std::to_string(e.source));
            manifest[n] = manifest[e.source];
        }

    std::ostringstream m;
    m << "# Written by contentgen from " << description.filename().string() << "\npack " << pack.number << "\n";
    int expect = 0;
    for (auto& [n, line] : manifest) {
        if (n != expect) throw std::runtime_error(description.string() + ": entry " + std::to_string(expect) + " is missing");
        m << line << "\n";
        ++expect;
    }
    writeFile(options.outDir / (stem + ".pack"), m.str());
}

}  // namespace contentgen
