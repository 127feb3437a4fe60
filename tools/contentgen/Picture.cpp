#include "Picture.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace contentgen {

Palette::Palette() {
    colours_.push_back({255, 0, 255, 0});
    names_["clear"] = 0;
}

void Palette::add(const std::string& name, Colour c) {
    if (names_.count(name)) throw std::runtime_error("colour '" + name + "' named twice");
    if (colours_.size() >= 16)
        throw std::runtime_error("colour '" + name + "': a sheet keeps to 16 colours");
    names_[name] = int(colours_.size());
    colours_.push_back(c);
}

int Palette::index(const std::string& name) const {
    auto it = names_.find(name);
    if (it == names_.end()) throw std::runtime_error("unknown colour '" + name + "'");
    return it->second;
}

void Canvas::fill(int x, int y, int w, int h, int c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) set(i, j, c);
}

void Canvas::outline(int x, int y, int w, int h, int c, int t) {
    fill(x, y, w, t, c);
    fill(x, y + h - t, w, t, c);
    fill(x, y, t, h, c);
    fill(x + w - t, y, t, h, c);
}

void Canvas::roundRect(int x, int y, int w, int h, int r, int c) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            int dx = i < r ? r - i : (i >= w - r ? i - (w - r - 1) : 0);
            int dy = j < r ? r - j : (j >= h - r ? j - (h - r - 1) : 0);
            if (dx * dx + dy * dy <= r * r) set(x + i, y + j, c);
        }
}

void Canvas::disc(double cx, double cy, double r, int c) { ellipse(cx, cy, r, r, c); }

void Canvas::ellipse(double cx, double cy, double rx, double ry, int c) {
    for (int j = int(std::floor(cy - ry)); j <= int(std::ceil(cy + ry)); ++j)
        for (int i = int(std::floor(cx - rx)); i <= int(std::ceil(cx + rx)); ++i) {
            double dx = (i + 0.5 - cx) / rx, dy = (j + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) set(i, j, c);
        }
}

void Canvas::ring(double cx, double cy, double r, double t, int c) {
    for (int j = int(std::floor(cy - r)); j <= int(std::ceil(cy + r)); ++j)
        for (int i = int(std::floor(cx - r)); i <= int(std::ceil(cx + r)); ++i) {
            double d = std::hypot(i + 0.5 - cx, j + 0.5 - cy);
            if (d <= r && d >= r - t) set(i, j, c);
        }
}

void Canvas::line(int x0, int y0, int x1, int y1, int c, int t) {
    int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int k = 0; k <= n; ++k) {
        double f = n ? double(k) / n : 0;
        int x = int(std::lround(x0 + (x1 - x0) * f)), y = int(std::lround(y0 + (y1 - y0) * f));
        fill(x - t / 2, y - t / 2, t, t, c);
    }
}

void Canvas::triangle(double x0, double y0, double x1, double y1, double x2, double y2, int c) {
    auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    int lx = int(std::floor(std::min({x0, x1, x2}))), hx = int(std::ceil(std::max({x0, x1, x2})));
    int ly = int(std::floor(std::min({y0, y1, y2}))), hy = int(std::ceil(std::max({y0, y1, y2})));
    for (int j = ly; j <= hy; ++j)
        for (int i = lx; i <= hx; ++i) {
            double px = i + 0.5, py = j + 0.5;
            double a = edge(x0, y0, x1, y1, px, py), b = edge(x1, y1, x2, y2, px, py),
                   d = edge(x2, y2, x0, y0, px, py);
            if ((a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0)) set(i, j, c);
        }
}

void Canvas::blit(const Canvas& src, int x, int y) {
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i)
            if (int c = src.at(i, j)) set(x + i, y + j, c);
}

Canvas Canvas::turned() const {
    Canvas out(h_, w_);
    for (int v = 0; v < h_; ++v)
        for (int u = 0; u < w_; ++u) out.set(h_ - 1 - v, u, at(u, v));
    return out;
}

// --- text ---------------------------------------------------------------------------

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t v = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
        if (i + size_t(n) >= s.size()) throw std::runtime_error("broken UTF-8 text");
        for (int k = 1; k <= n; ++k) v = (v << 6) | (static_cast<unsigned char>(s[i + size_t(k)]) & 0x3F);
        out.push_back(v);
        i += size_t(n) + 1;
    }
    return out;
}

struct Face::Impl {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
};

Face::Face(const std::string& path) : impl_(std::make_unique<Impl>()) {
    if (FT_Init_FreeType(&impl_->lib)) throw std::runtime_error("FreeType does not start");
    if (FT_New_Face(impl_->lib, path.c_str(), 0, &impl_->face))
        throw std::runtime_error("cannot open the face " + path);
}

Face::~Face() {
    if (impl_->face) FT_Done_Face(impl_->face);
    if (impl_->lib) FT_Done_FreeType(impl_->lib);
}

Face::Glyph Face::render(char32_t code, int pixelSize) {
    Glyph g;
    FT_Face f = impl_->face;
    FT_Set_Pixel_Sizes(f, 0, FT_UInt(pixelSize));
    FT_UInt index = FT_Get_Char_Index(f, code);
    g.present = index != 0;
    if (FT_Load_Glyph(f, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME))
        throw std::runtime_error("FreeType cannot render a glyph");
    FT_GlyphSlot s = f->glyph;
    g.advance = int((s->advance.x + 32) >> 6);
    g.left = s->bitmap_left;
    g.top = s->bitmap_top;
    g.width = int(s->bitmap.width);
    g.height = int(s->bitmap.rows);
    g.bits.assign(size_t(g.width) * size_t(g.height), 0);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const unsigned char* row = s->bitmap.buffer + y * s->bitmap.pitch;
            if (row[x >> 3] & (0x80 >> (x & 7))) g.bits[size_t(y) * size_t(g.width) + size_t(x)] = 1;
        }
    return g;
}

int Face::ascender(int pixelSize) {
    FT_Set_Pixel_Sizes(impl_->face, 0, FT_UInt(pixelSize));
    return int((impl_->face->size->metrics.ascender + 63) >> 6);
}

int Face::descender(int pixelSize) {
    FT_Set_Pixel_Sizes(impl_->face, 0, FT_UInt(pixelSize));
    return int((-impl_->face->size->metrics.descender + 63) >> 6);
}

int Face::measure(const std::string& utf8, int pixelSize) {
    int w = 0;
    for (char32_t c : decodeUtf8(utf8)) w += render(c, pixelSize).advance;
    return w;
}

void Face::draw(Canvas& c, const std::string& utf8, int x, int baseline, int pixelSize, int colour,
                int shadow) {
    for (char32_t code : decodeUtf8(utf8)) {
        Glyph g = render(code, pixelSize);
        for (int pass = shadow ? 0 : 1; pass < 2; ++pass)
            for (int j = 0; j < g.height; ++j)
                for (int i = 0; i < g.width; ++i)
                    if (g.bits[size_t(j) * size_t(g.width) + size_t(i)]) {
                        int d = pass == 0 ? 1 : 0;
                        c.set(x + g.left + i + d, baseline - g.top + j + d, pass == 0 ? shadow : colour);
                    }
        x += g.advance;
    }
}

namespace {

// Whether value i of a pattern's string property `key` equals `want`, for
// any i (a face lists several families and styles).
bool listed(FcPattern* p, const char* key, const std::string& want) {
    FcChar8* v = nullptr;
    for (int i = 0; FcPatternGetString(p, key, i, &v) == FcResultMatch; ++i)
        if (want == reinterpret_cast<const char*>(v)) return true;
    return false;
}

}  // namespace

std::string findFace(const std::string& family, const std::string& style,
                     const std::string& debianFile) {
    // fontconfig always answers with its best match, which may be another
    // family or another style (a bold asked for, a book face given): that
    // answer counts only when it is the face asked for.
    std::string found;
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        FcPattern* p = FcPatternCreate();
        FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddString(p, FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str()));
        FcConfigSubstitute(config, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        FcResult result = FcResultNoMatch;
        FcPattern* m = FcFontMatch(config, p, &result);
        FcChar8* file = nullptr;
        if (m && result == FcResultMatch && listed(m, FC_FAMILY, family) && listed(m, FC_STYLE, style) &&
            FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch &&
            std::filesystem::exists(reinterpret_cast<const char*>(file)))
            found = reinterpret_cast<const char*>(file);
        if (m) FcPatternDestroy(m);
        FcPatternDestroy(p);
        FcConfigDestroy(config);
    }
    if (found.empty()) {
        std::string debian = "/usr/share/fonts/truetype/dejavu/" + debianFile;
        if (std::filesystem::exists(debian)) found = debian;
    }
    if (found.empty())
        throw std::runtime_error("no " + family + " " + style +
                                 " face: install fonts-dejavu-core");
    return found;
}

}  // namespace contentgen
