#include "Paint.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace contentgen {
namespace {

class Args {
public:
    Args(const PictureSpec& s, const Palette& p) : spec_(s), palette_(p) {}
    bool has(const std::string& k) const { return spec_.args.count(k) != 0; }
    std::string text(const std::string& k, const std::string& d = "") const {
        auto it = spec_.args.find(k);
        return it == spec_.args.end() ? d : it->second;
    }
    int number(const std::string& k, int d) const {
        auto it = spec_.args.find(k);
        if (it == spec_.args.end()) return d;
        try {
            return std::stoi(it->second);
        } catch (...) {
            throw std::runtime_error(spec_.where + ": " + k + "=" + it->second + " is no number");
        }
    }
    int colour(const std::string& k, const std::string& d = "clear") const {
        std::string name = text(k, d);
        if (!palette_.has(name))
            throw std::runtime_error(spec_.where + ": " + k + "=" + name + " is no colour of the pack");
        return palette_.index(name);
    }

private:
    const PictureSpec& spec_;
    const Palette& palette_;
};

void heart(Canvas& c, double x, double y, double s, int colour) {
    c.disc(x + s * 0.3, y + s * 0.32, s * 0.26, colour);
    c.disc(x + s * 0.7, y + s * 0.32, s * 0.26, colour);
    c.triangle(x + s * 0.05, y + s * 0.42, x + s * 0.95, y + s * 0.42, x + s * 0.5, y + s * 0.95, colour);
}

void star(Canvas& c, double cx, double cy, double r, int colour) {
    const double pi = 3.14159265358979;
    for (int k = 0; k < 5; ++k) {
        double a = -pi / 2 + k * 2 * pi / 5;
        double b1 = a - pi / 5, b2 = a + pi / 5;
        c.triangle(cx + r * std::cos(a), cy + r * std::sin(a), cx + 0.4 * r * std::cos(b1),
                   cy + 0.4 * r * std::sin(b1), cx + 0.4 * r * std::cos(b2), cy + 0.4 * r * std::sin(b2),
                   colour);
    }
    c.disc(cx, cy, r * 0.42, colour);
}

// Icons fill a square of side s at (x, y).
void icon(Canvas& c, const std::string& name, double x, double y, double s, int ink,
          const std::string& where) {
    int t = std::max(2, int(s / 6));
    auto X = [&](double f) { return int(std::lround(x + f * s)); };
    auto Y = [&](double f) { return int(std::lround(y + f * s)); };
    if (name == "check") {
        c.line(X(0.1), Y(0.55), X(0.4), Y(0.85), ink, t);
        c.line(X(0.4), Y(0.85), X(0.9), Y(0.2), ink, t);
    } else if (name == "cross") {
        c.line(X(0.15), Y(0.15), X(0.85), Y(0.85), ink, t);
        c.line(X(0.85), Y(0.15), X(0.15), Y(0.85), ink, t);
    } else if (name == "back" || name == "prev") {
        c.triangle(x + 0.1 * s, y + 0.5 * s, x + 0.5 * s, y + 0.15 * s, x + 0.5 * s, y + 0.85 * s, ink);
        if (name == "back") c.fill(X(0.45), Y(0.4), X(0.9) - X(0.45), Y(0.6) - Y(0.4), ink);
    } else if (name == "next" || name == "play") {
        if (name == "play")
            c.triangle(x + 0.2 * s, y + 0.1 * s, x + 0.2 * s, y + 0.9 * s, x + 0.9 * s, y + 0.5 * s, ink);
        else
            c.triangle(x + 0.9 * s, y + 0.5 * s, x + 0.5 * s, y + 0.15 * s, x + 0.5 * s, y + 0.85 * s, ink);
        if (name == "next") c.fill(X(0.1), Y(0.4), X(0.55) - X(0.1), Y(0.6) - Y(0.4), ink);
    } else if (name == "up") {
        c.triangle(x + 0.5 * s, y + 0.15 * s, x + 0.1 * s, y + 0.75 * s, x + 0.9 * s, y + 0.75 * s, ink);
    } else if (name == "down") {
        c.triangle(x + 0.5 * s, y + 0.85 * s, x + 0.1 * s, y + 0.25 * s, x + 0.9 * s, y + 0.25 * s, ink);
    } else if (name == "pause") {
        c.fill(X(0.22), Y(0.15), X(0.42) - X(0.22), Y(0.85) - Y(0.15), ink);
        c.fill(X(0.58), Y(0.15), X(0.78) - X(0.58), Y(0.85) - Y(0.15), ink);
    } else if (name == "plus" || name == "minus") {
        c.fill(X(0.15), Y(0.4), X(0.85) - X(0.15), Y(0.6) - Y(0.4), ink);
        if (name == "plus") c.fill(X(0.4), Y(0.15), X(0.6) - X(0.4), Y(0.85) - Y(0.15), ink);
    } else if (name == "star") {
        star(c, x + s / 2, y + s / 2, s / 2, ink);
    } else if (name == "heart") {
        heart(c, x, y, s, ink);
    } else if (name == "hand") {  // an open hand: palm and four fingers
        c.roundRect(X(0.2), Y(0.45), X(0.8) - X(0.2), Y(0.95) - Y(0.45), int(s / 8), ink);
        for (int k = 0; k < 4; ++k)
            c.roundRect(X(0.2 + 0.155 * k), Y(0.1 + (k == 0 || k == 3 ? 0.1 : 0)), int(s * 0.12),
                        Y(0.6) - Y(0.1), int(s / 16), ink);
        c.roundRect(X(0.0), Y(0.45), int(s * 0.3), int(s * 0.12), int(s / 16), ink);
    } else if (name == "sound") {
        c.fill(X(0.1), Y(0.35), X(0.3) - X(0.1), Y(0.65) - Y(0.35), ink);
        c.triangle(x + 0.25 * s, y + 0.35 * s, x + 0.55 * s, y + 0.1 * s, x + 0.55 * s, y + 0.9 * s, ink);
        c.ring(x + 0.5 * s, y + 0.5 * s, s * 0.45, std::max(1.0, s / 12), ink);
        c.fill(X(0.0), Y(0.0), X(0.57) - X(0.0), int(s), 0);
        c.fill(X(0.1), Y(0.35), X(0.3) - X(0.1), Y(0.65) - Y(0.35), ink);
        c.triangle(x + 0.25 * s, y + 0.35 * s, x + 0.55 * s, y + 0.1 * s, x + 0.55 * s, y + 0.9 * s, ink);
    } else if (name == "mute") {
        c.fill(X(0.1), Y(0.35), X(0.3) - X(0.1), Y(0.65) - Y(0.35), ink);
        c.triangle(x + 0.25 * s, y + 0.35 * s, x + 0.55 * s, y + 0.1 * s, x + 0.55 * s, y + 0.9 * s, ink);
        c.line(X(0.65), Y(0.35), X(0.95), Y(0.65), ink, std::max(1, t - 1));
        c.line(X(0.95), Y(0.35), X(0.65), Y(0.65), ink, std::max(1, t - 1));
    } else if (name == "coin") {
        c.disc(x + s / 2, y + s / 2, s / 2, ink);
    } else {
        throw std::runtime_error(where + ": unknown icon '" + name + "'");
    }
}

// Lines split at '|', centred as a block.
void centredText(Canvas& c, Face& face, const std::string& text, int size, int ink, int shadow,
                 int dx, int dy) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string l; std::getline(ss, l, '|');) lines.push_back(l);
    int asc = face.ascender(size), desc = face.descender(size);
    int lineH = asc + desc;
    int total = lineH * int(lines.size());
    int y = (c.height() - total) / 2 + dy;
    for (const std::string& l : lines) {
        int w = face.measure(l, size);
        face.draw(c, l, (c.width() - w) / 2 + dx, y + asc, size, ink, shadow);
        y += lineH;
    }
}

// Shapes, then icon, then text: buttons, panels, badges, discs and labels.
void paintPlain(Canvas& c, const Args& a, Faces& faces, const std::string& where) {
    int W = c.width(), H = c.height();
    std::string shape = a.text("shape", "rect");
    int fill = a.colour("fill"), edge = a.colour("edge");
    int t = a.has("edge") ? a.number("t", 2) : 0;
    int r = a.number("r", std::min({4, W / 3, H / 3}));
    if (shape == "rect") {
        c.fill(0, 0, W, H, edge ? edge : fill);
        if (edge) c.fill(t, t, W - 2 * t, H - 2 * t, fill);
    } else if (shape == "round") {
        c.roundRect(0, 0, W, H, r, edge ? edge : fill);
        if (edge) c.roundRect(t, t, W - 2 * t, H - 2 * t, std::max(0, r - t), fill);
    } else if (shape == "disc") {
        c.ellipse(W / 2.0, H / 2.0, W / 2.0, H / 2.0, edge ? edge : fill);
        if (edge) c.ellipse(W / 2.0, H / 2.0, W / 2.0 - t, H / 2.0 - t, fill);
    } else if (shape == "heart") {
        heart(c, 0, 0, std::min(W, H), edge ? edge : fill);
        if (edge) heart(c, t, t, std::min(W, H) - 2 * t, fill);
    } else if (shape == "diamond") {
        c.triangle(W / 2.0, 0, 0, H / 2.0, W, H / 2.0, fill);
        c.triangle(W / 2.0, H, 0, H / 2.0, W, H / 2.0, fill);
    } else if (shape != "none") {
        throw std::runtime_error(where + ": unknown shape '" + shape + "'");
    }
    // Specks scattered over the ground (a field, a sky), the same every build.
    if (int speck = a.colour("specks"); speck) {
        unsigned state = unsigned(a.number("seed", 1)) * 2654435761u + 1;
        auto next = [&state](int n) {
            state = state * 1103515245u + 12345u;
            return int((state >> 16) % unsigned(n));
        };
        for (int k = a.number("count", 8); k > 0; --k) {
            int x = next(W), y = next(H), size = 1 + next(2);
            c.fill(x, y, size, size, speck);
        }
    }
    if (int shine = a.colour("shine"); shine) {
        c.fill(t + 2, t + 1, W - 2 * t - 4, 1, shine);
        c.fill(t + 1, t + 2, 1, H - 2 * t - 4, shine);
    }
    if (a.has("icon")) {
        double s = a.number("isize", int(std::min(W, H) * 0.85));
        icon(c, a.text("icon"), (W - s) / 2 + a.number("tdx", 0), (H - s) / 2 + a.number("tdy", 0), s,
             a.colour("ink", "clear"), where);
    }
    if (a.has("text")) {
        Face& face = a.number("bold", 1) ? *faces.bold : *faces.regular;
        centredText(c, face, a.text("text"), a.number("size", 10), a.colour("ink"), a.colour("shadow"),
                    a.number("tdx", 0), a.number("tdy", 0));
    }
}

}  // namespace

Canvas paintPicture(const PictureSpec& spec, const Palette& palette, Faces& faces) {
    Args a(spec, palette);
    // The player's view: the screen's height across, its width down.
    Canvas view(spec.height, spec.width);
    if (spec.style == "plain") {
        paintPlain(view, a, faces, spec.where);
    } else {
        throw std::runtime_error(spec.where + ": unknown picture style '" + spec.style + "'");
    }
    return view.turned();
}

}  // namespace contentgen
