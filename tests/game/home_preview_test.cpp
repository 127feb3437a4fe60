// The stat preview: the player's figure under the home picture's anchor,
// dressed for the planned levels while its values stay the real ones.
#include <gtest/gtest.h>

#include <vector>

#include "home_fixture.h"
#include "home_test_support.h"
#include "main_Game.h"
#include "scene_maingame_InGameObject.h"

namespace wrentest::home {
namespace {

using scene::maingame::InGameObject;

class HomePreview : public HomeTest {
protected:
    // The form the game state's classification gives these levels; the
    // game state is left as it was.
    static jint formOf(jint attack, jint special, jint health) {
        main::Game::Statics& g = main::Game::S();
        VMPtr<VMArray<jint>> s = g.stats;
        const std::vector<jint> real = {s[2], s[4], s[6]};
        const jint shown = g.statClass;
        s[2] = attack;
        s[4] = special;
        s[6] = health;
        main::Game::classifyStats();
        const jint form = g.statClass;
        s[2] = real[0];
        s[4] = real[1];
        s[6] = real[2];
        g.statClass = shown;
        return form;
    }
    static jint shownForm() { return main::Game::S().statClass; }
};

TEST_F(HomePreview, TheFigureStandsAtTheAnchorDressedForTheRealLevels) {
    setGame({0, 5, 1, 5, 1, 5, 3, 0, 2}, 5000);
    build();
    VMPtr<InGameObject> figure = scene->homeObject;
    ASSERT_NE(figure, nullptr);
    EXPECT_EQ(InGameObject::S().player, figure);
    EXPECT_EQ(figure->getDepth(), 1);
    Rect anchor = homeBox(0, 2);
    EXPECT_EQ(figure->getLayerX(0), anchor.x + anchor.w);
    EXPECT_EQ(figure->getLayerY(0), anchor.y + anchor.h);
    EXPECT_EQ(shownForm(), formOf(1, 1, 3));
    EXPECT_EQ(figure->hitPoints, 3);
    EXPECT_EQ(figure->level, 2);

    // Drawn between the backdrop and the home picture, through its window.
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, anchor.x + anchor.w + 4, anchor.y + anchor.h + 4), kFigureColour);
}

TEST_F(HomePreview, PlannedStepsChangeTheLooksOnly) {
    const std::vector<jint> start = {0, 10, 1, 10, 1, 10, 3, 0, 2};
    setGame(start, 100000);
    build();
    tap(homeBox(3, 1));
    tap(barItem(0));
    ASSERT_EQ(scene->popupState, 2);
    // Three steps of stat 0, two of stat 2.
    for (int i = 0; i < 3; ++i) tap(homeBox(35, 2));
    tap(homeBox(4, 2));
    for (int i = 0; i < 2; ++i) tap(homeBox(35, 2));
    ASSERT_EQ(pending(), (std::vector<jint>{3, 0, 2, 0}));
    VMPtr<InGameObject> figure = scene->homeObject;
    EXPECT_EQ(shownForm(), formOf(4, 1, 5));
    EXPECT_EQ(stats(), start);
    EXPECT_EQ(figure->attackPower, 1);
    EXPECT_EQ(figure->specialPower, 1);
    EXPECT_EQ(figure->hitPoints, 3);
    EXPECT_EQ(figure->level, 2);
    // The figure keeps its place.
    Rect anchor = homeBox(0, 2);
    EXPECT_EQ(figure->getLayerX(0), anchor.x + anchor.w);

    // Going back drops the plan and the looks with it.
    tap(20, 300);
    ASSERT_EQ(scene->popupState, 3);
    tap(barItem(2));
    EXPECT_EQ(shownForm(), formOf(1, 1, 3));
}

}  // namespace
}  // namespace wrentest::home
