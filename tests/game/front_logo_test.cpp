// The logo scene: three seconds of scene time on a white game area, the
// logo placed by its frame size, then the first text table again, font 1
// and the menu's language page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "front_support.h"
#include "scene_SceneManager.h"
#include "scene_menu_MenuScene.h"
#include "scene_splash_LogoScene.h"

namespace wrentest::front {
namespace {

using scene::splash::LogoScene;

Calls fontsAndTables(const Calls& all) {
    Calls out;
    for (const std::string& c : all)
        if (c.rfind("language", 0) == 0 || c.rfind("font", 0) == 0 || c.rfind("release font", 0) == 0)
            out.push_back(c);
    return out;
}

class LogoTest : public FrontTest {
protected:
    // The manager and its logo, then logo updates of 40 ms up to 2960 ms.
    void runTo2960() {
        frame();
        calls();
        for (int i = 0; i < 74; ++i) frame();
        ASSERT_EQ(current()->sceneTime, 2960);
        ASSERT_EQ(manager()->sceneId, 0);
    }
};

TEST_F(LogoTest, At2999TheLogoStaysAt3000TheMenuComes) {
    runTo2960();
    canvas->frameMs = 39;
    frame();
    EXPECT_EQ(current()->sceneTime, 2999);
    EXPECT_EQ(manager()->sceneId, 0);
    EXPECT_EQ(fontsAndTables(calls()), Calls{});
    canvas->frameMs = 1;
    frame();
    EXPECT_EQ(manager()->sceneId, 11);
    VMPtr<scene::menu::MenuScene> menu = vmCast<scene::menu::MenuScene>(current());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->menuState, 11);
    // The table again and font 1, then the menu's own fonts.
    EXPECT_EQ(fontsAndTables(calls()),
              (Calls{"language 20480", "font 1", "font 0", "release font 1"}));
}

// At 40 ms a frame the change comes with the 75th logo update.
TEST_F(LogoTest, SwitchesOnThe75thUpdateOf40Ms) {
    frame();
    int updates = 0;
    while (manager()->sceneId == 0 && updates < 200) {
        frame();
        ++updates;
    }
    EXPECT_EQ(updates, 75);
}

// A frame long enough to carry the clock past 5000 ms still ends the logo.
TEST_F(LogoTest, ALongFramePastTheWindowStillSwitches) {
    runTo2960();
    canvas->frameMs = 2100;
    frame();
    EXPECT_EQ(manager()->sceneId, 11);
}

struct Placement {
    int w, h;
    jint x, y;
};

class LogoPlacement : public FrontTest, public ::testing::WithParamInterface<Placement> {
protected:
    FixtureShape shape() override {
        FixtureShape s;
        s.logoWidth = GetParam().w;
        s.logoHeight = GetParam().h;
        return s;
    }
};

// x = 240 - (240 - w) / 2, the division truncating toward zero; the
// picture lies left of its anchor on white.
TEST_P(LogoPlacement, ByTheFrameSize) {
    const Placement p = GetParam();
    EXPECT_EQ(LogoScene::logoX(p.w), p.x);
    EXPECT_EQ(LogoScene::logoY(p.h), p.y);
    frame();
    VMPtr<ui::Screen> logo = current()->screen;
    EXPECT_EQ(logo->getLayerWidth(0), p.w);
    EXPECT_EQ(logo->getLayerX(0), p.x);
    EXPECT_EQ(logo->getLayerY(0), p.y);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 0, 0), kWhite);
    EXPECT_EQ(pixel(img, 239, 319), kWhite);
    EXPECT_EQ(pixel(img, std::min(p.x - 1, 239), p.y), kLogoColour);
    EXPECT_EQ(pixel(img, std::max(p.x - p.w, 0), p.y + p.h - 1), kLogoColour);
    EXPECT_EQ(pixel(img, std::max(p.x - p.w, 0), p.y - 1), kWhite);
    if (p.x < 240) EXPECT_EQ(pixel(img, p.x, p.y), kWhite);
    if (p.x - p.w > 0) EXPECT_EQ(pixel(img, p.x - p.w - 1, p.y), kWhite);
}

INSTANTIATE_TEST_SUITE_P(Widths, LogoPlacement,
                         ::testing::Values(Placement{100, 40, 170, 140},
                                           Placement{101, 41, 171, 139},
                                           Placement{243, 40, 241, 140}),
                         [](const ::testing::TestParamInfo<Placement>& info) {
                             return "W" + std::to_string(info.param.w) + "H" +
                                    std::to_string(info.param.h);
                         });

}  // namespace
}  // namespace wrentest::front
