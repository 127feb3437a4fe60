// The platform extension over Graphics: alpha fills that put the Graphics'
// alpha back, gradients from opaque colours, and the reserved operation,
// which draws nothing.
#include "graphics_support.h"

#include "java_lang_IllegalArgumentException.h"
#include "wren_platform_ExtendedGraphics.h"

using namespace gfxfw;
using wren::platform::ExtendedGraphics;
using wren::platform::PlatformExtension;

namespace {

constexpr uint32_t kHalfRedOverBlack = 0xFF780000;

TEST(ExtendedGraphics, AlphaFillsPutTheGraphicsAlphaBack) {
    VMPtr<PlatformExtension> ext = ExtendedGraphics::make();
    struct Case {
        const char* name;
        jint graphicsAlpha, alpha;
        uint32_t pixel;
    } cases[] = {
        {"another alpha", 255, 128, kHalfRedOverBlack},
        {"the Graphics' own alpha", 128, 128, kHalfRedOverBlack},
        {"opaque over a faded Graphics", 40, 255, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int shape = 0; shape < 2; ++shape) {
            Target target(4, 4, kBlack);
            target.g->setColor(0xFF0000);
            target.g->setAlpha(c.graphicsAlpha);
            if (shape == 0)
                ext->fillRect(target.g, 0, 0, 4, 4, c.alpha);
            else
                ext->fillTriangle(target.g, 0, 0, 8, 0, 0, 8, c.alpha);
            EXPECT_EQ(target.at(0, 0), c.pixel);
            EXPECT_EQ(target.g->getAlpha(), c.graphicsAlpha);
        }
    }
    // An alpha the Graphics refuses is refused before anything is drawn.
    Target target(4, 4, kBlack);
    target.g->setColor(0xFF0000);
    EXPECT_EQ(wrentest::thrownName([&] { ext->fillRect(target.g, 0, 0, 4, 4, 300); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(target.at(0, 0), kBlack);
    EXPECT_EQ(target.g->getAlpha(), 255);
}

// Colours with a clear top byte are drawn opaque; down steps by row,
// across by column; the translation applies.
TEST(ExtendedGraphics, GradientsStartFromOpaqueColours) {
    VMPtr<PlatformExtension> ext = ExtendedGraphics::make();
    for (bool across : {false, true}) {
        SCOPED_TRACE(across ? "across" : "down");
        Target target(6, 6, kBlack);
        target.g->translate(1, 1);
        ext->fillGradient(target.g, 0, 0, 4, 4, 0x00FF0000, 0x000000FF, across);
        EXPECT_EQ(target.at(1, 1), kRed);
        EXPECT_EQ(target.at(0, 0), kBlack);
        // The far edge has moved towards blue; the other direction has not.
        uint32_t far = across ? target.at(4, 1) : target.at(1, 4);
        uint32_t side = across ? target.at(1, 4) : target.at(4, 1);
        EXPECT_NE(far, kRed);
        EXPECT_NE(far & 0xFF, 0u);
        EXPECT_EQ(side, kRed);
    }
}

TEST(ExtendedGraphics, TheReservedOperationLeavesTheTargetAlone) {
    VMPtr<PlatformExtension> ext = ExtendedGraphics::make();
    Target target(4, 4);
    target.g->setColor(0xFF0000);
    std::vector<uint32_t> before = target.pixels();
    ext->reservedDraw(target.g, 0, 0, 4, 4, 1);
    target.g->reservedDraw(-1, 2, 3, 4, 5);
    EXPECT_EQ(target.pixels(), before);
    EXPECT_EQ(target.g->getColor(), 0xFF0000);
}

}  // namespace
