// The game area: where setGameAreaSize centres it, the letterbox the frame
// paint draws around it (read back as pixels), the translation and clip the
// game paints with, a size change re-centring it; and the canvas's geometry
// helpers.
#include "framework_test_support.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "midp/graphics_test_support.h"

namespace wrentest::framework {
namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::WrenCanvas;

struct Area {
    jint x, y, width, height;
    bool operator==(const Area& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Area& a) {
    return out << "(" << a.x << ", " << a.y << ", " << a.width << ", " << a.height << ")";
}

struct AreaCase {
    const char* name;
    jint requestWidth, requestHeight;
    Area area;
};

// On the 240 by 320 screen.
const AreaCase kAreas[] = {
    {"ScreenSized", 0, 0, {0, 0, 240, 320}},
    {"Centred", 176, 208, {32, 56, 176, 208}},
    {"OddSizesRoundTowardZero", 177, 209, {31, 55, 177, 209}},
    {"OnePixelNarrower", 239, -1, {0, 0, 239, 320}},
    {"WiderThanTheScreen", 300, -1, {-30, 0, 300, 320}},
    {"TallerThanTheScreen", 200, 400, {20, -40, 200, 400}},
};

class GameAreaTest : public CanvasTest, public ::testing::WithParamInterface<AreaCase> {
protected:
    Area area() {
        return {canvas->getGameAreaX(), canvas->getGameAreaY(), canvas->getGameAreaWidth(),
                canvas->getGameAreaHeight()};
    }
    // The frame paint into a white 240 by 320 image, the game filling all it
    // may with green. One letter per pixel: '#' black, 'g' green, '.' white.
    std::vector<std::string> paintFrame(bool afterRepaintRequest) {
        VMPtr<Image> screen = gfxtest::blank(240, 320);
        canvas->onPaint = [&](const VMPtr<Graphics>& g) {
            translated = {g->getTranslateX(), g->getTranslateY(), g->getClipWidth(),
                          g->getClipHeight()};
            g->setColor(0x00FF00);
            g->fillRect(-1000, -1000, 3000, 3000);
        };
        canvas->repaintAll = afterRepaintRequest;
        canvas->paintFrame(screen->getGraphics());
        return gfxtest::picture(screen);
    }
    Area translated{};
};

TEST_P(GameAreaTest, SetGameAreaSizeCentresTheArea) {
    const AreaCase& c = GetParam();
    canvas->repaintRequested = false;
    canvas->setGameAreaSize(c.requestWidth, c.requestHeight);
    EXPECT_EQ(area(), c.area);
    EXPECT_EQ(canvas->requestedAreaWidth, c.requestWidth);
    EXPECT_EQ(canvas->requestedAreaHeight, c.requestHeight);
    EXPECT_TRUE(canvas->repaintRequested);
}

// After a repaint request everything of the screen outside the area is
// black and the area is the game's; on other frames the bars are left as
// they were. The game draws translated to the area's corner and clipped to
// it.
TEST_P(GameAreaTest, TheFramePaintLetterboxesTheArea) {
    const AreaCase& c = GetParam();
    canvas->setGameAreaSize(c.requestWidth, c.requestHeight);
    const Area& a = c.area;
    for (bool repaint : {true, false}) {
        SCOPED_TRACE(repaint ? "after a repaint request" : "on a later frame");
        std::vector<std::string> picture = paintFrame(repaint);
        int wrong = 0;
        for (jint y = 0; y < 320; ++y) {
            for (jint x = 0; x < 240; ++x) {
                bool inside = x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height;
                char expected = inside ? 'g' : (repaint ? '#' : '.');
                if (picture[size_t(y)][size_t(x)] != expected && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is '"
                                  << picture[size_t(y)][size_t(x)] << "', not '" << expected
                                  << "'";
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(translated.x, a.x);
        EXPECT_EQ(translated.y, a.y);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, GameAreaTest, ::testing::ValuesIn(kAreas),
                         [](const ::testing::TestParamInfo<AreaCase>& info) {
                             return std::string(info.param.name);
                         });

class GameAreaOpsTest : public CanvasTest {};

// The bars and the 177 by 209 area: a bottom bar of 56 rows and a right bar
// of 32 columns, the top and left ones as wide as the offsets.
TEST_F(GameAreaOpsTest, TheBarsOfA177By209AreaTakeTheRoundedUpHalf) {
    canvas->setGameAreaSize(177, 209);
    VMPtr<Image> screen = gfxtest::blank(240, 320);
    canvas->repaintAll = true;
    canvas->onPaint = [](const VMPtr<Graphics>&) {};  // the game draws nothing
    canvas->paintFrame(screen->getGraphics());
    std::vector<std::string> p = gfxtest::picture(screen);
    auto rowIs = [&](jint y, char c) { return p[size_t(y)] == std::string(240, c); };
    for (jint y = 0; y < 55; ++y) EXPECT_TRUE(rowIs(y, '#')) << "top row " << y;
    for (jint y = 264; y < 320; ++y) EXPECT_TRUE(rowIs(y, '#')) << "bottom row " << y;
    for (jint y = 55; y < 264; ++y) {
        EXPECT_EQ(p[size_t(y)], std::string(31, '#') + std::string(177, '.') + std::string(32, '#'))
            << "row " << y;
    }
}

TEST_F(GameAreaOpsTest, AFrameWithoutGraphicsRequestsAFullRepaint) {
    canvas->repaintRequested = false;
    canvas->paintFrame(nullptr);
    EXPECT_TRUE(canvas->repaintRequested);
    EXPECT_EQ(canvas->paints, 0);
}

// A size change re-centres the requested size; the single setters are not
// repeated.
TEST_F(GameAreaOpsTest, ASizeChangeReCentresTheRequestedArea) {
    canvas->setGameAreaSize(176, 208);
    canvas->setGameAreaX(10);
    EXPECT_EQ(canvas->getGameAreaX(), 10);
    canvas->width = 320;
    canvas->height = 240;
    canvas->sizeChanged(320, 240);
    EXPECT_TRUE(canvas->sizeChangePending);
    canvas->checkSizeChanged();
    EXPECT_FALSE(canvas->sizeChangePending);
    EXPECT_EQ(canvas->getScreenWidth(), 320);
    EXPECT_EQ(canvas->getGameAreaX(), 72);
    EXPECT_EQ(canvas->getGameAreaY(), 16);
    EXPECT_EQ(canvas->eventCodes(), std::vector<jint>{WrenCanvas::EVENT_SIZE_CHANGED});
    canvas->checkSizeChanged();  // consumed
    EXPECT_EQ(canvas->events.size(), 1u);
}

// With the area offset on the screen a clip is cut to the area; with no
// offset it is passed on as given.
TEST_F(GameAreaOpsTest, SetClipInGameAreaCutsOnlyAnOffsetArea) {
    struct Case {
        jint areaX, areaY;
        Area clip, expected;
    };
    const Case cases[] = {
        {20, 20, {-5, 0, 20, 20}, {0, 0, 15, 20}},
        {20, 20, {90, 90, 20, 20}, {90, 90, 10, 10}},
        {20, 0, {0, -8, 30, 30}, {0, 0, 30, 22}},
        {0, 0, {90, 90, 20, 20}, {90, 90, 20, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.clip));
        canvas->setGameAreaSize(100, 100);
        canvas->setGameAreaPosition(c.areaX, c.areaY);
        VMPtr<Graphics> g = gfxtest::blank(240, 320)->getGraphics();
        canvas->setClipInGameArea(g, c.clip.x, c.clip.y, c.clip.width, c.clip.height);
        EXPECT_EQ((Area{g->getClipX(), g->getClipY(), g->getClipWidth(), g->getClipHeight()}),
                  c.expected);
    }
}

TEST_F(GameAreaOpsTest, RectanglesThatOnlyTouchDoNotIntersect) {
    struct Case {
        Area a, b;
        bool intersect;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {10, 0, 5, 5}, false},
        {{0, 0, 10, 10}, {9, 9, 5, 5}, true},
        {{0, 0, 10, 10}, {0, 10, 10, 10}, false},
        {{5, 5, 1, 1}, {0, 0, 10, 10}, true},
        {{0, 0, 0, 10}, {0, 0, 10, 10}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.a) + " " + testing::PrintToString(c.b));
        EXPECT_EQ(WrenCanvas::rectsIntersect(c.a.x, c.a.y, c.a.width, c.a.height, c.b.x, c.b.y,
                                             c.b.width, c.b.height),
                  c.intersect);
        EXPECT_EQ(WrenCanvas::rectsIntersect(c.b.x, c.b.y, c.b.width, c.b.height, c.a.x, c.a.y,
                                             c.a.width, c.a.height),
                  c.intersect);
    }
}

// The drawing offsets of a 4 by 6 region at (1, 2) under each transform.
TEST_F(GameAreaOpsTest, TransformOffsetsFollowTheMirrorAndSwapFlags) {
    struct Case {
        jint transform, x, y;
    };
    const Case cases[] = {
        {0, 1, 2},  {1, 1, -8}, {2, -5, 2}, {3, -5, -8},
        {4, 2, 1},  {5, -8, 1}, {6, 2, -5}, {7, -8, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transform);
        EXPECT_EQ(canvas->transformX(1, 2, 4, 6, c.transform), c.x);
        EXPECT_EQ(canvas->transformY(1, 2, 4, 6, c.transform), c.y);
    }
}

}  // namespace
}  // namespace wrentest::framework
