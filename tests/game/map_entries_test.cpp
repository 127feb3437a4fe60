// The map scene's operations that none of its states calls: the settings'
// sound and language rows driven by the fire key, and the two cell-geometry
// operations.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "main_Game.h"
#include "map_test_support.h"
#include "ui_Screen.h"

namespace wrentest::map {
namespace {

using main::Main;

// The fire key: virtual key 8.
constexpr jint kFireKey = 8;

class MapEntries : public MapTest {
protected:
    void SetUp() override {
        MapTest::SetUp();
        // The scenes' key questions go through the manager's canvas.
        manager->canvas = canvas.get();
    }
    // One key snapshot, with the fire key pressed in it or not.
    void snapshot(bool fire) {
        if (fire) {
            canvas->pressKey(kFireKey);
            canvas->releaseKey(kFireKey);
        }
        canvas->updateKeys();
    }
};

TEST_F(MapEntries, TheFireKeySwitchesTheSoundToTheOtherSetting) {
    load();
    ASSERT_FALSE(Main::S().soundOn);
    snapshot(false);
    scene->handleSoundRowKeys();
    EXPECT_EQ(mainObject->calls, Calls{});

    snapshot(true);
    scene->handleSoundRowKeys();
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue"}));
    EXPECT_TRUE(Main::S().soundOn);
    // The same snapshot asked again: the key is still pressed in it.
    scene->handleSoundRowKeys();
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue", "disableSound"}));
    snapshot(false);
    scene->handleSoundRowKeys();
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue", "disableSound"}));
    EXPECT_FALSE(Main::S().soundOn);
}

TEST_F(MapEntries, TheFireKeyStepsTheLanguageAsTheLanguageButtonDoes) {
    load();
    snapshot(false);
    scene->handleLanguageRowKeys();
    EXPECT_EQ(Main::S().language, 0x5000);

    // 20480 → 20481 → 20483: the list order; the flag frame and the texts
    // follow.
    for (auto [id, frame, text] : {std::tuple{0x5001, 8, "1:12"}, std::tuple{0x5003, 9, "3:12"}}) {
        snapshot(true);
        scene->handleLanguageRowKeys();
        EXPECT_EQ(Main::S().language, id);
        EXPECT_EQ(scene->screen->getLayerAnimation(scene->dialogLayer), frame);
        EXPECT_TRUE(scene->texts == Main::S().translation);
        EXPECT_EQ(lineText(0), text);
    }
    EXPECT_EQ(mainObject->calls, Calls{});
}

// The cell sizes of the content are equal; other values here tell the
// cell height (element 3) from the row pitch (element 5).
TEST_F(MapEntries, StaggeredOffsetIsCellHeightsPlusHalfOneForAnOddParity) {
    load();
    scene->cellMetrics[3] = 41;
    scene->cellMetrics[5] = 37;
    struct Case {
        jint parity, n, expected;
    };
    for (Case c : {Case{0, 3, 123}, Case{1, 3, 143}, Case{2, 1, 41}, Case{-1, 2, 102},
                   Case{1, 0, 20}, Case{0, -2, -82}}) {
        SCOPED_TRACE(std::to_string(c.parity) + ", " + std::to_string(c.n));
        EXPECT_EQ(scene->staggeredOffset(c.parity, c.n), c.expected);
    }
}

TEST_F(MapEntries, PitchOffsetIsRowPitches) {
    load();
    scene->cellMetrics[3] = 41;
    scene->cellMetrics[5] = 37;
    for (auto [n, expected] : {std::pair{0, 0}, std::pair{1, 37}, std::pair{5, 185},
                               std::pair{-3, -111}}) {
        EXPECT_EQ(scene->pitchOffset(n), expected) << n;
    }
}

}  // namespace
}  // namespace wrentest::map
