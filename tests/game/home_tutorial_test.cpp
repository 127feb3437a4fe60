// The home tutorial (a home scene built at stage kind 4): its pages and
// headings, the views they switch to, the hand-over to the next stage kind,
// and what the scene draws (the band, the pop-up bar only while open).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "home_fixture.h"
#include "home_test_support.h"
#include "main_Game.h"

namespace wrentest::home {
namespace {

class HomeTutorial : public HomeTest {
protected:
    void SetUp() override {
        HomeTest::SetUp();
        setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000, 4);
    }
    std::string page() {
        VMPtr<java::lang::String> s = scene->tutorialPanel->wrappedText->getText();
        return s->toUtf8();
    }
};

TEST_F(HomeTutorial, StageKindFourBuildsTheTutorialBand) {
    build();
    EXPECT_TRUE(scene->tutorialMode);
    EXPECT_EQ(scene->tutorialStep, 0);
    ASSERT_NE(scene->tutorialPanel, nullptr);
    EXPECT_EQ(page(), "t64");
    EXPECT_EQ(scene->tutorialPanel->textBoxWidth, 80);
    EXPECT_EQ(scene->tutorialPanel->textBoxHeight, 320);
    // Built at any other kind, there is no tutorial.
    scene->unload();
    main::Game::S().stageKind = 5;
    build();
    EXPECT_FALSE(scene->tutorialMode);
}

TEST_F(HomeTutorial, EachReleaseTurnsOnePage) {
    build();
    // A press alone turns nothing.
    press(150, 100);
    frame();
    frame();
    frame();
    EXPECT_EQ(scene->tutorialStep, 0);
    lift(150, 100);
    frame();
    frame();
    EXPECT_EQ(scene->tutorialStep, 1);
    EXPECT_EQ(page(), "t29: t65");
    frame();
    frame();
    EXPECT_EQ(scene->tutorialStep, 1);

    // Pages 2..12: headings before the pages that have one; views 2, 3, 4
    // and 5 (tabs 1, 2, 3, 4) from pages 8, 9, 11 and 12.
    const std::vector<std::string> pages = {
        "",         "",         "t29: t66", "t30: t67", "t30: t68", "t31: t69", "t70",
        "t24: t71", "t25: t72", "t26: t73", "t26: t74", "t27: t75", "t28: t76"};
    const std::vector<jint> views = {0, 0, 1, 1, 1, 1, 1, 1, 2, 3, 3, 4, 5};
    const std::vector<jint> tabs = {0, 0, 1, 1, 1, 1, 1, 1, 1, 2, 2, 3, 4};
    for (jint step = 2; step <= 12; ++step) {
        SCOPED_TRACE("page " + std::to_string(step));
        quickTap(20, 20);
        EXPECT_EQ(scene->tutorialStep, step);
        EXPECT_EQ(page(), pages[size_t(step)]);
        EXPECT_EQ(scene->currentView, views[size_t(step)]);
        EXPECT_EQ(scene->selectedTab, tabs[size_t(step)]);
        EXPECT_EQ(layerShown(3), tabs[size_t(step)]);
    }
    // Page 10 shares page 9's heading: its view is not drawn again.
    EXPECT_EQ(scene->shown, (std::vector<jint>{2, 3, 4, 5}));
    // No pop-up state ran: a tap on the tabs is only a page.
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_TRUE(manager->requests.empty());
    EXPECT_EQ(game->saves, 0);
}

TEST_F(HomeTutorial, AfterTheLastPageTheNextStageKindIsSavedAndItsSceneAskedFor) {
    build();
    for (int i = 0; i < 12; ++i) quickTap(20, 20);
    ASSERT_EQ(scene->tutorialStep, 12);
    EXPECT_TRUE(manager->requests.empty());
    quickTap(20, 20);
    EXPECT_EQ(main::Game::S().stageKind, 5);
    EXPECT_EQ(game->saves, 1);
    VMPtr<VMArray<jbyte>> saved = savedProgress();
    EXPECT_EQ(intAt(saved, 60), 5);
    EXPECT_EQ(manager->requests, std::vector<jint>{45});
}

TEST_F(HomeTutorial, AReleaseWhileLoadingTurnsNoPage) {
    scene = ViewLogHome::make();
    scene->setProgressiveLoad(true);
    scene->loadAll();
    frame();
    quickTap(20, 20);
    ASSERT_TRUE(scene->progressiveLoad);
    for (int i = 0; i < 100 && scene->progressiveLoad; ++i) frame();
    ASSERT_FALSE(scene->progressiveLoad);
    frame();
    EXPECT_EQ(scene->tutorialStep, 0);
    quickTap(20, 20);
    EXPECT_EQ(scene->tutorialStep, 1);
}

// --- drawing -------------------------------------------------------------------------------

using HomePaint = HomeTest;

TEST_F(HomePaint, TheTutorialBandCoversTheLeftOfTheHome) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000, 4);
    build();
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    keep(img, "home_tutorial");
    // The band is black but for its text; the home picture starts at 80.
    EXPECT_EQ(pixel(img, 2, 2), kBlack);
    EXPECT_EQ(pixel(img, 40, 300), kBlack);
    EXPECT_EQ(pixel(img, 100, 100), kHomeColour);
}

TEST_F(HomePaint, ThePopUpBarIsDrawnOnlyWhileABarIsOpen) {
    setGame({2, 5, 1, 5, 1, 5, 1, 0, 1}, 5000);
    build();
    // A spot of the bar under no label or cursor: its left end.
    Rect bar = popupBox(0, 0);
    const jint bx = bar.x + 2, by = bar.y + 2;
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    keep(img, "home_view1");
    EXPECT_NE(pixel(img, bx, by), kBarColour);
    // Stat 0's first pip: level reached.
    EXPECT_EQ(pixel(img, scene->screen->getLayerX(5) + 4, scene->screen->getLayerY(5) + 4),
              kPipColours[0]);

    tap(homeBox(3, 1));
    img = paint();
    keep(img, "home_choice_bar");
    EXPECT_EQ(scene->popupState, 1);
    EXPECT_EQ(pixel(img, bx, by), kBarColour);
    EXPECT_EQ(pixel(img, homeBox(3, 1).cx(), homeBox(3, 1).cy()), kTabLitColour);

    tap(barItem(0));
    img = paint();
    keep(img, "home_planning");
    EXPECT_EQ(scene->popupState, 2);
    EXPECT_NE(pixel(img, bx, by), kBarColour);
    Rect plus = homeBox(35, 2);
    EXPECT_EQ(pixel(img, plus.cx(), plus.cy()), kRowCursorColour);

    tap(homeBox(35, 2));
    tap(20, 300);
    img = paint();
    keep(img, "home_confirmation");
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(pixel(img, bx, by), kBarColour);
    // The row cursor is gone.
    EXPECT_NE(pixel(img, plus.cx(), plus.cy()), kRowCursorColour);
}

}  // namespace
}  // namespace wrentest::home
