#include "HAL_render.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "HAL_fonts.h"
#include "HAL_render_blit.h"
#include "HAL_status.h"

namespace render {
namespace {

struct Box {
    int64_t x0, y0, x1, y1;  // inclusive-exclusive
};

Box clipBox(const NativeGraphics* g) {
    return Box{g->clip.x, g->clip.y, int64_t(g->clip.x) + g->clip.width,
               int64_t(g->clip.y) + g->clip.height};
}

bool usable(const NativeGraphics* g) { return g && g->target && g->target->pixels(); }

// Folds v mod 8 into -4..3; a pixel is drawn while the phase is 0 or more.
int fold(int64_t v) {
    int m = int(((v % 8) + 8) % 8);
    return m >= 4 ? m - 8 : m;
}
int stepPhase(int p) { return p + 1 == 4 ? -4 : p + 1; }

// The target's alpha byte under pixel `p`, or null when the target has no
// alpha plane (the alpha plane has the pixel plane's layout: pitch = width).
uint8_t* alphaUnder(const NativeGraphics* g, const uint16_t* p) {
    uint8_t* a = g->target->alpha();
    return a ? a + (p - g->target->pixels()) : nullptr;
}

// Source over destination for the alpha byte: what was drawn with weight
// `e` (0-255) over what was there.
inline uint8_t alphaOver(uint32_t e, uint32_t da) {
    return uint8_t(e + (da * (255 - e) + 127) / 255);
}

// One pixel drawn with weight e (at least 8) and blend weight a5 into a
// target with an alpha plane. From 248 it is written solid, so opaque. Where
// the target is fully transparent there is nothing to blend with: the colour
// is the source's and e becomes its alpha.
inline void putOver(uint16_t* d, uint8_t* da, uint16_t s, uint32_t e, uint32_t a5) {
    if (e >= 248) {
        *d = s;
        *da = 255;
        return;
    }
    *d = *da == 0 ? s : blend565(*d, s, a5);
    *da = alphaOver(e, *da);
}

// A pixel written solid (lines, outlines, dots): opaque in an alpha plane.
inline void putSolid(NativeGraphics* g, uint16_t* p) {
    *p = g->rgb565;
    if (uint8_t* a = alphaUnder(g, p)) *a = 255;
}

void fillSpan(NativeGraphics* g, uint16_t* p, int64_t n, bool blend) {
    if (uint8_t* a = alphaUnder(g, p)) {
        // Solid spans (fills from 248, lines) are opaque whatever the alpha.
        uint32_t e = blend ? g->alpha : 255;
        uint32_t a5 = uint32_t(g->alpha + 1) >> 3;
        for (int64_t i = 0; i < n; ++i) putOver(p + i, a + i, g->rgb565, e, a5);
        return;
    }
    if (blend) {
        uint32_t a5 = uint32_t(g->alpha + 1) >> 3;
        for (int64_t i = 0; i < n; ++i) p[i] = blend565(p[i], g->rgb565, a5);
    } else {
        std::fill_n(p, n, g->rgb565);
    }
}

void plot(NativeGraphics* g, int64_t x, int64_t y, const Box& c) {
    if (x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1)
        putSolid(g, g->target->pixelAt(int32_t(x), int32_t(y)));
}

// The alpha rule: false when nothing is to be drawn; `blend` for 8-247.
bool alphaRule(const NativeGraphics* g, bool* blend) {
    if (g->alpha < 8) return false;
    *blend = g->alpha < 248;
    return true;
}

void span64(NativeGraphics* g, int64_t x1, int64_t x2, int64_t y, bool dotted, bool blend) {
    Box c = clipBox(g);
    if (y < c.y0 || y >= c.y1) return;
    int64_t left = std::min(x1, x2), right = std::max(x1, x2);
    int64_t from = std::max(left, c.x0), to = std::min(right, c.x1 - 1);
    if (from > to) return;
    uint16_t* row = g->target->pixelAt(0, int32_t(y));
    if (!dotted) {
        fillSpan(g, row + from, to - from + 1, blend);
        return;
    }
    int phase = from > left ? fold(c.x0 - left) : fold(left);
    for (int64_t x = from; x <= to; ++x) {
        if (phase >= 0) putSolid(g, row + x);
        phase = stepPhase(phase);
    }
}

}  // namespace

void span(NativeGraphics* g, int32_t x1, int32_t x2, int32_t y, bool dotted, bool blend) {
    if (usable(g)) span64(g, x1, x2, y, dotted, blend);
}

void line(NativeGraphics* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!usable(g)) return;
    Box c = clipBox(g);
    if (std::max(x1, x2) < c.x0 || std::min(x1, x2) >= c.x1 || std::max(y1, y2) < c.y0 ||
        std::min(y1, y2) >= c.y1)
        return;
    bool dotted = g->stroke == 1;
    if (y1 == y2) {
        span64(g, x1, x2, y1, dotted, false);
        return;
    }
    int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    bool xMajor = adx >= ady;
    int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    // Both ends walk toward the middle with the same error sequence, so the
    // line is the same whichever way it was given.
    int64_t ax = x1, ay = y1, bx = x2, by = y2;
    int64_t err = -major;
    int pa = 0, pb = fold(major);
    for (int64_t i = 0; i <= (major >> 1); ++i) {
        if (!dotted || pa >= 0) plot(g, ax, ay, c);
        if (!dotted || pb >= 0) plot(g, bx, by, c);
        pa = stepPhase(pa);
        pb = stepPhase(pb);
        err += 2 * minor;
        if (xMajor) {
            ax += sx;
            bx -= sx;
        } else {
            ay += sy;
            by -= sy;
        }
        if (err > 0) {
            err -= 2 * major;
            if (xMajor) {
                ay += sy;
                by -= sy;
            } else {
                ax += sx;
                bx -= sx;
            }
        }
    }
}

void fillRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h) {
    bool blend;
    if (!usable(g) || !alphaRule(g, &blend)) return;
    Box c = clipBox(g);
    int64_t x0 = std::max<int64_t>(x, c.x0), y0 = std::max<int64_t>(y, c.y0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + w, c.x1), y1 = std::min<int64_t>(int64_t(y) + h, c.y1);
    if (x0 >= x1 || y0 >= y1) return;
    for (int64_t row = y0; row < y1; ++row)
        fillSpan(g, g->target->pixelAt(int32_t(x0), int32_t(row)), x1 - x0, blend);
}

void drawRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!usable(g) || w < 0 || h < 0) return;
    bool dotted = g->stroke == 1;
    span64(g, x, int64_t(x) + w, y, dotted, false);
    if (h > 0) span64(g, x, int64_t(x) + w, int64_t(y) + h, dotted, false);
    if (h > 1) {
        line(g, x, y + 1, x, int32_t(int64_t(y) + h - 1));
        if (w > 0) line(g, int32_t(int64_t(x) + w), y + 1, int32_t(int64_t(x) + w), int32_t(int64_t(y) + h - 1));
    }
}

// --- ellipses, arcs and rounded rectangles ------------------------------------
//
// Coordinates are doubled so that the centre of an even-sized box is exact;
// the inside test runs in 128-bit arithmetic so no radius overflows it.

namespace {

using i128 = __int128;

int64_t isqrt128(i128 v) {
    if (v <= 0) return 0;
    int64_t r = int64_t(std::sqrt(double(v)));
    while (i128(r) * r > v) --r;
    while (i128(r + 1) * (r + 1) <= v) ++r;
    return r;
}

int64_t floorHalf(int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }
int64_t ceilHalf(int64_t v) { return -floorHalf(-v); }

struct Ellipse {
    int64_t cx2, cy2;  // doubled centre
    int64_t rx2, ry2;  // doubled radii
    // Pixel columns [left, right] of row y inside the ellipse; false if none.
    bool row(int64_t y, int64_t* left, int64_t* right) const {
        int64_t dy = 2 * y - cy2;
        if (dy < -ry2 || dy > ry2) return false;
        i128 num = i128(rx2) * rx2 * (i128(ry2) * ry2 - i128(dy) * dy);
        int64_t half = ry2 == 0 ? rx2 : isqrt128(num / (i128(ry2) * ry2));
        // |2x - cx2| <= half
        *left = ceilHalf(cx2 - half);
        *right = floorHalf(cx2 + half);
        return *left <= *right;
    }
};

Ellipse ellipseOf(int64_t x, int64_t y, int64_t w, int64_t h) {
    return Ellipse{2 * x + (w - 1), 2 * y + (h - 1), w - 1, h - 1};
}

// The sweep of an arc in degrees counter-clockwise from three o'clock;
// `full` when the whole ellipse is drawn.
struct Sweep {
    bool full = true;
    int start = 0, end = 0;
    bool contains(const Ellipse& e, int64_t x, int64_t y) const {
        if (full) return true;
        // Angles are relative to the box, so 45 degrees is its corner.
        double dx = double(2 * x - e.cx2) * double(std::max<int64_t>(e.ry2, 1));
        double dy = double(e.cy2 - 2 * y) * double(std::max<int64_t>(e.rx2, 1));
        double a = std::atan2(dy, dx) * 180.0 / M_PI;
        if (a < 0) a += 360.0;
        double span = end > start ? end - start : end + 360 - start;
        double from = a - start;
        if (from < 0) from += 360.0;
        return from <= span;
    }
};

bool sweepOf(int32_t start, int32_t arc, Sweep* s) {
    if (arc <= 0) return false;
    int64_t end = int64_t(start) + arc;
    int64_t a = start, b = end;
    if (arc > 360) a = b = 0;
    auto norm = [](int64_t v) { return int(((v % 360) + 360) % 360); };
    s->start = norm(a);
    s->end = norm(b);
    s->full = s->start == s->end;
    return true;
}

void fillEllipseRows(NativeGraphics* g, const Ellipse& e, int64_t y0, int64_t y1,
                     const Sweep& sweep, bool blend) {
    Box c = clipBox(g);
    y0 = std::max(y0, c.y0);
    y1 = std::min(y1, c.y1);
    for (int64_t y = y0; y < y1; ++y) {
        int64_t l, r;
        if (!e.row(y, &l, &r)) continue;
        if (sweep.full) {
            span64(g, l, r, y, false, blend);
            continue;
        }
        l = std::max(l, c.x0);
        r = std::min(r, c.x1 - 1);
        int64_t runStart = -1;
        for (int64_t x = l; x <= r + 1; ++x) {
            bool in = x <= r && sweep.contains(e, x, y);
            if (in && runStart < 0) runStart = x;
            if (!in && runStart >= 0) {
                span64(g, runStart, x - 1, y, false, blend);
                runStart = -1;
            }
        }
    }
}

// Outline: in each row, the pixels from each end of the row's span up to
// where the neighbouring rows' spans begin, so the curve has no gaps.
void outlineEllipse(NativeGraphics* g, const Ellipse& e, int64_t y0, int64_t y1,
                    const Sweep& sweep) {
    Box c = clipBox(g);
    bool dotted = g->stroke == 1;
    int phase = 0;
    auto ends = [&](int64_t y, int64_t* l, int64_t* r) {
        if (y < y0 || y >= y1 || !e.row(y, l, r)) {
            *l = INT64_MAX / 4;
            *r = INT64_MIN / 4;
            return false;
        }
        return true;
    };
    int64_t from = std::max(y0, c.y0), to = std::min(y1, c.y1);
    for (int64_t y = from; y < to; ++y) {
        int64_t l, r, pl, pr, nl, nr;
        if (!ends(y, &l, &r)) continue;
        // Both neighbours are read: their ends are used below.
        bool above = ends(y - 1, &pl, &pr);
        bool below = ends(y + 1, &nl, &nr);
        bool edgeRow = !above || !below;
        // The first and last rows are drawn whole.
        int64_t leftTo = edgeRow ? r : std::min(std::max(l, std::min(pl, nl) - 1), r);
        int64_t rightFrom = std::max(std::min(r, std::max(pr, nr) + 1), leftTo + 1);
        auto put = [&](int64_t x) {
            if (x < c.x0 || x >= c.x1 || !sweep.contains(e, x, y)) return;
            if (!dotted || phase >= 0) putSolid(g, g->target->pixelAt(int32_t(x), int32_t(y)));
            phase = stepPhase(phase);
        };
        for (int64_t x = std::max(l, c.x0 - 1); x <= std::min(leftTo, c.x1); ++x) put(x);
        for (int64_t x = std::max(rightFrom, c.x0 - 1); x <= std::min(r, c.x1); ++x) put(x);
    }
}

// Boxes under 2 pixels wide or high are lines, whatever the angles.
bool thinBox(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, bool fill) {
    if (w >= 2 && h >= 2) return false;
    bool dotted = !fill && g->stroke == 1;
    if (w >= 2) {
        span64(g, x, int64_t(x) + w - 1, y, dotted, false);
    } else {
        uint8_t saved = g->stroke;
        if (fill) g->stroke = 0;
        line(g, x, y, x, int32_t(int64_t(y) + std::max(h - 1, 0)));
        g->stroke = saved;
    }
    return true;
}

}  // namespace

void fillArc(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
             int32_t arc) {
    bool blend;
    if (!usable(g) || !alphaRule(g, &blend)) return;
    if (thinBox(g, x, y, w, h, true)) return;
    Sweep sweep;
    if (!sweepOf(start, arc, &sweep)) return;
    fillEllipseRows(g, ellipseOf(x, y, w, h), y, int64_t(y) + h, sweep, blend);
}

void drawArc(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
             int32_t arc) {
    if (!usable(g)) return;
    if (thinBox(g, x, y, w, h, false)) return;
    Sweep sweep;
    if (!sweepOf(start, arc, &sweep)) return;
    outlineEllipse(g, ellipseOf(x, y, w, h), y, int64_t(y) + h, sweep);
}

namespace {

// The row's columns of a rounded rectangle: corner rows follow the corner
// ellipse (aw by ah), the others run the full width.
struct RoundRect {
    int64_t x, y, w, h, aw, ah;
    Ellipse corner;
    bool row(int64_t r, int64_t* left, int64_t* right) const {
        if (r < y || r >= y + h) return false;
        int64_t inTop = r - y, inBottom = y + h - 1 - r;
        int64_t k = std::min(inTop, inBottom);
        if (k >= ah / 2 || aw < 2 || ah < 2) {
            *left = x;
            *right = x + w - 1;
            return true;
        }
        int64_t l, rr;
        if (!corner.row(k, &l, &rr)) l = aw / 2;
        int64_t inset = l;  // corner box starts at x 0
        *left = x + inset;
        *right = x + w - 1 - inset;
        return *left <= *right;
    }
};

RoundRect roundRectOf(int32_t x, int32_t y, int32_t w, int32_t h, int32_t aw, int32_t ah) {
    int64_t cw = std::clamp<int64_t>(aw < 0 ? -int64_t(aw) : aw, 0, w);
    int64_t ch = std::clamp<int64_t>(ah < 0 ? -int64_t(ah) : ah, 0, h);
    return RoundRect{x, y, w, h, cw, ch, ellipseOf(0, 0, std::max<int64_t>(cw, 1), std::max<int64_t>(ch, 1))};
}

}  // namespace

void fillRoundRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t aw,
                   int32_t ah) {
    bool blend;
    if (!usable(g) || w <= 0 || h <= 0 || !alphaRule(g, &blend)) return;
    RoundRect rr = roundRectOf(x, y, w, h, aw, ah);
    Box c = clipBox(g);
    for (int64_t r = std::max<int64_t>(y, c.y0); r < std::min<int64_t>(int64_t(y) + h, c.y1); ++r) {
        int64_t l, rt;
        if (rr.row(r, &l, &rt)) span64(g, l, rt, r, false, blend);
    }
}

void drawRoundRect(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t aw,
                   int32_t ah) {
    if (!usable(g) || w <= 0 || h <= 0) return;
    // The outline covers w+1 by h+1 pixels, as drawRect does.
    RoundRect rr = roundRectOf(x, y, w + 1, h + 1, aw, ah);
    Box c = clipBox(g);
    bool dotted = g->stroke == 1;
    int phase = 0;
    auto ends = [&](int64_t r, int64_t* l, int64_t* rt) {
        if (r < y || r > int64_t(y) + h || !rr.row(r, l, rt)) {
            *l = INT64_MAX / 4;
            *rt = INT64_MIN / 4;
            return false;
        }
        return true;
    };
    for (int64_t r = std::max<int64_t>(y, c.y0); r < std::min<int64_t>(int64_t(y) + h + 1, c.y1); ++r) {
        int64_t l, rt, pl, pr, nl, nr;
        if (!rr.row(r, &l, &rt)) continue;
        bool above = ends(r - 1, &pl, &pr);
        bool below = ends(r + 1, &nl, &nr);
        bool edgeRow = !above || !below;
        int64_t leftTo = edgeRow ? rt : std::min(std::max(l, std::min(pl, nl) - 1), rt);
        int64_t rightFrom = std::max(std::min(rt, std::max(pr, nr) + 1), leftTo + 1);
        auto put = [&](int64_t px) {
            if (px < c.x0 || px >= c.x1) return;
            if (!dotted || phase >= 0) putSolid(g, g->target->pixelAt(int32_t(px), int32_t(r)));
            phase = stepPhase(phase);
        };
        for (int64_t px = std::max(l, c.x0 - 1); px <= std::min(leftTo, c.x1); ++px) put(px);
        for (int64_t px = std::max(rightFrom, c.x0 - 1); px <= std::min(rt, c.x1); ++px) put(px);
    }
}

// --- triangles ------------------------------------------------------------------

void fillTriangle(NativeGraphics* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                  int32_t y3) {
    bool blend;
    if (!usable(g) || !alphaRule(g, &blend)) return;
    struct P { int64_t x, y; } v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    std::sort(v, v + 3, [](const P& a, const P& b) { return a.y < b.y; });
    const P &top = v[0], &mid = v[1], &bot = v[2];
    Box c = clipBox(g);
    if (top.y >= c.y1 || bot.y < c.y0) return;
    if (top.y == bot.y) {
        span64(g, std::min({top.x, mid.x, bot.x}), std::max({top.x, mid.x, bot.x}), top.y, false, blend);
        return;
    }
    // 16.16 slopes per row upward; a flat edge (no rows) has none.
    auto slope = [](const P& from, const P& to) -> int64_t {
        int64_t dy = from.y - to.y;
        if (dy == 0) return 0;
        return int64_t(65536.0 * double(to.x - from.x) / double(dy));
    };
    int64_t longSlope = slope(bot, top), lowSlope = slope(bot, mid), highSlope = slope(mid, top);
    int64_t xa = bot.x << 16, xb = bot.x << 16;
    int64_t row = bot.y;
    // Rows below the clip are stepped over in one go.
    if (row >= c.y1) {
        int64_t skip = std::min(row - (c.y1 - 1), row - mid.y);
        if (skip > 0) {
            xa += longSlope * skip;
            xb += lowSlope * skip;
            row -= skip;
        }
    }
    for (; row > mid.y; --row) {
        if (row < c.y0) return;
        span64(g, xa >> 16, xb >> 16, row, false, blend);
        xa += longSlope;
        xb += lowSlope;
    }
    row = mid.y;
    xa = (bot.x << 16) + longSlope * (bot.y - mid.y);
    xb = mid.x << 16;
    if (row >= c.y1) {
        int64_t skip = std::min(row - (c.y1 - 1), row - top.y);
        xa += longSlope * skip;
        xb += highSlope * skip;
        row -= skip;
    }
    for (; row >= top.y; --row) {
        if (row < c.y0) return;
        span64(g, xa >> 16, xb >> 16, row, false, blend);
        xa += longSlope;
        xb += highSlope;
    }
}

void fillGradient(NativeGraphics* g, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t c1,
                  uint32_t c2, bool byColumns) {
    if (!usable(g) || w <= 0 || h <= 0) return;
    int32_t steps = byColumns ? w : h;
    float ch[3], st[3];
    for (int i = 0; i < 3; ++i) {
        int shift = 16 - 8 * i;
        ch[i] = float((c1 >> shift) & 0xFF);
        st[i] = (float((c2 >> shift) & 0xFF) - ch[i]) / float(steps);
    }
    uint16_t savedRgb = g->rgb565;
    uint8_t savedStroke = g->stroke;
    g->stroke = 0;
    for (int32_t s = 0; s < steps; ++s) {
        uint32_t colour = (uint32_t(int(ch[0])) << 16) | (uint32_t(int(ch[1])) << 8) | uint32_t(int(ch[2]));
        g->rgb565 = argbTo565(colour);
        if (byColumns)
            line(g, x + s, y, x + s, int32_t(int64_t(y) + h - 1));
        else
            span64(g, x, int64_t(x) + w - 1, int64_t(y) + s, false, false);
        for (int i = 0; i < 3; ++i) ch[i] += st[i];
    }
    g->rgb565 = savedRgb;
    g->stroke = savedStroke;
}

// --- blits ------------------------------------------------------------------------

namespace {
std::atomic<bool> scalarBlitsOnly{false};
}  // namespace

void useScalarBlits(bool on) { scalarBlitsOnly.store(on, std::memory_order_relaxed); }

void blitRowsScalar(const BlitRows& job) {
    uint32_t format = job.format;
    uint32_t ca = job.contextAlpha;
    uint32_t a5 = (ca + 1) >> 3;
    bool solid = ca >= 248;
    int64_t n = job.width, colStep = job.srcColumn, colStepA = job.alphaColumn;
    for (int64_t row = 0; row < job.rows; ++row) {
        const uint16_t* s = job.src + row * job.srcRow;
        uint16_t* d = job.dst + row * job.dstPitch;
        if (job.dstAlpha) {
            // Into an alpha plane: each pixel's weight is also its coverage.
            uint8_t* da = job.dstAlpha + row * job.dstAlphaPitch;
            const uint8_t* a = format == SURFACE_ALPHA ? job.alpha + row * job.alphaRow : nullptr;
            uint32_t factor = (ca + 1) & 255;
            for (int64_t i = 0; i < n; ++i, s += colStep) {
                uint32_t e = ca, w = a5;
                if (a) {
                    uint32_t p = *a;
                    a += colStepA;
                    if (solid) {
                        e = p;
                        w = (p + 1) >> 3;
                    } else {
                        e = ((p + 1) * factor) >> 8;
                        w = e >> 3;
                    }
                } else if (format == SURFACE_COLOUR_KEYED && *s == kColourKey) {
                    continue;
                }
                if (e >= 8) putOver(d + i, da + i, *s, e, w);
            }
        } else if (format == SURFACE_OPAQUE) {
            if (solid && colStep == 1) {
                std::memcpy(d, s, size_t(n) * 2);
            } else if (solid) {
                for (int64_t i = 0; i < n; ++i, s += colStep) d[i] = *s;
            } else {
                for (int64_t i = 0; i < n; ++i, s += colStep) d[i] = blend565(d[i], *s, a5);
            }
        } else if (format == SURFACE_COLOUR_KEYED) {
            if (solid) {
                for (int64_t i = 0; i < n; ++i, s += colStep)
                    if (*s != kColourKey) d[i] = *s;
            } else {
                for (int64_t i = 0; i < n; ++i, s += colStep)
                    if (*s != kColourKey) d[i] = blend565(d[i], *s, a5);
            }
        } else {
            const uint8_t* a = job.alpha + row * job.alphaRow;
            uint32_t factor = (ca + 1) & 255;
            for (int64_t i = 0; i < n; ++i, s += colStep, a += colStepA) {
                uint32_t p = *a;
                if (solid) {
                    if (p < 8) continue;
                    d[i] = p >= 248 ? *s : blend565(d[i], *s, (p + 1) >> 3);
                } else {
                    uint32_t e = ((p + 1) * factor) >> 8;
                    if (e < 8) continue;
                    d[i] = e >= 248 ? *s : blend565(d[i], *s, e >> 3);
                }
            }
        }
    }
}

int32_t blit(NativeGraphics* g, int32_t xDest, int32_t yDest, int32_t w, int32_t h,
             const Surface* source, int32_t xSrc, int32_t ySrc, uint32_t flags) {
    if (!usable(g) || !source || !source->pixels()) return HAL_BAD_ARGUMENT;
    uint32_t format = (flags >> 8) & 0xFF;
    if (format == 0) format = source->format();
    if (format < SURFACE_OPAQUE || format > SURFACE_ALPHA) return HAL_BAD_ARGUMENT;
    if (format == SURFACE_ALPHA && !source->alpha()) return HAL_BAD_ARGUMENT;
    if (w <= 0 || h <= 0) return HAL_OK;
    if (xSrc < 0 || ySrc < 0 || int64_t(xSrc) + w > source->width() ||
        int64_t(ySrc) + h > source->height())
        return HAL_BAD_ARGUMENT;
    if (g->alpha < 8) return HAL_OK;
    bool revRows = flags & BLIT_REVERSE_ROWS, revCols = flags & BLIT_REVERSE_COLUMNS;
    bool swap = flags & BLIT_SWAP_AXES;
    int64_t dw = swap ? h : w, dh = swap ? w : h;
    Box c = clipBox(g);
    int64_t x0 = std::max<int64_t>(xDest, c.x0), y0 = std::max<int64_t>(yDest, c.y0);
    int64_t x1 = std::min<int64_t>(xDest + dw, c.x1), y1 = std::min<int64_t>(yDest + dh, c.y1);
    if (x1 - x0 < 1 || y1 - y0 < 1) return HAL_OK;
    // An overlapping copy within one surface reads through a temporary.
    std::vector<uint16_t> tmpPixels;
    std::vector<uint8_t> tmpAlpha;
    const uint16_t* srcPixels = source->pixelAt(xSrc, ySrc);
    const uint8_t* srcAlpha = source->alpha() ? source->alphaAt(xSrc, ySrc) : nullptr;
    int64_t srcPitch = source->pitch(), alphaPitch = source->width();
    if (source == g->target) {
        tmpPixels.resize(size_t(w) * size_t(h));
        for (int32_t r = 0; r < h; ++r)
            std::memcpy(&tmpPixels[size_t(r) * w], srcPixels + r * srcPitch, size_t(w) * 2);
        if (srcAlpha) {
            tmpAlpha.resize(size_t(w) * size_t(h));
            for (int32_t r = 0; r < h; ++r)
                std::memcpy(&tmpAlpha[size_t(r) * w], srcAlpha + r * alphaPitch, size_t(w));
            srcAlpha = tmpAlpha.data();
        }
        srcPixels = tmpPixels.data();
        srcPitch = alphaPitch = w;
    }
    // Source offsets of destination (column, row) steps.
    int64_t colStepX = 0, colStepY = 0, rowStepX = 0, rowStepY = 0;
    int64_t ox = revCols ? w - 1 : 0, oy = revRows ? h - 1 : 0;  // the rectangle's first pixel
    if (!swap) {
        colStepX = revCols ? -1 : 1;
        rowStepY = revRows ? -1 : 1;
    } else {
        colStepY = revRows ? -1 : 1;
        rowStepX = revCols ? -1 : 1;
    }
    int64_t cx = x0 - xDest, cy = y0 - yDest;
    int64_t sx = ox + colStepX * cx + rowStepX * cy;
    int64_t sy = oy + colStepY * cx + rowStepY * cy;
    BlitRows job{};
    job.dst = g->target->pixelAt(int32_t(x0), int32_t(y0));
    job.dstPitch = g->target->pitch();
    job.dstAlpha = alphaUnder(g, job.dst);
    job.dstAlphaPitch = g->target->width();
    job.src = srcPixels + sx + sy * srcPitch;
    job.srcColumn = colStepX + colStepY * srcPitch;
    job.srcRow = rowStepX + rowStepY * srcPitch;
    if (format == SURFACE_ALPHA) {
        job.alpha = srcAlpha + sx + sy * alphaPitch;
        job.alphaColumn = colStepX + colStepY * alphaPitch;
        job.alphaRow = rowStepX + rowStepY * alphaPitch;
    }
    job.width = x1 - x0;
    job.rows = y1 - y0;
    job.format = format;
    job.contextAlpha = g->alpha;
    if (job.dstAlpha || scalarBlitsOnly.load(std::memory_order_relaxed))
        blitRowsScalar(job);
    else
        blitRowsVector(job);
    return HAL_OK;
}

// --- text ---------------------------------------------------------------------------

namespace {
TextSurface* textSurface = nullptr;
NativeGraphics* textContext = nullptr;
}  // namespace

void releaseTextSurface() {
    delete textContext;
    textContext = nullptr;
    delete textSurface;
    textSurface = nullptr;
}

void drawString(NativeGraphics* g, const char16_t* text, int32_t length, int32_t x, int32_t y) {
    if (!usable(g) || !g->font || !text || length <= 0) return;
    int32_t fullW = HAL_getStringWidth(g->font, text, length);
    int32_t fullH = HAL_getFontHeight(g->font);
    if (fullW <= 0 || fullH <= 0) return;
    Box c = clipBox(g);
    int64_t x0 = std::max<int64_t>(x, c.x0), y0 = std::max<int64_t>(y, c.y0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + fullW, c.x1);
    int64_t y1 = std::min<int64_t>(int64_t(y) + fullH, c.y1);
    if (x1 <= x0 || y1 <= y0) return;
    int32_t w = int32_t(x1 - x0), h = int32_t(y1 - y0);
    int32_t needW = (std::min(w, g->target->width()) + 3) & ~3;
    int32_t needH = std::min(h, g->target->height());
    if (!textSurface || textSurface->width() < needW || textSurface->height() < needH) {
        int32_t newW = std::max(needW, textSurface ? textSurface->width() : 0);
        int32_t newH = std::max(needH, textSurface ? textSurface->height() : 0);
        TextSurface* grown = TextSurface::create(newW, newH);
        if (!grown) return;
        releaseTextSurface();
        textSurface = grown;
        textContext = NativeGraphics_createOnSurface(textSurface);
        if (!textContext) {
            releaseTextSurface();
            return;
        }
    }
    // Surface rows 0..h-1 are GDI's last h rows, reversed.
    bool alphaTarget = g->target->alpha() != nullptr;
    // Text into an alpha plane is drawn over a plain background far from the
    // text's colour in every channel, so that each pixel's distance from it
    // tells how much of the glyph covers the pixel.
    uint16_t background = uint16_t(((g->rgb565 & 0xF800) < 0x8000 ? 0xF800 : 0) |
                                   ((g->rgb565 & 0x07E0) < 0x0400 ? 0x07E0 : 0) |
                                   ((g->rgb565 & 0x001F) < 0x0010 ? 0x001F : 0));
    if (alphaTarget) {
        for (int32_t r = 0; r < h; ++r) std::fill_n(textSurface->pixelAt(0, r), w, background);
    } else {
        blit(textContext, 0, 0, w, h, g->target, int32_t(x0), int32_t(y0), BLIT_REVERSE_ROWS);
    }
    ce::HDC dc = textSurface->dc();
    ce::SetBkMode(dc, ce::TRANSPARENT);
    ce::HGDIOBJ previous = ce::SelectObject(dc, g->font->font);
    ce::SetTextColor(dc, ce::RGB(int(g->argb >> 16), int(g->argb >> 8), int(g->argb)));
    // The string keeps its own origin when the clip cut its top or left.
    int32_t top = textSurface->height() - h - int32_t(y0 - y);
    ce::RECT rect{int32_t(x - x0), top, int32_t(x - x0) + fullW, top + fullH};
    ce::DrawTextW(dc, text, length, &rect, ce::DT_NOPREFIX | ce::DT_SINGLELINE);
    if (previous) ce::SelectObject(dc, previous);
    if (alphaTarget) {
        // Green has the most levels: its distance from the background is the
        // coverage.
        int32_t fgGreen = (g->rgb565 >> 5) & 0x3F, bgGreen = (background >> 5) & 0x3F;
        int32_t full = std::abs(fgGreen - bgGreen);
        for (int32_t r = 0; r < h; ++r) {
            const uint16_t* t = textSurface->pixelAt(0, h - 1 - r);
            uint16_t* d = g->target->pixelAt(int32_t(x0), int32_t(y0) + r);
            uint8_t* da = alphaUnder(g, d);
            for (int32_t i = 0; i < w; ++i) {
                if (t[i] == background) continue;
                int32_t green = (t[i] >> 5) & 0x3F;
                uint32_t e = uint32_t(std::min(255, std::abs(green - bgGreen) * 255 / full));
                if (e >= 8) putOver(d + i, da + i, g->rgb565, e, (e + 1) >> 3);
            }
        }
        return;
    }
    // Copy back (the surface's first h rows), solid whatever the colour's
    // alpha: GDI has already drawn the text opaque.
    uint8_t savedAlpha = g->alpha;
    g->alpha = 255;
    blit(g, int32_t(x0), int32_t(y0), w, h, textSurface, 0, 0, BLIT_REVERSE_ROWS);
    g->alpha = savedAlpha;
}

}  // namespace render
