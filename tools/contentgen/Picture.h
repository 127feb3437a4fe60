// Indexed pictures the generator draws: a palette of named colours (index 0
// is always the transparent key), a pixel canvas with the few shapes the
// sample content needs, and text through FreeType.
//
// The game is held sideways: it draws its text turned a quarter clockwise,
// so the player's "up" is the screen's right. Painters therefore draw in the
// player's view and the picture is turned into screen orientation at the end.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace contentgen {

struct Colour {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

class Palette {
public:
    Palette();
    // Adds a named colour; fails beyond 16 colours or on a second name.
    void add(const std::string& name, Colour c);
    int index(const std::string& name) const;  // throws for an unknown name
    bool has(const std::string& name) const { return names_.count(name) != 0; }
    const std::vector<Colour>& colours() const { return colours_; }

private:
    std::vector<Colour> colours_;
    std::map<std::string, int> names_;
};

class Canvas {
public:
    Canvas() = default;
    Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * size_t(h), 0) {}
    int width() const { return w_; }
    int height() const { return h_; }
    uint8_t at(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
    void set(int x, int y, int c) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[size_t(y) * size_t(w_) + size_t(x)] = uint8_t(c);
    }
    void fill(int x, int y, int w, int h, int c);
    void outline(int x, int y, int w, int h, int c, int t);
    void roundRect(int x, int y, int w, int h, int r, int c);
    void disc(double cx, double cy, double r, int c);
    void ring(double cx, double cy, double r, double t, int c);
    void ellipse(double cx, double cy, double rx, double ry, int c);
    void line(int x0, int y0, int x1, int y1, int c, int t);
    void triangle(double x0, double y0, double x1, double y1, double x2, double y2, int c);
    void blit(const Canvas& src, int x, int y);  // index 0 of src is left out
    // Turned a quarter clockwise: player view (u, v) lands at screen (h-1-v, u).
    Canvas turned() const;

private:
    int w_ = 0, h_ = 0;
    std::vector<uint8_t> px_;
};

// A FreeType face rendered without smoothing (crisp pixels at small sizes).
class Face {
public:
    explicit Face(const std::string& path);
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    struct Glyph {
        int width = 0, height = 0;  // ink; 0 for a blank glyph
        int left = 0, top = 0;      // from the pen: ink left, ink top above the baseline
        int advance = 0;
        std::vector<uint8_t> bits;  // width * height, 1 = ink
        bool present = false;       // the face has a glyph for the code
    };
    Glyph render(char32_t code, int pixelSize);
    int ascender(int pixelSize);
    int descender(int pixelSize);  // positive, below the baseline
    // Pen width of a UTF-8 string.
    int measure(const std::string& utf8, int pixelSize);
    // Draws a UTF-8 string with its baseline at y, from pen x; a shadow
    // colour (>0) draws each ink pixel once more one pixel right and down.
    void draw(Canvas& c, const std::string& utf8, int x, int baseline, int pixelSize, int colour,
              int shadow = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

std::u32string decodeUtf8(const std::string& s);

// Where the DejaVu faces are: through fontconfig, else the Debian folder.
std::string findFace(const std::string& family, const std::string& style,
                     const std::string& debianFile);

}  // namespace contentgen
