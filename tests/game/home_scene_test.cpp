// The home scene's loading, its five views, the tabs and the choice bar,
// on the small home content (home_fixture.h) with the sample layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "home_fixture.h"
#include "home_test_support.h"
#include "ui_Addon.h"

namespace wrentest::home {
namespace {

using Pips = std::vector<jint>;

Pips repeat(std::vector<std::pair<jint, int>> runs) {
    Pips out;
    for (auto [picture, n] : runs) out.insert(out.end(), size_t(n), picture);
    return out;
}

using HomeLoading = HomeTest;

TEST_F(HomeLoading, PhaseOneTakesThirtyEightCallsForThirtySixLayers) {
    // Stat 0 at its cap, stat 1 with cap 10 and level 0, stat 2 between.
    setGame({7, 3, 3, 10, 0, 3, 1, 0, 4}, 1000);
    scene = ViewLogHome::make();
    scene->moreData = 0;
    int calls = 0;
    do {
        scene->loadData();
        ++calls;
    } while (scene->moreData != 0 && calls < 100);
    EXPECT_EQ(calls, 38);
    EXPECT_EQ(scene->screen->getLayerCount(), 36);
    EXPECT_EQ(scene->screen->getLayerCapacity(), 36);
    EXPECT_EQ(scene->screen->getLayerKind(35), ui::Screen::KIND_ANIMATION);
    EXPECT_EQ(layerShown(0), 11);
    EXPECT_EQ(layerShown(1), 23);
    EXPECT_EQ(layerShown(2), 24);
    EXPECT_EQ(layerShown(3), 1);
    EXPECT_EQ(layerShown(4), 20);
    EXPECT_EQ(pips(0), repeat({{36, 3}, {38, 7}}));
    EXPECT_EQ(pips(1), repeat({{37, 10}}));
    EXPECT_EQ(pips(2), repeat({{36, 1}, {37, 2}, {38, 7}}));
    // Each bar hangs under its name box (layer 0, boxes 3..5), centred on
    // it, one pip height per pip.
    for (jint k = 0; k < 3; ++k) {
        Rect name = homeBox(0, 3 + k);
        for (jint j = 0; j < 10; ++j) {
            SCOPED_TRACE("stat " + std::to_string(k) + " pip " + std::to_string(j));
            EXPECT_EQ(scene->screen->getLayerX(pipLayer(k, j)), name.x + name.w - (name.w - 8) / 2);
            EXPECT_EQ(scene->screen->getLayerY(pipLayer(k, j)), name.y + name.h + 8 * j);
        }
    }
}

TEST_F(HomeLoading, ThePanelShowsTitleMoneyNamesAndLevel) {
    setGame({7, 1, 1, 1, 1, 3, 3, 0, 4}, 1234);
    build();
    EXPECT_FALSE(scene->tutorialMode);
    EXPECT_EQ(scene->tutorialPanel, nullptr);
    VMPtr<ui::Addon> lines = panel();
    EXPECT_EQ(lines->labelCount, 6);
    EXPECT_EQ(lines->getDepth(), 4);
    const std::vector<std::string> texts = {"t24", "$1234", "t29", "t30",
                                            "t31", "t334",  "$0",  "07"};
    const std::vector<jint> fonts = {3, 4, 2, 2, 2, 2, 4, 6};
    for (jint i = 0; i < 8; ++i) {
        EXPECT_EQ(label(i), texts[size_t(i)]) << "line " << i;
        EXPECT_EQ(lines->labelFonts[i], fonts[size_t(i)]) << "line " << i;
    }
    Rect title = homeBox(1, 0), cash = homeBox(2, 1), anchor = homeBox(0, 2);
    EXPECT_EQ(lines->labelPositions[0][0], title.x);
    EXPECT_EQ(lines->labelPositions[0][1], title.y);
    EXPECT_EQ(lines->labelPositions[1][0], cash.x);
    // The level stands left of the preview's anchor box, as wide as it.
    EXPECT_EQ(lines->labelPositions[5][0], anchor.x - anchor.w);
    EXPECT_EQ(lines->labelPositions[5][1], anchor.y);
    EXPECT_EQ(lines->labelWidths[5], anchor.w);
    // Depths: backdrop, main screen, panel; the pop-up is no object.
    EXPECT_EQ(scene->backgroundScreen->getDepth(), 0);
    EXPECT_EQ(scene->screen->getDepth(), 2);
    EXPECT_EQ(scene->popupScreen->getLayerCount(), 3);
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(0), 13);
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 14);
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(2), 21);
    for (jint i = 0; i < 3; ++i) EXPECT_EQ(barLabel(i), " ");
}

TEST_F(HomeLoading, FreePointsTakeTwoDigits) {
    for (auto [points, shown] : std::vector<std::pair<jint, std::string>>{
             {0, "00"}, {7, "07"}, {9, "09"}, {10, "10"}, {12, "12"}}) {
        setGame({points, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
        build();
        EXPECT_EQ(label(7), shown);
        scene->unload();
    }
}

// --- views ---------------------------------------------------------------------------------

struct ViewCase {
    jint view;
    jint viewFrame;
    jint labelCount;
    std::string title;
    // The layer whose boxes 3..5 place the bars and the names.
    jint boxLayer;
    bool gap;
};

using HomeViews = HomeTest;

TEST_F(HomeViews, EachViewDrawsItsFrameBarsAndLines) {
    const std::vector<ViewCase> cases = {{1, 20, 6, "t24", 0, false},
                                         {2, 16, 7, "t25", 4, true},
                                         {3, 15, 8, "t26", 4, true},
                                         {5, 20, 6, "t28", 0, false}};
    for (const ViewCase& c : cases) {
        SCOPED_TRACE("view " + std::to_string(c.view));
        // Stat 0 at its cap of 10; stat 1 level 2 of cap 4; stat 2 0 of 0.
        setGame({5, 10, 10, 4, 2, 0, 0, 0, 3}, 900);
        build();
        scene->selectedTab = c.view;
        scene->showView(c.view);
        EXPECT_EQ(scene->currentView, c.view);
        EXPECT_EQ(layerShown(3), c.view);
        EXPECT_EQ(layerShown(4), c.viewFrame);
        EXPECT_EQ(scene->screen->getLayerCount(), 35);
        if (c.view == 3) {
            EXPECT_EQ(pips(0), repeat({{40, 10}}));
            EXPECT_EQ(pips(1), repeat({{40, 4}, {38, 6}}));
        } else {
            EXPECT_EQ(pips(0), repeat({{36, 10}}));
            EXPECT_EQ(pips(1), repeat({{36, 2}, {37, 2}, {38, 6}}));
        }
        EXPECT_EQ(pips(2), repeat({{38, 10}}));
        for (jint k = 0; k < 3; ++k) {
            Rect name = homeBox(c.boxLayer, 3 + k);
            jint y = name.y + name.h;
            for (jint j = 0; j < 10; ++j) {
                if (j == 5 && c.gap) y += 8;
                EXPECT_EQ(scene->screen->getLayerX(pipLayer(k, j)), name.x + name.w - 11);
                EXPECT_EQ(scene->screen->getLayerY(pipLayer(k, j)), y)
                    << "stat " << k << " pip " << j;
                y += 8;
            }
            EXPECT_EQ(panel()->labelPositions[2 + k][0], name.x);
            EXPECT_EQ(panel()->labelPositions[2 + k][1], name.y);
        }
        VMPtr<ui::Addon> lines = panel();
        EXPECT_EQ(lines->labelCount, c.labelCount);
        EXPECT_EQ(label(0), c.title);
        EXPECT_EQ(label(1), "$900");
        Rect value = homeBox(4, 6);
        if (c.view == 2) {
            EXPECT_EQ(label(5), "");
            EXPECT_EQ(label(6), "$0");
            EXPECT_EQ(lines->labelPositions[6][0], value.x);
        } else if (c.view == 3) {
            EXPECT_EQ(label(5), "");
            EXPECT_EQ(label(6), "");
            EXPECT_EQ(label(7), "05");
            EXPECT_EQ(lines->labelPositions[7][1], value.y);
        } else {
            EXPECT_EQ(label(5), "t333");
        }
        scene->unload();
    }
}

TEST_F(HomeViews, TheCollectionShowsTheFoundPiecesOverOneAnother) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    scene->showView(4);
    EXPECT_EQ(layerShown(4), 12);
    EXPECT_EQ(scene->screen->getLayerCount(), 5);
    EXPECT_EQ(panel()->labelCount, 2);
    EXPECT_EQ(label(0), "t27");

    main::Game::S().progressFlags[1] = true;
    main::Game::S().progressFlags[3] = true;
    scene->showView(4);
    EXPECT_EQ(layerShown(5), 30);
    EXPECT_EQ(layerShown(6), 32);
    EXPECT_EQ(scene->screen->getLayerCount(), 7);
    EXPECT_EQ(scene->screen->getLayerX(5), 120);
    EXPECT_EQ(scene->screen->getLayerY(6), 160);

    // Back to the status view: pips again, in their places.
    scene->showView(1);
    EXPECT_EQ(pip(0, 0), 36);
    EXPECT_EQ(scene->screen->getLayerY(pipLayer(0, 1)), homeBox(0, 3).y + homeBox(0, 3).h + 8);
}

TEST_F(HomeViews, AViewOutsideOneToFiveOnlyBecomesTheCurrentView) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    scene->showView(2);
    std::vector<jint> layers;
    for (jint n = 0; n < 35; ++n) layers.push_back(layerShown(n));
    for (jint view : {0, 6, -1}) {
        scene->showView(view);
        EXPECT_EQ(scene->currentView, view);
        for (jint n = 0; n < 35; ++n) EXPECT_EQ(layerShown(n), layers[size_t(n)]) << "layer " << n;
        EXPECT_EQ(panel()->labelCount, 7);
        EXPECT_EQ(label(0), "t25");
    }
}

// --- the tabs ------------------------------------------------------------------------------

using HomeTabs = HomeTest;

TEST_F(HomeTabs, HoldingATabShowsItsViewAndLiftingActsOnIt) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    Rect tab4 = homeBox(3, 3);
    hold(tab4.cx(), tab4.cy());
    EXPECT_EQ(scene->currentView, 4);
    EXPECT_EQ(scene->selectedTab, 4);
    EXPECT_EQ(layerShown(3), 4);
    EXPECT_EQ(layerShown(4), 12);
    release();
    // View 4 has nothing to open: the tab stays lit.
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_EQ(layerShown(3), 4);
    EXPECT_TRUE(manager->requests.empty());

    // A tap beside every tab puts the light out.
    tap(200, 100);
    EXPECT_EQ(layerShown(3), 0);
    EXPECT_EQ(scene->currentView, 4);
}

TEST_F(HomeTabs, TabsTwoAndThreeOpenTheirChoiceBars) {
    struct Case {
        jint tab;
        std::vector<std::string> labels;
        jint tabFrame;
    };
    for (const Case& c :
         std::vector<Case>{{1, {"t34", "t35", "t100"}, 7}, {2, {"t36", "t37", "t100"}, 8}}) {
        SCOPED_TRACE("tab " + std::to_string(c.tab));
        setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
        build();
        tap(homeBox(3, c.tab));
        EXPECT_EQ(scene->popupState, 1);
        EXPECT_EQ(scene->currentView, c.tab + 1);
        EXPECT_EQ(scene->popupChoice, 0);
        EXPECT_EQ(layerShown(3), c.tabFrame);
        EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 20);
        Rect bar = popupBox(0, 0);
        EXPECT_EQ(scene->popupScreen->getLayerX(1), bar.x + bar.w);
        for (jint j = 0; j < 3; ++j) {
            EXPECT_EQ(barLabel(j), c.labels[size_t(j)]);
            Rect item = barItem(j);
            EXPECT_EQ(scene->popupPanel->labelPositions[j][0], item.x) << "item " << j;
            EXPECT_EQ(scene->popupPanel->labelWidths[j], item.w);
            EXPECT_EQ(scene->popupPanel->labelHeights[j], item.h);
        }
        scene->unload();
    }
}

TEST_F(HomeTabs, TheLastTabLeavesForTheMapOnlyAfterItsHold) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    Rect tab5 = homeBox(3, 4);
    // A release the scene sees without a hold acts on the view shown (1).
    quickTap(tab5.cx(), tab5.cy());
    EXPECT_TRUE(manager->requests.empty());
    EXPECT_EQ(scene->currentView, 1);
    hold(tab5.cx(), tab5.cy());
    EXPECT_EQ(scene->currentView, 5);
    EXPECT_EQ(layerShown(4), 20);
    release();
    EXPECT_EQ(manager->requests, std::vector<jint>{43});
}

// --- the choice bar ------------------------------------------------------------------------

using HomeChoiceBar = HomeTest;

TEST_F(HomeChoiceBar, TheStylusPicksTheThirdItLiesIn) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    tap(homeBox(3, 1));
    ASSERT_EQ(scene->popupState, 1);
    Rect bar = popupBox(0, 0);
    ASSERT_EQ(bar.w, 180);
    struct Case {
        jint x;
        jint choice;
    };
    for (Case c : std::vector<Case>{{bar.x, 2},
                                    {bar.x + 59, 2},
                                    {bar.x + 60, 1},
                                    {bar.x + 119, 1},
                                    {bar.x + 120, 0},
                                    {bar.x + 179, 0}}) {
        hold(c.x, bar.cy());
        EXPECT_EQ(scene->popupChoice, c.choice) << "x " << c.x;
        EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 14);
        EXPECT_EQ(scene->popupScreen->getLayerX(1), bar.x + bar.w - 60 * c.choice);
        // Released off the bar: nothing is chosen.
        drag(120, 40);
        lift(120, 40);
        frame();
        frame();
    }
    EXPECT_EQ(scene->popupState, 1);
}

TEST_F(HomeChoiceBar, ATapBesideTheBarOnlyIdlesTheCursorAndBackCloses) {
    setGame({0, 1, 1, 1, 1, 3, 3, 0, 1}, 1000);
    build();
    tap(homeBox(3, 1));
    tap(120, 40);
    EXPECT_EQ(scene->popupState, 1);
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 20);
    tap(barItem(2));
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_EQ(layerShown(3), 0);
}

}  // namespace
}  // namespace wrentest::home
