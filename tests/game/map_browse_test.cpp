// Browsing the map: the cursor stepped by holding the stylus beside it (one
// step per 200 ms of holding), taps on the cursor, the info and menu
// buttons, and the two tutorials that only turn pages.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "map_test_support.h"
#include "ui_Screen.h"

namespace wrentest::map {
namespace {

using main::Game;

class MapBrowse : public MapTest {
protected:
    // A point beside the cursor box, `dx` and `dy` from its edges (a
    // negative dx is left of it, a positive one right of it, 0 inside).
    std::vector<jint> beside(jint dx, jint dy) {
        std::vector<jint> b = box(scene->cursorLayer, 0);
        jint x = dx < 0 ? b[0] + dx : dx > 0 ? b[0] + b[2] + dx : b[0] + b[2] / 2;
        jint y = dy < 0 ? b[1] + dy : dy > 0 ? b[1] + b[3] + dy : b[1] + b[3] / 2;
        return {x, y};
    }
};

// Everything open, so that the view follows the cursor and the stylus
// stays above it; the 40 ms frames make 200 ms in five held updates.
TEST_F(MapBrowse, HoldingBesideTheCursorStepsEvery200Ms) {
    openAreas(true, true, true);
    setCursor(10, 5);
    load();
    std::vector<jint> at = beside(0, -40);
    press(at[0], at[1]);
    std::vector<int> steps;
    std::vector<jint> columns;
    for (int f = 1; f <= 60; ++f) {
        jint before = cursor()[0];
        frame();
        if (cursor()[0] != before) {
            steps.push_back(f);
            columns.push_back(cursor()[0]);
        }
        EXPECT_EQ(cursor()[1], 5);
    }
    // The first frame only takes the press in. Once the view is held at
    // the top (column 3 and less), the cursor climbs the screen until it
    // reaches the stylus at column 2.
    EXPECT_EQ(steps, (std::vector<int>{5, 10, 15, 20, 25, 30, 35, 40}));
    EXPECT_EQ(columns, (std::vector<jint>{9, 8, 7, 6, 5, 4, 3, 2}));
    EXPECT_EQ(box(scene->cursorLayer, 0)[1], 80);
    EXPECT_EQ(scene->state, 0);
}

TEST_F(MapBrowse, ANewHoldStepsAtOnceWhen200MsHavePassed) {
    openAreas(true, true, true);
    setCursor(10, 5);
    load();
    std::vector<jint> up = beside(0, -40);
    press(up[0], up[1]);
    frames(5);
    EXPECT_EQ(cursor()[0], 9);
    // Lifted beside the cursor: the release hits nothing.
    lift(up[0], up[1]);
    frames(2);
    EXPECT_EQ(cursor()[0], 9);
    EXPECT_EQ(scene->state, 0);
    // 80 ms after the step: a new hold waits for the rest of the 200.
    std::vector<jint> down = beside(0, 40);
    press(down[0], down[1]);
    frame();  // 120 ms, taken in
    frame();  // 160 ms, held
    EXPECT_EQ(cursor()[0], 9);
    frame();  // 200 ms
    EXPECT_EQ(cursor()[0], 10);
    lift(down[0], down[1]);
    frames(10);
    // Long after the last step, the first held update steps.
    press(down[0], down[1]);
    frame();
    EXPECT_EQ(cursor()[0], 10);
    frame();
    EXPECT_EQ(cursor()[0], 11);
}

TEST_F(MapBrowse, StepDirectionsAndTheDiagonal) {
    struct Case {
        const char* name;
        jint dx, dy;
        std::vector<jint> to;  // column, row
    };
    // Everything open from the home cell (10, 5): rows run right to left.
    const std::vector<Case> cases = {
        {"above: column - 1", 0, -20, {9, 5}},
        {"below: column + 1", 0, 20, {11, 5}},
        {"right: row - 1", 20, 0, {10, 4}},
        {"left: row + 1", -20, 0, {10, 6}},
        {"up and left: the vertical step only", -20, -20, {9, 5}},
        {"down and right: the vertical step only", 20, 20, {11, 5}},
    };
    openAreas(true, true, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setCursor(10, 5);
        load();
        std::vector<jint> at = beside(c.dx, c.dy);
        press(at[0], at[1]);
        frames(5);
        EXPECT_EQ(cursor(), c.to);
        EXPECT_EQ(scene->holdTimer, 0);
        // Both steps of a diagonal were used up: nothing more for 200 ms.
        frames(4);
        EXPECT_EQ(cursor(), c.to);
        lift(at[0], at[1]);
        frames(2);
        scene->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

TEST_F(MapBrowse, AStepIntoAClosedAreaOnlyRestartsTheTimer) {
    setCursor(7, 5);  // kind 10; above it kind 11 of area 0
    load();
    std::vector<jint> above = beside(0, -20);
    press(above[0], above[1]);
    frames(4);
    EXPECT_EQ(scene->holdTimer, 160);
    frame();
    EXPECT_EQ(cursor(), (std::vector<jint>{7, 5}));
    EXPECT_EQ(scene->holdTimer, 0);
    frame();
    EXPECT_EQ(scene->holdTimer, 40);
}

TEST_F(MapBrowse, HoldingOnTheCursorMakesNoStepAndTheTimerRunsOnToItsCap) {
    load();
    std::vector<jint> on = beside(0, 0);
    press(on[0], on[1]);
    frames(40);
    EXPECT_EQ(cursor(), (std::vector<jint>{10, 5}));
    EXPECT_EQ(scene->holdTimer, 1000);
    EXPECT_EQ(scene->state, 0);
}

TEST_F(MapBrowse, TapsOnTheCursorByCellKind) {
    struct Case {
        const char* name;
        jint column, row;
        bool allPieces;
        jint state;
        std::vector<jint> requested;
        jint stageKind;
    };
    const std::vector<Case> cases = {
        {"home cell: the home scene", 10, 5, false, 0, {44}, 10},
        {"ordinary cell: its dialog", 9, 5, false, 1, {}, 10},
        {"tutorial cell: its dialog", 10, 6, false, 1, {}, 10},
        {"final cell, a piece missing: its story", 9, 1, false, 0, {45}, 11},
        {"final cell, every piece: its dialog", 9, 1, true, 1, {}, 10},
    };
    openAreas(true, true, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager->requested.clear();
        Game::S().stageKind = 10;
        for (jint i = 0; i < 5; ++i) Game::S().progressFlags[i] = c.allPieces || i != 3;
        setCursor(c.column, c.row);
        load();
        scene->confirmChoice = 1;
        std::vector<jint> on = beside(0, 0);
        quickTap(on[0], on[1]);
        EXPECT_EQ(scene->state, c.state);
        EXPECT_EQ(manager->requested, c.requested);
        EXPECT_EQ(Game::S().stageKind, c.stageKind);
        if (c.state == 1) {
            EXPECT_EQ(scene->confirmChoice, 0);
        }
        scene->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

// The cursor box over the info button: the cursor wins.
TEST_F(MapBrowse, ATapOnTheCursorOverTheInfoButtonOpensTheCell) {
    openAreas(true, true, true);
    // Off the cells, on the grid's bottom-left corner: the view puts it at
    // the screen's bottom-left corner. The cell gets a stage of its own.
    setCursor(19, 12);
    VMPtr<VMArray<jint>> record = Game::S().cellRecords[259];
    for (jint i = 0; i < 6; ++i) record[i] = std::vector<jint>{3, 0, 5, 0, 1, -1}[size_t(i)];
    load();
    std::vector<jint> cursorBox = box(scene->cursorLayer, 0);
    std::vector<jint> infoBox = box(scene->dialogLayer - 2, 0);
    EXPECT_EQ(cursorBox, (std::vector<jint>{-15, 280, 30, 40}));
    EXPECT_EQ(infoBox, (std::vector<jint>{0, 280, 40, 40}));
    quickTap(5, 300);
    EXPECT_EQ(scene->state, 1);
    EXPECT_EQ(scene->screen->getLayerAnimation(scene->dialogLayer - 2), 2);
}

TEST_F(MapBrowse, TheMenuButtonOpensTheMenu) {
    load();
    scene->settingsChoice = 8;
    std::vector<jint> menu = centre(scene->dialogLayer - 1, 0);
    quickTap(menu[0], menu[1]);
    EXPECT_EQ(scene->state, 2);
    EXPECT_EQ(scene->settingsChoice, 0);
    EXPECT_EQ(scene->screen->getLayerAnimation(scene->dialogLayer), 2);
    EXPECT_EQ(scene->screen->getLayerCount(), scene->dialogLayer + 2);
}

TEST_F(MapBrowse, TheFirstTutorialTurnsTwoPagesAndSavesStoryPosition4) {
    Game::S().stageKind = 2;
    load();
    EXPECT_TRUE(scene->tutorialMode);
    EXPECT_EQ(bandText(), "0:62");
    // The band over the map.
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    keepPicture(img, "map_tutorial");
    EXPECT_EQ(pixel(img, 0, 0), readBack(0));
    EXPECT_EQ(pixel(img, 79, 319), readBack(0));
    EXPECT_NE(pixel(img, 80, 160), readBack(0));

    // A tap on the cursor turns a page and moves nothing.
    std::vector<jint> on = beside(0, 0);
    press(on[0] - 50, on[1]);
    frames(10);
    lift(on[0] - 50, on[1]);
    frames(2);
    EXPECT_EQ(Game::S().stageKind, 3);
    EXPECT_EQ(bandText(), "0:63");
    EXPECT_EQ(cursor(), (std::vector<jint>{10, 5}));
    EXPECT_EQ(scene->state, 0);
    EXPECT_TRUE(manager->requested.empty());

    quickTap(200, 20);
    EXPECT_EQ(Game::S().stageKind, 4);
    EXPECT_EQ(manager->requested, std::vector<jint>{45});
    VMPtr<VMArray<jbyte>> saved = canvas->loadData(0);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->length, 72);
    EXPECT_EQ((std::vector<jint>{saved[60], saved[61], saved[62], saved[63]}),
              (std::vector<jint>{0, 0, 0, 4}));
}

TEST_F(MapBrowse, TheSecondTutorialTurnsFivePagesAndSavesStoryPosition10) {
    Game::S().stageKind = 5;
    load();
    EXPECT_TRUE(scene->tutorialMode);
    std::vector<std::string> pages{bandText()};
    for (int tap = 0; tap < 4; ++tap) {
        quickTap(120, 160);
        pages.push_back(bandText());
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"0:77", "0:78", "0:79", "0:80", "0:81"}));
    EXPECT_TRUE(manager->requested.empty());
    quickTap(120, 160);
    EXPECT_EQ(Game::S().stageKind, 10);
    EXPECT_EQ(manager->requested, std::vector<jint>{45});
    VMPtr<VMArray<jbyte>> saved = canvas->loadData(0);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved[63], 10);
}

TEST_F(MapBrowse, OnlyStoryPositions2And5AtTheStartMakeATutorial) {
    for (jint kind : {0, 3, 4, 6, 10, 14}) {
        Game::S().stageKind = kind;
        load();
        EXPECT_FALSE(scene->tutorialMode) << kind;
        EXPECT_EQ(scene->sidePanel, nullptr);
        scene->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
    // A later change of the story position keeps the mode.
    Game::S().stageKind = 2;
    load();
    Game::S().stageKind = 7;
    quickTap(120, 160);
    EXPECT_TRUE(scene->tutorialMode);
    EXPECT_EQ(Game::S().stageKind, 8);
    EXPECT_EQ(bandText(), "0:80");
}

}  // namespace
}  // namespace wrentest::map
