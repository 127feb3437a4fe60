#include "Paint.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace contentgen {
namespace {

class Args {
public:
    Args(const PictureRecipe& s, const Palette& p) : recipe_(s), palette_(p) {}
    bool has(const std::string& k) const { return recipe_.args.count(k) != 0; }
    std::string text(const std::string& k, const std::string& d = "") const {
        auto it = recipe_.args.find(k);
        return it == recipe_.args.end() ? d : it->second;
    }
    int number(const std::string& k, int d) const {
        auto it = recipe_.args.find(k);
        if (it == recipe_.args.end()) return d;
        try {
            return std::stoi(it->second);
        } catch (...) {
            throw std::runtime_error(recipe_.where + ": " + k + "=" + it->second + " is no number");
        }
    }
    int colour(const std::string& k, const std::string& d = "clear") const {
        std::string name = text(k, d);
        if (!palette_.has(name))
            throw std::runtime_error(recipe_.where + ": " + k + "=" + name + " is no colour of the pack");
        return palette_.index(name);
    }

private:
    const PictureRecipe& recipe_;
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
    } else if (name == "sound" || name == "mute") {
        // A speaker, then sound waves (an arc to its right) or a cross.
        c.fill(X(0.1), Y(0.35), X(0.3) - X(0.1), Y(0.65) - Y(0.35), ink);
        c.triangle(x + 0.25 * s, y + 0.35 * s, x + 0.55 * s, y + 0.1 * s, x + 0.55 * s, y + 0.9 * s, ink);
        if (name == "sound") {
            double cx = x + 0.5 * s, cy = y + 0.5 * s, r = 0.45 * s, w = std::max(1.0, s / 12);
            for (int j = Y(0.0); j <= Y(1.0); ++j)
                for (int i = X(0.57); i <= X(1.0); ++i) {
                    double d = std::hypot(i + 0.5 - cx, j + 0.5 - cy);
                    if (d <= r && d >= r - w) c.set(i, j, ink);
                }
        } else {
            c.line(X(0.65), Y(0.35), X(0.95), Y(0.65), ink, std::max(1, t - 1));
            c.line(X(0.95), Y(0.35), X(0.65), Y(0.65), ink, std::max(1, t - 1));
        }
    } else if (name == "menu") {  // three bars
        for (int k = 0; k < 3; ++k) c.fill(X(0.15), Y(0.2 + 0.25 * k), X(0.85) - X(0.15), std::max(2, t - 1), ink);
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
    } else if (shape == "wedge") {
        // Slice k of n of a disc, clockwise from the top: the pieces of one
        // whole that the player collects.
        const double pi = 3.14159265358979;
        int k = a.number("k", 0), n = std::max(1, a.number("n", 1));
        for (int j = 0; j < H; ++j)
            for (int i = 0; i < W; ++i) {
                double dx = i + 0.5 - W / 2.0, dy = j + 0.5 - H / 2.0;
                double rx = W / 2.0, ry = H / 2.0;
                double d = (dx * dx) / (rx * rx) + (dy * dy) / (ry * ry);
                if (d > 1.0) continue;
                double angle = std::atan2(dx, -dy);
                if (angle < 0) angle += 2 * pi;
                double from = 2 * pi * k / n, to = 2 * pi * (k + 1) / n;
                if (angle < from || angle >= to) continue;
                // The rim and the cut edges in the edge colour.
                double edgeRing = 1.0 - 2.0 * t / std::min(W, H);
                bool cut = std::min(angle - from, to - angle) * std::sqrt(dx * dx + dy * dy) < t;
                c.set(i, j, edge && (d > edgeRing * edgeRing || cut) ? edge : fill);
            }
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

// A figure drawn in parts, so that the frames of an animation set can put
// a figure together from pieces and a variant can recolour some of them:
// every part lies where it belongs in the whole picture, the rest of which
// stays clear. "part=" names the part; "pose=" the pose of the overlay part
// (the eye, beak or face, wings, feet and effects drawn over the body).
class Figure {
public:
    Figure(Canvas& c, const Args& a, const std::string& where) : c_(c), a_(a), where_(where) {
        W = c.width();
        H = c.height();
        edge_ = a.colour("edge", "clear");
    }

    // The player's bird, facing the way it flies (right, in the player's view).
    void bird() {
        std::string part = a_.text("part"), pose = a_.text("pose", "idle");
        int fill = a_.colour("fill", "clear");
        if (part == "tail") {
            tri(0.02, 0.30, 0.02, 0.66, 0.34, 0.52, edge_);
            tri(0.06, 0.36, 0.06, 0.60, 0.30, 0.52, fill);
        } else if (part == "body") {
            oval(0.43, 0.58, 0.29, 0.30, fill);
        } else if (part == "belly") {
            oval(0.50, 0.68, 0.17, 0.15, fill, false);
        } else if (part == "head") {
            oval(0.68, 0.34, 0.17, 0.23, fill);
        } else if (part == "crest") {
            tri(0.58, 0.16, 0.62, 0.00, 0.68, 0.14, fill);
            tri(0.64, 0.14, 0.72, 0.02, 0.74, 0.16, fill);
        } else if (part == "cheek") {
            oval(0.73, 0.46, 0.05, 0.07, fill, false);
        } else if (part == "pose") {
            birdPose(pose);
        } else {
            throw std::runtime_error(where_ + ": a bird has no part '" + part + "'");
        }
    }

    // A monster: a blob facing the player (left, in the player's view);
    // look 0 plain, 1 with spikes, 2 with horns.
    void blob() {
        std::string part = a_.text("part"), pose = a_.text("pose", "idle");
        if (part == "body") {
            int fill = a_.colour("fill", "clear"), look = a_.number("look", 0);
            if (look == 1)
                for (int k = 0; k < 4; ++k) {
                    double x = 0.28 + 0.16 * k;
                    tri(x - 0.09, 0.30, x + 0.09, 0.30, x + 0.04, 0.06, edge_);
                    tri(x - 0.06, 0.32, x + 0.06, 0.32, x + 0.03, 0.11, fill);
                }
            if (look == 2) {
                tri(0.22, 0.24, 0.36, 0.22, 0.20, 0.02, edge_);
                tri(0.56, 0.22, 0.70, 0.24, 0.72, 0.02, edge_);
            }
            oval(0.50, 0.58, 0.42, 0.36, fill);
        } else if (part == "face") {
            blobPose(pose);
        } else {
            throw std::runtime_error(where_ + ": a blob has no part '" + part + "'");
        }
    }

private:
    int X(double f) const { return int(std::lround(f * W)); }
    int Y(double f) const { return int(std::lround(f * H)); }
    // An oval of the given fill, ringed by the edge colour unless bare.
    void oval(double cx, double cy, double rx, double ry, int fill, bool ring = true) {
        if (ring && edge_) c_.ellipse(cx * W, cy * H, rx * W, ry * H, edge_);
        c_.ellipse(cx * W, cy * H, rx * W - (ring && edge_ ? 1 : 0), ry * H - (ring && edge_ ? 1 : 0), fill);
    }
    void tri(double x0, double y0, double x1, double y1, double x2, double y2, int colour) {
        c_.triangle(x0 * W, y0 * H, x1 * W, y1 * H, x2 * W, y2 * H, colour);
    }
    void stroke(double x0, double y0, double x1, double y1, int colour, int t = 1) {
        c_.line(X(x0), Y(y0), X(x1), Y(y1), colour, t);
    }
    void cross(double cx, double cy, double r, int colour) {
        stroke(cx - r, cy - r * W / H, cx + r, cy + r * W / H, colour);
        stroke(cx - r, cy + r * W / H, cx + r, cy - r * W / H, colour);
    }
    void eye(double cx, double cy, const std::string& look, int white, int ink, bool left) {
        if (look == "shut") {
            stroke(cx - 0.04, cy, cx + 0.04, cy, ink);
        } else if (look == "cross") {
            cross(cx, cy, 0.035, ink);
        } else {
            double r = look == "wide" ? 0.07 : 0.055;
            c_.disc(cx * W, cy * H, r * W, white);
            double px = cx + (left ? -0.02 : 0.02);
            c_.disc(px * W, cy * H, (look == "wide" ? 0.02 : 0.03) * W, ink);
        }
    }

    void birdPose(const std::string& pose) {
        int white = a_.colour("white"), ink = a_.colour("ink"), beak = a_.colour("beak");
        int wing = a_.colour("wing"), feet = a_.colour("feet"), glow = a_.colour("glow", "clear");
        static const char* const poses[] = {"idle", "hurt", "carry", "action", "attack", "dash", "grab", "down"};
        if (std::find(std::begin(poses), std::end(poses), pose) == std::end(poses))
            throw std::runtime_error(where_ + ": a bird has no pose '" + pose + "'");
        // Feet: standing, reaching forward (grab, carry), tucked (dash), up (down).
        if (pose == "grab" || pose == "carry") {
            stroke(0.44, 0.84, 0.66, 0.96, feet);
            stroke(0.52, 0.84, 0.74, 0.94, feet);
            stroke(0.66, 0.96, 0.72, 0.86, feet);
            stroke(0.74, 0.94, 0.80, 0.84, feet);
        } else if (pose == "down") {
            stroke(0.36, 0.30, 0.34, 0.10, feet);
            stroke(0.46, 0.30, 0.48, 0.10, feet);
        } else if (pose != "dash") {
            stroke(0.38, 0.84, 0.38, 0.98, feet);
            stroke(0.48, 0.84, 0.48, 0.98, feet);
            stroke(0.30, 0.98, 0.42, 0.98, feet);
            stroke(0.40, 0.98, 0.52, 0.98, feet);
        }
        // The wing: folded, raised (action), swept back (dash), forward.
        if (pose == "action" || pose == "attack") {
            tri(0.24, 0.52, 0.52, 0.52, 0.30, 0.08, wing);
        } else if (pose == "dash") {
            tri(0.08, 0.46, 0.50, 0.50, 0.50, 0.66, wing);
            for (int k = 0; k < 3; ++k) stroke(0.0, 0.40 + 0.14 * k, 0.14, 0.40 + 0.14 * k, glow ? glow : wing);
        } else if (pose == "grab" || pose == "carry") {
            oval(0.50, 0.54, 0.20, 0.10, wing, false);
        } else {
            oval(0.38, 0.56, 0.17, 0.12, wing, false);
        }
        // The beak, open to strike in the attack.
        if (pose == "attack") {
            tri(0.80, 0.30, 0.98, 0.22, 0.80, 0.38, beak);
            tri(0.80, 0.40, 0.98, 0.50, 0.80, 0.46, beak);
        } else {
            tri(0.80, 0.28, 0.80, 0.46, 0.98, 0.37, beak);
        }
        eye(0.72, 0.28, pose == "hurt" || pose == "down" ? "cross" : pose == "action" || pose == "attack" ? "wide" : "open",
            white, ink, false);
        if (glow && pose == "attack") star(c_, 0.93 * W, 0.78 * H, 0.09 * W, glow);
        if (glow && pose == "hurt") {
            stroke(0.86, 0.06, 0.96, 0.00, glow);
            stroke(0.90, 0.14, 1.00, 0.12, glow);
        }
        if (glow && pose == "down")
            for (int k = 0; k < 3; ++k) star(c_, (0.60 + 0.14 * k) * W, 0.08 * H, 0.035 * W, glow);
    }

    void blobPose(const std::string& pose) {
        int white = a_.colour("white"), ink = a_.colour("ink"), feet = a_.colour("feet");
        int glow = a_.colour("glow", "clear"), mouth = a_.has("mouth") ? a_.colour("mouth") : ink;
        static const char* const poses[] = {"idle", "step", "stride", "caught", "letgo", "beaten", "burst", "hurt"};
        if (std::find(std::begin(poses), std::end(poses), pose) == std::end(poses))
            throw std::runtime_error(where_ + ": a blob has no pose '" + pose + "'");
        // Feet below the body: together, one step, a long stride; none while
        // carried or beaten.
        if (pose == "idle" || pose == "hurt" || pose == "letgo") {
            oval(0.34, 0.95, 0.11, 0.05, feet, false);
            oval(0.66, 0.95, 0.11, 0.05, feet, false);
        } else if (pose == "step") {
            oval(0.26, 0.93, 0.11, 0.05, feet, false);
            oval(0.66, 0.96, 0.11, 0.04, feet, false);
        } else if (pose == "stride") {
            oval(0.18, 0.92, 0.11, 0.05, feet, false);
            oval(0.78, 0.96, 0.11, 0.04, feet, false);
        } else if (pose == "caught") {  // arms up, held
            stroke(0.14, 0.50, 0.02, 0.30, feet, 2);
            stroke(0.86, 0.50, 0.98, 0.30, feet, 2);
        }
        std::string eyes = pose == "caught" ? "wide" : pose == "hurt" ? "shut" :
                           pose == "beaten" || pose == "burst" ? "cross" : "open";
        eye(0.32, 0.48, eyes, white, ink, true);
        eye(0.56, 0.48, eyes, white, ink, true);
        if (pose == "caught" || pose == "burst") {
            c_.disc(0.42 * W, 0.72 * H, 0.06 * W, mouth);
        } else if (pose == "hurt" || pose == "beaten") {
            stroke(0.30, 0.74, 0.54, 0.70, mouth);
        } else if (pose == "letgo") {
            stroke(0.30, 0.72, 0.38, 0.76, mouth);
            stroke(0.38, 0.76, 0.46, 0.72, mouth);
            stroke(0.46, 0.72, 0.54, 0.76, mouth);
        } else {
            stroke(0.32, 0.70, 0.42, 0.76, mouth);
            stroke(0.42, 0.76, 0.52, 0.70, mouth);
        }
        if (glow && pose == "hurt") {
            stroke(0.78, 0.10, 0.86, 0.02, glow);
            stroke(0.88, 0.18, 0.98, 0.14, glow);
        }
        if (glow && pose == "burst")
            for (int k = 0; k < 4; ++k) star(c_, (k % 2 ? 0.86 : 0.12) * W, (k / 2 ? 0.86 : 0.14) * H, 0.1 * W, glow);
    }

    Canvas& c_;
    const Args& a_;
    std::string where_;
    int W = 0, H = 0, edge_ = 0;
};

}  // namespace

Canvas paintPicture(const PictureRecipe& recipe, const Palette& palette, Faces& faces) {
    Args a(recipe, palette);
    // The player's view: the screen's height across, its width down.
    Canvas view(recipe.height, recipe.width);
    if (recipe.style == "plain") {
        paintPlain(view, a, faces, recipe.where);
    } else if (recipe.style == "bird") {
        Figure(view, a, recipe.where).bird();
    } else if (recipe.style == "blob") {
        Figure(view, a, recipe.where).blob();
    } else {
        throw std::runtime_error(recipe.where + ": unknown picture style '" + recipe.style + "'");
    }
    return view.turned();
}

}  // namespace contentgen
