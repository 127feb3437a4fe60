// What an entity screen draws, read back pixel by pixel: its background at
// the game area's origin however far the game area is moved on a larger
// screen, layers from 0 up with their clips, the cursor, and the fills on
// top.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "javax_microedition_lcdui_Image.h"
#include "midp/graphics_test_support.h"
#include "toolkit_support.h"

namespace wrentest::toolkit {
namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using ui::Screen;

constexpr uint32_t kBlack = 0xFF000000;

struct Picture {
    VMPtr<Image> image;
    std::vector<uint32_t> px;
    jint w = 0;
    uint32_t at(jint x, jint y) const { return px[size_t(y * w + x)]; }
};

Picture readBack(const VMPtr<Image>& image) {
    return {image, gfxtest::pixels(image), image->getWidth()};
}

jint red(uint32_t p) { return jint((p >> 16) & 0xFF); }
jint blue(uint32_t p) { return jint(p & 0xFF); }

class ToolkitPaint : public ToolkitTest {
protected:
    // The screen as a scene's one object, painted through the scene into
    // g translated to the game area, as the main object's paint does.
    void paintInScene(const VMPtr<Screen>& screen, const VMPtr<Graphics>& g) {
        VMPtr<LogScene> scene = LogScene::make(nullptr);
        scene->addObject(screen);
        scene->trimObjects();
        scene->sortDrawOrder();
        scene->paint(g);
    }
};

TEST_F(ToolkitPaint, TheGradientLiesAtTheGameAreaOriginOnA480By640Screen) {
    canvas->width = 480;
    canvas->height = 640;
    VMPtr<Image> frame = Image::createImage(480, 640, false, 0);
    VMPtr<Graphics> g = frame->getGraphics();
    g->translate(120, 160);  // the game area centred
    VMPtr<Screen> screen = Screen::make();
    screen->setLayerCapacity(0);
    screen->setBackgroundColors(0xFF0000, 0x0000FF);
    screen->setBackgroundEnabled(true);
    paintInScene(screen, g);

    Picture p = readBack(frame);
    // Top row: the first colour all across; bottom row: the second.
    for (jint x = 120; x < 360; x += 17) {
        EXPECT_EQ(p.at(x, 160), gfxtest::kRed) << x;
        EXPECT_GT(blue(p.at(x, 479)), 0xF0) << x;
        EXPECT_LT(red(p.at(x, 479)), 0x08) << x;
    }
    // Top to bottom, red falls and blue rises.
    for (jint y = 170; y < 480; y += 10) {
        EXPECT_LE(red(p.at(200, y)), red(p.at(200, y - 10))) << y;
        EXPECT_GE(blue(p.at(200, y)), blue(p.at(200, y - 10))) << y;
    }
    // Nothing outside the game area.
    for (auto [x, y] : std::vector<std::pair<jint, jint>>{
             {119, 160}, {360, 160}, {120, 159}, {120, 480}, {359, 480}, {0, 0}, {479, 639}, {400, 500}})
        EXPECT_EQ(p.at(x, y), kBlack) << x << "," << y;
}

TEST_F(ToolkitPaint, EqualColoursFillSolidAndADisabledBackgroundDrawsNothing) {
    struct Case {
        const char* name;
        bool enabled;
        jint color1, color2;
        uint32_t inside;
    };
    const std::vector<Case> cases = {
        {"solid", true, 0x00FF00, 0x00FF00, gfxtest::kGreen},
        {"disabled", false, 0x00FF00, 0xFF0000, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<Image> frame = Image::createImage(480, 640, false, 0);
        VMPtr<Graphics> g = frame->getGraphics();
        g->translate(120, 160);
        VMPtr<Screen> screen = Screen::make();
        screen->setLayerCapacity(0);
        screen->setBackgroundColors(c.color1, c.color2);
        screen->setBackgroundEnabled(c.enabled);
        paintInScene(screen, g);
        Picture p = readBack(frame);
        for (auto [x, y] : std::vector<std::pair<jint, jint>>{{120, 160}, {359, 479}, {240, 320}})
            EXPECT_EQ(p.at(x, y), c.inside) << x << "," << y;
        EXPECT_EQ(p.at(119, 160), kBlack);
        EXPECT_EQ(p.at(360, 479), kBlack);
    }
}

TEST_F(ToolkitPaint, LayersDrawFromZeroUpWithTheirClipsAndFillsOnTop) {
    VMPtr<Screen> s = Screen::make();
    s->setLayerCapacity(4);
    s->setGobLayer(0, kGobsId);                       // red, its picture 1, 2 from 0, 0
    s->setLayer(1, kGobsId, kAnimsId, 2, 3, 4);       // blue at 3, 4
    s->setLayer(2, kGobsId, kAnimsId, 1, 8, 0);       // green at 8, 0, clipped to x < 10
    s->setLayerClip(2, VMArray<jint>::of({0, 0, 10, 8}));
    s->setLayer(3, kGobsId, kAnimsId, 1, 0, 4);       // above the cursor: not drawn
    s->setLayerCursor(3);
    s->setLayerClip(1, VMArray<jint>::of({0, 0, 0, 8}));  // no clip of its own
    s->createFillRects(2);
    s->setFillRect(1, VMArray<jint>::of({10, 6, 2, 2, 99}), 0xFFFF00);
    s->setFillRect(0, VMArray<jint>::of({0, 0, 1, 1}), 0xFFFF00);
    s->clearFillRect(0);

    // On a 12 by 8 target, '.' for the untouched white.
    VMPtr<Image> target = gfxtest::blank(12, 8);
    VMPtr<Graphics> g = target->getGraphics();
    s->paint(g);
    EXPECT_EQ(gfxtest::picture(target), (std::vector<std::string>{
                                  "........gg..",
                                  "........gg..",
                                  ".rrrr...gg..",
                                  ".rrrr...gg..",
                                  ".rrbbbb.....",
                                  ".rrbbbb.....",
                                  "...bbbb...yy",
                                  "...bbbb...yy",
                              }));
    // The clip ends as the whole game area (within the 12 by 8 target).
    EXPECT_EQ((std::vector<jint>{g->getClipX(), g->getClipY(), g->getClipWidth(), g->getClipHeight()}),
              (std::vector<jint>{0, 0, 12, 8}));

    // The layer clip is the layer's own: the Graphics' clip comes back
    // after it, and a clip set before the paint bounds the clip-less layer.
    VMPtr<Image> second = gfxtest::blank(12, 8);
    VMPtr<Graphics> g2 = second->getGraphics();
    g2->setClip(0, 0, 5, 8);
    s->clearFillRect(1);
    s->releaseLayer(2);
    s->paint(g2);
    EXPECT_EQ(gfxtest::picture(second), (std::vector<std::string>{
                                  "............",
                                  "............",
                                  ".rrrr.......",
                                  ".rrrr.......",
                                  ".rrbb.......",
                                  ".rrbb.......",
                                  "...bb.......",
                                  "...bb.......",
                              }));
    EXPECT_EQ((std::vector<jint>{g2->getClipX(), g2->getClipY(), g2->getClipWidth(), g2->getClipHeight()}),
              (std::vector<jint>{0, 0, 12, 8}));
}

TEST_F(ToolkitPaint, ACursorAboveASmallerCapacityDrawsAndStepsOnlyTheLayersThereAre) {
    VMPtr<Screen> s = Screen::make();
    s->setLayerCapacity(3);
    s->appendLayer(kGobsId);
    s->appendLayer(kGobsId);
    s->appendLayer(kGobsId);
    s->setLayerCapacity(1);  // the cursor stays at 3, the layers are gone
    EXPECT_EQ(s->getLayerCount(), 3);
    s->setLayer(0, kGobsId, kAnimsId, 1, 8, 0);  // green at 8, 0
    VMPtr<Image> target = gfxtest::blank(12, 8);
    s->paint(target->getGraphics());
    s->doUpdate();
    // The one layer there is, drawn; nothing read past it.
    EXPECT_EQ(gfxtest::picture(target)[0], "........gggg");
}

}  // namespace
}  // namespace wrentest::toolkit
