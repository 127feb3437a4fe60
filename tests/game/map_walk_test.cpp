// From saved records to a stage start: the progress and world records are
// written into the stores, the game state is read back from them as at
// start-up, the scene manager builds the map, and the stylus walks the
// cursor cell by cell into an open outer area, opens the cell and starts
// its stage in the long mode.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "map_test_support.h"
#include "ui_Screen.h"

namespace wrentest::map {
namespace {

using main::Game;

class Bytes {
public:
    void putInt(jint v) {
        for (int shift = 24; shift >= 0; shift -= 8) data.push_back(jbyte(uint32_t(v) >> shift));
    }
    void putByte(jint v) { data.push_back(jbyte(v)); }
    void padTo(size_t n) { data.resize(n, 0); }
    VMPtr<VMArray<jbyte>> array() const {
        VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(data.size()));
        for (size_t i = 0; i < data.size(); ++i) a[jint(i)] = data[i];
        return a;
    }
    std::vector<jbyte> data;
};

// Story position 10 on the home cell (10, 5), area 0 open, 5000 money.
VMPtr<VMArray<jbyte>> progressRecord() {
    Bytes b;
    b.putInt(0);
    b.putInt(5000);
    for (int i = 0; i < 5; ++i) b.putByte(0);
    for (jint v : {0, 1, 1, 1, 1, 3, 3, 0, 5}) b.putInt(v);
    b.putInt(10);  // column
    b.putInt(5);   // row
    for (jint open : {1, 0, 0}) b.putByte(open);
    b.putInt(10);
    b.padTo(72);
    return b.array();
}

// Every stage cell level 5 of family 2, reward kind 3 (rate 60), two heats
// of kinds 0 and 1; the goal (5, 5) level 6 of family 4, reward kind 7
// (rate 150), three heats 1, 2, 3.
VMPtr<VMArray<jbyte>> worldRecord() {
    Bytes b;
    for (int i = 0; i < 260; ++i) b.putByte(0);
    for (jint row = 0; row < 13; ++row)
        for (jint column = 0; column < 20; ++column) {
            jint kind = Game::S().cellKinds[row][column];
            std::vector<jint> r{5, 2, 3, 0, 1, -1};
            if (kind <= 1) r = {-1, -1, 13, -1, -1, -1};
            if (row == 5 && column == 5) r = {6, 4, 7, 1, 2, 3};
            for (jint v : r) b.putInt(v);
        }
    for (jint v : {6, 10, 4, 8, 5, 3, 3, 15, 8, 9}) b.putInt(v);
    b.padTo(6800);
    return b.array();
}

class MapWalk : public MapTest {
protected:
    // One step: the stylus held beside the cursor box on the side of the
    // move until the cursor moves, then lifted. Where the view stops
    // following, the cursor moves a whole cell towards the stylus, so the
    // stylus stands more than a cell away: lifted on the cursor, it would
    // open the cell.
    void step(jint dx, jint dy) {
        std::vector<jint> b = box(scene->cursorLayer, 0);
        jint x = dx < 0 ? b[0] - 45 : dx > 0 ? b[0] + b[2] + 45 : b[0] + b[2] / 2;
        jint y = dy < 0 ? b[1] - 45 : dy > 0 ? b[1] + b[3] + 45 : b[1] + b[3] / 2;
        std::vector<jint> before = cursor();
        press(x, y);
        for (int f = 0; f < 10 && cursor() == before; ++f) managerFrame();
        lift(x, y);
        managerFrame();
        managerFrame();
    }
    // The manager's update, then the fixture's touch pass (the recording
    // manager has no touch helper of its own).
    void managerFrame() {
        canvas->updateKeys();
        manager->updateScenes();
        pointer->update();
    }
    void tap(jint x, jint y) {
        press(x, y);
        lift(x, y);
        managerFrame();
        managerFrame();
    }
    void holdTapThrough(jint x, jint y) {
        press(x, y);
        managerFrame();
        managerFrame();
        lift(x, y);
        managerFrame();
        managerFrame();
    }
};

TEST_F(MapWalk, FromSavedRecordsToTheStartOfAStage) {
    ASSERT_TRUE(canvas->saveData(0, progressRecord()));
    ASSERT_TRUE(canvas->saveData(1, worldRecord()));
    VMPtr<Game> game = main::Main::S().game;
    game->loadState();
    game->loadData();
    ASSERT_EQ(Game::S().progressB, 5000);
    ASSERT_EQ(Game::S().stageKind, 10);

    manager->build = true;
    manager->changeScene(43);
    scene = vmCast<scene::maingame::InMapScene>(VMPtr<ui::Scene>(scene::SceneManager::S().currentScene));
    ASSERT_NE(scene, nullptr);
    for (int f = 0; f < 16; ++f) managerFrame();
    ASSERT_FALSE(scene->progressiveLoad);
    EXPECT_EQ(scene->openAreaCount, 1);
    EXPECT_FALSE(scene->tutorialMode);

    // Up the screen (column - 1) five times, into area 0.
    std::vector<std::vector<jint>> route;
    for (int i = 0; i < 5; ++i) {
        step(0, -1);
        route.push_back(cursor());
    }
    EXPECT_EQ(route, (std::vector<std::vector<jint>>{{9, 5}, {8, 5}, {7, 5}, {6, 5}, {5, 5}}));
    // The view followed as far as area 0 lets it (3 cells short of the
    // right edge of the map space).
    EXPECT_EQ(scene->screen->getLayerX(0) - 390, -90);

    std::vector<jint> on = centre(scene->cursorLayer, 0);
    tap(on[0], on[1]);
    ASSERT_EQ(scene->state, 1);
    EXPECT_EQ(lineText(1), "0:4206");
    EXPECT_EQ(lineText(2), "$900");

    // Play, then the long goal (held so that the dialog sees it).
    std::vector<jint> play = centre(scene->dialogLayer, 5);
    tap(play[0], play[1]);
    ASSERT_EQ(scene->state, 5);
    manager->build = false;
    std::vector<jint> longGoal = centre(scene->dialogLayer, 1);
    holdTapThrough(longGoal[0], longGoal[1]);
    EXPECT_EQ(manager->requested, (std::vector<jint>{43, 34}));
    VMPtr<VMArray<jint>> params = mainObject->getLoadingPanelState();
    EXPECT_EQ((std::vector<jint>{params[0], params[1], params[2], params[3], params[4], params[5]}),
              (std::vector<jint>{1, 0, 1, 2, 3, 0}));
    // The walk is not saved: the progress record still has the home cell.
    VMPtr<VMArray<jbyte>> saved = canvas->loadData(0);
    EXPECT_EQ((std::vector<jint>{saved[52], saved[56]}), (std::vector<jint>{10, 5}));

    scene::SceneManager::S().currentScene->unload();
    scene::SceneManager::S().currentScene = nullptr;
}

}  // namespace
}  // namespace wrentest::map
