// The play field's resource tables, read through what the field loads: the
// background of every heat kind (both entries of its pair), the image and
// animation set of every heat kind's monster of each column, and the tune
// the field asks for when it is built.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "main_Game.h"
#include "playfield_support.h"
#include "scene_maingame_InGameMonster.h"
#include "shell_test_support.h"
#include "ui_ResManager.h"

namespace wrentest::playfield {
namespace {

using scene::maingame::InGameMonster;
using scene::maingame::InGameScene;

// Resource ids are pack x 1024 + entry.
constexpr jint id(jint pack, jint entry) { return pack * 1024 + entry; }

class TablesTest : public PlayfieldTest {
protected:
    void SetUp() override {
        PlayfieldTest::SetUp();
        installHeatKindPacks();
    }
    // The ids of the sets a layer of `screen` shows, as the cache holds
    // them, after checking that both were loaded.
    static std::pair<jint, jint> idsOf(const VMPtr<ui::Screen>& screen, jint layer) {
        ui::ResManager::Statics& cache = ui::ResManager::S();
        const jint gobColumn = screen->getLayerGobColumn(layer);
        const jint animColumn = screen->getLayerAnimSetColumn(layer);
        EXPECT_GE(gobColumn, 0);
        EXPECT_GE(animColumn, 0);
        if (gobColumn < 0 || animColumn < 0) return {-1, -1};
        EXPECT_NE(cache.gobPool[gobColumn], nullptr);
        EXPECT_NE(cache.animSetPool[animColumn], nullptr);
        return {cache.ids[0][gobColumn], cache.ids[1][animColumn]};
    }
    // A heat of heat kind `kind` as heat `heat`, loaded up to the spawner.
    VMPtr<InGameScene> sceneBeforeSpawning(jint kind, jint heat) {
        VMPtr<InGameScene> s = makeScene({1, 0, kind, kind, kind, heat}, 3, 5);
        s->moreData = 0;
        do s->loadData();
        while (s->moreData != 8);
        return s;
    }
};

TEST_F(TablesTest, EveryHeatKindShowsTheBackgroundOfItsOwnPack) {
    // Image sets: entry 4 of the packs with monsters, entry 1 of the others.
    const std::pair<jint, jint> backgrounds[7] = {
        {id(11, 4), id(11, 0)}, {id(12, 1), id(12, 0)}, {id(13, 4), id(13, 0)},
        {id(14, 1), id(14, 0)}, {id(15, 4), id(15, 0)}, {id(16, 4), id(16, 0)},
        {id(17, 1), id(17, 0)}};
    VMNativePtr<shell::ScriptedRandom> random = shell::ScriptedRandom::make();
    main::Main::S().random = random.get();
    for (jint kind = 0; kind < 7; ++kind)
        for (jint half = 0; half < 2; ++half) {
            SCOPED_TRACE("heat kind " + std::to_string(kind) + ", half " + std::to_string(half));
            random->script.assign(4, half);
            random->next = 0;
            VMPtr<InGameScene> s = sceneBeforeSpawning(kind, 0);
            EXPECT_EQ(s->backgroundIndex, 2 * kind + half);
            // The lane (frame 0) and the two tiles (frame 1).
            for (jint layer = 0; layer < 3; ++layer) {
                EXPECT_EQ(idsOf(s->screen, layer), backgrounds[kind]) << "layer " << layer;
                EXPECT_EQ(s->screen->getLayerAnimation(layer), layer == 0 ? 0 : 1);
            }
            ui::ResManager::clear();
        }
}

// At level 10, heat 2 places monsters of column 0 in slots 0 to 3, of
// column 1 in slots 4 to 7 and of column 2 in slots 8 and 9.
TEST_F(TablesTest, EveryHeatKindAndColumnSpawnsItsMonster) {
    struct Monster {
        jint image, animations, kind;
    };
    // Packs 11 and 13: images at entries 5 to 7, animation sets at 1 to 3.
    // Heat kind 4 repeats its middle monster in the last column; heat kind
    // 6 takes the middle monster of packs 13, 15 and 16.
    const Monster table[7][3] = {
        {{11269, 11265, 0}, {11270, 11266, 1}, {11271, 11267, 2}},
        {{11269, 11265, 0}, {11270, 11266, 1}, {11271, 11267, 2}},
        {{13317, 13313, 0}, {13318, 13314, 1}, {13319, 13315, 2}},
        {{13317, 13313, 0}, {13318, 13314, 1}, {13319, 13315, 2}},
        {{15365, 15361, 0}, {15366, 15362, 1}, {15366, 15362, 1}},
        {{16389, 16385, 0}, {16390, 16386, 1}, {16391, 16387, 2}},
        {{13318, 13314, 1}, {15366, 15362, 1}, {16390, 16386, 1}},
    };
    const jint columnOfSlot[10] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2};
    stats()[8] = 10;
    for (jint kind = 0; kind < 7; ++kind) {
        SCOPED_TRACE("heat kind " + std::to_string(kind));
        VMPtr<InGameScene> s = sceneBeforeSpawning(kind, 2);
        std::set<jint> packs;
        for (jint slot = 0; slot < 10; ++slot) {
            s->spawnMonster();
            ++s->moreData;
            VMPtr<InGameMonster> m = vmCast<InGameMonster>(
                VMPtr<scene::maingame::InGameObject>(s->monsters[slot]));
            ASSERT_NE(m, nullptr);
            const Monster& want = table[kind][columnOfSlot[slot]];
            EXPECT_EQ(idsOf(m, 0), std::make_pair(want.image, want.animations)) << "slot " << slot;
            EXPECT_EQ(m->imageId, want.image) << "slot " << slot;
            EXPECT_EQ(m->kind, want.kind) << "slot " << slot;
            packs.insert(want.image / 1024);
        }
        if (kind == 6) EXPECT_EQ(packs, (std::set<jint>{13, 15, 16}));
        ui::ResManager::clear();
    }
}

// Built with the sound on and another tune loaded, the field changes to
// its heat kind's tune; the results read their own heat index (3) as the
// kind, whatever the stage's kinds, and so always ask for track 1.
TEST_F(TablesTest, TheFieldAsksForItsHeatKindsTuneWhenBuilt) {
    VMPtr<RecordingSound> sound = RecordingSound::make();
    mainObject->soundManager = sound.get();
    main::Main::Statics& m = main::Main::S();
    struct Case {
        std::array<jint, 6> params;
        jint track;
    };
    const Case cases[] = {
        {{1, 0, 0, 6, 6, 0}, 0}, {{1, 0, 6, 1, 6, 1}, 0}, {{1, 0, 6, 6, 2, 2}, 1},
        {{1, 0, 3, 6, 6, 0}, 1}, {{1, 0, 6, 4, 6, 1}, 2}, {{1, 0, 6, 6, 5, 2}, 3},
        {{1, 0, 6, 0, 0, 0}, 4}, {{1, 0, 6, 6, 6, 3}, 1}, {{1, 0, 0, 0, 0, 3}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "heat kinds " << c.params[2] << ", " << c.params[3]
                                        << ", " << c.params[4] << ", heat " << c.params[5]);
        m.soundOn = true;
        m.soundSet = 5;
        sound->calls.clear();
        makeScene(c.params, 3, 5);
        EXPECT_EQ(m.soundSet, c.track);
        EXPECT_EQ(sound->calls, (std::vector<std::string>{
                                    "unload 4", "loadResource 4 " + std::to_string(21505 + c.track) +
                                                    " -1 0"}));
    }
    // With the sound off nothing is asked.
    m.soundOn = false;
    m.soundSet = 5;
    sound->calls.clear();
    makeScene({1, 0, 2, 2, 2, 0}, 3, 5);
    EXPECT_EQ(m.soundSet, 5);
    EXPECT_TRUE(sound->calls.empty());
}

}  // namespace
}  // namespace wrentest::playfield
