// The blit's vector rows against its scalar rows: the same random pixels,
// alpha bytes and background through both, for every source format and
// override, context alphas around the thresholds, all eight transforms and
// clips that cut every edge, on every vector unit the dispatcher has here.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "HAL_graphics.h"
#include "HAL_render.h"
#include "HAL_status.h"

namespace {

std::mt19937 rng(20240611);

// Alpha bytes crowd the rule's edges (0-9, 246-255) half the time.
uint8_t randomAlpha() {
    uint32_t r = rng();
    if (r & 1) return uint8_t((r >> 1) & 0xFF);
    uint32_t k = (r >> 1) % 20;
    return uint8_t(k < 10 ? k : 236 + k);
}

// A surface of random pixels, about one in five of them the colour key.
std::unique_ptr<Surface> randomSurface(int w, int h, uint8_t format) {
    size_t bytes = SurfacePixels_size(w, h, format);
    auto* block = static_cast<uint16_t*>(SurfacePixels_allocate(bytes));
    std::unique_ptr<Surface> s(Surface::wrap(block, w, h, format));
    for (int i = 0; i < w * h; ++i) block[i] = rng() % 5 == 0 ? kColourKey : uint16_t(rng());
    if (uint8_t* a = s->alpha())
        for (int i = 0; i < w * h; ++i) a[i] = randomAlpha();
    return s;
}

struct Target {
    std::unique_ptr<Surface> surface;
    std::unique_ptr<NativeGraphics> g;
    Target(int w, int h, const std::vector<uint16_t>& background)
        : surface(Surface::createOpaque(w, h)), g(NativeGraphics_createOnSurface(surface.get())) {
        std::copy(background.begin(), background.end(), surface->pixels());
    }
    std::vector<uint16_t> pixels() const {
        return std::vector<uint16_t>(surface->pixels(),
                                     surface->pixels() + surface->width() * surface->height());
    }
};

struct Geometry {
    const char* name;
    int targetW, targetH;
    int sourceW, sourceH;
    int xSrc, ySrc, w, h;  // the source rectangle
    int x, y;              // where it goes
    int clipX, clipY, clipW, clipH;
};

// Widths around every vector length (1 to 32 pixels), runs shorter than one
// vector, whole rows of both surfaces.
const Geometry kGeometries[] = {
    {"one pixel", 4, 4, 3, 3, 1, 1, 1, 1, 2, 2, 0, 0, 4, 4},
    {"short rows", 20, 20, 13, 9, 2, 1, 7, 5, 3, 4, 0, 0, 20, 20},
    {"odd sizes, clipped on every edge", 90, 80, 77, 70, 3, 2, 67, 61, 5, 4, 9, 7, 60, 55},
    {"half outside the top left", 50, 50, 45, 45, 0, 0, 45, 45, -20, -13, 0, 0, 50, 50},
    {"whole rows of both surfaces", 40, 48, 40, 48, 0, 0, 40, 48, 0, 0, 0, 0, 40, 48},
    {"whole rows, lower", 33, 40, 33, 30, 0, 0, 33, 17, 0, 9, 0, 0, 33, 40},
    // Rows longer than the gather's chunk, unturned and turned.
    {"long rows across", 270, 6, 262, 5, 0, 0, 261, 5, 1, 0, 0, 0, 270, 6},
    {"long rows down", 270, 6, 5, 262, 0, 0, 5, 261, 1, 0, 0, 0, 270, 6},
};

struct Source {
    const char* name;
    uint8_t format;     // of the surface
    uint32_t override;  // bits 8-15 of the flags
};

const Source kSources[] = {
    {"opaque", SURFACE_OPAQUE, 0},
    {"opaque drawn colour-keyed", SURFACE_OPAQUE, SURFACE_COLOUR_KEYED},
    {"colour-keyed", SURFACE_COLOUR_KEYED, 0},
    {"colour-keyed drawn opaque", SURFACE_COLOUR_KEYED, SURFACE_OPAQUE},
    {"alpha", SURFACE_ALPHA, 0},
    {"alpha drawn colour-keyed", SURFACE_ALPHA, SURFACE_COLOUR_KEYED},
};

const uint32_t kContextAlphas[] = {255, 248, 247, 200, 128, 9, 8};

// Blits through the scalar rows and the vector rows onto copies of one
// background and compares them; empty when they agree.
std::string compare(const Geometry& geo, const Surface* src, uint32_t flags, uint32_t alpha,
                    bool fromTarget) {
    std::vector<uint16_t> background(size_t(geo.targetW) * geo.targetH);
    for (uint16_t& p : background) p = uint16_t(rng());
    std::vector<uint16_t> results[2];
    int32_t status[2];
    for (int vector = 0; vector < 2; ++vector) {
        Target t(geo.targetW, geo.targetH, background);
        t.g->setColour((alpha << 24) | 0x123456);
        t.g->intersectClip(geo.clipX, geo.clipY, geo.clipW, geo.clipH);
        render::useScalarBlits(vector == 0);
        status[vector] =
            render::blit(t.g.get(), geo.x, geo.y, geo.w, geo.h, fromTarget ? t.surface.get() : src,
                         geo.xSrc, geo.ySrc, flags);
        results[vector] = t.pixels();
    }
    render::useScalarBlits(false);
    if (status[0] != HAL_OK || status[1] != HAL_OK) return "refused";
    for (size_t i = 0; i < results[0].size(); ++i)
        if (results[0][i] != results[1][i])
            return "pixel (" + std::to_string(i % size_t(geo.targetW)) + ", " +
                   std::to_string(i / size_t(geo.targetW)) + "): scalar " +
                   std::to_string(results[0][i]) + ", vector " + std::to_string(results[1][i]);
    return "";
}

void compareEverything() {
    for (const Geometry& geo : kGeometries) {
        for (const Source& source : kSources) {
            std::unique_ptr<Surface> src = randomSurface(geo.sourceW, geo.sourceH, source.format);
            for (uint32_t transform = 0; transform < 8; ++transform) {
                for (uint32_t alpha : kContextAlphas) {
                    std::string diff =
                        compare(geo, src.get(), transform | source.override << 8, alpha, false);
                    EXPECT_EQ(diff, "") << geo.name << ", " << source.name << ", transform "
                                        << transform << ", context alpha " << alpha;
                }
            }
        }
    }
    // A copy within the target itself (overlapping, through a temporary).
    const Geometry overlap = {
        "copy within the target", 70, 40, 70, 40, 3, 2, 50, 30, 9, 5, 0, 0, 70, 40};
    for (uint32_t transform = 0; transform < 8; ++transform)
        EXPECT_EQ(compare(overlap, nullptr, transform, 255, true), "") << "transform " << transform;
}

TEST(RenderVectorBlit, EveryVectorUnitHereDrawsWhatTheScalarRowsDraw) {
    std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    for (int64_t target : targets) {
        SCOPED_TRACE(hwy::TargetName(target));
        hwy::SetSupportedTargetsForTest(target);
        EXPECT_STREQ(render::blitVectorTarget(), hwy::TargetName(target));
        compareEverything();
    }
    hwy::SetSupportedTargetsForTest(0);
}

}  // namespace
