// The map scene's build: its layers for each set of open areas, its
// progressive load, the view's scroll limits and the layers that move with
// the map, the cursor's moves by area, the cell icons, and the picture.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "map_test_support.h"
#include "ui_Screen.h"

namespace wrentest::map {
namespace {

using main::Game;

// The content's cell width and row pitch.
constexpr jint W = 30;
constexpr jint H = 40;
constexpr jint CELLS = 100;

class MapScene : public MapTest {};

TEST_F(MapScene, LayersForEachSetOfOpenAreas) {
    struct Case {
        bool a0, a1, a2;
        jint open;
    };
    for (Case c : {Case{false, false, false, 0}, Case{true, false, false, 1}, Case{false, true, true, 2},
                   Case{true, true, true, 3}}) {
        SCOPED_TRACE(testing::Message() << "areas " << c.a0 << c.a1 << c.a2);
        openAreas(c.a0, c.a1, c.a2);
        VMPtr<scene::maingame::InMapScene> s = load();
        VMPtr<ui::Screen> screen = s->screen;
        EXPECT_EQ(s->cellCount, CELLS);
        EXPECT_EQ(s->openAreaCount, c.open);
        // Every layer the capacity allows is filled, the last one too.
        EXPECT_EQ(screen->getLayerCapacity(), CELLS + c.open + 13);
        EXPECT_NE(screen->getLayerKind(screen->getLayerCapacity() - 1), -1);
        EXPECT_EQ(s->cursorLayer, c.open + CELLS + 1);
        EXPECT_EQ(s->dialogLayer, s->cursorLayer + 8);
        // Browsing paints up to the dialogs.
        EXPECT_EQ(screen->getLayerCount(), s->dialogLayer);

        EXPECT_EQ(screen->getLayerAnimation(0), 0);
        // Area overlays: only the open areas, in area order.
        jint layer = 1;
        for (jint area = 0; area < 3; ++area) {
            bool open = area == 0 ? c.a0 : area == 1 ? c.a1 : c.a2;
            if (!open) continue;
            EXPECT_EQ(ui::ResManager::S().ids[0][screen->getLayerGobColumn(layer)],
                      5121 + 1024 * (area + 1));
            ++layer;
        }
        for (jint k = 0; k < CELLS; ++k) EXPECT_EQ(screen->getLayerAnimation(c.open + 1 + k), 14);
        EXPECT_EQ(screen->getLayerAnimation(s->cursorLayer), 0);
        // The map overlays: the first three show "closed" while their area is.
        const bool open[3] = {c.a0, c.a1, c.a2};
        for (jint i = 0; i < 5; ++i)
            EXPECT_EQ(screen->getLayerAnimation(s->cursorLayer + 1 + i), i < 3 && !open[i] ? 5 : i);
        jint info = s->dialogLayer - 2, menu = s->dialogLayer - 1;
        EXPECT_EQ(screen->getLayerAnimation(info), 2);
        EXPECT_EQ((std::vector<jint>{screen->getLayerX(info), screen->getLayerY(info)}),
                  (std::vector<jint>{0, 320}));
        EXPECT_EQ(screen->getLayerAnimation(menu), 3);
        EXPECT_EQ((std::vector<jint>{screen->getLayerX(menu), screen->getLayerY(menu)}),
                  (std::vector<jint>{240, 320}));
        EXPECT_EQ(screen->getLayerAnimation(s->dialogLayer), 0);
        EXPECT_EQ(screen->getLayerAnimation(s->dialogLayer + 1), 0);
        EXPECT_EQ(screen->getLayerKind(s->dialogLayer + 2), ui::Screen::KIND_GOB);
        EXPECT_EQ(screen->getLayerKind(s->dialogLayer + 3), ui::Screen::KIND_FRAME);
        EXPECT_EQ(s->cellMetrics[2], W);
        EXPECT_EQ(s->cellMetrics[3], 40);
        EXPECT_EQ(s->cellMetrics[5], H);
        s->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

// Scene 43, and scene 45 at the story positions that show the map: 2 and
// 5 (the tutorials), 3, 6 to 10, and anything outside 0..14.
TEST_F(MapScene, TheSceneManagerBuildsTheMap) {
    struct Case {
        jint id, stageKind;
        bool tutorial;
    };
    manager->build = true;
    for (Case c : {Case{43, 10, false}, Case{43, 2, true}, Case{45, 2, true}, Case{45, 3, false},
                   Case{45, 5, true}, Case{45, 6, false}, Case{45, 9, false}, Case{45, 10, false},
                   Case{45, 15, false}, Case{45, -1, false}, Case{45, 1000, false}}) {
        SCOPED_TRACE(testing::Message() << c.id << " at " << c.stageKind);
        Game::S().stageKind = c.stageKind;
        manager->changeScene(c.id);
        VMPtr<scene::maingame::InMapScene> s =
            vmCast<scene::maingame::InMapScene>(VMPtr<ui::Scene>(scene::SceneManager::S().currentScene));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(Game::S().stageKind, c.stageKind);
        EXPECT_EQ(s->tutorialMode, c.tutorial);
        EXPECT_TRUE(s->progressiveLoad);
        for (int f = 0; f < 16; ++f) manager->updateScenes();
        EXPECT_FALSE(s->progressiveLoad);
        EXPECT_EQ(s->screen->getLayerCount(), s->dialogLayer);
    }
    scene::SceneManager::S().currentScene->unload();
    scene::SceneManager::S().currentScene = nullptr;
}

TEST_F(MapScene, MapPositionsOfTheCells) {
    VMPtr<scene::maingame::InMapScene> s = load();
    struct Case {
        jint row, column, x, y;
    };
    for (Case c : {Case{0, 0, 390, 0}, Case{5, 10, 240, 400}, Case{6, 11, 195, 440},
                   Case{12, 19, 15, 760}}) {
        EXPECT_EQ(s->cellPositions[c.row][c.column][0], c.x);
        EXPECT_EQ(s->cellPositions[c.row][c.column][1], c.y);
    }
}

TEST_F(MapScene, AProgressiveLoadTakesAStepAFrameAndIgnoresTheStylus) {
    VMPtr<scene::maingame::InMapScene> s = scene::maingame::InMapScene::make();
    scene = s.get();
    s->setProgressiveLoad(true);
    s->loadAll();
    // A tap on where the menu button will be, seen by a loading frame.
    press(220, 300);
    lift(220, 300);
    int n = 0;
    while (s->progressiveLoad && n < 100) {
        frame();
        ++n;
    }
    // Thirteen data steps, the (empty) objects phase, the panels, then the
    // end of the load.
    EXPECT_EQ(n, 16);
    EXPECT_EQ(s->state, 0);
    EXPECT_TRUE(manager->requested.empty());

    quickTap(220, 300);
    EXPECT_EQ(s->state, 2);
}

// Where the view settles, by the open areas and the cursor cell: the map
// picture's layer (at 13w + mapX, mapY) gives mapX and mapY.
TEST_F(MapScene, TheViewCentresTheCursorWithinTheLimitsOfTheOpenAreas) {
    struct Case {
        const char* name;
        bool a0, a1, a2;
        jint column, row;
        jint mapX, mapY;
    };
    const std::vector<Case> cases = {
        // Nothing open: left 5w = 150 = right 13w - 240, top 6h = 240 = bottom
        // 40 + 13h - 320; the view is fixed wherever the cursor stands.
        {"closed, home", false, false, false, 10, 5, -150, -240},
        {"closed, top-left corner of the grid", false, false, false, 1, 12, -150, -240},
        {"closed, bottom-right corner", false, false, false, 19, 0, -150, -240},
        // Everything open: left 0, top 0, bottom 40 + 19h - 320 = 480.
        {"open, home centred", true, true, true, 10, 5, -105, -260},
        {"open, held at the top", true, true, true, 1, 6, -60, 0},
        {"open, held at the bottom", true, true, true, 17, 6, -60, -480},
        {"open, held at the left", true, true, true, 9, 11, 0, -220},
        {"open, held at the right", true, true, true, 9, 1, -150, -220},
        // Area 0 alone: left 3w, top 0, bottom 240.
        {"area 0", true, false, false, 2, 6, -90, 0},
        // Area 1 alone: left 4w, top 6h, bottom 480.
        {"area 1", false, true, false, 17, 6, -120, -480},
        // Area 2 alone: left 0, top 5h, bottom 240.
        {"area 2, held at the left", false, false, true, 9, 11, 0, -220},
        {"area 2, held at the top", false, false, true, 2, 5, -105, -200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openAreas(c.a0, c.a1, c.a2);
        setCursor(c.column, c.row);
        VMPtr<scene::maingame::InMapScene> s = load();
        VMPtr<ui::Screen> screen = s->screen;
        EXPECT_EQ(screen->getLayerX(0) - 13 * W, c.mapX);
        EXPECT_EQ(screen->getLayerY(0), c.mapY);
        // The cursor on its cell; the area overlays and the five map
        // overlays with the picture; every marker on its cell.
        jint cx = s->cellPositions[c.row][c.column][0], cy = s->cellPositions[c.row][c.column][1];
        EXPECT_EQ(screen->getLayerX(s->cursorLayer), c.mapX + cx);
        EXPECT_EQ(screen->getLayerY(s->cursorLayer), c.mapY + cy);
        for (jint i = 1; i <= s->openAreaCount; ++i) EXPECT_EQ(screen->getLayerX(i), 13 * W + c.mapX);
        for (jint i = 1; i <= 5; ++i)
            EXPECT_EQ(screen->getLayerY(s->cursorLayer + i), c.mapY) << "overlay " << i;
        jint k = 0;
        for (jint r = 0; r < 13; ++r)
            for (jint col = 0; col < 20; ++col) {
                if (s->mapGrid[r][col] == 0) continue;
                jint layer = s->openAreaCount + 1 + k++;
                EXPECT_EQ(screen->getLayerX(layer), s->cellPositions[r][col][0] + c.mapX);
                EXPECT_EQ(screen->getLayerY(layer), s->cellPositions[r][col][1] + c.mapY);
            }
        // The buttons and the dialogs stay put.
        EXPECT_EQ(screen->getLayerX(s->dialogLayer - 2), 0);
        EXPECT_EQ(screen->getLayerY(s->dialogLayer), 160);
        s->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

TEST_F(MapScene, MovesByArea) {
    enum { UP, DOWN, RIGHT, LEFT };
    struct Case {
        jint column, row, direction;
        bool closed, open;  // with every area closed, with every area open
    };
    const std::vector<Case> cases = {
        {10, 5, UP, true, true},       // kind 8
        {10, 5, LEFT, true, true},     // the tutorial cell, kind 2
        {9, 2, RIGHT, true, true},     // the final cell, kind 24
        {9, 1, LEFT, true, true},      // kind 23
        {9, 1, RIGHT, false, false},   // no cell
        {11, 6, LEFT, false, false},   // no cell beside kind 6
        {7, 5, UP, false, true},       // kind 11: area 0
        {13, 5, DOWN, false, true},    // kind 15: area 1
        {10, 7, LEFT, false, true},    // kind 20: area 2
        {6, 7, LEFT, false, true},     // kind 19
        {2, 5, DOWN, false, true},     // kind 12 from kind 13
        // A cursor saved off the cells, on the grid's edge: nothing beyond.
        {0, 0, UP, false, false},
        {0, 0, RIGHT, false, false},
        {19, 12, DOWN, false, false},
        {19, 12, LEFT, false, false},
    };
    VMPtr<scene::maingame::InMapScene> s = load();
    for (const Case& c : cases) {
        setCursor(c.column, c.row);
        openAreas(false, false, false);
        EXPECT_EQ(s->canMove(c.direction), c.closed) << c.column << "," << c.row << " d" << c.direction;
        openAreas(true, true, true);
        EXPECT_EQ(s->canMove(c.direction), c.open) << c.column << "," << c.row << " d" << c.direction;
    }
    // Each outer area opens on its own flag.
    setCursor(7, 5);
    openAreas(false, true, true);
    EXPECT_FALSE(s->canMove(UP));
    setCursor(13, 5);
    openAreas(true, false, true);
    EXPECT_FALSE(s->canMove(DOWN));
    setCursor(10, 7);
    openAreas(true, true, false);
    EXPECT_FALSE(s->canMove(LEFT));
}

TEST_F(MapScene, TheInfoButtonSwitchesTheMarkersBetweenPlainAndKindIcons) {
    Game::Statics& g = Game::S();
    // Known: the final cell (ordinal 0) and the tutorial cell (ordinal 51).
    g.cellFlags[0] = true;
    g.cellFlags[51] = true;
    g.cellRecords[29][2] = 13;
    g.cellRecords[130][2] = 4;
    VMPtr<scene::maingame::InMapScene> s = load();
    VMPtr<ui::Screen> screen = s->screen;
    jint first = s->openAreaCount + 1;
    std::vector<jint> info = centre(s->dialogLayer - 2, 0);

    quickTap(info[0], info[1]);
    EXPECT_EQ(s->state, 0);
    EXPECT_EQ(screen->getLayerAnimation(s->dialogLayer - 2), 1);
    EXPECT_EQ(screen->getLayerAnimation(first + 0), 13);
    EXPECT_EQ(screen->getLayerAnimation(first + 51), 4);
    for (jint k : {1, 33, 50, 99}) EXPECT_EQ(screen->getLayerAnimation(first + k), 13) << k;

    quickTap(info[0], info[1]);
    EXPECT_EQ(screen->getLayerAnimation(s->dialogLayer - 2), 2);
    for (jint k = 0; k < CELLS; ++k) EXPECT_EQ(screen->getLayerAnimation(first + k), 14) << k;
}

TEST_F(MapScene, ThePicture) {
    VMPtr<scene::maingame::InMapScene> s = load();
    frame();
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    keepPicture(img, "map_browse");
    // The view is fixed at mapX -150, mapY -240: the cursor on the home
    // cell (10, 5) has its box at {60, 160, 30, 40}.
    EXPECT_EQ(box(s->cursorLayer, 0), (std::vector<jint>{60, 160, 30, 40}));
    EXPECT_EQ(pixel(img, 60, 180), readBack(kCursorColour));
    EXPECT_EQ(pixel(img, 89, 199), readBack(kCursorColour));
    // The plain marker of the home cell, a 20 x 20 square at {-25, 10}.
    EXPECT_EQ(pixel(img, 70, 180), readBack(kPlainMarker));
    // The map's checkerboard: map space (0, 0) is the top right corner of
    // cell (0, 0), at screen (240, -240); row 0, column 7 is dark, row 1
    // beside it light.
    EXPECT_EQ(pixel(img, 237, 42), readBack(kMapDark));
    EXPECT_EQ(pixel(img, 207, 42), readBack(kMapLight));
    // The info button (an outline: off) and the menu button.
    EXPECT_EQ(pixel(img, 0, 300), readBack(kInfoColour));
    EXPECT_EQ(pixel(img, 220, 300), readBack(kMenuColour));
    // The first map overlay shows "closed" (grey): it lies at {-20, 0} from
    // (240, -240), off the screen; none of the dialogs is painted.
    EXPECT_NE(pixel(img, 120, 160), readBack(kPanelColour));
}

}  // namespace
}  // namespace wrentest::map
